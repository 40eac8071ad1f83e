// Unit fExec: the description members that are evaluated instead of copied
// (".ENV" environment and ".IPA" INI descriptions) and the executor's last
// steps after the file groups: OLE servers now and after the reboot, fonts,
// the INI defaults read back, the parameter page, the writes and the clean-up.
#pragma once

#include "Classes.h"
#include "Forms.h"

#include <string>

// One pending INI setting's place: the INI file and the section, attached
// to its "key=value" line.
struct PendingIniEntry : TObject {
    char m_sIniFile[261] = {};
    char m_sSection[261] = {};
};

// The work file "INIFILE.ALL" of the work directory, where the ".IPA"
// defaults of a run are gathered, one section per "<ini path>#<section>".
std::string IniMergeFileName();

// The ".ENV" member just unpacked to the work file "INSTFILE.TMP":
// storedName is the name from its header.  Adds its variables to
// pclEnvironment ("NAME=value"), keeping the first value of every name.
void EvaluateEnvFile(const std::string& storedName, TStringList& pclEnvironment);

// The ".IPA" member installed as target, unpacked to the work file: its
// sections' keys go into the INI merge file as defaults for the INI file
// named like target with ".INI".
void EvaluateIpaFile(const std::string& target, const std::string& storedName);

// The steps after the last file group, in order; page is the executor page
// (hidden on the way, while it stays modal).  The lists are the caller's:
// it creates them for the run and releases them afterwards; pclEnvironment
// comes back as the user left it.  Always true.
bool FinishInstallation(TForm& page, const TStringList& pclOleNow, const TStringList& pclOleReboot,
                        const TStringList& pclFonts, TStringList& pclEnvironment);
