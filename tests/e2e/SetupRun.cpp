#include "SetupRun.h"

#include "LzwPacker.h"
#include "Machine.h"

#include <iconv.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace setuptest {

namespace {

std::string Convert(const std::string& text, const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open");
    std::string out(text.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) throw std::runtime_error("iconv");
    out.resize(out.size() - outLeft);
    return out;
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// The Windows program's line ends, CR LF, read as LF.
std::string WithLf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n') out += text[i];
    return out;
}

std::string WindowsPathOnHost(const std::string& hostPath) {
    std::string path = "Z:" + fs::absolute(hostPath).string();
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

void ReplaceAll(std::string& text, const std::string& what, const std::string& by) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + by.size()))
        text.replace(at, what.size(), by);
}

}  // namespace

std::string ToAnsi(const std::string& utf8) { return Convert(utf8, "UTF-8", "CP1252"); }
std::string ToUtf8(const std::string& ansi) { return Convert(ansi, "CP1252", "UTF-8"); }

std::string SetupTest::iniWith(const std::string& machineKeys, const std::string& sections) const {
    return "[Machine]\n" + machineKeys +
           "WindowsDir=C:\\WINNT\n"
           "SystemDir=C:\\WINNT\\system32\n"
           "TempDir=C:\\TEMP\\\n"
           "ProgramPath=E:\\SETUP.EXE\n"
           "ClockStart=2024-03-05 14:03:07\n"
           "[Drive C]\nType=fixed\nFolder=drives/C\nFree=8,512,262144,1048576\n"
           "[Drive D]\nType=fixed\nFolder=drives/D\nFree=8,512,262144,1048576\n"
           "[Drive E]\nType=cdrom\nFolder=medium\n" + sections;
}

void SetupTest::SetUp() {
    MachineTest::SetUp();
    if (OnWine()) {
        m_wine = std::make_unique<WinePrefix>(machineDir + "/prefix");
        fs::create_directories(machineDir + "/drives");
        fs::create_directory_symlink(m_wine->driveC(), driveC());
        fs::create_directory_symlink("windows", m_wine->driveC() + "/WINNT");
    }
    std::filesystem::create_directories(driveC() + "/WINNT/system32");
    std::filesystem::create_directories(driveC() + "/TEMP");
    std::filesystem::create_directories(machineDir + "/drives/D");
    std::filesystem::create_directories(medium());
}

void SetupTest::putOnMedium(const std::string& name, const std::string& content) {
    testsupport::writeHostFile(medium() + "/" + name, content);
}

void SetupTest::putSetupDescription(const std::string& text) {
    const std::string data = WithCrLf(text);
    const LzwMemberHeader header =
        LzwMakeHeader("SETUP.ALL", static_cast<uint32_t>(data.size()), LzwDosDateTime(2024, 3, 5, 14, 3, 6), 0x20);
    putOnMedium("INST.ALL", LzwPackMember(header, data));
}

SetupResult SetupTest::runSetup(const std::string& script, const std::vector<std::string>& args) {
    testsupport::writeHostFile(machineDir + "/user.script", ToUtf8(script));
    if (m_wine) return runOnWine(args);
    const std::string transcript = machineDir + "/transcript.txt";
    testsupport::ProgramRun run;
    run.program = testsupport::builtProgram("setup/setup");
    run.args = args;
    run.env = {{"SETUP_MACHINE", machineDir},
               {"SETUP_SCRIPT", machineDir + "/user.script"},
               {"SETUP_TRANSCRIPT", transcript}};
    const testsupport::ProgramResult r = testsupport::runProgram(run);
    return SetupResult{r.exitCode, ToAnsi(testsupport::readHostFile(transcript)), r.err, r.out};
}

