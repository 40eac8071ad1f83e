// Everything the user would have seen, one numbered line each, from the
// counter the machine's journal numbers its lines with: "NNNN kind details".
#pragma once

#include <string>
#include <vector>

namespace forms::headless {

class Transcript {
public:
    // A host file (UTF-8, appended to), or standard error for "".
    explicit Transcript(std::string hostPath);
    // line: Windows-1252, without number and line end.
    void write(const std::string& line);
    // The lines written, numbered, as Windows-1252.
    const std::vector<std::string>& lines() const { return m_lines; }

    // A text in double quotes, line feeds and carriage returns as \n and \r.
    static std::string quoted(const std::string& text);

private:
    std::string m_path;
    std::vector<std::string> m_lines;
};

}  // namespace forms::headless
