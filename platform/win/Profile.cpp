#include "Profile.h"

#include "Text1252.h"

namespace win::profile {
namespace {

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string join(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

}  // namespace

Document::Document(std::string text) : text_(std::move(text)) {
    std::string_view rest = text_;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view raw = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        lines_.push_back(classify(raw));
    }
    Section* open = nullptr;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != Line::Section) continue;
        if (open) open->end = i;
        const auto [at, first] = sections_.try_emplace(text::upper(lines_[i].name), Section{i, lines_.size(), {}});
        open = first ? &at->second : nullptr;
    }
}

Document::Line Document::classify(std::string_view raw) {
    Line line;
    line.raw = raw;
    const std::string_view body = text::trimBlanks(raw);
    if (body.empty()) return line;
    if (body.front() == ';') {
        line.kind = Line::Comment;
        return line;
    }
    if (body.front() == '[') {
        const std::size_t close = body.rfind(']');
        if (close != std::string_view::npos) {
            line.kind = Line::Section;
            line.name = text::trimBlanks(body.substr(1, close - 1));
            return line;
        }
    }
    line.kind = Line::Key;
    const std::size_t eq = body.find('=');
    if (eq == std::string_view::npos) {
        line.name = body;
    } else {
        line.name = text::trimBlanks(body.substr(0, eq));
        line.value = text::trimBlanks(body.substr(eq + 1));
        line.hasValue = true;
    }
    return line;
}

const Document::Section* Document::findSection(std::string_view section) const {
    const auto at = sections_.find(text::upper(section));
    return at == sections_.end() ? nullptr : &at->second;
}

std::size_t Document::findKey(std::string_view section, std::string_view key) const {
    const Section* s = findSection(section);
    if (!s) return lines_.size();
    if (!s->keys) {
        s->keys.emplace();
        for (std::size_t i = s->header + 1; i < s->end; ++i)
            if (lines_[i].kind == Line::Key) s->keys->try_emplace(text::upper(lines_[i].name), i);
    }
    const auto at = s->keys->find(text::upper(key));
    return at == s->keys->end() ? lines_.size() : at->second;
}

std::vector<std::string> Document::rawLines() const {
    std::vector<std::string> out;
    out.reserve(lines_.size() + 2);
    for (const Line& line : lines_) out.emplace_back(line.raw);
    return out;
}

std::optional<std::string> Document::readString(std::string_view section, std::string_view key) const {
    const std::size_t at = findKey(section, key);
    if (at == lines_.size() || !lines_[at].hasValue) return std::nullopt;
    return std::string(unquote(lines_[at].value).substr(0, kMaxValue));
}

std::vector<std::string> Document::keyNames(std::string_view section) const {
    std::vector<std::string> names;
    const Section* s = findSection(section);
    if (!s) return names;
    for (std::size_t i = s->header + 1; i < s->end; ++i)
        if (lines_[i].kind == Line::Key && !lines_[i].name.empty()) names.emplace_back(lines_[i].name);
    return names;
}

std::vector<std::string> Document::sectionNames() const {
    std::vector<std::string> names;
    for (const Line& line : lines_)
        if (line.kind == Line::Section) names.emplace_back(line.name);
    return names;
}

std::string Document::writeString(std::string_view section, std::string_view key, std::string_view value) const {
    std::vector<std::string> out = rawLines();
    const std::string entry = std::string(key) + "=" + std::string(value);
    const Section* s = findSection(section);
    if (!s) {
        out.push_back("[" + std::string(section) + "]");
        out.push_back(entry);
        return join(out);
    }
    const std::size_t at = findKey(section, key);
    if (at != lines_.size()) {
        out[at] = std::string(lines_[at].name) + "=" + std::string(value);
        return join(out);
    }
    // After the last non-blank line of the section, so that a blank line
    // separating it from the next section stays where it is.
    std::size_t insertAt = s->header + 1;
    for (std::size_t i = s->header + 1; i < s->end; ++i)
        if (lines_[i].kind != Line::Blank) insertAt = i + 1;
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
    return join(out);
}

std::string Document::deleteKey(std::string_view section, std::string_view key) const {
    const std::size_t at = findKey(section, key);
    if (at == lines_.size()) return text_;
    std::vector<std::string> out = rawLines();
    out.erase(out.begin() + static_cast<std::ptrdiff_t>(at));
    return join(out);
}

std::optional<std::string> readString(std::string_view text, std::string_view section, std::string_view key) {
    return Document(std::string(text)).readString(section, key);
}

std::vector<std::string> keyNames(std::string_view text, std::string_view section) {
    return Document(std::string(text)).keyNames(section);
}

std::vector<std::string> sectionNames(std::string_view text) { return Document(std::string(text)).sectionNames(); }

std::string writeString(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
    return Document(std::string(text)).writeString(section, key, value);
}

std::string deleteKey(std::string_view text, std::string_view section, std::string_view key) {
    return Document(std::string(text)).deleteKey(section, key);
}

}  // namespace win::profile
