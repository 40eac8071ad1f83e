// Unit fInstall: the program entry, the main form and the installation's
// start timer, which carries the whole installation from start-up to the end.
#pragma once

#include "Classes.h"
#include "Forms.h"
#include "LzwCodec.h"

#include <cstdint>
#include <memory>
#include <string>

// A member line's attached header, zero until the member is first looked at.
using TMemberHeaderObject = TValueObject<LzwMemberHeader>;

// The main form: the setup description and the user's choices, read by the
// pages and the executor through frmInstall.  Strings start empty, numbers 0,
// flags false and the lists null until the description is read.
class TfrmInstall : public TForm {
public:
    explicit TfrmInstall(TComponent* AOwner);

    // Design.
    TImage* Image1 = nullptr;
    TPanel* Panel1 = nullptr;
    TImage* Image2 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* frmInfoVersion = nullptr;
    TLabel* lblHead = nullptr;
    TTimer* tmrStart = nullptr;

    void tmrStartTimer(TObject* Sender);

    // Directories (with a trailing backslash once start-up set them).
    std::string m_sSetupDir;
    std::string m_sWindowsDir;
    std::string m_sSystemDir;
    std::string m_sTempDir;
    std::string m_sStartMenuDir;
    std::string m_sStartupDir;
    std::string m_sDesktopDir;
    std::string m_sDefaultPrgDir;
    std::string m_sProgramDir;
    std::string m_sNetworkDir;
    // The user's choice of setup type and the byte totals of the space check.
    int32_t m_nSelectedType = 0;
    std::string m_sSelectedTypeName;
    uint32_t m_nBytesProgram = 0;
    uint32_t m_nBytesWindows = 0;
    uint32_t m_nBytesNetwork = 0;
    uint32_t m_nBytesLargestGroup = 0;
    // The setup description.
    std::string m_sSplashFile;
    std::string m_sHeadTitleText;
    std::string m_sFormTitleText;
    std::string m_sStartMenuText;
    std::string m_sInstallDirText;
    std::string m_sKillSubDirsText;
    std::string m_sPrgStart;
    std::string m_sPrgStop;
    std::string m_sPrgReboot;
    bool m_bShowLicence = false;
    bool m_bWinRestart = false;
    std::string m_sUninstallKey;
    int32_t m_nUnFileCount = 0;
    std::unique_ptr<TStringList> m_pclUnFiles;
    int32_t m_nGroupCount = 0;
    std::unique_ptr<TStringList> m_pclFileGroups;
    std::unique_ptr<TStringList> m_pclGroupFixPaths;
    std::unique_ptr<TStringList> m_pclGroupFixPathsRaw;
    std::unique_ptr<TStringList> m_pclGroupVarPaths;
    std::unique_ptr<TStringList> m_pclGroupTypeSelect;
    int32_t m_nTypeCount = 0;
    std::unique_ptr<TStringList> m_pclTypeNames;
    std::unique_ptr<TStringList> m_pclTypeHelpRtf;
    std::string m_sActiveTypes;
    std::unique_ptr<TStringList> m_pclIconTexts;

    // Whether start-up rebuilt the setup files from split volumes, and where.
    bool m_bSplitJoined = false;
    std::string m_sSplitDir;

    // Reads "SETUP.ALL" into the members above (a malformed help text is fatal).
    void ReadSetupDescription(const std::string& fileName);
    // The four byte totals from the checked setup types, with the notice page.
    void CalcRequiredSpace();

    // The log file every line of this installation goes to.
    std::string LogFile() const { return m_sTempDir + "INSTALL.LOG"; }

private:
    void CreateDesign();
    // Start-up up to the hand-over to the wizard; false when the run ended.
    bool StartUp();
    void FindStandardDirectories();
    void TakeTempOption(const std::string& parameter);
    bool AskAdministrator();
    // Without "INST.ALL" on the medium: the setup files joined from its split
    // volumes into the work directory's "SPLTMP\", which becomes the setup
    // directory; false when the run ended.
    bool RebuildFromSplitVolumes();
    void EnsureWorkDirectory();
    void ExpandSetupDescription();
    void RunStartProgram();
    void LoadUninstallRecord();

    // The wizard; each step returns false when the handler must be left.
    void RunWizard();
    void AbortStep();
    bool CancelQuestion(int& state);
    int LicenceStep();
    bool TypeStep(int& state);
    void ProposeProgramDir();
    bool ProgramDirStep(int& state);
    void NetworkDirStep(int& state);
    void ConfirmStep(int& state);
    bool InstallStep();
    void RunFinalProgram();
    bool AskRestart();
    void Finish(bool restart);
    void EnterRebootProgram();
    // Copies the log beside the record or into the program directory and
    // deletes it from the work directory; false when it must stay there.
    bool KeepLog();
    void RemoveWorkDirectory(const std::string& dir, bool keepLog, bool allFiles);
    // The space check of a chosen directory; false when the user cancels.
    bool EnoughSpace(const std::string& dir, uint32_t ownBytes, bool dataDir);

    // A program value: its directory token resolved, then the file.
    std::string ProgramFromValue(const std::string& value) const;
    std::string TitledCaption(const char* suffix) const;
    void Log(const std::string& text) const;

    // The handler's working state, kept for the wizard that follows start-up.
    std::unique_ptr<TStringList> pclSetupUninstallList;
    std::string sUninstallDir;
    std::string sUninstallFile;
    std::string sTempOptionDir;
    bool bTempOptionGiven = false;
};

extern TfrmInstall* frmInstall;

// The directory a directory token stands for, with a trailing backslash; any
// other text stands for the program directory.
std::string ResolveDirPlaceholder(const TfrmInstall& form, const std::string& text);
// Byte totals are summed in 64 bits and stored clamped to 32, so a sum past
// 4 GiB never wraps into a small number that would pass a space check.
inline uint32_t ClampedBytes(uint64_t bytes) { return bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(bytes); }

// Whether group g (0-based) belongs to setup type t: "1" at position t + 1 of
// its type mask; a mask too short for the type leaves the group out.
bool GroupBelongsToType(const TfrmInstall& form, int g, int t);
// The group's members' unpacked sizes plus 65536 each (headers read once and
// kept on the entries); raises the largest-group total.  An unreadable member
// is fatal.
uint32_t GroupUnpackedSize(TfrmInstall& form, TStrings& members);
// The directory with at most one of the configured sub-directory names cut
// off its end.
std::string StripKillSubDir(TfrmInstall& form, const std::string& dir);
// The first local fixed drive's directory X:\path that exists, or "".
std::string FindDirOnFixedDrives(const std::string& path);

// Builds the application and its forms and runs the message loop.
int WinMain();
