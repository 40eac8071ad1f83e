// Faults a test injects per path: unreadable, refused write, full disk,
// read error; and the drive-wide full disk.
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class WinFaults : public testsupport::MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        testsupport::writeHostFile(driveC() + "/DATA/SRC.BIN", std::string(5000, 's'));
    }
};

TEST_F(WinFaults, UnreadableAndRefusedWrite) {
    testsupport::writeHostFile(driveC() + "/DATA/A.BIN", "a");
    testsupport::writeHostFile(driveC() + "/DATA/B.BIN", "b");
    setMachineIni("[Faults]\nC:\\DATA\\A.BIN=unreadable\n" + driveC() + "/DATA/B.BIN=refuse-write\n");
    std::string content;
    EXPECT_FALSE(win::readWholeFile("C:\\DATA\\A.BIN", content));
    EXPECT_EQ(win::lastError(), win::ERR_ACCESS_DENIED);
    EXPECT_FALSE(win::copyFile("C:\\DATA\\A.BIN", "C:\\DATA\\COPY.BIN", false));
    EXPECT_TRUE(win::writeWholeFile("C:\\DATA\\A.BIN", "new")) << "writing it is allowed";

    EXPECT_TRUE(win::readWholeFile("c:\\data\\b.bin", content)) << "a fault named by its host path";
    EXPECT_FALSE(win::writeWholeFile("C:\\DATA\\B.BIN", "x"));
    EXPECT_EQ(win::lastError(), win::ERR_ACCESS_DENIED);
    EXPECT_FALSE(win::copyFile("C:\\DATA\\SRC.BIN", "C:\\DATA\\B.BIN", false));
    EXPECT_EQ(testsupport::readHostFile(driveC() + "/DATA/B.BIN"), "b");
}

TEST_F(WinFaults, DiskFullStopsWritesAfterTheLimit) {
    setMachineIni("[Faults]\nC:\\DATA\\OUT.BIN=disk-full\nC:\\DATA\\COPY.BIN=disk-full\n"
                  "[FaultLimits]\nC:\\DATA\\OUT.BIN=1000\n");
    std::unique_ptr<win::File> f = win::openFile("C:\\DATA\\OUT.BIN", win::OpenMode::Create);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->write(std::string(600, 'x').data(), 600), 600u);
    EXPECT_FALSE(f->failed());
    EXPECT_EQ(f->write(std::string(600, 'y').data(), 600), 400u) << "a short write";
    EXPECT_TRUE(f->failed());
    EXPECT_EQ(win::lastError(), win::ERR_DISK_FULL);
    EXPECT_FALSE(f->close());
    EXPECT_EQ(testsupport::readHostFile(driveC() + "/DATA/OUT.BIN").size(), 1000u);

    EXPECT_FALSE(win::copyFile("C:\\DATA\\SRC.BIN", "C:\\DATA\\COPY.BIN", false)) << "no limit: nothing fits";
    EXPECT_EQ(win::lastError(), win::ERR_DISK_FULL);
    EXPECT_FALSE(win::fileExists("C:\\DATA\\COPY.BIN")) << "the partial copy is removed";
}

TEST_F(WinFaults, ReadErrorAfterTheLimit) {
    setMachineIni("[Faults]\nC:\\DATA\\SRC.BIN=read-error\n[FaultLimits]\nC:\\DATA\\SRC.BIN=4096\n");
    std::unique_ptr<win::File> f = win::openFile("C:\\DATA\\SRC.BIN", win::OpenMode::Read);
    ASSERT_TRUE(f);
    char buffer[3000];
    EXPECT_EQ(f->read(buffer, sizeof buffer), 3000u);
    EXPECT_FALSE(f->failed());
    EXPECT_EQ(f->read(buffer, sizeof buffer), 1096u);
    EXPECT_TRUE(f->failed());
    EXPECT_EQ(win::lastError(), win::ERR_READ_FAULT);
    std::string content;
    EXPECT_FALSE(win::readWholeFile("C:\\DATA\\SRC.BIN", content));
    EXPECT_FALSE(win::copyFile("C:\\DATA\\SRC.BIN", "C:\\DATA\\COPY.BIN", false));
    EXPECT_EQ(win::lastError(), win::ERR_READ_FAULT);
}

TEST_F(WinFaults, ReadErrorNeverStrikesAFileThatEndsAtTheLimit) {
    const std::string size = std::to_string(testsupport::readHostFile(driveC() + "/DATA/SRC.BIN").size());
    setMachineIni("[Faults]\nC:\\DATA\\SRC.BIN=read-error\n[FaultLimits]\nC:\\DATA\\SRC.BIN=" + size + "\n");
    std::string content;
    EXPECT_TRUE(win::readWholeFile("C:\\DATA\\SRC.BIN", content));
    EXPECT_EQ(std::to_string(content.size()), size);
}

TEST_F(WinFaults, AFullDriveTakesNoBytes) {
    setMachineIni("[Drive C]\nFull=1\n");
    std::unique_ptr<win::File> log = win::openFile("C:\\DATA\\INSTALL.LOG", win::OpenMode::Append);
    ASSERT_TRUE(log) << "the file can be made";
    EXPECT_EQ(log->write("line\r\n", 6), 0u);
    EXPECT_FALSE(log->close());
    EXPECT_EQ(win::lastError(), win::ERR_DISK_FULL);
}

}  // namespace
