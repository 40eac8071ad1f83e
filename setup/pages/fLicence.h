// Unit fLicence: the licence text page.
#pragma once

#include "PageFrame.h"

class TfrmLicence : public TWizardPage {
public:
    explicit TfrmLicence(TComponent* AOwner);

    TMemo* memLicence = nullptr;
    TLabel* lblAgree = nullptr;
    TButton* cmdJa = nullptr;
    TButton* cmdNext = nullptr;
    TButton* cmdCancel = nullptr;

    void FormShow(TObject* Sender);
    void cmdJaClick(TObject* Sender);

private:
    void CreateDesign();
    void LoadLicenceText();
};

extern TfrmLicence* frmLicence;
