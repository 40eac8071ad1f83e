// Runs the built `unpack` as a child process: a fresh machine folder, a fresh
// host folder as its working directory, LC_ALL set, and standard input either
// a pipe that stays open (a read would hang the run) or a pseudo-terminal.
//
// The tool is the native program on the emulated machine, or, with UNPACK_EXE
// set, that Windows program started by the runner UNPACK_RUNNER names (Wine,
// in the prefix WINEPREFIX names, in the machine's time zone).
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "LzwPacker.h"
#include "MachineFixture.h"

namespace unpacktest {

// Whether the tests run the Windows program.
bool windowsProgram();

struct RunResult {
    // The Windows program's CR LF line ends are checked and read as LF, so
    // that one expectation serves both programs.
    std::string out;
    std::string err;
    int exitCode = -1;  // -1: ended by a signal
    int signal = 0;
};

// What a run on a pseudo-terminal leaves: the terminal's output and whether
// the terminal was back in its line mode with echo afterwards.
struct TerminalRun {
    RunResult result;
    bool echoAndLineModeRestored = false;
};

// The tool's terminal while it waits for a key.
struct Terminal {
    int pid;  // the tool's
    int master;
    int slave;
    void type(const std::string& keys) const;
    bool echoOn() const;
    // Wait (a bounded time) until the tool has taken the terminal to raw mode,
    // or until it is stopped.
    bool waitForRawMode() const;
    bool waitForStop() const;
};
// Called once for each question, when the tool waits for its key; `question`
// counts from 0.
using OnQuestion = std::function<void(const Terminal& terminal, std::size_t question)>;

// The question the tool asks before it overwrites.
inline constexpr const char* kQuestion = "ueberschreiben J/N ?";

// 05.03.2024 14:03:06, the date most fixtures carry.
const uint32_t kStamp = LzwDosDateTime(2024, 3, 5, 14, 3, 6);

// What every listing begins with (the first line end comes before anything else).
inline const std::string kListHeading =
    "\n"
    "\nInhalt der Archivdateien:\n\n"
    "DATUM         ZEIT          GROESSE    ARCHIV          DATEI\n"
    "-------------------------------------------------------------------\n";

// Arguments as a test name shows them.
inline std::string joined(const std::vector<std::string>& parts, const char* separator = " ") {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
    return text;
}

class UnpackTest : public testsupport::MachineTest {
protected:
    void SetUp() override;

    // A member made by the fixture packer, at a path below the work folder.
    void putMember(const std::string& relativePath, const std::string& storedName, const std::string& data,
                   uint32_t dosDateTime = kStamp, uint32_t attributes = 0x20);
    // Only a header: the listing reads nothing more, so sizes need no data.
    void putHeaderOnly(const std::string& relativePath, const std::string& storedName, uint32_t size,
                       uint32_t dosDateTime);
    void putFile(const std::string& relativePath, const std::string& content);
    std::string readFile(const std::string& relativePath) const;
    bool exists(const std::string& relativePath) const;

    // `input` waits in the pipe; the pipe is closed only after the run.
    RunResult run(const std::vector<std::string>& args, const std::string& locale = "C.UTF-8",
                  const std::string& input = "");
    // Standard input, output and error on a pseudo-terminal (output bytes
    // unchanged); the native program only.
    TerminalRun runOnTerminal(const std::vector<std::string>& args, const OnQuestion& onQuestion);
    // Each question is answered with the next of `keys`.
    TerminalRun runOnTerminal(const std::vector<std::string>& args, const std::vector<std::string>& keys);

    // `text` with each "%WORK%" replaced by the work folder's host path and
    // each "%HERE%" by the tool's current directory (the work folder) as it
    // shows it, with the separator it appends: "/work/" natively, "Z:\work\"
    // for the Windows program (Wine's drive Z: is the host's root).
    std::string withWork(std::string text) const;

    // Every host file (not directory: the layer makes drive C:'s on first use)
    // below the work folder and drive C:, for "nothing else was written".
    std::set<std::string> filesOnMachine() const;

    std::string work;  // the tool's working directory (host folder)

private:
    std::vector<std::string> childEnvironment(const std::string& locale) const;
};

}  // namespace unpacktest
