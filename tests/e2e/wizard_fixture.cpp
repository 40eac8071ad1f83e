#include "wizard_fixture.h"

#include "LzwPacker.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace setuptest {

namespace {

std::string NumberedKey(const char* word, std::size_t n) { return word + std::to_string(n); }

std::string MemberName(int n) {
    char name[16];
    std::snprintf(name, sizeof name, "LZ%06d", n);
    return name;
}

std::vector<Numbered> NumberedLines(const std::string& text) {
    std::istringstream in(text);
    std::vector<Numbered> lines;
    for (std::string line; std::getline(in, line);) {
        const std::size_t blank = line.find(' ');
        lines.push_back({std::stoi(line.substr(0, blank)), line.substr(blank + 1)});
    }
    return lines;
}

}  // namespace

Description StandardDescription() {
    Description d;
    d.uninstallKey = "Demo";
    d.groups = {FileGroup{"<PROGRAM_DIR>", "1", {1000}, ""}};
    return d;
}

void WizardTest::putDescription(const Description& d) {
    std::string groups = "[FileGroups]\nCount=" + std::to_string(d.groups.size()) + "\n";
    std::string members, fixPaths = "[FileGroupsFixPath]\n", varPaths = "[FileGroupsVarPath]\n",
                         masks = "[FileGroupsTypeSelect]\n";
    int member = 0;
    for (std::size_t g = 1; g <= d.groups.size(); ++g) {
        const FileGroup& group = d.groups[g - 1];
        const std::string key = NumberedKey("Group", g);
        groups += key + "=Dateien" + std::to_string(g) + "\n";
        members += "[Dateien" + std::to_string(g) + "]\n";
        for (uint32_t size : group.memberSizes) {
            const std::string name = MemberName(++member);
            members += name + "=000000\n";
            const std::string data(size, 'x');
            putOnMedium(name + ".PAK",
                        LzwPackMember(LzwMakeHeader("DATEI" + std::to_string(member) + ".DAT", size,
                                                    LzwDosDateTime(2024, 3, 1, 12, 0, 0), 0x20),
                                      data));
        }
        fixPaths += key + "=" + group.fixPath + "\n";
        varPaths += key + "=" + group.varPath + "\n";
        masks += key + "=" + group.typeMask + "\n";
    }
    std::string types = "[Types]\nCount=" + std::to_string(d.types.size()) + "\nActiveTypes=" +
                        std::string(d.types.size(), '1') + "\n";
    std::string help = "[TypeHelpRtf]\n";
    for (std::size_t t = 1; t <= d.types.size(); ++t) {
        types += NumberedKey("Name", t) + "=" + d.types[t - 1] + "\n";
        help += NumberedKey("RtfText", t) + "=Hilfe " + d.types[t - 1] + "\n";
    }
    // The executor copies the uninstaller beside the record.
    if (!d.uninstallKey.empty()) putOnMedium("uninstall.exe", "#machine-program\n");
    putSetupDescription("[Text]\nHeadTitleText=" + d.title + "\n" + d.textKeys + "[Options]\n" + d.options +
                        "[Uninstall]\nUninstallKey=" + d.uninstallKey + "\n" + groups + members + fixPaths +
                        varPaths + masks + types + help);
}

void WizardTest::putFile(const std::string& windowsPath, const std::string& content) const {
    testsupport::writeHostFile(host(windowsPath), content);
}

void WizardTest::putDeclaredProgram(const std::string& windowsPath, const std::string& words) const {
    putFile(windowsPath, "#machine-program " + words + "\n");
}

void WizardTest::makeDir(const std::string& windowsPath) const {
    std::filesystem::create_directories(host(windowsPath));
}

bool WizardTest::exists(const std::string& windowsPath) const {
    const std::string path = host(windowsPath);
    return !path.empty() && std::filesystem::exists(path);
}

std::string WizardTest::lastLogLine(const std::string& logPath) const {
    const std::vector<std::string> log = logTexts(logPath);
    return log.empty() ? "" : log.back();
}

std::vector<std::string> WizardTest::stateLines(const std::string& logPath) const {
    std::vector<std::string> states;
    for (const std::string& text : logTexts(logPath))
        if (text.starts_with("STATE: ")) states.push_back(text);
    return states;
}

std::vector<Numbered> WizardTest::journal() const {
    return NumberedLines(testsupport::readHostFile(machineDir + "/journal.log"));
}

std::string WizardTest::registry() const { return testsupport::readHostFile(machineDir + "/registry.reg"); }

std::vector<Numbered> TranscriptLines(const SetupResult& result) { return NumberedLines(result.transcript); }

std::string Quoted(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
    return out;
}

int FirstWith(const std::vector<Numbered>& lines, const std::string& text) {
    for (const Numbered& line : lines)
        if (line.text.find(text) != std::string::npos) return line.number;
    return 0;
}

std::vector<std::string> Texts(const std::vector<Numbered>& lines) {
    std::vector<std::string> texts;
    for (const Numbered& line : lines) texts.push_back(line.text);
    return texts;
}

std::vector<std::string> LinesWith(const std::vector<Numbered>& lines, const std::string& text) {
    std::vector<std::string> found;
    for (const Numbered& line : lines)
        if (line.text.find(text) != std::string::npos) found.push_back(line.text);
    return found;
}

std::string BrowseTo(const std::string& page, const std::string& dir) {
    return "page " + page + "\ntext edDir " + dir + "\nclick cmdNext\n";
}

}  // namespace setuptest
