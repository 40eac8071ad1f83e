// The wizard's road through its pages: the licence page shown or not, the
// cancel question and its way back to the first page, the missing-type
// question, several checked types, the skipped data page and Back, and the
// default-directory page's "&Anderes Verzeichnis...".
#include "wizard_fixture.h"

#include <algorithm>

#include <gmock/gmock.h>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

namespace setuptest {
namespace {


const char* const kLicenceState = "STATE: Lizenztext";
const char* const kTypeState = "STATE: Auswahl Setup-Typ";
const char* const kProgramState = "STATE: Auswahl Programmverzeichnis";
const char* const kDataState = "STATE: Auswahl Netzwerkverzeichnis";
const char* const kConfirmState = "STATE: Bestätigung der Installation";
const char* const kInstallState = "STATE: Installation";
const char* const kCancelState = "STATE: Abbruch-Button";

const std::vector<std::string> kRestOfWalk = {kProgramState, kDataState, kConfirmState, kInstallState};

const char* const kCancelQuestion =
    "box style=36 caption=\"Abbruch der Installation\" "
    "text=\"Die Installation ist nicht vollständig.\\n\\nProgramm jetzt beenden ?\"";
const char* const kMissingType =
    "box style=36 caption=\"Demo - Abbruch der Installation\" "
    "text=\"Zur Installation wird die Angabe eines Setuptypen benötigt.\\n\\nAuswahl fortsetzen ?\"";

const std::string kBrowse = BrowseTo("frmDirSelect", "C:\\Demo\\");
const std::string kToTheEnd = kBrowse + kConfirmAndInstall;

std::vector<std::string> Concat(std::vector<std::string> head, const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// The log of a finished run is kept beside the uninstall record.
class Wizard : public WizardTest {
protected:
    // A run that ended in the finish step.
    void expectFinished(const SetupResult& r) {
        EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
        const std::vector<std::string> log = logTexts(kKeptLog);
        ASSERT_FALSE(log.empty()) << r.transcript;
        EXPECT_EQ(log.back(), "Installation abgeschossen");
        EXPECT_FALSE(exists(kWorkLog));
    }
    // A run that ended in the abort step: nothing cleaned up.
    void expectAborted(const SetupResult& r) {
        EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
        const std::vector<std::string> log = logTexts(kWorkLog);
        ASSERT_FALSE(log.empty()) << r.transcript;
        EXPECT_EQ(log.back(), "Installation wurde abgebrochen");
        EXPECT_TRUE(exists("C:\\TEMP\\SETUP.ALL"));
        EXPECT_THAT(r.transcript, Not(HasSubstr("frmExecInstall")));
    }
};

struct LicenceCase {
    const char* what;
    bool licenceFile;
    const char* licenceValue;
    bool shown;
};
void PrintTo(const LicenceCase& c, std::ostream* os) { *os << c.what; }

class LicencePage : public Wizard, public ::testing::WithParamInterface<LicenceCase> {};

TEST_P(LicencePage, IsShownOnlyWithTheFileAndTheOption) {
    const LicenceCase& c = GetParam();
    Description d = StandardDescription();
    d.options = std::string("Licence=") + c.licenceValue + "\n";
    putDescription(d);
    if (c.licenceFile) putOnMedium("LICENCE.TXT", "Bedingungen\r\n");

    const SetupResult r = runSetup((c.shown ? kLicence : "") + std::string(kFirstType) + kToTheEnd);

    expectFinished(r);
    EXPECT_THAT(stateLines(kKeptLog), ElementsAreArray(Concat({kLicenceState, kTypeState}, kRestOfWalk)));
    EXPECT_EQ(r.transcript.find("show frmLicence") != std::string::npos, c.shown);
}

INSTANTIATE_TEST_SUITE_P(Wizard, LicencePage,
                         ::testing::Values(LicenceCase{"Shown", true, "1", true},
                                           LicenceCase{"NoFile", false, "1", false},
                                           LicenceCase{"OptionOff", true, "0", false},
                                           LicenceCase{"OptionNotExactlyOne", true, "yes", false}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(Wizard, NoToTheCancelQuestionStartsAgainAtTheLicencePage) {
    Description d = StandardDescription();
    d.options = "Licence=1\n";
    putDescription(d);
    putOnMedium("LICENCE.TXT", "Bedingungen\r\n");

    const SetupResult r = runSetup(std::string(kLicence) + kFirstType +
                                   "page frmDirSelect\nclick cmdCancel\nbox No\n" + kLicence + kFirstType +
                                   kBrowse + "page frmConfirm\nkey F4\nbox No\n" + kLicence + kFirstType + kToTheEnd);

    expectFinished(r);
    EXPECT_THAT(stateLines(kKeptLog),
                ElementsAreArray(Concat({kLicenceState, kTypeState, kProgramState, kCancelState, kLicenceState,
                                         kTypeState, kProgramState, kDataState, kConfirmState, kCancelState,
                                         kLicenceState, kTypeState},
                                        kRestOfWalk)));
    EXPECT_THAT(r.transcript, HasSubstr(std::string(kCancelQuestion) + " answer=No"));
}

TEST_F(Wizard, NoToTheCancelQuestionWithoutLicenceComesBackToTheTypePage) {
    putDescription(StandardDescription());

    const SetupResult r = runSetup("page frmTypSelect\ncheck clbTypSelect 0\nclick cmdCancel\nbox No\n" +
                                   std::string(kFirstType) + kToTheEnd);

    expectFinished(r);
    EXPECT_THAT(stateLines(kKeptLog),
                ElementsAreArray(Concat({kLicenceState, kTypeState, kCancelState, kLicenceState, kTypeState},
                                        kRestOfWalk)));
}

TEST_F(Wizard, YesToTheCancelQuestionAbortsWithoutCleaningUp) {
    putDescription(StandardDescription());

    const SetupResult r = runSetup(std::string(kFirstType) + "page frmDirSelect\nkey F4\nbox Yes\n");

    expectAborted(r);
    EXPECT_THAT(stateLines(kWorkLog), ElementsAre(kLicenceState, kTypeState, kProgramState, kCancelState));
    EXPECT_THAT(r.transcript, HasSubstr(std::string(kCancelQuestion) + " answer=Yes"));
}

TEST_F(Wizard, MissingTypeQuestionForgetsEvenACancel) {
    putDescription(StandardDescription());

    const SetupResult r =
        runSetup("page frmTypSelect\nclick cmdCancel\nbox Yes\n" + std::string(kFirstType) + kToTheEnd);

    expectFinished(r);
    EXPECT_THAT(r.transcript, HasSubstr(std::string(kMissingType) + " answer=Yes"));
    EXPECT_THAT(stateLines(kKeptLog), ElementsAreArray(Concat({kLicenceState, kTypeState, kTypeState}, kRestOfWalk)));
}

TEST_F(Wizard, NoToTheMissingTypeQuestionAborts) {
    putDescription(StandardDescription());

    const SetupResult r = runSetup("page frmTypSelect\nclick cmdNext\nbox No\n");

    expectAborted(r);
    EXPECT_THAT(stateLines(kWorkLog), ElementsAre(kLicenceState, kTypeState));
    EXPECT_THAT(r.transcript, Not(HasSubstr("frmCalcSpace"))) << "no space calculation without a type";
}

TEST_F(Wizard, CaptionsKeepALongTitleWhole) {
    Description d = StandardDescription();
    d.title = std::string(300, 'T');
    putDescription(d);

    const SetupResult r = runSetup("page frmTypSelect\nclick cmdNext\nbox No\n");

    EXPECT_THAT(r.transcript, HasSubstr("caption=\"" + d.title + " - Abbruch der Installation\""));
}

// Two types, each with a group of its own; both are checked.
class SeveralTypes : public Wizard {
protected:
    void putTypes(const std::string& firstFixPath, const std::string& secondFixPath) {
        Description d = StandardDescription();
        d.types = {"Standard", "Komplett"};
        d.groups = {FileGroup{firstFixPath, "10", {1000}, ""}, FileGroup{secondFixPath, "01", {2000}, ""}};
        putDescription(d);
    }
    static constexpr const char* kBothTypes = "page frmTypSelect\ncheck clbTypSelect 1\ncheck clbTypSelect 0\n"
                                              "click cmdNext\n";
};

TEST_F(SeveralTypes, FirstCheckedTypeGivesTheProposal) {
    putTypes("C:\\Alpha", "C:\\Beta");

    const SetupResult r = runSetup(std::string(kBothTypes) + "page frmUserDir\nclick cmdNext\n" + kConfirmAndInstall);

    expectFinished(r);
    EXPECT_THAT(logTexts(kKeptLog), Contains("Programmverzeichnis: C:\\Alpha\\"));
}

TEST_F(SeveralTypes, OtherCheckedTypesAreNotSearchedForAProposal) {
    putTypes("<PROGRAM_DIR>", "C:\\Beta");

    const SetupResult r = runSetup(std::string(kBothTypes) + kToTheEnd);

    expectFinished(r);
    EXPECT_THAT(r.transcript, Not(HasSubstr("frmUserDir")));
    EXPECT_THAT(logTexts(kKeptLog), Contains("Programmverzeichnis: C:\\Demo\\"));
}

TEST_F(Wizard, BackFromTheConfirmationPassesTheSkippedDataPage) {
    putDescription(StandardDescription());

    const SetupResult r = runSetup(std::string(kFirstType) + kBrowse + "page frmConfirm\nclick cmdBack\n" + kToTheEnd);

    expectFinished(r);
    EXPECT_THAT(r.transcript, Not(HasSubstr("frmNetDirSelect")));
    EXPECT_THAT(stateLines(kKeptLog),
                ElementsAreArray(Concat({kLicenceState, kTypeState, kProgramState, kDataState, kConfirmState},
                                        kRestOfWalk)));
}

TEST_F(Wizard, BackFromTheConfirmationComesToTheDataPageWhenItWasShown) {
    Description d = StandardDescription();
    d.groups.push_back(FileGroup{"<NETWORK_DIR>", "1", {300}, ""});
    putDescription(d);
    const std::string dataPage = BrowseTo("frmNetDirSelect", "D:\\Daten\\");

    // With a data directory to come, the program directory was made at once,
    // so choosing it again asks whether to update it.
    const SetupResult r = runSetup(std::string(kFirstType) + kBrowse + dataPage + "page frmConfirm\nclick cmdBack\n" +
                                   "page frmNetDirSelect\nclick cmdBack\n" + kBrowse + "box Yes existiert schon\n" +
                                   dataPage + kConfirmAndInstall);

    expectFinished(r);
    EXPECT_THAT(stateLines(kKeptLog),
                ElementsAreArray(Concat({kLicenceState, kTypeState, kProgramState, kDataState, kConfirmState,
                                         kDataState},
                                        kRestOfWalk)));
    EXPECT_EQ(LinesWith(TranscriptLines(r), "show frmNetDirSelect").size(), 3u);
    EXPECT_THAT(logTexts(kKeptLog), Contains("Netzwerkverzeichnis: D:\\Daten\\"));
}

// A group whose raw target names a drive: the default-directory page.
class OtherDirectory : public Wizard {
protected:
    void SetUp() override {
        Wizard::SetUp();
        Description d = StandardDescription();
        d.groups = {FileGroup{"C:\\Vorschlag", "1", {1000}, ""}};
        putDescription(d);
    }
};

TEST_F(OtherDirectory, NextInTheBrowserTakesTheBrowsedDirectory) {
    const SetupResult r = runSetup(std::string(kFirstType) + "page frmUserDir\nclick cmdOtherDir\n" +
                                   BrowseTo("frmDirSelect", "D:\\Anders\\") + kConfirmAndInstall);

    expectFinished(r);
    const std::vector<std::string> shown = Texts(TranscriptLines(r));
    const auto browserEnd = std::find(shown.begin(), shown.end(), "hide frmDirSelect result=1");
    ASSERT_GE(std::distance(browserEnd, shown.end()), 2) << r.transcript;
    EXPECT_EQ(*std::next(browserEnd), "hide frmUserDir result=1") << "the page ends with the browser's result";
    EXPECT_THAT(logTexts(kKeptLog), Contains("Programmverzeichnis: D:\\Anders\\"));
    EXPECT_THAT(stateLines(kKeptLog), ElementsAreArray(Concat({kLicenceState, kTypeState}, kRestOfWalk)));
}

TEST_F(OtherDirectory, BackInTheBrowserLeadsToTheTypePage) {
    const SetupResult r = runSetup(std::string(kFirstType) + "page frmUserDir\nclick cmdOtherDir\n" +
                                   "page frmDirSelect\nclick cmdBack\n" + kFirstType +
                                   "page frmUserDir\nclick cmdNext\n" + kConfirmAndInstall);

    expectFinished(r);
    EXPECT_THAT(stateLines(kKeptLog),
                ElementsAreArray(Concat({kLicenceState, kTypeState, kProgramState, kTypeState}, kRestOfWalk)));
    EXPECT_THAT(logTexts(kKeptLog), Contains("Programmverzeichnis: C:\\Vorschlag\\"));
}

}  // namespace
}  // namespace setuptest
