// Unit fCalcSpa: the notice shown while the disk space is calculated.
#pragma once

#include "PageFrame.h"

class TfrmCalcSpace : public TWizardPage {
public:
    explicit TfrmCalcSpace(TComponent* AOwner);

    TLabel* lblCalc = nullptr;

    void FormShow(TObject* Sender);

private:
    void CreateDesign();
};

extern TfrmCalcSpace* frmCalcSpace;
