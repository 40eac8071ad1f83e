// setup.exe under Wine in a prefix of the test's own, for the end-to-end
// tests' second run against the Windows program: SETUP_EXE names the
// program, SETUP_RUNNER Wine, WINEPREFIX the template prefix that every test
// copies (made once per run; making one takes seconds, a copy does not).
#pragma once

#include "ProgramRun.h"
#include "Win.h"

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <string>
#include <vector>

namespace setuptest {

// Whether the tests run setup.exe under Wine.
bool OnWine();

// For a case that needs what only the emulated machine can be or do.
#define SKIP_ON_WINE(why) \
    if (::setuptest::OnWine()) GTEST_SKIP() << "not under Wine: " << why

class WinePrefix {
public:
    // A copy of the template in `dir`: the registry and every small file
    // copied, the system directory's libraries linked (nothing writes them).
    explicit WinePrefix(const std::string& dir);

    std::string driveC() const { return m_dir + "/drive_c"; }
    // Drive `letter` is the host folder from now on (its type comes from
    // the template's drive list).
    void mapDrive(char letter, const std::string& hostFolder) const;
    // A key made before the program runs.
    void addKey(win::RegRoot root, const std::string& key) const;

    // The Windows program `exe` with its arguments, in `cwd`; the prefix's
    // server, started by the run with a socket folder of its own, is stopped
    // at its end, which saves the registry and ends the programs Wine
    // started beside it.
    testsupport::ProgramResult run(const std::string& exe, const std::vector<std::string>& args,
                                   const std::map<std::string, std::string>& env, const std::string& cwd) const;

    // The registry as the last run left it.
    bool keyExists(win::RegRoot root, const std::string& key) const;
    std::optional<std::string> stringValue(win::RegRoot root, const std::string& key, const std::string& name) const;
    std::optional<uint32_t> dwordValue(win::RegRoot root, const std::string& key, const std::string& name) const;
    std::vector<std::string> valueNames(win::RegRoot root, const std::string& key) const;

private:
    // The key's values: name and text as the hive file stores it
    // ("\"...\"", "dword:...").
    std::vector<std::pair<std::string, std::string>> values(win::RegRoot root, const std::string& key) const;
    // nullopt without the key or the value.
    std::optional<std::string> storedValue(win::RegRoot root, const std::string& key, const std::string& name) const;
    std::string hive(win::RegRoot root) const;
    void server(const std::string& option) const;
    void removeServerFolder() const;

    std::string m_dir;
};

}  // namespace setuptest
