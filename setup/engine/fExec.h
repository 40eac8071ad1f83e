// Unit fExec: the executor page, and the uninstall record "uninstall.dat".
#pragma once

#include "Classes.h"
#include "Forms.h"

#include <string>

class TfrmExecInstall : public TForm {
public:
    explicit TfrmExecInstall(TComponent* AOwner);
    TTimer* tmrStart = nullptr;
};

extern TfrmExecInstall* frmExecInstall;

// The uninstall record: one line per entry, CR LF, in the sorted list's
// order.  Loading replaces the list's content (sorted, without duplicates);
// false when the file cannot be read.
bool LoadUninstallData(TStringList& list, const std::string& file);
// Writes a temporary file beside the record and puts it in place with one
// replacing rename, so a failed write never truncates an earlier record.
bool SaveUninstallData(const TStringList& list, const std::string& file);
