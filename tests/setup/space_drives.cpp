// FindDirOnFixedDrives: the proposed program directory looked for on the
// local fixed drives C: to Z:, with the current directory put back.
#include "MachineFixture.h"
#include "SysUtils.h"
#include "fInstall.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Fixed C: and D:, a CD in E:, a network drive F:, a RAM disk G: and a
// floppy with its disk in H:.
class FixedDrives : public testsupport::MachineTest {
protected:
    std::string machineIni() const override {
        return "[Machine]\nCurrentDrive=D\n"
               "[Drive D]\nType=fixed\nFolder=drives/D\nCurrentDir=\\Start\n"
               "[Drive E]\nType=cdrom\nFolder=drives/E\n"
               "[Drive F]\nType=remote\nFolder=drives/F\n"
               "[Drive G]\nType=ramdisk\nFolder=drives/G\n"
               "[Drive H]\nType=removable\nFolder=drives/H\n";
    }
    void SetUp() override {
        MachineTest::SetUp();
        for (const char* drive : {"C", "D/Start", "E", "F", "G", "H"}) fs::create_directories(machineDir + "/drives/" + drive);
        ASSERT_TRUE(SetCurrentDir("D:\\Start"));
    }
    void clearDrives() {
        for (const char* drive : {"C", "D", "E", "F", "G", "H"})
            for (const auto& entry : fs::directory_iterator(machineDir + "/drives/" + drive))
                if (entry.path().filename() != "Start") fs::remove_all(entry.path());
    }
};

struct FindCase {
    const char* what;
    std::vector<std::string> hostDirs;  // below drives/
    const char* path;
    const char* expected;
};

TEST_F(FixedDrives, FirstFixedDriveThatHoldsThePathWins) {
    const FindCase cases[] = {
        {"only on D:", {"D/Prog"}, "Prog", "D:\\Prog"},
        {"on C: and D:", {"C/Prog", "D/Prog"}, "Prog", "C:\\Prog"},
        {"deeper", {"C/Prog", "D/Prog/Tool"}, "Prog\\Tool", "D:\\Prog\\Tool"},
        {"a RAM disk counts", {"G/Prog"}, "Prog", "G:\\Prog"},
        {"a CD does not", {"E/Prog"}, "Prog", ""},
        {"a network drive does not", {"F/Prog"}, "Prog", ""},
        {"a floppy does not", {"H/Prog"}, "Prog", ""},
        {"nowhere", {}, "Prog", ""},
        {"no path: the first fixed drive's root", {}, "", "C:\\"},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.what);
        clearDrives();
        for (const std::string& dir : c.hostDirs) fs::create_directories(machineDir + "/drives/" + dir);

        EXPECT_EQ(FindDirOnFixedDrives(c.path), c.expected);
        EXPECT_EQ(GetCurrentDir(), "D:\\Start") << "the current directory is put back";
    }
}

TEST_F(FixedDrives, AFileOfThatNameIsNoDirectory) {
    testsupport::writeHostFile(machineDir + "/drives/C/Prog", "eine Datei");
    fs::create_directories(machineDir + "/drives/D/Prog");

    EXPECT_EQ(FindDirOnFixedDrives("Prog"), "D:\\Prog");
    EXPECT_EQ(GetCurrentDir(), "D:\\Start");
}

}  // namespace
