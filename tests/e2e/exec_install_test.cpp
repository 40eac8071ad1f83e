// The executor of the built installer: packed members installed into their
// group directories with dates and attributes, the overwrite rules, backups,
// the in-use question, boot-time replacement, the fatal paths and the
// uninstall record.
#include "wizard_fixture.h"

#include "LzwPacker.h"
#include "Win.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include <gmock/gmock.h>

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

namespace setuptest {
namespace {

const uint32_t kOld = LzwDosDateTime(2020, 1, 1, 10, 0, 0);
const uint32_t kMember = LzwDosDateTime(2024, 3, 1, 12, 0, 0);
const uint32_t kNew = LzwDosDateTime(2025, 6, 1, 8, 0, 0);
// From 2044 on the year sets the high bit of a DOS date and time.
const uint32_t k2045 = LzwDosDateTime(2045, 2, 1, 9, 0, 0);

struct PakMember {
    std::string storedName;
    std::string data;
    std::string flags = "000000";
    uint32_t dosDateTime = kMember;
    uint32_t attributes = win::ATTR_ARCHIVE;
};

struct PakGroup {
    std::string varPath;
    std::vector<PakMember> members;
};

const char* const kRecord = "C:\\WINNT\\Uninstal\\Demo\\uninstall.dat";
const char* const kSharedDlls = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";

// The shell's folders of all users: the machine's below its Windows
// directory, Wine's where Wine keeps them.
std::string CommonPrograms() {
    return OnWine() ? "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\"
                    : "C:\\WINNT\\Profiles\\All Users\\Startmenü\\Programme\\";
}
std::string CommonStartup() { return CommonPrograms() + (OnWine() ? "StartUp\\" : "Autostart\\"); }
std::string CommonDesktop() {
    return OnWine() ? "C:\\users\\Public\\Desktop\\" : "C:\\WINNT\\Profiles\\All Users\\Desktop\\";
}

class Exec : public WizardTest {
protected:
    // One setup type, every group below the program directory C:\Prg\.
    void putInstall(const std::vector<PakGroup>& groups, const std::string& moreSections = "") {
        std::string list = "[FileGroups]\nCount=" + std::to_string(groups.size()) + "\n";
        std::string sections, fix = "[FileGroupsFixPath]\n", var = "[FileGroupsVarPath]\n",
                              masks = "[FileGroupsTypeSelect]\n";
        int n = 0;
        for (std::size_t g = 1; g <= groups.size(); ++g) {
            const std::string key = "Group" + std::to_string(g);
            list += key + "=Gruppe" + std::to_string(g) + "\n";
            sections += "[Gruppe" + std::to_string(g) + "]\n";
            for (const PakMember& m : groups[g - 1].members) {
                char name[16];
                std::snprintf(name, sizeof name, "LZ%06d", ++n);
                sections += std::string(name) + "=" + m.flags + "\n";
                putOnMedium(std::string(name) + ".PAK",
                            LzwPackMember(LzwMakeHeader(m.storedName, static_cast<uint32_t>(m.data.size()),
                                                        m.dosDateTime, m.attributes),
                                          m.data));
            }
            fix += key + "=<PROGRAM_DIR>\n";
            var += key + "=" + groups[g - 1].varPath + "\n";
            masks += key + "=1\n";
        }
        putOnMedium("uninstall.exe", "#machine-program\n");
        putOnMedium("TREMLIN.EXE", "#machine-program\n");
        putSetupDescription("[Text]\nHeadTitleText=Demo\nStartMenuText=Demo-Gruppe\n[Options]\n"
                            "[Uninstall]\nUninstallKey=Demo\nCount=1\nUnFile1=Demo.log\n" +
                            list + sections + fix + var + masks +
                            "[Types]\nCount=1\nActiveTypes=1\nName1=Standard\n"
                            "[TypeHelpRtf]\nRtfText1=Alles\n" + moreSections);
    }

    // Through the wizard to the executor; answers follow for its boxes.
    SetupResult install(const std::string& answers = "", const std::string& programDir = "C:\\Prg\\") {
        // An existing program directory is confirmed as an update.
        const std::string update = exists(programDir) ? "box Yes aktualisiert\n" : "";
        return runSetup(std::string(kFirstType) + BrowseTo("frmDirSelect", programDir) + update +
                        kConfirmAndInstall + answers);
    }

    // An installed file with its date and time.
    void putInstalled(const std::string& path, const std::string& content, uint32_t dosDateTime) {
        putFile(path, content);
        win::FileTime local = 0;
        ASSERT_TRUE(win::dosDateTimeToFileTime(dosDateTime >> 16, dosDateTime & 0xFFFF, local));
        ASSERT_TRUE(win::setLastWriteTime(path, win::localToFileTime(local)));
    }

    static uint32_t dosDateTimeOf(const std::string& path) {
        win::FileTime utc = 0;
        uint16_t date = 0, time = 0;
        if (!win::getLastWriteTime(path, utc) || !win::fileTimeToDosDateTime(win::fileTimeToLocal(utc), date, time))
            return 0;
        return (uint32_t{date} << 16) | time;
    }

