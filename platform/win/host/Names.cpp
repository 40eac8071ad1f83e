// The host's edge for text: Windows-1252 names and file texts against UTF-8.
#include "Host.h"
#include "Text1252.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win::host {
namespace {

bool isValidUtf8(std::string_view s) {
    uint32_t cp = 0;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = text::decodeUtf8(s, i, cp);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

}  // namespace

std::string toUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size());
    for (char c : cp1252) text::appendUtf8(out, text::unicodeOf(static_cast<unsigned char>(c)));
    return out;
}

std::string toCp1252(std::string_view utf8) {
    if (!isValidUtf8(utf8)) return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    uint32_t cp = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        i += text::decodeUtf8(utf8, i, cp);
        out += static_cast<char>(text::byteOf(cp).value_or('?'));
    }
    return out;
}

std::string readHostBytes(const std::string& hostFile) {
    const int fd = ::open(hostFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "";
    std::string bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

std::string readMachineText(const std::string& hostFile) { return toCp1252(readHostBytes(hostFile)); }

namespace {

// A file beside the target that did not exist yet, so no other file is overwritten.
int createFreshFile(const std::string& hostFile, std::string& name) {
    for (unsigned n = 0;; ++n) {
        name = hostFile + "." + std::to_string(::getpid()) + "-" + std::to_string(n) + ".tmp";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool writeFileAtomically(const std::string& hostFile, const std::string& bytes) {
    const Faults faults = faultsFor(Ini::now(), hostFile);
    if (faults.refuseWrite) return fail(ERR_ACCESS_DENIED);
    std::string temp;
    const int fd = createFreshFile(hostFile, temp);
    if (fd < 0) return fail(errnoCode(errno));
    const std::size_t room = std::min<uint64_t>(bytes.size(), faults.fullAfter.value_or(bytes.size()));
    uint32_t error = ERR_SUCCESS;
    if (!writeAll(fd, bytes.data(), room)) error = errnoCode(errno);
    else if (room < bytes.size()) error = ERR_DISK_FULL;
    if (::close(fd) != 0 && !error) error = errnoCode(errno);
    if (!error && ::rename(temp.c_str(), hostFile.c_str()) != 0) error = errnoCode(errno);
    if (!error) return true;
    ::unlink(temp.c_str());
    return fail(error);
}

bool appendToFile(const std::string& hostFile, const std::string& bytes) {
    const Faults faults = faultsFor(Ini::now(), hostFile);
    if (faults.refuseWrite) return fail(ERR_ACCESS_DENIED);
    if (faults.fullAfter && *faults.fullAfter < bytes.size()) return fail(ERR_DISK_FULL);
    return appendBytes(hostFile, bytes);
}

bool appendBytes(const std::string& hostFile, const std::string& bytes) {
    const int fd = ::open(hostFile.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return fail(errnoCode(errno));
    struct stat st {};
    uint32_t error = ERR_SUCCESS;
    if (::fstat(fd, &st) != 0) {
        error = errnoCode(errno);
    } else if (!writeAll(fd, bytes.data(), bytes.size())) {
        error = errnoCode(errno);
        if (::ftruncate(fd, st.st_size) != 0) error = errnoCode(errno);
    }
    if (::close(fd) != 0 && !error) error = errnoCode(errno);
    return !error || fail(error);
}

}  // namespace win::host
