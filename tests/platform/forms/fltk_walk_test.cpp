// A whole wizard walked by the scripted user, once headless and once in
// real windows: the real windows must show every page at 680 x 474 with a
// picture that is not blank, and the walk must go exactly as headless.
#include "fltk_fixture.h"

#if SETUP_HAVE_FLTK

#include "Win.h"

#include <png.h>

#include <gtest/gtest.h>

namespace formstest {
namespace {

// Pages like the wizard's, each with the kind of controls its page has.
struct Wizard {
    FramePage* licence;
    FramePage* types;
    FramePage* directory;
    FramePage* parameters;
    TRichEdit* help = nullptr;
    TEdit* dir = nullptr;
};

Wizard buildWizard() {
    Wizard w;
    w.licence = new FramePage(Application, "frmLicence", true);
    auto* memo = w.licence->place<TMemo>(w.licence, "memLicence", 188, 67, 473, 321);
    memo->ScrollBars = ssVertical;
    memo->SetFont(TFont{"Verdana", -11, {fsBold}, clWindowText});
    memo->Lines->SetText("Lizenzvertrag f\xFCr das Demo-Produkt\r\n\r\nDies ist der Lizenztext.\r\n");
    w.licence->cmdBack->SetVisible(false);
    w.licence->cmdNext->Enabled = false;
    auto* ja = w.licence->place<TButton>(w.licence, "cmdJa", 624, 394, 37, 25);
    ja->Caption = "Ja";
    FramePage* licence = w.licence;
    ja->OnClick = [licence, ja](TObject*) {
        licence->cmdNext->Enabled = true;
        ja->Enabled = false;
    };
    auto* agree = w.licence->place<TLabel>(w.licence, "lblAgree", 290, 398, 0, 0);
    agree->Caption = "Ich bin mit den Lizenzbedingungen einverstanden";
    agree->SetFont(TFont{"Verdana", -11, {fsBold}, clWindowText});

    w.types = new FramePage(Application, "frmTypSelect", true);
    w.types->cmdBack->SetVisible(false);
    auto* list = w.types->place<TCheckListBox>(w.types, "clbTypSelect", 180, 146, 481, 127);
    for (const char* name : {"Standard", "Vollst\xE4ndig", "Nur Daten"}) list->Items->Add(name);
    w.help = w.types->place<TRichEdit>(w.types, "rtfHelp", 180, 303, 481, 129);
    w.help->ScrollBars = ssVertical;
    TRichEdit* help = w.help;
    list->OnClick = [list, help](TObject*) {
        help->Lines->Clear();
        help->Lines->Add("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\fs20{\\b Typ " + std::to_string(list->ItemIndex() + 1) +
                         "}\\par Gr\\'f6\\'dfe \\i kursiv\\i0  und {\\ul unterstrichen}.}");
    };

    w.directory = new FramePage(Application, "frmDirSelect", true);
    w.directory->place<TDriveComboBox>(w.directory, "dcbDrive", 221, 91, 396, 19);
    w.directory->place<TDirectoryListBox>(w.directory, "dlbDir", 221, 114, 396, 219);
    w.dir = w.directory->place<TEdit>(w.directory, "edDir", 221, 390, 396, 21);
    w.dir->SetFont(TFont{"Verdana", -11, {fsBold}, clWindowText});

    w.parameters = new FramePage(Application, "frmSetVar", false);
    w.parameters->cmdBack->SetVisible(false);
    w.parameters->cmdCancel->SetVisible(false);
    auto* box = w.parameters->place<TScrollBox>(w.parameters, "sbIni", 212, 292, 425, 120);
    box->Color = clWhite;
    for (int i = 0; i < 8; ++i) {
        auto* edit = new TEdit(w.parameters);
        edit->SetParent(box);
        edit->BorderStyle = bsNone;
        edit->Width = box->Width;
        edit->Top = 19 * i;
        edit->Text = "KEY" + std::to_string(i) + "=%PROGRAM_DIR%";
        edit->OnKeyDown = [](TObject*, uint16_t& key, TShiftState) {
            if (key == VK_DOWN) keybd_event(VK_TAB, 0, 0, 0);
        };
    }
    return w;
}

// The wizard's states: each page's result added, a state below 1 asking
// whether to cancel.
void walk(const Wizard& w) {
    const std::vector<FramePage*> pages{w.licence, w.types, w.directory, w.parameters};
    int state = 1;
    while (state >= 1 && state <= static_cast<int>(pages.size())) {
        state += pages[state - 1]->ShowModal();
        if (state < 1 && Application->MessageBox("Die Installation ist nicht vollst\xE4ndig.", "Abbruch der Installation",
                                                 MB_YESNO | MB_ICONQUESTION) == IDNO)
            state = 1;
    }
}

const char* const kWalk =
    "page frmLicence\n"
    "click cmdNext\n"  // disabled until "Ja"
    "click cmdJa\n"
    "click cmdNext\n"
    "page frmTypSelect\n"
    "select clbTypSelect 1\n"
    "check clbTypSelect 0\n"
    "key F4+Alt\n"
    "box No\n"
    "page frmLicence\n"
    "key Escape\n"
    "click cmdNext\n"
    "page frmTypSelect\n"
    "check clbTypSelect 2\n"
    "click cmdNext\n"
    "page frmDirSelect\n"
    "text edDir C:\\Brimlund\\\n"
    "key Tab\n"
    "key Return\n"  // Tab wrapped round to Back
    "page frmTypSelect\n"
    "click cmdNext\n"
    "page frmDirSelect\n"
    "click cmdNext\n"
    "page frmSetVar\n"
    "key F4\n"  // no key preview
    "focus sbIni#0\n"
    "key Down\n"
    "key Down\n"
    "text sbIni#2 KEY2=C:\\Brimlund\\\n"
    "click cmdNext\n";

std::vector<std::string> withoutNumbers(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) out.push_back(line.substr(line.find(' ') + 1));
    return out;
}

// The picture in a PNG file, decoded with libpng.
forms::fltk::Picture readPng(const std::string& path) {
    std::string bytes;
    if (!win::readWholeFile(path, bytes)) return {};
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
    image.format = PNG_FORMAT_RGB;
    forms::fltk::Picture picture{static_cast<int>(image.width), static_cast<int>(image.height),
                                 std::vector<unsigned char>(PNG_IMAGE_SIZE(image))};
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) return {};
    return picture;
}

