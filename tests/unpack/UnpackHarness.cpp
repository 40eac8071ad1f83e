#include "UnpackHarness.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "Win.h"

namespace fs = std::filesystem;

namespace unpacktest {
namespace {

constexpr auto kPatience = std::chrono::seconds(30);

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The program to execute and the arguments that come before the tool's own.
std::vector<std::string> launcher() {
    if (windowsProgram()) return {environment("UNPACK_RUNNER"), environment("UNPACK_EXE")};
    return {TEST_BIN_DIR "/unpack/unpack"};
}

// The POSIX time zone whose offset is the machine's bias (UTC = local +
// bias), without daylight saving, so that Wine keeps the machine's clock.
std::string machineTimeZone(const std::string& machineDir) {
    const std::optional<std::string> bias = win::ProfileFile(machineDir + "/machine.ini").readString("Machine", "TimeBias");
    const int minutes = bias ? std::stoi(*bias) : 0;
    char zone[32];
    std::snprintf(zone, sizeof zone, "UTC%s%d:%02d", minutes < 0 ? "-" : "", std::abs(minutes) / 60,
                  std::abs(minutes) % 60);
    return zone;
}

// Every LF must follow a CR; the CRs are dropped.
std::string fromWindowsLines(const std::string& text, const char* stream) {
    std::string lines;
    std::size_t bareLineEnds = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool crBeforeLf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ++bareLineEnds;
        if (!crBeforeLf) lines += text[i];
    }
    if (bareLineEnds > 0) ADD_FAILURE() << stream << " has " << bareLineEnds << " line ends without CR";
    return lines;
}

void replaceAll(std::string& text, const std::string& marker, const std::string& by) {
    for (std::size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + by.size()))
        text.replace(at, marker.size(), by);
}

// The child's argument and environment vectors, built before fork.
class ChildLine {
public:
    ChildLine(const std::vector<std::string>& args, const std::vector<std::string>& env) : strings_(launcher()) {
        strings_.insert(strings_.end(), args.begin(), args.end());
        argc_ = strings_.size();
        strings_.insert(strings_.end(), env.begin(), env.end());
        for (std::size_t i = 0; i < strings_.size(); ++i) {
            if (i == argc_) pointers_.push_back(nullptr);
            pointers_.push_back(strings_[i].data());
        }
        pointers_.push_back(nullptr);
    }
    [[noreturn]] void exec(const std::string& cwd) {
        if (chdir(cwd.c_str()) != 0) _exit(126);
        execve(strings_.front().c_str(), pointers_.data(), pointers_.data() + argc_ + 1);
        _exit(127);
    }

private:
    std::vector<std::string> strings_;
    std::size_t argc_ = 0;
    std::vector<char*> pointers_;
};

void takeStatus(int status, RunResult& result) {
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
}

bool timeIsUp(std::chrono::steady_clock::time_point deadline, pid_t pid) {
    if (std::chrono::steady_clock::now() < deadline) return false;
    kill(pid, SIGKILL);
    ADD_FAILURE() << "unpack did not end in time (waiting for input?)";
    return true;
}

// Reads what the terminal has for us, until it stays quiet for `quietMs`.
void drain(int master, std::string& out, int quietMs) {
    pollfd fd{master, POLLIN, 0};
    while (poll(&fd, 1, quietMs) > 0) {
        char buffer[4096];
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0) return;
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// The child on the terminal plays the job-control shell: the tool runs as the
// terminal's foreground job in a process group of its own (in an orphaned
// group, as a session leader would be, a stop signal is discarded), and its
// end becomes this process's end.
[[noreturn]] void runAsForegroundJob(ChildLine& line, const std::string& cwd, int reportFd) {
    int go[2];
    if (pipe(go) != 0) _exit(124);
    const pid_t tool = fork();
    if (tool == 0) {
        close(go[1]);
        char ready = 0;
        if (read(go[0], &ready, 1) != 1) _exit(124);
        line.exec(cwd);
    }
    setpgid(tool, tool);
    signal(SIGTTOU, SIG_IGN);
    tcsetpgrp(STDIN_FILENO, tool);
    if (write(reportFd, &tool, sizeof tool) != sizeof tool || write(go[1], "g", 1) != 1) _exit(124);
    int status = 0;
    waitpid(tool, &status, 0);
    if (WIFSIGNALED(status)) {
        signal(WTERMSIG(status), SIG_DFL);
        raise(WTERMSIG(status));
    }
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 124);
}

}  // namespace

bool windowsProgram() { return !environment("UNPACK_EXE").empty(); }

bool Terminal::waitForStop() const {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string stat = testsupport::readHostFile("/proc/" + std::to_string(pid) + "/stat");
        const std::size_t end = stat.rfind(") ");
        if (end != std::string::npos && stat.compare(end + 2, 1, "T") == 0) return true;
        usleep(1000);
    }
    return false;
}

void Terminal::type(const std::string& keys) const {
    if (write(master, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size())) ADD_FAILURE() << "typing failed";
}

bool Terminal::echoOn() const {
    termios mode{};
    return tcgetattr(slave, &mode) == 0 && (mode.c_lflag & ECHO) != 0;
}

bool Terminal::waitForRawMode() const {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (echoOn()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        usleep(1000);
    }
    return true;
}

void UnpackTest::SetUp() {
    MachineTest::SetUp();
    if (windowsProgram() && environment("UNPACK_RUNNER").empty()) FAIL() << "UNPACK_RUNNER must name Wine";
    work = machineDir + "/work";
    fs::create_directories(work);
}