    std::string content(const std::string& path) const { return testsupport::readHostFile(host(path)); }

    // A shortcut file as the shell reads it.  Wine counts the terminating
    // zero of the texts it writes into one; Windows does not.
    std::optional<win::ShellLink> shortcut(const std::string& path) const {
        std::optional<win::ShellLink> link = win::loadShellLink(path);
        if (link && OnWine()) {
            for (std::string* text : {&link->description, &link->workingDirectory})
                if (text->ends_with('\0')) text->pop_back();
        }
        return link;
    }

    std::string recordText() const { return testsupport::readHostFile(host(kRecord)); }
    // A finished run keeps its log beside the record; an ended one leaves it
    // in the work directory.
    std::vector<std::string> log() const {
        return exists(kWorkLog) ? logTexts(kWorkLog) : logTexts("C:\\WINNT\\Uninstal\\Demo\\INSTALL.LOG");
    }
    std::string logText() const {
        std::string all;
        for (const std::string& line : log()) all += line + "\n";
        return all;
    }
};

TEST_F(Exec, InstallsMembersWithDateAttributesLogRecordAndRegistry) {
    addRegistryKey(win::RegRoot::LocalMachine, kSharedDlls);
    putInstall({{"", {{"APP.EXE", "programm", "100000", kMember, win::ATTR_READONLY | win::ATTR_ARCHIVE},
                      {"LIB.DLL", "bibliothek", "100000"}}},
                {"Daten", {{"LIESMICH.TXT", "text"}}}});
    const SetupResult r = install();
    ASSERT_EQ(r.exitCode, 0) << r.err << r.transcript;

    EXPECT_EQ(content("C:\\Prg\\APP.EXE"), "programm");
    EXPECT_EQ(dosDateTimeOf("C:\\Prg\\APP.EXE"), kMember);
    EXPECT_EQ(attributes("C:\\Prg\\APP.EXE"), win::ATTR_READONLY | win::ATTR_ARCHIVE);
    EXPECT_EQ(content("C:\\Prg\\Daten\\LIESMICH.TXT"), "text");

    const std::string text = logText();
    EXPECT_THAT(text, HasSubstr("Dateigruppe: Gruppe1\nDateigruppe wird installiert\nZielverzeichnis: C:\\Prg\\\n"
                                "Lösche Datei: C:\\TEMP\\INSTFILE.TMP\nEntpacke Datei: E:\\LZ000001.PAK\n"
                                "Neue Datei: C:\\Prg\\APP.EXE\nDatei wird kopiert, Zieldatei nicht vorhanden\n"));
    EXPECT_THAT(text, HasSubstr("Zielverzeichnis: C:\\Prg\\Daten\\\n"));

    const std::string rec = recordText();
    for (const char* line : {"#FILE#C:\\Prg\\APP.EXE\r\n", "#FILE#C:\\Prg\\LIB.DLL\r\n",
                             "#FILE#C:\\Prg\\Daten\\LIESMICH.TXT\r\n", "#UninstallKey#Demo\r\n", "#UNFILE#Demo.log\r\n"})
        EXPECT_THAT(rec, HasSubstr(line));
    EXPECT_THAT(rec, HasSubstr("### Setup Zeitpunkt: "));

    EXPECT_EQ(registryDword(win::RegRoot::LocalMachine, kSharedDlls, "C:\\Prg\\LIB.DLL"), 1u);
    EXPECT_EQ(registryDword(win::RegRoot::LocalMachine, kSharedDlls, "C:\\Prg\\APP.EXE"), std::nullopt);
    EXPECT_EQ(registryString(win::RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo",
                             "UninstallString"),
              "C:\\WINNT\\Uninstal\\Demo\\unins0.exe -u");
    EXPECT_TRUE(exists("C:\\WINNT\\Uninstal\\Demo\\unins0.exe"));
}

// The rule in flag 1 decides over an installed file dated kMember-relative.
struct OverwriteCase {
    const char* name;
    std::string flags;
    uint32_t installedDate;
    std::string answers;
    bool replaced;
    std::string logLine;
    uint32_t memberDate = kMember;
};

class ExecOverwrite : public Exec, public ::testing::WithParamInterface<OverwriteCase> {};

TEST_P(ExecOverwrite, AppliesTheRuleToAnExistingTarget) {
    const OverwriteCase& c = GetParam();
    putInstalled("C:\\Prg\\DATEN.DAT", "alt", c.installedDate);
    putInstall({{"", {{"DATEN.DAT", "neu", c.flags, c.memberDate}}}});
    const SetupResult r = install(c.answers);
    ASSERT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_EQ(content("C:\\Prg\\DATEN.DAT"), c.replaced ? "neu" : "alt");
    EXPECT_THAT(log(), Contains(c.logLine));
    EXPECT_EQ(recordText().find("#FILE#C:\\Prg\\DATEN.DAT") != std::string::npos, c.replaced);
}

const std::string kKeptByDate =
    "Datei wird NICHT kopiert, Datum und Uhrzeit der Zieldatei <C:\\Prg\\DATEN.DAT> sind neuer oder gleich der "
    "Installationsdatei !";

INSTANTIATE_TEST_SUITE_P(
    Rules, ExecOverwrite,
    ::testing::Values(
        OverwriteCase{"DateOlderTarget", "200000", kOld, "", true, "Datei wird kopiert"},
        OverwriteCase{"DateSameTarget", "200000", kMember, "", false, kKeptByDate},
        OverwriteCase{"DateNewerTarget", "200000", kNew, "", false, kKeptByDate},
        OverwriteCase{"DateTargetAfter2043", "200000", k2045, "", false, kKeptByDate},
        OverwriteCase{"DateMemberAfter2043", "200000", kNew, "", true, "Datei wird kopiert", k2045},
        OverwriteCase{"Never", "400000", kOld, "", false,
                      "Datei NICHT kopiert, Zieldatei darf nicht überschrieben werden"},
        OverwriteCase{"AskYes", "300000", kOld, "box Yes existiert schon\n", true,
                      "Datei wird kopiert, der Anwender hat das Überschreiben der vorhandenen Datei erlaubt"},
        OverwriteCase{"AskNo", "300000", kOld, "box No existiert schon\n", false,
                      "Datei NICHT kopiert, der Anwender hat das Überschreiben der vorhandenen Datei abgelehnt"},
        OverwriteCase{"OnlyExistingOverwrites", "500000", kNew, "", true, "Datei wird kopiert"},
        OverwriteCase{"NonDigitAlwaysOverwrites", "x00000", kNew, "", true, "Datei wird kopiert"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Exec, OnlyExistingRuleSkipsAMissingTargetSilently) {
    putInstall({{"", {{"NEU.DAT", "neu", "500000"}}}});
    const SetupResult r = install();
    ASSERT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_FALSE(exists("C:\\Prg\\NEU.DAT"));
    const std::vector<std::string> lines = log();
    const auto at = std::find(lines.begin(), lines.end(), "Neue Datei: C:\\Prg\\NEU.DAT");
    ASSERT_NE(at, lines.end());
    EXPECT_THAT(std::vector<std::string>(at + 1, lines.end()), Not(Contains(HasSubstr("Datei wird kopiert"))));
    EXPECT_THAT(recordText(), Not(HasSubstr("#FILE#C:\\Prg\\NEU.DAT")));
}

TEST_F(Exec, BackupGoesToTheNewestNumberedDirectoryUntilANameRepeats) {
    // Directories 0 to 3 with notes, and A.DAT already saved in number 3.
    for (int n = 0; n <= 3; ++n) putFile("C:\\Prg\\INSTOLDF." + std::to_string(n) + "\\readme.txt", "x\r\n");
    putFile("C:\\Prg\\INSTOLDF.3\\A.DAT", "früher");
    putInstalled("C:\\Prg\\A.DAT", "alt a", kOld);
    putInstalled("C:\\Prg\\B.DAT", "alt b", kOld);
    putInstall({{"", {{"A.DAT", "neu a", "410000"}, {"B.DAT", "neu b", "010000"}}}});
    const SetupResult r = install();
    ASSERT_EQ(r.exitCode, 0) << r.err << r.transcript;
    // Rule 4 keeps the target, but the backup is made first.
    EXPECT_EQ(content("C:\\Prg\\A.DAT"), "alt a");
    EXPECT_EQ(content("C:\\Prg\\INSTOLDF.4\\A.DAT"), "alt a");
    EXPECT_THAT(content("C:\\Prg\\INSTOLDF.4\\readme.txt"), ::testing::StartsWith("Quandrel Sicherheitskopie vom: "));
    // B.DAT is new in number 4's run directory: the newest with a note.
    EXPECT_EQ(content("C:\\Prg\\INSTOLDF.4\\B.DAT"), "alt b");
    EXPECT_EQ(content("C:\\Prg\\B.DAT"), "neu b");
    EXPECT_THAT(log(), Contains("Die Datei <C:\\Prg\\A.DAT> wird nach <C:\\Prg\\INSTOLDF.4\\> gesichert"));
    EXPECT_THAT(recordText(), HasSubstr("#FILE#C:\\Prg\\INSTOLDF.4\\A.DAT\r\n"));
}

TEST_F(Exec, FirstBackupGoesToDirectoryZero) {
    putInstalled("C:\\Prg\\A.DAT", "alt", kOld);
    putInstall({{"", {{"A.DAT", "neu", "020000"}}}});
    const SetupResult r = install();
    ASSERT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_EQ(content("C:\\Prg\\INSTNEWF.0\\A.DAT"), "alt");
    EXPECT_TRUE(exists("C:\\Prg\\INSTNEWF.0\\readme.txt"));
}

TEST_F(Exec, InUseProgramIsAskedForUntilItCanBeDeleted) {
    SKIP_ON_WINE("a file in use");
    putInstalled("C:\\Prg\\APP.EXE", "alt", kOld);
    setMachineIni(iniWith("", "[InUse]\nC:\\Prg\\APP.EXE=1\n"));
    putInstall({{"", {{"APP.EXE", "neu"}}}});
    const SetupResult r = install("box Cancel Folgendes Modul ist betroffen:\\nC:\\Prg\\APP.EXE\n"
                                  "box Retry Teilinstallation\n"
                                  "machine [InUse]C:\\Prg\\APP.EXE 0\n"
                                  "box Retry Folgendes Modul\n");
    ASSERT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_EQ(content("C:\\Prg\\APP.EXE"), "neu");
    EXPECT_THAT(r.transcript, HasSubstr("caption=\"Brimlund Setup\""));
}

// A file in use, and one that could be deleted but not written: neither is
// touched before its replacement is secured.
class ExecInUseCancelled : public Exec, public ::testing::WithParamInterface<std::string> {};

TEST_P(ExecInUseCancelled, TwiceEndsWithExitCodeOneAndTheOldFileInPlace) {
    SKIP_ON_WINE("a file in use or refusing writes");
    putInstalled("C:\\Prg\\APP.EXE", "alt", kOld);
    setMachineIni(iniWith("", GetParam()));
    putInstall({{"", {{"APP.EXE", "neu"}}}});
    const SetupResult r = install("box Cancel Folgendes Modul\nbox Cancel Teilinstallation\n");
    EXPECT_EQ(r.exitCode, 1) << r.err << r.transcript;
    EXPECT_EQ(content("C:\\Prg\\APP.EXE"), "alt");
    EXPECT_EQ(dosDateTimeOf("C:\\Prg\\APP.EXE"), kOld);
    EXPECT_THAT(recordText(), Not(HasSubstr("#FILE#")));
}

INSTANTIATE_TEST_SUITE_P(Candidates, ExecInUseCancelled,
                         ::testing::Values("[InUse]\nC:\\Prg\\APP.EXE=1\n",
                                           "[Faults]\nC:\\Prg\\APP.EXE=refuse-write\n"));

// A full disk while the new file is written: the old one stays whole, and
// boot-time replacement is tried with it in place.
TEST_F(Exec, FullDiskDuringAnOverwriteKeepsTheOldFile) {
    SKIP_ON_WINE("a full disk");
    std::string ini = iniWith("");
    ini.replace(ini.find("Folder=drives/D\n"), 16, "Folder=drives/D\nFull=1\n");
    setMachineIni(ini);
    putInstalled("D:\\Prg\\A.DAT", "alter Inhalt", kOld);
    putInstall({{"", {{"A.DAT", "ein viel längerer neuer Inhalt"}}}});
    const SetupResult r = install("box OK konnte nicht ersetzt werden\n", "D:\\Prg\\");
    EXPECT_EQ(r.exitCode, 1) << r.err << r.transcript;
    EXPECT_EQ(content("D:\\Prg\\A.DAT"), "alter Inhalt");
    EXPECT_EQ(dosDateTimeOf("D:\\Prg\\A.DAT"), kOld);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(host("D:\\Prg")))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"A.DAT"});
    const std::vector<std::string> lines = log();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
              (std::vector<std::string>{"Datei wird kopiert",
                                        "Kopiervorgang verweigert, Aufgabe wird Boot-Mechanismus übergeben",
                                        "ReplaceOnReboot: Datei konnte nicht kopiert werden",
                                        "Boot-Mechanismus verweigert Dateiersetzung, Abbruch !"}));
}

