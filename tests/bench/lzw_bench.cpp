// lzw_bench: expansion speed and peak memory of the member codec, against
// ncompress's uncompress on the same inputs, in the same run.
//
//   lzw_bench [--sizes 1,16,64] [--runs 3] [--work DIR] [--unpack PATH]
//   lzw_bench --expand MEMBER DIR
//
// The inputs (text-like, binary, incompressible, long runs; sizes in MiB)
// are packed with the fixture packer, with a clear code when the ratio gets
// worse on a full dictionary, as compress does; uncompress gets the same
// data packed by `compress` (default options).  Per input the table gives
// output MB/s of the decoder core on memory, of LzwExpandFile in this
// process, of the whole expanding process (`unpack -U -O` when --unpack
// names it, else this program's second form: header, name check,
// LzwExpandFile into DIR) and of the whole `compress -d -c`, and the peak
// resident memory of the second form.  Every program writes a file that does
// not exist yet: the one of the run before is deleted beforehand, outside
// the time.
//
// The ratios are speed against uncompress: exp/unc for LzwExpandFile against
// uncompress's time less its start-up (its time on an empty input), proc/unc
// for the two whole processes, start-ups included, as a user waits for them;
// net/unc, for information, for the two processes each less its own start-up
// (the same process on an empty input).
//
// The second form reports its own peak (VmHWM): the getrusage figure of a
// spawned child starts from the spawning process's peak, which exec carries
// over, and the bench itself holds the inputs.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "LzwPacker.h"
#include "Machine.h"
#include "Ulzw.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// ------------------------------------------------------------ sample inputs

std::string textLike(std::size_t size) {
    static const char* const kWords[] = {
        "Setup",   "Datei",      "wird",      "kopiert", "der",  "die",       "das",     "Installation",
        "und",     "Verzeichnis", "Programm", "Fehler",  "ist",  "nicht",     "mit",     "für",
        "Windows", "System",     "Benutzer",  "Eintrag", "the",  "file",      "value",   "Registry",
        "neu",     "starten",    "Laufwerk",  "Größe",   "Byte", "Dateien",   "Version", "Lizenz"};
    std::mt19937 random(1);
    std::geometric_distribution<int> word(0.12);
    std::string text;
    int column = 0;
    while (text.size() < size) {
        const std::string next = kWords[std::size_t(word(random)) % std::size(kWords)];
        text += next;
        column += int(next.size()) + 1;
        if (column > 70) {
            text += ".\r\n";
            column = 0;
        } else {
            text += ' ';
        }
    }
    text.resize(size);
    return text;
}

// Records as an executable or a data file holds them: addresses that count
// up, a few opcodes, zero padding, and values from a small pool.
std::string binaryLike(std::size_t size) {
    std::mt19937 random(2);
    std::vector<uint32_t> pool(1024);
    for (uint32_t& v : pool) v = random();
    std::string data;
    data.reserve(size + 16);
    for (uint32_t address = 0x401000; data.size() < size; address += 16) {
        const uint32_t words[4] = {address, 0x8B550000u | uint32_t(random() % 32), pool[random() % pool.size()],
                                   random() % 4 == 0 ? uint32_t(random()) : 0u};
        for (const uint32_t w : words)
            for (int i = 0; i < 4; ++i) data += char(w >> (8 * i));
    }
    data.resize(size);
    return data;
}

std::string incompressible(std::size_t size) {
    std::mt19937_64 random(3);
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; i += 8) {
        const uint64_t v = random();
        for (std::size_t k = 0; k < 8 && i + k < size; ++k) data[i + k] = char(v >> (8 * k));
    }
    return data;
}

std::string longRuns(std::size_t size) {
    std::mt19937 random(4);
    std::string data;
    data.reserve(size);
    while (data.size() < size) data.append(std::size_t(1000 + random() % 100000), char(random()));
    data.resize(size);
    return data;
}

struct Kind {
    const char* name;
    std::string (*make)(std::size_t);
};

const Kind kKinds[] = {
    {"text", textLike}, {"binary", binaryLike}, {"random", incompressible}, {"runs", longRuns}};

// ------------------------------------------------------------ measuring

void writeFile(const fs::path& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), std::streamsize(data.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

double seconds(const timeval& user, const timeval& system) {
    return double(user.tv_sec + system.tv_sec) + double(user.tv_usec + system.tv_usec) / 1e6;
}

// Processor time (user and system) rather than wall time: on a shared
// machine it hardly depends on what else runs.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime, usage.ru_stime);
}

// The best of `runs` timings: the one least disturbed by the rest of the machine.
double bestOf(int runs, const std::function<double()>& once) {
    double best = once();
    for (int i = 1; i < runs; ++i) best = std::min(best, once());
    return best;
}

