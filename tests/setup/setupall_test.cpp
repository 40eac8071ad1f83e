// Reading "SETUP.ALL" into the main form.
#include "Forms.h"
#include "ApplicationFixture.h"
#include "fInstall.h"
#include "headless/ScriptedUser.h"

#include <gmock/gmock.h>

#include <filesystem>

namespace {

class SetupDescription : public testsupport::ApplicationTest {
protected:
    void SetUp() override {
        ApplicationTest::SetUp();
        std::filesystem::create_directories(driveC() + "/TEMP");
        frmInstall = new TfrmInstall(Application);
        frmInstall->tmrStart->SetEnabled(false);
        frmInstall->m_sTempDir = "C:\\TEMP\\";
        frmInstall->m_sStartMenuDir = "C:\\Menu\\";
    }

    // Description text (literals are Windows-1252 already) with CR LF lines.
    TfrmInstall& read(const std::string& text) {
        std::string crlf;
        for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        testsupport::writeHostFile(driveC() + "/TEMP/SETUP.ALL", crlf);
        frmInstall->ReadSetupDescription("C:\\TEMP\\SETUP.ALL");
        return *frmInstall;
    }

    static std::vector<std::string> lines(const TStrings& list) {
        std::vector<std::string> out;
        for (int i = 0; i < list.Count(); ++i) out.push_back(list[i]);
        return out;
    }
    static const TStrings& members(const TfrmInstall& f, int group) {
        return *static_cast<TStrings*>(f.m_pclFileGroups->Objects(group));
    }
};

TEST_F(SetupDescription, EmptyDescriptionGivesTheDefaults) {
    const TfrmInstall& f = read("[FileGroups]\nCount=0\n[Types]\nCount=0\n");
    EXPECT_EQ(f.m_sHeadTitleText, "Installation");
    EXPECT_EQ(f.m_sFormTitleText, "Installation");
    EXPECT_EQ(f.m_sStartMenuText, "Neue Installation");
    EXPECT_EQ(f.m_sStartMenuDir, "C:\\Menu\\Neue Installation\\");
    EXPECT_EQ(f.m_sUninstallKey, "");
    EXPECT_EQ(f.m_pclFileGroups->Count(), 0);
    EXPECT_EQ(f.m_pclTypeNames->Count(), 0);
    EXPECT_EQ(f.m_pclIconTexts->Count(), 0);
    EXPECT_EQ(f.Caption, "Installation");
    EXPECT_EQ(f.lblHead->Caption, "Installation");
}

TEST_F(SetupDescription, OnlyExactlyOneSwitchesAnOptionOn) {
    struct Case { const char* value; bool on; };
    for (const Case& c : {Case{"1", true}, Case{"yes", false}, Case{"", false}, Case{"01", false}}) {
        const TfrmInstall& f = read(std::string("[Options]\nLicence=") + c.value + "\nWinRestart=" + c.value + "\n");
        EXPECT_EQ(f.m_bShowLicence, c.on) << c.value;
        EXPECT_EQ(f.m_bWinRestart, c.on) << c.value;
    }
}

TEST_F(SetupDescription, MemberLinesBecomePakEntriesWithZeroHeaders) {
    const TfrmInstall& f = read(
        "[FileGroups]\nCount=1\nGroup1=Prog\n"
        "[Prog]\nLZ000001=110000\nLZ00001=110000\nLZ000002=1100001111\nLZ000003=11\n");
    EXPECT_THAT(lines(members(f, 0)), ::testing::ElementsAre("LZ000001.PAK110000", "LZ00001=.PAK10000",
                                                             "LZ000002.PAK110000", "LZ000003.PAK11"));
    const auto* header = static_cast<TMemberHeaderObject*>(members(f, 0).Objects(0));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->Value, LzwMemberHeader{});
}

TEST_F(SetupDescription, TargetsAreAlwaysTokensWhileTheRawListKeepsTheValue) {
    const TfrmInstall& f = read(
        "[FileGroups]\nCount=0x03\nGroup1=A\nGroup2=B\nGroup3=C\n"
        "[FileGroupsFixPath]\nGroup1=D:\\Programme\\Tool\nGroup3=<program_dir>\n"
        "[FileGroupsVarPath]\nGroup1=BIN\n[FileGroupsTypeSelect]\nGroup1=101\n");
    EXPECT_THAT(lines(*f.m_pclGroupFixPathsRaw),
                ::testing::ElementsAre("D:\\Programme\\Tool", "<PROGRAM_DIR>", "<program_dir>"));
    EXPECT_THAT(lines(*f.m_pclGroupFixPaths), ::testing::ElementsAre("<PROGRAM_DIR>", "<PROGRAM_DIR>", "<program_dir>"));
    EXPECT_THAT(lines(*f.m_pclGroupVarPaths), ::testing::ElementsAre("BIN", "", ""));
    EXPECT_THAT(lines(*f.m_pclGroupTypeSelect), ::testing::ElementsAre("101", "", ""));
    EXPECT_THAT(lines(*f.m_pclFileGroups), ::testing::ElementsAre("A", "B", "C"));
}

