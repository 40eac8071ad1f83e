// The wizard of the built installer walked end to end: a setup description
// whose file groups are packed onto the medium, a script for the user, and
// what the run leaves: the log's state lines, the transcript, the journal
// and the registry.
#pragma once

#include "SetupRun.h"

#include <cstdint>
#include <string>
#include <vector>

namespace setuptest {

struct FileGroup {
    std::string fixPath = "<PROGRAM_DIR>";
    std::string typeMask = "1";
    std::vector<uint32_t> memberSizes;  // unpacked; packed as LZ000001.PAK, LZ000002.PAK ...
    std::string varPath;
};

struct Description {
    std::string title = "Demo";
    std::vector<std::string> types = {"Standard"};
    std::vector<FileGroup> groups;
    std::string textKeys;  // more lines of [Text]
    std::string options;   // lines of [Options]
    std::string uninstallKey;
};

// A line of the transcript or the journal with its number from the shared
// counter, so the two can be put in order.
struct Numbered {
    int number = 0;
    std::string text;
};

class WizardTest : public SetupTest {
protected:
    // The members onto the medium and the description into its "INST.ALL".
    void putDescription(const Description& description);

    // Files and directories of the machine, by their Windows paths.
    void putFile(const std::string& windowsPath, const std::string& content) const;
    // A program the machine declares ("#machine-program" and its words).
    void putDeclaredProgram(const std::string& windowsPath, const std::string& words) const;
    void makeDir(const std::string& windowsPath) const;
    bool exists(const std::string& windowsPath) const;

    // The log's last line; "" when there is none.
    std::string lastLogLine(const std::string& logPath) const;
    // The log's lines that begin "STATE: ", in order.
    std::vector<std::string> stateLines(const std::string& logPath) const;
    std::vector<Numbered> journal() const;
    std::string registry() const;
};

std::vector<Numbered> TranscriptLines(const SetupResult& result);
// A text as the transcript quotes it, without the quotation marks.
std::string Quoted(const std::string& text);
// The number of the first line that contains text; 0 when none does.
int FirstWith(const std::vector<Numbered>& lines, const std::string& text);
// The lines without their numbers.
std::vector<std::string> Texts(const std::vector<Numbered>& lines);
// The lines that contain text, without their numbers.
std::vector<std::string> LinesWith(const std::vector<Numbered>& lines, const std::string& text);

// One type, one program group of one 1000-byte member, the uninstall key "Demo".
Description StandardDescription();

// The log of a run that was not finished stays in the work directory; a
// finished run with an uninstall key keeps it beside the record.
inline const char* const kWorkLog = "C:\\TEMP\\INSTALL.LOG";
inline const char* const kKeptLog = "C:\\WINNT\\Uninstal\\Demo\\INSTALL.LOG";

// Script pieces: the pages as a user goes through them with Next.
inline const char* const kLicence = "page frmLicence\nclick cmdJa\nclick cmdNext\n";
inline const char* const kFirstType = "page frmTypSelect\ncheck clbTypSelect 0\nclick cmdNext\n";
inline const char* const kConfirmAndInstall = "page frmConfirm\nclick cmdNext\npage frmExecInstall\n";
// The directory browser with a directory typed in.
std::string BrowseTo(const std::string& page, const std::string& dir);

}  // namespace setuptest
