// Tools: files that other programs or later runs rely on are replaced whole,
// never rewritten in place, so a failure half way leaves the old one.
#include "Tools.h"

#include "Classes.h"
#include "SysUtils.h"
#include "Win.h"

namespace {

// A temporary file of ours, whatever attributes its copy brought along.
void DeleteTemporary(const std::string& path) {
    win::setFileAttributes(path, win::ATTR_NORMAL);
    win::deleteFile(path);
}

}  // namespace

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
    return win::replaceWholeFile(file, lines.Text());
}

bool CopyFileReplacing(const std::string& from, const std::string& to) {
    const std::string temporary = win::unusedPath(ChangeFileExt(to, ".$$$"));
    if (win::copyFile(from, temporary, true) && win::replaceFile(temporary, to)) return true;
    DeleteTemporary(temporary);
    return false;
}
