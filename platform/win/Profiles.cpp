// The profile operations: the file is read through the layer on every call
// (no cache) and parsed by the profile rules.
#include "Profile.h"
#include "Win.h"

namespace win {
namespace {

// A name without directory means the Windows directory, as on Windows.
std::string profilePath(const std::string& file) {
    if (file.find_first_of("\\/:") != std::string::npos) return file;
    return windowsDirectory().value_or("") + "\\" + file;
}

std::string profileText(const std::string& file) {
    std::string text;
    return readWholeFile(profilePath(file), text) ? text : "";
}

}  // namespace

std::optional<std::string> profileString(const std::string& file, const std::string& section, const std::string& key) {
    return profile::readString(profileText(file), section, key);
}

std::vector<std::string> profileKeys(const std::string& file, const std::string& section) {
    return profile::keyNames(profileText(file), section);
}

std::vector<std::string> profileSections(const std::string& file) {
    return profile::sectionNames(profileText(file));
}

bool profileWriteString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) {
    const std::string path = profilePath(file);
    std::string text;
    if (fileExists(path) && !readWholeFile(path, text)) return false;
    return writeWholeFile(path, profile::writeString(text, section, key, value));
}

}  // namespace win
