#include "IniFiles.h"

#include "SysUtils.h"
#include "Win.h"

#include <vector>

namespace {

// The profile call returns names as "name\0name\0...\0\0" in a buffer of
// this many characters.  A name that does not fit whole is left out with
// those after it: the call would hand back a cut-off name that names nothing.
constexpr std::size_t kNamesBuffer = 16384;

void addNamesThatFit(const std::vector<std::string>& names, TStrings* strings) {
    std::size_t used = 0;
    for (const std::string& name : names) {
        if (used + name.size() + 2 > kNamesBuffer) break;  // its zero and the final one
        strings->Add(name);
        used += name.size() + 1;
    }
}

}  // namespace

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
    return m_file.readString(section, key).value_or(defaultValue);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int defaultValue) const {
    // StrToIntDef knows the "0x" prefix.
    return StrToIntDef(ReadString(section, key, ""), defaultValue);
}

void TIniFile::ReadSection(const std::string& section, TStrings* strings) const {
    strings->Clear();
    addNamesThatFit(m_file.keys(section), strings);
}

void TIniFile::ReadSections(TStrings* strings) const {
    strings->Clear();
    addNamesThatFit(m_file.sections(), strings);
}

void TIniFile::ReadSectionValues(const std::string& section, TStrings* strings) const {
    TStringList keys;
    ReadSection(section, &keys);
    std::vector<std::string> names;
    for (int i = 0; i < keys.Count(); ++i) names.push_back(keys[i]);
    AddValues(section, names, strings);
}

void TIniFile::ReadWholeSectionValues(const std::string& section, TStrings* strings) const {
    AddValues(section, m_file.keys(section), strings);
}

void TIniFile::AddValues(const std::string& section, const std::vector<std::string>& keys, TStrings* strings) const {
    const std::vector<std::optional<std::string>> values = m_file.readStrings(section, keys);
    strings->Clear();
    for (std::size_t i = 0; i < keys.size(); ++i) strings->Add(keys[i] + "=" + values[i].value_or(""));
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    if (!m_file.writeString(section, key, value))
        throw EIniFileException("Unable to write to " + m_sFileName);
}
