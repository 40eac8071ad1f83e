#include "fExec.h"

#include "SysUtils.h"
#include "Win.h"

TfrmExecInstall* frmExecInstall = nullptr;

TfrmExecInstall::TfrmExecInstall(TComponent* AOwner) : TForm(AOwner) {
    Name = "frmExecInstall";
    Caption = "Brimlund Setup";
    // The executor is not built yet: the page ends at once with success.
    tmrStart = new TTimer(this);
    tmrStart->Name = "tmrStart";
    tmrStart->SetInterval(1);
    tmrStart->SetEnabled(false);
    tmrStart->OnTimer = [this](TObject*) {
        tmrStart->SetEnabled(false);
        ModalResult = 1;
    };
    OnShow = [this](TObject*) { tmrStart->SetEnabled(true); };
}

bool LoadUninstallData(TStringList& list, const std::string& file) {
    try {
        list.LoadFromFile(file);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

bool SaveUninstallData(const TStringList& list, const std::string& file) {
    const std::string temporary = file + ".new";
    try {
        list.SaveToFile(temporary);
    } catch (const Exception&) {
        win::setFileAttributes(temporary, win::ATTR_NORMAL);
        win::deleteFile(temporary);
        return false;
    }
    if (win::replaceFile(temporary, file)) return true;
    win::deleteFile(temporary);
    return false;
}
