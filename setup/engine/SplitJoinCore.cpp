#include "SplitJoinCore.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kLengthOffset = 12;
constexpr std::size_t kAttributesOffset = 16;
constexpr std::size_t kTimeOffset = 20;
constexpr std::size_t kDateOffset = 22;
constexpr std::size_t kNameOffset = 24;

uint16_t LittleEndian16(const uint8_t* bytes) { return uint16_t(bytes[0] | bytes[1] << 8); }

uint32_t LittleEndian32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

std::string WithoutTrailingBackslashes(std::string directory) {
    while (!directory.empty() && directory.back() == '\\') directory.pop_back();
    return directory;
}

enum class Opened { Yes, Missing, Unreadable };

// One call of SplJoinVolumes: the current volume, its number and the bytes
// read from it so far.
class Join {
public:
    Join(SplHost& host, const std::string& sourceDir, const std::string& destinationDir,
         const ProgressCallback& progress)
        : host_(host),
          sourceDir_(WithoutTrailingBackslashes(sourceDir)),
          destinationDir_(WithoutTrailingBackslashes(destinationDir)),
          progress_(progress) {}

    SplResult run() {
        if (open(1) != Opened::Yes) {
            host_.failing(kSplFirstVolumeMissing);
            return kSplFirstVolumeMissing;
        }
        report(0);
        host_.reading(volumePath_);
        for (;;) {
            if (volume_->exhausted()) {
                const Opened next = open(number_ + 1);
                if (next == Opened::Missing) break;
                if (next == Opened::Unreadable) return fail(kSplReadFailed);
                host_.reading(volumePath_);
            }
            const SplResult result = member();
            if (result < 0) return fail(result);
        }
        report(100);
        return number_;
    }

private:
    Opened open(int number) {
        volume_.reset();
        number_ = number;
        volumePath_ = SplVolumePath(sourceDir_, number);
        count_ = 0;
        if (volumePath_.size() > kSplMaxPath) return Opened::Missing;
        volume_ = host_.openVolume(volumePath_);
        if (volume_) return Opened::Yes;
        return host_.volumeExists(volumePath_) ? Opened::Unreadable : Opened::Missing;
    }

    SplResult member() {
        uint8_t bytes[kSplHeaderSize];
        if (volume_->read(bytes, sizeof bytes) < sizeof bytes) return kSplHeaderNotRead;
        count_ += sizeof bytes;
        report(percent());
        SplMemberHeader header;
        // A name that is no plain file name would lead out of the destination
        // directory.
        if (!SplParseHeader(bytes, header) || !host_.isPlainFileName(header.m_sFileName))
            return kSplHeaderCorrupt;
        const std::string path = destinationDir_ + "\\" + header.m_sFileName;
        std::unique_ptr<SplOutput> output;
        if (path.size() <= kSplMaxPath) output = host_.createOutput(path);
        if (!output) return kSplCannotCreate;
        host_.writing(path);
        // A length of 0 or less is an empty file.
        SplResult result = copy(*output, std::max<int32_t>(header.m_nLength, 0));
        if (!output->close() && result == 0) result = kSplWriteFailed;
        output.reset();
        if (result < 0) {
            host_.deleteOutput(path);
            return result;
        }
        host_.stampOutput(path, header);
        return 0;
    }

    // The member's data, read on across volume ends.
    SplResult copy(SplOutput& output, int32_t length) {
        uint64_t remaining = uint64_t(length);
        while (remaining > 0) {
            if (volume_->exhausted()) {
                const Opened next = open(number_ + 1);
                if (next == Opened::Missing) return kSplVolumeMissing;
                if (next == Opened::Unreadable) return kSplReadFailed;
                host_.reading(volumePath_);
            }
            const std::size_t wanted = std::size_t(std::min<uint64_t>(remaining, sizeof buffer_));
            const std::size_t got = volume_->read(buffer_, wanted);
            count_ += got;
            report(percent());
            // Short of the volume's end, a short read would repeat forever.
            if (got < wanted && !volume_->exhausted()) return kSplReadFailed;
            if (!output.write(buffer_, got)) return kSplWriteFailed;
            remaining -= got;
        }
        return 0;
    }

    SplResult fail(SplResult result) {
        volume_.reset();
        host_.failing(result);
        report(100);
        return result;
    }

    int percent() const { return int(std::min<uint64_t>(count_ / kSplBytesPerPercent, INT32_MAX)); }

    void report(int value) const {
        if (progress_) progress_(value);
    }

    SplHost& host_;
    const std::string sourceDir_;
    const std::string destinationDir_;
    const ProgressCallback& progress_;
    std::unique_ptr<SplVolume> volume_;
    std::string volumePath_;
    int number_ = 0;
    uint64_t count_ = 0;
    uint8_t buffer_[kSplChunkSize];
};

}  // namespace

bool SplParseHeader(const uint8_t* bytes, SplMemberHeader& header) {
    header = {};
    const uint8_t* name = bytes + kNameOffset;
    const uint8_t* nameEnd = std::find(name, name + kSplNameFieldSize, 0);
    if (std::memcmp(bytes, kSplSignature, kSplSignSize) != 0 || nameEnd == name + kSplNameFieldSize) return false;
    std::copy(bytes, bytes + kSplSignSize, header.m_sSign.begin());
    header.m_nLength = int32_t(LittleEndian32(bytes + kLengthOffset));
    header.m_nAttributes = LittleEndian32(bytes + kAttributesOffset);
    header.m_nTime = LittleEndian16(bytes + kTimeOffset);
    header.m_nDate = LittleEndian16(bytes + kDateOffset);
    header.m_sFileName.assign(name, nameEnd);
    return true;
}

std::string SplVolumePath(const std::string& directory, int number) {
    const std::string digits = std::to_string(number);
    return directory + "\\DISK" + (digits.size() < 2 ? "0" : "") + digits + ".SPL";
}

SplResult SplJoinVolumes(SplHost& host, const std::string& sourceDir, const std::string& destinationDir,
                         const ProgressCallback& progress) {
    return Join(host, sourceDir, destinationDir, progress).run();
}
