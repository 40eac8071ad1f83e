// The installation executor: the selected file groups, member by member.
#include "fExec.h"

#include "Dialogs.h"
#include "InstallLog.h"
#include "SysUtils.h"
#include "Tools.h"
#include "Ulzw.h"
#include "Win.h"
#include "fExecMerge.h"
#include "fInstall.h"
#include "fTypeSel.h"

#include <array>
#include <cstdint>
#include <initializer_list>

namespace {

const char* const kFatalCaption = "Nicht behebbarer Fehler !";
const char* const kSetupCaption = "Brimlund Setup";

// Files of earlier versions that must not survive in a program directory.
const std::array<const char*, 34> PrgDirDeleteList = {
    "bl_mail.exe",
    "wex_show.exe",
    "Blt_reo.exe",
    "palvenor.exe",
    "mingwm10.dll",
    "QtCore4.dll",
    "QtGui4.dll",
    "QtSvg4.dll",
    "QtXml4.dll",
    "QtCored4.dll",
    "QtGuid4.dll",
    "QtSvgd4.dll",
    "QtXmld4.dll",
    "Qt-Plugins\\IconEngines\\qsvgicon4.dll",
    "Qt-Plugins\\IconEngines\\qsvgicond4.dll",
    "Qt-Plugins\\ImageFormats\\qgif4.dll",
    "Qt-Plugins\\ImageFormats\\qico4.dll",
    "Qt-Plugins\\ImageFormats\\qjpeg4.dll",
    "Qt-Plugins\\ImageFormats\\qmng4.dll",
    "Qt-Plugins\\ImageFormats\\qsvg4.dll",
    "Qt-Plugins\\ImageFormats\\qtga4.dll",
    "Qt-Plugins\\ImageFormats\\qtiff4.dll",
    "Qt-Plugins\\ImageFormats\\qgifd4.dll",
    "Qt-Plugins\\ImageFormats\\qicod4.dll",
    "Qt-Plugins\\ImageFormats\\qjpegd4.dll",
    "Qt-Plugins\\ImageFormats\\qmngd4.dll",
    "Qt-Plugins\\ImageFormats\\qsvgd4.dll",
    "Qt-Plugins\\ImageFormats\\qtgad4.dll",
    "Qt-Plugins\\ImageFormats\\qtiffd4.dll",
    "D3DCompiler_43.dll",
    "icudt49.dll",
    "icuin49.dll",
    "icuuc49.dll",
    "libgcc_s_sjlj-1.dll",
};

// The six flag characters after a member's file name; a missing character
// reads as a blank.
struct PakFileFlags {
    char m_cOverwrite = ' ';
    char m_cBackup = ' ';
    char m_cAutostartLink = ' ';
    char m_cStartMenuLink = ' ';
    char m_cDesktopLink = ' ';
    char m_cOleServer = ' ';

