// Start-up of the built installer from a medium that carries split volumes
// instead of "INST.ALL": the join into the work directory's "SPLTMP\", the
// log moved there, the space estimate and the failure of the join.
#include "SetupRun.h"

#include "LzwPacker.h"
#include "SplitWriter.h"

#include <filesystem>

#include <gmock/gmock.h>

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

namespace setuptest {
namespace {

namespace fs = std::filesystem;

const char* const kFatal = "caption=\"Nicht behebbarer Fehler !\"";
const char* const kSpaceWarning =
    "Vorraussichtlich ist nicht genug Plattenspeicher zum Kopieren der Setup-Dateien frei. "
    "Möchten Sie trotzdem weitermachen?";
const char* const kJoinFailed = "Die Setup-Dateien konnten nicht kopiert werden, Abbruch";
// The user leaves at the first wizard question: no setup type to choose.
const char* const kLeaveAtTypePage = "page frmTypSelect\nclick cmdNext\nbox No\n";

// "INST.ALL" as a split member: the packed description with one setup type.
SplitMember PackedDescription(const std::string& title) {
    const std::string text = "[Text]\r\nHeadTitleText=" + title +
                             "\r\n[FileGroups]\r\nCount=0\r\n[Types]\r\nCount=1\r\nActiveTypes=1\r\nName1=Standard\r\n"
                             "[TypeHelpRtf]\r\nRtfText1=Alles\r\n";
    const LzwMemberHeader header = LzwMakeHeader("SETUP.ALL", uint32_t(text.size()), 0, 0x20);
    return SplitMember{"INST.ALL", LzwPackMember(header, text), LzwDosDateTime(2024, 3, 1, 9, 0, 0), 0x20, {}};
}

class SplitStartUp : public SetupTest {
protected:
    void SetUp() override {
        SetupTest::SetUp();
        fs::remove(medium() + "/INST.ALL");
    }

    // One member a volume: the description first, then filler files.
    void putVolumes(int count) {
        std::vector<std::string> volumes = {SplitStream({PackedDescription("Geteilt")})};
        for (int i = 2; i <= count; ++i)
            volumes.push_back(SplitStream({SplitMember{"FILL" + std::to_string(i) + ".TXT", "filler", 0, 0x20, {}}}));
        WriteSplitVolumes(medium(), volumes);
    }

