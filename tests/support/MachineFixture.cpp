#include "MachineFixture.h"

#include "Machine.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace testsupport {

std::string freshMachine(const std::string& machineIni) {
    fs::create_directories(TEST_TMP_DIR);
    std::string templ = std::string(TEST_TMP_DIR) + "/machine-XXXXXX";
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    writeHostFile(templ + "/machine.ini", machineIni);
    setenv("SETUP_MACHINE", templ.c_str(), 1);
    win::machine::reload();
    return templ;
}

void writeHostFile(const std::string& hostPath, const std::string& content) {
    fs::path p(hostPath);
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string readHostFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void MachineTest::TearDown() {
    if (!HasFailure()) fs::remove_all(machineDir);  // kept for inspection otherwise
}

void MachineTest::setMachineIni(const std::string& text) {
    writeHostFile(machineDir + "/machine.ini", text);
    win::machine::reload();
}

}  // namespace testsupport
