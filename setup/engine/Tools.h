// Unit Tools: the installer's free functions for texts, paths, drives,
// directories and the Windows version, written on top of the Windows layer
// (platform/win) and the class library core (platform/forms).
//
// Strings are Windows-1252 bytes.  Directory texts that come from Windows
// carry no trailing backslash (the temporary directory excepted);
// NormalizePath is the routine that appends it.  None of these routines
// writes the install log.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// ------------------------------------------------------------ version text

// Marker, version, build date "dd.mm.yyyy" and "##": 32 characters and a
// terminating zero.
extern const std::array<char, 33> BuildInfoText;

// The 10-character version text ("5.0.02.012") in a static buffer shared by
// every caller and overwritten by each call.
const char* GetVersionText();

// ------------------------------------------------------------------ texts

// The path with runs of backslashes collapsed to one (a leading pair, and a
// third leading backslash, are kept) and, unless noTrailing, a trailing
// backslash.  The empty path gives "\".
std::string NormalizePath(const std::string& path, bool noTrailing);

// The text with every occurrence of ch removed.
std::string StripChar(std::string_view text, char ch);

// Everything after the first "=" of the line, untrimmed; "" without one.
std::string ValueOfLine(const std::string& line);

// The result of DecodeEscapes: a malformed escape is reported here rather
// than thrown.  On failure, text holds what was decoded before the escape
// and error the conversion text ("'0x…' is not a valid integer value").
struct DecodedText {
    bool ok = true;
    std::string text;
    std::string error;
};

// "\\" stands for one backslash, a backslash and four hexadecimal digits for
// the character with the low 8 bits of that number (fewer digits at the end
// of the text); every other character stands for itself.
DecodedText DecodeEscapes(const std::string& text);

// ------------------------------------------------------------------ paths

// The path with its directory part made absolute against that drive's
// current directory; the path unchanged when that fails.
std::string FullFileName(const std::string& path);

// Deletes every file (no directory) the mask matches.  False at the first
// file that cannot be deleted (read-only, in use); files already deleted
// stay deleted.  True when nothing matches.
bool DeleteFilesByMask(const std::string& mask);

// The number of files (no directories) the mask matches.
int CountFilesByMask(const std::string& mask);

// ------------------------------------------------------ system directories

// The shell's special folder (a CSIDL), "" when it does not resolve.
std::string GetSpecialFolder(int csidl);
// The all-users folders, falling back to the user's own.
std::string GetProgramsFolder();
std::string GetStartupFolder();
std::string GetDesktopFolder();

// "" when Windows cannot tell.
std::string GetWindowsDir();
std::string GetSystemDir();

// "ProgramFilesDir" from the registry, else the Windows drive and
// ":\Programme".
std::string GetProgramFilesDir();

// ----------------------------------------------------------------- drives

// Free bytes of the drive, saturated to the largest multiple of the cluster
// size that fits 32 bits; 0 when the drive does not answer.
uint32_t DiskFreeBytes(char drive);

// Removable, fixed, remote or RAM disk: a drive one can write on.
bool IsUsableDrive(char drive);
// Fixed or RAM disk (and any type Windows may add later).
bool IsLocalFixedDrive(char drive);
// Whether the drive reports free space, probed without a system error box.
// A full disk or a CD counts as not ready.
bool IsDriveReady(char drive);

// ------------------------------------------------------------ directories

// The temporary directory (as Windows gives it, with its backslash) when its
// drive is usable, has more than minFree bytes free and can be written;
// "" otherwise.
std::string FindTempDir(uint32_t minFree);

// Creates the directory with all missing levels; the current directory is
// left as it was.  A path without drive letter ends the process (fatal) or
// is ignored.
void MakeDirectory(const std::string& path, bool fatal);

// Whether the file is read-only, hidden or system, which refuse a delete or
// an overwrite; and the attributes set to normal when it is.
bool HasProtectingAttributes(const std::string& path);
void ClearProtectingAttributes(const std::string& path);
// A work file of the installer's own deleted whatever its attributes.
bool DeleteWorkFile(const std::string& path);

