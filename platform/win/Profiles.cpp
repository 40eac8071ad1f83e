// The profile files: parsed by the profile rules, read through the layer
// again whenever the file's stamp differs from that of the copy kept.
#include "Profile.h"
#include "Win.h"

namespace win {
namespace {

// A name without directory means the Windows directory, as on Windows.
std::string profilePath(const std::string& file) {
    if (file.find_first_of("\\/:") != std::string::npos) return file;
    return windowsDirectory().value_or("") + "\\" + file;
}

std::optional<FileStamp> stampOf(const std::string& path) {
    FileStamp stamp;
    if (!fileStamp(path, stamp)) return std::nullopt;
    return stamp;
}

}  // namespace

ProfileFile::ProfileFile(const std::string& file) : path_(profilePath(file)) {}

ProfileFile::~ProfileFile() = default;

// A file that is missing reads as empty, and so does one that cannot be read
// (which is tried again on the next call).
const profile::Document& ProfileFile::current() const {
    const std::optional<FileStamp> stamp = stampOf(path_);
    if (!parsed_ || !whole_ || stamp != stamp_) {
        std::string text;
        const bool whole = !stamp || readWholeFile(path_, text);
        keep(whole, stamp, whole ? std::move(text) : std::string());
    }
    return *parsed_;
}

void ProfileFile::keep(bool whole, std::optional<FileStamp> stamp, std::string text) const {
    parsed_ = std::make_unique<profile::Document>(std::move(text));
    stamp_ = stamp;
    whole_ = whole;
}

std::optional<std::string> ProfileFile::readString(const std::string& section, const std::string& key) const {
    return current().readString(section, key);
}

std::vector<std::optional<std::string>> ProfileFile::readStrings(const std::string& section,
                                                                 const std::vector<std::string>& keys) const {
    const profile::Document& document = current();
    std::vector<std::optional<std::string>> values;
    values.reserve(keys.size());
    for (const std::string& key : keys) values.push_back(document.readString(section, key));
    return values;
}

std::vector<std::string> ProfileFile::keys(const std::string& section) const { return current().keyNames(section); }

std::vector<std::string> ProfileFile::sections() const { return current().sectionNames(); }

bool ProfileFile::writeString(const std::string& section, const std::string& key, const std::string& value) {
    std::string text = current().writeString(section, key, value);
    if (!whole_ || !replaceWholeFile(path_, text)) return false;
    const std::optional<FileStamp> stamp = stampOf(path_);
    keep(stamp.has_value(), stamp, std::move(text));
    return true;
}

}  // namespace win
