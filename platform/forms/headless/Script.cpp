#include "Script.h"

#include "Text1252.h"
#include "Utf8.h"
#include "Win.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <utility>

namespace forms::headless {

namespace {

// The words of one line: leading ones split off at blanks, the rest kept whole.
class Words {
public:
    Words(int line, std::string text) : m_line(line), m_text(std::move(text)) {}

    std::string next(const char* what) {
        skipBlanks();
        const std::size_t end = std::min(m_text.find_first_of(" \t", m_pos), m_text.size());
        if (end == m_pos) throw ScriptError(m_line, std::string("missing ") + what);
        std::string word = m_text.substr(m_pos, end - m_pos);
        m_pos = end;
        return word;
    }
    std::string rest() {
        skipBlanks();
        return m_text.substr(m_pos);
    }
    void end() {
        if (!rest().empty()) throw ScriptError(m_line, "unexpected \"" + rest() + "\"");
    }

private:
    void skipBlanks() {
        while (m_pos < m_text.size() && win::text::isBlank(m_text[m_pos])) ++m_pos;
    }
    int m_line;
    std::string m_text;
    std::size_t m_pos = 0;
};

struct Named {
    const char* name;
    Action action;
};
constexpr std::array<Named, 11> kActions = {{{"page", Action::Page},
                                             {"click", Action::Click},
                                             {"focus", Action::Focus},
                                             {"key", Action::Key},
                                             {"check", Action::Check},
                                             {"select", Action::Select},
                                             {"text", Action::Text},
                                             {"drive", Action::Drive},
                                             {"dir", Action::Dir},
                                             {"machine", Action::Machine},
                                             {"box", Action::Box}}};

constexpr std::array<const char*, 9> kAnswers = {"Yes", "No", "OK", "Cancel", "Retry", "Abort", "Ignore", "Return", "Escape"};

std::optional<uint16_t> keyCode(const std::string& name) {
    struct Key {
        const char* name;
        uint16_t code;
    };
    static constexpr std::array<Key, 8> keys = {{{"Return", VK_RETURN},
                                                 {"Enter", VK_RETURN},
                                                 {"Escape", VK_ESCAPE},
                                                 {"Tab", VK_TAB},
                                                 {"Space", VK_SPACE},
                                                 {"Up", VK_UP},
                                                 {"Down", VK_DOWN},
                                                 {"Esc", VK_ESCAPE}}};
    for (const Key& key : keys)
        if (win::text::equalNoCase(name, key.name)) return key.code;
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
        return win::text::upper(static_cast<unsigned char>(name[0]));
    if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f')) {
        int number = 0;
        const auto [end, error] = std::from_chars(name.data() + 1, name.data() + name.size(), number);
        if (error == std::errc() && end == name.data() + name.size() && number >= 1 && number <= 12)
            return static_cast<uint16_t>(VK_F1 + number - 1);
    }
    return std::nullopt;
}

void parseKey(Step& step, const std::string& text) {
    bool haveKey = false;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('+', start), text.size());
        const std::string part = text.substr(start, end - start);
        start = end + 1;
        if (win::text::equalNoCase(part, "Shift"))
            step.shift << ssShift;
        else if (win::text::equalNoCase(part, "Ctrl"))
            step.shift << ssCtrl;
        else if (win::text::equalNoCase(part, "Alt"))
            step.shift << ssAlt;
        else if (auto code = keyCode(part); code && !haveKey) {
            step.key = *code;
            haveKey = true;
        } else
            throw ScriptError(step.line, "unknown key \"" + text + "\"");
    }
    if (!haveKey) throw ScriptError(step.line, "no key in \"" + text + "\"");
}

int parseIndex(int line, const std::string& text) {
    int index = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
    if (error != std::errc() || end != text.data() + text.size() || index < 0)
        throw ScriptError(line, "\"" + text + "\" is no item index");
    return index;
}

