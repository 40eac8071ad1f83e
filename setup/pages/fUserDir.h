// Unit fUserDir: the default program directory page.
#pragma once

#include "PageFrame.h"

class TfrmUserDir : public TWizardPage {
public:
    explicit TfrmUserDir(TComponent* AOwner);

    TLabel* lblQuestion = nullptr;
    TEdit* edUserDir = nullptr;
    TButton* cmdOtherDir = nullptr;
    TButton* cmdPrev = nullptr;
    TButton* cmdNext = nullptr;
    TButton* cmdCancel = nullptr;

    void FormShow(TObject* Sender);
    void cmdOtherDirClick(TObject* Sender);

private:
    void CreateDesign();
};

extern TfrmUserDir* frmUserDir;
