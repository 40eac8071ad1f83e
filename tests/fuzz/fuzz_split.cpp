// Fuzzes the split-volume joiner on memory.  Input: the number of volumes
// (1 byte, 0 to 7), the faults (1 byte: bits 0-2 the number of a volume that
// is there but cannot be opened, bits 3-5 the number of a volume whose reads
// fail half-way, bit 6 closes that fail; 0 for none), the size of each
// volume but the last (2 bytes each, little-endian), the byte limit after
// which writing fails (2 bytes, 0 for none), then the stream.  Beyond the
// sanitizers' checks: only results the joiner knows, 0 first and 100 last,
// no file outside the destination, no file left half written, and every kept
// file exactly as long as its header says (empty for a length of 0 or less).
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "SplitJoinCore.h"

namespace {

struct Faults {
    int unopenable = 0;   // volume number, 0 for none
    int failingReads = 0;
    bool failingCloses = false;
};

class MemoryVolume : public SplVolume {
public:
    // A failing medium delivers the first `readable` bytes only.
    MemoryVolume(const std::string& bytes, std::size_t readable) : bytes_(bytes), readable_(readable) {}
    std::size_t read(uint8_t* buffer, std::size_t count) override {
        std::size_t n = readable_ - position_;
        if (n > count) n = count;
        for (std::size_t i = 0; i < n; ++i) buffer[i] = uint8_t(bytes_[position_ + i]);
        position_ += n;
        return n;
    }
    bool exhausted() override { return position_ >= bytes_.size(); }

private:
    const std::string& bytes_;
    const std::size_t readable_;
    std::size_t position_ = 0;
};

struct MemoryFile {
    std::string data;
    bool open = true;
    bool stamped = false;
    int32_t length = 0;
};

class MemoryOutput : public SplOutput {
public:
    MemoryOutput(MemoryFile& file, std::size_t& budget, bool closeFails)
        : file_(file), budget_(budget), closeFails_(closeFails) {}
    bool write(const uint8_t* bytes, std::size_t count) override {
        if (count > 8192) std::abort();
        const std::size_t n = count < budget_ ? count : budget_;
        file_.data.append(reinterpret_cast<const char*>(bytes), n);
        budget_ -= n;
        return n == count;
    }
    bool close() override {
        file_.open = false;
        return !closeFails_;
    }

private:
    MemoryFile& file_;
    std::size_t& budget_;
    const bool closeFails_;
};

const std::string kDestination = "C:\\OUT";

class MemoryHost : public SplHost {
public:
    MemoryHost(std::vector<std::string> volumes, std::size_t writeBudget, Faults faults)
        : volumes_(std::move(volumes)), budget_(writeBudget), faults_(faults) {}

    std::unique_ptr<SplVolume> openVolume(const std::string& path) override {
        const int number = volumeNumber(path);
        if (number == 0 || number == faults_.unopenable) return nullptr;
        const std::string& bytes = volumes_[std::size_t(number) - 1];
        return std::make_unique<MemoryVolume>(bytes, number == faults_.failingReads ? bytes.size() / 2 : bytes.size());
    }
    bool volumeExists(const std::string& path) override { return volumeNumber(path) != 0; }
    std::unique_ptr<SplOutput> createOutput(const std::string& path) override {
        if (path.compare(0, kDestination.size() + 1, kDestination + "\\") != 0) std::abort();
        if (path.find_first_of("\\/:", kDestination.size() + 1) != std::string::npos) std::abort();
        MemoryFile& file = files[path];
        file = MemoryFile{};
        return std::make_unique<MemoryOutput>(file, budget_, faults_.failingCloses);
    }
    void deleteOutput(const std::string& path) override {
        if (files.at(path).open) std::abort();
        files.erase(path);
    }
    void stampOutput(const std::string& path, const SplMemberHeader& header) override {
        MemoryFile& file = files.at(path);
        if (file.open) std::abort();
        file.stamped = true;
        file.length = header.m_nLength;
    }
    // Separators are what lead out of the destination; the layer refuses
    // more than these.
    bool isPlainFileName(const std::string& name) override {
        return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos;
    }
    void reading(const std::string&) override {}
    void writing(const std::string& path) override {
        if (files.count(path) == 0) std::abort();
    }
    void failing(SplResult result) override {
        if (failures++ > 0 || result >= 0) std::abort();
    }

    std::map<std::string, MemoryFile> files;
    int failures = 0;

private:
    // 1 for "E:\DISK01.SPL", ...; 0 for a volume that is not there.
    int volumeNumber(const std::string& path) const {
        for (std::size_t i = 0; i < volumes_.size(); ++i)
            if (path == SplVolumePath("E:", int(i) + 1)) return int(i) + 1;
        return 0;
    }

    std::vector<std::string> volumes_;
    std::size_t budget_;
    const Faults faults_;
};

uint16_t Take16(const uint8_t*& data, std::size_t& size) {
    if (size < 2) return 0;
    const uint16_t value = uint16_t(data[0] | data[1] << 8);
    data += 2;
    size -= 2;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int count = data[0] % 8;
    const uint8_t faultBits = size > 1 ? data[1] : 0;
    const Faults faults{faultBits & 7, faultBits >> 3 & 7, (faultBits & 0x40) != 0};
    const std::size_t skipped = size > 1 ? 2 : 1;
    data += skipped;
    size -= skipped;
    std::vector<std::size_t> sizes;
    for (int i = 1; i < count; ++i) sizes.push_back(Take16(data, size));
    const std::size_t budget = Take16(data, size);
    const std::string stream(reinterpret_cast<const char*>(data), size);

    std::vector<std::string> volumes;
    std::size_t at = 0;
    for (std::size_t piece : sizes) {
        if (piece > stream.size() - at) piece = stream.size() - at;
        volumes.push_back(stream.substr(at, piece));
        at += piece;
    }
    if (count > 0) volumes.push_back(stream.substr(at));

    MemoryHost host(volumes, budget == 0 ? SIZE_MAX : budget, faults);
    std::vector<int> progress;
    const SplResult result = SplJoinVolumes(host, "E:\\", kDestination + "\\\\", [&](int p) { progress.push_back(p); });

    if (result == 0 || result == 1 || result < kSplReadFailed) std::abort();
    if (result >= 2 && (result != int(volumes.size()) + 1 || host.failures != 0)) std::abort();
    if (result < 0 && host.failures != 1) std::abort();
    if (result == kSplFirstVolumeMissing) {
        if ((count != 0 && faults.unopenable != 1) || !progress.empty()) std::abort();
    } else if (progress.size() < 2 || progress.front() != 0 || progress.back() != 100) {
        std::abort();
    }
    for (const auto& [path, file] : host.files) {
        // A length of 0 or less is an empty file.
        const std::size_t expected = file.length > 0 ? std::size_t(file.length) : 0;
        if (file.open || !file.stamped || file.data.size() != expected) std::abort();
    }
    return 0;
}