// ------------------------------------------------- files replaced whole

class TStringList;

// The file's lines; an empty list for a missing file.  False (and an empty
// list) when the file exists but cannot be read: it must not be rewritten.
bool LoadListIfReadable(TStringList& lines, const std::string& file);

// Writes the lines to a fresh file beside the file and puts it in the
// file's place with one replacing rename.  On failure the old file is left
// as it was and the fresh one deleted.
bool SaveListReplacing(const TStringList& lines, const std::string& file);

// The same for a copy onto an existing file: refused by a file in use or a
// full disk, the old file stays.
bool CopyFileReplacing(const std::string& from, const std::string& to);

// ---------------------------------------------------------------- version

bool IsWindowsNT();

// ------------------------------------- program runs, run-once, rights, restart

// Windows show-window codes for RunAndWait.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;

// A program path as the start of a command line: in quotation marks when it
// holds a blank (so "C:\Program Files\..." does not start "C:\Program.exe"),
// unchanged otherwise or when already quoted.
std::string CommandLineOf(const std::string& programPath);

// Starts the command line and waits for it in one-second slices, servicing
// the windows after each; timeoutSec 0 or below waits without end, else the
// program is terminated after that many slices.  Failures show the system's
// text or failMsg in the simple dialog.  With an empty failMsg the exit code
// is not looked at.
bool RunAndWait(const std::string& cmdLine, const std::string& failMsg, int timeoutSec, int showCmd);

// Runs an ".EXE" or ".COM" server with "/REGSERVER", hidden, for at most
// 30 seconds; always true.
bool RegisterOleExe(const std::string& path);

// Asks Windows to restart at once, with the shutdown privilege enabled.
void RebootWindows();

// Enters the program with its arguments under HKEY_LOCAL_MACHINE's RunOnce
// key, named after the installer's and the program's file names without
// dots.  False when the key cannot be written.
bool AddRunOnce(const std::string& program, const std::string& args);

// Whether the token of the thread (or else the process) holds the
// Administrators group; always true on 9x.
bool IsAdministrator();

// ------------------------------ shared libraries, shortcuts, boot-time moves

// Raises the SharedDlls count of a ".DLL", ".OCX" or ".VBX" path (a missing
// or unreadable count becomes 1); nothing when the SharedDlls key is missing.
void IncSharedDllCount(const std::string& path);

// Saves a shortcut to target at tmpLinkPath, then renames it to the
// description plus ".lnk" in the same directory and adds "#LINK#" and that
// path to uninstallList (may be null).  With an empty description the link
// keeps its temporary name.  True when the link was saved.
bool CreateShellLink(const std::string& target, const std::string& tmpLinkPath, const std::string& description,
                     TStringList* uninstallList);

// The reason of the last failed ReplaceOnReboot; never cleared.
extern std::string sLastErrorText;

// Copies source beside target under a fresh numbered name and arranges for
// it to replace target at the next boot.  False with sLastErrorText set.
bool ReplaceOnReboot(const std::string& source, const std::string& target);

// ------------------------------ INI values, fonts, environment, OLE libraries

// Everything before the first "=" of the line; "" without one.
std::string NameOfLine(const std::string& line);

// Writes key = value into the section of the INI file; an empty iniFile
// means the installer's own INI file (its path with ".ini").  False when
// the file refuses the write.
bool WriteIniValue(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& iniFile);

// Copies the font into the Windows Fonts directory, adds it to the system's
// fonts and enters it under the registry's Fonts key.  False when the font
// could not be added.
bool InstallFont(const std::string& path);

// Makes the variable persistent: on NT in the machine's (else the user's)
// registry environment, with the change broadcast; on 9x as a "SET " line
// in C:\AUTOEXEC.BAT unless the variable is set there already.  False when
// nothing could be written.
bool SetEnvVariable(const std::string& name, const std::string& value);

// Self-registers a ".DLL", ".OCX" or ".VBX" library through its
// DllRegisterServer export.  False only when that export reports a failure;
// other files, libraries that do not load and libraries without the export
// count as done.
bool RegisterOleDll(const std::string& path);
