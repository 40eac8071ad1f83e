// The Windows profile (INI) rules as pure functions on a file's text, so that
// the same parser serves the profile operations, machine.ini and the fuzzer.
//
// Sections and keys are matched without case; blanks around a value are
// dropped and one pair of matching surrounding quotes (" or ') removed; a
// value is cut at kMaxValue characters.  Lines end in CR LF or LF; a line
// starting with ";" is a comment; lines before the first section belong to
// none.  Only the first section of a name is read or written.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win::profile {

constexpr std::size_t kMaxValue = 2047;

// nullopt when the section or key is missing (or the key line has no "=");
// "" for a key that is present with an empty value.
std::optional<std::string> readString(std::string_view text, std::string_view section, std::string_view key);
// Key names of the section in file order, as written (trimmed).
std::vector<std::string> keyNames(std::string_view text, std::string_view section);
// Section names in file order.
std::vector<std::string> sectionNames(std::string_view text);

// The text after writing key=value: an existing key is replaced in place, a
// new key goes after the last line of its section, a new section to the end
// of the file.  The result has CR LF lines.
std::string writeString(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);
// The text without the key (unchanged when it is not there).
std::string deleteKey(std::string_view text, std::string_view section, std::string_view key);

}  // namespace win::profile
