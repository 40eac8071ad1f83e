// A fresh machine for the executor's tools, with files named by their
// Windows paths.
#pragma once

#include "Machine.h"
#include "MachineFixture.h"

#include <filesystem>
#include <string>

namespace exectools {

class ExecToolsTest : public testsupport::MachineTest {
protected:
    static void put(const std::string& windowsPath, const std::string& content) {
        testsupport::writeHostFile(win::machine::hostPath(windowsPath), content);
    }
    static std::string read(const std::string& windowsPath) {
        return testsupport::readHostFile(win::machine::hostPath(windowsPath));
    }
    static bool exists(const std::string& windowsPath) {
        return std::filesystem::exists(win::machine::hostPath(windowsPath));
    }
    static void makeDir(const std::string& windowsPath) {
        std::filesystem::create_directories(win::machine::hostPath(windowsPath));
    }
};

}  // namespace exectools
