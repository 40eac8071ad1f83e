#include "fPrepare.h"

TfrmPrepare* frmPrepare = nullptr;

TfrmPrepare::TfrmPrepare(TComponent* AOwner) : TWizardPage(AOwner, "frmPrepare") { CreateDesign(); }

void TfrmPrepare::CreateDesign() {
    OnShow = [this](TObject* sender) { FormShow(sender); };

    lblPrepare = PlaceLabel(this, "lblPrepare", 198, 176, "Installation wird vorbereitet ...", PageFont("Verdana", 13));

    pnlCopy = PlaceControl<TPanel>(this, "pnlCopy", 198, 208, 429, 33);
    pnlCopy->BevelInner = bvLowered;
    pnlCopy->BevelOuter = bvLowered;
    pnlCopy->Alignment = taLeftJustify;
    pnlCopy->Caption = " Kopiere:";
    pnlCopy->SetFont(PageFont("Verdana", 12, {}));

    pbCopy = PlaceControl<TProgressBar>(pnlCopy, "pbCopy", 64, 8, 357, 16);
    pbCopy->Smooth = true;
    pbCopy->Step = 1;
    pbCopy->SetMin(0);
    pbCopy->SetMax(100);
}

// Start-up shows this page before the setup description, and with it the
// head title, is read: the caption stays the design's.
void TfrmPrepare::FormShow(TObject*) { ShowVersion(); }
