#include "InstallLog.h"

#include "SysUtils.h"
#include "Win.h"

void WriteLogLine(const std::string& text, const std::string& logFile) {
    auto file = win::openFile(logFile, win::OpenMode::Append);
    if (!file) return;
    const std::string line = DateTimeToStr(Now()) + " - " + text + "\r\n";
    file->write(line.data(), line.size());
    file->close();
}