    bool joined(const std::string& name) const { return fs::exists(host("C:\\TEMP\\SPLTMP") + "/" + name); }
};

TEST_F(SplitStartUp, JoinedSetupFilesAreUsedAndTheLogMovesAlong) {
    putVolumes(2);
    const SetupResult r = runSetup(kLeaveAtTypePage);
    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(r.transcript, HasSubstr("show frmPrepare"));
    EXPECT_THAT(r.transcript, Not(HasSubstr(kSpaceWarning)));
    // The title comes from the joined description, unpacked in the new work directory.
    EXPECT_THAT(r.transcript, HasSubstr("caption=\"Geteilt - Abbruch der Installation\""));
    EXPECT_TRUE(joined("INST.ALL"));
    EXPECT_TRUE(joined("FILL2.TXT"));
    EXPECT_TRUE(joined("SETUP.ALL"));
    EXPECT_EQ(r.out,
              "Lese: E:\\DISK01.SPL\n"
              "Schreibe: C:\\TEMP\\SPLTMP\\INST.ALL\n"
              "Lese: E:\\DISK02.SPL\n"
              "Schreibe: C:\\TEMP\\SPLTMP\\FILL2.TXT\n");

    EXPECT_FALSE(fs::exists(host("C:\\TEMP") + "/INSTALL.LOG"));
    const std::vector<std::string> log = logTexts("C:\\TEMP\\SPLTMP\\INSTALL.LOG");
    ASSERT_GE(log.size(), 4u) << r.transcript;
    EXPECT_EQ(log[0], "INSTALL 2.3");
    EXPECT_EQ(log[1], "Start der Installation");
    EXPECT_EQ(log[2], "Setup wird aus SPL-Dateien zusammengesetzt");
    EXPECT_EQ(log[3], "SETUP.ALL wurde eingelesen");
}

// The run's first lines live only in the old log until their copy is made:
// a copy that fails keeps it, and the later lines go to the new place.
TEST_F(SplitStartUp, AFailedLogCopyKeepsTheOldLog) {
    SKIP_ON_WINE("an unreadable file");
    setMachineIni(iniWith("", "[Faults]\nC:\\TEMP\\INSTALL.LOG=unreadable\n"));
    putVolumes(2);
    const SetupResult r = runSetup(kLeaveAtTypePage);
    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    const std::string old = testsupport::readHostFile(host("C:\\TEMP") + "/INSTALL.LOG");
    for (const char* line : {"INSTALL 2.3", "Start der Installation", "Setup wird aus SPL-Dateien zusammengesetzt"})
        EXPECT_THAT(old, HasSubstr(line));
    EXPECT_THAT(logTexts("C:\\TEMP\\SPLTMP\\INSTALL.LOG"), Contains("SETUP.ALL wurde eingelesen"));
}

TEST_F(SplitStartUp, ElevenVolumesGiveTheSpaceWarningAndOkGoesOn) {
    putVolumes(11);
    const SetupResult r = runSetup("box OK Vorraussichtlich\n" + std::string(kLeaveAtTypePage));
    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    const std::size_t box =
        r.transcript.find("box style=17 " + std::string(kFatal) + " text=\"" + kSpaceWarning + "\" answer=OK");
    ASSERT_NE(box, std::string::npos) << r.transcript;
    EXPECT_THAT(r.transcript.substr(0, box), ::testing::ContainsRegex("beep\n[0-9]+ $"));
    EXPECT_THAT(r.transcript, HasSubstr("caption=\"Geteilt - Abbruch der Installation\""));
    EXPECT_TRUE(joined("FILL11.TXT"));
}

TEST_F(SplitStartUp, CancelOnTheSpaceWarningEndsBeforeTheJoin) {
    putVolumes(11);
    const SetupResult r = runSetup("box Cancel Vorraussichtlich\n");
    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(r.transcript, Not(HasSubstr("show frmPrepare")));
    EXPECT_FALSE(joined("INST.ALL"));
    const std::vector<std::string> log = logTexts("C:\\TEMP\\SPLTMP\\INSTALL.LOG");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Nicht genug Plattenspeicher zum Kopieren der Setup-Dateien");
}

TEST_F(SplitStartUp, NoVolumesAtAllEndWithTheFailureBox) {
    const SetupResult r = runSetup("box OK kopiert\n");
    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(r.transcript, Not(HasSubstr(kSpaceWarning)));
    EXPECT_THAT(r.transcript, HasSubstr("box style=16 " + std::string(kFatal) + " text=\"" + kJoinFailed + "\""));
    EXPECT_EQ(r.out, "DISK01.SPL nicht gefunden, Abbruch\n");
    EXPECT_THAT(logTexts("C:\\TEMP\\SPLTMP\\INSTALL.LOG"), Contains(kJoinFailed));
}

TEST_F(SplitStartUp, WithoutWorkDirectoryNothingIsJoined) {
    SKIP_ON_WINE("a machine without a temporary directory");
    setMachineIni(iniWith("TempDir=\n"));
    putVolumes(2);
    const SetupResult r = runSetup("box OK temporärer\n");
    EXPECT_EQ(r.exitCode, 1) << r.err << r.transcript;
    EXPECT_THAT(r.transcript, HasSubstr("Es steht nicht genügend temporärer Festplattenspeicher zur Verfügung !"));
    EXPECT_THAT(r.transcript, Not(HasSubstr("show frmPrepare")));
    EXPECT_EQ(r.out, "");
    for (const auto& entry : fs::recursive_directory_iterator(machineDir)) EXPECT_NE(entry.path().filename(), "SPLTMP");
}

}  // namespace
}  // namespace setuptest
