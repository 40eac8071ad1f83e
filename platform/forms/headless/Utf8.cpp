#include "Utf8.h"

#include <array>
#include <cstdint>

namespace forms::headless {

namespace {

// Unicode of the bytes 0x80..0x9F; 0 where Windows-1252 has no character.
constexpr std::array<uint16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint32_t unicodeOf(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
    return byte;
}

std::optional<char> byteOf(uint32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code < 0x100)) return static_cast<char>(code);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == code) return static_cast<char>(0x80 + i);
    return std::nullopt;
}

void appendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::string cp1252ToUtf8(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        const uint32_t code = unicodeOf(c);
        appendUtf8(out, code != 0 ? code : 0xFFFD);  // the five unassigned bytes
    }
    return out;
}

std::optional<std::string> utf8ToCp1252(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) return std::nullopt;
        uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            code = (code << 6) | (next & 0x3F);
        }
        const std::optional<char> byte = byteOf(code);
        if (!byte) return std::nullopt;
        out += *byte;
        i += length;
    }
    return out;
}

std::optional<char> cp1252FromUnicode(uint32_t code) { return byteOf(code); }

}  // namespace forms::headless
