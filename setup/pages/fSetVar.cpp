#include "fSetVar.h"

TfrmSetVar* frmSetVar = nullptr;

TfrmSetVar::TfrmSetVar(TComponent* AOwner) : TWizardPage(AOwner, "frmSetVar") { CreateDesign(); }

void TfrmSetVar::CreateDesign() { cmdNext = AddNextButton(0, 576); }
