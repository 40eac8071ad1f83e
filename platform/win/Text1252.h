// Windows-1252 text helpers shared by the profile parser, the host back end
// and the display back ends: upper-casing as the Western code page does it,
// comparisons without case, and the code page against Unicode and UTF-8.
// Header-only so that the fuzz targets can use them alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace win::text {

// The upper-case byte of a Windows-1252 character (sharp s and micro sign have none).
constexpr unsigned char upper(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
    switch (c) {
        case 0x9A: return 0x8A;  // s caron
        case 0x9C: return 0x8C;  // oe
        case 0x9E: return 0x8E;  // z caron
        case 0xFF: return 0x9F;  // y diaeresis
        default: return c;
    }
}

inline std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(upper(static_cast<unsigned char>(c)));
    return out;
}

inline bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(static_cast<unsigned char>(a[i])) != upper(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

constexpr bool isBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Unicode of the bytes 0x80..0x9F; the five bytes Windows-1252 leaves
// unassigned map to the C1 controls of the same value, as Windows' own
// conversion does, so that a conversion there and back loses nothing.
inline constexpr uint16_t kHighBytes[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr uint32_t unicodeOf(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kHighBytes[c - 0x80] : c; }

// Whether the byte is one of the five the code page leaves unassigned.
constexpr bool isUnassigned(unsigned char c) { return c >= 0x80 && c < 0xA0 && unicodeOf(c) == c; }

inline std::optional<unsigned char> byteOf(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
    for (unsigned i = 0; i < 32; ++i)
        if (kHighBytes[i] == cp) return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

// Code points of the Basic Multilingual Plane, which is all the code page needs.
inline void appendUtf8(std::string& out, uint32_t cp) {
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

// Decodes one UTF-8 sequence at s[i]; its length, 0 when it is not valid there.
inline std::size_t decodeUtf8(std::string_view s, std::size_t i, uint32_t& cp) {
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
    constexpr uint32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

}  // namespace win::text
