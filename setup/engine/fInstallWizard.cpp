// Unit fInstall: the wizard state machine that follows start-up, the space
// checks after the directory pages, and the finish.
#include "InstallLog.h"
#include "SysUtils.h"
#include "Tools.h"
#include "Win.h"
#include "fConfirm.h"
#include "fExec.h"
#include "fInstall.h"
#include "fLicence.h"
#include "fNDirSel.h"
#include "fPDirSel.h"
#include "fTypeSel.h"
#include "fUserDir.h"

#include <algorithm>

namespace {

constexpr int kQuestion = MB_YESNO | MB_ICONQUESTION;

bool SameDrive(const std::string& a, const std::string& b) { return !a.empty() && !b.empty() && a[0] == b[0]; }

bool NamesProgram(const std::string& value) { return !value.empty() && value.back() != '>'; }

int FirstCheckedItem(TCheckListBox& list) {
    for (int i = 0; i < list.Items->Count(); ++i)
        if (list.Checked(i)) return i;
    return -1;
}

// The installer's own files in a work directory; nothing else there is ours.
const char* const kWorkFiles[] = {"INSTALL.LOG", "SETUP.ALL", "INSTFILE.TMP", "INIFILE.ALL"};

bool IsDriveRoot(const std::string& dir) { return dir.size() <= 3 && dir.size() >= 2 && dir[1] == ':'; }

}  // namespace

void TfrmInstall::RunStartProgram() {
    if (!NamesProgram(m_sPrgStart)) return;
    const std::string path = ProgramFromValue(m_sPrgStart);
    Log("Startprogramm wird aufgerufen <" + path + ">");
    if (FileExists(path))
        RunAndWait(CommandLineOf(path), "", 0, SW_SHOWNORMAL);
    else
        Log("Startprogramm nicht gefunden: " + path);
}

void TfrmInstall::RunWizard() {
    int state = 1;
    bool restart = false;
    for (;;) {
        bool goOn = true;
        if (state == 1000) {
            Finish(restart);
            return;
        }
        if (state < 1)
            goOn = CancelQuestion(state);
        else if (state == 1)
            state += LicenceStep();
        else if (state == 2)
            goOn = TypeStep(state);
        else if (state == 3)
            goOn = ProgramDirStep(state);
        else if (state == 4)
            NetworkDirStep(state);
        else if (state == 5)
            ConfirmStep(state);
        else if (state == 6)
            state = InstallStep() ? 7 : 0;
        else if (state == 7) {
            RunFinalProgram();
            state = 8;
        } else if (state == 8) {
            if (m_bWinRestart && AskRestart()) restart = true;
            state = 1000;
        }
        if (!goOn) return;
    }
}

void TfrmInstall::AbortStep() {
    Log("Installation wurde abgebrochen");
    Close();
}

bool TfrmInstall::CancelQuestion(int& state) {
    Log("STATE: Abbruch-Button");
    if (Application->MessageBox("Die Installation ist nicht vollständig.\n\nProgramm jetzt beenden ?",
                                "Abbruch der Installation", kQuestion) == IDYES) {
        AbortStep();
        return false;
    }
    state = 1;
    return true;
}

int TfrmInstall::LicenceStep() {
    Log("STATE: Lizenztext");
    if (FileExists(m_sSetupDir + "LICENCE.TXT") && m_bShowLicence) return frmLicence->ShowModal();
    return 1;
}

bool TfrmInstall::TypeStep(int& state) {
    Log("STATE: Auswahl Setup-Typ");
    win::sleep(500);
    state += frmTypSelect->ShowModal();
    const int item = FirstCheckedItem(*frmTypSelect->clbTypSelect);
    if (item < 0) {
        if (Application->MessageBox("Zur Installation wird die Angabe eines Setuptypen benötigt.\n\nAuswahl fortsetzen ?",
                                    TitledCaption(" - Abbruch der Installation"), kQuestion) != IDYES) {
            AbortStep();
            return false;
        }
        state = 2;
        return true;
    }
    if (state == 3) CalcRequiredSpace();
    const int t = static_cast<TIntObject*>(frmTypSelect->m_pclShownTypes->Objects(item))->Value;
    m_nSelectedType = t;
    frmTypSelect->m_nCurrentType = t;
    m_sSelectedTypeName = m_pclTypeNames->Strings(t);
    ProposeProgramDir();
    return true;
}

