#include "SplitJoin.h"

#include "Console.h"
#include "Ulzw.h"
#include "Win.h"
#include "fPrepare.h"

namespace {

class LayerVolume : public SplVolume {
public:
    explicit LayerVolume(std::unique_ptr<win::File> file) : file_(std::move(file)), size_(file_->size()) {}
    ~LayerVolume() override { file_->close(); }
    std::size_t read(uint8_t* buffer, std::size_t count) override {
        const std::size_t got = file_->read(buffer, count);
        position_ += got;
        return got;
    }
    bool exhausted() override { return position_ >= size_; }

private:
    std::unique_ptr<win::File> file_;
    uint64_t size_;
    uint64_t position_ = 0;
};

class LayerOutput : public SplOutput {
public:
    explicit LayerOutput(std::unique_ptr<win::File> file) : file_(std::move(file)) {}
    bool write(const uint8_t* bytes, std::size_t count) override { return file_->write(bytes, count) == count; }
    bool close() override { return file_->close(); }

private:
    std::unique_ptr<win::File> file_;
};

class LayerHost : public SplHost {
public:
    std::unique_ptr<SplVolume> openVolume(const std::string& path) override {
        auto file = win::openFile(path, win::OpenMode::Read);
        if (!file) return nullptr;
        return std::make_unique<LayerVolume>(std::move(file));
    }
    bool volumeExists(const std::string& path) override { return win::fileExists(path); }
    std::unique_ptr<SplOutput> createOutput(const std::string& path) override {
        // A read-only file left by an earlier join (or an earlier member of
        // the same name) is replaced, not a reason to fail.
        if (win::fileExists(path)) win::setFileAttributes(path, win::ATTR_NORMAL);
        auto file = win::openFile(path, win::OpenMode::Create);
        if (!file) return nullptr;
        return std::make_unique<LayerOutput>(std::move(file));
    }
    void deleteOutput(const std::string& path) override { win::deleteFile(path); }
    void stampOutput(const std::string& path, const SplMemberHeader& header) override {
        win::FileTime local = 0;
        if (win::dosDateTimeToFileTime(header.m_nDate, header.m_nTime, local))
            win::setLastWriteTime(path, win::localToFileTime(local));
        win::setFileAttributes(path, header.m_nAttributes);
    }
    bool isPlainFileName(const std::string& name) override { return LzwIsPlainFileName(name); }
    void reading(const std::string& volumePath) override { win::console::writeOutput("Lese: " + volumePath + "\n"); }
    void writing(const std::string& outputPath) override {
        win::console::writeOutput("Schreibe: " + outputPath + "\n");
    }
    void failing(SplResult result) override { win::console::writeOutput(SplResultLine(result) + "\n"); }
};

}  // namespace

SplResult AssembleSplitVolumes(const std::string& sourceDir, const std::string& destinationDir,
                               const ProgressCallback& progress) {
    LayerHost host;
    return SplJoinVolumes(host, sourceDir, destinationDir, progress);
}

std::string SplResultLine(SplResult result) {
    switch (result) {
        case kSplFirstVolumeMissing: return "DISK01.SPL nicht gefunden, Abbruch";
        case kSplHeaderNotRead: return "Header in .SPL-Datei nicht gelesen, Abbruch";
        case kSplHeaderCorrupt: return "Header in .SPL-Datei korrupt, Abbruch";
        case kSplCannotCreate: return "Zieldatei konnte nicht angelegt werden, Abbruch";
        case kSplVolumeMissing: return "Es fehlt mindestens eine .SPL-Datei, Abbruch";
        case kSplWriteFailed: return "Fehler beim Schreiben in Zieldatei, Abbruch";
        case kSplReadFailed: return "Fehler beim Lesen der .SPL-Datei, Abbruch";
        default: return "";
    }
}

void SplitCopyProgress(int percent) {
    frmPrepare->pbCopy->SetPosition(percent);
    frmPrepare->pbCopy->Repaint();
}
