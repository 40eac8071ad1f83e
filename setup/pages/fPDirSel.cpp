#include "fPDirSel.h"

#include "SysUtils.h"
#include "Tools.h"
#include "fInstall.h"

TfrmDirSelect* frmDirSelect = nullptr;

TfrmDirSelect::TfrmDirSelect(TComponent* AOwner) : TDirectoryPage(AOwner, "frmDirSelect") { CreateDesign(); }

void TfrmDirSelect::CreateDesign() {
    OnShow = [this](TObject* sender) { FormShow(sender); };
    CreateDirectoryDesign("Programmverzeichnis wählen ", "Bitte Verzeichnis angeben, unter dem das Programm-");
    AttachDirChange();
}

void TfrmDirSelect::FormShow(TObject*) {
    MoveListTowards(StartDirectory());
    ShowFrameTexts();
    dlbDir->Update();
    dcbDrive->SetDrive(dlbDir->Drive());
    ActiveControl = cmdNext;
}

// The proposal, else the product's directory under Program Files, else
// Program Files itself, else where the process stands.
std::string TfrmDirSelect::StartDirectory() {
    if (DirectoryExists(frmInstall->m_sDefaultPrgDir)) return frmInstall->m_sDefaultPrgDir;
    const std::string programFiles = GetProgramFilesDir();
    const std::string productDir = programFiles + "\\" + frmInstall->m_sInstallDirText;
    if (DirectoryExists(productDir)) return productDir;
    if (DirectoryExists(programFiles)) return programFiles;
    return GetCurrentDir();
}
