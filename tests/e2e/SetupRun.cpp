#include "SetupRun.h"

#include "LzwPacker.h"
#include "Machine.h"

#include <iconv.h>

#include <filesystem>

#include <sstream>
#include <stdexcept>

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

std::string SetupTest::host(const std::string& windowsPath) const { return win::machine::hostPath(windowsPath); }

std::vector<std::string> SetupTest::logTexts(const std::string& windowsPath) const {
    std::istringstream in(testsupport::readHostFile(host(windowsPath)));
    std::vector<std::string> texts;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t dash = line.find(" - ");
        texts.push_back(dash == std::string::npos ? line : line.substr(dash + 3));
    }
    return texts;
}

}  // namespace setuptest
