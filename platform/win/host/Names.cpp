// The host's edge for text: Windows-1252 names and file texts against UTF-8.
#include "Host.h"
#include "Text1252.h"

#include <cstdio>
#include <fstream>
#include <sstream>
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

std::string readMachineText(const std::string& hostFile) {
    std::ifstream in(hostFile, std::ios::binary);
    if (!in) return "";
    std::ostringstream s;
    s << in.rdbuf();
    const std::string bytes = s.str();
    return toCp1252(bytes);
}

bool writeFileAtomically(const std::string& hostFile, const std::string& bytes) {
    const std::string temp = hostFile + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << bytes;
        out.flush();
        if (!out) return false;
    }
    return std::rename(temp.c_str(), hostFile.c_str()) == 0;
}

}  // namespace win::host
