// The machine and a scripted user for the program-run and registration
// tools: programs are files written onto drive C:, the journal and the
// transcript are read back without their numbers.
#pragma once

#include "ApplicationFixture.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace toolstest {

class ProgramsTest : public testsupport::ApplicationTest {
protected:

    // The next case of a table: a machine as ini says, with drive C:, the
    // registry and the journal empty and the clock at its start.
    void restartMachine(const std::string& ini = "") {
        std::filesystem::remove_all(driveC());
        for (const char* file : {"/journal.log", "/registry.reg"}) std::filesystem::remove(machineDir + file);
        setMachineIni(ini);
    }

    // An executable file on drive C:, named by its Windows path there.
    void addProgram(const std::string& windowsPath, const std::string& content) const {
        std::string below = windowsPath.substr(3);  // after "C:\"
        std::replace(below.begin(), below.end(), '\\', '/');
        const std::string host = driveC() + "/" + below;
        testsupport::writeHostFile(host, content);
        std::filesystem::permissions(host, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
    }

    std::vector<std::string> transcript() const { return withoutNumbers(transcriptLines()); }

    std::vector<std::string> journal() const {
        std::istringstream in(testsupport::readHostFile(machineDir + "/journal.log"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return withoutNumbers(lines);
    }

private:
    static std::vector<std::string> withoutNumbers(const std::vector<std::string>& lines) {
        std::vector<std::string> stripped;
        for (const std::string& line : lines) stripped.push_back(line.substr(line.find(' ') + 1));
        return stripped;
    }

    forms::headless::ScriptedUser* m_user = nullptr;
};

// The simple dialog as the transcript shows it.
inline std::string simpleDialog(const std::string& text) {
    return "message caption=\"Setup\" text=\"" + text + "\"";
}

}  // namespace toolstest
