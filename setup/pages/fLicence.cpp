#include "fLicence.h"

#include "SysUtils.h"
#include "fInstall.h"

TfrmLicence* frmLicence = nullptr;

TfrmLicence::TfrmLicence(TComponent* AOwner) : TWizardPage(AOwner, "frmLicence") { CreateDesign(); }

void TfrmLicence::CreateDesign() {
    UseF4ForCancel();
    OnShow = [this](TObject* sender) { FormShow(sender); };

    memLicence = PlaceControl<TMemo>(this, "memLicence", 188, 67, 473, 321);
    memLicence->ScrollBars = ssVertical;
    memLicence->SetFont(PageFont("Verdana", 11));
    memLicence->TabOrder = 0;

    lblAgree = PlaceLabel(this, "lblAgree", 290, 398, "Ich bin mit den Lizenzbedingungen einverstanden",
                          PageFont("Verdana", 11));

    cmdJa = PlaceControl<TButton>(this, "cmdJa", 624, 394, 37, 25);
    cmdJa->Caption = "Ja";
    cmdJa->SetFont(PageFont("Verdana", 11));
    cmdJa->TabOrder = 3;
    cmdJa->OnClick = [this](TObject* sender) { cmdJaClick(sender); };

    cmdCancel = AddCancelButton(1);
    cmdNext = AddNextButton(2);
    cmdNext->Enabled = false;
}

void TfrmLicence::FormShow(TObject*) {
    ShowFrameTexts();
    LoadLicenceText();
}

void TfrmLicence::LoadLicenceText() {
    try {
        memLicence->Lines->LoadFromFile(frmInstall->m_sSetupDir + "LICENCE.TXT");
    } catch (const EFOpenError&) {
        // The engine saw the file a moment ago; say so rather than show nothing.
        memLicence->Lines->Clear();
        memLicence->Lines->Add("Der Lizenztext (LICENCE.TXT) konnte nicht gelesen werden.");
    }
}

// Agreeing once is enough for the whole run: Next stays available.
void TfrmLicence::cmdJaClick(TObject*) {
    cmdNext->Enabled = true;
    cmdJa->Enabled = false;
}
