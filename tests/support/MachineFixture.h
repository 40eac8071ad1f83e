// A fresh emulated machine for every test: its own folder, machine.ini and
// registry, so tests never share state and run in parallel.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testsupport {

// Creates an empty machine folder below the build tree, points SETUP_MACHINE
// at it and reloads the layer.  Returns the folder.
std::string freshMachine(const std::string& machineIni = "");

// Writes a host file (creating its directories); content is taken as bytes.
void writeHostFile(const std::string& hostPath, const std::string& content);
std::string readHostFile(const std::string& hostPath);

class MachineTest : public ::testing::Test {
protected:
    void SetUp() override { machineDir = freshMachine(machineIni()); }
    void TearDown() override;
    // The machine.ini a test group starts from; override to change it.
    virtual std::string machineIni() const { return ""; }
    // Rewrites machine.ini and reloads the layer.
    void setMachineIni(const std::string& text);
    // Host folder of drive C: of the default machine.
    std::string driveC() const { return machineDir + "/drives/C"; }

    std::string machineDir;
};

}  // namespace testsupport
