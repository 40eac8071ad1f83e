// Drives as machine.ini declares them: kinds, media, exact free space and
// the system box that a probe of an empty drive would show.
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

class WinDrives : public testsupport::MachineTest {
protected:
    std::string journal() const { return testsupport::readHostFile(machineDir + "/journal.log"); }
};

struct FreeCase {
    const char* free;
    win::DiskFree expected;
    uint64_t freeBytes;
};

TEST_F(WinDrives, FreeSpaceIsAnsweredExactlyAsConfigured) {
    const FreeCase cases[] = {
        {"1,64,78125,100000", {1, 64, 78125, 100000}, 5'000'000ull},
        {"8,512,2000000,3000000", {8, 512, 2000000, 3000000}, 8'192'000'000ull},  // beyond 4 GiB
        {"64,65536,4294967295,4294967295", {64, 65536, 4294967295u, 4294967295u}, 18'014'398'505'287'680ull},
        {" 8 , 512 , 0 , 20 ", {8, 512, 0, 20}, 0},
    };
    for (const FreeCase& c : cases) {
        setMachineIni(std::string("[Drive D]\nFolder=drives/D\nFree=") + c.free + "\n");
        win::DiskFree free;
        ASSERT_TRUE(win::diskFreeSpace("D:\\", free)) << c.free;
        EXPECT_EQ(free.sectorsPerCluster, c.expected.sectorsPerCluster) << c.free;
        EXPECT_EQ(free.bytesPerSector, c.expected.bytesPerSector) << c.free;
        EXPECT_EQ(free.freeClusters, c.expected.freeClusters) << c.free;
        EXPECT_EQ(free.totalClusters, c.expected.totalClusters) << c.free;
        EXPECT_EQ(uint64_t{free.sectorsPerCluster} * free.bytesPerSector * free.freeClusters, c.freeBytes) << c.free;
    }
}

TEST_F(WinDrives, FreeSpaceIsReadOnEveryCall) {
    setMachineIni("[Drive D]\nFolder=drives/D\nFree=1,512,10,20\n");
    win::DiskFree free;
    ASSERT_TRUE(win::diskFreeSpace("D:\\", free));
    EXPECT_EQ(free.freeClusters, 10u);
    win::machine::setValue("Drive D", "Free", "1,512,3,20");
    ASSERT_TRUE(win::diskFreeSpace("d:\\", free));
    EXPECT_EQ(free.freeClusters, 3u);
    win::machine::setValue("Drive D", "Free", "");
    ASSERT_TRUE(win::diskFreeSpace("D:\\", free)) << "the host's figures";
    EXPECT_GT(free.totalClusters, 0u);
}

TEST_F(WinDrives, ADriveWithoutMediumIsNotReadyAndHasNoFreeSpace) {
    setMachineIni("[Drive A]\nType=removable\n[Drive E]\nType=cdrom\nFolder=cd\n");
    EXPECT_EQ(win::driveType("A:\\"), uint32_t{win::DRIVE_TYPE_REMOVABLE});
    win::DiskFree free;
    for (const char* root : {"A:\\", "E:\\"}) {
        EXPECT_FALSE(win::diskFreeSpace(root, free)) << root;
        EXPECT_EQ(win::lastError(), win::ERR_NOT_READY) << root;
        EXPECT_FALSE(win::fileExists(std::string(root) + "INST.ALL")) << root;
        EXPECT_EQ(win::lastError(), win::ERR_NOT_READY) << root;
        EXPECT_FALSE(win::setCurrentDirectory(root)) << root;
    }
    fs::create_directories(machineDir + "/cd");  // the disc goes in
    ASSERT_TRUE(win::diskFreeSpace("E:\\", free));
    EXPECT_EQ(free.freeClusters, 0u) << "a pressed disc";
    EXPECT_FALSE(win::diskFreeSpace("Q:\\", free));
    EXPECT_EQ(win::lastError(), win::ERR_PATH_NOT_FOUND);
}

TEST_F(WinDrives, AProbeOfAnEmptyDriveShowsABoxUnlessTheErrorModeSuppressesIt) {
    setMachineIni("[Drive A]\nType=removable\n");
    win::DiskFree free;
    EXPECT_EQ(win::setErrorMode(win::SEM_FAILCRITICALERRORS | win::SEM_NOOPENFILEERRORBOX), 0u);
    EXPECT_FALSE(win::diskFreeSpace("A:\\", free));
    EXPECT_FALSE(win::fileExists("A:\\INST.ALL"));
    EXPECT_EQ(journal(), "");
    EXPECT_EQ(win::setErrorMode(0), uint32_t{win::SEM_FAILCRITICALERRORS | win::SEM_NOOPENFILEERRORBOX});
    EXPECT_FALSE(win::diskFreeSpace("A:\\", free));
    EXPECT_FALSE(win::fileExists("A:\\INST.ALL"));
    EXPECT_EQ(journal(), "0001 critical-error box\n0002 critical-error box\n");
}

struct TypeCase {
    const char* section;
    uint32_t type;
};

TEST_F(WinDrives, TypesAndTheMappedLetters) {
    const TypeCase cases[] = {
        {"", win::DRIVE_TYPE_NO_ROOT_DIR},
        {"Type=fixed\nFolder=d", win::DRIVE_TYPE_FIXED},
        {"Type=Removable", win::DRIVE_TYPE_REMOVABLE},
        {"Type=CDROM", win::DRIVE_TYPE_CDROM},
        {"Type=remote\nFolder=d", win::DRIVE_TYPE_REMOTE},
        {"Type=ramdisk\nFolder=d", win::DRIVE_TYPE_RAMDISK},
        {"Type=none", win::DRIVE_TYPE_NO_ROOT_DIR},
        {"Type=tape", win::DRIVE_TYPE_UNKNOWN},
    };
    for (const TypeCase& c : cases) {
        setMachineIni(*c.section ? std::string("[Drive D]\n") + c.section + "\n" : "");
        EXPECT_EQ(win::driveType("D:\\"), c.type) << c.section;
        EXPECT_EQ((win::logicalDrives() >> 3) & 1u, c.type == win::DRIVE_TYPE_NO_ROOT_DIR ? 0u : 1u) << c.section;
        EXPECT_EQ(win::logicalDrives() & ~(1u << 3), 1u << 2) << "C: is always there";
    }
    setMachineIni("[Drive C]\nType=none\n[Drive D]\nFolder=d\nLabel=DISK1\n");
    EXPECT_EQ(win::logicalDrives(), 1u << 3);
    EXPECT_EQ(win::volumeLabel("D:\\"), "DISK1");
}

TEST_F(WinDrives, FixedDrivesGetTheirFolderAndAbsoluteFoldersWork) {
    const std::string elsewhere = machineDir + "/elsewhere";
    setMachineIni("[Drive D]\nFolder=drives/D\n[Drive F]\nFolder=" + elsewhere + "\n");
    EXPECT_TRUE(win::writeWholeFile("D:\\X.TXT", "d"));
    EXPECT_TRUE(win::writeWholeFile("F:\\Y.TXT", "f"));
    EXPECT_EQ(testsupport::readHostFile(machineDir + "/drives/D/X.TXT"), "d");
    EXPECT_EQ(testsupport::readHostFile(elsewhere + "/Y.TXT"), "f");
}

}  // namespace
