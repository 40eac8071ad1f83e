#include "fTypeSel.h"

#include "SysUtils.h"
#include "Win.h"
#include "fInstall.h"

TfrmTypSelect* frmTypSelect = nullptr;

TfrmTypSelect::TfrmTypSelect(TComponent* AOwner)
    : TWizardPage(AOwner, "frmTypSelect"), m_pclShownTypes(std::make_unique<TStringList>(true)) {
    CreateDesign();
}

void TfrmTypSelect::CreateDesign() {
    Font = PageFont("Verdana", 11);
    UseF4ForCancel();
    OnShow = [this](TObject* sender) { FormShow(sender); };

    lblHeading = PlaceLabel(this, "lblHeading", 180, 59, "Bitte wählen Sie den Umfang der Installation",
                            PageFont("Verdana", 13));
    lblUpdateHint = PlaceLabel(this, "lblUpdateHint", 180, 76,
                               "Bei einem Update bitte die bereits installierten Module mit angeben",
                               PageFont("Verdana", 12, {}));

    clbTypSelect = PlaceControl<TCheckListBox>(this, "clbTypSelect", 180, 146, 481, 127);
    clbTypSelect->SetFont(PageFont("MS Sans Serif", 11));
    clbTypSelect->ItemHeight = 13;
    clbTypSelect->TabOrder = 0;
    clbTypSelect->OnClick = [this](TObject* sender) { clbTypSelectClick(sender); };
    clbTypSelect->OnClickCheck = [this](TObject* sender) { clbTypSelectClickCheck(sender); };

    lblRtf = PlaceLabel(this, "lblRtf", 180, 279, "Beschreibung", PageFont("Verdana", 13));

    rtfHelp = PlaceControl<TRichEdit>(this, "rtfHelp", 180, 303, 481, 129);
    rtfHelp->ReadOnly = true;
    rtfHelp->ScrollBars = ssVertical;
    rtfHelp->SetFont(PageFont("MS Sans Serif", 11));
    rtfHelp->TabOrder = 3;

    cmdNext = AddNextButton(1);
    cmdCancel = AddCancelButton(2);
}

void TfrmTypSelect::FormShow(TObject*) {
    ShowFrameTexts();
    ListShownTypes();
    ShowFirstType();
    win::sleep(300);
    FormStyle = fsStayOnTop;
    Repaint();
}

// Every type whose mask character is not "0"; a mask too short hides nothing.
void TfrmTypSelect::ListShownTypes() {
    m_pclShownTypes->Clear();
    clbTypSelect->Items->Clear();
    const TStringList* names = frmInstall->m_pclTypeNames.get();
    for (int i = 0; names && i < names->Count(); ++i) {
        if (Copy(frmInstall->m_sActiveTypes, i + 1, 1) == "0") continue;
        const int typeIndex = static_cast<const TIntObject*>(names->Objects(i))->Value;
        clbTypSelect->Items->Add(names->Strings(i));
        m_pclShownTypes->AddObject(names->Strings(i), new TIntObject(typeIndex));
    }
}

// Without a type to offer there is nothing the user could install.
void TfrmTypSelect::ShowFirstType() {
    clbTypSelect->SetItemIndex(0);
    if (m_pclShownTypes->Count() > 0) {
        m_nCurrentType = static_cast<TIntObject*>(m_pclShownTypes->Objects(0))->Value;
        if (LoadTypeHelp(m_nCurrentType)) return;
    }
    MessageBeep(0);
    Application->MessageBox("Kein gültiger Setup-Typ vorhanden, Abbruch !", "Unvollständige Setup-Informationen",
                            MB_OK | MB_ICONSTOP);
    win::exitProcess(1);
}

void TfrmTypSelect::clbTypSelectClick(TObject*) { ShowCurrentItem(); }

void TfrmTypSelect::clbTypSelectClickCheck(TObject*) { ShowCurrentItem(); }

// A type without a description keeps the one shown before.
void TfrmTypSelect::ShowCurrentItem() {
    const int item = clbTypSelect->ItemIndex();
    if (item < 0 || item >= m_pclShownTypes->Count()) return;
    m_nCurrentType = static_cast<TIntObject*>(m_pclShownTypes->Objects(item))->Value;
    LoadTypeHelp(m_nCurrentType);
}

// The text goes to the view from memory: a work file in the current
// directory could replace and then delete a file of the user's.
bool LoadTypeHelp(int typeIndex) {
    const TStringList* texts = frmInstall->m_pclTypeHelpRtf.get();
    if (!texts || typeIndex < 0 || typeIndex >= texts->Count()) return false;
    frmTypSelect->rtfHelp->Lines->SetText(texts->Strings(typeIndex));
    return true;
}
