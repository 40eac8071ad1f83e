// The executor's last steps for OLE servers (now and after the reboot) and
// fonts.
#include "merge_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace mergetest {
namespace {

const char* const kRunOnce = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char* const kFonts = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

std::string registryString(const char* key, const std::string& name) {
    std::string value = "<missing>";
    win::regReadString(win::RegRoot::LocalMachine, key, name, value);
    return value;
}

class OleServers : public MergeTest {
protected:
    void putLibrary(const std::string& windowsPath, const char* builtLibrary) const {
        std::filesystem::copy_file(builtLibrary, hostC(windowsPath));
    }
};

TEST_F(OleServers, RegisteredNowOnlyWhatSucceedsIsRecorded) {
    putLibrary("C:\\PROG\\VIEW.OCX", OLE_SERVER_OK_PATH);
    putLibrary("C:\\PROG\\BAD.DLL", OLE_SERVER_FAILS_PATH);
    putLibrary("C:\\PROG\\plain.dll", OLE_SERVER_NONE_PATH);
    putC("C:\\PROG\\tool.exe", "#machine-program exit=1\n");
    for (const char* path : {"C:\\PROG\\VIEW.OCX", "C:\\PROG\\BAD.DLL", "C:\\PROG\\plain.dll", "C:\\PROG\\tool.exe"})
        oleNow.Add(path);

    EXPECT_TRUE(finish(""));

    EXPECT_EQ(linesOf(*pclUninstallList),
              (std::vector<std::string>{"#OLE#C:\\PROG\\plain.dll", "#OLE#C:\\PROG\\tool.exe", "#OLE#C:\\PROG\\VIEW.OCX"}));
    EXPECT_TRUE(logHas("Registriere OLE-Server: C:\\PROG\\BAD.DLL"));
    const std::string log = installLog();
    const std::size_t bad = log.find("Registriere OLE-Server: C:\\PROG\\BAD.DLL");
    const std::size_t noServer = log.find("Die Datei enthaelt keinen OLE-Server");
    ASSERT_NE(noServer, std::string::npos) << log;
    EXPECT_LT(bad, noServer);
    EXPECT_EQ(log.find("Die Datei enthaelt keinen OLE-Server", noServer + 1), std::string::npos) << log;

    EXPECT_TRUE(journalHas("library call export=DllRegisterServer path=\"C:\\PROG\\VIEW.OCX\" result=0"));
    EXPECT_TRUE(journalHas("library call export=DllRegisterServer path=\"C:\\PROG\\BAD.DLL\" result=-2147467259"));
    bool ranHidden = false;
    for (const std::string& line : journal())
        ranHidden |= line.starts_with("process start program=\"C:\\PROG\\tool.exe\" show=0");
    EXPECT_TRUE(ranHidden) << "a lower-case .exe is registered as a program";
}

TEST_F(OleServers, AfterTheRebootTheListGrowsAndTheProgramIsEnteredForTheNextLogon) {
    putC("C:\\WINDOWS\\INSTALL.OLE", "C:\\OLD\\X.DLL\r\n");
    putC("C:\\SETUP\\TREMLIN.EXE", "registers at logon");
    oleReboot.Add("C:\\PROG\\A.DLL");
    oleReboot.Add("C:\\PROG\\A.DLL");

    EXPECT_TRUE(finish(""));

    EXPECT_EQ(readC("C:\\WINDOWS\\INSTALL.OLE"), "C:\\OLD\\X.DLL\r\nC:\\PROG\\A.DLL\r\nC:\\PROG\\A.DLL\r\n");
    EXPECT_EQ(readC("C:\\WINDOWS\\TREMLIN.EXE"), "registers at logon");
    EXPECT_EQ(registryString(kRunOnce, "SETUPEXEtremlinexe"), "tremlin.exe NOTEST");
    EXPECT_EQ(linesOf(*pclUninstallList), (std::vector<std::string>{"#OLE#C:\\PROG\\A.DLL"}));
    EXPECT_TRUE(logHas("OLE-Server: C:\\PROG\\A.DLL kann erst nach dem REBOOT installiert werden"));
}

struct TremlinFailure {
    const char* name;
    bool programThere;
    const char* machineIni;
    const char* boxText;
    const char* logLine;
};

TEST_F(OleServers, FailuresToLeaveTheProgramAreWarnedAboutAndTheRunGoesOn) {
    const TremlinFailure cases[] = {
        {"program missing", false, "",
         "TREMLIN.EXE konnte nicht in das WINDOWS-Verzeichnis kopiert werden, OLE-Registrierung unvollständig !",
         "FEHLER, TREMLIN.EXE nicht in WINDOWS-Verzeichnis kopiert"},
        {"RunOnce refused", true,
         "[RegistryDeny]\nHKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce=1\n",
         "TREMLIN.EXE-Aufruf konnte nicht in REGISTRY geschrieben werden, OLE-Registrierung unvollständig !",
         "FEHLER, TREMLIN.EXE-Aufruf konnte nicht in REGISTRY geschrieben werden"},
    };
    for (const TremlinFailure& c : cases) {
        SCOPED_TRACE(c.name);
        setMachineIni(c.machineIni);
        makeDirC("TEMP/INST");
        if (c.programThere) putC("C:\\SETUP\\TREMLIN.EXE", "x");
        oleReboot.Clear();
        oleReboot.Add("C:\\PROG\\A.DLL");

        EXPECT_TRUE(finish("box OK\n"));

        const std::vector<std::string> lines = transcript();
        const auto box = std::find(lines.begin(), lines.end(),
                                   std::string("box style=48 caption=\"Nicht behebbarer Fehler !\" text=\"") +
                                       c.boxText + "\" answer=OK");
        ASSERT_NE(box, lines.end());
        EXPECT_NE(std::find(lines.begin(), box, "beep"), box) << "a beep comes before the box";
        EXPECT_TRUE(logHas(c.logLine));
        EXPECT_EQ(registryString(kRunOnce, "SETUPEXEtremlinexe"), "<missing>");
        EXPECT_EQ(readC("C:\\WINDOWS\\INSTALL.OLE"), "C:\\PROG\\A.DLL\r\n") << "the list is written all the same";
        EXPECT_EQ(pclUninstallList->IndexOf("#OLE#C:\\PROG\\A.DLL"), 0);
        std::filesystem::remove(hostC("C:\\WINDOWS\\INSTALL.OLE"));
        std::filesystem::remove(hostC("C:\\SETUP\\TREMLIN.EXE"));
    }
}

using FontSteps = MergeTest;

TEST_F(FontSteps, TrueTypeAndBitmapFontsAreAddedAndABrokenOneIsLogged) {
    putC("C:\\PROG\\A.TTF", std::string("\x00\x01\x00\x00glyphs", 10));
    putC("C:\\PROG\\B.FON", "MZ bitmap font");
    putC("C:\\PROG\\C.TTF", "no font at all");
    for (const char* path : {"C:\\PROG\\A.TTF", "C:\\PROG\\B.FON", "C:\\PROG\\C.TTF"}) fonts.Add(path);

    EXPECT_TRUE(finish(""));

    EXPECT_TRUE(logHas("Font-Installation: C:\\PROG\\A.TTF"));
    EXPECT_TRUE(logHas("Font-Installation: C:\\PROG\\B.FON"));
    EXPECT_TRUE(logHas("Fehlgeschlagene Font-Installation: C:\\PROG\\C.TTF"));
    EXPECT_EQ(registryString(kFonts, "A"), "C:\\WINDOWS\\FONTS\\A.TTF");
    EXPECT_EQ(registryString(kFonts, "B"), "C:\\WINDOWS\\FONTS\\B.FON");
    EXPECT_EQ(registryString(kFonts, "C"), "<missing>");
    EXPECT_TRUE(journalHas("font added path=\"C:\\WINDOWS\\FONTS\\A.TTF\""));
    EXPECT_TRUE(journalHas("font added path=\"C:\\WINDOWS\\FONTS\\B.FON\""));
    EXPECT_TRUE(journalHas("broadcast WM_FONTCHANGE"));
    EXPECT_FALSE(existsC("C:\\WINDOWS\\FONTS\\A.FOT")) << "the resource goes after the registration";
    EXPECT_TRUE(existsC("C:\\WINDOWS\\FONTS\\C.TTF")) << "the copy of a failed font stays";
}

}  // namespace
}  // namespace mergetest
