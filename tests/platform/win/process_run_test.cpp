// Running programs: host scripts that really run on the machine's drives,
// and declared programs that run on the machine's clock.
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

class ProcessRun : public testsupport::MachineTest {
protected:
    win::ProcessHandle start(const std::string& below, const std::string& content, const std::string& arguments = "") {
        const std::string host = driveC() + "/" + below;
        testsupport::writeHostFile(host, content);
        fs::permissions(host, fs::perms::owner_exec, fs::perm_options::add);
        const win::ProcessHandle process = win::createProcess("C:\\" + below + arguments, 1);
        EXPECT_NE(process, win::ProcessHandle::None) << below;
        return process;
    }
    uint32_t exitCode(win::ProcessHandle process) {
        uint32_t code = 0;
        EXPECT_TRUE(win::processExitCode(process, code));
        return code;
    }
};

// The script runs in the current directory's host folder, with its
// arguments and the machine's environment, and can find its machine.
TEST_F(ProcessRun, AHostScriptRunsWithTheMachinesDirectoryAndEnvironment) {
    setMachineIni("[Environment]\nPRODUCT=Brimlund\n");
    fs::create_directories(driveC() + "/WORK");
    ASSERT_TRUE(win::setCurrentDirectory("C:\\WORK"));
    const win::ProcessHandle process =
        start("TOOLS/RUN.EXE",
              "#!/bin/sh\n"
              "printf '%s|%s|%s|%s|%s' \"$1\" \"$2\" \"$PRODUCT\" \"$windir\" \"$HOME\" > out.txt\n"
              "test -f \"$SETUP_MACHINE/machine.ini\" || exit 9\n"
              "exit 7\n",
              " erstes \"zweites Argument\"");

    uint32_t result = win::WAIT_TIMEOUT;
    for (int slice = 0; slice < 20 && result == win::WAIT_TIMEOUT; ++slice) result = win::waitForProcess(process, 1000);

    ASSERT_EQ(result, uint32_t{win::WAIT_OBJECT_0});
    EXPECT_EQ(exitCode(process), 7u);
    EXPECT_EQ(testsupport::readHostFile(driveC() + "/WORK/out.txt"), "erstes|zweites Argument|Brimlund|C:\\WINDOWS|");
    EXPECT_TRUE(win::closeProcess(process));
}

// A slice waits at most its time for real, and the clock moves by one slice.
TEST_F(ProcessRun, ARunningHostProgramTimesOutAndIsTerminated) {
    const win::ProcessHandle process = start("TOOLS/SLOW.EXE", "#!/bin/sh\nexec sleep 30\n");
    const uint32_t ticks = win::tickCount();
    const auto before = std::chrono::steady_clock::now();

    EXPECT_EQ(win::waitForProcess(process, 200), uint32_t{win::WAIT_TIMEOUT});

    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
    EXPECT_EQ(win::tickCount() - ticks, 200u);
    EXPECT_EQ(exitCode(process), win::STILL_ACTIVE);
    EXPECT_TRUE(win::terminateProcess(process, 0));
    EXPECT_EQ(exitCode(process), 0u);
    EXPECT_EQ(win::waitForProcess(process, 1000), uint32_t{win::WAIT_OBJECT_0});
    EXPECT_FALSE(win::terminateProcess(process, 0)) << "it has ended";
    EXPECT_EQ(win::lastError(), win::ERR_ACCESS_DENIED);
}

struct DeclaredCase {
    const char* marker;
    int slices;             // waits of one second
    uint32_t lastResult;    // of the last wait
    uint32_t exitCode;      // after the waits
    uint32_t clockMs;       // that the waits took
};

TEST_F(ProcessRun, DeclaredProgramsRunOnTheMachinesClock) {
    const DeclaredCase cases[] = {
        {"#machine-program exit=5 seconds=40", 40, win::WAIT_OBJECT_0, 5, 40000},
        {"#machine-program exit=5 seconds=40", 39, win::WAIT_TIMEOUT, win::STILL_ACTIVE, 39000},
        {"#machine-program seconds=2 exit=1", 5, win::WAIT_OBJECT_0, 1, 2000},
        {"#machine-program never-ends", 500, win::WAIT_TIMEOUT, win::STILL_ACTIVE, 500000},
        {"#machine-program", 1, win::WAIT_OBJECT_0, 0, 0},
    };
    for (const DeclaredCase& c : cases) {
        SCOPED_TRACE(std::string(c.marker) + ", slices " + std::to_string(c.slices));
        setMachineIni("");
        const win::ProcessHandle process = start("TOOLS/RUN.EXE", std::string(c.marker) + "\n");
        const uint32_t ticks = win::tickCount();
        uint32_t result = 0;
        for (int slice = 1; slice <= c.slices; ++slice) result = win::waitForProcess(process, 1000);
        EXPECT_EQ(result, c.lastResult);
        EXPECT_EQ(exitCode(process), c.exitCode);
        EXPECT_EQ(win::tickCount() - ticks, c.clockMs);
    }
}

TEST_F(ProcessRun, DeclaredFailuresOfWaitAndExitCode) {
    const win::ProcessHandle waitFails = start("TOOLS/A.EXE", "#machine-program never-ends wait-fails\n");
    EXPECT_EQ(win::waitForProcess(waitFails, 1000), uint32_t{win::WAIT_FAILED});
    EXPECT_EQ(win::lastError(), win::ERR_ACCESS_DENIED);
    EXPECT_TRUE(win::terminateProcess(waitFails, 0));

    const win::ProcessHandle unreadable = start("TOOLS/B.EXE", "#machine-program exit=4 exit-code-unreadable\n");
    EXPECT_EQ(win::waitForProcess(unreadable, 1000), uint32_t{win::WAIT_OBJECT_0});
    uint32_t code = 0;
    EXPECT_FALSE(win::processExitCode(unreadable, code));
    EXPECT_EQ(win::lastError(), win::ERR_ACCESS_DENIED);
}

TEST_F(ProcessRun, AClosedHandleIsGone) {
    const win::ProcessHandle process = start("TOOLS/RUN.EXE", "#machine-program never-ends\n");
    EXPECT_TRUE(win::closeProcess(process));
    EXPECT_EQ(win::waitForProcess(process, 1000), uint32_t{win::WAIT_FAILED});
    EXPECT_FALSE(win::closeProcess(process));
}

}  // namespace
