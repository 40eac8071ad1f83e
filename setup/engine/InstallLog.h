// The install log "INSTALL.LOG": one line per step, decision and error.
#pragma once

#include <string>

// Appends the local date and time, " - ", the text unchanged and CR LF.
// The file is opened and closed for every line, so each line is on disk when
// the call returns; a log that cannot be opened loses the line silently.
void WriteLogLine(const std::string& text, const std::string& logFile);
