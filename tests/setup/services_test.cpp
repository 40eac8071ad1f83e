// The removal of the product's services: the walk over the names, the
// questions, the stop with its waits on the virtual clock, the deletion and
// the ends of the setup; and the number texts the names are built with.
#include "CServiceMgr.h"
#include "Forms.h"
#include "ApplicationFixture.h"
#include "Machine.h"
#include "Win.h"
#include "headless/ScriptedUser.h"
#include "headless/Utf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testsupport::readHostFile;
using testsupport::writeHostFile;

const char* const kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";

std::string question(const std::string& name) {
    return "box style=33 caption=\"Brimlund Setup\" text=\"Zum Fortsetzen des Setup muss der Dienst\\n\\n" + name +
           "\\n\\nauf diesem PC beendet werden.\"";
}
const std::string kConfirmEnd =
    "box style=17 caption=\"Brimlund Setup\" text=\"Möchten Sie das Setup wirklich beenden?\\n\\n\"";
std::string failure(const std::string& name) {
    return "box style=16 caption=\"Brimlund Setup\" text=\"Setup kann den Dienst\\n\\n" + name +
           "\\n\\nnicht beenden und kann deshalb nicht weiter ausgeführt werden.\\n\\n\" answer=OK";
}

class ServiceRemoval : public testsupport::ApplicationTest {
protected:

    void install(const std::string& servicesIni) { writeHostFile(machineDir + "/services.ini", servicesIni); }
    std::string database() const { return readHostFile(machineDir + "/services.ini"); }

    // The service key of each name, with a sub-key as a real one has.
    void seedServiceKeys(const std::vector<std::string>& names) {
        std::string reg = "REGEDIT4\r\n";
        for (const std::string& name : names) {
            reg += "\r\n[HKEY_LOCAL_MACHINE\\" + std::string(kServicesKey) + name + "]\r\n\"Start\"=dword:00000002\r\n";
            reg += "\r\n[HKEY_LOCAL_MACHINE\\" + std::string(kServicesKey) + name + "\\Parameters]\r\n";
        }
        writeHostFile(machineDir + "/registry.reg", reg);
    }
    bool serviceKeyExists(const std::string& name) const {
        return win::regKeyExists(win::RegRoot::LocalMachine, kServicesKey + name);
    }

    // Transcript and journal as Windows-1252 lines without their numbers.
    std::vector<std::string> transcript() const { return numberedLines(machineDir + "/transcript.txt", ""); }
    std::vector<std::string> serviceJournal() const { return numberedLines(machineDir + "/journal.log", "service "); }
    int journalCount(const std::string& line) const {
        const std::vector<std::string> lines = numberedLines(machineDir + "/journal.log", "");
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }

    bool transcriptHas(const std::string& line) const {
        const std::vector<std::string> lines = transcript();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

private:
    static std::vector<std::string> numberedLines(const std::string& file, const std::string& prefix) {
        const std::string utf8 = readHostFile(file);
        std::istringstream in(forms::headless::utf8ToCp1252(utf8).value_or(utf8));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            const std::string text = line.substr(line.find(' ') + 1);
            if (text.rfind(prefix, 0) == 0) lines.push_back(text);
        }
        return lines;
    }
};

// ------------------------------------------------------------ the names

// Every name the walk handles, in its order.
std::vector<std::string> productServiceNames() {
    std::vector<std::string> names{"Blt_vask "};
    for (int n = 1; n <= 99; ++n) names.push_back("Blt_vask" + std::to_string(n));
    for (const char* name : {"Tarnox-Holmer", "Blt_Quisbel", "Blt_Dorvik", "Lumbast", "vorp-holmer",
                             "BLT-Tarnox-Holmer", "BLT-Quisbel", "BLT-Sefa-Trulmer", "BLT-Gorpinde", "BLT-Wendrel",
                             "BLT-VORP-Holmer", "BLT-KAZ-Holmer", "QDB-Holmer", "BLT-QDB-Holmer"})
        names.push_back(name);
    return names;
}