void TfrmInstall::ProposeProgramDir() {
    m_sDefaultPrgDir = "";
    for (int g = 0; g < m_pclFileGroups->Count(); ++g) {
        if (!GroupBelongsToType(*this, g, m_nSelectedType)) continue;
        const std::string raw = m_pclGroupFixPathsRaw->Strings(g);
        if (raw.size() > 2 && raw[1] == ':') {
            m_sDefaultPrgDir = raw;
            return;
        }
    }
}

bool TfrmInstall::ProgramDirStep(int& state) {
    Log("STATE: Auswahl Programmverzeichnis");
    frmDirSelect->dlbDir->SetDirectory("\\");
    frmNetDirSelect->dlbDir->SetDirectory("\\");
    frmDirSelect->dlbDir->Repaint();
    frmNetDirSelect->dlbDir->Repaint();
    if (m_sDefaultPrgDir.empty()) {
        state += frmDirSelect->ShowModal();
        frmUserDir->edUserDir->Text = frmDirSelect->edDir->Text;
    } else {
        const std::string found = FindDirOnFixedDrives(m_sDefaultPrgDir.substr(std::min<std::size_t>(3, m_sDefaultPrgDir.size())));
        if (!found.empty()) m_sDefaultPrgDir = found;
        state += frmUserDir->ShowModal();
    }
    if (state != 4) return true;
    m_sProgramDir = StripKillSubDir(*this, NormalizePath(frmUserDir->edUserDir->Text, false));
    Log("Programmverzeichnis: " + m_sProgramDir);
    if (!EnoughSpace(m_sProgramDir, m_nBytesProgram, false)) {
        state = 3;
        return true;
    }
    if (DirectoryExists(m_sProgramDir) &&
        Application->MessageBox("Das Programmverzeichnis existiert schon, soll die dort liegende Installation "
                                "aktualisiert werden ?\n\nWICHTIG:\n\nEvtl. vorhandene Optionen müssen mit "
                                "upgedated werden! (Optionsauswahl)",
                                TitledCaption(" - Warnung"), kQuestion) != IDYES) {
        Application->Terminate();
        return false;
    }
    if (m_nBytesNetwork != 0) MakeDirectory(m_sProgramDir, true);
    return true;
}

void TfrmInstall::NetworkDirStep(int& state) {
    Log("STATE: Auswahl Netzwerkverzeichnis");
    if (m_nBytesNetwork == 0) {
        state = 5;
        return;
    }
    frmNetDirSelect->edDir->Text = m_sProgramDir;
    state += frmNetDirSelect->ShowModal();
    if (state != 5) return;
    m_sNetworkDir = StripKillSubDir(*this, NormalizePath(frmNetDirSelect->edDir->Text, false));
    Log("Netzwerkverzeichnis: " + m_sNetworkDir);
    if (!EnoughSpace(m_sNetworkDir, m_nBytesNetwork, true)) state = 4;
}

