// Fonts and broadcasts.  The machine keeps no font table of its own: what
// was added, and every broadcast, is in the journal.
#include "Host.h"

namespace win {
namespace {

bool isTrueType(const std::string& bytes) {
    return bytes.starts_with(std::string("\x00\x01\x00\x00", 4)) || bytes.starts_with("true");
}

bool isBitmapFont(const std::string& bytes) { return bytes.starts_with("MZ"); }

std::string messageName(uint32_t message) {
    switch (message) {
        case WM_WININICHANGE: return "WM_WININICHANGE";
        case WM_FONTCHANGE: return "WM_FONTCHANGE";
        default: return std::to_string(message);
    }
}

}  // namespace

bool createScalableFontResource(uint32_t hidden, const std::string& fontResource, const std::string& fontFile,
                                const std::string& currentPath) {
    std::string font;
    if (!readWholeFile(fontFile, font)) return false;
    if (!isTrueType(font)) return host::fail(ERR_INVALID_DATA);
    if (fileExists(fontResource)) return host::fail(ERR_FILE_EXISTS);
    const std::string named = currentPath.empty() ? fontFile : currentPath;
    return writeWholeFile(fontResource, "FONTRES hidden=" + std::to_string(hidden) + " font=" + named + "\r\n");
}

int addFontResource(const std::string& fontFile) {
    std::string font;
    if (!readWholeFile(fontFile, font)) return 0;
    if (!isTrueType(font) && !isBitmapFont(font)) {
        host::fail(ERR_INVALID_DATA);
        return 0;
    }
    journal("font added path=\"" + fontFile + "\"");
    return 1;
}

bool broadcastNotify(uint32_t message) {
    journal("broadcast " + messageName(message));
    return true;
}

bool broadcastWithTimeout(uint32_t message, const std::string& text, uint32_t flags, uint32_t timeoutMs) {
    journal("broadcast " + messageName(message) + " text=\"" + text + "\" flags=" + std::to_string(flags) +
            " timeout=" + std::to_string(timeoutMs));
    return true;
}

}  // namespace win