// The write of the new file fails half way: the old file stays until the
// boot-time replacement takes over.
TEST_F(Exec, FailedOverwriteIsReplacedAtBootWithTheOldFileInPlace) {
    SKIP_ON_WINE("a full disk");
    setMachineIni(iniWith("", "[Faults]\nC:\\Prg\\A.$$$=disk-full\n[FaultLimits]\nC:\\Prg\\A.$$$=3\n"));
    putInstalled("C:\\Prg\\A.DAT", "alter Inhalt", kOld);
    putInstall({{"", {{"A.DAT", "neuer Inhalt"}}}});
    const SetupResult r = install();
    ASSERT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_EQ(content("C:\\Prg\\A.DAT"), "alter Inhalt");
    EXPECT_FALSE(exists("C:\\Prg\\A.$$$"));
    EXPECT_EQ(content("C:\\Prg\\A.1"), "neuer Inhalt");
    const std::vector<win::PendingMove> moves = win::pendingBootMoves();
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].to, "C:\\Prg\\A.DAT");
    EXPECT_THAT(log(), Contains("Kopiervorgang verweigert, Aufgabe wird Boot-Mechanismus übergeben"));
    EXPECT_THAT(recordText(), HasSubstr("#FILE#C:\\Prg\\A.DAT\r\n"));
}

