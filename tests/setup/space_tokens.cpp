// Directory tokens and chosen directories: ResolveDirPlaceholder,
// GroupBelongsToType and StripKillSubDir on the main form's members.
#include "pages_fixture.h"

#include <gtest/gtest.h>

namespace pagestest {
namespace {

class Tokens : public PagesTest {
protected:
    void SetUp() override {
        PagesTest::SetUp();
        frmInstall->m_sSetupDir = "D:\\CD\\";
        frmInstall->m_sNetworkDir = "F:\\Daten\\";
        frmInstall->m_sProgramDir = "C:\\Programme\\Demo\\";
        frmInstall->m_sSystemDir = "C:\\WINNT\\system32";  // normalised on the way out
        frmInstall->m_sWindowsDir = "E:\\WINNT\\";
    }
};

struct TokenCase {
    const char* text;
    const char* expected;
};

TEST_F(Tokens, ResolveDirPlaceholderComparesTheWholeTextWithoutCase) {
    const TokenCase cases[] = {
        {"<SETUP_DIR>", "D:\\CD\\"},
        {"<SETUP_DRIVE>", "D:\\"},
        {"<NETWORK_DIR>", "F:\\Daten\\"},
        {"<NETWORK_DRIVE>", "F:\\"},
        {"<PROGRAM_DIR>", "C:\\Programme\\Demo\\"},
        {"<program_dir>", "C:\\Programme\\Demo\\"},
        {"<PROGRAM_DRIVE>", "C:\\"},
        {"<SYSTEM_DIR>", "C:\\WINNT\\system32\\"},
        {"<Windows_Dir>", "E:\\WINNT\\"},
        {"<WINDOWS_DRIVE>", "E:\\"},
        // No token: the program directory.
        {" <WINDOWS_DIR>", "C:\\Programme\\Demo\\"},
        {"<WINDOWS_DIR> ", "C:\\Programme\\Demo\\"},
        {"<WINDOWS_DIR", "C:\\Programme\\Demo\\"},
        {"<SYSTEM_DRIVE>", "C:\\Programme\\Demo\\"},
        {"", "C:\\Programme\\Demo\\"},
    };
    for (const TokenCase& c : cases) EXPECT_EQ(ResolveDirPlaceholder(*frmInstall, c.text), c.expected) << c.text;
}

TEST_F(Tokens, DriveTokenOfAnEmptyDirectoryIsTheCurrentDriveRootLikeItsDirToken) {
    frmInstall->m_sProgramDir = "";
    frmInstall->m_sNetworkDir = "";
    for (const char* text : {"<PROGRAM_DRIVE>", "<PROGRAM_DIR>", "<NETWORK_DRIVE>", "<NETWORK_DIR>", "other"})
        EXPECT_EQ(ResolveDirPlaceholder(*frmInstall, text), "\\") << text;
}

TEST_F(Tokens, GroupBelongsToATypeByItsMaskCharacter) {
    frmInstall->m_pclGroupTypeSelect = std::make_unique<TStringList>();
    for (const char* mask : {"101", "1", "", "x1"}) frmInstall->m_pclGroupTypeSelect->Add(mask);
    struct Case {
        int group, type;
        bool belongs;
    };
    const Case cases[] = {
        {0, 0, true}, {0, 1, false}, {0, 2, true}, {0, 3, false},  // beyond the mask
        {1, 0, true}, {1, 1, false},                                 // a short mask leaves the group out
        {2, 0, false},                                               // an empty mask
        {3, 0, false}, {3, 1, true},                                 // only "1" counts
    };
    for (const Case& c : cases)
        EXPECT_EQ(GroupBelongsToType(*frmInstall, c.group, c.type), c.belongs) << c.group << "/" << c.type;
}

struct StripCase {
    const char* names;
    const char* dir;
    const char* expected;
};

TEST_F(Tokens, StripKillSubDirCutsOneConfiguredTrailingDirectory) {
    const StripCase cases[] = {
        {"BIN, Daten", "C:\\App\\bin", "C:\\App\\"},
        {"BIN, Daten", "C:\\App\\Daten\\BIN\\", "C:\\App\\Daten\\"},  // one cut only
        {"BIN, Daten", "C:\\App\\BIN\\Daten\\", "C:\\App\\BIN\\"},
        {"BIN, Daten", "C:\\App", "C:\\App\\"},
        {"BIN, Daten", "C:\\\\App\\\\bin\\\\", "C:\\App\\"},
        {"\"BIN\", '/Daten/', \\x\\", "C:\\App\\x", "C:\\App\\"},
        // A name must be the whole last directory below another one.
        {"bin", "C:\\Tools\\Robin\\", "C:\\Tools\\Robin\\"},
        {"bin", "bin\\", "bin\\"},
        {"bin", "C:\\", "C:\\"},
        // An empty name matches first and leaves the directory as it is.
        {",BIN", "C:\\App\\bin", "C:\\App\\bin\\"},
        {"Daten,,BIN", "C:\\App\\bin", "C:\\App\\bin\\"},
        {"BIN,,Daten", "C:\\App\\bin", "C:\\App\\"},
        // Nothing configured: the directory as it came.
        {"", "C:\\App", "C:\\App"},
        {" \\ / \" '", "C:\\App\\BIN", "C:\\App\\BIN"},
    };
    for (const StripCase& c : cases) {
        frmInstall->m_sKillSubDirsText = c.names;
        EXPECT_EQ(StripKillSubDir(*frmInstall, c.dir), c.expected) << c.names << " / " << c.dir;
    }
}

TEST_F(Tokens, StripKillSubDirKeepsTheCleanedNames) {
    frmInstall->m_sKillSubDirsText = " \"BIN\" , '/Daten/' ";
    StripKillSubDir(*frmInstall, "C:\\App");
    EXPECT_EQ(frmInstall->m_sKillSubDirsText, "BIN,Daten");
}

}  // namespace
}  // namespace pagestest