struct ChildRun {
    double seconds = 0;
    bool ok = false;
};

// Runs a program with standard output into a file, which is made anew; its
// processor time.
ChildRun runChild(const std::vector<std::string>& args, const fs::path& output) {
    fs::remove(output);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ChildRun run;
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        run.seconds = seconds(usage.ru_utime, usage.ru_stime);
        run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

bool onPath(const std::string& program) {
    std::istringstream path(std::getenv("PATH") ? std::getenv("PATH") : "");
    for (std::string dir; std::getline(path, dir, ':');)
        if (!dir.empty() && fs::exists(fs::path(dir) / program)) return true;
    return false;
}

class MemorySource : public LzwByteSource {
public:
    explicit MemorySource(const std::string& bytes) : bytes_(bytes) {}
    std::size_t read(uint8_t* buffer, std::size_t count) override {
        const std::size_t n = std::min(count, bytes_.size() - position_);
        std::copy_n(bytes_.data() + position_, n, buffer);
        position_ += n;
        return n;
    }

private:
    const std::string& bytes_;
    std::size_t position_ = 0;
};

class DiscardSink : public LzwByteSink {
public:
    bool write(const uint8_t*, std::size_t) override { return true; }
};

double coreSeconds(const std::string& stream, uint32_t size) {
    MemorySource source(stream);
    DiscardSink sink;
    const double start = cpuSeconds();
    if (LzwDecode(source, sink, size, {}) != LzwDecodeResult::Complete) throw std::runtime_error("core failed");
    return cpuSeconds() - start;
}

double expandFileSeconds(const fs::path& member, const fs::path& target) {
    fs::remove(target);
    const double start = cpuSeconds();
    if (!LzwExpandFile(target.string(), member.string())) throw std::runtime_error("LzwExpandFile failed");
    return cpuSeconds() - start;
}

double megabytesPerSecond(std::size_t bytes, double secs) {
    return double(bytes) / 1e6 / secs;
}

// ------------------------------------------------------------ the two modes

// The peak resident memory of this process's own address space, in KiB.
long ownPeakKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    return -1;
}

// One expansion as `unpack -U` does it: header, stored-name check, target
// in the destination directory.  Prints the process's peak memory.
int expandOne(const std::string& member, const std::string& directory) {
    LzwMemberHeader header;
    if (!LzwReadHeader(member, header) || !LzwIsPlainFileName(header.m_sFileName)) return 1;
    if (!LzwExpandFile(directory + "/" + header.m_sFileName, member)) return 1;
    std::printf("%ld\n", ownPeakKiB());
    return 0;
}

struct Options {
    std::vector<std::size_t> sizesMiB = {1, 16, 64};
    int runs = 3;
    fs::path work = fs::temp_directory_path() / "lzw-bench";
    std::string unpack;
};

void printRow(const std::vector<std::string>& cells) {
    static const int kWidths[] = {-8, 5, 7, 7, 7, 8, 9, 9, 8, 9, 10};
    for (std::size_t i = 0; i < cells.size(); ++i) std::printf("%*s ", kWidths[i], cells[i].c_str());
    std::printf("\n");
}

std::string number(double value, int decimals = 0) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// ------------------------------------------------ the processes, in turn

struct Command {
    std::vector<std::string> args;
    fs::path output;  // standard output
    fs::path target;  // a file it writes: deleted before each run, like the output
};

// The best processor time of each command, the commands run in turn, so that
// all of them meet the machine in the same state.
std::vector<double> bestInTurn(int runs, const std::vector<Command>& commands) {
    std::vector<double> best(commands.size(), 1e300);
    for (int i = 0; i < runs; ++i) {
        for (std::size_t c = 0; c < commands.size(); ++c) {
            if (!commands[c].target.empty()) fs::remove(commands[c].target);
            const ChildRun run = runChild(commands[c].args, commands[c].output);
            if (!run.ok) throw std::runtime_error(commands[c].args[0] + " failed");
            best[c] = std::min(best[c], run.seconds);
        }
    }
    return best;
}

// The process that expands a member into `out`: `unpack -U -O`, or this
// program's second form.  unpack ends with exit code 0 whatever failed, so
// the caller checks the target.
Command expandingProcess(const Options& options, const std::string& self, const fs::path& member,
                         const fs::path& target) {
    const std::string out = target.parent_path().string();
    if (options.unpack.empty()) return {{self, "--expand", member.string(), out}, options.work / "child.txt", target};
    return {{options.unpack, "-U", "-O", "-D" + out + "/", member.string()}, options.work / "unpack.txt", target};
}

