// Programs on the machine: a command line resolved as Windows resolves it,
// host programs that really run, and declared programs that run on the
// machine's clock.
#include "Host.h"
#include "Machine.h"
#include "Text1252.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <variant>

namespace win::host {
namespace {

// What a declared program does; a run time of nullopt never ends.
struct Declaration {
    uint32_t exitCode = 0;
    std::optional<uint64_t> runMs = 0;
    bool waitFails = false;
    bool exitCodeUnreadable = false;
};

struct Process {
    std::string program;  // the resolved Windows path
    pid_t pid = -1;       // the host child; -1 for a declared program
    Declaration declared;
    std::optional<uint64_t> remainingMs;  // of a declared program; nullopt: no end
    bool ended = false;
    uint32_t exitCode = STILL_ACTIVE;
    unsigned waits = 0;
};

std::map<uint32_t, Process>& processes() {
    static std::map<uint32_t, Process> table;
    return table;
}

Process* findProcess(ProcessHandle handle) {
    auto it = processes().find(static_cast<uint32_t>(handle));
    if (it != processes().end()) return &it->second;
    fail(ERR_INVALID_PARAMETER);
    return nullptr;
}

// ------------------------------------------------------------ resolution

struct Split {
    std::string program;
    std::string arguments;
};

std::string_view withoutLeadingBlanks(std::string_view s) {
    while (!s.empty() && text::isBlank(s.front())) s.remove_prefix(1);
    return s;
}

// The ways to read a command line as program and arguments, in the order
// Windows tries them: a quoted first token alone, else every prefix that
// ends at a blank, then the whole line.
std::vector<Split> candidateSplits(std::string_view line) {
    line = text::trimBlanks(line);
    if (!line.empty() && line.front() == '"') {
        const std::size_t close = line.find('"', 1);
        if (close == std::string_view::npos) return {{std::string(line.substr(1)), ""}};
        return {{std::string(line.substr(1, close - 1)), std::string(withoutLeadingBlanks(line.substr(close + 1)))}};
    }
    std::vector<Split> splits;
    for (std::size_t i = 1; i <= line.size(); ++i) {
        const bool tokenEnds = (i == line.size() || text::isBlank(line[i])) && !text::isBlank(line[i - 1]);
        if (tokenEnds) splits.push_back({std::string(line.substr(0, i)), std::string(withoutLeadingBlanks(line.substr(i)))});
    }
    return splits;
}

std::string withExeExtension(const std::string& name) {
    const std::size_t start = name.find_last_of("\\/:");
    const std::size_t dot = name.find('.', start == std::string::npos ? 0 : start + 1);
    return dot == std::string::npos ? name + ".exe" : name;
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

// Where Windows looks for a program named without a directory.
std::vector<std::string> searchDirectories() {
    std::vector<std::string> dirs{directoryOf(moduleFileName()), currentDirectory()};
    for (const std::optional<std::string>& dir : {systemDirectory(), windowsDirectory()})
        if (dir) dirs.push_back(*dir);
    const std::string pathVariable = environmentVariable("PATH");
    std::string_view path = pathVariable;
    while (!path.empty()) {
        const std::size_t semicolon = path.find(';');
        dirs.emplace_back(text::trimBlanks(path.substr(0, semicolon)));
        path = semicolon == std::string_view::npos ? std::string_view() : path.substr(semicolon + 1);
    }
    return dirs;
}

std::optional<std::string> locate(const std::string& name) {
    if (name.find_first_of("\\/:") != std::string::npos) return fileExists(name) ? fullPathName(name) : std::nullopt;
    for (std::string dir : searchDirectories()) {
        if (dir.empty()) continue;
        if (dir.back() != '\\') dir += '\\';
        if (fileExists(dir + name)) return fullPathName(dir + name);
    }
    return std::nullopt;
}

struct Located {
    std::string program;  // full Windows path
    std::string arguments;
};

std::optional<Located> resolveCommandLine(const std::string& commandLine) {
    for (const Split& split : candidateSplits(commandLine))
        if (std::optional<std::string> program = locate(withExeExtension(split.program)))
            return Located{*program, split.arguments};
    return std::nullopt;
}

// ------------------------------------------------------- kinds of program

constexpr std::string_view kMarker = "#machine-program";

std::optional<uint32_t> numberAfter(std::string_view word, std::string_view key) {
    if (word.substr(0, key.size()) != key || word.size() == key.size()) return std::nullopt;
    const std::string digits(word.substr(key.size()));
    char* end = nullptr;
    const unsigned long n = std::strtoul(digits.c_str(), &end, 10);
    if (*end != '\0') return std::nullopt;
    return static_cast<uint32_t>(n);
}

std::optional<Declaration> parseDeclaration(std::string_view words) {
    Declaration d;
    while (!(words = withoutLeadingBlanks(words)).empty()) {
        std::size_t end = 0;
        while (end < words.size() && !text::isBlank(words[end])) ++end;
        const std::string_view word = words.substr(0, end);
        words.remove_prefix(end);
        if (std::optional<uint32_t> code = numberAfter(word, "exit=")) d.exitCode = *code;
        else if (std::optional<uint32_t> seconds = numberAfter(word, "seconds=")) d.runMs = uint64_t{*seconds} * 1000;
        else if (word == "never-ends") d.runMs = std::nullopt;
        else if (word == "wait-fails") d.waitFails = true;
        else if (word == "exit-code-unreadable") d.exitCodeUnreadable = true;
        else return std::nullopt;
    }
    return d;
}

struct Program {
    bool declared = false;
    Declaration declaration;
};

// nullopt for a file that is no program.
std::optional<Program> classify(const std::string& hostFile) {
    std::ifstream in(hostFile, std::ios::binary);
    std::string first(256, '\0');
    in.read(first.data(), static_cast<std::streamsize>(first.size()));
    first.resize(static_cast<std::size_t>(in.gcount()));
    first = first.substr(0, first.find_first_of("\r\n"));
    if (first.starts_with(kMarker)) {
        std::optional<Declaration> declaration = parseDeclaration(std::string_view(first).substr(kMarker.size()));
        if (!declaration) return std::nullopt;
        return Program{true, *declaration};
    }
    const bool runnable = first.starts_with("#!") || first.starts_with("\x7F" "ELF");
    if (runnable && ::access(hostFile.c_str(), X_OK) == 0) return Program{};
    return std::nullopt;
}

// ------------------------------------------------------------ host programs

// Blanks separate, "..." groups, the quotes themselves are dropped.
std::vector<std::string> splitArguments(std::string_view text) {
    std::vector<std::string> args;
    std::string current;
    bool inQuotes = false, inArgument = false;
    for (const char c : text) {
        if (c == '"') {
            inQuotes = !inQuotes;
            inArgument = true;
        } else if (text::isBlank(c) && !inQuotes) {
            if (inArgument) args.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) args.push_back(current);
    return args;
}

std::vector<std::string> childEnvironment() {
    std::vector<std::string> names = Ini::now().keys("Environment");
    for (const char* name : {"windir", "TEMP", "TMP"})
        if (std::none_of(names.begin(), names.end(), [&](const std::string& n) { return text::equalNoCase(n, name); }))
            names.emplace_back(name);
    std::vector<std::string> env;
    for (const std::string& name : names)
        if (const std::string value = environmentVariable(name); !value.empty()) env.push_back(toUtf8(name + "=" + value));
    env.push_back("SETUP_MACHINE=" + machineFolder());
    // Host tools stay reachable for a script unless the machine decides.
    if (const char* hostPath = std::getenv("PATH"); hostPath && environmentVariable("PATH").empty())
        env.push_back(std::string("PATH=") + hostPath);
    return env;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// The child's pid, or the error code of a failed start.
std::variant<pid_t, uint32_t> spawn(const std::string& hostFile, const std::string& arguments) {
    std::vector<std::string> argv{hostFile};
    for (const std::string& arg : splitArguments(arguments)) argv.push_back(toUtf8(arg));
    std::vector<std::string> env = childEnvironment();
    std::vector<char*> argvPointers = pointersTo(argv), envPointers = pointersTo(env);
    const std::string cwd = machine::hostPath(currentDirectory());

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, hostFile.c_str(), &actions, nullptr, argvPointers.data(), envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc == 0) return pid;
    return rc == EACCES ? uint32_t{ERR_ACCESS_DENIED} : uint32_t{ERR_BAD_EXE_FORMAT};
}

uint32_t exitCodeOf(int status) {
    if (WIFSIGNALED(status)) return 128 + static_cast<uint32_t>(WTERMSIG(status));
    return static_cast<uint32_t>(WEXITSTATUS(status));
}

// ---------------------------------------------------------------- life

void finish(Process& p, uint32_t exitCode, const char* how) {
    p.ended = true;
    p.exitCode = exitCode;
    journal(std::string("process ") + how + " program=\"" + p.program + "\" exit=" + std::to_string(exitCode) +
            " waits=" + std::to_string(p.waits));
}

// Whether the program has ended; a host program's end is noted here.
bool hasEnded(Process& p) {
    if (p.ended || p.pid < 0) return p.ended;
    int status = 0;
    const pid_t reaped = ::waitpid(p.pid, &status, WNOHANG);
    if (reaped == 0) return false;
    // A child that cannot be waited for any more (reaped elsewhere) has ended.
    finish(p, reaped == p.pid ? exitCodeOf(status) : 0, "end");
    return true;
}

uint32_t waitForHostProgram(Process& p, uint32_t milliseconds) {
    if (p.ended) return WAIT_OBJECT_0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    bool ended = hasEnded(p);
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ended = hasEnded(p);
    }
    state().elapsedMs += milliseconds;
    return ended ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

uint32_t waitForDeclaredProgram(Process& p, uint32_t milliseconds) {
    if (p.declared.waitFails) {
        fail(ERR_ACCESS_DENIED);
        return WAIT_FAILED;
    }
    if (p.ended) return WAIT_OBJECT_0;
    const uint64_t step = p.remainingMs ? std::min<uint64_t>(*p.remainingMs, milliseconds) : milliseconds;
    state().elapsedMs += step;
    if (!state().virtualTime) std::this_thread::sleep_for(std::chrono::milliseconds(step));
    if (!p.remainingMs) return WAIT_TIMEOUT;
    *p.remainingMs -= step;
    if (*p.remainingMs > 0) return WAIT_TIMEOUT;
    finish(p, p.declared.exitCode, "end");
    return WAIT_OBJECT_0;
}

ProcessHandle refuse(const std::string& commandLine, uint32_t code) {
    journal("process start failed=" + std::to_string(code) + " cmd=" + commandLine);
    fail(code);
    return ProcessHandle::None;
}

}  // namespace
}  // namespace win::host

namespace win {

ProcessHandle createProcess(const std::string& commandLine, int showCmd) {
    using namespace host;
    const std::optional<Located> located = resolveCommandLine(commandLine);
    if (!located) return refuse(commandLine, ERR_FILE_NOT_FOUND);
    const std::string hostFile = machine::hostPath(located->program);
    const std::optional<Program> program = classify(hostFile);
    if (!program) return refuse(commandLine, ERR_BAD_EXE_FORMAT);

    Process p;
    p.program = located->program;
    p.declared = program->declaration;
    if (program->declared) {
        p.remainingMs = p.declared.runMs;
    } else {
        const std::variant<pid_t, uint32_t> started = spawn(hostFile, located->arguments);
        if (const uint32_t* error = std::get_if<uint32_t>(&started)) return refuse(commandLine, *error);
        p.pid = std::get<pid_t>(started);
    }
    journal("process start program=\"" + p.program + "\" show=" + std::to_string(showCmd) + " dir=\"" +
            currentDirectory() + "\" cmd=" + commandLine);
    static uint32_t lastHandle = 0;
    const uint32_t handle = ++lastHandle;
    Process& stored = processes()[handle] = std::move(p);
    if (stored.remainingMs == 0u) finish(stored, stored.declared.exitCode, "end");
    return static_cast<ProcessHandle>(handle);
}

uint32_t waitForProcess(ProcessHandle process, uint32_t milliseconds) {
    host::Process* p = host::findProcess(process);
    if (!p) return WAIT_FAILED;
    ++p->waits;
    return p->pid >= 0 ? host::waitForHostProgram(*p, milliseconds) : host::waitForDeclaredProgram(*p, milliseconds);
}

bool processExitCode(ProcessHandle process, uint32_t& exitCode) {
    host::Process* p = host::findProcess(process);
    if (!p) return false;
    if (p->declared.exitCodeUnreadable) return host::fail(ERR_ACCESS_DENIED);
    host::hasEnded(*p);
    exitCode = p->exitCode;
    return true;
}

bool terminateProcess(ProcessHandle process, uint32_t exitCode) {
    host::Process* p = host::findProcess(process);
    if (!p) return false;
    if (host::hasEnded(*p)) return host::fail(ERR_ACCESS_DENIED);
    if (p->pid >= 0) {
        ::kill(p->pid, SIGKILL);
        int status = 0;
        ::waitpid(p->pid, &status, 0);
    }
    host::finish(*p, exitCode, "terminate");
    return true;
}

bool closeProcess(ProcessHandle process) {
    if (!host::findProcess(process)) return false;
    host::processes().erase(static_cast<uint32_t>(process));
    return true;
}

}  // namespace win
