#include "Transcript.h"

#include "Console.h"
#include "Utf8.h"
#include "Win.h"

#include <cstdio>

namespace forms::headless {

Transcript::Transcript(std::string hostPath) : m_path(std::move(hostPath)) {
    if (!m_path.empty()) win::writeWholeFile(m_path, "");  // one run, one transcript
}

void Transcript::write(const std::string& line) {
    char number[24];
    std::snprintf(number, sizeof number, "%04llu ", static_cast<unsigned long long>(win::nextSequenceNumber()));
    m_lines.push_back(number + line);
    if (m_path.empty()) {
        win::console::writeError(m_lines.back() + "\n");
        return;
    }
    // Opened for each line, so that the file is complete whenever the run ends.
    const std::string utf8 = cp1252ToUtf8(m_lines.back()) + "\n";
    if (auto file = win::openFile(m_path, win::OpenMode::Append)) {
        file->write(utf8.data(), utf8.size());
        file->close();
    }
}

std::string Transcript::quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out + "\"";
}

}  // namespace forms::headless
