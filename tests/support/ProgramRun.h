// Runs a built program as a child process, as a user would start it.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct ProgramResult {
    std::string out;
    std::string err;
    int exitCode = -1;  // -1: ended by a signal
};

struct ProgramRun {
    std::string program;
    std::vector<std::string> args;
    // Added to the test's own environment (SETUP_MACHINE is passed on).
    std::map<std::string, std::string> env;
    std::string cwd;    // "" = the test's
    std::string input;  // standard input, then end of file
    int timeoutSeconds = 60;
};

ProgramResult runProgram(const ProgramRun& run);

// A built program of the project, by its path below the build tree.
std::string builtProgram(const std::string& relativePath);

}  // namespace testsupport