    static PakFileFlags FromEntry(const std::string& entry) {
        const auto at = [&entry](std::size_t i) { return i < entry.size() ? entry[i] : ' '; };
        return {at(12), at(13), at(14), at(15), at(16), at(17)};
    }
    // A non-digit counts as any other number: no special rule.
    static int Digit(char c) { return c >= '0' && c <= '9' ? c - '0' : -1; }
    int OverwriteRule() const { return Digit(m_cOverwrite); }
    int BackupRule() const { return Digit(m_cBackup); }
};

enum OverwriteRule { owDateRule = 2, owAsk = 3, owNever = 4, owOnlyExisting = 5 };

// One member of a group on its way to the target.
struct Member {
    std::string source;
    std::string storedName;
    std::string target;
    std::string extension;  // upper-cased, with its dot
    PakFileFlags flags;
    LzwMemberHeader header;
};

void Log(const std::string& text) { WriteLogLine(text, frmInstall->LogFile()); }

std::string WorkFile() { return frmInstall->m_sTempDir + "INSTFILE.TMP"; }

// The fatal box (after a beep), its log lines, and the end of the process.
[[noreturn]] void FatalEnd(const std::string& text, std::initializer_list<std::string> logLines) {
    MessageBeep(0);
    Application->MessageBox(text, kFatalCaption, MB_OK | MB_ICONSTOP);
    for (const std::string& line : logLines) Log(line);
    win::exitProcess(1);
}

bool OneOf(const std::string& text, std::initializer_list<const char*> values) {
    for (const char* value : values)
        if (text == value) return true;
    return false;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

// The name without whatever counts as its extension: from its last dot on,
// when that dot stands after the last backslash or colon.
std::string WithoutExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    const std::size_t delimiter = name.find_last_of("\\:");
    if (dot == std::string::npos || (delimiter != std::string::npos && dot < delimiter)) return name;
    return name.substr(0, dot);
}

// The [IconText] name of a stored file, else the stored name, without its
// extension.  The name may hold a sub-folder; CreateShellLink refuses one
// that would leave the shortcut folder.
std::string ShortcutName(const std::string& storedName) {
    std::string name = storedName;
    const TStringList* iconTexts = frmInstall->m_pclIconTexts.get();
    for (int i = 0; iconTexts && i < iconTexts->Count(); ++i) {
        const std::string line = iconTexts->Strings(i);
        if (!SameText(line.substr(0, line.find('=')), storedName)) continue;
        const std::string text = ValueOfLine(line);
        if (!text.empty()) name = text;
        break;
    }
    return WithoutExtension(name);
}

bool IsInUseCandidate(const Member& member) {
    if (!OneOf(member.extension, {".EXE", ".DLL", ".CGI", ".HTM", ".JS", ".CSS"})) return false;
    if (member.target.find("Windows") != std::string::npos || member.target.find("windows") != std::string::npos)
        return false;
    const std::string windir = win::environmentVariable("windir");
    return windir.empty() || !StartsWithNoCase(member.target, windir);
}

std::string InUseText(const std::string& target) {
    return std::string("Die Installation wurde an dieser Stelle gestoppt.\n\n") +
           "Der Grund: Module können nicht ersetzt werden,\n" +
           "wenn sie noch im Zugriff sind. Das kann z.B. eine\n" +
           "DLL sein oder ein Dienst, der nicht deinstalliert ist.\n\n" + "Folgendes Modul ist betroffen:\n" +
           target + "\n\n" + "Sie können jetzt das betroffene Modul entfernen\n" +
           "und anschließend mit fortfahren.\n";
}

const char* const kAbortWarning =
    "Sie können die Installation jetzt abbrechen,\n"
    "müssen aber danach das Setup wiederholen, da\n"
    "die momentane Teilinstallation nicht lauffähig ist.\n";

// Waits, asking Retry/Cancel, until an in-use candidate's old file could be
// replaced; it stays in place until its replacement is secured.  Cancel
// twice ends the process.
void WaitUntilReplaceable(const std::string& target) {
    for (;;) {
        if (FileExists(target)) ClearProtectingAttributes(target);
        if (!FileExists(target) || win::canOpenExclusive(target)) return;
        const int flags = MB_RETRYCANCEL | MB_ICONEXCLAMATION;
        if (Application->MessageBox(InUseText(target), kSetupCaption, flags) == IDRETRY) continue;
        if (Application->MessageBox(kAbortWarning, kSetupCaption, flags) == IDRETRY) continue;
        win::exitProcess(1);
    }
}

// The backup directory for the stored name: the newest one with a note,
// the next one when the name is already saved there.
std::string ChooseBackupDir(const std::string& groupDir, const std::string& prefix, const std::string& storedName) {
    const auto candidate = [&](int n) { return NormalizePath(groupDir + prefix + IntToStr(n), false); };
    int n = 1;
    while (FileExists(candidate(n) + "readme.txt")) ++n;
    --n;
    if (FileExists(candidate(n) + storedName)) ++n;
    return candidate(n);
}

void WriteBackupNote(const std::string& backupDir) {
    TStringList note;
    note.Add("Quandrel Sicherheitskopie vom: " + DateTimeToStr(Now()));
    try {
        note.SaveToFile(backupDir + "readme.txt");
    } catch (const Exception&) {
        // The copy that follows fails the same way and ends the run.
    }
}

// Runs the file groups of one executor run.
class FileGroupRun {
public:
    FileGroupRun(TfrmExecInstall& page, ExecRunLists& lists) : page_(page), lists_(lists) {}

