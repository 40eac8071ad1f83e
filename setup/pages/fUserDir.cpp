#include "fUserDir.h"

#include "fInstall.h"
#include "fPDirSel.h"

TfrmUserDir* frmUserDir = nullptr;

TfrmUserDir::TfrmUserDir(TComponent* AOwner) : TWizardPage(AOwner, "frmUserDir") { CreateDesign(); }

// No key preview: F4 does nothing on this page.
void TfrmUserDir::CreateDesign() {
    OnShow = [this](TObject* sender) { FormShow(sender); };

    lblQuestion = PlaceLabel(this, "lblQuestion", 195, 204,
                             "Soll das Programm im Vorgabeverzeichnis installiert werden ?", PageFont("Verdana", 13));

    edUserDir = PlaceControl<TEdit>(this, "edUserDir", 195, 225, 448, 24);
    edUserDir->SetFont(PageFont("Verdana", 13));
    edUserDir->Enabled = false;
    edUserDir->Text = "edUserDir";
    edUserDir->TabOrder = 0;

    cmdOtherDir = PlaceControl<TButton>(this, "cmdOtherDir", 463, 259, 181, 25);
    cmdOtherDir->Caption = "&Anderes Verzeichnis...";
    cmdOtherDir->SetFont(PageFont("Verdana", 11));
    cmdOtherDir->ModalResult = prBack;  // replaced by the nested page's result
    cmdOtherDir->TabOrder = 1;
    cmdOtherDir->OnClick = [this](TObject* sender) { cmdOtherDirClick(sender); };

    cmdPrev = AddBackButton(2, "cmdPrev");
    cmdNext = AddNextButton(3);
    cmdCancel = AddCancelButton(4);
    ActiveControl = cmdNext;
}

void TfrmUserDir::FormShow(TObject*) {
    edUserDir->Text = frmInstall->m_sDefaultPrgDir;
    ShowFrameTexts();
}

// The program-directory page decides for this page: its Next, Back and
// Cancel (F4 included) end this page alike.
void TfrmUserDir::cmdOtherDirClick(TObject*) {
    Hide();
    ModalResult = frmDirSelect->ShowModal();
    edUserDir->Text = frmDirSelect->edDir->Text;
}
