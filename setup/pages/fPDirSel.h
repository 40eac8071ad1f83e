// Unit fPDirSel: the program directory page.
#pragma once

#include "DirPage.h"

#include <string>

class TfrmDirSelect : public TDirectoryPage {
public:
    explicit TfrmDirSelect(TComponent* AOwner);

    void FormShow(TObject* Sender);

private:
    void CreateDesign();
    static std::string StartDirectory();
};

extern TfrmDirSelect* frmDirSelect;
