#include "fExec.h"

#include "CServiceMgr.h"
#include "Dialogs.h"
#include "Registry.h"
#include "SysUtils.h"
#include "Tools.h"
#include "Win.h"
#include "fInstall.h"

TfrmExecInstall* frmExecInstall = nullptr;
std::unique_ptr<TStringList> pclUninstallList;

namespace {

int nLastUnpackPercent = -1;
// Whether the record loaded by FormShow could be read (or did not exist).
bool bRecordReadable = true;

const char* const kUninstallRegKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The directory that holds the record and the uninstaller copies.
std::string UninstallDir() { return GetWindowsDir() + "\\Uninstal\\" + frmInstall->m_sUninstallKey; }

// The first "unins<N>.exe" of the directory that does not exist yet.
std::string FreeUninstallerName(const std::string& dir) {
    for (int n = 0;; ++n) {
        const std::string name = dir + "\\unins" + IntToStr(n) + ".exe";
        if (!FileExists(name)) return name;
    }
}

bool RegisterUninstaller(const std::string& uninstaller) {
    TRegistry registry(KEY_ALL_ACCESS);
    try {
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!registry.OpenKey(kUninstallRegKey + frmInstall->m_sUninstallKey, true)) return false;
        registry.WriteString("DisplayName", frmInstall->m_sUninstallKey);
        registry.WriteString("UninstallString", CommandLineOf(uninstaller) + " -u");
        return true;
    } catch (const Exception&) {
        return false;
    }
}

}  // namespace

TfrmExecInstall::TfrmExecInstall(TComponent* AOwner) : TWizardPage(AOwner, "frmExecInstall") { CreateDesign(); }

void TfrmExecInstall::CreateDesign() {
    Label1 = PlaceLabel(this, "Label1", 204, 176, "Installation läuft...", PageFont("Verdana", 13));

    const auto placeBarPanel = [this](const std::string& name, int top, const std::string& caption) {
        auto* panel = PlaceControl<TPanel>(this, name, 204, top, 435, 33);
        panel->Caption = caption;
        panel->Alignment = taLeftJustify;
        panel->BevelInner = bvLowered;
        panel->BevelOuter = bvLowered;
        panel->SetFont(PageFont("Verdana", 12, {}));
        return panel;
    };
    const auto placeBar = [](TPanel* panel, const std::string& name) {
        auto* bar = PlaceControl<TProgressBar>(panel, name, 70, 8, 357, 16);
        bar->Smooth = true;
        bar->Step = 1;
        return bar;
    };
    Panel1 = placeBarPanel("Panel1", 208, " Gesamt:");
    pbAll = placeBar(Panel1, "pbAll");
    Panel2 = placeBarPanel("Panel2", 248, " Datei:");
    pbFile = placeBar(Panel2, "pbFile");

    tmrStart = new TTimer(this);
    tmrStart->Name = "tmrStart";
    tmrStart->SetInterval(1);
    tmrStart->SetEnabled(false);
    tmrStart->OnTimer = [this](TObject* sender) { tmrStartTimer(sender); };

    OnShow = [this](TObject* sender) { FormShow(sender); };
    OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };
}

void TfrmExecInstall::FormShow(TObject*) {
    ShowFrameTexts();
    Repaint();
    pclUninstallList = std::make_unique<TStringList>();
    pclUninstallList->SetSorted(true);
    const std::string record = UninstallDir() + "\\uninstall.dat";
    bRecordReadable = !FileExists(record) || LoadUninstallData(*pclUninstallList, record);
    tmrStart->SetEnabled(true);
}

void TfrmExecInstall::tmrStartTimer(TObject*) {
    // Disabled first: the installation processes messages, and a second tick
    // would start a second installation inside the first.
    tmrStart->SetEnabled(false);
    RemoveProductServices();
    ModalResult = ExecuteInstallation() ? 1 : 3;
}

void TfrmExecInstall::FormClose(TObject*, TCloseAction&) {
    if (frmInstall->m_sUninstallKey.empty()) return;
    const std::string dir = UninstallDir();
    ForceDirectories(dir);
    if (!DirectoryExists(dir)) {
        ShowMessage("Das Uninstall-Verzeichnis konnte nicht erzeugt werden !");
        return;
    }
    // Without its uninstaller the record still holds this run's lines;
    // only the registry entry, which would point at a missing program, is
    // left out.
    const std::string uninstaller = FreeUninstallerName(dir);
    const bool copied = win::copyFile(frmInstall->m_sSetupDir + "uninstall.exe", uninstaller, true);
    if (!copied) ShowMessage(uninstaller + " konnte nicht kopiert werden !");
    const TStringList* unFiles = frmInstall->m_pclUnFiles.get();
    for (int n = 0; unFiles && n < frmInstall->m_nUnFileCount && n < unFiles->Count(); ++n)
        AddUninstallLine("#UNFILE#" + unFiles->Strings(n));
    // A record that could not be read holds the earlier runs: it is not
    // replaced by this run's lines alone.  An uninstaller without its record
    // would find nothing to remove.
    const char* failure = !bRecordReadable ? "uninstall.dat konnte nicht gelesen werden, Uninstall-Daten nicht gespeichert !"
                          : !SaveUninstallData(*pclUninstallList, dir + "\\uninstall.dat")
                              ? "uninstall.dat konnte nicht gespeichert werden !"
                              : nullptr;
    if (failure) {
        if (copied) win::deleteFile(uninstaller);
        ShowMessage(failure);
        return;
    }
    if (copied && !RegisterUninstaller(uninstaller)) ShowMessage("Konnte Uninstaller nicht in Registry eintragen !");
}

void AddUninstallLine(const std::string& text) {
    if (!pclUninstallList) return;
    try {
        pclUninstallList->Add(text);
    } catch (const Exception&) {
    }
}

void UnpackProgress(int percent) {
    if (percent == nLastUnpackPercent) return;
    nLastUnpackPercent = percent;
    TProgressBar* bar = frmExecInstall->pbFile;
    bar->SetPosition(percent);
    bar->Update();
    if (percent % 5 != 0) return;
    bar->Repaint();
    Application->ProcessMessages();
    if (percent % 2 == 0) win::sleep(1);
}

bool LoadUninstallData(TStringList& list, const std::string& file) {
    try {
        list.LoadFromFile(file);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

bool SaveUninstallData(const TStringList& list, const std::string& file) { return SaveListReplacing(list, file); }
