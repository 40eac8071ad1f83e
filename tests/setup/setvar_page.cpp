// The parameter page: placeholders, the environment memo and the run-time
// INI edit fields, what Next writes back, and the focus keys.
#include "fExecMerge.h"
#include "pages_fixture.h"

#include <gtest/gtest.h>

namespace pagestest {
namespace {

struct ExpandCase {
    const char* text;
    const char* expanded;
};

using Placeholders = PagesTest;

TEST_F(Placeholders, TokensExpandWithoutCaseAndUnclosedPercentSignsStay) {
    frmInstall->m_sProgramDir = "C:\\PROG\\";
    frmInstall->m_sNetworkDir = "D:\\DATEN\\";
    frmInstall->m_sWindowsDir = "C:\\WINDOWS\\";
    frmInstall->m_sSystemDir = "C:\\WINDOWS\\SYSTEM32\\";
    frmInstall->m_sTempDir = "C:\\TEMP\\INST\\";
    const ExpandCase cases[] = {
        {"Path=%program_dir%bin", "Path=C:\\PROG\\bin"},
        {"%NETWORK_DIR%|%WINDOWS_DIR%|%SYSTEM_DIR%", "D:\\DATEN\\|C:\\WINDOWS\\|C:\\WINDOWS\\SYSTEM32\\"},
        {"Rate=50%", "Rate=50%"},
        {"%TEMP_DIR%x%", "C:\\TEMP\\INST\\x%"},
        {"a%%b", "ab"},
        {"a%UNKNOWN%b", "ab"},
        {"Host=%COMPUTER_NAME%:%USER_NAME%@%LOCAL_IPADDRESS%", "Host=BRIMPC:user@192.168.1.10"},
        {"", ""},
    };
    for (const ExpandCase& c : cases) EXPECT_EQ(ExpandPlaceholders(c.text), c.expanded) << c.text;
}

struct IdentityCase {
    const char* machineIni;
    const char* token;
    const char* value;
};

TEST_F(Placeholders, NamesThatDoNotFitTheirBuffersAndMissingAddressesAreEmpty) {
    const IdentityCase cases[] = {
        {"ComputerName=FIFTEEN-LETTERS", "%COMPUTER_NAME%", "FIFTEEN-LETTERS"},
        {"ComputerName=SIXTEEN-LETTERSX", "%COMPUTER_NAME%", ""},
        {"ComputerName=", "%COMPUTER_NAME%", ""},
        {"UserName=abcdefghijabcdefghijabcdefghijabcdefghijabcdefghi", "%USER_NAME%",
         "abcdefghijabcdefghijabcdefghijabcdefghijabcdefghi"},
        {"UserName=abcdefghijabcdefghijabcdefghijabcdefghijabcdefghij", "%USER_NAME%", ""},
        {"HostAddress=10.0.0.7,192.168.1.10", "%LOCAL_IPADDRESS%", "10.0.0.7"},
        {"HostAddress=", "%LOCAL_IPADDRESS%", ""},
        {"HostName=", "%LOCAL_IPADDRESS%", ""},
    };
    for (const IdentityCase& c : cases) {
        setMachineIni(std::string("[Machine]\n") + c.machineIni + "\n");
        EXPECT_EQ(PlaceholderValue(c.token), c.value) << c.machineIni;
    }
}

class ParameterPage : public PagesTest {
protected:
    std::vector<std::string> memo() const {
        std::vector<std::string> lines;
        for (int i = 0; i < frmSetVar->memEnv->Lines->Count(); ++i) lines.push_back(frmSetVar->memEnv->Lines->Strings(i));
        return lines;
    }
    static std::vector<std::string> linesOf(const TStrings& list) {
        std::vector<std::string> lines;
        for (int i = 0; i < list.Count(); ++i) lines.push_back(list[i]);
        return lines;
    }
    TEdit* field(int index) const { return static_cast<TEdit*>(frmSetVar->sbIni->Controls(index)); }

