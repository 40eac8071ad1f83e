#include "ProgramRun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace testsupport {

namespace {

void closePipe(int fds[2]) {
    if (fds[0] >= 0) close(fds[0]);
    if (fds[1] >= 0) close(fds[1]);
}

[[noreturn]] void execChild(const ProgramRun& run, int in[2], int out[2], int err[2]) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    closePipe(in);
    closePipe(out);
    closePipe(err);
    if (!run.cwd.empty() && chdir(run.cwd.c_str()) != 0) _exit(126);
    for (const auto& [name, value] : run.env) setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(run.program.c_str()));
    for (const std::string& a : run.args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(run.program.c_str(), argv.data());
    _exit(127);
}

}  // namespace

ProgramResult runProgram(const ProgramRun& run) {
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) execChild(run, in, out, err);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (!run.input.empty() && write(in[1], run.input.data(), run.input.size()) < 0) {}
    close(in[1]);

    ProgramResult result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(run.timeoutSeconds);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, 200) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& f : fds)
        if (f.fd >= 0) close(f.fd);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string builtProgram(const std::string& relativePath) { return std::string(TEST_BIN_DIR) + "/" + relativePath; }

}  // namespace testsupport
