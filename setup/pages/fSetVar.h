// Unit fSetVar: the environment and INI parameter page.
#pragma once

#include "PageFrame.h"

class TfrmSetVar : public TWizardPage {
public:
    explicit TfrmSetVar(TComponent* AOwner);

    TButton* cmdNext = nullptr;

private:
    void CreateDesign();
};

extern TfrmSetVar* frmSetVar;
