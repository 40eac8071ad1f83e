#include "Profile.h"

#include "Text1252.h"

namespace win::profile {
namespace {

struct Line {
    enum Kind { Blank, Comment, Section, Key };
    std::string_view raw;  // without its line end
    Kind kind = Blank;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // after "=", trimmed
    bool hasValue = false;
};

Line classify(std::string_view raw) {
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

std::vector<Line> parse(std::string_view text) {
    std::vector<Line> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        lines.push_back(classify(raw));
    }
    return lines;
}

// Index of the first header of the section, or lines.size().
std::size_t findSection(const std::vector<Line>& lines, std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == Line::Section && text::equalNoCase(lines[i].name, section)) return i;
    return lines.size();
}

// One past the last line of the section whose header is at index header.
std::size_t sectionEnd(const std::vector<Line>& lines, std::size_t header) {
    std::size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != Line::Section) ++i;
    return i;
}

// Index of the key line inside the section, or lines.size().
std::size_t findKey(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    const std::size_t header = findSection(lines, section);
    if (header == lines.size()) return lines.size();
    const std::size_t end = sectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (lines[i].kind == Line::Key && text::equalNoCase(lines[i].name, key)) return i;
    return lines.size();
}

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

std::vector<std::string> rawLines(const std::vector<Line>& lines) {
    std::vector<std::string> out;
    out.reserve(lines.size() + 2);
    for (const Line& line : lines) out.emplace_back(line.raw);
    return out;
}

}  // namespace

std::optional<std::string> readString(std::string_view text, std::string_view section, std::string_view key) {
    const std::vector<Line> lines = parse(text);
    const std::size_t at = findKey(lines, section, key);
    if (at == lines.size() || !lines[at].hasValue) return std::nullopt;
    return std::string(unquote(lines[at].value).substr(0, kMaxValue));
}

std::vector<std::string> keyNames(std::string_view text, std::string_view section) {
    const std::vector<Line> lines = parse(text);
    std::vector<std::string> names;
    const std::size_t header = findSection(lines, section);
    if (header == lines.size()) return names;
    const std::size_t end = sectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (lines[i].kind == Line::Key && !lines[i].name.empty()) names.emplace_back(lines[i].name);
    return names;
}

std::vector<std::string> sectionNames(std::string_view text) {
    std::vector<std::string> names;
    for (const Line& line : parse(text))
        if (line.kind == Line::Section) names.emplace_back(line.name);
    return names;
}

std::string writeString(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
    const std::vector<Line> lines = parse(text);
    std::vector<std::string> out = rawLines(lines);
    const std::string entry = std::string(key) + "=" + std::string(value);
    const std::size_t header = findSection(lines, section);
    if (header == lines.size()) {
        out.push_back("[" + std::string(section) + "]");
        out.push_back(entry);
        return join(out);
    }
    const std::size_t at = findKey(lines, section, key);
    if (at != lines.size()) {
        out[at] = std::string(lines[at].name) + "=" + std::string(value);
        return join(out);
    }
    // After the last non-blank line of the section, so that a blank line
    // separating it from the next section stays where it is.
    std::size_t insertAt = header + 1;
    const std::size_t end = sectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (lines[i].kind != Line::Blank) insertAt = i + 1;
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
    return join(out);
}

std::string deleteKey(std::string_view text, std::string_view section, std::string_view key) {
    const std::vector<Line> lines = parse(text);
    const std::size_t at = findKey(lines, section, key);
    if (at == lines.size()) return std::string(text);
    std::vector<std::string> out = rawLines(lines);
    out.erase(out.begin() + static_cast<std::ptrdiff_t>(at));
    return join(out);
}

}  // namespace win::profile
