#include "fInstall.h"

#include "InstallLog.h"
#include "PageFrame.h"
#include "Resources.h"
#include "SplitJoin.h"
#include "Ulzw.h"
#include "SysUtils.h"
#include "Tools.h"
#include "Win.h"
#include "fCalcSpa.h"
#include "fConfirm.h"
#include "fExec.h"
#include "fLicence.h"
#include "fNDirSel.h"
#include "fPDirSel.h"
#include "fPrepare.h"
#include "fSetVar.h"
#include "fTypeSel.h"
#include "fUserDir.h"

#include <algorithm>

TfrmInstall* frmInstall = nullptr;

namespace {

const char* const kFatalCaption = "Nicht behebbarer Fehler !";
constexpr int kStopBox = MB_OK | MB_ICONSTOP;

TFont VersionFont() { return PageFont("Verdana", 13, {fsBold}, 8222033); }

void HidePrepareIfVisible() {
    if (frmPrepare->Visible()) frmPrepare->Hide();
}

// The stop box of a fatal error, its log line, and the end of the process.
[[noreturn]] void FatalEnd(const std::string& text, const std::string& logLine) {
    Application->MessageBox(text, kFatalCaption, kStopBox);
    WriteLogLine(logLine, frmInstall->LogFile());
    win::exitProcess(1);
}

void ShowStackOverflow(const std::string& text) {
    MessageBeep(0);
    Application->MessageBox(text, kFatalCaption, MB_OK);
}

}  // namespace

TfrmInstall::TfrmInstall(TComponent* AOwner) : TForm(AOwner) { CreateDesign(); }

void TfrmInstall::Log(const std::string& text) const { WriteLogLine(text, LogFile()); }

std::string TfrmInstall::TitledCaption(const char* suffix) const { return m_sHeadTitleText + suffix; }

std::string TfrmInstall::ProgramFromValue(const std::string& value) const {
    const int p = Pos(">", value);
    return ResolveDirPlaceholder(*this, Copy(value, 1, p)) + value.substr(p);
}

void TfrmInstall::CreateDesign() {
    Name = "frmInstall";
    Caption = "Install";
    ClientWidth = 680;
    ClientHeight = 474;
    BorderStyle = bsSingle;
    BorderIcons = {};
    Position = poScreenCenter;
    Font = TFont{"MS Sans Serif", -11, {}, clWindowText};

    Image1 = PlaceControl<TImage>(this, "Image1", 0, 0, 680, 54);
    Image1->Align = alTop;
    Image1->Stretch = true;
    Image1->Picture = resources::BannerJpeg();

    Panel1 = PlaceControl<TPanel>(this, "Panel1", 0, 54, 170, 420);
    Panel1->Align = alLeft;
    Panel1->Enabled = false;
    Panel1->BevelOuter = bvNone;
    Image2 = PlaceControl<TImage>(Panel1, "Image2", 0, 0, 152, 420);
    Image2->Align = alLeft;
    Image2->Stretch = true;
    Image2->Picture = resources::SideJpeg();
    Label2 = PlaceControl<TLabel>(Panel1, "Label2", 21, 154, 60, 16);
    Label2->Caption = "Version";
    Label2->SetFont(VersionFont());
    Label2->Transparent = true;
    frmInfoVersion = PlaceControl<TLabel>(Panel1, "frmInfoVersion", 21, 172, 90, 16);
    frmInfoVersion->Caption = "x.x.xx #xxx";
    frmInfoVersion->SetFont(VersionFont());
    frmInfoVersion->Transparent = true;

    lblHead = PlaceControl<TLabel>(this, "lblHead", 192, 164, 396, 46);
    lblHead->SetFont(TFont{"Times New Roman", -40, {fsBold, fsItalic}, clSilver});
    lblHead->SetVisible(false);

    tmrStart = new TTimer(this);
    tmrStart->Name = "tmrStart";
    tmrStart->SetInterval(1);
    tmrStart->OnTimer = [this](TObject* sender) { tmrStartTimer(sender); };

    SetVisible(true);
}

