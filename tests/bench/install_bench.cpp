// install_bench: a whole installation by `setup` against ncompress's
// uncompress expanding the same files, measured in the same run.
//
//   install_bench --setup PATH [--files 500,2000] [--runs 3] [--work DIR] [--keep]
//
// For the largest count N it makes N files of about 200 KB each, of mixed
// content (text, machine code, tables of records, already compressed data),
// packs each with the fixture packer into a member and with `compress` into
// a ".Z" file.  For each count n, the first n members make a medium of one
// file group without shortcuts, installed headless by the scripted user on a
// fresh machine folder (type page, directory page, confirmation, executor);
// `compress -d` then expands the same n ".Z" files in place, all in one
// process.  Both are timed as whole processes, in turn, best of the runs,
// by processor time (user and system): on a shared machine it hardly depends
// on what else runs, where wall time does.  The goal is the installation
// within 1.5 times uncompress's time at every count, with the time per file
// not growing with the count.
#include <fcntl.h>
#include <linux/magic.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/vfs.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "LzwPacker.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// ------------------------------------------------------------ the files

// Words of two to four syllables, a few of them frequent, as in prose.
class Words {
public:
    Words() {
        static const char* const kSyllables[] = {"in", "stal", "la", "ti", "on", "da", "tei", "ver", "zeich",
                                                 "nis", "pro", "gramm", "sys", "tem", "be", "nut", "zer", "re",
                                                 "gis", "try", "wert", "feh", "ler", "lauf", "werk", "kon", "fi",
                                                 "gu", "ra", "ser", "vi", "ce", "mo", "dul", "text", "an"};
        std::mt19937 random(7);
        for (int i = 0; i < 3000; ++i) {
            std::string word;
            for (int n = 2 + int(random() % 3); n > 0; --n) word += kSyllables[random() % std::size(kSyllables)];
            words_.push_back(word);
        }
    }
    const std::string& pick(std::mt19937& random) const {
        std::geometric_distribution<int> rank(0.01);
        return words_[std::size_t(rank(random)) % words_.size()];
    }

private:
    std::vector<std::string> words_;
};

void appendText(std::string& out, std::size_t size, std::mt19937& random) {
    static const Words words;
    const std::size_t end = out.size() + size;
    std::size_t line = 0;
    while (out.size() < end) {
        const std::string& word = words.pick(random);
        out += word;
        line += word.size() + 1;
        if (line > 64 + random() % 16) {
            out += ".\r\n";
            line = 0;
        } else {
            out += ' ';
        }
    }
    out.resize(end);
}

// Instructions from a small pool, some with a four-byte operand.
void appendCode(std::string& out, std::size_t size, std::mt19937& random) {
    static const std::vector<std::string> pool = [] {
        std::mt19937 r(8);
        std::vector<std::string> instructions(200);
        for (std::string& i : instructions)
            for (int n = 1 + int(r() % 4); n > 0; --n) i += char(r());
        return instructions;
    }();
    std::geometric_distribution<int> rank(0.04);
    const std::size_t end = out.size() + size;
    while (out.size() < end) {
        out += pool[std::size_t(rank(random)) % pool.size()];
        if (random() % 4 == 0) {
            const uint32_t operand = 0x00401000u + random() % 0x20000u;
            for (int k = 0; k < 4; ++k) out += char(operand >> (8 * k));
        }
    }
    out.resize(end);
}

// 32-byte records: a running number, a small value, a name padded with zeros.
void appendTable(std::string& out, std::size_t size, std::mt19937& random) {
    static const Words words;
    const std::size_t end = out.size() + size;
    for (uint32_t number = random() % 1000; out.size() < end; ++number) {
        std::string record(32, '\0');
        for (int k = 0; k < 4; ++k) record[k] = char(number >> (8 * k));
        record[4] = char(random() % 8);
        const std::string& name = words.pick(random);
        record.replace(8, std::min<std::size_t>(name.size(), 24), name, 0, 24);
        out += record;
    }
    out.resize(end);
}

// Pictures and other data that were compressed already.
void appendNoise(std::string& out, std::size_t size, std::mt19937& random) {
    for (std::size_t i = 0; i < size; ++i) out += char(random() >> 8);
}