// Peak resident memory in KiB of this program's second form on the member.
long peakKiB(const std::string& self, const fs::path& member, const fs::path& target) {
    fs::remove(target);
    const fs::path report = target.parent_path().parent_path() / "peak.txt";
    if (!runChild({self, "--expand", member.string(), target.parent_path().string()}, report).ok)
        throw std::runtime_error("expanding " + member.string() + " failed");
    return std::stol(readFile(report));
}

// Empty inputs: a program's time on them is its start-up.
struct EmptyInputs {
    fs::path member;
    fs::path packed;
};

EmptyInputs makeEmptyInputs(const Options& options, bool haveCompress) {
    const EmptyInputs empty{options.work / "empty.pak", options.work / "empty.Z"};
    writeFile(empty.member,
              LzwPackMember(LzwMakeHeader("empty.dat", 0, LzwDosDateTime(2024, 3, 5, 14, 3, 6), 0x20), ""));
    if (haveCompress) {
        writeFile(options.work / "empty.dat", "");
        runChild({"compress", "-f", "-c", (options.work / "empty.dat").string()}, empty.packed);
    }
    return empty;
}

// The speed the goal asks for: at least this many times uncompress's.
constexpr double kGoalRatio = 1.5;
// And the peak memory it allows.
constexpr long kGoalPeakKiB = 8 << 10;

// Their time over ours; `goalMet` stays true while ours is never more than
// their time over kGoalRatio.
std::string speedRatio(double theirs, double ours, bool& goalMet) {
    if (theirs <= 0 || ours <= 0) {
        goalMet = false;
        return "?";
    }
    goalMet = goalMet && ours * kGoalRatio <= theirs;
    return number(theirs / ours, 2);
}

struct Goals {
    bool speed = true;
    long lowestPeak = LONG_MAX;
    long highestPeak = 0;
};

// Measures one input and prints its row.
void benchInput(const Options& options, const std::string& self, const Kind& kind, std::size_t mib,
                const EmptyInputs& empty, bool haveCompress, Goals& goals) {
    // Small members take more runs: their times are short and the start-up
    // taken out of them is a larger share.
    const int runs = std::max(options.runs, int(64 / std::max<std::size_t>(mib, 1)));
    const std::string data = kind.make(mib << 20);
    const std::string name = std::string(kind.name) + "-" + std::to_string(mib);
    const fs::path input = options.work / (name + ".dat");
    const fs::path member = options.work / (name + ".pak");
    const fs::path packed = options.work / (name + ".Z");
    const fs::path target = options.work / "out" / (name + ".dat");
    const std::string stream = LzwPackStream(data, {LzwFullDictionary::ClearWhenWorse, 2});
    writeFile(member, LzwHeaderText(LzwMakeHeader(name + ".dat", uint32_t(data.size()),
                                                  LzwDosDateTime(2024, 3, 5, 14, 3, 6), 0x20)) +
                          stream);

    const double core = bestOf(runs, [&] { return coreSeconds(stream, uint32_t(data.size())); });
    const double expand = bestOf(runs, [&] { return expandFileSeconds(member, target); });
    if (readFile(target) != data) throw std::runtime_error(name + ": expanded bytes differ");
    const long peak = peakKiB(self, member, target);
    goals.lowestPeak = std::min(goals.lowestPeak, peak);
    goals.highestPeak = std::max(goals.highestPeak, peak);

    std::vector<Command> commands = {expandingProcess(options, self, member, target),
                                     expandingProcess(options, self, empty.member, options.work / "out" / "empty.dat")};
    const fs::path unpacked = options.work / "unz.dat";
    if (haveCompress) {
        writeFile(input, data);
        runChild({"compress", "-f", "-c", input.string()}, packed);
        commands.push_back({{"compress", "-d", "-c", packed.string()}, unpacked, {}});
        commands.push_back({{"compress", "-d", "-c", empty.packed.string()}, options.work / "e.dat", {}});
    }
    const std::vector<double> best = bestInTurn(runs, commands);
    if (readFile(target) != data) throw std::runtime_error(name + ": the process left other bytes");

    std::string uncompressCell = "-", expandRatio = "-", processRatio = "-", netRatio = "-";
    if (haveCompress) {
        if (fs::file_size(unpacked) != data.size()) throw std::runtime_error(name + ": uncompress gave other bytes");
        uncompressCell = number(megabytesPerSecond(data.size(), best[2]));
        const double theirs = best[2] - best[3];
        expandRatio = speedRatio(theirs, expand, goals.speed);
        processRatio = speedRatio(best[2], best[0], goals.speed);
        netRatio = number(theirs / (best[0] - best[1]), 2);
        fs::remove(input);
        fs::remove(packed);
    }
    printRow({kind.name, std::to_string(mib), number(100.0 * double(stream.size()) / double(data.size())),
              number(megabytesPerSecond(data.size(), core)), number(megabytesPerSecond(data.size(), expand)),
              number(megabytesPerSecond(data.size(), best[0])), uncompressCell, std::to_string(peak), expandRatio,
              processRatio, netRatio});
    std::fflush(stdout);
    fs::remove(member);
    fs::remove(target);
}

