// Unit fConfirm: the confirmation page.
#pragma once

#include "PageFrame.h"

class TfrmConfirm : public TWizardPage {
public:
    explicit TfrmConfirm(TComponent* AOwner);

    TLabel* lblHeading = nullptr;
    TMemo* memConfirm = nullptr;
    TPanel* pnlSettings = nullptr;
    TButton* cmdBack = nullptr;
    TButton* cmdNext = nullptr;
    TButton* cmdCancel = nullptr;

    void FormShow(TObject* Sender);

private:
    void CreateDesign();
};

extern TfrmConfirm* frmConfirm;
