// Fuzzes the profile parser: the input is a file's text (after a few bytes
// that choose a section, key and value); every read must stay in bounds, and
// a value written with well-formed names must read back by the profile rules.
#include "Profile.h"
#include "Text1252.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

namespace {

namespace profile = win::profile;

// Names that the file format can hold: one line, no delimiters of their
// kind, no blanks at the ends (which the reader would drop).
bool writableName(const std::string& name, const char* delimiters) {
    return !name.empty() && name.find_first_of(delimiters) == std::string::npos &&
           win::text::trimBlanks(name) == name;
}

std::string expectedRead(const std::string& value) {
    std::string v(win::text::trimBlanks(value));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
    return v.substr(0, profile::kMaxValue);
}

void readEverything(const std::string& text) {
    for (const std::string& section : profile::sectionNames(text))
        for (const std::string& key : profile::keyNames(text, section)) (void)profile::readString(text, section, key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(32);
    const std::string key = input.ConsumeRandomLengthString(32);
    const std::string value = input.ConsumeRandomLengthString(64);
    const std::string text = input.ConsumeRemainingBytesAsString();

    readEverything(text);
    (void)profile::readString(text, section, key);
    const std::string written = profile::writeString(text, section, key, value);
    readEverything(written);
    (void)profile::deleteKey(written, section, key);

    const bool wellFormed = writableName(section, "]\r\n") && writableName(key, "=\r\n") && key[0] != '[' &&
                            key[0] != ';' && value.find_first_of("\r\n") == std::string::npos;
    if (wellFormed && profile::readString(written, section, key) != expectedRead(value)) __builtin_trap();
    return 0;
}
