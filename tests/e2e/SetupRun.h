// Runs the built installer on an emulated machine: drive C: fixed, drive D:
// fixed and empty, the installation medium as a CD in drive E:.
//
// With SETUP_EXE set (see WinePrefix.h) the Windows program runs instead,
// under Wine in the test's own prefix: the machine folder's drives are the
// prefix's drives, C:\WINNT is a link to Wine's Windows directory
// C:\windows, and the tests read the prefix's files and registry.
#pragma once

#include "MachineFixture.h"
#include "ProgramRun.h"
#include "WinePrefix.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace setuptest {

struct SetupResult {
    int exitCode = -1;
    std::string transcript;  // Windows-1252, like the tests' literals
    std::string err;
    std::string out;
};

class SetupTest : public testsupport::MachineTest {
protected:
    // Creates the machine's Windows, System and temporary directories.
    void SetUp() override;
    std::string machineIni() const override { return iniWith(""); }
    // The machine with more [Machine] keys (they win over the defaults) and
    // more sections.
    std::string iniWith(const std::string& machineKeys, const std::string& sections = "") const;

    std::string medium() const { return machineDir + "/medium"; }
    // Texts are Windows-1252 throughout, as the tests' literals are.
    // A file on the medium.
    void putOnMedium(const std::string& name, const std::string& content);
    // "SETUP.ALL" (stored with CR LF) packed into
    // the medium's "INST.ALL".
    void putSetupDescription(const std::string& text);

    // The script is written as UTF-8, as a person would write it.
    SetupResult runSetup(const std::string& script, const std::vector<std::string>& args = {});

    // The host path of a Windows path on the machine.
    std::string host(const std::string& windowsPath) const;
    // The lines of a log, without their date and time stamps.
    std::vector<std::string> logTexts(const std::string& windowsPath) const;

    // The machine's registry: a key made before the run, and what the run
    // left.
    void addRegistryKey(win::RegRoot root, const std::string& key);
    bool registryKeyExists(win::RegRoot root, const std::string& key) const;
    std::optional<std::string> registryString(win::RegRoot root, const std::string& key,
                                              const std::string& name) const;
    std::optional<uint32_t> registryDword(win::RegRoot root, const std::string& key, const std::string& name) const;
    std::vector<std::string> registryValueNames(win::RegRoot root, const std::string& key) const;

    // A file's read-only attribute set, and the attributes it has.
    bool makeReadOnly(const std::string& windowsPath) const;
    uint32_t attributes(const std::string& windowsPath) const;

private:
    SetupResult runOnWine(const std::vector<std::string>& args);
    // A text of the program's with Wine's Windows directory named as the
    // tests name the machine's.
    std::string withTestsWindowsDir(std::string text) const;

    std::unique_ptr<WinePrefix> m_wine;
};

// Windows-1252 bytes of a UTF-8 text, and back.
std::string ToAnsi(const std::string& utf8);
std::string ToUtf8(const std::string& ansi);

}  // namespace setuptest
