// The setup type page: which types the mask lists, the fatal box when none
// is left, click against check on the list, and the description view.
#include "pages_fixture.h"

#include "Win.h"

#include <gtest/gtest.h>

namespace pagestest {
namespace {

const std::vector<std::string> kNames = {"Standard", "Netzwerk", "Minimal"};
const std::vector<std::string> kHelp = {"{\\rtf1\\ansi Alles\\par drin}", "{\\rtf1 Nur das Netz}", "Das Nötigste"};
const std::vector<std::string> kHelpShown = {"Alles\r\ndrin", "Nur das Netz", "Das Nötigste\r\n"};

std::vector<std::string> listedItems() {
    std::vector<std::string> items;
    for (int i = 0; i < frmTypSelect->clbTypSelect->Items->Count(); ++i)
        items.push_back(frmTypSelect->clbTypSelect->Items->Strings(i));
    return items;
}

std::vector<int> shownTypeIndexes() {
    std::vector<int> indexes;
    for (int i = 0; i < frmTypSelect->m_pclShownTypes->Count(); ++i)
        indexes.push_back(static_cast<TIntObject*>(frmTypSelect->m_pclShownTypes->Objects(i))->Value);
    return indexes;
}

std::vector<bool> checkMarks() {
    std::vector<bool> marks;
    for (int i = 0; i < frmTypSelect->clbTypSelect->Items->Count(); ++i)
        marks.push_back(frmTypSelect->clbTypSelect->Checked(i));
    return marks;
}

using TypePage = PagesTest;

struct MaskCase {
    const char* mask;
    std::vector<int> listed;  // type indexes
};

TEST_F(TypePage, MaskHidesOnlyTypesMarkedZero) {
    const MaskCase cases[] = {
        {"010", {1}},
        {"1", {0, 1, 2}},  // shorter than the list: the rest is shown
        {"", {0, 1, 2}},
        {"0", {1, 2}},
        {"00", {2}},
        {"1a ", {0, 1, 2}},  // anything but "0" shows the type
    };
    for (const MaskCase& c : cases) {
        SCOPED_TRACE(std::string("mask \"") + c.mask + "\"");
        setTypes(kNames, kHelp, c.mask);

        EXPECT_EQ(show(*frmTypSelect, "page frmTypSelect\nclick cmdNext\n"), prNext);

        std::vector<std::string> names;
        for (int t : c.listed) names.push_back(kNames[t]);
        EXPECT_EQ(listedItems(), names);
        EXPECT_EQ(shownTypeIndexes(), c.listed);
        EXPECT_EQ(frmTypSelect->clbTypSelect->ItemIndex(), 0);
        EXPECT_EQ(frmTypSelect->m_nCurrentType, c.listed.front());
        EXPECT_EQ(frmTypSelect->rtfHelp->PlainText(), kHelpShown[c.listed.front()]);
    }
}

struct NoTypeCase {
    const char* what;
    std::vector<std::string> names;
    std::vector<std::string> help;
    const char* mask;
};

TEST_F(TypePage, NoTypeToOfferEndsTheRunWithTheBox) {
    const NoTypeCase cases[] = {
        {"every type hidden", kNames, kHelp, "000"},
        {"no types", {}, {}, ""},
        {"no description for the first type", {"Standard"}, {}, "1"},
    };
    for (const NoTypeCase& c : cases) {
        SCOPED_TRACE(c.what);
        setTypes(c.names, c.help, c.mask);
        // The box comes while the page is being filled, before it is shown.
        EXPECT_EXIT(show(*frmTypSelect, "box OK Kein\n"), testing::ExitedWithCode(1), "");

        const std::string transcript = transcriptFile();
        const std::size_t beep = transcript.find("beep\n");
        const std::size_t box = transcript.find(
            "box style=16 caption=\"Unvollständige Setup-Informationen\" "
            "text=\"Kein gültiger Setup-Typ vorhanden, Abbruch !\" answer=OK\n");
        ASSERT_NE(box, std::string::npos) << transcript;
        EXPECT_LT(beep, box) << transcript;
        EXPECT_NE(transcript.find("exit 1", box), std::string::npos) << transcript;
        EXPECT_EQ(transcript.find("show frmTypSelect"), std::string::npos) << "the page never becomes usable";
    }
}

TEST_F(TypePage, ClickShowsTheDescriptionAndCheckAlsoMarksTheItem) {
    setTypes(kNames, kHelp, "111");

    EXPECT_EQ(show(*frmTypSelect, "page frmTypSelect\ncheck clbTypSelect 0\ncheck clbTypSelect 2\n"
                                  "select clbTypSelect 1\nclick cmdNext\n"),
              prNext);
    EXPECT_EQ(checkMarks(), (std::vector<bool>{true, false, true})) << "a click leaves the check marks";
    EXPECT_EQ(frmTypSelect->m_nCurrentType, 1);
    EXPECT_EQ(frmTypSelect->rtfHelp->PlainText(), kHelpShown[1]);

    EXPECT_EQ(show(*frmTypSelect, "page frmTypSelect\ncheck clbTypSelect 2\nclick cmdNext\n"), prNext);
    EXPECT_EQ(checkMarks(), (std::vector<bool>{false, false, true})) << "every show starts unchecked";
    EXPECT_EQ(frmTypSelect->m_nCurrentType, 2);
    EXPECT_EQ(frmTypSelect->rtfHelp->PlainText(), kHelpShown[2]);
}

TEST_F(TypePage, ClicksThatCannotShowADescriptionKeepTheShownOne) {
    setTypes(kNames, {kHelp[0], kHelp[1]}, "111");  // "Minimal" has no description

    EXPECT_EQ(show(*frmTypSelect, "page frmTypSelect\nselect clbTypSelect 1\nselect clbTypSelect 2\nclick cmdNext\n"),
              prNext);
    EXPECT_EQ(frmTypSelect->rtfHelp->PlainText(), kHelpShown[1]);
    for (const std::string& line : transcript()) EXPECT_FALSE(line.starts_with("box")) << line;

    // A click that leaves no item selected.
    frmTypSelect->clbTypSelect->SetItemIndex(-1);
    frmTypSelect->m_nCurrentType = 1;
    frmTypSelect->clbTypSelect->Click();
    EXPECT_EQ(frmTypSelect->m_nCurrentType, 1);
    EXPECT_EQ(frmTypSelect->rtfHelp->PlainText(), kHelpShown[1]);
}

// A user's "typehelp.rtf" in the current or the temporary directory is no
// business of the page.
TEST_F(TypePage, DescriptionReachesTheViewWithoutAWorkFile) {
    testsupport::writeHostFile(driveC() + "/typehelp.rtf", "meins");
    testsupport::writeHostFile(driveC() + "/TEMP/typehelp.rtf", "auch meins");
    setTypes(kNames, kHelp, "111");
    const uint32_t before = win::tickCount();

    EXPECT_EQ(show(*frmTypSelect, "page frmTypSelect\nclick cmdNext\n"), prNext);

    EXPECT_EQ(frmTypSelect->rtfHelp->PlainText(), kHelpShown[0]);
    EXPECT_EQ(testsupport::readHostFile(driveC() + "/typehelp.rtf"), "meins");
    EXPECT_EQ(testsupport::readHostFile(driveC() + "/TEMP/typehelp.rtf"), "auch meins");
    EXPECT_EQ(win::tickCount() - before, 300u) << "the page waits 300 ms once it is filled";
}

}  // namespace
}  // namespace pagestest
