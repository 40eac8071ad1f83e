// The Windows file search, in the layer's fixed order: "." and ".." first,
// then the names by their upper-cased bytes (the file system's own order
// differs between FAT, NTFS and Wine's host folders).
#include "Native.h"
#include "Text1252.h"

#include <algorithm>

namespace win {
namespace {

FindData describe(const WIN32_FIND_DATAW& data) {
    FindData found;
    found.name = native::fromWide(data.cFileName);
    found.attributes = data.dwFileAttributes;
    found.size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    found.lastWrite = native::fromFiletime(data.ftLastWriteTime);
    return found;
}

int rank(const std::string& name) {
    if (name == ".") return 0;
    if (name == "..") return 1;
    return 2;
}

bool searchOrder(const FindData& a, const FindData& b) {
    if (rank(a.name) != rank(b.name)) return rank(a.name) < rank(b.name);
    return text::upper(a.name) < text::upper(b.name);
}

}  // namespace

// The pattern goes to Windows as it was given: the search's own rules
// ("*.*", "*.", "?") apply, and so does its matching of short 8.3 names.
std::vector<FindData> findFiles(const std::string& mask) {
    std::vector<FindData> found;
    const std::optional<std::wstring> wide = native::apiPath(mask);
    if (!wide) return found;
    WIN32_FIND_DATAW data;
    const HANDLE search = FindFirstFileW(wide->c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return found;
    do found.push_back(describe(data));
    while (FindNextFileW(search, &data));
    FindClose(search);
    std::sort(found.begin(), found.end(), searchOrder);
    return found;
}

}  // namespace win
