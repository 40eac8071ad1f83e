// AddRunOnce, IsAdministrator and RebootWindows on the machine.
#include "Tools.h"
#include "Win.h"
#include "tools_programs_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace toolstest {
namespace {

const char kRunOnce[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

using AddRunOnceTest = ProgramsTest;
using IsAdministratorTest = ProgramsTest;
using RebootWindowsTest = ProgramsTest;

struct RunOnceCase {
    const char* installer;
    const char* program;
    const char* args;
    const char* valueName;
    const char* data;
};

TEST_F(AddRunOnceTest, NamesTheValueAfterInstallerAndProgram) {
    const RunOnceCase cases[] = {
        {"C:\\SETUP\\SETUP.EXE", "C:\\Prog\\Re.Start.exe", "", "SETUPEXEReStartexe", "C:\\Prog\\Re.Start.exe"},
        {"D:\\INST\\Setup.Exe", "tremlin.exe", "NOTEST", "SetupExetremlinexe", "tremlin.exe NOTEST"},
        {"C:\\SETUP\\SETUP.EXE", "C:\\Program Files\\App\\Boot.exe", " -x ", "SETUPEXEBootexe",
         "\"C:\\Program Files\\App\\Boot.exe\"  -x"},
    };
    for (const RunOnceCase& c : cases) {
        SCOPED_TRACE(c.program);
        restartMachine(std::string("[Machine]\nProgramPath=") + c.installer + "\n");

        EXPECT_TRUE(AddRunOnce(c.program, c.args));

        EXPECT_EQ(win::regValueNames(win::RegRoot::LocalMachine, kRunOnce), std::vector<std::string>{c.valueName});
        std::string data;
        EXPECT_TRUE(win::regReadString(win::RegRoot::LocalMachine, kRunOnce, c.valueName, data));
        EXPECT_EQ(data, c.data);
        // The entry is one of the side effects the machine's journal records.
        const std::vector<std::string> lines = journal();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find("registry set HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce \"" +
                             std::string(c.valueName) + "\"=") != std::string::npos;
        }));
    }
}

TEST_F(AddRunOnceTest, FalseWhenTheMachineKeyMayNotBeWritten) {
    setMachineIni("[Machine]\nAdministrator=0\n");
    EXPECT_FALSE(AddRunOnce("tremlin.exe", "NOTEST"));
    EXPECT_FALSE(win::regKeyExists(win::RegRoot::LocalMachine, kRunOnce));
}

struct AdministratorCase {
    std::string ini;
    bool administrator;
};

// The group list of a 32-bit token with this many domain groups needs more
// than the 1024 bytes the test reads.
std::string ManyGroups(int count) {
    std::string list = "S-1-5-32-544";
    for (int i = 0; i < count; ++i) list += ",S-1-5-21-1-2-3-" + std::to_string(1000 + i);
    return list;
}

TEST_F(IsAdministratorTest, LooksForTheAdministratorsGroupInTheToken) {
    const AdministratorCase cases[] = {
        {"[Machine]\nFamily=9x\nAdministrator=0\n", true},
        {"[Machine]\nAdministrator=1\n", true},
        {"[Machine]\nAdministrator=0\n", false},
        {"[Security]\nThreadToken=present\n", true},
        {"[Security]\nThreadToken=5\n", false},  // only a missing thread token falls back
        {"[Security]\nGroups=S-1-1-0,S-1-5-32-544:deny\n", true},
        {"[Security]\nGroups=S-1-1-0,S-1-5-32-545\n", false},
        {"[Security]\nGroups=" + ManyGroups(27) + "\n", true},
        {"[Security]\nGroups=" + ManyGroups(28) + "\n", false},
    };
    for (const AdministratorCase& c : cases) {
        SCOPED_TRACE(c.ini);
        setMachineIni(c.ini);
        EXPECT_EQ(IsAdministrator(), c.administrator);
    }
}

struct RebootCase {
    const char* ini;
    const char* journal;
};

TEST_F(RebootWindowsTest, RequestsTheRestartWithTheShutdownPrivilege) {
    const RebootCase cases[] = {
        {"", "restart requested flags=7 privilege=enabled"},
        {"[Machine]\nAdministrator=0\n", "restart requested flags=7 privilege=enabled"},
        {"[Security]\nShutdownPrivilege=0\n", "restart requested flags=7 privilege=disabled refused=1314"},
        {"[Machine]\nFamily=9x\n", "restart requested flags=7 privilege=not-needed"},
    };
    for (const RebootCase& c : cases) {
        SCOPED_TRACE(c.ini);
        restartMachine(c.ini);
        RebootWindows();
        EXPECT_EQ(journal(), std::vector<std::string>{c.journal});
    }
}

}  // namespace
}  // namespace toolstest
