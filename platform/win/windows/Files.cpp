// Files on the Windows file system through the wide API, with the failures
// the programs rely on: a read-only file is never opened for writing.
#include "Native.h"

#include <algorithm>
#include <utility>

namespace win {
namespace {

using native::apiPath;

// Windows refuses to open a read-only file for writing and to replace one,
// but Wine lets root write one and anyone replace one: the layer checks the
// bit itself, as the host back end does.
bool hasAttribute(const std::wstring& path, DWORD bits) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & bits) != 0;
}

bool isReadOnly(const std::wstring& path) { return hasAttribute(path, FILE_ATTRIBUTE_READONLY); }

// Both paths as the wide API takes them, or nullopt.
std::optional<std::pair<std::wstring, std::wstring>> apiPaths(const std::string& from, const std::string& to) {
    std::optional<std::wstring> source = apiPath(from);
    std::optional<std::wstring> target = source ? apiPath(to) : std::nullopt;
    if (!target) return std::nullopt;
    return std::make_pair(std::move(*source), std::move(*target));
}

HANDLE openHandle(const std::wstring& path, DWORD access, DWORD creation) {
    if ((access & GENERIC_WRITE) != 0 && isReadOnly(path)) {
        native::fail(ERR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// ReadFile and WriteFile take at most 4 GiB at once.
constexpr std::size_t kMostAtOnce = 1u << 30;

class WindowsFile final : public File {
public:
    explicit WindowsFile(HANDLE handle) : handle_(handle) {}
    ~WindowsFile() override {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    WindowsFile(const WindowsFile&) = delete;
    WindowsFile& operator=(const WindowsFile&) = delete;

    std::size_t read(void* buffer, std::size_t count) override {
        std::size_t done = 0;
        while (done < count) {
            const DWORD wanted = static_cast<DWORD>(std::min(count - done, kMostAtOnce));
            DWORD got = 0;
            if (!ReadFile(handle_, static_cast<char*>(buffer) + done, wanted, &got, nullptr)) {
                failed_ = true;
                break;
            }
            if (got == 0) break;  // the end of the file
            done += got;
        }
        return done;
    }

    std::size_t write(const void* buffer, std::size_t count) override {
        std::size_t done = 0;
        while (done < count) {
            const DWORD wanted = static_cast<DWORD>(std::min(count - done, kMostAtOnce));
            DWORD put = 0;
            const bool ok = WriteFile(handle_, static_cast<const char*>(buffer) + done, wanted, &put, nullptr);
            done += put;
            if (!ok || put < wanted) {
                failed_ = true;
                break;
            }
        }
        return done;
    }

    bool seek(uint64_t position) override {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(position);
        return SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN);
    }

    uint64_t size() override {
        LARGE_INTEGER size;
        return GetFileSizeEx(handle_, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
    }

    bool close() override {
        if (handle_ == INVALID_HANDLE_VALUE) return !failed_;
        if (!CloseHandle(handle_)) failed_ = true;
        handle_ = INVALID_HANDLE_VALUE;
        return !failed_;
    }

    bool failed() const override { return failed_; }

private:
    HANDLE handle_;
    bool failed_ = false;
};

struct Opening {
    DWORD access;
    DWORD creation;
};

// Create opens and then truncates: CREATE_ALWAYS would refuse an existing
// hidden or system file, which the layer's Create writes, as on the host.
Opening openingFor(OpenMode mode) {
    switch (mode) {
        case OpenMode::Read: return {GENERIC_READ, OPEN_EXISTING};
        case OpenMode::Create: return {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS};
        case OpenMode::Append: return {GENERIC_WRITE, OPEN_ALWAYS};
        case OpenMode::ReadWrite: return {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING};
    }
    return {GENERIC_READ, OPEN_EXISTING};
}

// Where a freshly opened file is to be written from.
bool position(HANDLE handle, OpenMode mode) {
    const LARGE_INTEGER start{};
    if (mode == OpenMode::Create) return SetEndOfFile(handle);
    if (mode == OpenMode::Append) return SetFilePointerEx(handle, start, nullptr, FILE_END);
    return true;
}

}  // namespace

uint32_t getFileAttributes(const std::string& path) {
    const std::optional<std::wstring> wide = apiPath(path);
    return wide ? GetFileAttributesW(wide->c_str()) : kInvalidAttributes;
}

bool fileExists(const std::string& path) {
    const uint32_t attributes = getFileAttributes(path);
    return attributes != kInvalidAttributes && (attributes & ATTR_DIRECTORY) == 0;
}

bool directoryExists(const std::string& path) {
    const uint32_t attributes = getFileAttributes(path);
    return attributes != kInvalidAttributes && (attributes & ATTR_DIRECTORY) != 0;
}

bool setFileAttributes(const std::string& path, uint32_t attributes) {
    const std::optional<std::wstring> wide = apiPath(path);
    return wide && SetFileAttributesW(wide->c_str(), attributes);
}

// Windows itself refuses a read-only file (Wine too, also for root).
bool deleteFile(const std::string& path) {
    const std::optional<std::wstring> wide = apiPath(path);
    return wide && DeleteFileW(wide->c_str());
}

bool replaceFile(const std::string& from, const std::string& to) {
    const auto paths = apiPaths(from, to);
    if (!paths) return false;
    if (isReadOnly(paths->second)) return native::fail(ERR_ACCESS_DENIED);
    return MoveFileExW(paths->first.c_str(), paths->second.c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool moveFile(const std::string& from, const std::string& to) {
    const auto paths = apiPaths(from, to);
    return paths && MoveFileW(paths->first.c_str(), paths->second.c_str());
}

// Windows refuses to copy onto a read-only or hidden file; Wine lets root.
bool copyFile(const std::string& from, const std::string& to, bool failIfExists) {
    const auto paths = apiPaths(from, to);
    if (!paths) return false;
    if (!failIfExists && hasAttribute(paths->second, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN))
        return native::fail(ERR_ACCESS_DENIED);
    return CopyFileW(paths->first.c_str(), paths->second.c_str(), failIfExists);
}

// A read-only file counts as refused, as the layer's writes refuse it.
bool canOpenExclusive(const std::string& path) {
    const std::optional<std::wstring> wide = apiPath(path);
    if (!wide) return false;
    if (isReadOnly(*wide)) return native::fail(ERR_ACCESS_DENIED);
    const HANDLE handle = CreateFileW(wide->c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(handle);
    return true;
}

bool createDirectory(const std::string& path) {
    const std::optional<std::wstring> wide = apiPath(path);
    return wide && CreateDirectoryW(wide->c_str(), nullptr);
}

bool removeDirectory(const std::string& path) {
    const std::optional<std::wstring> wide = apiPath(path);
    return wide && RemoveDirectoryW(wide->c_str());
}

std::unique_ptr<File> openFile(const std::string& path, OpenMode mode) {
    const std::optional<std::wstring> wide = apiPath(path);
    if (!wide) return nullptr;
    const Opening opening = openingFor(mode);
    const HANDLE handle = openHandle(*wide, opening.access, opening.creation);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    auto file = std::make_unique<WindowsFile>(handle);
    if (!position(handle, mode)) return nullptr;
    return file;
}

bool fileStamp(const std::string& path, FileStamp& stamp) {
    const std::optional<std::wstring> wide = apiPath(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!wide || !GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &data)) return false;
    stamp.size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    stamp.lastWrite = native::fromFiletime(data.ftLastWriteTime);
    return true;
}

bool setLastWriteTime(const std::string& path, FileTime utc) {
    const std::optional<std::wstring> wide = apiPath(path);
    if (!wide) return false;
    const HANDLE handle = openHandle(*wide, GENERIC_WRITE, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const FILETIME time = native::toFiletime(utc);
    const bool set = SetFileTime(handle, nullptr, nullptr, &time);
    CloseHandle(handle);
    return set;
}

}  // namespace win
