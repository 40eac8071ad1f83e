// Unit fInstall: reading the setup description "SETUP.ALL" into the main form.
#include "IniFiles.h"
#include "InstallLog.h"
#include "SysUtils.h"
#include "Tools.h"
#include "Win.h"
#include "fInstall.h"

namespace {

std::string Numbered(const char* word, int n) { return word + IntToStr(n); }

// Member name (characters 1 to 8), ".PAK", then the flags (characters 10 to
// 15), wherever the "=" stands.
std::string PakEntry(const std::string& line) { return Copy(line, 1, 8) + ".PAK" + Copy(line, 10, 6); }

std::unique_ptr<TStringList> ReadMembers(const TIniFile& ini, const std::string& section) {
    auto members = std::make_unique<TStringList>(true);
    ini.ReadWholeSectionValues(section, members.get());
    for (int i = 0; i < members->Count(); ++i) {
        members->SetStrings(i, PakEntry(members->Strings(i)));
        members->SetObjects(i, new TMemberHeaderObject(LzwMemberHeader{}));
    }
    return members;
}

[[noreturn]] void Fatal(const std::string& text, const std::string& logLine, const std::string& logFile) {
    MessageBeep(0);
    Application->MessageBox(text, "Nicht behebbarer Fehler !", MB_OK | MB_ICONSTOP);
    WriteLogLine(logLine, logFile);
    win::exitProcess(1);
}

[[noreturn]] void BadHelpText(int type, const std::string& conversionError, const std::string& logFile) {
    const std::string text = "Fehlerhafter Hilfetext in SETUP.ALL: RtfText" + IntToStr(type) + ", Abbruch !";
    Fatal(text, text + " " + conversionError, logFile);
}

// Each counted entry needs a line of its own at least, so a larger count
// cannot be meant, and reading that many keys would hold up the start-up
// for ever.
int ReadCount(const TIniFile& ini, int lines, const std::string& section, const std::string& logFile) {
    const int count = ini.ReadInteger(section, "Count", 0);
    if (count > lines) {
        const std::string text = "Ungültiger Eintrag in SETUP.ALL: [" + section + "] Count, Abbruch !";
        Fatal(text, text, logFile);
    }
    return count;
}

int LineCount(const std::string& fileName) {
    TStringList lines;
    if (FileExists(fileName)) lines.LoadFromFile(fileName);
    return lines.Count();
}

}  // namespace

void TfrmInstall::ReadSetupDescription(const std::string& fileName) {
    const TIniFile ini(fileName);
    const int lines = LineCount(fileName);

    m_sSplashFile = ini.ReadString("Graphic", "SplashFile", "");
    m_sHeadTitleText = ini.ReadString("Text", "HeadTitleText", "Installation");
    m_sFormTitleText = ini.ReadString("Text", "FormTitleText", "Installation");
    m_sStartMenuText = ini.ReadString("Text", "StartMenuText", "Neue Installation");
    m_sInstallDirText = ini.ReadString("Text", "InstallDirText", "");
    m_sKillSubDirsText = ini.ReadString("Text", "KillSubDirsText", "");
    m_sStartMenuDir += NormalizePath(m_sStartMenuText, false);

    m_sPrgStart = ini.ReadString("Options", "PrgStart", "");
    m_sPrgStop = ini.ReadString("Options", "PrgStop", "");
    m_sPrgReboot = ini.ReadString("Options", "PrgReboot", "");
    m_bShowLicence = ini.ReadString("Options", "Licence", "") == "1";
    m_bWinRestart = ini.ReadString("Options", "WinRestart", "") == "1";

    m_sUninstallKey = ini.ReadString("Uninstall", "UninstallKey", "");
    m_nUnFileCount = ReadCount(ini, lines, "Uninstall", LogFile());
    m_nGroupCount = ReadCount(ini, lines, "FileGroups", LogFile());

    m_pclFileGroups = std::make_unique<TStringList>(true);
    m_pclGroupFixPaths = std::make_unique<TStringList>();
    m_pclGroupFixPathsRaw = std::make_unique<TStringList>();
    m_pclGroupVarPaths = std::make_unique<TStringList>();
    m_pclGroupTypeSelect = std::make_unique<TStringList>();
    m_pclUnFiles = std::make_unique<TStringList>();
    for (int g = 1; g <= m_nGroupCount; ++g) {
        const std::string key = Numbered("Group", g);
        const std::string section = ini.ReadString("FileGroups", key, "");
        m_pclFileGroups->AddObject(section, ReadMembers(ini, section).release());
        const std::string fixPath = ini.ReadString("FileGroupsFixPath", key, "<PROGRAM_DIR>");
        m_pclGroupFixPathsRaw->Add(fixPath);
        m_pclGroupFixPaths->Add(Copy(fixPath, 1, 1) == "<" ? fixPath : "<PROGRAM_DIR>");
        m_pclGroupVarPaths->Add(ini.ReadString("FileGroupsVarPath", key, ""));
        m_pclGroupTypeSelect->Add(ini.ReadString("FileGroupsTypeSelect", key, ""));
    }

    m_nTypeCount = ReadCount(ini, lines, "Types", LogFile());
    m_sActiveTypes = ini.ReadString("Types", "ActiveTypes", "");
    m_pclTypeNames = std::make_unique<TStringList>(true);
    m_pclTypeHelpRtf = std::make_unique<TStringList>(true);
    for (int t = 1; t <= m_nTypeCount; ++t) {
        m_pclTypeNames->AddObject(ini.ReadString("Types", Numbered("Name", t), ""), new TIntObject(t - 1));
        const DecodedText help = DecodeEscapes(ini.ReadString("TypeHelpRtf", Numbered("RtfText", t), ""));
        if (!help.ok) BadHelpText(t, help.error, LogFile());
        m_pclTypeHelpRtf->AddObject(help.text, new TIntObject(t - 1));
    }

    for (int u = 1; u <= m_nUnFileCount; ++u) m_pclUnFiles->Add(ini.ReadString("Uninstall", Numbered("UnFile", u), ""));

    m_pclIconTexts = std::make_unique<TStringList>();
    ini.ReadWholeSectionValues("IconText", m_pclIconTexts.get());

    Caption = m_sHeadTitleText;
    lblHead->Caption = m_sFormTitleText;
    WriteLogLine("SETUP.ALL wurde eingelesen", LogFile());
}
