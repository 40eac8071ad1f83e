// The wizard's directory choices: the proposal looked for on the fixed
// drives, the chosen directory normalised and cut, the "exists" question,
// the space checks with their drive layouts and message, and an unreadable
// member during the space calculation.
#include "wizard_fixture.h"

#include <algorithm>
#include <filesystem>

#include <gmock/gmock.h>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace setuptest {
namespace {

const char* const kExistsQuestion =
    "box style=36 caption=\"Demo - Warnung\" text=\"Das Programmverzeichnis existiert schon, soll die dort liegende "
    "Installation aktualisiert werden ?\\n\\nWICHTIG:\\n\\nEvtl. vorhandene Optionen müssen mit upgedated werden! "
    "(Optionsauswahl)\"";
// The user leaves at the confirmation page, so the run ends in the abort step.
const char* const kLeaveAtConfirm = "page frmConfirm\nclick cmdCancel\nbox Yes\n";

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    return all;
}

// A machine with a third fixed drive F: for the work directory.
class Directories : public WizardTest {
protected:
    std::string machineIni() const override {
        return iniWith("", "[Drive F]\nType=fixed\nFolder=drives/F\nFree=8,512,262144,1048576\n");
    }
};

struct ProposalCase {
    const char* what;
    std::vector<std::string> existing;
    const char* programDir;
    bool asked;  // the "exists" question
};
void PrintTo(const ProposalCase& c, std::ostream* os) { *os << c.what; }

class Proposal : public Directories, public ::testing::WithParamInterface<ProposalCase> {};

TEST_P(Proposal, IsLookedForOnTheFixedDrives) {
    const ProposalCase& c = GetParam();
    Description d;
    d.groups = {FileGroup{"C:\\Prog\\Tool", "1", {1000}, ""}};
    putDescription(d);
    for (const std::string& dir : c.existing) makeDir(dir);

    const SetupResult r = runSetup(std::string(kFirstType) + "page frmUserDir\nclick cmdNext\n" +
                                   (c.asked ? "box Yes existiert schon\n" : "") + kLeaveAtConfirm);

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(logTexts(kWorkLog), Contains(std::string("Programmverzeichnis: ") + c.programDir));
    EXPECT_EQ(r.transcript.find("Demo - Warnung") != std::string::npos, c.asked);
}