TEST_F(ServiceRemoval, NothingInstalledShowsNothing) {
    install("[Blt_vask]\n[Blt_vask01]\n[Blt_vask100]\n[Fremd]\n");  // near misses are no product services
    RemoveProductServices();
    EXPECT_TRUE(transcript().empty());
    EXPECT_TRUE(serviceJournal().empty());
    EXPECT_EQ(win::machine::openServiceHandles(), 0);
}

TEST_F(ServiceRemoval, EveryProductServiceIsAskedForAndDeletedInOrder) {
    const std::vector<std::string> names = productServiceNames();
    ASSERT_EQ(names.size(), 114u);
    // Installed in reverse, so the order seen is the walk's, not the file's.
    std::string ini, script;
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        ini += "[s" + std::to_string(it - names.rbegin()) + "]\nName=\"" + *it + "\"\nState=stopped\n";
    for (std::size_t i = 0; i < names.size(); ++i) script += "box OK\n";
    install(ini);
    useScript(script);

    RemoveProductServices();

    std::vector<std::string> asked, deleted;
    for (const std::string& line : transcript()) asked.push_back(line);
    for (const std::string& line : serviceJournal()) deleted.push_back(line.substr(0, line.find(" tick=")));
    ASSERT_EQ(asked.size(), names.size());
    ASSERT_EQ(deleted.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(asked[i], question(names[i]) + " answer=OK");
        EXPECT_EQ(deleted[i], "service delete name=\"" + names[i] + "\"");
    }
    EXPECT_EQ(database().find('['), std::string::npos) << database();
    EXPECT_EQ(win::machine::openServiceHandles(), 0);
}

// ------------------------------------------------- one service, paths

TEST_F(ServiceRemoval, StoppedServiceIsDeletedWithItsKeyAndNoStopRequest) {
    install("[Lumbast]\nState=stopped\n[Fremd]\n");
    seedServiceKeys({"Lumbast", "Fremd"});
    useScript("box OK Lumbast\n");

    StopAndDeleteService("Lumbast");

    EXPECT_EQ(transcript(), (std::vector<std::string>{question("Lumbast") + " answer=OK"}));  // no beep
    EXPECT_EQ(serviceJournal(), (std::vector<std::string>{"service delete name=\"Lumbast\" tick=0 deleted"}));
    EXPECT_FALSE(serviceKeyExists("Lumbast"));
    EXPECT_FALSE(serviceKeyExists("Lumbast\\Parameters"));
    EXPECT_TRUE(serviceKeyExists("Fremd"));
    EXPECT_NE(database().find("[Fremd]"), std::string::npos);
}

TEST_F(ServiceRemoval, ServiceInAnotherStateGetsNoStopRequest) {
    for (const char* state : {"paused", "start-pending", "stop-pending"}) {
        SCOPED_TRACE(state);
        install(std::string("[Lumbast]\nState=") + state + "\n");
        useScript("box OK\n");
        StopAndDeleteService("Lumbast");
        EXPECT_EQ(serviceJournal().back(), "service delete name=\"Lumbast\" tick=0 deleted");
    }
    EXPECT_EQ(serviceJournal().size(), 3u);
}

TEST_F(ServiceRemoval, RunningServiceIsDeletedAsSoonAsItHasStopped) {
    // Stop pending at once, stopped 10 s after the request.
    install("[Lumbast]\nState=running\nPendingAfter=0\nStoppedAfter=10000\n");
    useScript("box OK\n");

    StopAndDeleteService("Lumbast");

    const std::vector<std::string> journal = serviceJournal();
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0], "service control name=\"Lumbast\" tick=0 control=1 accepted state=3");
    // The stop request returns after its first 300 ms (stop pending has the
    // low bit); the 100 ms polls see the stopped state at 10 s.
    EXPECT_EQ(journal[1], "service delete name=\"Lumbast\" tick=10000 deleted");
    EXPECT_EQ(journalCount("sleep 300"), 1);
    EXPECT_EQ(journalCount("sleep 100"), 97);
}

