// Unit fInstall: directory tokens, member sizes and the space calculation.
#include "SysUtils.h"
#include "Tools.h"
#include "Ulzw.h"
#include "Win.h"
#include "fCalcSpa.h"
#include "fInstall.h"
#include "fTypeSel.h"

#include <algorithm>

namespace {

// "X:\" for a directory's drive; an empty directory stands for the root of
// the current drive, as its _DIR token does.
std::string DriveRoot(const std::string& dir) { return dir.empty() ? "\\" : dir.substr(0, 1) + ":\\"; }

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    return UpperCase(Copy(text, 1, static_cast<int>(std::char_traits<char>::length(prefix)))) == prefix;
}

}  // namespace

std::string ResolveDirPlaceholder(const TfrmInstall& form, const std::string& text) {
    const std::string token = UpperCase(text);
    if (token == "<SETUP_DIR>") return NormalizePath(form.m_sSetupDir, false);
    if (token == "<SETUP_DRIVE>") return DriveRoot(form.m_sSetupDir);
    if (token == "<NETWORK_DIR>") return NormalizePath(form.m_sNetworkDir, false);
    if (token == "<NETWORK_DRIVE>") return DriveRoot(form.m_sNetworkDir);
    if (token == "<PROGRAM_DIR>") return NormalizePath(form.m_sProgramDir, false);
    if (token == "<PROGRAM_DRIVE>") return DriveRoot(form.m_sProgramDir);
    if (token == "<SYSTEM_DIR>") return NormalizePath(form.m_sSystemDir, false);
    if (token == "<WINDOWS_DIR>") return NormalizePath(form.m_sWindowsDir, false);
    if (token == "<WINDOWS_DRIVE>") return DriveRoot(form.m_sWindowsDir);
    return NormalizePath(form.m_sProgramDir, false);
}

bool GroupBelongsToType(const TfrmInstall& form, int g, int t) {
    const std::string mask = form.m_pclGroupTypeSelect->Strings(g);
    return t >= 0 && static_cast<std::size_t>(t) < mask.size() && mask[t] == '1';
}

uint32_t GroupUnpackedSize(TfrmInstall& form, TStrings& members) {
    uint64_t total = 0;
    for (int i = 0; i < members.Count(); ++i) {
        auto& header = static_cast<TMemberHeaderObject*>(members.Objects(i))->Value;
        if (header.m_sSign[0] == 0) {
            const std::string path = form.m_sSetupDir + Copy(members.Strings(i), 1, 12);
            if (!LzwReadHeader(path, header)) {
                MessageBeep(0);
                Application->MessageBox("Fehler bei Zugriff auf Datei <" + path + ">, Abbruch !",
                                        "Nicht behebbarer Fehler !", MB_OK | MB_ICONHAND);
                win::exitProcess(1);
            }
        }
        total += uint64_t{header.m_nSize} + 65536;
        form.m_nBytesLargestGroup = std::max(form.m_nBytesLargestGroup, ClampedBytes(total));
    }
    return ClampedBytes(total);
}

void TfrmInstall::CalcRequiredSpace() {
    m_nBytesNetwork = m_nBytesProgram = m_nBytesWindows = m_nBytesLargestGroup = 0;
    frmCalcSpace->Show();
    frmCalcSpace->Repaint();
    TCheckListBox& types = *frmTypSelect->clbTypSelect;
    for (int i = 0; i < types.Items->Count(); ++i) {
        if (!types.Checked(i)) continue;
        const int t = static_cast<TIntObject*>(frmTypSelect->m_pclShownTypes->Objects(i))->Value;
        frmTypSelect->m_nCurrentType = t;
        m_nSelectedType = t;
        m_sSelectedTypeName = m_pclTypeNames->Strings(t);
        for (int g = 0; g < m_pclFileGroups->Count(); ++g) {
            if (!GroupBelongsToType(*this, g, t)) continue;
            const std::string token = m_pclGroupFixPaths->Strings(g);
            TStrings& members = *static_cast<TStrings*>(m_pclFileGroups->Objects(g));
            // Only the first group of each kind counts.
            auto addFirst = [&](uint32_t& total) {
                if (total == 0) total = GroupUnpackedSize(*this, members);
            };
            if (StartsWithNoCase(token, "<WINDOWS_")) addFirst(m_nBytesWindows);
            if (StartsWithNoCase(token, "<SYSTEM_")) addFirst(m_nBytesWindows);
            if (StartsWithNoCase(token, "<PROGRAM_")) addFirst(m_nBytesProgram);
            if (StartsWithNoCase(token, "<NETWORK_")) addFirst(m_nBytesNetwork);
        }
    }
    win::sleep(1000);
    frmCalcSpace->Hide();
}

std::string StripKillSubDir(TfrmInstall& form, const std::string& dir) {
    std::string names = form.m_sKillSubDirsText;
    for (char c : {' ', '\\', '/', '"', '\''}) names = StripChar(names, c);
    form.m_sKillSubDirsText = names;
    if (names.empty()) return dir;
    TStringList list;
    list.SetCommaText(names);
    if (list.Count() == 0) return dir;
    const std::string normalized = NormalizePath(dir, false);
    for (int i = 0; i < list.Count(); ++i) {
        // An empty name (a leading or doubled comma) is the suffix "\" that
        // every directory ends with: it matches and cuts nothing.
        if (list.Strings(i).empty()) return normalized;
        // The name must be the whole last directory: "bin" cuts "C:\App\bin\",
        // never "C:\Tools\Robin\" into "C:\Tools\Ro\".
        const std::string suffix = "\\" + list.Strings(i) + "\\";
        if (normalized.size() >= suffix.size() &&
            SameText(normalized.substr(normalized.size() - suffix.size()), suffix))
            return NormalizePath(normalized.substr(0, normalized.size() - suffix.size() + 1), false);
    }
    return normalized;
}

std::string FindDirOnFixedDrives(const std::string& path) {
    const std::string remembered = GetCurrentDir();
    std::string result;
    for (char drive = 'C'; drive <= 'Z'; ++drive) {
        if (!IsLocalFixedDrive(drive)) continue;
        if (SetCurrentDir(std::string(1, drive) + ":\\" + path)) {
            result = GetCurrentDir();
            break;
        }
    }
    SetCurrentDir(remembered);
    return result;
}