TEST_F(Exec, LockedFileOutsideTheInUseListIsReplacedAtBoot) {
    SKIP_ON_WINE("a file in use");
    putInstalled("C:\\Prg\\DATEN.DAT", "alt", kOld);
    setMachineIni(iniWith("", "[InUse]\nC:\\Prg\\DATEN.DAT=1\n"));
    putInstall({{"", {{"DATEN.DAT", "neu", "000001"}}}});
    const SetupResult r = install();
    ASSERT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(r.transcript, Not(HasSubstr("Folgendes Modul")));
    EXPECT_EQ(content("C:\\Prg\\DATEN.DAT"), "alt");
    EXPECT_EQ(content("C:\\Prg\\DATEN.1"), "neu");
    const std::vector<win::PendingMove> moves = win::pendingBootMoves();
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].from, "C:\\Prg\\DATEN.1");
    EXPECT_EQ(moves[0].to, "C:\\Prg\\DATEN.DAT");
    EXPECT_EQ(moves[0].flags, 5u);
    EXPECT_THAT(log(), Contains("Kopiervorgang verweigert, Aufgabe wird Boot-Mechanismus übergeben"));
    EXPECT_THAT(recordText(), HasSubstr("#FILE#C:\\Prg\\DATEN.DAT\r\n"));
    // Flag 6 makes it an OLE server for the next logon.
    EXPECT_THAT(log(), Contains(HasSubstr("OLE-Server: C:\\Prg\\DATEN.DAT kann erst nach dem REBOOT")));
}

