#include "Utf8.h"

#include "Text1252.h"

#include <cstdint>

namespace forms::headless {

std::string cp1252ToUtf8(const std::string& text) {
    std::string out;
    for (unsigned char c : text)
        win::text::appendUtf8(out, win::text::isUnassigned(c) ? 0xFFFD : win::text::unicodeOf(c));
    return out;
}

std::optional<std::string> utf8ToCp1252(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        const std::size_t length = win::text::decodeUtf8(text, i, code);
        const std::optional<char> byte = length == 0 ? std::nullopt : cp1252FromUnicode(code);
        if (!byte) return std::nullopt;
        out += *byte;
        i += length;
    }
    return out;
}

// A person's text has no C1 controls: the unassigned bytes are not typed.
std::optional<char> cp1252FromUnicode(uint32_t code) {
    const std::optional<unsigned char> byte = win::text::byteOf(code);
    if (!byte || win::text::isUnassigned(*byte)) return std::nullopt;
    return static_cast<char>(*byte);
}

}  // namespace forms::headless
