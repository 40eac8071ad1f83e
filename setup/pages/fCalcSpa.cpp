#include "fCalcSpa.h"

TfrmCalcSpace* frmCalcSpace = nullptr;

TfrmCalcSpace::TfrmCalcSpace(TComponent* AOwner) : TWizardPage(AOwner, "frmCalcSpace") { CreateDesign(); }

void TfrmCalcSpace::CreateDesign() {
    OnShow = [this](TObject* sender) { FormShow(sender); };

    lblCalc = PlaceControl<TLabel>(this, "lblCalc", 170, 54, 510, 420);
    lblCalc->AutoSize = false;
    lblCalc->Alignment = taCenter;
    lblCalc->Layout = tlCenter;
    lblCalc->Caption = "Berechne benötigten Festplattenspeicher...";
    lblCalc->SetFont(PageFont("Verdana", 16, {fsBold}, clBlack));
}

void TfrmCalcSpace::FormShow(TObject*) { ShowFrameTexts(); }
