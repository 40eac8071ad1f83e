#include "Ulzw.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "Console.h"
#include "Win.h"

namespace {

const char kStackOverflowText[] = "Fehler beim Entpacken, Abbruch !";

void writeToStandardError(const std::string& text) {
    win::console::writeError(text + "\n");
}

LzwStackOverflowHandler stackOverflowHandler = writeToStandardError;

// A member's code stream; a read error ends it for good, so that no byte
// after the gap is taken for the next one.
class FileSource : public LzwByteSource {
public:
    explicit FileSource(win::File& file) : file_(file) {}
    std::size_t read(uint8_t* buffer, std::size_t count) override {
        if (failed_) return 0;
        const std::size_t got = file_.read(buffer, count);
        failed_ = file_.failed();
        return got;
    }

private:
    win::File& file_;
    bool failed_ = false;
};

class FileSink : public LzwByteSink {
public:
    explicit FileSink(win::File& file) : file_(file) {}
    bool write(const uint8_t* bytes, std::size_t count) override {
        return file_.write(bytes, count) == count;
    }

private:
    win::File& file_;
};

uint32_t localDosDateTime(win::FileTime utc) {
    uint16_t date = 0, time = 0;
    win::fileTimeToDosDateTime(win::fileTimeToLocal(utc), date, time);
    return uint32_t(date) << 16 | time;
}

// Failures are ignored: the target keeps the time and attributes it has.
void restoreDateAndAttributes(const std::string& target, const LzwMemberHeader& header) {
    win::FileTime local = 0;
    if (win::dosDateTimeToFileTime(uint16_t(header.m_nDateTime >> 16), uint16_t(header.m_nDateTime), local))
        win::setLastWriteTime(target, win::localToFileTime(local));
    win::setFileAttributes(target, header.m_nAttributes);
}

std::string lastPathComponent(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string upperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return text;
}

// Windows opens a device for these, with or without an extension.
bool isDeviceName(const std::string& name) {
    std::string base = upperAscii(name.substr(0, name.find('.')));
    base.erase(base.find_last_not_of(' ') + 1);
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    if (std::find(std::begin(kDevices), std::end(kDevices), base) != std::end(kDevices)) return true;
    // COM0..COM9 and LPT0..LPT9, also with the superscript digits 1, 2 and 3.
    const bool numbered = base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT"));
    return numbered && std::strchr("0123456789\xB9\xB2\xB3", base[3]) != nullptr;
}

// The header at the file's start.
LzwHeaderKind ClassifyOpenMember(win::File& file, LzwMemberHeader& header) {
    header = {};
    LzwHeaderBytes bytes{};
    const std::size_t count = file.read(bytes.data(), bytes.size());
    return file.failed() ? LzwHeaderKind::NoMember : LzwClassifyHeader(bytes.data(), count, header);
}

}  // namespace

LzwHeaderKind LzwClassifyMember(const std::string& path, LzwMemberHeader& header) {
    header = {};
    auto file = win::openFile(path, win::OpenMode::Read);
    if (!file) return LzwHeaderKind::NoMember;
    const LzwHeaderKind kind = ClassifyOpenMember(*file, header);
    file->close();
    return kind;
}

bool LzwReadHeader(const std::string& path, LzwMemberHeader& header) {
    if (LzwClassifyMember(path, header) == LzwHeaderKind::Valid) return true;
    header = {};
    return false;
}

bool LzwHeaderFromFile(const std::string& path, LzwMemberHeader& header) {
    header = {};
    const std::vector<win::FindData> found = win::findFiles(path);
    if (found.empty()) return false;
    const win::FindData& file = found.front();
    std::copy(std::begin(kLzwSignature), std::end(kLzwSignature), header.m_sSign.begin());
    header.m_nSize = uint32_t(file.size);
    header.m_nDateTime = localDosDateTime(file.lastWrite);
    header.m_nAttributes = file.attributes;
    header.m_sFileName = lastPathComponent(path).substr(0, kLzwNameFieldSize);
    return true;
}

bool LzwExpandFile(const std::string& target, const std::string& member, const ProgressCallback& progress) {
    auto in = win::openFile(member, win::OpenMode::Read);
    if (!in) return false;
    LzwMemberHeader header;
    if (ClassifyOpenMember(*in, header) != LzwHeaderKind::Valid) {
        in->close();
        return false;
    }
    auto out = win::openFile(target, win::OpenMode::Create);
    if (!out) {
        in->close();
        return false;
    }
    LzwDecodeResult result = LzwDecodeResult::Corrupt;
    if (in->seek(kLzwHeaderSize)) {
        if (progress) progress(0);
        FileSource source(*in);
        FileSink sink(*out);
        result = LzwDecode(source, sink, header.m_nSize, progress);
    }
    in->close();
    const bool closed = out->close();
    out.reset();
    if (result == LzwDecodeResult::StackOverflow) LzwStackOverflow();
    if (result != LzwDecodeResult::Complete || !closed) {
        win::deleteFile(target);
        return false;
    }
    if (progress) progress(100);
    restoreDateAndAttributes(target, header);
    return true;
}

bool LzwIsPlainFileName(const std::string& name) {
    if (name.empty() || name.size() >= kLzwNameFieldSize || name.back() == '.' || name.back() == ' ') return false;
    for (const char c : name)
        if (uint8_t(c) < 0x20 || std::strchr("\\/:*?\"<>|", c) != nullptr) return false;
    return !isDeviceName(name);
}

void LzwSetStackOverflowHandler(LzwStackOverflowHandler handler) {
    stackOverflowHandler = handler != nullptr ? handler : writeToStandardError;
}

void LzwStackOverflow() {
    stackOverflowHandler(kStackOverflowText);
    win::exitProcess(3);
}