    TStringList environment;
    TStringList iniLines{true};
};

TEST_F(ParameterPage, MemoShowsPresentValuesAndNextKeepsNamedValuesWithTheirInnerBlanks) {
    setMachineIni("[Environment]\nQDBHOME=C:\\Live\n");
    environment.Add("qdbhome=C:\\Default");
    environment.Add("Lang=de");
    environment.Add("NOEQUALS");
    FillEnvironmentMemo(frmSetVar, &environment);
    FillIniEdits(frmSetVar, &iniLines);
    // A line without "=" has no name: only its (empty) value is shown.
    EXPECT_EQ(memo(), (std::vector<std::string>{"QDBHOME=C:\\Live", "LANG=de", "="}));

    EXPECT_EQ(show(*frmSetVar,
                   "page frmSetVar\n"
                   "text memEnv QDBHOME = C:\\Pro gramme\\Q\\nLANG=\\nNOEQUALS\\n=x\\n\\n NEU WERT = a b \n"
                   "key F4\nclick cmdNext\n"),
              prNext);
    // Blanks go from the names and from the ends of the values only.
    EXPECT_EQ(linesOf(environment), (std::vector<std::string>{"QDBHOME=C:\\Pro gramme\\Q", "NEUWERT=a b"}));
    ASSERT_FALSE(memo().empty());
    EXPECT_EQ(memo()[0], "QDBHOME=C:\\Pro gramme\\Q") << "the memo shows the cleaned lines";
    EXPECT_TRUE(transcriptHas("show frmSetVar \"Demo Setup 2.0\""));

    // Tabs and other control characters at the ends of a value go too; a
    // directory with a blank passes untouched.
    environment.Clear();
    environment.Add("Tab=\t1\t");
    environment.Add("TOOL=C:\\Program Files\\Tool");
    FillEnvironmentMemo(frmSetVar, &environment);
    EXPECT_EQ(show(*frmSetVar, "page frmSetVar\nclick cmdNext\n"), prNext);
    EXPECT_EQ(linesOf(environment), (std::vector<std::string>{"TAB=1", "TOOL=C:\\Program Files\\Tool"}));
}

TEST_F(ParameterPage, EditFieldsShowExpandedLinesAndNextWritesThemBackKeepingTheirEntries) {
    frmInstall->m_sProgramDir = "C:\\PROG\\";
    auto* first = new PendingIniEntry;
    auto* second = new PendingIniEntry;
    iniLines.AddObject("Dir=%PROGRAM_DIR%", first);
    iniLines.AddObject("Port=1", second);
    FillEnvironmentMemo(frmSetVar, &environment);
    FillIniEdits(frmSetVar, &iniLines);

    ASSERT_EQ(frmSetVar->sbIni->ControlCount(), 2);
    EXPECT_EQ(field(0)->Text, "Dir=C:\\PROG\\");
    EXPECT_EQ(field(0)->Top, 0);
    EXPECT_EQ(field(1)->Top, field(0)->Height - 6);
    EXPECT_EQ(field(1)->Width, frmSetVar->sbIni->Width);
    EXPECT_EQ(field(1)->BorderStyle, bsNone);
    EXPECT_FALSE(field(1)->AutoSelect);

    EXPECT_EQ(show(*frmSetVar, "page frmSetVar\ntext sbIni#1   Port = 2  \nclick cmdNext\n"), prNext);
    EXPECT_EQ(linesOf(iniLines), (std::vector<std::string>{"Dir=C:\\PROG\\", "Port = 2"}));
    EXPECT_EQ(iniLines.Objects(0), first);
    EXPECT_EQ(iniLines.Objects(1), second);
}

// The page has no key preview of its own; the test's preview notes where
// the focus is when F1 (a key nobody handles) arrives.
class FocusKeys : public ParameterPage {
protected:
    void SetUp() override {
        ParameterPage::SetUp();
        iniLines.Add("A=1");
        iniLines.Add("B=2");
        FillEnvironmentMemo(frmSetVar, &environment);
        FillIniEdits(frmSetVar, &iniLines);
        frmSetVar->KeyPreview = true;
        frmSetVar->OnKeyDown = [this](TObject*, uint16_t& key, TShiftState) {
            if (key == VK_F1) focusedAtF1 = frmSetVar->ActiveControl;
        };
    }
    TWinControl* focusAfter(const std::string& steps) {
        EXPECT_EQ(show(*frmSetVar, "page frmSetVar\n" + steps + "key F1\nclick cmdNext\n"), prNext);
        return focusedAtF1;
    }
    TWinControl* focusedAtF1 = nullptr;
};

TEST_F(FocusKeys, UpDownAndReturnMoveBetweenFieldsAndOutOfTheBox) {
    EXPECT_EQ(focusAfter("focus sbIni#0\nkey Down\n"), field(1));
    EXPECT_EQ(focusAfter("focus sbIni#0\nkey Return\n"), field(1));
    EXPECT_EQ(focusAfter("focus sbIni#1\nkey Up\n"), field(0));
    EXPECT_EQ(focusAfter("focus sbIni#0\nkey Up\n"), frmSetVar->memEnv);
    EXPECT_EQ(focusAfter("focus sbIni#1\nkey Down\n"), frmSetVar->cmdNext);
    EXPECT_EQ(focusAfter("focus sbIni#1\nkey A\n"), field(1)) << "other keys are left alone";
}

}  // namespace
}  // namespace pagestest
