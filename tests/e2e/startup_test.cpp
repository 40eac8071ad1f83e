// Start-up of the built installer: directories, work directory, first log
// lines, administrator question, and the packed setup description.
#include "SetupRun.h"

#include "LzwPacker.h"
#include "Win.h"

#include <filesystem>

#include <gmock/gmock.h>

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace setuptest {
namespace {

const char* const kFatal = "caption=\"Nicht behebbarer Fehler !\"";
// One setup type, nothing to install.
std::string Description(const std::string& title) {
    return "[Text]\nHeadTitleText=" + title + "\n[FileGroups]\nCount=0\n"
           "[Types]\nCount=1\nActiveTypes=1\nName1=Standard\n[TypeHelpRtf]\nRtfText1=Alles\n";
}

// The user leaves at the first wizard question: no setup type to choose.
const char* const kLeaveAtTypePage = "page frmTypSelect\nclick cmdNext\nbox No\n";

class StartUp : public SetupTest {
protected:
    void SetUp() override {
        SetupTest::SetUp();
        putSetupDescription(Description("Demo"));
    }
};

TEST_F(StartUp, TempOptionWithoutDriveLetterIsFatal) {
    const SetupResult r = runSetup("box OK Kein Laufwerksbezeichner\n", {"-TEMP=work"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_THAT(r.transcript, HasSubstr("beep"));
    EXPECT_THAT(r.transcript, HasSubstr("box style=16 " + std::string(kFatal) +
                                        " text=\"Kein Laufwerksbezeichner im Pfad: <WORK\\>, Abbruch !\""));
}

TEST_F(StartUp, TempOptionIsUpperCasedAndBecomesTheWorkDirectory) {
    const SetupResult r = runSetup(kLeaveAtTypePage, {"-temp=d:\\work"});
    const std::vector<std::string> log = logTexts("D:\\WORK\\INSTALL.LOG");
    ASSERT_GE(log.size(), 2u) << r.transcript << r.err;
    EXPECT_EQ(log[0], "INSTALL 2.3");
    EXPECT_EQ(log[1], "Start der Installation");
    EXPECT_THAT(log, ::testing::Contains("SETUP.ALL wurde eingelesen"));
}

// A count that the description's lines cannot hold is refused before a
// single numbered key is read, naming the section and key that hold it.
TEST_F(StartUp, ImpossibleCountIsFatal) {
    for (const char* section : {"FileGroups", "Types", "Uninstall"}) {
        SCOPED_TRACE(section);
        putSetupDescription(std::string("[") + section + "]\nCount=2147483647\n");
        const SetupResult r = runSetup("box OK Ungültiger Eintrag\n");
        const std::string text = std::string("Ungültiger Eintrag in SETUP.ALL: [") + section + "] Count, Abbruch !";
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_THAT(r.transcript, HasSubstr("beep"));
        EXPECT_THAT(r.transcript, HasSubstr("box style=16 " + std::string(kFatal) + " text=\"" + text + "\""));
        EXPECT_THAT(logTexts("C:\\TEMP\\INSTALL.LOG"), ::testing::Contains(text));
    }
}

TEST_F(StartUp, TooLongTempOptionIsRefusedBeforeAnythingIsCreated) {
    const std::string option = "-TEMP=D:\\" + std::string(260, 'A');
    const SetupResult r = runSetup("box OK Pfad zu lang\n", {option});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_THAT(r.transcript, HasSubstr("Pfad zu lang: <" + option + ">, Abbruch !"));
    EXPECT_FALSE(std::filesystem::exists(machineDir + "/drives/D/" + std::string(251, 'A')));
}

// The medium is a CD: a work directory on it can hold neither the log nor the
// setup description, and nothing is written there.
TEST_F(StartUp, TempOptionOnTheMediumIsFatalAndWritesNothing) {
    SKIP_ON_WINE("a CD that refuses writes (Wine writes into the folder behind its CD drive)");
    const auto mediumFiles = [this] {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(medium())) files.push_back(entry.path());
        return files;
    };
    const std::vector<std::string> before = mediumFiles();
    const SetupResult r = runSetup("box OK entpackt\n", {"-TEMP=E:\\WORK"});
    EXPECT_EQ(r.exitCode, 1) << r.err << r.transcript;
    EXPECT_THAT(r.transcript, HasSubstr("Installations-Datei konnte nicht entpackt werden !"));
    EXPECT_EQ(mediumFiles(), before);
}

TEST_F(StartUp, NoTemporaryDirectoryIsFatal) {
    SKIP_ON_WINE("a machine without a temporary directory");
    setMachineIni(iniWith("TempDir=\n"));
    const SetupResult r = runSetup("box OK temporärer\n");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_THAT(r.transcript, HasSubstr("Es steht nicht genügend temporärer Festplattenspeicher zur Verfügung !"));
}

TEST_F(StartUp, NonAdministratorAnsweringYesEndsNormally) {
    SKIP_ON_WINE("a user without administrator rights");
    setMachineIni(iniWith("Administrator=0\n"));
    const SetupResult r = runSetup("box Yes Administratorrechte\n");
    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(r.transcript, HasSubstr("box style=36 caption=\"Fehlende Berechtigung\""));
    EXPECT_THAT(logTexts("C:\\TEMP\\INSTALL.LOG"), Not(::testing::Contains("Installation ohne Administratorrechte !")));
}

TEST_F(StartUp, ScriptThatRunsOutFailsFast) {
    setMachineIni(iniWith("Administrator=0\n"));
    const SetupResult r = runSetup("");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_THAT(r.err, HasSubstr("script"));
}

TEST_F(StartUp, MissingSetupDescriptionIsFatal) {
    putOnMedium("INST.ALL", "no member");
    const SetupResult r = runSetup("box OK entpackt\n");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_THAT(r.transcript, HasSubstr("Installations-Datei konnte nicht entpackt werden !"));
    EXPECT_THAT(logTexts("C:\\TEMP\\INSTALL.LOG"), ::testing::Contains("Abbruch, Installations-Datei nicht entpackt"));
}

TEST_F(StartUp, FloppyInDriveAWinsOverTheMedium) {
    setMachineIni(iniWith("", "[Drive A]\nType=removable\nFolder=floppy\nFree=1,512,100,2880\n"));
    std::string data = Description("Diskette");
    for (std::size_t at = 0; (at = data.find('\n', at)) != std::string::npos; at += 2) data.insert(at, "\r");
    testsupport::writeHostFile(machineDir + "/floppy/INST.ALL",
                               LzwPackMember(LzwMakeHeader("SETUP.ALL", data.size(), 0, 0x20), data));
    const SetupResult r = runSetup(kLeaveAtTypePage);
    EXPECT_THAT(r.transcript, HasSubstr("caption=\"Diskette - Abbruch der Installation\"")) << r.err;
}

TEST_F(StartUp, ReadOnlyLeftoverSetupDescriptionIsReplaced) {
    testsupport::writeHostFile(host("C:\\TEMP") + "/SETUP.ALL", "[Text]\r\nHeadTitleText=Alt\r\n");
    ASSERT_TRUE(makeReadOnly("C:\\TEMP\\SETUP.ALL"));
    const SetupResult r = runSetup(kLeaveAtTypePage);
    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(r.transcript, HasSubstr("caption=\"Demo - Abbruch der Installation\""));
}

}  // namespace
}  // namespace setuptest
