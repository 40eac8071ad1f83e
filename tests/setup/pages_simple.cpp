// The licence page and the confirmation page.
#include "pages_fixture.h"

#include <gtest/gtest.h>

namespace pagestest {
namespace {

class LicencePage : public PagesTest {
protected:
    void SetUp() override {
        PagesTest::SetUp();
        frmInstall->m_sSetupDir = "C:\\SETUP\\";
    }
    void writeLicence(const std::string& text) const {
        testsupport::writeHostFile(driveC() + "/SETUP/LICENCE.TXT", text);
    }
    static std::vector<std::string> memoLines() {
        std::vector<std::string> lines;
        for (int i = 0; i < frmLicence->memLicence->Lines->Count(); ++i)
            lines.push_back(frmLicence->memLicence->Lines->Strings(i));
        return lines;
    }
};

TEST_F(LicencePage, NextNeedsJaOnceForTheWholeRun) {
    writeLicence("Lizenzbedingungen\r\nZeile 2\r\n");

    EXPECT_EQ(show(*frmLicence, "page frmLicence\nclick cmdNext\nclick cmdJa\nclick cmdNext\n"), prNext);
    EXPECT_TRUE(transcriptHas("ignored click cmdNext (disabled)"));
    EXPECT_EQ(memoLines(), (std::vector<std::string>{"Lizenzbedingungen", "Zeile 2"}));

    // Shown again (Back from the setup type page): Next at once, the text
    // read afresh.
    writeLicence("Neue Fassung\r\n");
    EXPECT_EQ(show(*frmLicence, "page frmLicence\nclick cmdNext\n"), prNext);
    EXPECT_FALSE(frmLicence->cmdJa->Enabled);
    EXPECT_EQ(memoLines(), (std::vector<std::string>{"Neue Fassung"}));
}

TEST_F(LicencePage, EmptyLicenceShowsAnEmptyMemoAndStillNeedsJa) {
    writeLicence("Alt\r\n");
    EXPECT_EQ(show(*frmLicence, "page frmLicence\ntext memLicence Getippt\nkey F4\n"), prCancel);

    writeLicence("");
    EXPECT_EQ(show(*frmLicence, "page frmLicence\nclick cmdNext\nkey F4\n"), prCancel);
    EXPECT_TRUE(memoLines().empty()) << "the memo's earlier lines are replaced";
    EXPECT_FALSE(frmLicence->cmdNext->Enabled);
}

TEST_F(LicencePage, UnreadableLicenceSaysSoAndThePageGoesOn) {
    // No LICENCE.TXT in the setup directory any more.
    EXPECT_EQ(show(*frmLicence, "page frmLicence\nclick cmdJa\nclick cmdNext\n"), prNext);
    EXPECT_EQ(memoLines(), (std::vector<std::string>{"Der Lizenztext (LICENCE.TXT) konnte nicht gelesen werden."}));
    for (const std::string& line : transcript()) EXPECT_FALSE(line.starts_with("box")) << line;
}

using ConfirmPage = PagesTest;

struct ConfirmCase {
    const char* typeName;
    const char* programDir;
    const char* networkDir;
};

TEST_F(ConfirmPage, ShowsItsEightLinesOnEveryShow) {
    const ConfirmCase cases[] = {
        {"Standard", "C:\\Brimlund\\", "D:\\Daten\\"},
        {"", "C:\\Programme\\Demo\\", ""},  // no type name, the data step skipped
    };
    for (const ConfirmCase& c : cases) {
        frmInstall->m_sSelectedTypeName = c.typeName;
        frmInstall->m_sProgramDir = c.programDir;
        frmInstall->m_sNetworkDir = c.networkDir;

        EXPECT_EQ(show(*frmConfirm, "page frmConfirm\nclick cmdNext\n"), prNext);

        const std::vector<std::string> expected = {"",
                                                   "",
                                                   "",
                                                   std::string("Installationstyp   : ") + c.typeName,
                                                   "",
                                                   std::string("Programmverzeichnis: ") + c.programDir,
                                                   "",
                                                   std::string("Datenverzeichnis: ") + c.networkDir};
        std::vector<std::string> lines;
        for (int i = 0; i < frmConfirm->memConfirm->Lines->Count(); ++i)
            lines.push_back(frmConfirm->memConfirm->Lines->Strings(i));
        EXPECT_EQ(lines, expected);
    }
}

}  // namespace
}  // namespace pagestest
