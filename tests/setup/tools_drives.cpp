// Drive routines of the unit Tools and the temporary-directory search,
// against drives declared in machine.ini.
#include "Machine.h"
#include "MachineFixture.h"
#include "Tools.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

using testsupport::MachineTest;

class ToolsDrives : public MachineTest {};

// Drive D: with the four free-space numbers given.
std::string DriveD(const std::string& free, const std::string& type = "fixed") {
    return "[Drive D]\nType=" + type + "\nFolder=drives/D\nFree=" + free + "\n";
}

struct FreeCase {
    const char* free;  // sectors per cluster, bytes per sector, free, total
    uint32_t expected;
};

TEST_F(ToolsDrives, DiskFreeBytesSaturatesToWholeClusters) {
    const FreeCase cases[] = {
        {"8,512,1000,2000", 4096000u},
        {"8,512,0,2000", 0u},                         // full disk
        {"8,512,1048575,2000000", 4294963200u},       // one cluster below 4 GiB
        {"8,512,1048576,2000000", 4294963200u},       // exactly 4 GiB
        {"8,512,2000000,3000000", 4294963200u},       // far above
        {"3,512,3000000,3000000", 4294966272u},       // 1536-byte clusters
        {"1,512,8388607,8388608", 4294966784u},       // fits exactly
        {"64,65536,100000,100000", 4294967296u - 4194304u},
        {"65536,65536,1,1", 0u},                      // one cluster beyond 32 bits
    };
    for (const FreeCase& c : cases) {
        setMachineIni(DriveD(c.free));
        EXPECT_EQ(DiskFreeBytes('D'), c.expected) << "Free=" << c.free;
    }
}

TEST_F(ToolsDrives, DiskFreeBytesOfAMissingDriveIsZeroWithoutABox) {
    setMachineIni("[Drive A]\nType=removable\n");  // no medium
    const std::string journal = machineDir + "/journal.log";
    const std::string before = testsupport::readHostFile(journal);

    EXPECT_EQ(DiskFreeBytes('Q'), 0u);
    win::setErrorMode(0);
    EXPECT_FALSE(IsDriveReady('Q'));
    EXPECT_FALSE(IsDriveReady('A'));
    EXPECT_EQ(win::setErrorMode(0), 0u) << "error mode restored";
    EXPECT_EQ(testsupport::readHostFile(journal), before) << "no critical-error box";

    DiskFreeBytes('A');  // the same probe without the error mode
    EXPECT_NE(testsupport::readHostFile(journal), before);
}

struct ReadyCase {
    const char* drive;  // machine.ini section for D:
    bool ready;
};

TEST_F(ToolsDrives, DriveIsReadyOnlyWithFreeSpace) {
    const ReadyCase cases[] = {
        {"[Drive D]\nType=fixed\nFolder=drives/D\nFree=8,512,10,20\n", true},
        {"[Drive D]\nType=fixed\nFolder=drives/D\nFree=8,512,0,20\n", false},   // full
        {"[Drive D]\nType=cdrom\nFolder=drives/D\nFree=1,2048,0,300\n", false},  // a CD
        {"[Drive D]\nType=removable\n", false},                                // no floppy in it
        {"", false},                                                          // no drive D:
    };
    for (const ReadyCase& c : cases) {
        setMachineIni(c.drive);
        EXPECT_EQ(IsDriveReady('D'), c.ready) << c.drive;
    }
}

struct TypeCase {
    const char* type;
    bool usable;
    bool localFixed;
};

TEST_F(ToolsDrives, DriveKindsForTempAndFixedDriveSearch) {
    const TypeCase cases[] = {
        {"fixed", true, true},    {"ramdisk", true, true},  {"removable", true, false},
        {"remote", true, false},  {"cdrom", false, false},
    };
    for (const TypeCase& c : cases) {
        setMachineIni(DriveD("8,512,10,20", c.type));
        EXPECT_EQ(IsUsableDrive('D'), c.usable) << c.type;
        EXPECT_EQ(IsLocalFixedDrive('D'), c.localFixed) << c.type;
    }
    EXPECT_FALSE(IsUsableDrive('Q')) << "no root directory";
    EXPECT_FALSE(IsLocalFixedDrive('Q'));
}

// ---------------------------------------------------------------- FindTempDir

class ToolsTempDir : public MachineTest {
protected:
    // The temporary directory D:\Temp\ on a drive with the free space given
    // (5,000,000 bytes are 78125 clusters of 64 bytes).
    void tempOnD(const std::string& freeClusters, const std::string& type = "fixed") {
        setMachineIni("[Machine]\nTempDir=D:\\Temp\\\n" + DriveD("1,64," + freeClusters + ",100000", type));
        fs::create_directories(tempHost());
    }
    std::string tempHost() const { return machineDir + "/drives/D/Temp"; }
};

TEST_F(ToolsTempDir, NeedsStrictlyMoreThanTheMinimum) {
    tempOnD("78125");
    ASSERT_EQ(DiskFreeBytes('D'), 5000000u);
    EXPECT_EQ(FindTempDir(5000000), "");
    EXPECT_EQ(FindTempDir(4999999), "D:\\Temp\\");

    tempOnD("78126");
    EXPECT_EQ(FindTempDir(5000000), "D:\\Temp\\");
    EXPECT_FALSE(fs::exists(tempHost() + "/TESTDIR")) << "the probe is removed again";
}

TEST_F(ToolsTempDir, LeftoverProbeFailsOnceAndIsCleared) {
    tempOnD("100000");
    fs::create_directories(tempHost() + "/testdir");
    EXPECT_EQ(FindTempDir(5000000), "");
    EXPECT_FALSE(fs::exists(tempHost() + "/testdir"));
    EXPECT_EQ(FindTempDir(5000000), "D:\\Temp\\");
}

TEST_F(ToolsTempDir, UnusableTemporaryDirectoriesGiveNothing) {
    tempOnD("100000", "cdrom");
    EXPECT_EQ(FindTempDir(0), "") << "CD-ROM";

    tempOnD("100000");
    fs::remove_all(tempHost());
    EXPECT_EQ(FindTempDir(0), "") << "missing directory";

    setMachineIni("[Machine]\nTempDir=\n");
    EXPECT_EQ(FindTempDir(0), "") << "no temporary directory";

    setMachineIni("[Machine]\nTempDir=D:\\Temp\\\n" + DriveD("1,64,100000,100000") + "WriteProtect=1\n");
    fs::create_directories(tempHost());
    EXPECT_EQ(FindTempDir(0), "") << "write-protected";
}

TEST_F(ToolsTempDir, ProbeBeyondThePathLimitFails) {
    // The directory itself is within the limit, its probe is not.
    const std::string name(247, 'a');
    const std::string dir = "D:\\Temp\\" + name;
    setMachineIni("[Machine]\nTempDir=" + dir + "\\\n" + DriveD("1,64,100000,100000"));
    fs::create_directories(tempHost() + "/" + name);
    ASSERT_TRUE(win::directoryExists(dir));
    ASSERT_GE(dir.size() + 1 + 7, win::kMaxPath);
    EXPECT_EQ(FindTempDir(0), "");
}

}  // namespace
