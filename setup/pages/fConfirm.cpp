#include "fConfirm.h"

#include "fInstall.h"

TfrmConfirm* frmConfirm = nullptr;

TfrmConfirm::TfrmConfirm(TComponent* AOwner) : TWizardPage(AOwner, "frmConfirm") { CreateDesign(); }

void TfrmConfirm::CreateDesign() {
    UseF4ForCancel();
    OnShow = [this](TObject* sender) { FormShow(sender); };

    lblHeading = PlaceLabel(this, "lblHeading", 183, 72, "Das Programm wird jetzt mit folgenden Optionen installiert:",
                            PageFont("Verdana", 13));

    memConfirm = PlaceControl<TMemo>(this, "memConfirm", 183, 98, 464, 306);
    memConfirm->ReadOnly = true;
    memConfirm->TabStop = false;
    memConfirm->Color = clBtnFace;
    memConfirm->SetFont(PageFont("Verdana", 12, {}));
    memConfirm->TabOrder = 3;

    // Created after the memo, so it lies in front of the memo's top lines.
    pnlSettings = PlaceControl<TPanel>(this, "pnlSettings", 191, 110, 145, 25);
    pnlSettings->BevelOuter = bvNone;
    pnlSettings->Alignment = taLeftJustify;
    pnlSettings->Caption = "Einstellungen:";
    pnlSettings->SetFont(PageFont("Verdana", 13, {fsBold, fsUnderline}));

    cmdBack = AddBackButton(0);
    cmdNext = AddNextButton(1);
    cmdNext->Default = true;
    cmdCancel = AddCancelButton(2);
    ActiveControl = cmdNext;
}

void TfrmConfirm::FormShow(TObject*) {
    ShowFrameTexts();
    TStrings& lines = *memConfirm->Lines;
    lines.Clear();
    lines.Add("");
    lines.Add("");
    lines.Add("");
    lines.Add("Installationstyp   : " + frmInstall->m_sSelectedTypeName);
    lines.Add("");
    lines.Add("Programmverzeichnis: " + frmInstall->m_sProgramDir);
    lines.Add("");
    lines.Add("Datenverzeichnis: " + frmInstall->m_sNetworkDir);
}
