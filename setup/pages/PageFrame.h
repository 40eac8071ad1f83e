// The page frame every wizard page shares: the form's look, the banner, the
// side panel with the version, the Back/Next/Cancel buttons and the F4 key,
// and the helpers the page designs are written with.
#pragma once

#include "Forms.h"

#include <cstdint>
#include <string>

// The result a page ends with; the state machine adds it to its state number.
enum PageResult : int {
    prNext = 1,
    prBack = -1,
    prCancel = -1000,
};

// A design font: face, character height in pixels, style.
TFont PageFont(const std::string& name, int pixels, TFontStyles style = {fsBold}, TColor color = clWindowText);

// A control of a design, owned by the parent's form.
template <class T>
T* PlaceControl(TWinControl* parent, const std::string& name, int left, int top, int width, int height) {
    T* control = new T(parent->ParentForm());
    control->Name = name;
    control->Left = left;
    control->Top = top;
    control->Width = width;
    control->Height = height;
    control->SetParent(parent);
    return control;
}

// A label that sizes itself to its caption.
TLabel* PlaceLabel(TWinControl* parent, const std::string& name, int left, int top, const std::string& caption,
                   const TFont& font);

// A page of the wizard: a form of 680 x 474 with the banner on top and the
// side panel on the left, stay-on-top and centred, captioned "Brimlund
// Setup" until its FormShow says otherwise.  The pages' own designs add
// their controls and the frame buttons they have.
class TWizardPage : public TForm {
public:
    TImage* Banner = nullptr;
    TPanel* pnlSide = nullptr;
    TImage* imgSide = nullptr;
    TLabel* lblVersion = nullptr;
    TLabel* frmInfoVersion = nullptr;

    // F4, with any modifier keys, ends the page with prCancel; the key goes
    // on to the focused control.
    void FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);

protected:
    TWizardPage(TComponent* AOwner, const std::string& name);

    // The frame's buttons at their places, each carrying its PageResult.
    TButton* AddBackButton(int tabOrder, const std::string& name = "cmdBack");
    TButton* AddNextButton(int tabOrder, int left = 477);
    TButton* AddCancelButton(int tabOrder);
    // Key preview with FormKeyDown as the form's key handler.
    void UseF4ForCancel();

    // The FormShow part of the frame: the caption from the setup
    // description's head title and the version label.
    void ShowFrameTexts();
    void ShowVersion();

private:
    void CreateFrame();
    TButton* AddFrameButton(const std::string& name, const std::string& caption, int left, PageResult result,
                            int tabOrder);
};
