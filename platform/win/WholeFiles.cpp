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

std::string freshNameBeside(const std::string& path) {
    const std::size_t cut = path.find_last_of(".\\/:");
    const std::string stem = cut != std::string::npos && path[cut] == '.' ? path.substr(0, cut) : path;
    std::string name = stem + ".$$$";
    for (unsigned n = 1; getFileAttributes(name) != kInvalidAttributes; ++n) name = stem + ".$" + std::to_string(n);
    return name;
}

}  // namespace

bool replaceWholeFile(const std::string& path, const std::string& content) {
    const std::string fresh = freshNameBeside(path);
    if (writeWholeFile(fresh, content) && replaceFile(fresh, path)) return true;
    const uint32_t error = lastError();
    deleteFile(fresh);
    setLastError(error);
    return false;
}

}  // namespace win
