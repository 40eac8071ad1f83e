// Unit fExec: the executor page, the installation executor, and the uninstall
// record "uninstall.dat".
#pragma once

#include "Classes.h"
#include "Forms.h"
#include "PageFrame.h"

#include <memory>
#include <string>

// The work lists of one executor run: plain, unsorted, in order of addition.
// The file loop fills the OLE and font lists; the .ENV step fills the
// environment list; the final steps consume them.
struct ExecRunLists {
    std::unique_ptr<TStringList> pclOleNow = std::make_unique<TStringList>();
    std::unique_ptr<TStringList> pclOleReboot = std::make_unique<TStringList>();
    std::unique_ptr<TStringList> pclEnvironment = std::make_unique<TStringList>();
    std::unique_ptr<TStringList> pclFonts = std::make_unique<TStringList>();
};

// The modal page of the installation state: two progress bars, no buttons;
// its one-shot timer removes the product's services and runs the executor.
class TfrmExecInstall : public TWizardPage {
public:
    explicit TfrmExecInstall(TComponent* AOwner);

    TLabel* Label1 = nullptr;
    TPanel* Panel1 = nullptr;
    TProgressBar* pbAll = nullptr;
    TPanel* Panel2 = nullptr;
    TProgressBar* pbFile = nullptr;
    TTimer* tmrStart = nullptr;

    void FormShow(TObject* Sender);
    void tmrStartTimer(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);

    // Installs the selected file groups and finishes the run; true on
    // success (a fatal error ends the process instead).
    bool ExecuteInstallation();

private:
    void CreateDesign();
};

extern TfrmExecInstall* frmExecInstall;

// The uninstall record of this run; created by every FormShow.
extern std::unique_ptr<TStringList> pclUninstallList;

// Adds one line to pclUninstallList; a line the list refuses is dropped.
void AddUninstallLine(const std::string& text);

// The decoder's progress callback: drives the page's per-file bar.
void UnpackProgress(int percent);

// The uninstall record: one line per entry, CR LF, in the sorted list's
// order.  Loading replaces the list's content (sorted, without duplicates);
// false when the file cannot be read.
bool LoadUninstallData(TStringList& list, const std::string& file);
// Writes a temporary file beside the record and puts it in place with one
// replacing rename, so a failed write never truncates an earlier record.
bool SaveUninstallData(const TStringList& list, const std::string& file);
