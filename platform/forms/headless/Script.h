// The scripted user's script: what a user does, one action per line, in
// order (UTF-8; blank lines and lines starting with "#" are ignored).
//
//   page NAME                 the form NAME is shown modally next (after its
//                             OnShow: a box that OnShow opens comes first)
//   click CONTROL             a mouse click (a button: its form's result, then OnClick)
//   focus CONTROL             a click into a control: it takes the focus
//   key KEY[+MOD...]          F1..F12, Return, Escape, Tab, Space, Up, Down, a letter
//                             or digit; modifiers Shift, Ctrl, Alt ("F4+Alt", "Shift+Tab")
//   check CONTROL INDEX       a click on an item's check box in a check list
//   select CONTROL INDEX      a click on an item's text in a check list
//   text CONTROL TEXT         types TEXT into an edit field or memo, replacing it;
//                             "\n" separates a memo's lines
//   drive CONTROL LETTER      picks a drive in a drive box
//   dir CONTROL PATH          opens an entry of a directory list: a sub-directory
//                             name, "..", or a full path
//   machine [SECTION]KEY VALUE  changes the machine as a person at it would
//                             (a machine.ini key; an empty VALUE removes it);
//                             "[SECTION]KEY=VALUE" for a key with blanks
//   box BUTTON [TEXT]         answers the next message box or simple dialog: Yes,
//                             No, OK, Cancel, Retry, Abort, Ignore, or the keys
//                             Return and Escape; TEXT must occur in the box's text
//                             ("\n" for a line feed)
//
// CONTROL is a control's name on the innermost modal form, or NAME#INDEX for
// the INDEX-th child of the container NAME (controls created at run time).
#pragma once

#include "Controls.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace forms::headless {

enum class Action { Page, Click, Focus, Key, Check, Select, Text, Drive, Dir, Machine, Box };

// Texts are Windows-1252, as the programs' own.
struct Step {
    int line = 0;
    Action action = Action::Page;
    std::string source;   // the line as written
    std::string target;   // form or control name; box: the answer word
    std::string text;     // text, path, value; box: the text it must contain
    std::string section;  // machine: the machine.ini section
    int index = 0;        // check, select
    char drive = 0;       // drive
    uint16_t key = 0;     // key
    TShiftState shift;    // key
};

struct ScriptError : std::runtime_error {
    ScriptError(int line, const std::string& what) : std::runtime_error(what), line(line) {}
    int line;
};

class Script {
public:
    // Both raise ScriptError for a line that is no action.
    static Script fromText(const std::string& utf8);
    static Script fromFile(const std::string& hostPath);

    // The next step, nullopt at the end.
    std::optional<Step> take();
    // The line of the step take() gives next, or the line after the last.
    int nextLine() const { return m_next < m_steps.size() ? m_steps[m_next].line : m_endLine; }

private:
    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    int m_endLine = 1;
};

}  // namespace forms::headless