// Start-ups: the processes on the empty inputs, best of many runs.
void printStartUps(const Options& options, const std::string& self, const EmptyInputs& empty, bool haveCompress) {
    std::vector<Command> commands = {expandingProcess(options, self, empty.member, options.work / "out" / "empty.dat")};
    if (haveCompress) commands.push_back({{"compress", "-d", "-c", empty.packed.string()}, options.work / "e.dat", {}});
    const std::vector<double> best = bestInTurn(64, commands);
    std::printf("start-up (an empty input, processor time): %s %.2f ms", fs::path(commands[0].args[0]).filename().c_str(),
                1000 * best[0]);
    if (haveCompress) std::printf(", uncompress %.2f ms", 1000 * best[1]);
    std::printf("\n");
}

int runBench(const Options& options, const std::string& self) {
    fs::remove_all(options.work);
    fs::create_directories(options.work / "machine");
    fs::create_directories(options.work / "out");
    writeFile(options.work / "machine" / "machine.ini", "");
    setenv("SETUP_MACHINE", (options.work / "machine").c_str(), 1);
    win::machine::reload();
    const bool haveCompress = onPath("compress");
    const EmptyInputs empty = makeEmptyInputs(options, haveCompress);

    const std::string process = options.unpack.empty() ? "lzw_bench --expand" : "unpack -U -O";
    std::printf("MB/s of output (10^6 bytes) per second of processor time (user + system), best of %d runs\n"
                "(more for small inputs), all programs in turn in the same run, each writing a new file.\n"
                "core = decoder on memory; expand = LzwExpandFile; process = the whole %s;\n"
                "uncompr. = the whole compress -d -c; peak = peak resident memory of an expanding process.\n"
                "Ratios of speed against uncompress: exp/unc for LzwExpandFile against uncompress less its\n"
                "start-up, proc/unc for the two whole processes, start-ups included; net/unc for the two\n"
                "processes each less its start-up (for information)\n",
                options.runs, process.c_str());
    printRow({"input", "MiB", "ratio%", "core", "expand", "process", "uncompr.", "peak KiB", "exp/unc", "proc/unc",
              "net/unc"});
    Goals goals;
    for (const std::size_t mib : options.sizesMiB)
        for (const Kind& kind : kKinds) benchInput(options, self, kind, mib, empty, haveCompress, goals);
    printStartUps(options, self, empty, haveCompress);
    const bool memoryMet = goals.highestPeak < kGoalPeakKiB;
    std::printf("goal: peak memory under %ld KiB on every input (%ld to %ld KiB): %s\n", kGoalPeakKiB,
                goals.lowestPeak, goals.highestPeak, memoryMet ? "met" : "NOT met");
    if (!haveCompress) {
        std::printf("compress (ncompress) is not installed: no comparison of speed\n");
        return 0;
    }
    std::printf("goal: exp/unc and proc/unc at least %.1f on every input: %s\n", kGoalRatio,
                goals.speed ? "met" : "NOT met");
    return 0;
}

[[noreturn]] void usage() {
    std::cerr << "usage: lzw_bench [--sizes 1,16,64] [--runs N] [--work DIR] [--unpack PATH]\n"
                 "       lzw_bench --expand MEMBER DIR\n";
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "--expand") return expandOne(args[1], args[2]);
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i + 1 >= args.size()) usage();
        const std::string& value = args[++i];
        if (args[i - 1] == "--sizes") {
            options.sizesMiB.clear();
            std::istringstream list(value);
            for (std::string item; std::getline(list, item, ',');) options.sizesMiB.push_back(std::stoul(item));
        } else if (args[i - 1] == "--runs") {
            options.runs = std::max(1, std::stoi(value));
        } else if (args[i - 1] == "--work") {
            options.work = value;
        } else if (args[i - 1] == "--unpack") {
            options.unpack = value;
        } else {
            usage();
        }
    }
    try {
        return runBench(options, fs::canonical("/proc/self/exe").string());
    } catch (const std::exception& e) {
        std::cerr << "lzw_bench: " << e.what() << "\n";
        return 1;
    }
}
