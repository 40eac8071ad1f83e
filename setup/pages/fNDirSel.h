// Unit fNDirSel: the data directory page.
#pragma once

#include "DirPage.h"

class TfrmNetDirSelect : public TDirectoryPage {
public:
    explicit TfrmNetDirSelect(TComponent* AOwner);

    void FormShow(TObject* Sender);

private:
    void CreateDesign();
};

extern TfrmNetDirSelect* frmNetDirSelect;
