#include "Rtf.h"

#include "headless/Utf8.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace forms::rtf {

namespace {

enum class Destination { Text, Skip, ColorTable };

struct Style {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0;
    long colorIndex = 0;
};

// What a group restores when it ends.
struct Group {
    Style style;
    Destination destination = Destination::Text;
    long unicodeSkip = 1;  // fallback characters after "\uN"
};

// Groups whose text is no part of the document.
constexpr std::array<std::string_view, 22> kSkippedDestinations = {
    "fonttbl",  "filetbl", "stylesheet", "info",     "pict",    "object",  "header",  "headerl",
    "headerr",  "headerf", "footer",     "footerl",  "footerr", "footerf", "footnote", "fldinst",
    "listtable", "listoverridetable", "revtbl", "rsidtbl", "xe", "tc"};

struct Symbol {
    std::string_view word;
    char byte;
};
constexpr std::array<Symbol, 14> kSymbols = {{{"par", '\n'},
                                              {"line", '\n'},
                                              {"sect", '\n'},
                                              {"page", '\n'},
                                              {"tab", '\t'},
                                              {"emdash", '\x97'},
                                              {"endash", '\x96'},
                                              {"bullet", '\x95'},
                                              {"lquote", '\x91'},
                                              {"rquote", '\x92'},
                                              {"ldblquote", '\x93'},
                                              {"rdblquote", '\x94'},
                                              {"emspace", ' '},
                                              {"enspace", ' '}}};

// Parameters beyond this are read to their last digit but count as this.
constexpr long kParameterLimit = 1'000'000;

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class Reader {
public:
    explicit Reader(std::string_view in) : m_in(in) {}

    std::vector<Run> read() {
        while (m_pos < m_in.size()) {
            const char c = m_in[m_pos++];
            switch (c) {
                case '{': m_stack.push_back(m_group); break;
                case '}': endGroup(); break;
                case '\\': control(); break;
                case '\r':
                case '\n': break;
                default: character(c);
            }
        }
        return std::move(m_runs);
    }

private:
    void endGroup() {
        m_fallbackLeft = 0;
        if (m_stack.empty()) return;  // an unbalanced "}" closes nothing
        m_group = m_stack.back();
        m_stack.pop_back();
    }

    void control() {
        if (m_pos >= m_in.size()) return;
        const char c = m_in[m_pos];
        if (isLetter(c)) return word();
        ++m_pos;
        switch (c) {
            case '\'': return hexCharacter();
            case '*': m_group.destination = Destination::Skip; return;
            case '~': return character('\xA0');
            case '_': return character('-');
            case '\r':
            case '\n': return character('\n');
            case '\\':
            case '{':
            case '}': return character(c);
            default: return;  // optional hyphen, index marks: nothing to show
        }
    }

    void word() {
        const std::size_t start = m_pos;
        while (m_pos < m_in.size() && isLetter(m_in[m_pos])) ++m_pos;
        const std::string_view name = m_in.substr(start, m_pos - start);
        const bool negative = m_pos + 1 < m_in.size() && m_in[m_pos] == '-' && isDigit(m_in[m_pos + 1]);
        if (negative) ++m_pos;
        bool hasParameter = false;
        long parameter = 0;
        for (; m_pos < m_in.size() && isDigit(m_in[m_pos]); ++m_pos) {
            hasParameter = true;
            parameter = std::min(parameter * 10 + (m_in[m_pos] - '0'), kParameterLimit);
        }
        if (negative) parameter = -parameter;
        if (m_pos < m_in.size() && m_in[m_pos] == ' ') ++m_pos;
        apply(name, hasParameter, parameter);
    }

    void apply(std::string_view name, bool hasParameter, long parameter) {
        Style& style = m_group.style;
        const bool on = !hasParameter || parameter != 0;
        if (name == "b")
            style.bold = on;
        else if (name == "i")
            style.italic = on;
        else if (name == "ul" || name == "uld" || name == "uldb" || name == "ulw")
            style.underline = on;
        else if (name == "ulnone")
            style.underline = false;
        else if (name == "plain")
            style = Style{};
        else if (name == "fs")
            style.halfPoints = parameter > 0 ? static_cast<int>(parameter) : 0;
        else if (name == "cf")
            style.colorIndex = std::max(parameter, 0L);
        else if (name == "uc")
            m_group.unicodeSkip = std::clamp(parameter, 0L, 16L);
        else if (name == "u" && hasParameter)
            unicode(parameter < 0 ? parameter + 65536 : parameter);
        else if (name == "bin")
            m_pos += std::min(static_cast<std::size_t>(std::max(parameter, 0L)), m_in.size() - m_pos);
        else if (name == "red" || name == "green" || name == "blue")
            colorComponent(name, parameter);
        else if (name == "colortbl")
            m_group.destination = Destination::ColorTable;
        else if (std::find(kSkippedDestinations.begin(), kSkippedDestinations.end(), name) != kSkippedDestinations.end())
            m_group.destination = Destination::Skip;
        else
            symbol(name);
    }

    void symbol(std::string_view name) {
        const auto found = std::find_if(kSymbols.begin(), kSymbols.end(), [&](const Symbol& s) { return s.word == name; });
        if (found != kSymbols.end()) character(found->byte);
    }

    // Two hexadecimal digits; with fewer, the digits there are show nothing.
    void hexCharacter() {
        int value = 0, digits = 0;
        for (; digits < 2 && m_pos < m_in.size() && hexValue(m_in[m_pos]) >= 0; ++digits)
            value = value * 16 + hexValue(m_in[m_pos++]);
        if (digits == 2) character(static_cast<char>(value));
    }

    // The character itself, "?" where Windows-1252 lacks it; the fallback
    // characters that follow it are dropped.
    void unicode(long code) {
        emit(headless::cp1252FromUnicode(static_cast<uint32_t>(code)).value_or('?'));
        m_fallbackLeft = m_group.unicodeSkip;
    }

    void colorComponent(std::string_view name, long value) {
        const long component = std::clamp(value, 0L, 255L);
        const int shift = name == "red" ? 0 : name == "green" ? 8 : 16;
        const int32_t base = m_color == kAutoColor ? 0 : m_color;
        m_color = (base & ~(0xFF << shift)) | static_cast<int32_t>(component << shift);
    }

    void character(char c) {
        if (m_fallbackLeft > 0) {
            --m_fallbackLeft;
            return;
        }
        emit(c);
    }

    void emit(char c) {
        switch (m_group.destination) {
            case Destination::Skip: return;
            case Destination::ColorTable:
                if (c == ';') {
                    m_colors.push_back(m_color);
                    m_color = kAutoColor;
                }
                return;
            case Destination::Text: break;
        }
        // Control bytes other than tab and line end show nothing.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') return;
        Run run = styledRun();
        if (m_runs.empty() || !m_runs.back().sameStyle(run)) m_runs.push_back(std::move(run));
        m_runs.back().text += c;
    }

    Run styledRun() const {
        const Style& style = m_group.style;
        Run run;
        run.bold = style.bold;
        run.italic = style.italic;
        run.underline = style.underline;
        run.halfPoints = style.halfPoints;
        if (style.colorIndex < static_cast<long>(m_colors.size())) run.color = m_colors[style.colorIndex];
        return run;
    }

    std::string_view m_in;
    std::size_t m_pos = 0;
    Group m_group;
    std::vector<Group> m_stack;
    long m_fallbackLeft = 0;
    std::vector<int32_t> m_colors;
    int32_t m_color = kAutoColor;
    std::vector<Run> m_runs;
};

}  // namespace

bool isRtf(const std::string& text) { return text.starts_with("{\\rtf"); }

std::vector<Run> read(const std::string& rtf) { return Reader(rtf).read(); }

std::string plainText(const std::vector<Run>& runs) {
    std::string out;
    for (const Run& run : runs)
        for (char c : run.text) {
            if (c == '\n') out += '\r';
            out += c;
        }
    return out;
}

}  // namespace forms::rtf

std::string RtfToPlainText(const std::string& rtf) { return forms::rtf::plainText(forms::rtf::read(rtf)); }