TEST_F(FltkTest, WizardInRealWindowsGoesAsHeadless) {
    auto headless = forms::headless::ScriptedUser::fromText(kWalk, machineDir + "/headless.txt");
    const auto& headlessTranscript = headless->transcript();
    Application->SetDisplay(std::move(headless));
    walk(buildWizard());
    const std::vector<std::string> expected = withoutNumbers(headlessTranscript.lines());

    delete Application;
    Application = new TApplication;
    Application->Title = "Setup";
    const std::string folder = machineDir + "/pictures";
    setenv("SETUP_SCREENSHOTS", folder.c_str(), 1);
    forms::fltk::FltkDisplay& shown = useScriptInRealWindows(kWalk);
    const Wizard wizard = buildWizard();
    walk(wizard);

    EXPECT_EQ(scriptedTranscript(), expected);
    EXPECT_EQ(wizard.dir->Text, "C:\\Brimlund\\");
    // Every page and the box left a picture; the pages' at 680 x 474.
    std::size_t windowsShown = 0;
    for (const std::string& line : expected)
        if (line.starts_with("show ") || line.starts_with("box ")) ++windowsShown;
    ASSERT_EQ(shown.pictures().size(), windowsShown);
    for (const std::string& path : shown.pictures()) {
        SCOPED_TRACE(path);
        const forms::fltk::Picture picture = readPng(path);
        EXPECT_TRUE(showsSomething(picture));
        if (path.ends_with("-box.png")) continue;
        EXPECT_EQ(picture.width, 680);
        EXPECT_EQ(picture.height, 474);
    }
    for (TForm* page : {static_cast<TForm*>(wizard.licence), static_cast<TForm*>(wizard.types),
                        static_cast<TForm*>(wizard.directory), static_cast<TForm*>(wizard.parameters)}) {
        EXPECT_EQ(windowOf(*page).w(), 680);
        EXPECT_EQ(windowOf(*page).h(), 474);
    }
}

}  // namespace
}  // namespace formstest

#endif  // SETUP_HAVE_FLTK