INSTANTIATE_TEST_SUITE_P(Directories, Proposal,
                         ::testing::Values(ProposalCase{"OnD", {"D:\\Prog\\Tool"}, "D:\\Prog\\Tool\\", true},
                                           ProposalCase{"OnCAndD", {"C:\\Prog\\Tool", "D:\\Prog\\Tool"},
                                                        "C:\\Prog\\Tool\\", true},
                                           ProposalCase{"OnlyOnTheCd", {"E:\\Prog\\Tool"}, "C:\\Prog\\Tool\\", false},
                                           ProposalCase{"Nowhere", {}, "C:\\Prog\\Tool\\", false}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(Directories, ChosenDirectoryIsNormalisedAndLosesAConfiguredSubDirectory) {
    Description d;
    d.textKeys = "KillSubDirsText=bin, Daten\n";
    d.groups = {FileGroup{"<PROGRAM_DIR>", "1", {1000}, ""}};
    putDescription(d);

    const SetupResult r = runSetup(std::string(kFirstType) + BrowseTo("frmDirSelect", "C:\\Demo\\\\BIN") +
                                   kLeaveAtConfirm);

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(logTexts(kWorkLog), Contains("Programmverzeichnis: C:\\Demo\\"));
}

TEST_F(Directories, NoToTheExistsQuestionEndsAtOnceWithoutCleaningUp) {
    Description d;
    d.groups = {FileGroup{"<PROGRAM_DIR>", "1", {1000}, ""}};
    putDescription(d);
    makeDir("C:\\Demo");

    const SetupResult r = runSetup(std::string(kFirstType) + BrowseTo("frmDirSelect", "C:\\Demo\\") + "box No\n");

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(r.transcript, HasSubstr(std::string(kExistsQuestion) + " answer=No"));
    EXPECT_THAT(r.transcript, Not(HasSubstr("frmConfirm")));
    const std::vector<std::string> log = logTexts(kWorkLog);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Programmverzeichnis: C:\\Demo\\") << "no line for the termination";
    EXPECT_TRUE(exists("C:\\TEMP\\SETUP.ALL"));
}

// Program group 74,536 bytes (the largest), Windows group 70,536 bytes.
struct LayoutCase {
    const char* what;
    const char* tempOption;  // "": the work directory is the machine's temporary directory
    const char* programDir;
    const char* free;         // of the program directory's drive, while the wizard runs
    const char* needed;       // "" = enough space, no box
    const char* freeShown;
};
void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.what; }

class SpaceLayout : public Directories, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(SpaceLayout, CountsTheTotalsThatShareTheChosenDrive) {
    SKIP_ON_WINE("the free space of a drive, set by the script");
    const LayoutCase& c = GetParam();
    Description d;
    d.groups = {FileGroup{"<PROGRAM_DIR>", "1", {9000}, ""}, FileGroup{"<WINDOWS_DIR>", "1", {5000}, ""}};
    putDescription(d);
    const char drive = c.programDir[0];
    const std::string squeeze = std::string("machine [Drive ") + drive + "]Free " + c.free + "\n";
    const bool warned = *c.needed != 0;

    const SetupResult r =
        runSetup(squeeze + kFirstType + BrowseTo("frmDirSelect", c.programDir) + (warned ? "box OK\n" : "") +
                     kLeaveAtConfirm,
                 *c.tempOption ? std::vector<std::string>{c.tempOption} : std::vector<std::string>{});

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    const std::string message = std::string("Nicht genügend Speicherplatz auf Laufwerk: ") + drive +
                                ":\\\n\nBenötigter Speicher: " + c.needed + " Bytes\n\nFreier Speicher: " +
                                c.freeShown + " Bytes\n\nMöchten Sie trotzdem weitermachen?";
    const std::string box = "box style=49 caption=\"Demo - Nicht genug Speicher !\" text=\"" + Quoted(message) + "\"";
    EXPECT_EQ(r.transcript.find(box) != std::string::npos, warned) << r.transcript;
    const std::string workDir = *c.tempOption ? std::string(c.tempOption).substr(6) : "C:\\TEMP";
    const std::string log = Joined(logTexts(workDir + "\\INSTALL.LOG"));
    if (warned) {
        EXPECT_THAT(log, HasSubstr("\n" + message + "\n")) << "the whole message is one log entry";
        const std::vector<std::string> shown = Texts(TranscriptLines(r));
        const auto at = std::find_if(shown.begin(), shown.end(),
                                     [](const std::string& line) { return line.starts_with("box style=49"); });
        ASSERT_NE(at, shown.end());
        ASSERT_NE(at, shown.begin());
        EXPECT_EQ(*std::prev(at), "beep");
    } else {
        EXPECT_THAT(log, Not(HasSubstr("Nicht genügend Speicherplatz")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Directories, SpaceLayout,
    ::testing::Values(
        LayoutCase{"WindowsAndWorkOnTheProgramDrive", "", "C:\\Demo\\", "8,512,10,1048576", "219608", "40960"},
        LayoutCase{"ThreeDrives", "-TEMP=F:\\WORK", "D:\\Demo\\", "8,512,10,1048576", "74536", "40960"},
        LayoutCase{"WorkOnTheProgramDrive", "-TEMP=D:\\WORK", "D:\\Demo\\", "8,512,10,1048576", "149072", "40960"},
        LayoutCase{"WindowsOnTheProgramDrive", "-TEMP=F:\\WORK", "C:\\Demo\\", "8,512,10,1048576", "145072",
                   "40960"},
        // Drives are told apart by their first characters as they stand.
        LayoutCase{"LowerCaseDriveLetter", "", "c:\\Demo\\", "8,512,10,1048576", "74536", "40960"},
        LayoutCase{"ExactlyEnough", "", "C:\\Demo\\", "1,1,219608,1000000", "", ""},
        LayoutCase{"OneByteShort", "", "C:\\Demo\\", "1,1,219607,1000000", "219608", "219607"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(Directories, CancelInTheProgramSpaceCheckShowsTheDirectoryPageAgain) {
    SKIP_ON_WINE("the free space of a drive, set by the script");
    Description d;
    d.groups = {FileGroup{"<PROGRAM_DIR>", "1", {1000}, ""}};
    putDescription(d);

    const SetupResult r = runSetup("machine [Drive D]Free 8,512,1,1048576\n" + std::string(kFirstType) +
                                   BrowseTo("frmDirSelect", "D:\\Demo\\") + "box Cancel Laufwerk: D:\n" +
                                   BrowseTo("frmDirSelect", "C:\\Demo\\") + kLeaveAtConfirm);

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(stateLines(kWorkLog),
                ElementsAre("STATE: Lizenztext", "STATE: Auswahl Setup-Typ", "STATE: Auswahl Programmverzeichnis",
                            "STATE: Auswahl Programmverzeichnis", "STATE: Auswahl Netzwerkverzeichnis",
                            "STATE: Bestätigung der Installation", "STATE: Abbruch-Button"));
    EXPECT_FALSE(exists("D:\\Demo"));
}

// Program 74,536 bytes, data 65,836, Windows 70,536; the work directory C:\TEMP\.
TEST_F(Directories, DataSpaceCheckCountsTheProgramDriveAndCancelShowsTheDataPageAgain) {
    SKIP_ON_WINE("the free space of a drive, set by the script");
    Description d;
    d.groups = {FileGroup{"<PROGRAM_DIR>", "1", {9000}, ""}, FileGroup{"<NETWORK_DIR>", "1", {300}, ""},
                FileGroup{"<WINDOWS_DIR>", "1", {5000}, ""}};
    putDescription(d);

    const SetupResult r = runSetup(
        "machine [Drive D]Free 8,512,10,1048576\n" + std::string(kFirstType) + BrowseTo("frmDirSelect", "D:\\Demo\\") +
        "box OK Benötigter Speicher: 74536 Bytes\n" + BrowseTo("frmNetDirSelect", "D:\\Daten\\") +
        "box Cancel Benötigter Speicher: 140372 Bytes\n" + BrowseTo("frmNetDirSelect", "C:\\Daten\\") +
        kLeaveAtConfirm);

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(stateLines(kWorkLog),
                ElementsAre("STATE: Lizenztext", "STATE: Auswahl Setup-Typ", "STATE: Auswahl Programmverzeichnis",
                            "STATE: Auswahl Netzwerkverzeichnis", "STATE: Auswahl Netzwerkverzeichnis",
                            "STATE: Bestätigung der Installation", "STATE: Abbruch-Button"));
    EXPECT_THAT(logTexts(kWorkLog), Contains("Netzwerkverzeichnis: C:\\Daten\\"));
    EXPECT_TRUE(exists("D:\\Demo")) << "made before the data page";
}

TEST_F(Directories, UnreadableMemberEndsTheSpaceCalculation) {
    Description d;
    d.groups = {FileGroup{"<PROGRAM_DIR>", "1", {1000, 200}, ""}};
    putDescription(d);
    for (const char* content : {"", "kein Mitglied"}) {
        SCOPED_TRACE(*content ? "no member" : "missing");
        std::filesystem::remove(medium() + "/LZ000002.PAK");
        if (*content) putOnMedium("LZ000002.PAK", content);

        const SetupResult r = runSetup(std::string(kFirstType) + "box OK Fehler bei Zugriff\n");

        EXPECT_EQ(r.exitCode, 1) << r.err << r.transcript;
        EXPECT_THAT(r.transcript, HasSubstr("beep\n"));
        EXPECT_THAT(r.transcript, HasSubstr("box style=16 caption=\"Nicht behebbarer Fehler !\" "
                                            "text=\"Fehler bei Zugriff auf Datei <E:\\LZ000002.PAK>, Abbruch !\""));
        EXPECT_EQ(lastLogLine(kWorkLog), "STATE: Auswahl Setup-Typ") << "nothing logged";
    }
}

}  // namespace
}  // namespace setuptest
