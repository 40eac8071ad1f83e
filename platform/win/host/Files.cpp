// Files and directories with the Windows rules the programs rely on: the
// layer itself refuses writes to read-only and in-use files (also for root),
// copies carry attributes and last-write time, faults are injected per path.
#include "Host.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win::host {
namespace {

// A resolved path with what the host knows about it now.
struct Item {
    Resolved path;
    struct stat st {};
    bool exists = false;
    bool isDir() const { return exists && S_ISDIR(st.st_mode); }
    bool isFile() const { return exists && !S_ISDIR(st.st_mode); }
};

// The item as machine.ini maps it; one operation takes one machine.ini.
std::optional<Item> lookUp(const Ini& ini, const std::string& path) {
    std::optional<Resolved> r = resolve(ini, path);
    if (!r) return std::nullopt;
    Item item{*r};
    item.exists = ::stat(item.path.host.c_str(), &item.st) == 0;
    return item;
}

std::optional<Item> lookUp(const std::string& path) { return lookUp(Ini::now(), path); }

std::string parentOf(const std::string& host) {
    const std::size_t slash = host.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : host.substr(0, slash);
}

bool parentIsDirectory(const std::string& host) {
    struct stat st {};
    return ::stat(parentOf(host).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The error for a path that does not exist: file or path not found.
bool missing(const Item& item) {
    return fail(parentIsDirectory(item.path.host) ? ERR_FILE_NOT_FOUND : ERR_PATH_NOT_FOUND);
}

bool writeProtected(const Item& item) { return item.path.drive && item.path.drive->writeProtect; }

uint32_t attributesOf(const Item& item) { return reportedAttributes(item.path.host, item.isDir(), item.path.root); }

bool isReadOnly(const Item& item) { return item.exists && (attributesOf(item) & ATTR_READONLY); }

// May the file's content be written (or the file be made)?  The drive, the
// read-only bit, an in-use mark and an injected refusal each say no.
bool mayWrite(const Ini& ini, const Item& item) {
    if (writeProtected(item)) return fail(ERR_WRITE_PROTECT);
    if (item.isDir()) return fail(ERR_ACCESS_DENIED);
    if (isReadOnly(item)) return fail(ERR_ACCESS_DENIED);
    if (item.exists && inUseLevel(ini, item.path.host) > 0) return fail(ERR_SHARING_VIOLATION);
    if (faultsFor(ini, item.path.host).refuseWrite) return fail(ERR_ACCESS_DENIED);
    if (!item.exists && !parentIsDirectory(item.path.host)) return fail(ERR_PATH_NOT_FOUND);
    return true;
}

bool mayRead(const Ini& ini, const Item& item) {
    if (!item.exists) return missing(item);
    if (item.isDir()) return fail(ERR_ACCESS_DENIED);
    if (inUseLevel(ini, item.path.host) == 2) return fail(ERR_SHARING_VIOLATION);
    if (faultsFor(ini, item.path.host).unreadable) return fail(ERR_ACCESS_DENIED);
    return true;
}

// A written file's archive bit is set again, as Windows does.
bool markWritten(const Item& item) {
    if (!item.exists) return forgetAttributes(item.path.host);  // a record left by an earlier file of that name
    const std::optional<uint32_t> bits = recordedAttributes(item.path.host);
    return !bits || (*bits & ATTR_ARCHIVE) || recordAttributes(item.path.host, *bits | ATTR_ARCHIVE, false);
}

class HostFile final : public File {
public:
    HostFile(FILE* f, const Faults& faults, bool driveFull) : file_(f), faults_(faults) {
        if (driveFull) faults_.fullAfter = 0;
    }
    ~HostFile() override {
        if (file_) std::fclose(file_);
    }

    std::size_t read(void* buffer, std::size_t count) override {
        switchTo(false);
        std::size_t allowed = count;
        if (faults_.readErrorAfter) allowed = static_cast<std::size_t>(std::min<uint64_t>(count, remaining(*faults_.readErrorAfter, read_)));
        const std::size_t done = std::fread(buffer, 1, allowed, file_);
        read_ += done;
        if (done < allowed && std::ferror(file_)) failWith(ERR_READ_FAULT);
        if (allowed < count && done == allowed && moreToRead()) failWith(ERR_READ_FAULT);
        return done;
    }

    // A read error only strikes where the file goes on past its limit.
    bool moreToRead() {
        const int c = std::fgetc(file_);
        if (c == EOF) return false;
        std::ungetc(c, file_);
        return true;
    }

    std::size_t write(const void* buffer, std::size_t count) override {
        switchTo(true);
        std::size_t allowed = count;
        if (faults_.fullAfter) allowed = static_cast<std::size_t>(std::min<uint64_t>(count, remaining(*faults_.fullAfter, written_)));
        const std::size_t done = std::fwrite(buffer, 1, allowed, file_);
        written_ += done;
        if (done < count) failWith(done < allowed ? errnoCode(errno) : ERR_DISK_FULL);
        return done;
    }

    bool seek(uint64_t position) override {
        lastWasWrite_.reset();
        return ::fseeko(file_, static_cast<off_t>(position), SEEK_SET) == 0;
    }

    uint64_t size() override {
        std::fflush(file_);
        struct stat st {};
        return ::fstat(::fileno(file_), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    }

    bool close() override {
        if (!file_) return !failed_;
        if (std::fflush(file_) != 0) failWith(errnoCode(errno));
        if (std::fclose(file_) != 0) failWith(errnoCode(errno));
        file_ = nullptr;
        return !failed_;
    }

    bool failed() const override { return failed_; }

private:
    static uint64_t remaining(uint64_t limit, uint64_t used) { return used >= limit ? 0 : limit - used; }

    // C streams need a seek between reading and writing.
    void switchTo(bool writing) {
        if (lastWasWrite_ && *lastWasWrite_ != writing) ::fseeko(file_, 0, SEEK_CUR);
        lastWasWrite_ = writing;
    }

    void failWith(uint32_t code) {
        failed_ = true;
        fail(code);
    }

    FILE* file_;
    Faults faults_;
    uint64_t read_ = 0, written_ = 0;
    std::optional<bool> lastWasWrite_;
    bool failed_ = false;
};

const char* streamMode(OpenMode mode) {
    switch (mode) {
        case OpenMode::Read: return "rb";
        case OpenMode::Create: return "w+b";
        case OpenMode::Append: return "ab";
        case OpenMode::ReadWrite: return "r+b";
    }
    return "rb";
}

std::unique_ptr<File> openItem(const Ini& ini, const Item& item, OpenMode mode) {
    if ((mode == OpenMode::Read || mode == OpenMode::ReadWrite) && !mayRead(ini, item)) return nullptr;
    if (mode != OpenMode::Read) {
        if (!mayWrite(ini, item) || !markWritten(item)) return nullptr;
    }
    FILE* f = std::fopen(item.path.host.c_str(), streamMode(mode));
    if (!f) {
        fail(errnoCode(errno));
        return nullptr;
    }
    const bool full = item.path.drive && item.path.drive->full;
    return std::make_unique<HostFile>(f, faultsFor(ini, item.path.host), full);
}

bool setHostTime(const std::string& host, const struct timespec& mtime) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, mtime};
    return ::utimensat(AT_FDCWD, host.c_str(), times, 0) == 0 || fail(errnoCode(errno));
}

// Copies the bytes; on failure the partial target is removed (as CopyFileA does).
bool copyContent(const Ini& ini, const Item& from, const Item& to) {
    std::unique_ptr<File> in = openItem(ini, from, OpenMode::Read);
    if (!in) return false;
    std::unique_ptr<File> out = openItem(ini, to, OpenMode::Create);
    if (!out) return false;
    char buffer[65536];
    bool ok = true;
    while (ok) {
        const std::size_t n = in->read(buffer, sizeof buffer);
        if (in->failed()) ok = false;
        if (n == 0) break;
        if (out->write(buffer, n) != n) ok = false;
    }
    if (!out->close()) ok = false;
    if (ok) return true;
    const uint32_t code = lastError();
    ::unlink(to.path.host.c_str());
    return fail(code);
}

// Rename, falling back to copy and delete across host file systems; a copy
// whose time stamp or source delete fails is a failed move (the source stays).
bool renameHost(const Ini& ini, const Item& from, const Item& to) {
    if (::rename(from.path.host.c_str(), to.path.host.c_str()) == 0) return true;
    if (errno != EXDEV || from.isDir()) return fail(errnoCode(errno));
    Item unlocked = to;
    unlocked.exists = false;
    return copyContent(ini, from, unlocked) && setHostTime(to.path.host, from.st.st_mtim) &&
           (::unlink(from.path.host.c_str()) == 0 || fail(errnoCode(errno)));
}

bool sameFile(const Item& a, const Item& b) {
    // Two existing items of other inodes are other files, without a key.
    if (a.exists && b.exists && (a.st.st_dev != b.st.st_dev || a.st.st_ino != b.st.st_ino)) return false;
    return canonicalKey(a.path.host) == canonicalKey(b.path.host);
}

// The item under the caller's spelling of its name (for a rename that only
// changes the case, where the host entry found has the old spelling).
Item spelledAsGiven(const Item& item) {
    Item spelled = item;
    const std::size_t cut = item.path.windows.find_last_of("\\/");
    spelled.path.host = parentOf(item.path.host) + "/" + toUtf8(item.path.windows.substr(cut + 1));
    spelled.exists = false;
    return spelled;
}

bool removable(const Ini& ini, const Item& item) {
    if (writeProtected(item)) return fail(ERR_WRITE_PROTECT);
    if (isReadOnly(item)) return fail(ERR_ACCESS_DENIED);
    if (inUseLevel(ini, item.path.host) > 0) return fail(ERR_SHARING_VIOLATION);
    return true;
}

}  // namespace
}  // namespace win::host