void UnpackTest::putMember(const std::string& relativePath, const std::string& storedName,
                           const std::string& data, uint32_t dosDateTime, uint32_t attributes) {
    const LzwMemberHeader header =
        LzwMakeHeader(storedName, static_cast<uint32_t>(data.size()), dosDateTime, attributes);
    putFile(relativePath, LzwPackMember(header, data));
}

void UnpackTest::putHeaderOnly(const std::string& relativePath, const std::string& storedName, uint32_t size,
                               uint32_t dosDateTime) {
    putFile(relativePath, LzwHeaderText(LzwMakeHeader(storedName, size, dosDateTime, 0x20)));
}

void UnpackTest::putFile(const std::string& relativePath, const std::string& content) {
    testsupport::writeHostFile(work + "/" + relativePath, content);
}

std::string UnpackTest::readFile(const std::string& relativePath) const {
    return testsupport::readHostFile(work + "/" + relativePath);
}

bool UnpackTest::exists(const std::string& relativePath) const { return fs::exists(work + "/" + relativePath); }

RunResult UnpackTest::run(const std::vector<std::string>& args, const std::string& locale,
                          const std::string& input) {
    const std::string outFile = machineDir + "/stdout.txt";
    const std::string errFile = machineDir + "/stderr.txt";
    int in[2];
    if (pipe(in) != 0) throw std::runtime_error("pipe failed");
    if (write(in[1], input.data(), input.size()) != static_cast<ssize_t>(input.size()))
        throw std::runtime_error("pipe write failed");
    ChildLine line(args, childEnvironment(locale));
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        close(in[0]);
        close(in[1]);
        dup2(open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        dup2(open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        line.exec(work);
    }
    close(in[0]);
    RunResult result;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (waitpid(pid, &status, WNOHANG) != pid) {
        if (timeIsUp(deadline, pid)) {
            waitpid(pid, &status, 0);
            break;
        }
        usleep(2000);
    }
    close(in[1]);  // only now: a tool that read the pipe would have hung
    takeStatus(status, result);
    result.out = testsupport::readHostFile(outFile);
    result.err = testsupport::readHostFile(errFile);
    if (windowsProgram()) {
        result.out = fromWindowsLines(result.out, "standard output");
        result.err = fromWindowsLines(result.err, "standard error");
    }
    return result;
}

std::vector<std::string> UnpackTest::childEnvironment(const std::string& locale) const {
    std::vector<std::string> env{"LC_ALL=" + locale, "SETUP_MACHINE=" + machineDir};
    if (windowsProgram()) {
        env.push_back("WINEDEBUG=-all");
        // Wine's menu builder would write into the user's desktop menus.
        env.push_back("WINEDLLOVERRIDES=winemenubuilder.exe=d");
        env.push_back("TZ=" + machineTimeZone(machineDir));
        const std::string prefix = environment("WINEPREFIX");
        if (!prefix.empty()) env.push_back("WINEPREFIX=" + prefix);
    }
    return env;
}

TerminalRun UnpackTest::runOnTerminal(const std::vector<std::string>& args, const std::vector<std::string>& keys) {
    return runOnTerminal(args, [&](const Terminal& terminal, std::size_t question) {
        if (question < keys.size()) terminal.type(keys[question]);
    });
}

TerminalRun UnpackTest::runOnTerminal(const std::vector<std::string>& args, const OnQuestion& onQuestion) {
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    termios mode{};
    tcgetattr(slave, &mode);
    mode.c_oflag &= ~static_cast<tcflag_t>(OPOST);  // the tool's bytes unchanged, no CR added
    tcsetattr(slave, TCSANOW, &mode);
    ChildLine line(args, childEnvironment("C.UTF-8"));
    int report[2];
    if (pipe(report) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid == 0) {
        close(master);
        close(report[0]);
        if (login_tty(slave) != 0) _exit(125);
        runAsForegroundJob(line, work, report[1]);
    }
    close(report[1]);
    pid_t tool = -1;
    if (read(report[0], &tool, sizeof tool) != sizeof tool) ADD_FAILURE() << "the tool did not start";
    close(report[0]);
    // The parent keeps the slave open to read the terminal's mode after the run.
    const Terminal terminal{tool, master, slave};
    TerminalRun run;
    std::string& out = run.result.out;
    std::size_t asked = 0;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (waitpid(pid, &status, WNOHANG) != pid) {
        drain(master, out, 5);
        if (countOf(out, kQuestion) > asked && !terminal.echoOn()) onQuestion(terminal, asked++);
        if (timeIsUp(deadline, pid)) {
            kill(tool, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
    }
    drain(master, out, 50);
    takeStatus(status, run.result);
    tcgetattr(slave, &mode);
    run.echoAndLineModeRestored = (mode.c_lflag & (ECHO | ICANON)) == (ECHO | ICANON);
    close(master);
    close(slave);
    return run;
}

std::string UnpackTest::withWork(std::string text) const {
    std::string here = (windowsProgram() ? "Z:" : "") + work + "/";
    if (windowsProgram()) std::replace(here.begin(), here.end(), '/', '\\');
    replaceAll(text, "%WORK%", work);
    replaceAll(text, "%HERE%", here);
    return text;
}

std::set<std::string> UnpackTest::filesOnMachine() const {
    std::set<std::string> files;
    for (const std::string& root : {work, driveC()}) {
        if (!fs::exists(root)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root))
            if (!entry.is_directory()) files.insert(entry.path().string());
    }
    return files;
}

}  // namespace unpacktest
