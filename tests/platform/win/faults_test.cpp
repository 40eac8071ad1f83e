// Faults a test injects per path: unreadable, refused write, full disk,
// read error; the drive-wide full disk; and the machine's own record files
// that cannot be rewritten.
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
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

// A record file of the machine folder that cannot be rewritten fails the
// operation that changes it, and the record stays as it was.
TEST_F(WinFaults, RecordFilesThatCannotBeRewrittenFailTheirOperationAndStayWhole) {
    const auto deleteService = [](const char* name) {
        const win::ScHandle manager = win::openServiceManager("", win::SC_MANAGER_ALL_ACCESS);
        const win::ScHandle service = win::openService(manager, name, win::SERVICE_ALL_ACCESS);
        const bool deleted = win::deleteService(service);
        const uint32_t error = win::lastError();
        win::closeServiceHandle(service);
        win::closeServiceHandle(manager);
        win::setLastError(error);
        return deleted;
    };
    const struct {
        const char* record;
        std::function<void()> prepare;
        std::function<bool()> change;
    } cases[] = {
        {"attributes.txt", [] { win::setFileAttributes("C:\\DATA\\SRC.BIN", win::ATTR_READONLY); },
         [] { return win::setFileAttributes("C:\\DATA\\SRC.BIN", win::ATTR_HIDDEN); }},
        {"registry.reg",
         [] {
             win::regOpenKey(win::RegRoot::LocalMachine, "SOFTWARE\\Alt", true, true);
             win::regWriteString(win::RegRoot::LocalMachine, "SOFTWARE\\Alt", "a", "1");
         },
         [] {
             win::setLastError(win::regWriteString(win::RegRoot::LocalMachine, "SOFTWARE\\Alt", "b", "2"));
             return win::lastError() == win::ERR_SUCCESS;
         }},
        {"services.ini", [this] { testsupport::writeHostFile(machineDir + "/services.ini", "[Lumbast]\n[Fremd]\n"); },
         [&] { return deleteService("Lumbast"); }},
        {"bootmoves.txt", [] { win::moveFileOnReboot("C:\\DATA\\SRC.BIN", "C:\\DATA\\A.BIN", win::MOVEFILE_DELAY_UNTIL_REBOOT); },
         [] { return win::moveFileOnReboot("C:\\DATA\\SRC.BIN", "C:\\DATA\\B.BIN", win::MOVEFILE_DELAY_UNTIL_REBOOT); }},
        {"machine.ini", [] {}, [] { return win::machine::setValue("InUse", "C:\\DATA\\SRC.BIN", "1"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record);
        const std::string record = machineDir + "/" + c.record;
        c.prepare();
        setMachineIni("[Faults]\n" + record + "=disk-full\n[FaultLimits]\n" + record + "=3\n");
        const std::string before = testsupport::readHostFile(record);
        EXPECT_FALSE(c.change());
        EXPECT_EQ(win::lastError(), win::ERR_DISK_FULL);
        EXPECT_EQ(testsupport::readHostFile(record), before);
        for (const auto& entry : std::filesystem::directory_iterator(machineDir))
            EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
    std::string value;
    EXPECT_FALSE(win::regReadString(win::RegRoot::LocalMachine, "SOFTWARE\\Alt", "b", value))
        << "the registry never reports a value its file does not hold";
}

}  // namespace
