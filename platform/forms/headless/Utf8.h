// Windows-1252 text at the host's UTF-8 edges: scripts in, transcripts out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace forms::headless {

std::string cp1252ToUtf8(const std::string& text);
// nullopt for malformed UTF-8 or a character Windows-1252 lacks.
std::optional<std::string> utf8ToCp1252(const std::string& text);
// The Windows-1252 byte of one Unicode character, nullopt where it has none.
std::optional<char> cp1252FromUnicode(uint32_t code);

}  // namespace forms::headless
