#include "fNDirSel.h"

TfrmNetDirSelect* frmNetDirSelect = nullptr;

TfrmNetDirSelect::TfrmNetDirSelect(TComponent* AOwner) : TDirectoryPage(AOwner, "frmNetDirSelect") {
    CreateDesign();
}

// The list's change handler is attached by FormShow.
void TfrmNetDirSelect::CreateDesign() {
    OnShow = [this](TObject* sender) { FormShow(sender); };
    CreateDirectoryDesign("Datenverzeichnis wählen", "Bitte das Verzeichnis angeben, unter dem das Daten-");
}

// The engine's preset in edDir stays as it is until the user moves the list
// or the drive box: the list and the box follow it with the handler off.
void TfrmNetDirSelect::FormShow(TObject*) {
    DetachDirChange();
    MoveListTowards(edDir->Text);
    ShowFrameTexts();
    dlbDir->Update();
    dcbDrive->SetDrive(dlbDir->Drive());
    ActiveControl = cmdNext;
    AttachDirChange();
}