// The machine's other drives become the prefix's, and the program is
// started from the medium as E:\SETUP.EXE, in UTC (the tests' machine has
// no TimeBias).
SetupResult SetupTest::runOnWine(const std::vector<std::string>& args) {
    const win::ProfileFile ini(machineDir + "/machine.ini");
    for (char letter = 'A'; letter <= 'Y'; ++letter) {
        const std::optional<std::string> folder = ini.readString(std::string("Drive ") + letter, "Folder");
        if (letter != 'C' && folder && !folder->empty()) m_wine->mapDrive(letter, machineDir + "/" + *folder);
    }
    const std::string program = medium() + "/SETUP.EXE";
    if (!fs::exists(program)) fs::copy_file(std::getenv("SETUP_EXE"), program);
    const std::string transcript = machineDir + "/transcript.txt";
    const auto start = [&] {
        fs::remove(transcript);
        return m_wine->run("E:\\SETUP.EXE", args,
                           {{"SETUP_SCRIPT", WindowsPathOnHost(machineDir + "/user.script")},
                            {"SETUP_TRANSCRIPT", WindowsPathOnHost(transcript)},
                            {"TZ", "UTC0"}},
                           medium());
    };
    testsupport::ProgramResult r = start();
    // Now and then Wine ends with exit code 1 before the program has begun
    // (no transcript, nothing on its outputs; about one start in a thousand
    // under a parallel test run): that start alone is made again, once.
    if (r.exitCode == 1 && !fs::exists(transcript) && r.out.empty() && r.err.empty()) r = start();
    return SetupResult{r.exitCode, withTestsWindowsDir(ToAnsi(testsupport::readHostFile(transcript))), WithLf(r.err),
                       WithLf(r.out)};
}

std::string SetupTest::withTestsWindowsDir(std::string text) const {
    if (m_wine) ReplaceAll(text, "C:\\windows", "C:\\WINNT");
    return text;
}

void SetupTest::addRegistryKey(win::RegRoot root, const std::string& key) {
    if (m_wine) m_wine->addKey(root, key);
    else win::regOpenKey(root, key, true, true);
}

bool SetupTest::registryKeyExists(win::RegRoot root, const std::string& key) const {
    return m_wine ? m_wine->keyExists(root, key) : win::regKeyExists(root, key);
}

std::optional<std::string> SetupTest::registryString(win::RegRoot root, const std::string& key,
                                                     const std::string& name) const {
    if (m_wine) {
        const std::optional<std::string> value = m_wine->stringValue(root, key, name);
        return value ? std::optional(withTestsWindowsDir(*value)) : std::nullopt;
    }
    std::string value;
    return win::regReadString(root, key, name, value) ? std::optional(value) : std::nullopt;
}

std::optional<uint32_t> SetupTest::registryDword(win::RegRoot root, const std::string& key,
                                                 const std::string& name) const {
    if (m_wine) return m_wine->dwordValue(root, key, name);
    uint32_t value = 0;
    return win::regReadDword(root, key, name, value) ? std::optional(value) : std::nullopt;
}

std::vector<std::string> SetupTest::registryValueNames(win::RegRoot root, const std::string& key) const {
    return m_wine ? m_wine->valueNames(root, key) : win::regValueNames(root, key);
}

// Wine keeps the read-only attribute in the file's write permission.
bool SetupTest::makeReadOnly(const std::string& windowsPath) const {
    if (!m_wine) return win::setFileAttributes(windowsPath, win::ATTR_READONLY);
    return chmod(host(windowsPath).c_str(), 0444) == 0;
}

uint32_t SetupTest::attributes(const std::string& windowsPath) const {
    if (!m_wine) return win::getFileAttributes(windowsPath);
    struct stat st {};
    if (stat(host(windowsPath).c_str(), &st) != 0) return win::kInvalidAttributes;
    const uint32_t readOnly = (st.st_mode & 0222) == 0 ? uint32_t{win::ATTR_READONLY} : 0;
    return readOnly | (S_ISDIR(st.st_mode) ? win::ATTR_DIRECTORY : win::ATTR_ARCHIVE);
}

std::string SetupTest::host(const std::string& windowsPath) const { return win::machine::hostPath(windowsPath); }

std::vector<std::string> SetupTest::logTexts(const std::string& windowsPath) const {
    std::istringstream in(testsupport::readHostFile(host(windowsPath)));
    std::vector<std::string> texts;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t dash = line.find(" - ");
        texts.push_back(withTestsWindowsDir(dash == std::string::npos ? line : line.substr(dash + 3)));
    }
    return texts;
}

}  // namespace setuptest