    void Run() {
        page_.pbAll->SetPosition(0);
        page_.pbAll->SetMax(0);
        TStringList& groups = *frmInstall->m_pclFileGroups;
        for (int g = 0; g < groups.Count(); ++g) {
            if (IsSelected(g))
                page_.pbAll->SetMax(page_.pbAll->Max() + MembersOf(g).Count());
            else
                Log("Dateigruppe wird nicht installiert");
        }
        AddUninstallLine("#UninstallKey#" + frmInstall->m_sUninstallKey);
        AddUninstallLine("### Setup Zeitpunkt: " + DateTimeToStr(Now()));
        for (int g = 0; g < groups.Count(); ++g) InstallGroup(g);
    }

private:
    static TStrings& MembersOf(int g) {
        return *static_cast<TStrings*>(frmInstall->m_pclFileGroups->Objects(g));
    }

    // Whether a checked setup type includes the group.
    static bool IsSelected(int g) {
        const TCheckListBox& types = *frmTypSelect->clbTypSelect;
        for (int i = 0; i < types.Items->Count(); ++i) {
            if (!types.Checked(i)) continue;
            const int t = static_cast<TIntObject*>(frmTypSelect->m_pclShownTypes->Objects(i))->Value;
            if (GroupBelongsToType(*frmInstall, g, t)) return true;
        }
        return false;
    }

    void InstallGroup(int g) {
        Log("Dateigruppe: " + frmInstall->m_pclFileGroups->Strings(g));
        if (!IsSelected(g)) {
            Log("Dateigruppe wird nicht installiert");
            return;
        }
        TStrings& members = MembersOf(g);
        GroupUnpackedSize(*frmInstall, members);
        Log("Dateigruppe wird installiert");
        const std::string fixed = ResolveDirPlaceholder(*frmInstall, frmInstall->m_pclGroupFixPaths->Strings(g));
        const std::string groupDir = NormalizePath(fixed + frmInstall->m_pclGroupVarPaths->Strings(g), false);
        MakeDirectory(groupDir, true);
        Log("Zielverzeichnis: " + groupDir);
        DeleteOldProgramFiles(groupDir);
        for (int i = 0; i < members.Count(); ++i) InstallMember(groupDir, members, i);
    }

    // Once per run, in the first program directory.
    void DeleteOldProgramFiles(const std::string& groupDir) {
        if (!deleteListPending_ || groupDir.find("\\prg\\") == std::string::npos) return;
        deleteListPending_ = false;
        for (const char* name : PrgDirDeleteList) DeleteFile(groupDir + name);
    }