TEST_F(ServiceRemoval, QuestionIsRepeatedWhileTheUserKeepsTheSetupGoing) {
    install("[Lumbast]\nState=stopped\n");
    useScript("box Cancel\nbox Cancel\nbox Cancel\nbox Cancel\nbox OK\n");

    StopAndDeleteService("Lumbast");

    EXPECT_EQ(transcript(), (std::vector<std::string>{
                                question("Lumbast") + " answer=Cancel",
                                kConfirmEnd + " answer=Cancel",
                                question("Lumbast") + " answer=Cancel",
                                kConfirmEnd + " answer=Cancel",
                                question("Lumbast") + " answer=OK",
                            }));
    EXPECT_EQ(serviceJournal().size(), 1u);
}

TEST_F(ServiceRemoval, Windows9xHasNoServicesToRemove) {
    setMachineIni("[Machine]\nFamily=9x\n");
    install("[Lumbast]\nState=stopped\n");
    RemoveProductServices();
    EXPECT_TRUE(transcript().empty());
    EXPECT_NE(database().find("[Lumbast]"), std::string::npos);
}

// ------------------------------------------------- the ends of the setup

struct EndCase {
    const char* what;
    const char* machineIni;
    const char* service;  // the section of "Lumbast" in services.ini
    const char* script;
    std::vector<std::string> boxes;     // the transcript up to the end
    std::vector<std::string> requests;  // the service lines of the journal
    int shortSleeps, longSleeps;        // "sleep 100" and "sleep 300" lines
};

TEST_F(ServiceRemoval, FailuresAndTheUsersEndStopTheSetupWithExitCode1) {
    const std::string lumbast = "Lumbast";
    const EndCase cases[] = {
        {"the user ends the setup", "", "State=running\n", "box Cancel\nbox OK\n",
         {question(lumbast) + " answer=Cancel", kConfirmEnd + " answer=OK", "exit 1"},
         {},
         0, 0},
        {"stop pending for longer than 30 s", "", "State=running\nPendingAfter=0\nStoppedAfter=40000\n",
         "box OK\nbox OK\n",
         {question(lumbast) + " answer=OK", failure(lumbast), "exit 1"},
         {"service control name=\"Lumbast\" tick=0 control=1 accepted state=3"},
         300, 1},
        {"running after the stop request", "", "State=running\nPendingAfter=never\nStoppedAfter=never\n",
         "box OK\nbox OK\n",
         {question(lumbast) + " answer=OK", failure(lumbast), "exit 1"},
         {"service control name=\"Lumbast\" tick=0 control=1 accepted state=4"},
         300, 101},
        {"stop request refused", "", "State=running\nAcceptStop=0\n", "box OK\nbox OK\n",
         {question(lumbast) + " answer=OK", failure(lumbast), "exit 1"},
         {"service control name=\"Lumbast\" tick=0 control=1 refused=1061"},
         300, 0},
        {"deletion refused", "", "State=stopped\nDeleteRefused=1072\n", "box OK\nbox OK\n",
         {question(lumbast) + " answer=OK", failure(lumbast), "exit 1"},
         {"service delete name=\"Lumbast\" tick=0 refused=1072"},
         0, 0},
        // The state reads 0 without full access: no stop, and the deletion
        // cannot even open the service.
        {"user without administrator rights", "[Machine]\nAdministrator=0\n", "State=running\n", "box OK\nbox OK\n",
         {question(lumbast) + " answer=OK", failure(lumbast), "exit 1"},
         {},
         0, 0},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.what);
        setMachineIni(c.machineIni);
        writeHostFile(machineDir + "/journal.log", "");
        install(std::string("[Lumbast]\n") + c.service + "[BLT-QDB-Holmer]\nState=stopped\n");
        EXPECT_EXIT(
            {
                useScript(c.script);
                RemoveProductServices();
            },
            testing::ExitedWithCode(1), "");
        EXPECT_EQ(transcript(), c.boxes);
        EXPECT_EQ(serviceJournal(), c.requests);
        EXPECT_EQ(journalCount("sleep 100"), c.shortSleeps);
        EXPECT_EQ(journalCount("sleep 300"), c.longSleeps);
        EXPECT_NE(database().find("[BLT-QDB-Holmer]"), std::string::npos) << "no later name is handled";
    }
}