void TfrmInstall::tmrStartTimer(TObject*) {
    // The engine reports its failures itself; whatever else escapes would
    // leave a main form behind that nobody can close.
    try {
        if (StartUp()) RunWizard();
    } catch (const std::exception& e) {
        MessageBeep(0);
        FatalEnd(e.what(), std::string("Abbruch, unerwarteter Fehler: ") + e.what());
    }
}

bool TfrmInstall::StartUp() {
    pclSetupUninstallList = std::make_unique<TStringList>();
    pclSetupUninstallList->SetSorted(true);
    frmInfoVersion->Caption = GetVersionText();
    Caption = "Brimlund";
    tmrStart->SetEnabled(false);

    FindStandardDirectories();
    for (const std::string& parameter : win::commandLine()) TakeTempOption(parameter);

    Log("INSTALL 2.3");
    Log("Start der Installation");
    if (!AskAdministrator()) return false;
    if (!RebuildFromSplitVolumes()) return false;
    EnsureWorkDirectory();
    ExpandSetupDescription();
    ReadSetupDescription(m_sTempDir + "SETUP.ALL");
    m_nSelectedType = 0;
    RunStartProgram();

    Hide();
    HidePrepareIfVisible();
    LoadUninstallRecord();
    return true;
}

void TfrmInstall::FindStandardDirectories() {
    m_sSetupDir = NormalizePath(FullFileName(ExtractFilePath(Application->ExeName())), false);
    m_sWindowsDir = NormalizePath(GetWindowsDir(), false);
    m_sSystemDir = NormalizePath(GetSystemDir(), false);
    m_sTempDir = FindTempDir(5000000);
    if (!m_sTempDir.empty()) m_sTempDir = NormalizePath(m_sTempDir, false);
    m_sStartupDir = NormalizePath(GetStartupFolder(), false);
    m_sStartMenuDir = NormalizePath(GetProgramsFolder(), false);
    m_sDesktopDir = NormalizePath(GetDesktopFolder(), false);
}

void TfrmInstall::TakeTempOption(const std::string& parameter) {
    if (parameter.size() <= 6 || parameter[0] != '-') return;
    const std::string option = UpperCase(parameter);
    if (option.compare(0, 6, "-TEMP=") != 0) return;
    // Paths this long cannot be used on the machine; never cut one.
    if (parameter.size() >= win::kMaxPath) {
        MessageBeep(0);
        Application->MessageBox("Pfad zu lang: <" + parameter + ">, Abbruch !", kFatalCaption, kStopBox);
        win::exitProcess(1);
    }
    m_sTempDir = NormalizePath(option.substr(6), false);
    MakeDirectory(m_sTempDir, true);
    sTempOptionDir = m_sTempDir;
    bTempOptionGiven = true;
}

bool TfrmInstall::AskAdministrator() {
    if (IsAdministrator()) return true;
    MessageBeep(0);
    const int answer = Application->MessageBox(
        "Sie haben keine Administratorrechte auf dieser Maschine.\n"
        "Die Installation kann unter Umständen NICHT korrekt ausgeführt werden !\n\n"
        " Programm jetzt beenden ?",
        "Fehlende Berechtigung", MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES) {
        Application->Terminate();
        return false;
    }
    Log("Installation ohne Administratorrechte !");
    return true;
}