    void InstallMember(const std::string& groupDir, TStrings& members, int i) {
        page_.pbAll->StepIt();
        page_.pbAll->Repaint();
        Log("Lösche Datei: " + WorkFile());
        // The previous member left its own attributes on the work file: a
        // read-only one would block this member's expansion.
        DeleteWorkFile(WorkFile());

        const std::string entry = members.Strings(i);
        Member member;
        member.header = static_cast<TMemberHeaderObject*>(members.Objects(i))->Value;
        member.source = frmInstall->m_sSetupDir + Copy(entry, 1, 12);
        member.storedName = member.header.m_sFileName;
        member.target = groupDir + member.storedName;
        member.extension = UpperCase(ExtractFileExt(member.target));
        member.flags = PakFileFlags::FromEntry(entry);

        Log("Entpacke Datei: " + member.source);
        // A stored name with a directory or drive would write outside the
        // group directory: such a member counts as corrupt.
        if (!LzwIsPlainFileName(member.storedName) || !LzwExpandFile(WorkFile(), member.source, UnpackProgress))
            FatalEnd("Fehler beim Entpacken der Datei <" + member.source + ">, Abbruch !",
                     {"Fehler beim Entpacken der Datei, Abbruch !"});
        Log("Neue Datei: " + member.target);

        if (member.extension == ".ENV") {
            EvaluateEnvFile(member.storedName, *lists_.pclEnvironment);
            return;
        }
        if (member.extension == ".IPA") {
            EvaluateIpaFile(member.target, member.storedName);
            return;
        }
        if (OneOf(member.extension, {".TTF", ".FON"})) lists_.pclFonts->Add(member.target);
        CreateShortcuts(member);
        IncSharedDllCount(member.target);
        if (FileExists(member.target))
            InstallOverExisting(groupDir, member);
        else
            InstallMissing(member);
    }

    void CreateShortcuts(const Member& member) {
        const std::string name = ShortcutName(member.storedName);
        const std::string tmpName = ChangeFileExt(member.storedName, ".tmp");
        if (member.flags.m_cAutostartLink == '1') {
            Log("AUTOSTART-Eintrag fuer " + member.target);
            if (!CreateShellLink(member.target, frmInstall->m_sStartupDir + tmpName, name, pclUninstallList.get()))
                Log("FEHLER! AUTOSTART-Eintrag konnte NICHT angelegt werden !");
        }
        if (member.flags.m_cStartMenuLink == '1') {
            Log("STARTMENUE-Gruppe " + frmInstall->m_sStartMenuText + " anlegen");
            CreateDir(frmInstall->m_sStartMenuDir);
            AddUninstallLine("#MENUEDIR#" + frmInstall->m_sStartMenuDir);
            Log("STARTMENUE-Eintrag fuer " + member.target);
            if (!CreateShellLink(member.target, frmInstall->m_sStartMenuDir + tmpName, name, pclUninstallList.get()))
                Log("FEHLER! STARTMENUE-Eintrag konnte NICHT angelegt werden !");
        }
        if (member.flags.m_cDesktopLink == '1') {
            Log("DESKTOP-ICON fuer " + member.target);
            if (!CreateShellLink(member.target, frmInstall->m_sDesktopDir + tmpName, name, pclUninstallList.get()))
                Log("FEHLER! DESKTOP-ICON konnte NICHT angelegt werden !");
        }
    }

    void InstallMissing(const Member& member) {
        if (member.flags.OverwriteRule() == owOnlyExisting) return;
        Log("Datei wird kopiert, Zieldatei nicht vorhanden");
        if (!win::copyFile(WorkFile(), member.target, false))
            FatalEnd("Fehler beim Kopieren der Datei <" + member.target + ">, Abbruch !",
                     {"Fehler beim Kopieren der Datei, Abbruch !"});
        AddUninstallLine("#FILE#" + member.target);
        win::setFileAttributes(member.target, member.header.m_nAttributes);
        AddIfOleServer(member, *lists_.pclOleNow);
    }

    void InstallOverExisting(const std::string& groupDir, const Member& member) {
        Backup(groupDir, member);
        if (!OverwriteAllowed(member)) return;
        ClearProtectingAttributes(member.target);
        if (IsInUseCandidate(member)) WaitUntilReplaceable(member.target);
        Log("Datei wird kopiert");
        if (CopyFileReplacing(WorkFile(), member.target)) {
            win::setFileAttributes(member.target, member.header.m_nAttributes);
            AddIfOleServer(member, *lists_.pclOleNow);
        } else {
            Log("Kopiervorgang verweigert, Aufgabe wird Boot-Mechanismus übergeben");
            if (!ReplaceOnReboot(WorkFile(), member.target))
                FatalEnd("Datei <" + member.target + "> konnte nicht ersetzt werden, Abbruch !",
                         {sLastErrorText, "Boot-Mechanismus verweigert Dateiersetzung, Abbruch !"});
            AddIfOleServer(member, *lists_.pclOleReboot);
        }
        AddUninstallLine("#FILE#" + member.target);
    }

