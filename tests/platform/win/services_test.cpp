// The machine's Service Control Manager: names, rights, the scripted stop
// course on the virtual clock, deletion, the journal.
#include "Machine.h"
#include "MachineFixture.h"
#include "Win.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testsupport::readHostFile;
using testsupport::writeHostFile;

class Services : public testsupport::MachineTest {
protected:
    void install(const std::string& servicesIni) { writeHostFile(machineDir + "/services.ini", servicesIni); }
    std::string database() const { return readHostFile(machineDir + "/services.ini"); }

    std::vector<std::string> serviceJournal() const {
        std::vector<std::string> lines;
        std::istringstream in(readHostFile(machineDir + "/journal.log"));
        for (std::string line; std::getline(in, line);)
            if (line.find(" service ") != std::string::npos) lines.push_back(line.substr(line.find(' ') + 1));
        return lines;
    }

    // Opens the service with all access, as an administrator does.
    win::ScHandle open(const std::string& name, uint32_t access = win::SERVICE_ALL_ACCESS) {
        manager = win::openServiceManager("", win::SC_MANAGER_ALL_ACCESS);
        EXPECT_NE(manager, win::ScHandle::None);
        return win::openService(manager, name, access);
    }

    std::optional<uint32_t> state(win::ScHandle service) {
        uint32_t s = 0;
        if (!win::queryServiceStatus(service, s)) return std::nullopt;
        return s;
    }

    win::ScHandle manager = win::ScHandle::None;
};

