// RunAndWait, RegisterOleExe and CommandLineOf: which program starts, how
// long it is waited for, what the user is shown and what is returned.
#include "Tools.h"
#include "Win.h"
#include "tools_programs_fixture.h"

#include "Controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace toolstest {
namespace {

const std::string kNotFound = "Das System kann die angegebene Datei nicht finden.\\r\\n";
const std::string kNoProgram = "Die Anwendung ist keine zulässige Win32-Anwendung.\\r\\n";
const std::string kAccessDenied = "Zugriff verweigert\\r\\n";

using RunAndWaitTest = ProgramsTest;
using RegisterOleExeTest = ProgramsTest;

struct EndCase {
    const char* declaration;
    const char* failMsg;
    bool result;
    std::string dialog;  // "" for none
};

TEST_F(RunAndWaitTest, TheEndOfTheProgramAndTheFailureMessageDecide) {
    const EndCase cases[] = {
        {"exit=5", "", true, ""},  // the exit code is not looked at
        {"exit=5", "Programm fehlgeschlagen", false, "Programm fehlgeschlagen"},
        {"exit=0", "Programm fehlgeschlagen", true, ""},
        {"exit=5 exit-code-unreadable", "Programm fehlgeschlagen", true, kAccessDenied},
        {"never-ends wait-fails", "Programm fehlgeschlagen", false, kAccessDenied},
        {"never-ends wait-fails", "", false, kAccessDenied},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(std::string(c.declaration) + " / " + c.failMsg);
        restartMachine();
        addProgram("C:\\TOOLS\\RUN.EXE", std::string("#machine-program seconds=3 ") + c.declaration + "\n");
        useScript(c.dialog.empty() ? "" : "box OK\n");

        EXPECT_EQ(RunAndWait("C:\\TOOLS\\RUN.EXE", c.failMsg, 0, SW_SHOWNORMAL), c.result);

        EXPECT_EQ(transcript(), c.dialog.empty() ? std::vector<std::string>{}
                                                 : std::vector<std::string>{simpleDialog(c.dialog)});
    }
}

// A failed wait ends the program it gave up on.
TEST_F(RunAndWaitTest, AFailedWaitTerminatesTheProgram) {
    addProgram("C:\\TOOLS\\RUN.EXE", "#machine-program never-ends wait-fails\n");
    useScript("box OK\n");
    RunAndWait("C:\\TOOLS\\RUN.EXE", "", 0, SW_SHOWNORMAL);
    EXPECT_EQ(journal().back(), "process terminate program=\"C:\\TOOLS\\RUN.EXE\" exit=0 waits=1");
}

TEST_F(RunAndWaitTest, TimeOutZeroWaitsHoweverLongTheProgramRuns) {
    addProgram("C:\\TOOLS\\LONG.EXE", "#machine-program seconds=3600 exit=0\n");
    EXPECT_TRUE(RunAndWait("C:\\TOOLS\\LONG.EXE", "", 0, SW_SHOWNORMAL));
    EXPECT_EQ(win::tickCount(), 3'600'000u);
    EXPECT_EQ(journal().back(), "process end program=\"C:\\TOOLS\\LONG.EXE\" exit=0 waits=3600");
}

struct TimeOutCase {
    const char* failMsg;
    std::vector<std::string> transcript;
};

TEST_F(RunAndWaitTest, ATimeOutTerminatesTheProgramAfterItsSlices) {
    const TimeOutCase cases[] = {
        {"", {}},
        {"Zeit abgelaufen", {simpleDialog("Zeit abgelaufen")}},
    };
    for (const TimeOutCase& c : cases) {
        SCOPED_TRACE(c.failMsg);
        restartMachine();
        addProgram("C:\\TOOLS\\HANG.EXE", "#machine-program never-ends\n");
        useScript("box OK\n");

        EXPECT_FALSE(RunAndWait("C:\\TOOLS\\HANG.EXE", c.failMsg, 30, SW_SHOWNORMAL));

        EXPECT_EQ(win::tickCount(), 30'000u);
        EXPECT_EQ(journal().back(), "process terminate program=\"C:\\TOOLS\\HANG.EXE\" exit=0 waits=30");
        EXPECT_EQ(transcript(), c.transcript);
    }
}

// A program ending in the last slice of its time-out has ended in time.
TEST_F(RunAndWaitTest, AProgramEndingInTheLastSliceIsInTime) {
    addProgram("C:\\TOOLS\\RUN.EXE", "#machine-program seconds=30 exit=0\n");
    EXPECT_TRUE(RunAndWait("C:\\TOOLS\\RUN.EXE", "Zeit abgelaufen", 30, SW_SHOWNORMAL));
}

TEST_F(RunAndWaitTest, AProgramThatCannotStartShowsTheSystemsText) {
    addProgram("C:\\TOOLS\\README.EXE", "Kein Programm\n");
    const std::pair<const char*, std::string> cases[] = {
        {"C:\\TOOLS\\MISSING.EXE /x", kNotFound},
        {"C:\\TOOLS\\README.EXE", kNoProgram},
    };
    for (const auto& [commandLine, text] : cases) {
        SCOPED_TRACE(commandLine);
        useScript("box OK\n");
        EXPECT_FALSE(RunAndWait(commandLine, "Programm fehlgeschlagen", 0, SW_SHOWNORMAL));
        EXPECT_EQ(transcript(), std::vector<std::string>{simpleDialog(text)});
    }
    EXPECT_EQ(win::tickCount(), 0u) << "nothing was waited for";
}

TEST_F(RunAndWaitTest, JournalsTheStartAndTheExitCode) {
    addProgram("C:\\TOOLS\\RUN.EXE", "#machine-program seconds=2 exit=3\n");
    RunAndWait("C:\\TOOLS\\RUN.EXE -q", "", 0, SW_SHOWNORMAL);
    EXPECT_EQ(journal(), (std::vector<std::string>{
                             "process start program=\"C:\\TOOLS\\RUN.EXE\" show=1 dir=\"C:\\\" cmd=C:\\TOOLS\\RUN.EXE -q",
                             "process end program=\"C:\\TOOLS\\RUN.EXE\" exit=3 waits=2",
                         }));
}

// The windows stay serviced: a one-second timer fires after every slice.
TEST_F(RunAndWaitTest, TimersFireWhileTheProgramRuns) {
    addProgram("C:\\TOOLS\\RUN.EXE", "#machine-program seconds=5\n");
    auto* timer = new TTimer(Application);
    timer->SetInterval(1000);
    int fires = 0;
    timer->OnTimer = [&](TObject*) { ++fires; };

    RunAndWait("C:\\TOOLS\\RUN.EXE", "", 0, SW_SHOWNORMAL);

    EXPECT_EQ(fires, 5);
}

// A real program in a directory with a blank, behind a decoy that an
// unquoted command line would start instead.
TEST_F(RunAndWaitTest, AHostProgramRunsInTheCurrentDirectory) {
    addProgram("C:\\Program Files\\App\\Tool.exe", "#!/bin/sh\nprintf '%s' \"$*\" > ran.txt\n");
    addProgram("C:\\Program.exe", "#machine-program exit=1\n");
    std::filesystem::create_directories(driveC() + "/WORK");
    ASSERT_TRUE(win::setCurrentDirectory("C:\\WORK"));
    useScript("box OK\n");

    EXPECT_TRUE(RunAndWait(CommandLineOf("C:\\Program Files\\App\\Tool.exe") + " /silent", "Falsches Programm", 0,
                           SW_SHOWNORMAL));

    EXPECT_EQ(testsupport::readHostFile(driveC() + "/WORK/ran.txt"), "/silent");
    EXPECT_EQ(transcript(), std::vector<std::string>{});
}

TEST(CommandLineOfTest, QuotesAProgramPathWithABlank) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Program Files\\App\\Tool.exe", "\"C:\\Program Files\\App\\Tool.exe\""},
        {"\"C:\\Program Files\\App\\Tool.exe\"", "\"C:\\Program Files\\App\\Tool.exe\""},
        {"C:\\APP\\TOOL.EXE", "C:\\APP\\TOOL.EXE"},
        {"tremlin.exe", "tremlin.exe"},
        {"", ""},
    };
    for (const auto& [path, commandLine] : cases) EXPECT_EQ(CommandLineOf(path), commandLine) << path;
}

