// The uninstall record "uninstall.dat": load into the sorted list, save whole.
#include "Classes.h"
#include "MachineFixture.h"
#include "Win.h"
#include "fExec.h"

#include <gmock/gmock.h>

#include <filesystem>

namespace {

class UninstallRecord : public testsupport::MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        std::filesystem::create_directories(driveC() + "/Uninstal/Demo");
        list.SetSorted(true);
    }
    std::string recordHost() const { return driveC() + "/Uninstal/Demo/uninstall.dat"; }
    const std::string record = "C:\\Uninstal\\Demo\\uninstall.dat";
    // Where the new record is written before it replaces the old one.
    const std::string temporary = "C:\\Uninstal\\Demo\\uninstall.$$$";
    TStringList list;
};

TEST_F(UninstallRecord, LoadingMergesEarlierRunsInSortOrderWithoutDuplicates) {
    testsupport::writeHostFile(recordHost(), "#FILE#C:\\B.DLL\r\n#file#c:\\b.dll\r\n#FILE#C:\\A.DLL\r\n");
    list.Add("#UninstallKey#Demo");
    ASSERT_TRUE(LoadUninstallData(list, record));
    list.Add("#FILE#C:\\A.DLL");
    list.Add("#FILE#C:\\C.DLL");
    ASSERT_TRUE(SaveUninstallData(list, record));
    EXPECT_EQ(testsupport::readHostFile(recordHost()), "#FILE#C:\\A.DLL\r\n#FILE#C:\\B.DLL\r\n#FILE#C:\\C.DLL\r\n");
}

TEST_F(UninstallRecord, UnreadableRecordIsReportedNotReplaced) {
    testsupport::writeHostFile(recordHost(), "#FILE#C:\\A.DLL\r\n");
    setMachineIni("[Faults]\n" + record + "=unreadable\n");
    EXPECT_FALSE(LoadUninstallData(list, record));
}

TEST_F(UninstallRecord, FailedSaveLeavesTheEarlierRecordWhole) {
    testsupport::writeHostFile(recordHost(), "#FILE#C:\\A.DLL\r\n");
    setMachineIni("[Faults]\n" + temporary + "=disk-full\n[FaultLimits]\n" + temporary + "=4\n");
    list.Add("#FILE#C:\\B.DLL");
    EXPECT_FALSE(SaveUninstallData(list, record));
    EXPECT_EQ(testsupport::readHostFile(recordHost()), "#FILE#C:\\A.DLL\r\n");
    EXPECT_FALSE(std::filesystem::exists(driveC() + "/Uninstal/Demo/uninstall.$$$"));
}

TEST_F(UninstallRecord, ReadOnlyRecordIsNotReplaced) {
    testsupport::writeHostFile(recordHost(), "#FILE#C:\\A.DLL\r\n");
    ASSERT_TRUE(win::setFileAttributes(record, win::ATTR_READONLY));
    list.Add("#FILE#C:\\B.DLL");
    EXPECT_FALSE(SaveUninstallData(list, record));
    EXPECT_EQ(testsupport::readHostFile(recordHost()), "#FILE#C:\\A.DLL\r\n");
    EXPECT_FALSE(std::filesystem::exists(driveC() + "/Uninstal/Demo/uninstall.$$$"));
}

}  // namespace
