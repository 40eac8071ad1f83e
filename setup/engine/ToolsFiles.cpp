// Tools: files that other programs or later runs rely on are replaced whole,
// never rewritten in place, so a failure half way leaves the old one.
#include "Tools.h"

#include "Classes.h"
#include "SysUtils.h"
#include "Win.h"

namespace {

bool PathTaken(const std::string& path) { return FileExists(path) || DirectoryExists(path); }

// A temporary file of ours, whatever attributes its copy brought along.
void DeleteTemporary(const std::string& path) {
    win::setFileAttributes(path, win::ATTR_NORMAL);
    win::deleteFile(path);
}

}  // namespace

std::string UnusedPath(const std::string& path) {
    if (!PathTaken(path)) return path;
    const std::string extension = ExtractFileExt(path);
    const std::string stem = path.substr(0, path.size() - extension.size());
    for (int n = 1;; ++n) {
        const std::string candidate = stem + "~" + IntToStr(n) + extension;
        if (!PathTaken(candidate)) return candidate;
    }
}

bool LoadListIfReadable(TStringList& lines, const std::string& file) {
    lines.Clear();
    if (!FileExists(file)) return true;
    try {
        lines.LoadFromFile(file);
        return true;
    } catch (const Exception&) {
        lines.Clear();
        return false;
    }
}

bool SaveListReplacing(const TStringList& lines, const std::string& file) {
    const std::string temporary = UnusedPath(ChangeFileExt(file, ".$$$"));
    try {
        lines.SaveToFile(temporary);
    } catch (const Exception&) {
        DeleteTemporary(temporary);
        return false;
    }
    if (win::replaceFile(temporary, file)) return true;
    DeleteTemporary(temporary);
    return false;
}

bool CopyFileReplacing(const std::string& from, const std::string& to) {
    const std::string temporary = UnusedPath(ChangeFileExt(to, ".$$$"));
    if (win::copyFile(from, temporary, true) && win::replaceFile(temporary, to)) return true;
    DeleteTemporary(temporary);
    return false;
}