void parseMachine(Step& step, const std::string& text) {
    const std::size_t close = text.find(']');
    if (!text.starts_with("[") || close == std::string::npos)
        throw ScriptError(step.line, "machine wants [SECTION]KEY VALUE");
    step.section = text.substr(1, close - 1);
    const std::string setting = text.substr(close + 1);
    const std::size_t split = setting.find('=') != std::string::npos ? setting.find('=') : setting.find_first_of(" \t");
    step.target = std::string(win::text::trimBlanks(setting.substr(0, split)));
    step.text = split == std::string::npos ? "" : std::string(win::text::trimBlanks(setting.substr(split + 1)));
    if (step.section.empty() || step.target.empty()) throw ScriptError(step.line, "machine wants [SECTION]KEY VALUE");
}

Step parseStep(int line, const std::string& text) {
    Step step;
    step.line = line;
    step.source = text;
    Words words(line, text);
    const std::string word = words.next("action");
    const auto named = std::find_if(kActions.begin(), kActions.end(),
                                    [&](const Named& n) { return word == n.name; });
    if (named == kActions.end()) throw ScriptError(line, "unknown action \"" + word + "\"");
    step.action = named->action;
    switch (step.action) {
        case Action::Page:
        case Action::Click:
        case Action::Focus:
            step.target = words.next("name");
            words.end();
            break;
        case Action::Key:
            parseKey(step, words.next("key"));
            words.end();
            break;
        case Action::Check:
        case Action::Select:
            step.target = words.next("control");
            step.index = parseIndex(line, words.next("item index"));
            words.end();
            break;
        case Action::Text:
            step.target = words.next("control");
            step.text = words.rest();
            break;
        case Action::Drive: {
            step.target = words.next("control");
            const std::string letter = words.next("drive letter");
            if (!((letter.size() == 1 || (letter.size() == 2 && letter[1] == ':')) &&
                  std::isalpha(static_cast<unsigned char>(letter[0]))))
                throw ScriptError(line, "\"" + letter + "\" is no drive letter");
            step.drive = static_cast<char>(win::text::upper(static_cast<unsigned char>(letter[0])));
            words.end();
            break;
        }
        case Action::Dir:
            step.target = words.next("control");
            step.text = words.rest();
            if (step.text.empty()) throw ScriptError(line, "missing path");
            break;
        case Action::Machine: parseMachine(step, words.rest()); break;
        case Action::Box: {
            const std::string answer = words.next("answer");
            const auto known = std::find_if(kAnswers.begin(), kAnswers.end(),
                                            [&](const char* a) { return win::text::equalNoCase(answer, a); });
            if (known == kAnswers.end()) throw ScriptError(line, "unknown answer \"" + answer + "\"");
            step.target = *known;
            step.text = words.rest();
            break;
        }
    }
    return step;
}

}  // namespace

Script Script::fromText(const std::string& utf8) {
    Script script;
    int line = 0;
    for (std::size_t start = 0; start < utf8.size();) {
        const std::size_t end = std::min(utf8.find('\n', start), utf8.size());
        std::string raw = utf8.substr(start, end - start);
        start = end + 1;
        ++line;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        const std::optional<std::string> text = utf8ToCp1252(raw);
        if (!text) throw ScriptError(line, "not UTF-8 text of Windows-1252 characters");
        const std::string trimmed(win::text::trimBlanks(*text));
        if (trimmed.empty() || trimmed.starts_with("#")) continue;
        script.m_steps.push_back(parseStep(line, trimmed));
    }
    script.m_endLine = line + 1;
    return script;
}

Script Script::fromFile(const std::string& hostPath) {
    std::string content;
    if (!win::readWholeFile(hostPath, content)) throw ScriptError(0, "cannot read " + hostPath);
    return fromText(content);
}

std::optional<Step> Script::take() {
    if (m_next >= m_steps.size()) return std::nullopt;
    return m_steps[m_next++];
}

}  // namespace forms::headless
