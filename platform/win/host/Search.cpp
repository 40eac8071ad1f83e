// The Windows file search: wildcards as the Windows search matches them and
// a fixed order, "." and ".." first, then the names by their upper-cased bytes.
#include "Host.h"
#include "Text1252.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace win::host {
namespace {

// The search's pattern tokens: a literal (upper-cased byte) or one of the
// wildcards.  "?" and the dots and stars next to dots get the DOS meanings
// that make "*.*" match names without a dot and "*." only those.
enum Token : int { kStar = 256, kDosStar, kDosQm, kDosDot };

std::vector<int> translate(std::string_view pattern) {
    std::vector<int> tokens;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (c == '?') tokens.push_back(kDosQm);
        else if (c == '.' && (next == '?' || next == '*' || next == '\0')) tokens.push_back(kDosDot);
        else if (c == '*') tokens.push_back(next == '.' ? kDosStar : kStar);
        else tokens.push_back(text::upper(static_cast<unsigned char>(c)));
    }
    return tokens;
}

class Matcher {
public:
    Matcher(std::string_view name, std::vector<int> tokens)
        : name_(text::upper(name)), tokens_(std::move(tokens)),
          lastDot_(name_.rfind('.')), memo_((tokens_.size() + 1) * (name_.size() + 1), kUnknown) {}

    bool match(std::size_t t, std::size_t n) {
        char& known = memo_[t * (name_.size() + 1) + n];
        if (known == kUnknown) known = compute(t, n) ? kYes : kNo;
        return known == kYes;
    }

private:
    static constexpr char kUnknown = 0, kYes = 1, kNo = 2;

    bool compute(std::size_t t, std::size_t n) {
        const std::size_t end = name_.size();
        if (t == tokens_.size()) return n == end;
        switch (tokens_[t]) {
            case kStar:
                for (std::size_t k = n; k <= end; ++k)
                    if (match(t + 1, k)) return true;
                return false;
            case kDosStar:  // any run that does not swallow the name's last dot
                for (std::size_t k = n; k <= end; ++k) {
                    if (match(t + 1, k)) return true;
                    if (k < end && k == lastDot_) return false;
                }
                return false;
            case kDosQm:  // one character, or nothing at a dot or the end
                if (n < end && name_[n] != '.') return match(t + 1, n + 1);
                return match(t + 1, n);
            case kDosDot:  // a dot, or nothing at the end
                if (n < end && name_[n] == '.') return match(t + 1, n + 1);
                return n == end && match(t + 1, n);
            default:
                return n < end && static_cast<unsigned char>(name_[n]) == tokens_[t] && match(t + 1, n + 1);
        }
    }

    std::string name_;
    std::vector<int> tokens_;
    std::size_t lastDot_;
    std::vector<char> memo_;
};

// The mask's directory (as a path to resolve) and its name pattern.
std::pair<std::string, std::string> splitMask(const std::string& mask) {
    const std::size_t slash = mask.find_last_of("\\/");
    if (slash != std::string::npos) return {mask.substr(0, slash + 1), mask.substr(slash + 1)};
    if (mask.size() >= 2 && mask[1] == ':') return {mask.substr(0, 2), mask.substr(2)};
    return {".", mask};
}

std::optional<FindData> describe(const std::string& host, std::string name, bool isRoot) {
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0) return std::nullopt;
    FindData d;
    d.name = std::move(name);
    d.attributes = reportedAttributes(host, S_ISDIR(st.st_mode), isRoot);
    d.size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
    d.lastWrite = hostTimeToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    return d;
}

}  // namespace
}  // namespace win::host

namespace win {

bool matchesMask(const std::string& name, const std::string& pattern) {
    return host::Matcher(name, host::translate(pattern)).match(0, 0);
}

std::vector<FindData> findFiles(const std::string& mask) {
    std::vector<FindData> found;
    const auto [dir, pattern] = host::splitMask(mask);
    const std::optional<host::Resolved> r = host::resolve(dir);
    if (!r) return found;
    if (r->drive && (mask.size() >= kMaxPath || r->windows.size() + 1 + pattern.size() >= kMaxPath)) {
        host::fail(ERR_FILENAME_EXCED_RANGE);
        return found;
    }
    DIR* d = ::opendir(r->host.c_str());
    if (!d) {
        host::fail(ERR_PATH_NOT_FOUND);
        return found;
    }
    while (const dirent* e = ::readdir(d)) {
        const std::string entry = e->d_name;
        if (entry == "." || entry == "..") continue;
        std::string name = host::toCp1252(entry);
        if (!pattern.empty() && matchesMask(name, pattern))
            if (auto data = host::describe(r->host + "/" + entry, std::move(name), false)) found.push_back(*data);
    }
    ::closedir(d);
    std::sort(found.begin(), found.end(),
              [](const FindData& a, const FindData& b) { return text::upper(a.name) < text::upper(b.name); });
    if (!r->root) {
        const std::string parent = r->host.substr(0, r->host.rfind('/'));
        const bool parentIsRoot = r->drive ? parent == r->drive->folder : parent.empty();
        std::vector<FindData> dots;
        if (matchesMask(".", pattern))
            if (auto data = host::describe(r->host, ".", false)) dots.push_back(*data);
        if (matchesMask("..", pattern))
            if (auto data = host::describe(parent.empty() ? "/" : parent, "..", parentIsRoot)) dots.push_back(*data);
        found.insert(found.begin(), dots.begin(), dots.end());
    }
    if (found.empty()) host::fail(ERR_FILE_NOT_FOUND);
    return found;
}

}  // namespace win
