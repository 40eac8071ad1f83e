// Whole-file helpers over the layer's byte streams, for both back ends.
#include "Win.h"

namespace win {

bool readWholeFile(const std::string& path, std::string& content) {
    std::unique_ptr<File> file = openFile(path, OpenMode::Read);
    if (!file) return false;
    content.clear();
    char buffer[65536];
    while (const std::size_t n = file->read(buffer, sizeof buffer)) content.append(buffer, n);
    const bool failed = file->failed();
    return file->close() && !failed;
}

bool writeWholeFile(const std::string& path, const std::string& content) {
    std::unique_ptr<File> file = openFile(path, OpenMode::Create);
    if (!file) return false;
    file->write(content.data(), content.size());
    return file->close();
}

namespace {

// Where the name's extension begins (its end when it has none).
std::size_t extensionAt(const std::string& path) {
    const std::size_t cut = path.find_last_of(".\\/:");
    return cut != std::string::npos && path[cut] == '.' ? cut : path.size();
}

}  // namespace

std::string unusedPath(const std::string& path) {
    const std::size_t at = extensionAt(path);
    std::string candidate = path;
    for (unsigned n = 1; getFileAttributes(candidate) != kInvalidAttributes; ++n)
        candidate = path.substr(0, at) + "~" + std::to_string(n) + path.substr(at);
    return candidate;
}

bool replaceWholeFile(const std::string& path, const std::string& content) {
    const std::string fresh = unusedPath(path.substr(0, extensionAt(path)) + ".$$$");
    if (writeWholeFile(fresh, content) && replaceFile(fresh, path)) return true;
    const uint32_t error = lastError();
    deleteFile(fresh);
    setLastError(error);
    return false;
}

}  // namespace win