// ------------------------------------------------- CServiceMgr itself

TEST_F(ServiceRemoval, ExistsTakesKeyNamesOnlyButControlFallsBackToTheDisplayName) {
    install("[Lumbast]\nDisplayName=Brimlund Lumbast\nState=stopped\n");
    seedServiceKeys({"Lumbast", "Brimlund Lumbast"});
    CServiceMgr byDisplayName("Brimlund Lumbast");
    EXPECT_FALSE(byDisplayName.Exists());
    EXPECT_TRUE(byDisplayName.Control(CServiceMgr::opDelete));
    EXPECT_EQ(database().find("[Lumbast]"), std::string::npos);
    // The key deleted is the one of the service deleted; a key named like
    // its display name is another's.
    EXPECT_FALSE(serviceKeyExists("Lumbast"));
    EXPECT_TRUE(serviceKeyExists("Brimlund Lumbast"));
    EXPECT_EQ(win::machine::openServiceHandles(), 0);
}

TEST_F(ServiceRemoval, StopRequestWaitsAtMost30Seconds) {
    install("[Lumbast]\nState=running\nPendingAfter=never\nStoppedAfter=never\n");
    CServiceMgr service("Lumbast");
    const uint32_t before = win::tickCount();
    EXPECT_FALSE(service.Control(CServiceMgr::opStop));
    EXPECT_EQ(win::tickCount() - before, 30300u);  // the first step past 30000 ms
    EXPECT_EQ(service.QueryState(), win::SERVICE_RUNNING);
}

TEST_F(ServiceRemoval, LongNameIsCutAt255Characters) {
    const std::string name(300, 'x');
    CServiceMgr service(name.c_str());
    EXPECT_EQ(std::string(service.Name()), name.substr(0, 255));
}

// ------------------------------------------------- number texts

TEST(NumberText, FormatNumberTextTrimsTheField) {
    const struct {
        int value;
        int length;
        const char* text;
    } cases[] = {
        {1, 3, "1"}, {9, 3, "9"}, {10, 3, "10"}, {99, 3, "99"}, {100, 3, ""},  // three digits need length 4
        {0, 3, "0"}, {-5, 3, "5-"}, {-10, 3, ""}, {kNoIntValue, 5, ""}, {7, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " in " + std::to_string(c.length));
        char buffer[16];
        std::fill(std::begin(buffer), std::end(buffer), '#');
        EXPECT_STREQ(FormatNumberText(c.value, buffer, c.length), c.text);
        EXPECT_EQ(buffer[c.length], '#') << "nothing written past the length";
    }
}

TEST(NumberText, PutIntFieldWritesRightAlignedAndKeepsTheRest) {
    const struct {
        int value;
        int width;
        const char* field;
    } cases[] = {
        {5, 3, "..5|"}, {-5, 3, ".5-|"}, {123, 3, "123|"}, {1234, 3, "...|"}, {-12, 3, "12-|"},
        {-123, 3, "...|"}, {kNoIntValue, 3, "...|"}, {-2147483647 - 1, 11, "2147483648-|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        std::string field(static_cast<std::size_t>(c.width), '.');
        field += '|';
        PutIntField(c.value, field.data(), c.width);
        EXPECT_EQ(field, c.field);
    }
}

TEST(NumberText, TrimBlanksTrimsOnlyBlanksInPlace) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {{"  12 ", "12"}, {"   ", ""}, {"", ""}, {"\t1 2\t", "\t1 2\t"}, {" a b ", "a b"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        char buffer[16] = {};
        std::copy(c.in, c.in + std::char_traits<char>::length(c.in), buffer);
        EXPECT_EQ(TrimBlanks(buffer), buffer);
        EXPECT_STREQ(buffer, c.out);
    }
}

}  // namespace