// File `number`: 180,000 to 220,000 bytes in blocks of 4 to 48 KiB.
std::string fileContent(int number) {
    std::mt19937 random(uint32_t(number) * 2654435761u);
    const std::size_t size = 180000 + random() % 40001;
    std::string data;
    data.reserve(size);
    while (data.size() < size) {
        const std::size_t block = std::min<std::size_t>(size - data.size(), 4096 + random() % (44 * 1024));
        const uint32_t kind = random() % 10;
        if (kind < 3) appendText(data, block, random);
        else if (kind < 6) appendCode(data, block, random);
        else if (kind < 8) appendTable(data, block, random);
        else appendNoise(data, block, random);
    }
    return data;
}

// ------------------------------------------------------------ processes

void writeFile(const fs::path& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), std::streamsize(data.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

struct Timing {
    double wall = 0;
    double cpu = 0;  // user and system
};

struct Command {
    std::vector<std::string> args;
    std::vector<std::string> env;  // NAME=value, added to this process's
    fs::path cwd;
};

// Runs the command with standard output and error into `log`; throws when it
// does not end with exit code 0.
Timing run(const Command& command, const fs::path& log) {
    std::vector<char*> argv, envp;
    for (const std::string& a : command.args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (char** e = environ; *e; ++e) envp.push_back(*e);
    for (const std::string& e : command.env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (!command.cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, command.cwd.c_str());
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + command.args[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(command.args[0] + " failed, see " + log.string());
    Timing t;
    t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    t.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return t;
}

// ------------------------------------------------------------ the media

std::string memberName(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "LZ%06d", number);
    return name;
}

std::string storedName(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "D%07d.DAT", number);
    return name;
}

struct Inputs {
    fs::path members;  // LZnnnnnn.PAK
    fs::path packed;   // Dnnnnnnn.DAT.Z
    std::vector<uintmax_t> sizes;
};

Inputs makeInputs(const fs::path& work, int count) {
    Inputs in{work / "members", work / "packed", {}};
    fs::create_directories(in.members);
    fs::create_directories(in.packed);
    const fs::path plain = work / "plain.dat";
    const uint32_t date = LzwDosDateTime(2024, 3, 1, 12, 0, 0);
    for (int n = 1; n <= count; ++n) {
        const std::string data = fileContent(n);
        in.sizes.push_back(data.size());
        writeFile(in.members / (memberName(n) + ".PAK"),
                  LzwPackMember(LzwMakeHeader(storedName(n), uint32_t(data.size()), date, 0x20), data,
                                {LzwFullDictionary::ClearWhenWorse, 2}));
        writeFile(plain, data);
        run({{"compress", "-c", plain.string()}, {}, {}}, in.packed / (storedName(n) + ".Z"));
    }
    fs::remove(plain);
    return in;
}

// The medium of the first `count` members: hard links, the description, the
// product's uninstaller.
fs::path makeMedium(const fs::path& work, const Inputs& in, int count) {
    const fs::path medium = work / ("medium-" + std::to_string(count));
    fs::remove_all(medium);
    fs::create_directories(medium);
    std::string members;
    for (int n = 1; n <= count; ++n) {
        const std::string name = memberName(n) + ".PAK";
        fs::create_hard_link(in.members / name, medium / name);
        members += memberName(n) + "=000000\n";
    }
    // The description's lines end with CR LF, as on a real medium.
    std::string description =
        "[Text]\nHeadTitleText=Bench\n[Options]\n[Uninstall]\nUninstallKey=Bench\n"
        "[FileGroups]\nCount=1\nGroup1=Dateien\n[Dateien]\n" + members +
        "[FileGroupsFixPath]\nGroup1=<PROGRAM_DIR>\n[FileGroupsVarPath]\nGroup1=\n"
        "[FileGroupsTypeSelect]\nGroup1=1\n[Types]\nCount=1\nActiveTypes=1\nName1=Standard\n"
        "[TypeHelpRtf]\nRtfText1=Alles\n";
    for (std::size_t at = description.find('\n'); at != std::string::npos; at = description.find('\n', at + 2))
        description.insert(at, 1, '\r');
    writeFile(medium / "INST.ALL",
              LzwPackMember(LzwMakeHeader("SETUP.ALL", uint32_t(description.size()),
                                          LzwDosDateTime(2024, 3, 1, 12, 0, 0), 0x20),
                            description));
    writeFile(medium / "uninstall.exe", "#machine-program\n");
    return medium;
}

const char* const kScript =
    "page frmTypSelect\ncheck clbTypSelect 0\nclick cmdNext\n"
    "page frmDirSelect\ntext edDir C:\\Bench\\\nclick cmdNext\n"
    "page frmConfirm\nclick cmdNext\npage frmExecInstall\n";

// A fresh machine: drive C: with room for everything, the medium as the CD in E:.
fs::path freshMachine(const fs::path& work, const fs::path& medium) {
    const fs::path machine = work / "machine";
    fs::remove_all(machine);
    fs::create_directories(machine / "drives/C/WINNT/system32");
    fs::create_directories(machine / "drives/C/TEMP");
    writeFile(machine / "machine.ini",
              "[Machine]\nWindowsDir=C:\\WINNT\nSystemDir=C:\\WINNT\\system32\nTempDir=C:\\TEMP\\\n"
              "ProgramPath=E:\\SETUP.EXE\nClockStart=2024-03-05 14:03:07\n"
              "[Drive C]\nType=fixed\nFolder=drives/C\nFree=8,512,4194304,8388608\n"
              "[Drive E]\nType=cdrom\nFolder=" + medium.string() + "\n");
    writeFile(machine / "user.script", kScript);
    return machine;
}

// Every file arrived with its size.
void checkFiles(const fs::path& dir, const Inputs& in, int count, const std::string& who) {
    for (int n = 1; n <= count; ++n) {
        std::error_code ec;
        if (fs::file_size(dir / storedName(n), ec) != in.sizes[std::size_t(n - 1)] || ec)
            throw std::runtime_error(who + ": " + storedName(n) + " is missing or has another size");
    }
}

Timing installOnce(const fs::path& setup, const fs::path& work, const fs::path& medium, const Inputs& in,
                   int count) {
    const fs::path machine = freshMachine(work, medium);
    const Timing t = run({{setup.string()},
                          {"SETUP_MACHINE=" + machine.string(), "SETUP_SCRIPT=" + (machine / "user.script").string(),
                           "SETUP_TRANSCRIPT=" + (machine / "transcript.txt").string()},
                          {}},
                         work / "setup.log");
    checkFiles(machine / "drives/C/Bench", in, count, "setup");
    fs::remove_all(machine);  // the next run, of either program, starts without it
    return t;
}

Timing uncompressOnce(const fs::path& work, const Inputs& in, int count) {
    const fs::path dir = work / "uncompressed";
    fs::create_directories(dir);
    Command command{{"compress", "-d", "-f"}, {}, dir};
    for (int n = 1; n <= count; ++n) {
        const std::string name = storedName(n) + ".Z";
        fs::create_hard_link(in.packed / name, dir / name);
        command.args.push_back(name);
    }
    const Timing t = run(command, work / "uncompress.log");
    checkFiles(dir, in, count, "uncompress");
    fs::remove_all(dir);
    return t;
}

Timing best(const Timing& a, const Timing& b) { return {std::min(a.wall, b.wall), std::min(a.cpu, b.cpu)}; }

// ------------------------------------------------------------ the table

// The kind of file system that holds the folder: on an ext4 without journal,
// making a file costs more the more files were deleted in the last minute,
// and the installation deletes its work file once per member.
std::string fileSystemOf(const fs::path& folder) {
    struct statfs st {};
    if (::statfs(folder.c_str(), &st) != 0) return "?";
    switch (st.f_type) {
        case TMPFS_MAGIC: return "tmpfs";
        case EXT4_SUPER_MAGIC: return "ext2/3/4";
        case BTRFS_SUPER_MAGIC: return "btrfs";
        case XFS_SUPER_MAGIC: return "xfs";
        default: return "type " + std::to_string(st.f_type);
    }
}

struct Options {
    fs::path setup;
    std::vector<int> counts = {500, 2000};
    int runs = 3;
    fs::path work = fs::temp_directory_path() / "install-bench";
    bool keep = false;  // the work folder stays: the inputs and the media
};

constexpr double kGoalRatio = 1.5;
// Linear growth: the time per file at the largest count at most this many
// times the one at the smallest.
constexpr double kLinearSlack = 1.2;

struct Row {
    int count = 0;
    double megabytes = 0;
    Timing setup, uncompress;
};

int runBench(const Options& options) {
    fs::remove_all(options.work);
    fs::create_directories(options.work);
    const int largest = *std::max_element(options.counts.begin(), options.counts.end());
    const Inputs in = makeInputs(options.work, largest);

    std::vector<Row> rows;
    for (const int count : options.counts) {
        Row row{count, 0, {1e300, 1e300}, {1e300, 1e300}};
        for (int n = 0; n < count; ++n) row.megabytes += double(in.sizes[std::size_t(n)]) / 1e6;
        const fs::path medium = makeMedium(options.work, in, count);
        for (int r = 0; r < options.runs; ++r) {
            row.setup = best(row.setup, installOnce(options.setup, options.work, medium, in, count));
            row.uncompress = best(row.uncompress, uncompressOnce(options.work, in, count));
        }
        rows.push_back(row);
    }
    const std::string fileSystem = fileSystemOf(options.work);
    if (!options.keep) fs::remove_all(options.work);

    std::printf("Installation of n members of about 200 KB (one file group) by setup with the scripted user,\n"
                "against compress -d (ncompress's uncompress) on the same n files in one process;\n"
                "seconds of processor time (user + system), best of %d runs; wall time for comparison;\n"
                "work folder %s (file system %s)\n",
                options.runs, options.work.c_str(), fileSystem.c_str());
    std::printf("%6s %6s %8s %9s %8s %9s %8s %8s %8s\n", "files", "MB", "setup", "ms/file", "uncompr.", "ms/file",
                "ratio", "setup", "uncompr.");
    std::printf("%6s %6s %8s %9s %8s %9s %8s %8s %8s\n", "", "", "cpu", "cpu", "cpu", "cpu", "cpu", "wall", "wall");
    bool within = true;
    for (const Row& row : rows) {
        const double ratio = row.setup.cpu / row.uncompress.cpu;
        within = within && ratio <= kGoalRatio;
        std::printf("%6d %6.0f %8.3f %9.3f %8.3f %9.3f %8.2f %8.3f %8.3f\n", row.count, row.megabytes, row.setup.cpu,
                    1000 * row.setup.cpu / row.count, row.uncompress.cpu, 1000 * row.uncompress.cpu / row.count,
                    ratio, row.setup.wall, row.uncompress.wall);
    }
    const Row& first = rows.front();
    const Row& last = rows.back();
    const double growth = (last.setup.cpu / last.count) / (first.setup.cpu / first.count);
    const bool linear = growth <= kLinearSlack;
    std::printf("setup's time per file at %d files over the one at %d: %.2f (linear: at most %.2f)\n", last.count,
                first.count, growth, kLinearSlack);
    std::printf("goal (installation within %.1f times uncompress's time at every count: %s; growing linearly: %s): "
                "%s\n",
                kGoalRatio, within ? "yes" : "no", linear ? "yes" : "no", within && linear ? "met" : "NOT met");
    return 0;
}

[[noreturn]] void usage() {
    std::cerr << "usage: install_bench --setup PATH [--files 500,2000] [--runs N] [--work DIR] [--keep]\n";
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    Options options;
    for (std::size_t i = 0; i < args.size(); i += 2) {
        if (args[i] == "--keep") {
            options.keep = true;
            --i;
            continue;
        }
        if (i + 1 >= args.size()) usage();
        const std::string& value = args[i + 1];
        if (args[i] == "--setup") {
            options.setup = fs::absolute(value);
        } else if (args[i] == "--files") {
            options.counts.clear();
            std::istringstream list(value);
            for (std::string item; std::getline(list, item, ',');)
                options.counts.push_back(std::max(1, std::stoi(item)));
        } else if (args[i] == "--runs") {
            options.runs = std::max(1, std::stoi(value));
        } else if (args[i] == "--work") {
            options.work = fs::absolute(value);
        } else {
            usage();
        }
    }
    if (options.setup.empty() || options.counts.empty()) usage();
    try {
        return runBench(options);
    } catch (const std::exception& e) {
        std::cerr << "install_bench: " << e.what() << "\n";
        return 1;
    }
}
