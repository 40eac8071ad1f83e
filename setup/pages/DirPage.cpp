#include "DirPage.h"

#include "SysUtils.h"
#include "Tools.h"
#include "Win.h"

namespace {

// "X:\dir\sub" gives "X:\dir", "X:\dir" gives "X:\"; "" for a drive's root
// and for anything that is not on a drive.
std::string ParentOnDrive(std::string directory) {
    if (directory.size() < 3 || directory[1] != ':' || directory[2] != '\\') return "";
    while (directory.size() > 3 && directory.back() == '\\') directory.pop_back();
    if (directory.size() == 3) return "";
    const std::size_t cut = directory.find_last_of('\\');
    return directory.substr(0, cut == 2 ? 3 : cut);
}

std::string NearestExistingDirectory(const std::string& directory) {
    // A drive without its medium must not bring up the system's box.
    const uint32_t previousMode = win::setErrorMode(win::SEM_FAILCRITICALERRORS);
    std::string candidate = ExpandFileName(directory);
    while (!candidate.empty() && !DirectoryExists(candidate)) candidate = ParentOnDrive(candidate);
    win::setErrorMode(previousMode);
    return candidate;
}

}  // namespace

TDirectoryPage::TDirectoryPage(TComponent* AOwner, const std::string& name) : TWizardPage(AOwner, name) {}

void TDirectoryPage::CreateDirectoryDesign(const std::string& heading, const std::string& hint) {
    UseF4ForCancel();

    lblHeading = PlaceLabel(this, "lblHeading", 221, 66, heading, PageFont("Verdana", 13));

    cmdCancel = AddCancelButton(0);
    cmdBack = AddBackButton(1);
    cmdNext = AddNextButton(2);

    dcbDrive = PlaceControl<TDriveComboBox>(this, "dcbDrive", 221, 91, 396, 19);
    dcbDrive->TabOrder = 3;
    dcbDrive->OnChange = [this](TObject* sender) { dcbDriveChange(sender); };

    dlbDir = PlaceControl<TDirectoryListBox>(this, "dlbDir", 221, 114, 396, 219);
    dlbDir->ItemHeight = 16;
    dlbDir->TabOrder = 4;

    lblHint1 = PlaceLabel(this, "lblHint1", 221, 346, hint, PageFont("Verdana", 13));
    lblHint2 = PlaceLabel(this, "lblHint2", 221, 366, "Verzeichnis positioniert ist.  ( Standard: C:\\Brimlund )",
                          PageFont("Verdana", 13));

    edDir = PlaceControl<TEdit>(this, "edDir", 221, 390, 396, 21);
    edDir->SetFont(PageFont("Verdana", 11));
    edDir->TabOrder = 5;
}

void TDirectoryPage::AttachDirChange() {
    dlbDir->OnChange = [this](TObject* sender) { dlbDirChange(sender); };
}

void TDirectoryPage::DetachDirChange() { dlbDir->OnChange = nullptr; }

void TDirectoryPage::MoveListTowards(const std::string& directory) {
    const std::string existing = NearestExistingDirectory(directory);
    if (!existing.empty()) dlbDir->SetDirectory(existing);
}

void TDirectoryPage::dlbDirChange(TObject*) { edDir->Text = NormalizePath(dlbDir->Directory(), false); }

// The drive is only probed for an answer: writing a probe file could spoil
// a file of that name on the user's drive, and nothing needs it.
void TDirectoryPage::dcbDriveChange(TObject*) {
    const std::string text = dcbDrive->Text();
    if (text.empty()) return;
    const char letter = text[0];
    if (IsDriveReady(letter)) {
        dlbDir->SetDrive(letter);
        dlbDir->Update();
        return;
    }
    MessageBeep(0);
    dcbDrive->SetDrive(dlbDir->Drive());
    dcbDrive->Repaint();
}
