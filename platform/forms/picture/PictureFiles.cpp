#include "PictureFiles.h"

#include "Win.h"
#include "headless/Utf8.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace forms {

namespace {

#ifdef _WIN32
constexpr const char* kSeparators = "/\\";
#else
constexpr const char* kSeparators = "/";
#endif

void makeFolders(const std::string& path) {
    for (std::size_t at = path.find_first_of(kSeparators, 1); at != std::string::npos;
         at = path.find_first_of(kSeparators, at + 1))
        win::createDirectory(path.substr(0, at));
    win::createDirectory(path);
}

// A file name part of a page or box name: letters, digits, "-" and "_".
std::string fileNamePart(const std::string& name) {
    std::string out;
    for (char c : name)
        out += (std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80) || c == '-' ? c : '_';
    return out.empty() ? "window" : out;
}

}  // namespace

std::string pictureFolderFromEnvironment() {
    const char* value = std::getenv("SETUP_SCREENSHOTS");
    if (!value || !*value) return "";
    const std::string absolute = std::filesystem::absolute(value).string();
    const std::string folder = headless::utf8ToCp1252(absolute).value_or(absolute);
    makeFolders(folder);
    return folder;
}

std::string nextPicturePath(const std::string& folder, const std::string& name) {
    char number[24];
    std::snprintf(number, sizeof number, "%04llu", static_cast<unsigned long long>(win::nextSequenceNumber()));
    return folder + "/" + number + "-" + fileNamePart(name) + ".png";
}

}  // namespace forms
