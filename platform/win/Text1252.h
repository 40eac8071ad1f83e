// Windows-1252 text helpers shared by the profile parser and the host back
// end: upper-casing as the Western code page does it, and comparisons
// without case.  Header-only so that the fuzz target can use them alone.
#pragma once

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

}  // namespace win::text
