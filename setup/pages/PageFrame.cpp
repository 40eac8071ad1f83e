#include "PageFrame.h"

#include "Resources.h"
#include "Tools.h"
#include "fInstall.h"

namespace {

// RGB(81, 117, 125), the colour of the version texts over the side picture.
constexpr TColor kVersionColour = 8222033;

}  // namespace

TFont PageFont(const std::string& name, int pixels, TFontStyles style, TColor color) {
    return TFont{name, -pixels, style, color};
}

TLabel* PlaceLabel(TWinControl* parent, const std::string& name, int left, int top, const std::string& caption,
                   const TFont& font) {
    auto* label = PlaceControl<TLabel>(parent, name, left, top, 0, 0);
    label->Caption = caption;
    label->SetFont(font);
    return label;
}

TWizardPage::TWizardPage(TComponent* AOwner, const std::string& name) : TForm(AOwner) {
    Name = name;
    CreateFrame();
}

void TWizardPage::CreateFrame() {
    Caption = "Brimlund Setup";
    ClientWidth = 680;
    ClientHeight = 474;
    BorderStyle = bsSingle;
    BorderIcons = {};
    FormStyle = fsStayOnTop;
    Position = poScreenCenter;
    Color = clBtnFace;
    Font = PageFont("MS Sans Serif", 11);

    Banner = PlaceControl<TImage>(this, "Banner", 0, 0, 680, 54);
    Banner->Align = alTop;
    Banner->Stretch = true;
    Banner->IncrementalDisplay = true;
    Banner->Picture = resources::BannerJpeg();

    pnlSide = PlaceControl<TPanel>(this, "pnlSide", 0, 54, 170, 420);
    pnlSide->Align = alLeft;
    pnlSide->BevelOuter = bvNone;
    pnlSide->Enabled = false;
    pnlSide->Locked = true;
    imgSide = PlaceControl<TImage>(pnlSide, "imgSide", 0, 0, 152, 420);
    imgSide->Align = alLeft;
    imgSide->Stretch = true;
    imgSide->Picture = resources::SideJpeg();
    const TFont versionFont = PageFont("Verdana", 13, {fsBold}, kVersionColour);
    lblVersion = PlaceLabel(pnlSide, "lblVersion", 21, 154, "Version", versionFont);
    lblVersion->Transparent = true;
    frmInfoVersion = PlaceLabel(pnlSide, "frmInfoVersion", 21, 172, "x.x.xx #xxx", versionFont);
    frmInfoVersion->Transparent = true;
}

TButton* TWizardPage::AddFrameButton(const std::string& name, const std::string& caption, int left,
                                     PageResult result, int tabOrder) {
    auto* button = PlaceControl<TButton>(this, name, left, 438, 85, 25);
    button->Caption = caption;
    button->SetFont(PageFont("Verdana", 11));
    button->ModalResult = result;
    button->TabOrder = tabOrder;
    return button;
}

TButton* TWizardPage::AddBackButton(int tabOrder, const std::string& name) {
    return AddFrameButton(name, "&Zurück", 378, prBack, tabOrder);
}

TButton* TWizardPage::AddNextButton(int tabOrder, int left) {
    return AddFrameButton("cmdNext", "&Weiter", left, prNext, tabOrder);
}

TButton* TWizardPage::AddCancelButton(int tabOrder) {
    return AddFrameButton("cmdCancel", "&Abbruch", 576, prCancel, tabOrder);
}

void TWizardPage::UseF4ForCancel() {
    KeyPreview = true;
    OnKeyDown = [this](TObject* sender, uint16_t& key, TShiftState shift) { FormKeyDown(sender, key, shift); };
}

void TWizardPage::FormKeyDown(TObject*, uint16_t& Key, TShiftState) {
    if (Key == VK_F4) ModalResult = prCancel;
}

void TWizardPage::ShowFrameTexts() {
    Caption = frmInstall->m_sHeadTitleText;
    ShowVersion();
}

void TWizardPage::ShowVersion() { frmInfoVersion->Caption = GetVersionText(); }
