// Starting a command line: which file Windows' rules pick as the program,
// and what is refused.
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr char kDeclared[] = "#machine-program exit=0\n";

struct StartCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> files;  // path below drive C:, content
    const char* commandLine;
    const char* program;  // resolved; nullptr when refused
    uint32_t error;
};

class ProcessStart : public testsupport::MachineTest {
protected:
    void addFile(const std::string& below, const std::string& content, bool executable) {
        const std::string host = driveC() + "/" + below;
        testsupport::writeHostFile(host, content);
        if (executable) fs::permissions(host, fs::perms::owner_exec, fs::perm_options::add);
    }
    // The program named by the journal's last line.
    std::string lastStartedProgram() const {
        std::istringstream in(testsupport::readHostFile(machineDir + "/journal.log"));
        std::string line, last;
        while (std::getline(in, line)) last = line;
        const std::size_t start = last.find("program=\"");
        if (start == std::string::npos) return last;
        return last.substr(start + 9, last.find('"', start + 9) - start - 9);
    }
};

TEST_F(ProcessStart, ResolvesTheCommandLineAsWindowsDoes) {
    const StartCase cases[] = {
        {"full path", {{"TOOLS/RUN.EXE", kDeclared}}, "C:\\TOOLS\\RUN.EXE -x", "C:\\TOOLS\\RUN.EXE", 0},
        {".exe appended, names without case", {{"TOOLS/RUN.EXE", kDeclared}}, "c:\\tools\\run -x", "C:\\tools\\run.exe", 0},
        {"an extension is kept", {{"TOOLS/RE.START", kDeclared}}, "C:\\TOOLS\\RE.START", "C:\\TOOLS\\RE.START", 0},
        {"blanks inside the path",
         {{"Program Files/App/Tool.exe", kDeclared}},
         "C:\\Program Files\\App\\Tool.exe /REGSERVER",
         "C:\\Program Files\\App\\Tool.exe",
         0},
        {"the shortest existing prefix wins",
         {{"Program Files/App/Tool.exe", kDeclared}, {"Program.exe", kDeclared}},
         "C:\\Program Files\\App\\Tool.exe /REGSERVER",
         "C:\\Program.exe",
         0},
        {"a quoted program is taken whole",
         {{"Program Files/App/Tool.exe", kDeclared}, {"Program.exe", kDeclared}},
         "\"C:\\Program Files\\App\\Tool.exe\" /REGSERVER",
         "C:\\Program Files\\App\\Tool.exe",
         0},
        {"a bare name from the System directory",
         {{"WINDOWS/SYSTEM32/NOTE.EXE", kDeclared}},
         "note.exe C:\\A.TXT",
         "C:\\WINDOWS\\SYSTEM32\\note.exe",
         0},
        {"missing program", {}, "C:\\TOOLS\\MISSING.EXE", nullptr, win::ERR_FILE_NOT_FOUND},
        {"a directory is no program file", {{"TOOLS/RUN.EXE/x", ""}}, "C:\\TOOLS\\RUN.EXE", nullptr,
         win::ERR_FILE_NOT_FOUND},
        {"a text file", {{"TOOLS/README.EXE", "hallo\n"}}, "C:\\TOOLS\\README.EXE", nullptr, win::ERR_BAD_EXE_FORMAT},
        {"an unknown declaration", {{"TOOLS/RUN.EXE", "#machine-program exit=1 hangs\n"}}, "C:\\TOOLS\\RUN.EXE",
         nullptr, win::ERR_BAD_EXE_FORMAT},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.name);
        setMachineIni("");
        fs::remove_all(driveC());
        for (const auto& [path, content] : c.files) addFile(path, content, false);

        const win::ProcessHandle process = win::createProcess(c.commandLine, 1);

        if (c.program) {
            ASSERT_NE(process, win::ProcessHandle::None);
            EXPECT_EQ(lastStartedProgram(), c.program);
            EXPECT_TRUE(win::closeProcess(process));
        } else {
            EXPECT_EQ(process, win::ProcessHandle::None);
            EXPECT_EQ(win::lastError(), c.error);
        }
    }
}

// A script is a program only when the host may execute it.
TEST_F(ProcessStart, AScriptMustBeExecutable) {
    addFile("TOOLS/RUN.EXE", "#!/bin/sh\nexit 0\n", false);
    EXPECT_EQ(win::createProcess("C:\\TOOLS\\RUN.EXE", 1), win::ProcessHandle::None);
    EXPECT_EQ(win::lastError(), win::ERR_BAD_EXE_FORMAT);

    addFile("TOOLS/RUN.EXE", "#!/bin/sh\nexit 0\n", true);
    EXPECT_NE(win::createProcess("C:\\TOOLS\\RUN.EXE", 1), win::ProcessHandle::None);
}

TEST_F(ProcessStart, TheRelativeNameIsFoundInTheCurrentDirectory) {
    addFile("WORK/RUN.EXE", kDeclared, false);
    ASSERT_TRUE(win::setCurrentDirectory("C:\\WORK"));
    EXPECT_NE(win::createProcess("RUN", 1), win::ProcessHandle::None);
    EXPECT_EQ(lastStartedProgram(), "C:\\WORK\\RUN.exe");
}

TEST_F(ProcessStart, JournalsStartsAndRefusals) {
    addFile("TOOLS/RUN.EXE", "#machine-program exit=3 seconds=2\n", false);
    ASSERT_TRUE(win::setCurrentDirectory("C:\\TOOLS"));
    const win::ProcessHandle process = win::createProcess("C:\\TOOLS\\RUN.EXE  -x \"a b\"", 0);
    while (win::waitForProcess(process, 1000) == win::WAIT_TIMEOUT) {
    }
    win::createProcess("C:\\NOPE.EXE /x", 1);

    EXPECT_EQ(testsupport::readHostFile(machineDir + "/journal.log"),
              "0001 process start program=\"C:\\TOOLS\\RUN.EXE\" show=0 dir=\"C:\\TOOLS\" cmd=C:\\TOOLS\\RUN.EXE  -x \"a b\"\n"
              "0002 process end program=\"C:\\TOOLS\\RUN.EXE\" exit=3 waits=2\n"
              "0003 process start failed=2 cmd=C:\\NOPE.EXE /x\n");
}

}  // namespace
