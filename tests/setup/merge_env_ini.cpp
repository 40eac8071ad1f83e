// ".ENV" and ".IPA" members, the INI defaults read back, the parameter page
// between them, and what the executor writes afterwards.
#include "merge_fixture.h"

#include "Registry.h"

#include <gtest/gtest.h>

namespace mergetest {
namespace {

const char* const kMachineEnvironment = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

std::string machineEnvironment(const std::string& name) {
    std::string value;
    win::regReadString(win::RegRoot::LocalMachine, kMachineEnvironment, name, value);
    return value;
}

std::string iniValue(const std::string& file, const std::string& section, const std::string& key) {
    return win::ProfileFile(file).readString(section, key).value_or("<missing>");
}

using EnvMembers = MergeTest;

TEST_F(EnvMembers, FirstDefinitionOfANameWinsAndReachesTheRegistry) {
    unpackMember("[Setup]\r\nIsEnvFile=1\r\n[Environment]\r\nQdbHome=C:\\Q\r\nLang=de\r\n");
    EvaluateEnvFile("FIRST.ENV", environment);
    unpackMember("[Setup]\r\nIsEnvFile=1\r\n[Environment]\r\nQDBHOME=D:\\Other\r\nExtra=1\r\n");
    EvaluateEnvFile("SECOND.ENV", environment);

    EXPECT_EQ(linesOf(environment), (std::vector<std::string>{"QdbHome=C:\\Q", "Lang=de", "Extra=1"}));
    EXPECT_TRUE(logHas("Environment-Datei: FIRST.ENV"));
    EXPECT_TRUE(logHas("Environment-Datei: SECOND.ENV"));

    EXPECT_TRUE(finish("page frmSetVar\nclick cmdNext\n"));
    EXPECT_EQ(machineEnvironment("QDBHOME"), "C:\\Q");
    EXPECT_EQ(machineEnvironment("LANG"), "de");
    EXPECT_EQ(machineEnvironment("EXTRA"), "1");
    EXPECT_TRUE(journalHas("broadcast WM_WININICHANGE text=\"Environment\" flags=2 timeout=5000"));
}

TEST_F(EnvMembers, WrongMarkerIsReportedAndTheMemberIgnored) {
    const char* const members[] = {
        "[Setup]\r\nIsEnvFile=2\r\n[Environment]\r\nA=1\r\n",
        "[Environment]\r\nA=1\r\n",
    };
    for (const char* member : members) {
        unpackMember(member);
        useScript("box OK\n");
        EvaluateEnvFile("BAD.ENV", environment);
        EXPECT_TRUE(transcriptHas("message caption=\"Setup\" text=\"Fehlerhafte ENVIRONMENT-Datei:BAD.ENV\""))
            << member;
    }
    EXPECT_TRUE(logHas("Fehlerhafte ENVIRONMENT-Datei:BAD.ENV"));
    EXPECT_EQ(environment.Count(), 0);
}

using IpaMembers = MergeTest;

TEST_F(IpaMembers, DefaultsAreOfferedOnlyWhereTheIniHasNoValueAndEditsAreWritten) {
    putC("C:\\PROG\\DEMO.INI", "[Net]\r\nHost=server\r\nEmpty=\r\n");
    unpackMember(
        "[Setup]\r\nIsIpaFile=1\r\n[Net]\r\nHost=default\r\nEmpty=e1\r\nPort=%COMPUTER_NAME%:1\r\nDrop=v\r\n"
        "[setup]\r\nIgnored=1\r\n");
    EvaluateIpaFile("C:\\PROG\\DEMO.IPA", "DEMO.IPA");
    // A later member for the same file and section replaces a default.
    unpackMember("[Setup]\r\nIsIpaFile=1\r\n[Net]\r\nPort=%computer_name%x\r\n");
    EvaluateIpaFile("C:\\PROG\\DEMO.IPA", "DEMO2.IPA");

    EXPECT_TRUE(logHas("Auswertung IPA-Datei:DEMO.IPA"));
    EXPECT_TRUE(logHas("Gruppe: [Net]   Name: Host   Vorgabe: default"));
    EXPECT_TRUE(logHas("Gruppe: [Net]   Name: Port   Vorgabe: %computer_name%x"));
    EXPECT_EQ(iniValue("C:\\TEMP\\INST\\INIFILE.ALL", "C:\\PROG\\DEMO.INI#Net", "Port"), "%computer_name%x");
    EXPECT_EQ(iniValue("C:\\TEMP\\INST\\INIFILE.ALL", "C:\\PROG\\DEMO.INI#setup", "Ignored"), "<missing>");

    // Offered: Empty, Port, Drop (Host has a value already).
    EXPECT_TRUE(finish("page frmSetVar\ntext sbIni#0 Empty=e2\ntext sbIni#2 Drop=\nclick cmdNext\n"));
    EXPECT_EQ(frmSetVar->sbIni->ControlCount(), 3);
    EXPECT_EQ(iniValue("C:\\PROG\\DEMO.INI", "Net", "Host"), "server");
    EXPECT_EQ(iniValue("C:\\PROG\\DEMO.INI", "Net", "Empty"), "e2");
    EXPECT_EQ(iniValue("C:\\PROG\\DEMO.INI", "Net", "Port"), "BRIMPCx");
    EXPECT_EQ(iniValue("C:\\PROG\\DEMO.INI", "Net", "Drop"), "<missing>");
    EXPECT_FALSE(existsC("C:\\TEMP\\INST\\INIFILE.ALL"));
    EXPECT_FALSE(existsC("C:\\TEMP\\INST\\INSTFILE.TMP"));
}

TEST_F(IpaMembers, WrongMarkerIsReportedAndNothingMerged) {
    unpackMember("[Setup]\r\nIsIpaFile=yes\r\n[Net]\r\nPort=1\r\n");
    useScript("box OK\n");
    EvaluateIpaFile("C:\\PROG\\DEMO.IPA", "DEMO.IPA");
    EXPECT_TRUE(transcriptHas("message caption=\"Setup\" text=\"Fehlerhafte IPA-Datei:DEMO.IPA\""));
    EXPECT_TRUE(logHas("Auswertung IPA-Datei:DEMO.IPA"));
    EXPECT_TRUE(logHas("Fehlerhafte IPA-Datei:DEMO.IPA"));
    EXPECT_FALSE(existsC("C:\\TEMP\\INST\\INIFILE.ALL"));
}

using FinalSteps = MergeTest;

TEST_F(FinalSteps, NothingToEditShowsNoPageButTheExecutorPageStillGoesOffScreen) {
    unpackMember("[Setup]\r\nIsIpaFile=1\r\n");
    EvaluateIpaFile("C:\\PROG\\DEMO.IPA", "DEMO.IPA");
    putC("C:\\TEMP\\INST\\INST.ALL", "the medium's own");

    // The empty script fails the run if any page or box appears.
    EXPECT_TRUE(finish(""));
    EXPECT_EQ(execPage->Height, 0);
    EXPECT_EQ(execPage->Width, 0);
    EXPECT_EQ(execPage->Top, -50);
    for (const char* file : {"INSTFILE.TMP", "INIFILE.ALL"})
        EXPECT_FALSE(existsC(std::string("C:\\TEMP\\INST\\") + file)) << file;
    // Setup may run from its work directory: only joined split volumes
    // leave an INST.ALL there that is ours to delete.
    EXPECT_TRUE(existsC("C:\\TEMP\\INST\\INST.ALL"));
}

TEST_F(FinalSteps, JoinedSetupDescriptionIsDeleted) {
    frmInstall->m_bSplitJoined = true;
    unpackMember("[Setup]\r\nIsIpaFile=1\r\n");
    EvaluateIpaFile("C:\\PROG\\DEMO.IPA", "DEMO.IPA");
    putC("C:\\TEMP\\INST\\INST.ALL", "rebuilt");
    EXPECT_TRUE(finish(""));
    EXPECT_FALSE(existsC("C:\\TEMP\\INST\\INST.ALL"));
}

TEST_F(FinalSteps, MergeFileLeftByAnEarlierRunIsReadBack) {
    putC("C:\\TEMP\\INST\\INIFILE.ALL",
         "[C:\\PROG\\OLD.INI#Main]\r\nKey=1\r\n[NoMarker]\r\nOther=2\r\n[C:\\PROG\\x.ini#Main]\r\nLower=3\r\n");
    EXPECT_TRUE(finish("page frmSetVar\nclick cmdNext\n"));
    EXPECT_EQ(frmSetVar->sbIni->ControlCount(), 1);
    EXPECT_EQ(iniValue("C:\\PROG\\OLD.INI", "Main", "Key"), "1");
    EXPECT_FALSE(existsC("C:\\PROG\\x.ini")) << "the marker \".INI#\" is matched with case";
}

}  // namespace
}  // namespace mergetest
