// Unit fPrepare: the preparation page of start-up, with the progress of the
// split volumes being joined.
#pragma once

#include "PageFrame.h"

class TfrmPrepare : public TWizardPage {
public:
    explicit TfrmPrepare(TComponent* AOwner);

    TLabel* lblPrepare = nullptr;
    TPanel* pnlCopy = nullptr;
    TProgressBar* pbCopy = nullptr;

    void FormShow(TObject* Sender);

private:
    void CreateDesign();
};

extern TfrmPrepare* frmPrepare;
