// The class library's INI file object over the layer's profile file.
//
// The file is kept parsed and read again only when it changed on disk, so
// that every read sees the file as it is now at the cost of one look at its
// size and time; every write goes to disk at once.  The profile rules (names
// without case, blanks and one pair of quotes around a value dropped, values
// cut at 2047 characters) are the layer's.
#pragma once

#include "Classes.h"
#include "Win.h"

#include <string>
#include <vector>

class TIniFile : public TObject {
public:
    explicit TIniFile(std::string fileName) : m_sFileName(std::move(fileName)), m_file(m_sFileName) {}

    const std::string& FileName() const { return m_sFileName; }

    // Missing file, section or key: the default; a key present but empty: "".
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // Decimal or hexadecimal ("0x"); the default when it is no number.
    int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
    // The key names of the section in file order (duplicates kept), as far
    // as they fit whole into the profile call's 16384-character buffer.
    void ReadSection(const std::string& section, TStrings* strings) const;
    // The section names in file order, bounded the same way.
    void ReadSections(TStrings* strings) const;
    // "name=value" for each key name, the value read again by name (so a
    // repeated key gives its first value each time).
    void ReadSectionValues(const std::string& section, TStrings* strings) const;
    // As ReadSectionValues, for every key of the section however many there are.
    void ReadWholeSectionValues(const std::string& section, TStrings* strings) const;

    // Raises EIniFileException "Unable to write to %s" when the write fails.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Writes are on disk already, so there is nothing to flush.
    void UpdateFile() {}

private:
    void AddValues(const std::string& section, const std::vector<std::string>& keys, TStrings* strings) const;
    std::string m_sFileName;
    win::ProfileFile m_file;
};