    // Saves the file about to be replaced, also when the overwrite rule
    // then keeps it.
    static void Backup(const std::string& groupDir, const Member& member) {
        const int rule = member.flags.BackupRule();
        if (rule != 1 && rule != 2) return;
        const std::string backupDir = ChooseBackupDir(groupDir, rule == 1 ? "INSTOLDF." : "INSTNEWF.", member.storedName);
        MakeDirectory(backupDir, true);
        if (!FileExists(backupDir + "readme.txt")) WriteBackupNote(backupDir);
        Log("Die Datei <" + member.target + "> wird nach <" + backupDir + "> gesichert");
        if (!win::copyFile(member.target, backupDir + member.storedName, false))
            FatalEnd("Datei <" + member.target + "> konnte nicht gesichert werden, Abbruch !",
                     {"Fehler beim Sichern der Datei, Abbruch !"});
        AddUninstallLine("#FILE#" + backupDir + member.storedName);
    }

    static bool OverwriteAllowed(const Member& member) {
        switch (member.flags.OverwriteRule()) {
        case owNever:
            Log("Datei NICHT kopiert, Zieldatei darf nicht überschrieben werden");
            return false;
        case owAsk:
            return UserAllowsOverwrite(member.target);
        case owDateRule:
            return MemberIsNewer(member);
        default:
            return true;
        }
    }

    static bool UserAllowsOverwrite(const std::string& target) {
        const std::string text =
            "Die Datei <" + target + "> existiert schon !\n\nSoll die vorhandene Datei überschrieben werden ?";
        if (Application->MessageBox(text, "Vorhandene Datei überschreiben ?", MB_YESNO | MB_ICONQUESTION) != IDYES) {
            Log("Datei NICHT kopiert, der Anwender hat das Überschreiben der vorhandenen Datei abgelehnt");
            return false;
        }
        Log("Datei wird kopiert, der Anwender hat das Überschreiben der vorhandenen Datei erlaubt");
        return true;
    }

    static bool MemberIsNewer(const Member& member) {
        LzwMemberHeader installed;
        if (!LzwHeaderFromFile(member.target, installed)) {
            const std::string text = "Abbruch, Attribute der Zieldatei <" + member.target + "> konnten nicht ermittelt werden !";
            Log(text);
            Application->MessageBox(text, kFatalCaption, MB_OK | MB_ICONSTOP);
            win::exitProcess(1);
        }
        // Unsigned: from 2044 on the year sets the high bit.
        if (member.header.m_nDateTime > installed.m_nDateTime) return true;
        Log("Datei wird NICHT kopiert, Datum und Uhrzeit der Zieldatei <" + member.target +
            "> sind neuer oder gleich der Installationsdatei !");
        return false;
    }

    static void AddIfOleServer(const Member& member, TStringList& list) {
        if (OneOf(member.extension, {".DLL", ".OCX", ".VBX"}) || member.flags.m_cOleServer == '1')
            list.Add(member.target);
    }

    TfrmExecInstall& page_;
    ExecRunLists& lists_;
    bool deleteListPending_ = true;
};

}  // namespace

bool TfrmExecInstall::ExecuteInstallation() {
    ExecRunLists lists;
    FileGroupRun(*this, lists).Run();
    return FinishInstallation(*this, *lists.pclOleNow, *lists.pclOleReboot, *lists.pclFonts, *lists.pclEnvironment);
}
