// The host's edge for text: Windows-1252 names and file texts against UTF-8.
#include "Host.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace win::host {
namespace {

// Unicode code points of 0x80..0x9F; the five unassigned bytes map to the C1
// controls of the same value, as Windows' conversion does.
constexpr uint16_t kHighTable[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

uint32_t codePoint(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kHighTable[c - 0x80] : c; }

std::optional<unsigned char> byteOf(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
    for (unsigned i = 0; i < 32; ++i)
        if (kHighTable[i] == cp) return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at s[i]; 0 when it is not valid there.
std::size_t decodeUtf8(std::string_view s, std::size_t i, uint32_t& cp) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t length = 0;
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    if ((c & 0xE0) == 0xC0) {
        length = 2;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + length > s.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    static constexpr uint32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

bool isValidUtf8(std::string_view s) {
    uint32_t cp = 0;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = decodeUtf8(s, i, cp);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

}  // namespace

std::string toUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size());
    for (char c : cp1252) appendUtf8(out, codePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string toCp1252(std::string_view utf8) {
    if (!isValidUtf8(utf8)) return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    uint32_t cp = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        i += decodeUtf8(utf8, i, cp);
        out += static_cast<char>(byteOf(cp).value_or('?'));
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
