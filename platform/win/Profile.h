// The Windows profile (INI) rules on a file's text, so that the same parser
// serves the profile operations, the class library's INI object, machine.ini
// and the fuzzer.
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
#include <unordered_map>
#include <vector>

namespace win::profile {

constexpr std::size_t kMaxValue = 2047;

// A text parsed once for any number of reads: each read costs about the
// length of what it returns, not the length of the text.
class Document {
public:
    explicit Document(std::string text);
    // The lines point into the text.
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // As the functions of the same names below.
    std::optional<std::string> readString(std::string_view section, std::string_view key) const;
    std::vector<std::string> keyNames(std::string_view section) const;
    std::vector<std::string> sectionNames() const;
    std::string writeString(std::string_view section, std::string_view key, std::string_view value) const;
    std::string deleteKey(std::string_view section, std::string_view key) const;

private:
    struct Line {
        enum Kind { Blank, Comment, Section, Key };
        std::string_view raw;  // without its line end
        Kind kind = Blank;
        std::string_view name;   // section or key name, trimmed
        std::string_view value;  // after "=", trimmed
        bool hasValue = false;
    };
    // The first section of a name: its header line, one past its last line,
    // and its first key line of each upper-cased name, made on first use.
    struct Section {
        std::size_t header = 0, end = 0;
        mutable std::optional<std::unordered_map<std::string, std::size_t>> keys;
    };

    static Line classify(std::string_view raw);
    const Section* findSection(std::string_view section) const;
    // Index of the key line inside the section, or lines_.size().
    std::size_t findKey(std::string_view section, std::string_view key) const;
    std::vector<std::string> rawLines() const;

    std::string text_;
    std::vector<Line> lines_;
    std::unordered_map<std::string, Section> sections_;  // by upper-cased name
};

// One-off reads and writes of a text.
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