TEST_F(Services, NamesMatchIgnoringCaseButBlanksCount) {
    install("[one]\nName=\"Blt_vask \"\n[Blt_vask7]\n");
    const win::ScHandle manager = win::openServiceManager("ServicesActive", win::SC_MANAGER_CONNECT);
    ASSERT_NE(manager, win::ScHandle::None);
    const struct {
        const char* name;
        bool found;
    } cases[] = {
        {"Blt_vask ", true}, {"BLT_VASK ", true}, {"Blt_vask", false}, {"blt_vask7", true}, {"Blt_vask07", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const win::ScHandle service = win::openService(manager, c.name, win::SERVICE_QUERY_STATUS);
        EXPECT_EQ(service != win::ScHandle::None, c.found);
        if (c.found) {
            EXPECT_TRUE(win::closeServiceHandle(service));
        } else {
            EXPECT_EQ(win::lastError(), win::ERR_SERVICE_DOES_NOT_EXIST);
        }
    }
    EXPECT_TRUE(win::closeServiceHandle(manager));
    EXPECT_EQ(win::machine::openServiceHandles(), 0);
}

TEST_F(Services, DisplayNameGivesTheKeyNameWhenTheBufferHoldsIt) {
    install("[Lumbast]\nDisplayName=Brimlund Lumbast Dienst\n");
    const win::ScHandle manager = win::openServiceManager("", win::SC_MANAGER_CONNECT);
    std::string key;
    EXPECT_TRUE(win::serviceKeyName(manager, "brimlund lumbast dienst", 1024, key));
    EXPECT_EQ(key, "Lumbast");
    EXPECT_FALSE(win::serviceKeyName(manager, "Brimlund Lumbast Dienst", 7, key));  // 7 letters and the zero
    EXPECT_EQ(win::lastError(), win::ERR_INSUFFICIENT_BUFFER);
    EXPECT_FALSE(win::serviceKeyName(manager, "Lumbast", 1024, key));  // a key name is no display name here
    EXPECT_EQ(win::lastError(), win::ERR_SERVICE_DOES_NOT_EXIST);
}

TEST_F(Services, Windows9xHasNoManager) {
    setMachineIni("[Machine]\nFamily=9x\n");
    install("[Lumbast]\n");
    EXPECT_EQ(win::openServiceManager("ServicesActive", win::SC_MANAGER_CONNECT), win::ScHandle::None);
    EXPECT_EQ(win::lastError(), win::ERR_CALL_NOT_IMPLEMENTED);
}

TEST_F(Services, UserWithoutAdministratorRightsMayOnlyConnectAndQuery) {
    setMachineIni("[Machine]\nAdministrator=0\n");
    install("[Lumbast]\n");
    EXPECT_EQ(win::openServiceManager("", win::SC_MANAGER_ALL_ACCESS), win::ScHandle::None);
    EXPECT_EQ(win::lastError(), win::ERR_ACCESS_DENIED);

    const win::ScHandle manager = win::openServiceManager("ServicesActive", win::SC_MANAGER_CONNECT);
    ASSERT_NE(manager, win::ScHandle::None);
    EXPECT_EQ(win::openService(manager, "Lumbast", win::SERVICE_ALL_ACCESS), win::ScHandle::None);
    EXPECT_EQ(win::lastError(), win::ERR_ACCESS_DENIED);
    const win::ScHandle service = win::openService(manager, "Lumbast", win::SERVICE_QUERY_STATUS);
    ASSERT_NE(service, win::ScHandle::None);
    EXPECT_EQ(state(service), win::SERVICE_RUNNING);
    // A handle opened for querying is no handle for deleting.
    EXPECT_FALSE(win::deleteService(service));
    EXPECT_EQ(win::lastError(), win::ERR_ACCESS_DENIED);
    EXPECT_NE(database().find("[Lumbast]"), std::string::npos);
}

struct CourseCase {
    const char* what;
    const char* course;
    std::vector<std::pair<uint32_t, uint32_t>> statesAt;  // milliseconds after the request, state
};

TEST_F(Services, AcceptedStopFollowsTheScriptedCourseOnTheClock) {
    const CourseCase cases[] = {
        {"stops at once", "", {{0, win::SERVICE_STOPPED}}},
        {"pending at once, stopped after 10 s",
         "PendingAfter=0\nStoppedAfter=10000\n",
         {{0, win::SERVICE_STOP_PENDING}, {9999, win::SERVICE_STOP_PENDING}, {10000, win::SERVICE_STOPPED}}},
        {"running for 2 s, then pending for ever",
         "PendingAfter=2000\nStoppedAfter=never\n",
         {{0, win::SERVICE_RUNNING}, {2000, win::SERVICE_STOP_PENDING}, {600000, win::SERVICE_STOP_PENDING}}},
        {"never leaves running",
         "PendingAfter=never\nStoppedAfter=never\n",
         {{0, win::SERVICE_RUNNING}, {600000, win::SERVICE_RUNNING}}},
    };
    for (const CourseCase& c : cases) {
        SCOPED_TRACE(c.what);
        setMachineIni("[Machine]\nTickStart=5000\n");
        install(std::string("[Lumbast]\nState=running\n") + c.course);
        const win::ScHandle service = open("Lumbast");
        uint32_t after = 0;
        ASSERT_TRUE(win::controlService(service, win::SERVICE_CONTROL_STOP, after));
        EXPECT_EQ(after, c.statesAt.front().second);
        uint32_t elapsed = 0;
        for (const auto& [at, expected] : c.statesAt) {
            win::sleep(at - elapsed);
            elapsed = at;
            EXPECT_EQ(state(service), expected) << at << " ms after the request";
        }
        EXPECT_NE(database().find("StopRequested=5000"), std::string::npos) << database();
    }
}

TEST_F(Services, RefusedStopsAreJournalledAndLeaveTheStateAlone) {
    install(
        "[Halted]\nState=stopped\n"
        "[Stubborn]\nAcceptStop=0\n"
        "[Pending]\nState=stop-pending\n");
    const struct {
        const char* name;
        uint32_t error;
        uint32_t state;
    } cases[] = {
        {"Halted", win::ERR_SERVICE_NOT_ACTIVE, win::SERVICE_STOPPED},
        {"Stubborn", win::ERR_SERVICE_CANNOT_ACCEPT_CTRL, win::SERVICE_RUNNING},
        {"Pending", win::ERR_SERVICE_CANNOT_ACCEPT_CTRL, win::SERVICE_STOP_PENDING},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const win::ScHandle service = open(c.name);
        uint32_t after = 0;
        EXPECT_FALSE(win::controlService(service, win::SERVICE_CONTROL_STOP, after));
        EXPECT_EQ(win::lastError(), c.error);
        win::sleep(60000);
        EXPECT_EQ(state(service), c.state);
    }
    EXPECT_EQ(serviceJournal(), (std::vector<std::string>{
                                    "service control name=\"Halted\" tick=0 control=1 refused=1062",
                                    "service control name=\"Stubborn\" tick=60000 control=1 refused=1061",
                                    "service control name=\"Pending\" tick=120000 control=1 refused=1061",
                                }));
    EXPECT_EQ(database().find("StopRequested"), std::string::npos);
}

TEST_F(Services, DeleteRemovesOnlyTheDatabaseEntry) {
    install("[First]\nState=stopped\n\n[Lumbast]\nState=stopped\nDisplayName=L\n\n[Last]\n");
    writeHostFile(machineDir + "/registry.reg",
                  "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Lumbast]\r\n"
                  "\"Start\"=dword:00000002\r\n");
    const win::ScHandle service = open("lumbast");
    ASSERT_TRUE(win::deleteService(service));
    EXPECT_EQ(database(), "[First]\nState=stopped\n\n[Last]\n");
    EXPECT_TRUE(win::regKeyExists(win::RegRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Services\\Lumbast"));
    // The handle outlives the entry; the service is gone.
    EXPECT_EQ(state(service), std::nullopt);
    EXPECT_EQ(win::openService(manager, "Lumbast", win::SERVICE_QUERY_STATUS), win::ScHandle::None);
    EXPECT_EQ(serviceJournal(), (std::vector<std::string>{"service delete name=\"Lumbast\" tick=0 deleted"}));
}

TEST_F(Services, ScriptedDeleteRefusal) {
    const struct {
        const char* value;
        uint32_t error;
    } cases[] = {{"1", win::ERR_ACCESS_DENIED}, {"1072", win::ERR_SERVICE_MARKED_FOR_DELETE}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        install(std::string("[Lumbast]\nDeleteRefused=") + c.value + "\n");
        EXPECT_FALSE(win::deleteService(open("Lumbast")));
        EXPECT_EQ(win::lastError(), c.error);
        EXPECT_NE(database().find("[Lumbast]"), std::string::npos);
    }
    EXPECT_EQ(serviceJournal().back(), "service delete name=\"Lumbast\" tick=0 refused=1072");
}

TEST_F(Services, ClosedHandlesAreGone) {
    install("[Lumbast]\n");
    const win::ScHandle service = open("Lumbast");
    EXPECT_EQ(win::machine::openServiceHandles(), 2);
    EXPECT_TRUE(win::closeServiceHandle(service));
    EXPECT_TRUE(win::closeServiceHandle(manager));
    EXPECT_EQ(win::machine::openServiceHandles(), 0);
    EXPECT_FALSE(win::closeServiceHandle(service));
    EXPECT_EQ(win::lastError(), win::ERR_INVALID_HANDLE);
    uint32_t s = 0;
    EXPECT_FALSE(win::queryServiceStatus(service, s));
}

}  // namespace