// Fatal paths: the stop box, the log lines, exit code 1 and no record.
struct FatalCase {
    const char* name;
    std::string machineSections;
    bool corruptMember;
    std::string storedName;
    std::string box;
    std::vector<std::string> logLines;
};

class ExecFatal : public Exec, public ::testing::WithParamInterface<FatalCase> {};

TEST_P(ExecFatal, EndsTheProcessWithItsBoxAndLogLines) {
    const FatalCase& c = GetParam();
    if (!c.machineSections.empty()) {
        SKIP_ON_WINE("a file in use or refusing writes");
    }
    if (c.machineSections.find("InUse") != std::string::npos) putInstalled("C:\\Prg\\A.DAT", "alt", kOld);
    setMachineIni(iniWith(c.machineSections.empty() ? "" : "HklmFullAccess=0\n", c.machineSections));
    putInstall({{"", {{c.storedName, "neu"}}}});
    // A sound header with its code stream cut off: only the expansion fails.
    if (c.corruptMember)
        putOnMedium("LZ000001.PAK", testsupport::readHostFile(medium() + "/LZ000001.PAK").substr(0, kLzwHeaderSize + 1));
    const SetupResult r = install("box OK " + c.box + "\n");
    EXPECT_EQ(r.exitCode, 1) << r.err << r.transcript;
    EXPECT_THAT(r.transcript, HasSubstr("box style=16 caption=\"Nicht behebbarer Fehler !\""));
    const std::vector<std::string> lines = log();
    ASSERT_GE(lines.size(), c.logLines.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - c.logLines.size(), lines.end()), c.logLines);
    EXPECT_THAT(recordText(), Not(HasSubstr("#FILE#")));
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ExecFatal,
    ::testing::Values(
        FatalCase{"CorruptMember", "", true, "A.DAT", "Fehler beim Entpacken der Datei <E:\\LZ000001.PAK>",
                  {"Fehler beim Entpacken der Datei, Abbruch !"}},
        FatalCase{"MissingTargetRefused", "[Faults]\nC:\\Prg\\A.DAT=refuse-write\n", false, "A.DAT",
                  "Fehler beim Kopieren der Datei <C:\\Prg\\A.DAT>", {"Fehler beim Kopieren der Datei, Abbruch !"}},
        FatalCase{"BootMoveRefused", "[InUse]\nC:\\Prg\\A.DAT=1\n", false, "A.DAT",
                  "Datei <C:\\Prg\\A.DAT> konnte nicht ersetzt werden",
                  {"ReplaceOnReboot: Datei konnte nicht kopiert werden",
                   "Boot-Mechanismus verweigert Dateiersetzung, Abbruch !"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A member whose stored name climbs out of the group directory, or names a
// drive, must not be written anywhere.
class ExecHostileName : public Exec, public ::testing::WithParamInterface<std::string> {};

TEST_P(ExecHostileName, IsRefusedAndNothingIsWrittenOutside) {
    putInstall({{"Sub", {{GetParam(), "böse"}}}});
    const SetupResult r = install("box OK Fehler beim Entpacken\n");
    EXPECT_EQ(r.exitCode, 1) << r.err << r.transcript;
    for (const char* path : {"C:\\Prg\\EVIL.EXE", "C:\\EVIL.EXE", "D:\\EVIL.EXE", "C:\\WINNT\\EVIL.EXE"})
        EXPECT_FALSE(exists(path)) << path;
}

INSTANTIATE_TEST_SUITE_P(Names, ExecHostileName,
                         ::testing::Values("..\\EVIL.EXE", "..\\..\\EVIL.EXE", "D:\\EVIL.EXE", "\\EVIL.EXE",
                                           "../EVIL.EXE", "C:..\\..\\WINNT\\EVIL.EXE"));

TEST_F(Exec, ShortcutsAreNamedFromIconTextAndRecorded) {
    makeDir(CommonStartup());
    makeDir(CommonDesktop());
    putInstall({{"", {{"VIEW.EXE", "programm", "101110"}}}}, "[IconText]\nview.exe=Betrachter 2.5\n");
    const SetupResult r = install();
    ASSERT_EQ(r.exitCode, 0) << r.err << r.transcript;
    // The text from the last dot on counts as an extension and is cut.
    for (const std::string& dir : {CommonStartup(), CommonPrograms() + "Demo-Gruppe\\", CommonDesktop()}) {
        const auto link = shortcut(dir + "Betrachter 2.lnk");
        ASSERT_TRUE(link) << dir;
        EXPECT_EQ(link->target, "C:\\Prg\\VIEW.EXE");
        EXPECT_EQ(link->workingDirectory, "C:\\Prg\\");
        EXPECT_FALSE(exists(dir + "VIEW.tmp"));
    }
    const std::string rec = recordText();
    EXPECT_THAT(rec, HasSubstr("#MENUEDIR#"));
    int links = 0;
    for (std::size_t at = 0; (at = rec.find("#LINK#", at)) != std::string::npos; ++at) ++links;
    EXPECT_EQ(links, 3);
    EXPECT_THAT(rec, HasSubstr("Betrachter 2.lnk\r\n"));
    EXPECT_THAT(log(), Contains("STARTMENUE-Gruppe Demo-Gruppe anlegen"));
}

// An autostart shortcut under a fault or an odd caption: what the folder
// holds afterwards (relative names, "" content for a link to the program),
// and whether the shortcut was made and recorded.
struct ShortcutCase {
    const char* name;
    std::string caption;
    std::vector<std::pair<std::string, std::string>> before;  // relative name, content ("/" = a folder)
    std::string machineSections;                                // with "@" for the folder
    std::vector<std::pair<std::string, std::string>> after;
    std::string link;  // relative name of the made shortcut, "" when it fails
};

class ExecShortcut : public Exec, public ::testing::WithParamInterface<ShortcutCase> {
protected:
    static std::string withFolder(std::string text) {
        for (std::size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, CommonStartup());
        return text;
    }

    // Every file below the folder, by its relative host name.
    std::vector<std::pair<std::string, std::string>> folderFiles() const {
        std::vector<std::pair<std::string, std::string>> files;
        const std::filesystem::path root = host(CommonStartup());
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file()) continue;
            const std::string name = ToAnsi(std::filesystem::relative(entry.path(), root).string());
            const std::string data = testsupport::readHostFile(entry.path().string());
            files.emplace_back(name, win::loadShellLink(CommonStartup() + name) ? "" : data);
        }
        std::sort(files.begin(), files.end());
        return files;
    }
};

TEST_P(ExecShortcut, NeverLosesTheUsersFilesAndSaysWhatHappened) {
    const ShortcutCase& c = GetParam();
    if (!c.machineSections.empty()) {
        SKIP_ON_WINE("a file in use or a full disk");
    }
    makeDir(CommonStartup());
    for (const auto& [name, data] : c.before) {
        if (data == "/") makeDir(CommonStartup() + name);
        else putFile(CommonStartup() + name, data);
    }
    setMachineIni(iniWith("", withFolder(c.machineSections)));
    putInstall({{"", {{"VIEW.EXE", "programm", "001000"}}}}, "[IconText]\nVIEW.EXE=" + c.caption + "\n");
    const SetupResult r = install();
    ASSERT_EQ(r.exitCode, 0) << r.err << r.transcript;

    std::vector<std::pair<std::string, std::string>> expected = c.after;
    if (!c.link.empty()) expected.emplace_back(c.link, "");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(folderFiles(), expected);
    EXPECT_FALSE(exists(CommonPrograms() + "Viewer.lnk"));
    const bool failed = c.link.empty();
    const std::vector<std::string> lines = log();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "FEHLER! AUTOSTART-Eintrag konnte NICHT angelegt werden !"),
              failed ? 1 : 0);
    const std::string rec = recordText();
    if (failed) {
        EXPECT_THAT(rec, Not(HasSubstr("#LINK#")));
    } else {
        std::string recorded = c.link;
        std::replace(recorded.begin(), recorded.end(), '/', '\\');
        EXPECT_THAT(rec, HasSubstr("#LINK#" + CommonStartup() + recorded + "\r\n"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ExecShortcut,
    ::testing::Values(
        ShortcutCase{"UsersFileAtTheTemporaryName", "Viewer", {{"VIEW.tmp", "meine Datei"}}, "",
                     {{"VIEW.tmp", "meine Datei"}}, "Viewer.lnk"},
        ShortcutCase{"FinalNameInUse", "Viewer", {{"Viewer.lnk", "alte Verknüpfung"}}, "[InUse]\n@Viewer.lnk=1\n",
                     {{"Viewer.lnk", "alte Verknüpfung"}}, ""},
        ShortcutCase{"FullDiskDuringTheSave", "Viewer", {{"Viewer.lnk", "alte Verknüpfung"}},
                     "[Faults]\n@VIEW.tmp=disk-full\n[FaultLimits]\n@VIEW.tmp=10\n",
                     {{"Viewer.lnk", "alte Verknüpfung"}}, ""},
        ShortcutCase{"ExistingSubFolder", "Tools\\Viewer", {{"Tools", "/"}}, "", {}, "Tools/Viewer.lnk"},
        ShortcutCase{"MissingSubFolder", "Tools\\Viewer", {}, "", {}, ""},
        ShortcutCase{"ParentPiece", "..\\Viewer", {}, "", {}, ""},
        ShortcutCase{"DotPiece", "Tools\\.\\Viewer", {{"Tools", "/"}}, "", {}, ""},
        ShortcutCase{"Colon", "C:Viewer", {}, "", {}, ""},
        ShortcutCase{"PathOf260Characters", std::string(260 - CommonStartup().size() - 4, 'V'), {}, "", {}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// The files other programs rely on, rewritten whole, under a full disk
// half way through the new copy or when the old one cannot be read: the
// old file stays byte for byte and the log says what happened.
struct PersistentFileCase {
    const char* name;
    std::string family;  // machine keys
    std::string file;    // the persistent file
    std::string fault;   // "disk-full" on the fresh copy, "unreadable" on the file
    std::string trigger; // what makes the run rewrite it: "boot", "ole", "env" or "ini"
    std::string answers;
    int exitCode;
    std::string logLine;
};

class ExecPersistentFile : public Exec, public ::testing::WithParamInterface<PersistentFileCase> {};

TEST_P(ExecPersistentFile, KeepsTheOldFileWhole) {
    SKIP_ON_WINE("a full disk or an unreadable file, and the 9x family's WinInit.Ini and AUTOEXEC.BAT");
    const PersistentFileCase& c = GetParam();
    const std::string old = "[Rename]\r\nC:\\ANDERE.DLL=C:\\ANDERE.7\r\n\r\nREM fremde Zeile\r\n";
    putFile(c.file, old);
    const std::string fresh = c.file.substr(0, c.file.rfind('.')) + ".$$$";
    const std::string fault = c.fault == "unreadable"
                                  ? "[Faults]\n" + c.file + "=unreadable\n"
                                  : "[Faults]\n" + fresh + "=disk-full\n[FaultLimits]\n" + fresh + "=10\n";
    const bool locked = c.trigger == "boot" || c.trigger == "ole";
    if (locked) putInstalled("C:\\Prg\\A.DAT", "alt", kOld);
    setMachineIni(iniWith(c.family, fault + (locked ? "[InUse]\nC:\\Prg\\A.DAT=1\n" : "")));
    if (locked) {
        putInstall({{"", {{"A.DAT", "neu", c.trigger == "ole" ? "000001" : "000000"}}}});
    } else if (c.trigger == "env") {
        putInstall({{"", {{"DEMO.ENV", "[Setup]\r\nIsEnvFile=1\r\n[Environment]\r\nFOO=bar\r\n"}}}});
    } else {
        putInstall({{"", {{"DEMO.IPA", "[Setup]\r\nIsIpaFile=1\r\n[Net]\r\nServer=alpha\r\n"}}}});
    }
    const SetupResult r = install(c.answers);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err << r.transcript;
    EXPECT_EQ(content(c.file), old);
    EXPECT_FALSE(exists(fresh));
    EXPECT_THAT(log(), Contains(c.logLine));
}

const std::string kBootRefused = "box OK konnte nicht ersetzt werden\n";
const std::string kParameters = "page frmSetVar\nclick cmdNext\n";

INSTANTIATE_TEST_SUITE_P(
    Files, ExecPersistentFile,
    ::testing::Values(
        PersistentFileCase{"WinInitFullDisk", "Family=9x\n", "C:\\WINNT\\WinInit.Ini", "disk-full", "boot",
                           kBootRefused, 1, "Boot-Mechanismus verweigert Dateiersetzung, Abbruch !"},
        PersistentFileCase{"WinInitUnreadable", "Family=9x\n", "C:\\WINNT\\WinInit.Ini", "unreadable", "boot",
                           kBootRefused, 1, "Boot-Mechanismus verweigert Dateiersetzung, Abbruch !"},
        PersistentFileCase{"OleListFullDisk", "", "C:\\WINNT\\INSTALL.OLE", "disk-full", "ole",
                           "box OK INSTALL.OLE konnte nicht geschrieben werden\n", 0,
                           "FEHLER, INSTALL.OLE konnte nicht geschrieben werden"},
        PersistentFileCase{"OleListUnreadable", "", "C:\\WINNT\\INSTALL.OLE", "unreadable", "ole",
                           "box OK INSTALL.OLE konnte nicht gelesen werden\n", 0,
                           "FEHLER, INSTALL.OLE konnte nicht gelesen werden"},
        PersistentFileCase{"AutoexecFullDisk", "Family=9x\n", "C:\\AUTOEXEC.BAT", "disk-full", "env", kParameters, 0,
                           "Fehlgeschlagene Umgebungsvariable: FOO"},
        PersistentFileCase{"AutoexecUnreadable", "Family=9x\n", "C:\\AUTOEXEC.BAT", "unreadable", "env", kParameters,
                           0, "Fehlgeschlagene Umgebungsvariable: FOO"},
        PersistentFileCase{"IniFileFullDisk", "", "C:\\Prg\\DEMO.INI", "disk-full", "ini", kParameters, 0,
                           "Fehlgeschlagener INI-Eintrag: C:\\Prg\\DEMO.INI [Net] Server"}),
    [](const auto& info) { return std::string(info.param.name); });

// An unreadable list of deferred registrations is left alone with a box;
// the rest of the step (the program for the next logon) still runs.
TEST_F(Exec, UnreadableOleListIsReportedAndTheRegistrationProgramStillGoesIn) {
    SKIP_ON_WINE("an unreadable file and a file in use");
    putFile("C:\\WINNT\\INSTALL.OLE", "C:\\Frueher\\A.DLL\r\n");
    putInstalled("C:\\Prg\\A.DAT", "alt", kOld);
    setMachineIni(iniWith("", "[Faults]\nC:\\WINNT\\INSTALL.OLE=unreadable\n[InUse]\nC:\\Prg\\A.DAT=1\n"));
    putInstall({{"", {{"A.DAT", "neu", "000001"}}}});
    const SetupResult r = install("box OK INSTALL.OLE konnte nicht gelesen werden\n");
    ASSERT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(r.transcript, HasSubstr("box style=48 caption=\"Nicht behebbarer Fehler !\" text=\"INSTALL.OLE konnte "
                                        "nicht gelesen werden, OLE-Registrierung unvollständig !\""));
    EXPECT_TRUE(exists("C:\\WINNT\\TREMLIN.EXE"));
    EXPECT_THAT(registry(), HasSubstr("tremlin.exe NOTEST"));
    EXPECT_THAT(recordText(), HasSubstr("#OLE#C:\\Prg\\A.DAT\r\n"));
}

// Refused environment and INI writes are logged, and the run goes on.
class ExecRefusedWrites : public Exec, public ::testing::WithParamInterface<std::string> {};

TEST_P(ExecRefusedWrites, AreLoggedOnBothFamilies) {
    SKIP_ON_WINE("registry keys and files that refuse writes, and the 9x family");
    const bool nt = GetParam() == "NT";
    const std::string refusals =
        nt ? "[RegistryDeny]\nHKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment=1\n"
             "HKCU\\Environment=1\n"
           : "";
    setMachineIni(iniWith(nt ? "" : "Family=9x\n", refusals + "[Faults]\nC:\\Prg\\DEMO.INI=refuse-write\n"));
    if (!nt) {
        putFile("C:\\AUTOEXEC.BAT", "PATH C:\\DOS\r\n");
        ASSERT_TRUE(win::setFileAttributes("C:\\AUTOEXEC.BAT", win::ATTR_READONLY));
    }
    putInstall({{"",
                 {{"DEMO.ENV", "[Setup]\r\nIsEnvFile=1\r\n[Environment]\r\nFOO=bar\r\n"},
                  {"DEMO.IPA", "[Setup]\r\nIsIpaFile=1\r\n[Net]\r\nServer=alpha\r\n"}}}});
    const SetupResult r = install(kParameters);
    ASSERT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(log(), Contains("Fehlgeschlagene Umgebungsvariable: FOO"));
    EXPECT_THAT(log(), Contains("Fehlgeschlagener INI-Eintrag: C:\\Prg\\DEMO.INI [Net] Server"));
    EXPECT_EQ(log().back(), "Installation abgeschossen");
    if (!nt) {
        EXPECT_EQ(content("C:\\AUTOEXEC.BAT"), "PATH C:\\DOS\r\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Families, ExecRefusedWrites, ::testing::Values("NT", "9x"));

// A scalable font resource left by an earlier run does not fail the font.
TEST_F(Exec, LeftOverFontResourceDoesNotFailTheFont) {
    putFile("C:\\WINNT\\FONTS\\SCHRIFT.FOT", "von frueher");
    // Wine loads the font: a real one there.
    const std::string font = OnWine() ? testsupport::readHostFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")
                                      : std::string("\x00\x01\x00\x00glyphs", 10);
    putInstall({{"", {{"SCHRIFT.TTF", font}}}});
    const SetupResult r = install();
    ASSERT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(log(), Contains("Font-Installation: C:\\Prg\\SCHRIFT.TTF"));
    EXPECT_EQ(registryString(win::RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                             "SCHRIFT"),
              "C:\\WINNT\\FONTS\\SCHRIFT.TTF");
    EXPECT_FALSE(exists("C:\\WINNT\\FONTS\\SCHRIFT.FOT"));
}

}  // namespace
}  // namespace setuptest
