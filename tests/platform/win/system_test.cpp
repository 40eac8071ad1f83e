// The machine's system answers: defaults of an empty machine.ini, the two
// families, environment, identity, messages, the machine folder.
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace {

using testsupport::MachineTest;

class WinSystem : public MachineTest {};

TEST_F(WinSystem, AnEmptyMachineIniIsAWorkingNtMachine) {
    EXPECT_EQ(win::platformId(), win::Platform::WinNT);
    EXPECT_TRUE(win::isAdministratorMember());
    EXPECT_EQ(win::windowsDirectory(), "C:\\WINDOWS");
    EXPECT_EQ(win::systemDirectory(), "C:\\WINDOWS\\SYSTEM32");
    EXPECT_EQ(win::tempPath(), "C:\\TEMP\\");
    EXPECT_TRUE(win::directoryExists("C:\\TEMP")) << "the promised directories exist";
    EXPECT_TRUE(win::directoryExists("C:\\WINDOWS\\SYSTEM32"));
    EXPECT_EQ(win::driveType("C:\\"), uint32_t{win::DRIVE_TYPE_FIXED});
    EXPECT_EQ(win::moduleFileName(), "C:\\SETUP\\SETUP.EXE");
    EXPECT_EQ(win::environmentVariable("WINDIR"), "C:\\WINDOWS");
    EXPECT_EQ(win::environmentVariable("temp"), "C:\\TEMP");
    EXPECT_EQ(win::environmentVariable("HOME"), "") << "never the host's environment";
    EXPECT_EQ(win::environmentVariable("PATH"), "");
    EXPECT_EQ(win::hostAddresses(), std::vector<std::string>{"192.168.1.10"});
}

struct FamilyCase {
    const char* ini;
    win::Platform family;
    bool administrator;
    const char* systemDir;
    bool commonFolders;
};

TEST_F(WinSystem, FamiliesAndTheirDefaults) {
    const FamilyCase cases[] = {
        {"", win::Platform::WinNT, true, "C:\\WINDOWS\\SYSTEM32", true},
        {"[Machine]\nAdministrator=0\n", win::Platform::WinNT, false, "C:\\WINDOWS\\SYSTEM32", true},
        {"[Machine]\nFamily=9x\nAdministrator=0\n", win::Platform::Win9x, true, "C:\\WINDOWS\\SYSTEM", false},
        {"[Machine]\nFamily=9x\nWindowsDir=D:\\WIN\n", win::Platform::Win9x, true, "D:\\WIN\\SYSTEM", false},
    };
    for (const FamilyCase& c : cases) {
        setMachineIni(c.ini);
        EXPECT_EQ(win::platformId(), c.family) << c.ini;
        EXPECT_EQ(win::isAdministratorMember(), c.administrator) << c.ini;
        EXPECT_EQ(win::systemDirectory(), c.systemDir) << c.ini;
        for (int csidl : {23, 24, 25}) EXPECT_EQ(win::specialFolder(csidl).has_value(), c.commonFolders) << csidl;
        for (int csidl : {0, 2, 7, 16}) EXPECT_TRUE(win::specialFolder(csidl)) << csidl;
    }
    EXPECT_EQ(win::specialFolder(2), "D:\\WIN\\Startmen\xFC\\Programme");
}

TEST_F(WinSystem, ConfiguredAnswersAndFailures) {
    setMachineIni(
        "[Machine]\nWindowsDir=\nTempDir=\nComputerName=\nHostAddress=10.1.1.1, 10.2.2.2\nUserName=Anna\n"
        "ProgramPath=D:\\SETUP.EXE\n"
        "[SpecialFolders]\n2=C:\\Menu\\\n16=\n"
        "[Environment]\nwindir=C:\\ELSEWHERE\nTEMP=\nPfad=\xC4\n");
    EXPECT_FALSE(win::windowsDirectory());
    EXPECT_FALSE(win::tempPath());
    EXPECT_FALSE(win::computerName());
    EXPECT_EQ(win::userName(), "Anna");
    EXPECT_EQ(win::hostAddresses(), (std::vector<std::string>{"10.1.1.1", "10.2.2.2"}));
    EXPECT_EQ(win::specialFolder(2), "C:\\Menu") << "no trailing backslash";
    EXPECT_FALSE(win::specialFolder(16));
    EXPECT_EQ(win::environmentVariable("WINDIR"), "C:\\ELSEWHERE") << "independent of the Windows directory";
    EXPECT_EQ(win::environmentVariable("Temp"), "");
    EXPECT_EQ(win::environmentVariable("PFAD"), "\xC4");
    EXPECT_EQ(win::moduleFileName(), "D:\\SETUP.EXE");
}

TEST_F(WinSystem, TemporaryDirectoryFromTheEnvironment) {
    setMachineIni("[Environment]\nTMP=D:\\T\n");
    EXPECT_EQ(win::tempPath(), "D:\\T\\");
}

TEST_F(WinSystem, CommandLineStartsWithTheProgramPath) {
    char arg0[] = "/usr/bin/setup";
    char arg1[] = "-temp=d:\\work";
    char arg2[] = "Gr\xC3\xBC\xC3\x9F" "e";  // UTF-8 from the host
    char* argv[] = {arg0, arg1, arg2};
    win::setCommandLine(3, argv);
    EXPECT_EQ(win::commandLine(), (std::vector<std::string>{"C:\\SETUP\\SETUP.EXE", "-temp=d:\\work", "Gr\xFC\xDF" "e"}));
}

TEST_F(WinSystem, SystemMessagesEndInCrLf) {
    for (uint32_t code : {win::ERR_FILE_NOT_FOUND, win::ERR_ACCESS_DENIED, win::ERR_SHARING_VIOLATION,
                          win::ERR_BAD_EXE_FORMAT, win::ERR_NO_TOKEN, win::ERR_DISK_FULL, win::ERR_NOT_READY}) {
        const std::string text = win::systemMessage(code);
        ASSERT_GE(text.size(), 3u) << code;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << code;
    }
    EXPECT_EQ(win::systemMessage(win::ERR_FILE_NOT_FOUND), "Das System kann die angegebene Datei nicht finden.\r\n");
    EXPECT_NE(win::systemMessage(2), win::systemMessage(3));
}

TEST_F(WinSystem, ExitProcessRunsTheHooksNewestFirst) {
    EXPECT_EXIT(
        {
            win::addExitHook([](int code) { std::fprintf(stderr, "first %d\n", code); });
            win::addExitHook([](int code) { std::fprintf(stderr, "second %d;", code); });
            win::exitProcess(3);
        },
        testing::ExitedWithCode(3), "second 3;first 3");
}

TEST(WinMachineFolder, TheDefaultFolderIsMadeOnFirstUse) {
    const std::string data = std::string(TEST_TMP_DIR) + "/xdg-" + std::to_string(::getpid());
    fs::remove_all(data);
    const char* saved = std::getenv("SETUP_MACHINE");
    const std::string keep = saved ? saved : "";
    ::unsetenv("SETUP_MACHINE");
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    win::machine::reload();
    EXPECT_EQ(win::machine::folder(), data + "/setup-machine");
    EXPECT_TRUE(fs::is_regular_file(data + "/setup-machine/machine.ini"));
    EXPECT_TRUE(win::directoryExists("C:\\WINDOWS"));
    EXPECT_TRUE(fs::is_directory(data + "/setup-machine/drives/C/WINDOWS"));
    if (saved) ::setenv("SETUP_MACHINE", keep.c_str(), 1);
    win::machine::reload();
    fs::remove_all(data);
}

}  // namespace

// Large buffers are whole and apart, also one given back and asked for again.
TEST(WinLargeBuffers, EveryByteIsTheBuffersOwn) {
    const std::size_t sizes[] = {1, (2 << 20) - 1, (2 << 20) + 1, 5 << 20};
    for (const std::size_t size : sizes) {
        for (int again = 0; again < 2; ++again) {
            auto* const a = static_cast<unsigned char*>(win::allocateLarge(size));
            auto* const b = static_cast<unsigned char*>(win::allocateLarge(size));
            ASSERT_TRUE(a && b) << size;
            std::fill_n(a, size, 0xA5);
            std::fill_n(b, size, 0x5A);
            EXPECT_EQ(std::count(a, a + size, 0xA5), std::ptrdiff_t(size)) << size;
            EXPECT_EQ(std::count(b, b + size, 0x5A), std::ptrdiff_t(size)) << size;
            win::freeLarge(a, size);
            win::freeLarge(b, size);
        }
    }
}