struct OleCase {
    const char* path;       // on drive C:
    const char* program;    // its content; nullptr: no file
    std::vector<std::string> journal;
    bool dialog;
};

TEST_F(RegisterOleExeTest, RunsTheServerHiddenAndIsAlwaysTrue) {
    const OleCase cases[] = {
        {"C:\\APP\\TOOL.EXE", "#machine-program never-ends\n",
         {"process start program=\"C:\\APP\\TOOL.EXE\" show=0 dir=\"C:\\\" cmd=C:\\APP\\TOOL.EXE /REGSERVER",
          "process terminate program=\"C:\\APP\\TOOL.EXE\" exit=0 waits=30"},
         false},
        {"C:\\APP\\tool.com", "#machine-program exit=1\n",
         {"process start program=\"C:\\APP\\tool.com\" show=0 dir=\"C:\\\" cmd=C:\\APP\\tool.com /REGSERVER",
          "process end program=\"C:\\APP\\tool.com\" exit=1 waits=0"},
         false},
        {"C:\\Program Files\\App\\Tool.exe", "#machine-program\n",
         {"process start program=\"C:\\Program Files\\App\\Tool.exe\" show=0 dir=\"C:\\\" "
          "cmd=\"C:\\Program Files\\App\\Tool.exe\" /REGSERVER",
          "process end program=\"C:\\Program Files\\App\\Tool.exe\" exit=0 waits=0"},
         false},
        {"C:\\APP\\LIB.DLL", "#machine-program\n", {}, false},
        {"C:\\APP\\GONE.EXE", nullptr, {"process start failed=2 cmd=C:\\APP\\GONE.EXE /REGSERVER"}, true},
    };
    for (const OleCase& c : cases) {
        SCOPED_TRACE(c.path);
        restartMachine();
        addProgram("C:\\Program.exe", "#machine-program exit=1\n");
        if (c.program) addProgram(c.path, c.program);
        useScript(c.dialog ? "box OK\n" : "");

        EXPECT_TRUE(RegisterOleExe(c.path));

        EXPECT_EQ(journal(), c.journal);
        EXPECT_EQ(transcript(), c.dialog ? std::vector<std::string>{simpleDialog(kNotFound)} : std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace toolstest