TEST_F(SetupDescription, HelpTextsAreDecodedAndTypesIndexed) {
    const TfrmInstall& f = read(
        "[Types]\nCount=2\nActiveTypes=10\nName1=Standard\nName2=Alles\n"
        "[TypeHelpRtf]\nRtfText1={\\\\rtf1 Gr\\00f6\\00dfe}\n");
    EXPECT_THAT(lines(*f.m_pclTypeNames), ::testing::ElementsAre("Standard", "Alles"));
    EXPECT_THAT(lines(*f.m_pclTypeHelpRtf), ::testing::ElementsAre("{\\rtf1 Größe}", ""));
    EXPECT_EQ(static_cast<TIntObject*>(f.m_pclTypeNames->Objects(1))->Value, 1);
    EXPECT_EQ(static_cast<TIntObject*>(f.m_pclTypeHelpRtf->Objects(0))->Value, 0);
    EXPECT_EQ(f.m_sActiveTypes, "10");
}

TEST_F(SetupDescription, StartMenuGroupAndUninstallValues) {
    const TfrmInstall& f = read(
        "[Text]\nStartMenuText=Tools\n[Uninstall]\nUninstallKey=Demo\nCount=2\nUnFile1=C:\\A.INI\n");
    EXPECT_EQ(f.m_sStartMenuDir, "C:\\Menu\\Tools\\");
    EXPECT_EQ(f.m_sUninstallKey, "Demo");
    EXPECT_THAT(lines(*f.m_pclUnFiles), ::testing::ElementsAre("C:\\A.INI", ""));
}

TEST_F(SetupDescription, NoMemberIsDroppedHoweverLongTheKeyNames) {
    std::string text = "[FileGroups]\nCount=1\nGroup1=Big\n[Big]\n";
    for (int i = 0; i < 2000; ++i) text += "LZ" + std::to_string(100000 + i) + "=110000\n";
    text += "[IconText]\n";
    for (int i = 0; i < 400; ++i) text += std::string(40, 'N') + std::to_string(1000 + i) + ".EXE=Programm\n";
    const TfrmInstall& f = read(text);
    ASSERT_EQ(members(f, 0).Count(), 2000);
    EXPECT_EQ(members(f, 0)[1999], "LZ101999.PAK110000");
    ASSERT_EQ(f.m_pclIconTexts->Count(), 400);
    EXPECT_EQ((*f.m_pclIconTexts)[399], std::string(40, 'N') + "1399.EXE=Programm");
}

TEST_F(SetupDescription, MalformedHelpTextIsFatalAndReported) {
    useScript("box OK Hilfetext\n");
    EXPECT_EXIT(read("[Types]\nCount=2\n[TypeHelpRtf]\nRtfText2=\\rtf1\n"), ::testing::ExitedWithCode(1), "");
    const std::string transcript = testsupport::readHostFile(machineDir + "/transcript.txt");
    EXPECT_THAT(transcript, ::testing::HasSubstr("Fehlerhafter Hilfetext in SETUP.ALL: RtfText2, Abbruch !"));
    const std::string log = testsupport::readHostFile(driveC() + "/TEMP/INSTALL.LOG");
    EXPECT_THAT(log, ::testing::HasSubstr("RtfText2, Abbruch ! '0xrtf1' is not a valid integer value"));
}

// A count larger than the file's lines cannot be meant: refused at once,
// before a single numbered key is read.
TEST_F(SetupDescription, ImpossibleCountIsFatalAndReported) {
    const char* sections[] = {"Uninstall", "FileGroups", "Types"};
    for (const char* section : sections) {
        SCOPED_TRACE(section);
        const std::string text = std::string("[") + section + "]\nCount=2147483647\n";
        useScript("box OK Eintrag in SETUP.ALL\n");
        EXPECT_EXIT(read(text), ::testing::ExitedWithCode(1), "");
        // The transcript is UTF-8, the log Windows-1252 like this literal.
        const std::string message = std::string("Eintrag in SETUP.ALL: [") + section + "] Count, Abbruch !";
        const std::string transcript = testsupport::readHostFile(machineDir + "/transcript.txt");
        EXPECT_THAT(transcript, ::testing::HasSubstr("Nicht behebbarer Fehler !"));
        EXPECT_THAT(transcript, ::testing::HasSubstr(message));
        EXPECT_THAT(testsupport::readHostFile(driveC() + "/TEMP/INSTALL.LOG"),
                    ::testing::HasSubstr("Ungültiger " + message));
    }
    // As many entries as lines is still read.
    const TfrmInstall& f = read("[Uninstall]\nCount=3\n\n");
    EXPECT_EQ(f.m_pclUnFiles->Count(), 3);
}

}  // namespace
