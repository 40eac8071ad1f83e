// The application object: message boxes by Windows style, the simple
// dialog, the exception display and beeps.
#include "forms_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace formstest {
namespace {

struct BoxCase {
    int style;
    const char* answer;
    int expected;
    friend void PrintTo(const BoxCase& c, std::ostream* os) { *os << "style " << c.style << " " << c.answer; }
};

class MessageBoxTest : public FormsTest, public testing::WithParamInterface<BoxCase> {};

TEST_P(MessageBoxTest, ReturnsTheButtonPressed) {
    const BoxCase& c = GetParam();
    useScript(std::string("box ") + c.answer + "\n");
    EXPECT_EQ(Application->MessageBox("Text", "Titel", c.style), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Styles, MessageBoxTest,
                         testing::Values(BoxCase{MB_OK | MB_ICONHAND, "OK", IDOK},                  // 16
                                         BoxCase{MB_OKCANCEL | MB_ICONHAND, "Cancel", IDCANCEL},    // 17
                                         BoxCase{MB_OKCANCEL | MB_ICONQUESTION, "OK", IDOK},        // 33
                                         BoxCase{MB_YESNO | MB_ICONQUESTION, "Yes", IDYES},         // 36
                                         BoxCase{MB_YESNO | MB_ICONQUESTION, "No", IDNO},
                                         BoxCase{MB_OK | MB_ICONEXCLAMATION, "OK", IDOK},           // 48
                                         BoxCase{MB_OKCANCEL | MB_ICONEXCLAMATION, "Cancel", IDCANCEL},  // 49
                                         BoxCase{MB_OK, "Return", IDOK},                            // 0
                                         BoxCase{MB_RETRYCANCEL | MB_ICONEXCLAMATION, "Retry", IDRETRY},
                                         BoxCase{MB_RETRYCANCEL | MB_ICONEXCLAMATION, "Escape", IDCANCEL},
                                         BoxCase{MB_YESNO, "Return", IDYES}));

TEST_F(FormsTest, BoxGoesToTheTranscriptWithItsAnswer) {
    useScript("box No\n");
    Application->MessageBox("Sie haben keine Administratorrechte.\nProgramm jetzt beenden ?", "Fehlende Berechtigung",
                            MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(transcript(), std::vector<std::string>{
                                "box style=36 caption=\"Fehlende Berechtigung\" text=\"Sie haben keine "
                                "Administratorrechte.\\nProgramm jetzt beenden ?\" answer=No"});
}

// Escape does nothing in a Yes/No box: the box waits for the next answer.
TEST_F(FormsTest, EscapeLeavesAYesNoBoxOpen) {
    useScript("box Escape\nbox No\n");
    EXPECT_EQ(Application->MessageBox("Abbrechen ?", "Frage", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_TRUE(transcriptHas("ignored box Escape (no cancel button)"));
}

TEST_F(FormsTest, SimpleDialogHasTheTitleAsCaption) {
    useScript("box OK Uninstaller\n");
    ShowMessage("Konnte Uninstaller nicht in Registry eintragen !");
    EXPECT_EQ(transcript(), std::vector<std::string>{
                                "message caption=\"Setup\" text=\"Konnte Uninstaller nicht in Registry eintragen !\""});
}

// An exception escaping a handler that a loop dispatched is shown and the
// loop goes on.
struct ExceptionCase {
    const char* message;
    const char* shown;
    friend void PrintTo(const ExceptionCase& c, std::ostream* os) { *os << "message of " << std::strlen(c.message) << " bytes"; }
};

class ExceptionDisplayTest : public FormsTest, public testing::WithParamInterface<ExceptionCase> {};

TEST_P(ExceptionDisplayTest, ShownWithAFullStopAndTheLoopGoesOn) {
    useScript("box OK\n");
    auto* timer = new TTimer(Application);
    timer->SetInterval(1);
    int fires = 0;
    timer->OnTimer = [&](TObject*) {
        if (++fires == 1) throw EConvertError(GetParam().message);
        Application->Terminate();
    };

    Application->Run();

    EXPECT_EQ(fires, 2);
    EXPECT_EQ(transcript(), std::vector<std::string>{std::string("box style=16 caption=\"Setup\" text=\"") +
                                                     GetParam().shown + "\" answer=OK"});
}

INSTANTIATE_TEST_SUITE_P(Messages, ExceptionDisplayTest,
                         testing::Values(ExceptionCase{"'0x' is not a valid integer value",
                                                       "'0x' is not a valid integer value."},
                                         ExceptionCase{"Schon mit Punkt.", "Schon mit Punkt."},
                                         ExceptionCase{"", "."}));

// The beep is journalled by the machine and transcribed, both numbered from
// one counter, so a test can tell which came first.
TEST_F(FormsTest, BeepGoesToJournalAndTranscriptFromOneCounter) {
    useScript("");
    MessageBeep(0);

    std::ifstream journal(machineDir + "/journal.log");
    std::string line, journalBeep;
    while (std::getline(journal, line))
        if (line.ends_with(" beep")) journalBeep = line;
    const std::vector<std::string> lines = transcript();
    ASSERT_EQ(lines, std::vector<std::string>{"beep"});
    const std::string transcriptBeep = transcriptLine(0);
    ASSERT_FALSE(journalBeep.empty());
    EXPECT_EQ(std::stoull(transcriptBeep), std::stoull(journalBeep) + 1);
}

}  // namespace
}  // namespace formstest