bool TfrmInstall::EnoughSpace(const std::string& dir, uint32_t ownBytes, bool dataDir) {
    uint64_t needed = ownBytes;
    if (dataDir && SameDrive(m_sProgramDir, dir)) needed += m_nBytesProgram;
    if (SameDrive(m_sWindowsDir, dir)) needed += m_nBytesWindows;
    if (SameDrive(m_sTempDir, dir)) needed += m_nBytesLargestGroup;
    const char drive = dir.empty() ? '\0' : dir[0];
    if (ClampedBytes(needed) <= DiskFreeBytes(drive)) return true;
    const std::string message = "Nicht genügend Speicherplatz auf Laufwerk: " + std::string(1, drive) + ":\\\n\n" +
                                "Benötigter Speicher: " + IntToStr(ClampedBytes(needed)) + " Bytes\n\n" +
                                "Freier Speicher: " + IntToStr(DiskFreeBytes(drive)) + " Bytes\n\n" +
                                "Möchten Sie trotzdem weitermachen?";
    MessageBeep(0);
    Log(message);
    return Application->MessageBox(message, TitledCaption(" - Nicht genug Speicher !"),
                                   MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
}

void TfrmInstall::ConfirmStep(int& state) {
    Log("STATE: Bestätigung der Installation");
    const int result = frmConfirm->ShowModal();
    if (result != -1000 && result < 0 && m_nBytesNetwork == 0)
        state = 3;  // Back leads past the skipped data-directory page
    else
        state += result;
}

bool TfrmInstall::InstallStep() {
    if (!m_sUninstallKey.empty() && !SaveUninstallData(*pclSetupUninstallList, sUninstallFile))
        Log("uninstall.dat konnte nicht gespeichert werden");
    Log("STATE: Installation");
    return frmExecInstall->ShowModal() == 1;
}

void TfrmInstall::RunFinalProgram() {
    if (!NamesProgram(m_sPrgStop)) return;
    std::string path;
    if (m_sPrgStop.find("PROGRAM_DIR") != std::string::npos && m_pclFileGroups->Count() >= 2) {
        const std::string dir = NormalizePath(
            ResolveDirPlaceholder(*this, m_pclGroupFixPaths->Strings(1)) + m_pclGroupVarPaths->Strings(1), false);
        path = dir + m_sPrgStop.substr(Pos(">", m_sPrgStop));
    } else {
        path = ProgramFromValue(m_sPrgStop);
    }
    Log("STATE: Starte Abschlußprogramm <" + path + ">");
    if (FileExists(path))
        RunAndWait(CommandLineOf(path), "", 0, SW_SHOWNORMAL);
    else
        Log("Abschlußprogramm nicht gefunden: " + path);
}

bool TfrmInstall::AskRestart() {
    if (Application->MessageBox("Das System muss neu gestartet werden.\n\nJetzt neu starten ?",
                                TitledCaption(" - REBOOT"), kQuestion) != IDYES)
        return false;
    Log("System wird gebootet");
    return true;
}

void TfrmInstall::Finish(bool restart) {
    EnterRebootProgram();
    Log("Installation abgeschossen");
    const bool logStays = !KeepLog();
    if (m_bSplitJoined) RemoveWorkDirectory(m_sSplitDir, logStays, true);
    if (bTempOptionGiven) RemoveWorkDirectory(sTempOptionDir, logStays, false);
    if (restart) RebootWindows();
    Close();
}

void TfrmInstall::EnterRebootProgram() {
    if (!NamesProgram(m_sPrgReboot)) return;
    const std::string path = ProgramFromValue(m_sPrgReboot);
    const std::string line = "Installiere Reboot-Programm <" + path + ">";
    Log(line);
    if (FileExists(path)) {
        Log(line);
        AddRunOnce(path, "");
    } else {
        Log("Reboot-Programm nicht gefunden: " + path);
    }
}

bool TfrmInstall::KeepLog() {
    std::string target;
    if (!m_sUninstallKey.empty())
        target = sUninstallDir + "\\INSTALL.LOG";
    else if (DirectoryExists(m_sProgramDir))
        target = m_sProgramDir + "INSTALL.LOG";
    // A log that could not be copied anywhere is the only trace of the run.
    if (!target.empty() && !win::copyFile(LogFile(), target, false)) return false;
    DeleteFile(LogFile());
    return true;
}

void TfrmInstall::RemoveWorkDirectory(const std::string& dir, bool keepLog, bool allFiles) {
    if (allFiles) {
        for (const win::FindData& found : win::findFiles(dir + "*.*")) {
            if (found.attributes & win::ATTR_DIRECTORY) continue;
            if (keepLog && SameText(found.name, "INSTALL.LOG")) continue;
            DeleteWorkFile(dir + found.name);
        }
    } else {
        for (const char* name : kWorkFiles)
            if (!(keepLog && SameText(name, "INSTALL.LOG"))) DeleteWorkFile(dir + name);
    }
    // "D:\X\.." is a drive's root as well as "D:\" is.
    if (!IsDriveRoot(NormalizePath(ExpandFileName(dir), true))) RemoveDir(dir);
}
