// Around the wizard: the start program before it, and after the executor
// the final program, the restart question, the reboot program for the next
// logon, the uninstall list's save, the kept log and the removed work
// directories.
#include "wizard_fixture.h"

#include "LzwPacker.h"
#include "SplitWriter.h"
#include "Machine.h"
#include "Win.h"

#include <algorithm>
#include <filesystem>

#include <gmock/gmock.h>

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace setuptest {
namespace {

const char* const kRecord = "C:\\WINNT\\Uninstal\\Demo\\uninstall.dat";
const char* const kRunOnceKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// The user leaves on the setup-type page, after the start-up.
const char* const kLeaveAtTypePage = "page frmTypSelect\ncheck clbTypSelect 0\nclick cmdCancel\nbox Yes\n";

class Finish : public WizardTest {
protected:
    // Through the whole wizard into C:\Demo\; answers follow for what comes
    // after the executor.
    SetupResult walk(const std::string& answers = "", const std::vector<std::string>& args = {},
                     bool programDirExists = false) {
        return runSetup(std::string(kFirstType) + BrowseTo("frmDirSelect", "C:\\Demo\\") +
                            (programDirExists ? "box Yes existiert schon\n" : "") + kConfirmAndInstall + answers,
                        args);
    }
    bool uninstallEntryExists() const {
        return registryKeyExists(win::RegRoot::LocalMachine,
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo");
    }
    // The log's last n lines, after the executor's.
    std::vector<std::string> lastLines(std::size_t n) const {
        const std::vector<std::string> log = logTexts(kKeptLog);
        return std::vector<std::string>(log.end() - static_cast<std::ptrdiff_t>(std::min(n, log.size())), log.end());
    }
};

TEST_F(Finish, StartProgramRunsAndIsWaitedForBeforeTheWizard) {
    SKIP_ON_WINE("a program the emulated machine declares, and its journal");
    Description d = StandardDescription();
    d.options = "PrgStart=<SETUP_DIR>Neue Tools\\prep.exe\n";
    putDescription(d);
    putDeclaredProgram("E:\\Neue Tools\\prep.exe", "exit=4 seconds=3");
    putDeclaredProgram("E:\\Neue.exe", "");  // what an unquoted command line would start

    const SetupResult r = runSetup(kLeaveAtTypePage);

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(logTexts(kWorkLog), Contains("Startprogramm wird aufgerufen <E:\\Neue Tools\\prep.exe>"));
    const std::vector<Numbered> journalLines = journal();
    EXPECT_THAT(LinesWith(journalLines, "process start"),
                ElementsAre(AllOf(HasSubstr("program=\"E:\\Neue Tools\\prep.exe\" show=1 "),
                                  HasSubstr("cmd=\"E:\\Neue Tools\\prep.exe\""))));
    const int ended = FirstWith(journalLines, "process end program=\"E:\\Neue Tools\\prep.exe\" exit=4 waits=3");
    ASSERT_NE(ended, 0) << testsupport::readHostFile(machineDir + "/journal.log");
    EXPECT_LT(ended, FirstWith(TranscriptLines(r), "hide frmInstall")) << "before the main form is hidden";
    EXPECT_THAT(r.transcript, Not(HasSubstr(" message "))) << "the exit code is not looked at";
}

TEST_F(Finish, MissingStartProgramIsOnlyLoggedAndATokenAloneIsNone) {
    const struct {
        const char* value;
        std::vector<std::string> lines;
    } cases[] = {
        {"<SETUP_DIR>fehlt.exe",
         {"Startprogramm wird aufgerufen <E:\\fehlt.exe>", "Startprogramm nicht gefunden: E:\\fehlt.exe"}},
        {"<SETUP_DIR>", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        Description d = StandardDescription();
        d.options = std::string("PrgStart=") + c.value + "\n";
        putDescription(d);
        std::filesystem::remove(host(kWorkLog));

        const SetupResult r = runSetup(kLeaveAtTypePage);

        EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
        std::vector<std::string> startLines;
        for (const std::string& line : logTexts(kWorkLog))
            if (line.starts_with("Startprogramm")) startLines.push_back(line);
        EXPECT_EQ(startLines, c.lines);
        EXPECT_THAT(LinesWith(journal(), "process start"), IsEmpty());
    }
}

TEST_F(Finish, StartProgramThatCannotStartShowsTheSystemsTextAndTheRunGoesOn) {
    Description d = StandardDescription();
    d.options = "PrgStart=<SETUP_DIR>prep.exe\n";
    putDescription(d);
    putOnMedium("prep.exe", "kein Programm");

    const SetupResult r = runSetup("box OK\n" + std::string(kLeaveAtTypePage));

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    const std::vector<Numbered> shown = TranscriptLines(r);
    // Wine's messages are in Wine's language, and it keeps no journal.
    const std::string text = OnWine() ? "" : Quoted(win::systemMessage(win::ERR_BAD_EXE_FORMAT)) + "\"";
    const int message = FirstWith(shown, "message caption=\"Setup\" text=\"" + text);
    EXPECT_NE(message, 0) << r.transcript;
    EXPECT_LT(message, FirstWith(shown, "show frmTypSelect"));
    if (!OnWine()) {
        EXPECT_THAT(LinesWith(journal(), "process start failed=193"), ::testing::SizeIs(1));
    }
}

struct FinalCase {
    const char* what;
    const char* prgStop;
    bool secondGroup;  // a second group, below the Windows directory's "Neue Tools"
    const char* path;  // of the state line; "" = no line
    const char* cmd;   // the command line it is started with; "" = it is not there
};
void PrintTo(const FinalCase& c, std::ostream* os) { *os << c.what; }

class FinalProgram : public Finish, public ::testing::WithParamInterface<FinalCase> {};

TEST_P(FinalProgram, IsRunFromItsDirectory) {
    const FinalCase& c = GetParam();
    if (*c.cmd) {
        SKIP_ON_WINE("a program the emulated machine declares, and its journal");
    }
    Description d = StandardDescription();
    d.options = std::string("PrgStop=") + c.prgStop + "\n";
    if (c.secondGroup) d.groups.push_back(FileGroup{"<WINDOWS_DIR>", "1", {100}, "Neue Tools"});
    putDescription(d);
    const std::string path = c.path;
    if (*c.cmd) putDeclaredProgram(path, "seconds=2");
    putDeclaredProgram("C:\\WINNT\\Neue.exe", "");  // what an unquoted command line would start

    const SetupResult r = walk("", {}, path.starts_with("C:\\Demo\\") && *c.cmd);

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    const std::vector<std::string> states = stateLines(kKeptLog);
    ASSERT_FALSE(states.empty()) << r.transcript;
    EXPECT_EQ(states.back(), path.empty() ? "STATE: Installation" : "STATE: Starte Abschlußprogramm <" + path + ">");
    const std::vector<Numbered> journalLines = journal();
    if (*c.cmd) {
        EXPECT_THAT(LinesWith(journalLines, "process start"),
                    ElementsAre(AllOf(HasSubstr("program=\"" + path + "\" show=1 "),
                                      HasSubstr("cmd=" + std::string(c.cmd)))));
        EXPECT_NE(FirstWith(journalLines, "process end program=\"" + path + "\" exit=0 waits=2"), 0);
    } else {
        EXPECT_THAT(LinesWith(journalLines, "process start"), IsEmpty());
    }
    const bool missing = !path.empty() && !*c.cmd;
    EXPECT_EQ(lastLines(2).front() == "Abschlußprogramm nicht gefunden: " + path, missing);
}

INSTANTIATE_TEST_SUITE_P(
    Finish, FinalProgram,
    ::testing::Values(FinalCase{"SecondGroupsDirectory", "<PROGRAM_DIR>fertig.exe", true,
                                "C:\\WINNT\\Neue Tools\\fertig.exe", "\"C:\\WINNT\\Neue Tools\\fertig.exe\""},
                      FinalCase{"LowerCaseTokenIsTheProgramDirectory", "<program_dir>fertig.exe", true,
                                "C:\\Demo\\fertig.exe", "C:\\Demo\\fertig.exe"},
                      FinalCase{"OneGroupOnly", "<PROGRAM_DIR>fertig.exe", false, "C:\\Demo\\fertig.exe",
                                "C:\\Demo\\fertig.exe"},
                      FinalCase{"Missing", "<WINDOWS_DIR>fehlt.exe", false, "C:\\WINNT\\fehlt.exe", ""},
                      FinalCase{"TokenAlone", "<WINDOWS_DIR>", false, "", ""}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(Finish, RebootProgramIsEnteredForTheNextLogon) {
    Description d = StandardDescription();
    d.options = "PrgReboot=<WINDOWS_DIR>Neue Tools\\nachstart.exe\n";
    putDescription(d);
    putDeclaredProgram("C:\\WINNT\\Neue Tools\\nachstart.exe", "");

    const SetupResult r = walk();

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    const std::string line = "Installiere Reboot-Programm <C:\\WINNT\\Neue Tools\\nachstart.exe>";
    EXPECT_THAT(lastLines(3), ElementsAre(line, line, "Installation abgeschossen"));
    EXPECT_EQ(registryString(win::RegRoot::LocalMachine, kRunOnceKey, "SETUPEXEnachstartexe"),
              "\"C:\\WINNT\\Neue Tools\\nachstart.exe\"");
    EXPECT_THAT(LinesWith(journal(), "process start"), IsEmpty()) << "not run now";
}

TEST_F(Finish, MissingRebootProgramIsOnlyLogged) {
    Description d = StandardDescription();
    d.options = "PrgReboot=<WINDOWS_DIR>fehlt.exe\n";
    putDescription(d);

    const SetupResult r = walk();

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(lastLines(3),
                ElementsAre("Installiere Reboot-Programm <C:\\WINNT\\fehlt.exe>",
                            "Reboot-Programm nicht gefunden: C:\\WINNT\\fehlt.exe", "Installation abgeschossen"));
    EXPECT_THAT(registryValueNames(win::RegRoot::LocalMachine, kRunOnceKey), IsEmpty());
}

struct RestartCase {
    const char* what;
    const char* winRestart;
    const char* answer;  // "" = no question
    bool restarted;
};
void PrintTo(const RestartCase& c, std::ostream* os) { *os << c.what; }

class Restart : public Finish, public ::testing::WithParamInterface<RestartCase> {};

TEST_P(Restart, IsAskedAndRequestedAfterTheRest) {
    const RestartCase& c = GetParam();
    Description d = StandardDescription();
    d.options = std::string("WinRestart=") + c.winRestart + "\n";
    putDescription(d);

    const SetupResult r = walk(*c.answer ? std::string("box ") + c.answer + "\n" : "");

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    const std::string box = "box style=36 caption=\"Demo - REBOOT\" text=\"Das System muss neu gestartet "
                            "werden.\\n\\nJetzt neu starten ?\"";
    EXPECT_EQ(r.transcript.find(box) != std::string::npos, *c.answer != 0);
    const std::vector<std::string> tail = lastLines(2);
    ASSERT_EQ(tail.size(), 2u);
    EXPECT_EQ(tail[0] == "System wird gebootet", c.restarted);
    EXPECT_EQ(tail[1], "Installation abgeschossen");
    // Windows keeps no journal; under Wine the request restarts nothing.
    if (!OnWine()) {
        EXPECT_EQ(LinesWith(journal(), "restart requested"),
                  c.restarted ? std::vector<std::string>{"restart requested flags=7 privilege=enabled"}
                              : std::vector<std::string>{});
    }
}

INSTANTIATE_TEST_SUITE_P(Finish, Restart,
                         ::testing::Values(RestartCase{"Yes", "1", "Yes", true}, RestartCase{"No", "1", "No", false},
                                           RestartCase{"NotOffered", "0", "", false}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(Finish, FailedSaveOfTheUninstallListIsLoggedAndTheRunGoesOn) {
    SKIP_ON_WINE("a full disk");
    const std::string oldRecord = "#FILE#C:\\Alt\\a.txt\r\n";
    setMachineIni(iniWith("", "[Faults]\nC:\\WINNT\\Uninstal\\Demo\\uninstall.$$$=disk-full\n"));
    putFile(kRecord, oldRecord);
    putDescription(StandardDescription());

    // The executor's own save fails the same way: it says so and registers
    // no uninstaller without its record.
    const SetupResult r = walk("box OK uninstall.dat konnte nicht gespeichert werden !\n");

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_FALSE(uninstallEntryExists());
    const std::vector<std::string> log = logTexts(kKeptLog);
    const auto failed = std::find(log.begin(), log.end(), "uninstall.dat konnte nicht gespeichert werden");
    ASSERT_GE(std::distance(failed, log.end()), 2) << "logged, and a line after it";
    EXPECT_EQ(*std::next(failed), "STATE: Installation");
    EXPECT_EQ(log.back(), "Installation abgeschossen");
    EXPECT_EQ(testsupport::readHostFile(host(kRecord)), oldRecord) << "the earlier record is whole";
    EXPECT_FALSE(exists("C:\\WINNT\\Uninstal\\Demo\\unins0.exe")) << "no uninstaller without its record";
    EXPECT_FALSE(exists("C:\\WINNT\\Uninstal\\Demo\\uninstall.$$$"));
}

// A record that cannot be read when the executor starts holds the earlier
// runs: it is kept, and no uninstaller is registered without it.
TEST_F(Finish, UnreadableRecordIsKeptAndSaidSo) {
    SKIP_ON_WINE("an unreadable file, made so by the script");
    const std::string oldRecord = "#FILE#C:\\Alt\\a.txt\r\n";
    putFile(kRecord, oldRecord);
    putDescription(StandardDescription());
    const SetupResult r = runSetup(std::string(kFirstType) + BrowseTo("frmDirSelect", "C:\\Demo\\") +
                                   "page frmConfirm\nmachine [Faults]" + kRecord + " unreadable\nclick cmdNext\n"
                                   "page frmExecInstall\nbox OK uninstall.dat konnte nicht gelesen werden\n");
    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(r.transcript,
                HasSubstr("text=\"uninstall.dat konnte nicht gelesen werden, Uninstall-Daten nicht gespeichert !\""));
    EXPECT_EQ(testsupport::readHostFile(host(kRecord)), oldRecord);
    EXPECT_FALSE(exists("C:\\WINNT\\Uninstal\\Demo\\unins0.exe"));
    EXPECT_FALSE(uninstallEntryExists());
}

// Without its uninstaller the record still gets the run's lines; only the
// registry entry, which would point at a missing program, is left out.
TEST_F(Finish, MissingUninstallerStillSavesTheRecord) {
    putDescription(StandardDescription());
    std::filesystem::remove(medium() + "/uninstall.exe");
    const SetupResult r = walk("box OK konnte nicht kopiert werden\n");
    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(r.transcript,
                HasSubstr("text=\"C:\\WINNT\\Uninstal\\Demo\\unins0.exe konnte nicht kopiert werden !\""));
    const std::string record = testsupport::readHostFile(host(kRecord));
    EXPECT_THAT(record, HasSubstr("#FILE#C:\\Demo\\"));
    EXPECT_THAT(record, HasSubstr("#UninstallKey#Demo\r\n"));
    EXPECT_FALSE(exists("C:\\WINNT\\Uninstal\\Demo\\unins0.exe"));
    EXPECT_FALSE(uninstallEntryExists());
}

// A registry whose file cannot be rewritten keeps the record and its
// uninstaller; the registry file stays as it was and the user is told.
TEST_F(Finish, RegistryThatCannotBeWrittenKeepsTheRecordAndTheUninstaller) {
    SKIP_ON_WINE("a registry that cannot be written, made so by the script");
    putDescription(StandardDescription());
    const std::string registry = machineDir + "/registry.reg";
    const SetupResult r = runSetup(std::string(kFirstType) + BrowseTo("frmDirSelect", "C:\\Demo\\") +
                                   "page frmConfirm\nmachine [Faults]" + registry + " disk-full\n" +
                                   "machine [FaultLimits]" + registry + " 10\nclick cmdNext\n" +
                                   "page frmExecInstall\nbox OK Konnte Uninstaller nicht in Registry eintragen\n");
    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(testsupport::readHostFile(host(kRecord)), HasSubstr("#FILE#C:\\Demo\\"));
    EXPECT_TRUE(exists("C:\\WINNT\\Uninstal\\Demo\\unins0.exe"));
    win::machine::reload();
    EXPECT_FALSE(uninstallEntryExists());
}

// A blank in the uninstaller's path is quoted, as in every command line.
TEST_F(Finish, UninstallStringWithABlankIsQuoted) {
    Description d = StandardDescription();
    d.uninstallKey = "Mein Produkt";
    putDescription(d);
    const SetupResult r = walk();
    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_EQ(registryString(win::RegRoot::LocalMachine,
                             "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Mein Produkt",
                             "UninstallString"),
              "\"C:\\WINNT\\Uninstal\\Mein Produkt\\unins0.exe\" -u");
}

TEST_F(Finish, LogReplacesAnEarlierOneBesideTheRecord) {
    putFile(kKeptLog, "alter Lauf\r\n");
    putDescription(StandardDescription());

    const SetupResult r = walk();

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    const std::vector<std::string> log = logTexts(kKeptLog);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "INSTALL 2.3");
    EXPECT_EQ(log.back(), "Installation abgeschossen");
    EXPECT_FALSE(exists(kWorkLog));
    EXPECT_FALSE(exists("C:\\Demo\\INSTALL.LOG"));
}

TEST_F(Finish, WithoutRecordTheLogGoesIntoTheProgramDirectory) {
    Description d = StandardDescription();
    d.uninstallKey = "";
    putDescription(d);
    makeDir("C:\\Demo");

    const SetupResult r = walk("", {}, true);

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_EQ(lastLogLine("C:\\Demo\\INSTALL.LOG"), "Installation abgeschossen");
    EXPECT_FALSE(exists(kWorkLog));
}

TEST_F(Finish, WithoutRecordAndProgramDirectoryTheLogIsDeleted) {
    Description d = StandardDescription();
    d.uninstallKey = "";
    d.groups = {};  // nothing makes the program directory
    putDescription(d);

    const SetupResult r = walk();

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_FALSE(exists("C:\\Demo"));
    EXPECT_FALSE(exists(kWorkLog));
}

TEST_F(Finish, TempWorkDirectoryIsRemovedWithItsReadOnlyWorkFiles) {
    putDescription(StandardDescription());
    putFile("D:\\WORK\\INIFILE.ALL", "[alt]\r\n");
    ASSERT_TRUE(makeReadOnly("D:\\WORK\\INIFILE.ALL"));

    const SetupResult r = walk("", {"-TEMP=D:\\WORK"});

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_FALSE(exists("D:\\WORK"));
    EXPECT_EQ(lastLogLine(kKeptLog), "Installation abgeschossen");
}

TEST_F(Finish, TempWorkDirectoryKeepsForeignFiles) {
    putDescription(StandardDescription());
    putFile("D:\\WORK\\notiz.txt", "meins");

    const SetupResult r = walk("", {"-TEMP=D:\\WORK"});

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_EQ(testsupport::readHostFile(host("D:\\WORK\\notiz.txt")), "meins");
    EXPECT_FALSE(exists("D:\\WORK\\SETUP.ALL"));
    EXPECT_FALSE(exists("D:\\WORK\\INSTALL.LOG"));
}

class DriveRootAsWorkDirectory : public Finish, public ::testing::WithParamInterface<const char*> {};

// However it is spelled, the root of a drive is never removed.
TEST_P(DriveRootAsWorkDirectory, Stays) {
    putDescription(StandardDescription());

    const SetupResult r = walk("", {std::string("-TEMP=") + GetParam()});

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_TRUE(std::filesystem::is_directory(machineDir + "/drives/D"));
    EXPECT_FALSE(exists("D:\\SETUP.ALL"));
    EXPECT_EQ(lastLogLine(kKeptLog), "Installation abgeschossen");
}

INSTANTIATE_TEST_SUITE_P(Spellings, DriveRootAsWorkDirectory,
                         ::testing::Values("D:\\", "D:\\X\\..", "d:\\WORK\\.\\..\\"));

TEST_F(Finish, LogThatCannotBeCopiedStaysInTheWorkDirectory) {
    SKIP_ON_WINE("a file in use");
    setMachineIni(iniWith("", "[InUse]\nC:\\Demo\\INSTALL.LOG=1\n"));
    Description d = StandardDescription();
    d.uninstallKey = "";
    putDescription(d);
    putFile("C:\\Demo\\INSTALL.LOG", "in Gebrauch");

    const SetupResult r = walk("", {"-TEMP=D:\\WORK"}, true);

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_EQ(lastLogLine("D:\\WORK\\INSTALL.LOG"), "Installation abgeschossen");
    EXPECT_FALSE(exists("D:\\WORK\\SETUP.ALL")) << "the other work files go";
    EXPECT_EQ(testsupport::readHostFile(host("C:\\Demo\\INSTALL.LOG")), "in Gebrauch");
}

TEST_F(Finish, JoinedSplitDirectoryIsRemovedWithItsReadOnlyFiles) {
    putDescription(StandardDescription());
    // One member a volume; the joined files come read-only.
    std::vector<std::string> volumes;
    for (const char* name : {"INST.ALL", "LZ000001.PAK", "uninstall.exe"}) {
        volumes.push_back(SplitStream({{name, testsupport::readHostFile(medium() + "/" + name),
                                        LzwDosDateTime(2024, 3, 1, 9, 0, 0), win::ATTR_READONLY | win::ATTR_ARCHIVE,
                                        std::nullopt}}));
        std::filesystem::remove(medium() + "/" + name);
    }
    WriteSplitVolumes(medium(), volumes);

    // Three volumes need more than the machine's free gigabyte; Wine's drive
    // has the host's space.
    const SetupResult r = runSetup((OnWine() ? "" : "box OK Vorraussichtlich\n") + std::string(kFirstType) +
                                   BrowseTo("frmDirSelect", "C:\\Demo\\") + kConfirmAndInstall);

    EXPECT_EQ(r.exitCode, 0) << r.err << r.transcript;
    EXPECT_THAT(logTexts(kKeptLog), Contains("Setup wird aus SPL-Dateien zusammengesetzt"));
    EXPECT_EQ(lastLogLine(kKeptLog), "Installation abgeschossen");
    EXPECT_FALSE(exists("C:\\TEMP\\SPLTMP"));
    EXPECT_TRUE(exists("C:\\TEMP"));
}

}  // namespace
}  // namespace setuptest
