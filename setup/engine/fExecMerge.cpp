// Unit fExec: ".ENV" and ".IPA" members, and the executor's last steps.
#include "fExecMerge.h"

#include "IniFiles.h"
#include "InstallLog.h"
#include "SysUtils.h"
#include "Tools.h"
#include "fExec.h"
#include "fInstall.h"
#include "fSetVar.h"

#include <algorithm>
#include <cstring>

namespace {

const char* const kFatalCaption = "Nicht behebbarer Fehler !";
constexpr std::size_t kPendingIniField = 260;

void Log(const std::string& text) { WriteLogLine(text, frmInstall->LogFile()); }

std::string WorkFile() { return frmInstall->m_sTempDir + "INSTFILE.TMP"; }

// A description member's [Setup] marker must be exactly "1"; otherwise the
// member is reported and ignored.
bool HasMarker(const TIniFile& description, const std::string& key, const std::string& complaint) {
    if (description.ReadString("Setup", key, "") == "1") return true;
    Log(complaint);
    ShowMessage(complaint);
    return false;
}

void Warn(const std::string& text, const std::string& logLine) {
    MessageBeep(0);
    Application->MessageBox(text, kFatalCaption, MB_OK | MB_ICONEXCLAMATION);
    Log(logLine);
}

bool IsOleProgram(const std::string& path) {
    const std::string extension = UpperCase(ExtractFileExt(path));
    return extension == ".EXE" || extension == ".COM";
}

void MergeIpaSection(const TIniFile& description, const std::string& section, const std::string& target) {
    TIniFile merge(IniMergeFileName());
    const std::string mergeSection = ChangeFileExt(target, ".INI") + "#" + section;
    TStringList keys;
    description.ReadSection(section, &keys);
    for (int i = 0; i < keys.Count(); ++i) {
        const std::string value = description.ReadString(section, keys[i], "");
        Log("Gruppe: [" + section + "]   Name: " + keys[i] + "   Vorgabe: " + value);
        merge.WriteString(mergeSection, keys[i], value);
    }
}

void RegisterOleServersNow(const TStringList& paths) {
    for (int i = 0; i < paths.Count(); ++i) {
        const std::string path = paths[i];
        Log("Registriere OLE-Server: " + path);
        if (IsOleProgram(path)) {
            RegisterOleExe(path);
            AddUninstallLine("#OLE#" + path);
        } else if (RegisterOleDll(path)) {
            AddUninstallLine("#OLE#" + path);
        } else {
            Log("Die Datei enthaelt keinen OLE-Server");
        }
    }
}

// The boot-time registration program takes the list at the next logon.
void LeaveOleServersForReboot(const TStringList& paths) {
    const std::string listFile = frmInstall->m_sWindowsDir + "INSTALL.OLE";
    TStringList list;
    // A list that cannot be read holds the registrations of earlier runs:
    // it is kept as it is rather than replaced by this run's alone.
    const bool readable = LoadListIfReadable(list, listFile);
    if (!readable)
        Warn("INSTALL.OLE konnte nicht gelesen werden, OLE-Registrierung unvollständig !",
             "FEHLER, INSTALL.OLE konnte nicht gelesen werden");
    for (int i = 0; i < paths.Count(); ++i) {
        Log("OLE-Server: " + paths[i] + " kann erst nach dem REBOOT installiert werden");
        list.Add(paths[i]);
        AddUninstallLine("#OLE#" + paths[i]);
    }
    if (readable && !SaveListReplacing(list, listFile))
        Warn("INSTALL.OLE konnte nicht geschrieben werden, OLE-Registrierung unvollständig !",
             "FEHLER, INSTALL.OLE konnte nicht geschrieben werden");

    const std::string program = NormalizePath(GetWindowsDir(), false) + "TREMLIN.EXE";
    if (!win::copyFile(frmInstall->m_sSetupDir + "TREMLIN.EXE", program, false)) {
        Warn("TREMLIN.EXE konnte nicht in das WINDOWS-Verzeichnis kopiert werden, OLE-Registrierung unvollständig !",
             "FEHLER, TREMLIN.EXE nicht in WINDOWS-Verzeichnis kopiert");
    } else if (!AddRunOnce("tremlin.exe", "NOTEST")) {
        Warn("TREMLIN.EXE-Aufruf konnte nicht in REGISTRY geschrieben werden, OLE-Registrierung unvollständig !",
             "FEHLER, TREMLIN.EXE-Aufruf konnte nicht in REGISTRY geschrieben werden");
    }
}

void InstallFonts(const TStringList& paths) {
    for (int i = 0; i < paths.Count(); ++i) {
        if (InstallFont(paths[i]))
            Log("Font-Installation: " + paths[i]);
        else
            Log("Fehlgeschlagene Font-Installation: " + paths[i]);
    }
}

void CopyField(char (&field)[kPendingIniField + 1], const std::string& text) {
    const std::size_t length = std::min(text.size(), kPendingIniField);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

// One section of the merge file: the defaults of one INI file's section.
// A setting that already has a value there is never offered.
void ReadBackMergeSection(const TIniFile& merge, const std::string& mergeSection, TStringList& pending) {
    const std::size_t marker = mergeSection.find(".INI#");
    if (marker == std::string::npos) return;
    const std::string iniPath = mergeSection.substr(0, marker + 4);
    const std::string section = mergeSection.substr(marker + 5, kPendingIniField);
    // A cut path would name another file.
    if (iniPath.size() > kPendingIniField) return;
    const TIniFile target(iniPath);
    TStringList keys;
    merge.ReadSection(mergeSection, &keys);
    for (int i = 0; i < keys.Count(); ++i) {
        if (!target.ReadString(section, keys[i], "").empty()) continue;
        auto* entry = new PendingIniEntry;
        CopyField(entry->m_sIniFile, iniPath);
        CopyField(entry->m_sSection, section);
        pending.AddObject(keys[i] + "=" + merge.ReadString(mergeSection, keys[i], ""), entry);
    }
}

void ReadBackIniDefaults(TStringList& pending) {
    if (!FileExists(IniMergeFileName())) return;
    const TIniFile merge(IniMergeFileName());
    TStringList sections;
    merge.ReadSections(&sections);
    for (int i = 0; i < sections.Count(); ++i) ReadBackMergeSection(merge, sections[i], pending);
}

void WriteEnvironment(const TStringList& environment) {
    for (int i = 0; i < environment.Count(); ++i) {
        const std::string name = NameOfLine(environment[i]);
        if (!SetEnvVariable(name, ValueOfLine(environment[i]))) Log("Fehlgeschlagene Umgebungsvariable: " + name);
    }
}

// A line the user emptied (or left without a key) is not written.
void WritePendingIni(const TStringList& pending) {
    for (int i = 0; i < pending.Count(); ++i) {
        const std::string key = NameOfLine(pending[i]);
        const std::string value = ValueOfLine(pending[i]);
        if (key.empty() || value.empty()) continue;
        const auto* entry = static_cast<const PendingIniEntry*>(pending.Objects(i));
        if (!WriteIniValue(entry->m_sSection, key, value, entry->m_sIniFile))
            Log("Fehlgeschlagener INI-Eintrag: " + std::string(entry->m_sIniFile) + " [" + entry->m_sSection + "] " + key);
    }
}

void EditAndWriteParameters(TStringList& environment, TStringList& pending) {
    FillEnvironmentMemo(frmSetVar, &environment);
    FillIniEdits(frmSetVar, &pending);
    frmSetVar->ShowModal();
    WriteEnvironment(environment);
    WritePendingIni(pending);
}

void DeleteWorkFiles() {
    DeleteWorkFile(WorkFile());
    DeleteWorkFile(IniMergeFileName());
    // Only joined split volumes leave an INST.ALL of ours in the work
    // directory; otherwise it may be the medium's own.
    if (frmInstall->m_bSplitJoined) DeleteWorkFile(frmInstall->m_sTempDir + "INST.ALL");
}

}  // namespace

std::string IniMergeFileName() { return frmInstall->m_sTempDir + "INIFILE.ALL"; }

void EvaluateEnvFile(const std::string& storedName, TStringList& pclEnvironment) {
    TIniFile description(WorkFile());
    description.UpdateFile();
    if (!HasMarker(description, "IsEnvFile", "Fehlerhafte ENVIRONMENT-Datei:" + storedName)) return;
    TStringList names;
    description.ReadSection("Environment", &names);
    if (names.Count() > 0) Log("Environment-Datei: " + storedName);
    for (int i = 0; i < names.Count(); ++i) {
        if (pclEnvironment.IndexOfName(names[i]) >= 0) continue;
        pclEnvironment.Add(names[i] + "=" + description.ReadString("Environment", names[i], ""));
    }
}

void EvaluateIpaFile(const std::string& target, const std::string& storedName) {
    Log("Auswertung IPA-Datei:" + storedName);
    TIniFile description(WorkFile());
    description.UpdateFile();
    if (!HasMarker(description, "IsIpaFile", "Fehlerhafte IPA-Datei:" + storedName)) return;
    TStringList sections;
    description.ReadSections(&sections);
    // A merge file that refuses a write loses that default, not the run.
    try {
        for (int i = 0; i < sections.Count(); ++i)
            if (!SameText(sections[i], "SETUP")) MergeIpaSection(description, sections[i], target);
    } catch (const Exception& e) {
        Log(e.Message());
    }
}

bool FinishInstallation(TForm& page, const TStringList& pclOleNow, const TStringList& pclOleReboot,
                        const TStringList& pclFonts, TStringList& pclEnvironment) {
    RegisterOleServersNow(pclOleNow);
    if (pclOleReboot.Count() > 0) LeaveOleServersForReboot(pclOleReboot);
    InstallFonts(pclFonts);

    // Off the screen, while it stays the modal page under the parameter page.
    page.Height = 0;
    page.Width = 0;
    page.Top = -50;

    TStringList pclPendingIni(true);
    ReadBackIniDefaults(pclPendingIni);
    if (pclEnvironment.Count() > 0 || pclPendingIni.Count() > 0) EditAndWriteParameters(pclEnvironment, pclPendingIni);
    DeleteWorkFiles();
    return true;
}
