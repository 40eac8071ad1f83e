// Shell links as real shell-link files (the documented binary format): a
// header, a link-info block with the local path, and the description and
// working directory as counted UTF-16 strings.
#include "Host.h"

#include <cstdint>
#include <string>

namespace win {

namespace {

constexpr uint32_t kHeaderSize = 0x4C;
constexpr uint32_t kHasLinkInfo = 0x02;
constexpr uint32_t kHasName = 0x04;
constexpr uint32_t kHasWorkingDir = 0x10;
constexpr uint32_t kIsUnicode = 0x80;
constexpr uint32_t kHasTargetIdList = 0x01;
constexpr uint32_t kHasRelativePath = 0x08;
constexpr uint32_t kSwShowNormal = 1;
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x01;
constexpr uint32_t kLinkInfoHeaderSize = 0x1C;
constexpr uint32_t kVolumeIdSize = 0x10;

// CLSID_ShellLink {00021401-0000-0000-C000-000000000046} as stored.
const uint8_t kShellLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

void put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
void putZeros(std::string& out, std::size_t count) { out.append(count, '\0'); }

// A counted string of the string-data part: its length, then UTF-16LE
// (Windows-1252 to UTF-16 goes through UTF-8).
void putCountedString(std::string& out, const std::string& cp1252) {
    std::u16string wide;
    const std::string utf8 = host::toUtf8(cp1252);
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        uint32_t code = c;
        std::size_t length = 1;
        if (c >= 0xE0) {
            code = ((c & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
            length = 3;
        } else if (c >= 0xC0) {
            code = ((c & 0x1F) << 6) | (utf8[i + 1] & 0x3F);
            length = 2;
        }
        wide += static_cast<char16_t>(code);
        i += length;
    }
    put16(out, static_cast<uint32_t>(wide.size()));
    for (char16_t w : wide) put16(out, w);
}

std::string linkInfo(const std::string& localPath) {
    std::string volume;
    put32(volume, kVolumeIdSize + 1);
    put32(volume, DRIVE_TYPE_FIXED);
    put32(volume, 0);  // serial number
    put32(volume, kVolumeIdSize);
    putZeros(volume, 1);  // empty label

    const uint32_t volumeOffset = kLinkInfoHeaderSize;
    const uint32_t pathOffset = volumeOffset + static_cast<uint32_t>(volume.size());
    const uint32_t suffixOffset = pathOffset + static_cast<uint32_t>(localPath.size()) + 1;
    const uint32_t size = suffixOffset + 1;
    std::string out;
    put32(out, size);
    put32(out, kLinkInfoHeaderSize);
    put32(out, kVolumeIdAndLocalBasePath);
    put32(out, volumeOffset);
    put32(out, pathOffset);
    put32(out, 0);  // no network part
    put32(out, suffixOffset);
    out += volume;
    out += localPath;
    putZeros(out, 1);
    putZeros(out, 1);  // empty common path suffix
    return out;
}

std::string encode(const ShellLink& link) {
    std::string out;
    put32(out, kHeaderSize);
    out.append(reinterpret_cast<const char*>(kShellLinkClsid), sizeof kShellLinkClsid);
    uint32_t flags = kHasLinkInfo | kIsUnicode;
    if (!link.description.empty()) flags |= kHasName;
    if (!link.workingDirectory.empty()) flags |= kHasWorkingDir;
    put32(out, flags);
    put32(out, 0);        // target attributes
    putZeros(out, 24);    // creation, access and write time
    put32(out, 0);        // target size
    put32(out, 0);        // icon index
    // ShowCommand, at 0x3C.  lnkinfo 20181227 prints the target-size field
    // (0x34) as "Show Window value" and "Hot Key value", a liblnk fault mended
    // upstream in December 2019; it shows 0 there, not this value.
    put32(out, kSwShowNormal);
    putZeros(out, 2 + 2 + 4 + 4);  // hot key, reserved
    out += linkInfo(link.target);
    if (!link.description.empty()) putCountedString(out, link.description);
    if (!link.workingDirectory.empty()) putCountedString(out, link.workingDirectory);
    putZeros(out, 4);  // terminal block
    return out;
}

class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}
    bool has(std::size_t at, std::size_t count) const { return at <= bytes_.size() && count <= bytes_.size() - at; }
    uint32_t u16(std::size_t at) const {
        return static_cast<unsigned char>(bytes_[at]) | (static_cast<unsigned char>(bytes_[at + 1]) << 8);
    }
    uint32_t u32(std::size_t at) const { return u16(at) | (u16(at + 2) << 16); }
    // The zero-terminated text at `at`, nullopt without its zero.
    std::optional<std::string> text(std::size_t at) const {
        const std::size_t end = at < bytes_.size() ? bytes_.find('\0', at) : std::string::npos;
        if (end == std::string::npos) return std::nullopt;
        return bytes_.substr(at, end - at);
    }
    // A counted UTF-16 string at `at`, advancing it; nullopt when cut off.
    std::optional<std::string> counted(std::size_t& at) const {
        if (!has(at, 2)) return std::nullopt;
        const std::size_t count = u16(at);
        if (!has(at + 2, count * 2)) return std::nullopt;
        std::string utf8;
        for (std::size_t i = 0; i < count; ++i) {
            const uint32_t w = u16(at + 2 + 2 * i);
            if (w < 0x80) {
                utf8 += static_cast<char>(w);
            } else if (w < 0x800) {
                utf8 += static_cast<char>(0xC0 | (w >> 6));
                utf8 += static_cast<char>(0x80 | (w & 0x3F));
            } else {
                utf8 += static_cast<char>(0xE0 | (w >> 12));
                utf8 += static_cast<char>(0x80 | ((w >> 6) & 0x3F));
                utf8 += static_cast<char>(0x80 | (w & 0x3F));
            }
        }
        at += 2 + count * 2;
        return host::toCp1252(utf8);
    }

private:
    const std::string& bytes_;
};

std::optional<ShellLink> decode(const std::string& bytes) {
    const Reader in(bytes);
    if (!in.has(0, kHeaderSize) || in.u32(0) != kHeaderSize) return std::nullopt;
    const uint32_t flags = in.u32(20);
    std::size_t at = kHeaderSize;
    if (flags & kHasTargetIdList) {
        if (!in.has(at, 2)) return std::nullopt;
        at += 2 + in.u16(at);
    }
    ShellLink link;
    if (flags & kHasLinkInfo) {
        if (!in.has(at, kLinkInfoHeaderSize)) return std::nullopt;
        const uint32_t size = in.u32(at);
        if ((in.u32(at + 8) & kVolumeIdAndLocalBasePath) != 0) {
            const auto path = in.text(at + in.u32(at + 16));
            if (!path) return std::nullopt;
            link.target = *path;
        }
        at += size;
    }
    if (!(flags & kIsUnicode)) return std::nullopt;  // only what saveShellLink writes
    const auto take = [&](uint32_t flag, std::string& field) {
        if (!(flags & flag)) return true;
        const auto value = in.counted(at);
        if (value) field = *value;
        return value.has_value();
    };
    std::string relativePath;
    if (!take(kHasName, link.description) || !take(kHasRelativePath, relativePath) ||
        !take(kHasWorkingDir, link.workingDirectory))
        return std::nullopt;
    return link;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

bool saveShellLink(const std::string& path, const ShellLink& link) {
    const bool saved = writeWholeFile(path, encode(link));
    const uint32_t error = lastError();
    journal("link save path=" + quoted(path) + " target=" + quoted(link.target) +
            " description=" + quoted(link.description) + " dir=" + quoted(link.workingDirectory) +
            (saved ? "" : " failed=" + std::to_string(error)));
    setLastError(saved ? ERR_SUCCESS : error);
    return saved;
}

std::optional<ShellLink> loadShellLink(const std::string& path) {
    std::string bytes;
    if (!readWholeFile(path, bytes)) return std::nullopt;
    return decode(bytes);
}

}  // namespace win