namespace win {

using host::Item;

bool fileExists(const std::string& path) {
    const std::optional<Item> item = host::lookUp(path);
    if (item && !item->exists) host::missing(*item);
    return item && item->isFile();
}

bool directoryExists(const std::string& path) {
    const std::optional<Item> item = host::lookUp(path);
    if (item && !item->exists) host::missing(*item);
    return item && item->isDir();
}

bool createDirectory(const std::string& path) {
    const std::optional<Item> item = host::lookUp(path);
    if (!item) return false;
    if (item->exists) return host::fail(ERR_ALREADY_EXISTS);
    if (host::writeProtected(*item)) return host::fail(ERR_WRITE_PROTECT);
    if (!host::parentIsDirectory(item->path.host)) return host::fail(ERR_PATH_NOT_FOUND);
    if (::mkdir(item->path.host.c_str(), 0777) != 0) return host::fail(host::errnoCode(errno));
    return host::forgetAttributes(item->path.host);
}

bool removeDirectory(const std::string& path) {
    const std::optional<Item> item = host::lookUp(path);
    if (!item) return false;
    if (!item->exists) return host::missing(*item);
    if (!item->isDir()) return host::fail(ERR_DIRECTORY);
    // Windows never removes a drive's root, however the path spells it.
    if (item->path.root) return host::fail(ERR_ACCESS_DENIED);
    if (host::writeProtected(*item)) return host::fail(ERR_WRITE_PROTECT);
    if (host::isReadOnly(*item)) return host::fail(ERR_ACCESS_DENIED);
    const std::optional<Item> current = host::lookUp(currentDirectory());
    if (current && host::sameFile(*current, *item)) return host::fail(ERR_SHARING_VIOLATION);
    if (::rmdir(item->path.host.c_str()) != 0) return host::fail(host::errnoCode(errno));
    return host::forgetAttributes(item->path.host);
}

bool deleteFile(const std::string& path) {
    const host::Ini ini = host::Ini::now();
    const std::optional<Item> item = host::lookUp(ini, path);
    if (!item) return false;
    if (!item->exists) return host::missing(*item);
    if (item->isDir()) return host::fail(ERR_ACCESS_DENIED);
    if (!host::removable(ini, *item)) return false;
    if (::unlink(item->path.host.c_str()) != 0) return host::fail(host::errnoCode(errno));
    return host::forgetAttributes(item->path.host);
}

bool copyFile(const std::string& from, const std::string& to, bool failIfExists) {
    const host::Ini ini = host::Ini::now();
    const std::optional<Item> source = host::lookUp(ini, from);
    if (!source) return false;
    if (!source->exists) return host::missing(*source);
    if (source->isDir()) return host::fail(ERR_ACCESS_DENIED);
    const std::optional<Item> target = host::lookUp(ini, to);
    if (!target) return false;
    if (target->exists && failIfExists) return host::fail(ERR_FILE_EXISTS);
    if (target->exists && host::sameFile(*source, *target)) return host::fail(ERR_SHARING_VIOLATION);
    if (target->exists && (host::attributesOf(*target) & ATTR_HIDDEN)) return host::fail(ERR_ACCESS_DENIED);
    const uint32_t attributes = host::attributesOf(*source);
    return host::copyContent(ini, *source, *target) &&
           host::recordAttributes(target->path.host, attributes, false) &&
           host::setHostTime(target->path.host, source->st.st_mtim);
}

// The two ends of a rename: a source that exists and a target, both on
// drives that take writes; nullopt (with the error set) otherwise.
static std::optional<std::pair<Item, Item>> renameEnds(const host::Ini& ini, const std::string& from,
                                                                const std::string& to) {
    const std::optional<Item> source = host::lookUp(ini, from);
    if (!source) return std::nullopt;
    if (!source->exists) {
        host::missing(*source);
        return std::nullopt;
    }
    const std::optional<Item> target = host::lookUp(ini, to);
    if (!target) return std::nullopt;
    if (host::writeProtected(*source) || host::writeProtected(*target)) {
        host::fail(ERR_WRITE_PROTECT);
        return std::nullopt;
    }
    return std::pair{*source, *target};
}

bool moveFile(const std::string& from, const std::string& to) {
    const host::Ini ini = host::Ini::now();
    const auto ends = renameEnds(ini, from, to);
    if (!ends) return false;
    const Item& source = ends->first;
    const Item& target = ends->second;
    const bool caseChangeOnly = target.exists && host::sameFile(source, target);
    if (target.exists && !caseChangeOnly) return host::fail(ERR_ALREADY_EXISTS);
    if (!host::parentIsDirectory(target.path.host)) return host::fail(ERR_PATH_NOT_FOUND);
    const Item destination = caseChangeOnly ? host::spelledAsGiven(target) : target;
    return host::renameHost(ini, source, destination) &&
           host::moveAttributes(source.path.host, destination.path.host);
}

bool replaceFile(const std::string& from, const std::string& to) {
    const host::Ini ini = host::Ini::now();
    const auto ends = renameEnds(ini, from, to);
    if (!ends) return false;
    const Item& source = ends->first;
    const Item& target = ends->second;
    if (host::faultsFor(ini, target.path.host).refuseWrite) return host::fail(ERR_ACCESS_DENIED);
    if (target.exists && !host::sameFile(source, target)) {
        if (target.isDir()) return host::fail(ERR_ACCESS_DENIED);
        if (!host::removable(ini, target)) return false;
    }
    if (!host::parentIsDirectory(target.path.host)) return host::fail(ERR_PATH_NOT_FOUND);
    return host::renameHost(ini, source, target) && host::moveAttributes(source.path.host, target.path.host);
}

bool canOpenExclusive(const std::string& path) {
    const host::Ini ini = host::Ini::now();
    const std::optional<Item> item = host::lookUp(ini, path);
    if (!item) return false;
    if (!item->exists) return host::missing(*item);
    return host::mayWrite(ini, *item);
}

uint32_t getFileAttributes(const std::string& path) {
    const std::optional<Item> item = host::lookUp(path);
    if (!item) return kInvalidAttributes;
    if (!item->exists) {
        host::missing(*item);
        return kInvalidAttributes;
    }
    return host::attributesOf(*item);
}

bool setFileAttributes(const std::string& path, uint32_t attributes) {
    const std::optional<Item> item = host::lookUp(path);
    if (!item) return false;
    if (!item->exists) return host::missing(*item);
    if (host::writeProtected(*item)) return host::fail(ERR_WRITE_PROTECT);
    return host::recordAttributes(item->path.host, attributes, item->isDir());
}

bool getLastWriteTime(const std::string& path, FileTime& utc) {
    const std::optional<Item> item = host::lookUp(path);
    if (!item) return false;
    if (!item->exists) return host::missing(*item);
    utc = host::hostTimeToFileTime(item->st.st_mtim.tv_sec, item->st.st_mtim.tv_nsec);
    return true;
}

bool fileStamp(const std::string& path, FileStamp& stamp) {
    const std::optional<Item> item = host::lookUp(path);
    if (!item) return false;
    if (!item->exists) return host::missing(*item);
    stamp.size = static_cast<uint64_t>(item->st.st_size);
    stamp.lastWrite = host::hostTimeToFileTime(item->st.st_mtim.tv_sec, item->st.st_mtim.tv_nsec);
    return true;
}

bool setLastWriteTime(const std::string& path, FileTime utc) {
    const host::Ini ini = host::Ini::now();
    const std::optional<Item> item = host::lookUp(ini, path);
    if (!item) return false;
    if (!item->exists) return host::missing(*item);
    if (!host::mayWrite(ini, *item)) return false;
    int64_t seconds = 0, nanoseconds = 0;
    host::fileTimeToHostTime(utc, seconds, nanoseconds);
    return host::setHostTime(item->path.host, {static_cast<time_t>(seconds), static_cast<long>(nanoseconds)});
}

std::unique_ptr<File> openFile(const std::string& path, OpenMode mode) {
    const host::Ini ini = host::Ini::now();
    const std::optional<Item> item = host::lookUp(ini, path);
    if (!item) return nullptr;
    return host::openItem(ini, *item, mode);
}

}  // namespace win