bool TfrmInstall::RebuildFromSplitVolumes() {
    // Without a work directory the volumes would be joined below whatever
    // the current directory is; the fatal box that follows says why not.
    if (FileExists(m_sSetupDir + "INST.ALL") || m_sTempDir.empty()) return true;
    Log("Setup wird aus SPL-Dateien zusammengesetzt");
    m_sTempDir += "SPLTMP\\";
    CreateDir(m_sTempDir);
    // The first lines of the run live only in the old log until copied.
    if (win::copyFile(m_sTempDir + "..\\INSTALL.LOG", LogFile(), false)) DeleteFile(m_sTempDir + "..\\INSTALL.LOG");

    constexpr uint64_t kVolumeBytes = 400000000;
    const uint64_t volumes = uint64_t(CountFilesByMask(m_sSetupDir + "DISK*.SPL"));
    const uint64_t needed = std::min<uint64_t>(volumes * kVolumeBytes, 0xFFFFFFFFu);
    if (needed > DiskFreeBytes(m_sTempDir[0])) {
        MessageBeep(0);
        if (Application->MessageBox("Vorraussichtlich ist nicht genug Plattenspeicher zum Kopieren der Setup-Dateien "
                                    "frei. Möchten Sie trotzdem weitermachen?",
                                    kFatalCaption, MB_OKCANCEL | MB_ICONSTOP) != IDOK) {
            Log("Nicht genug Plattenspeicher zum Kopieren der Setup-Dateien");
            Application->Terminate();
            return false;
        }
    }

    frmPrepare->Show();
    frmPrepare->Repaint();
    if (AssembleSplitVolumes(m_sSetupDir, m_sTempDir, SplitCopyProgress) < 0) {
        const char* const text = "Die Setup-Dateien konnten nicht kopiert werden, Abbruch";
        MessageBeep(0);
        Application->MessageBox(text, kFatalCaption, kStopBox);
        Log(text);
        Application->Terminate();
        return false;
    }
    m_sSetupDir = m_sTempDir;
    m_bSplitJoined = true;
    m_sSplitDir = m_sTempDir;
    return true;
}

void TfrmInstall::EnsureWorkDirectory() {
    if (!m_sTempDir.empty()) return;
    MessageBeep(0);
    HidePrepareIfVisible();
    FatalEnd("Es steht nicht genügend temporärer Festplattenspeicher zur Verfügung !",
             "Abbruch, nicht genügend temporärer Festplattenspeicher");
}

void TfrmInstall::ExpandSetupDescription() {
    std::string source = m_sSetupDir + "INST.ALL";
    if (IsDriveReady('A') && FileExists("A:\\INST.ALL")) source = "A:\\INST.ALL";
    // A member stored read-only leaves a read-only SETUP.ALL behind, which
    // must not make every later run on this machine fail.
    const std::string target = m_sTempDir + "SETUP.ALL";
    if (FileExists(target)) FileSetAttr(target, 0);
    if (LzwExpandFile(target, source)) return;
    HidePrepareIfVisible();
    MessageBeep(0);
    FatalEnd("Installations-Datei konnte nicht entpackt werden !", "Abbruch, Installations-Datei nicht entpackt");
}

void TfrmInstall::LoadUninstallRecord() {
    if (m_sUninstallKey.empty()) return;
    sUninstallDir = GetWindowsDir() + "\\Uninstal\\" + m_sUninstallKey;
    ForceDirectories(sUninstallDir);
    sUninstallFile = sUninstallDir + "\\uninstall.dat";
    if (!FileExists(sUninstallFile) || LoadUninstallData(*pclSetupUninstallList, sUninstallFile)) return;
    // Going on would later replace the record of the earlier runs.
    MessageBeep(0);
    FatalEnd("uninstall.dat konnte nicht gelesen werden, Abbruch !", "uninstall.dat konnte nicht gelesen werden, Abbruch !");
}

int WinMain() {
    LzwSetStackOverflowHandler(ShowStackOverflow);
    try {
        Application->Initialize();
        Application->Title = "Setup";
        Application->CreateForm(frmInstall);
        Application->CreateForm(frmTypSelect);
        Application->CreateForm(frmDirSelect);
        Application->CreateForm(frmNetDirSelect);
        Application->CreateForm(frmExecInstall);
        Application->CreateForm(frmConfirm);
        Application->CreateForm(frmLicence);
        Application->CreateForm(frmCalcSpace);
        Application->CreateForm(frmUserDir);
        Application->CreateForm(frmSetVar);
        Application->CreateForm(frmPrepare);
        Application->Run();
    } catch (const Exception& e) {
        Application->ShowException(e);
    }
    return 0;
}
