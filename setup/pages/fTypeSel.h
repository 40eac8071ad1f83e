// Unit fTypeSel: the setup type page.
#pragma once

#include "PageFrame.h"

#include <memory>

class TfrmTypSelect : public TWizardPage {
public:
    explicit TfrmTypSelect(TComponent* AOwner);

    TLabel* lblHeading = nullptr;
    TLabel* lblUpdateHint = nullptr;
    TCheckListBox* clbTypSelect = nullptr;
    TLabel* lblRtf = nullptr;
    TRichEdit* rtfHelp = nullptr;
    TButton* cmdNext = nullptr;
    TButton* cmdCancel = nullptr;

    // The type index whose description is shown; the engine writes it too.
    int m_nCurrentType = 0;
    // One entry per item of clbTypSelect: the type name, with its type index
    // as a TIntObject.
    std::unique_ptr<TStringList> m_pclShownTypes;

    void FormShow(TObject* Sender);
    void clbTypSelectClick(TObject* Sender);
    void clbTypSelectClickCheck(TObject* Sender);

private:
    void CreateDesign();
    void ListShownTypes();
    void ShowFirstType();
    void ShowCurrentItem();
};

extern TfrmTypSelect* frmTypSelect;

// Shows the description of the type in rtfHelp of frmTypSelect; false, with
// the view left as it was, when the setup description has none for it.
bool LoadTypeHelp(int typeIndex);
