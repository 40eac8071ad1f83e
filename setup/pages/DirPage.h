// The design and handlers the program-directory and the data-directory page
// share: a drive box, a directory list and an edit field kept in step.
#pragma once

#include "PageFrame.h"

#include <string>

class TDirectoryPage : public TWizardPage {
public:
    TLabel* lblHeading = nullptr;
    TDriveComboBox* dcbDrive = nullptr;
    TDirectoryListBox* dlbDir = nullptr;
    TLabel* lblHint1 = nullptr;
    TLabel* lblHint2 = nullptr;
    TEdit* edDir = nullptr;
    TButton* cmdBack = nullptr;
    TButton* cmdNext = nullptr;
    TButton* cmdCancel = nullptr;

    // The edit field follows the list, always with a trailing backslash.
    void dlbDirChange(TObject* Sender);
    // A drive that answers moves the list there; any other beeps and the
    // box goes back to the list's drive.
    void dcbDriveChange(TObject* Sender);

protected:
    TDirectoryPage(TComponent* AOwner, const std::string& name);
    void CreateDirectoryDesign(const std::string& heading, const std::string& hint);
    void AttachDirChange();
    void DetachDirChange();
    // Moves the list to the directory or, when that does not exist, to its
    // nearest existing ancestor; on a drive that has neither it stays.
    void MoveListTowards(const std::string& directory);
};
