// The entries of the directories that names without case were looked up in,
// kept as the kernel reports their changes (inotify) instead of read again
// for every name: a directory of thousands of files is read once.
#include "Host.h"
#include "Text1252.h"

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <unordered_map>

namespace win::host {
namespace {

constexpr uint32_t kNamesChanged = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::size_t kMostKept = 256;

struct Listing {
    dev_t device = 0;
    ino_t inode = 0;
    int watch = -1;
    EntryNames byName;
};

class Listings {
public:
    ~Listings() {
        if (notes_ >= 0) ::close(notes_);
    }

    const Listing* of(const std::string& dir) {
        if (loads_ != machineLoads()) clear();
        loads_ = machineLoads();
        if (notes_ < 0) notes_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        takeNotes();
        struct stat st {};
        const auto kept = byDir_.find(dir);
        if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            if (kept != byDir_.end()) drop(kept);
            return nullptr;
        }
        // The same path may now name another directory (a parent moved).
        if (kept != byDir_.end() && kept->second.device == st.st_dev && kept->second.inode == st.st_ino)
            return &kept->second;
        if (kept != byDir_.end()) drop(kept);
        if (byDir_.size() >= kMostKept) clear();
        Listing listing;
        listing.device = st.st_dev;
        listing.inode = st.st_ino;
        // Watched before it is read, so that no change in between goes unseen.
        const uint32_t watched = kNamesChanged | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
        listing.watch = notes_ < 0 ? -1 : ::inotify_add_watch(notes_, dir.c_str(), watched);
        if (!read(dir, listing)) {
            // A watch that no kept listing shares would outlive the listing.
            if (listing.watch >= 0 && !dirOfWatch_.count(listing.watch)) ::inotify_rm_watch(notes_, listing.watch);
            return nullptr;
        }
        if (listing.watch < 0 || dirOfWatch_.count(listing.watch)) {
            unkept_ = std::move(listing);  // read again next time
            return &unkept_;
        }
        dirOfWatch_[listing.watch] = dir;
        return &(byDir_[dir] = std::move(listing));
    }

private:
    static bool read(const std::string& dir, Listing& listing) {
        DIR* d = ::opendir(dir.c_str());
        if (!d) return false;
        while (const dirent* e = ::readdir(d)) {
            const std::string entry = e->d_name;
            if (entry != "." && entry != "..") listing.byName.try_emplace(text::upper(toCp1252(entry)), entry);
        }
        ::closedir(d);
        return true;
    }

    // A new name joins its listing; any other change drops the listing, which
    // is read again when next asked for.
    void takeNotes() {
        alignas(inotify_event) char buffer[16384];
        for (ssize_t n; notes_ >= 0 && (n = ::read(notes_, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < n;) {
                const auto* note = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + note->len);
                if (note->mask & IN_Q_OVERFLOW) {
                    clear();
                    continue;
                }
                const auto watched = dirOfWatch_.find(note->wd);
                if (watched == dirOfWatch_.end()) continue;
                const auto kept = byDir_.find(watched->second);
                if (note->mask & (IN_CREATE | IN_MOVED_TO)) {
                    const std::string entry = note->name;
                    kept->second.byName.try_emplace(text::upper(toCp1252(entry)), entry);
                } else {
                    drop(kept);
                }
            }
        }
    }

    void drop(std::unordered_map<std::string, Listing>::iterator kept) {
        ::inotify_rm_watch(notes_, kept->second.watch);
        dirOfWatch_.erase(kept->second.watch);
        byDir_.erase(kept);
    }

    void clear() {
        while (!byDir_.empty()) drop(byDir_.begin());
    }

    int notes_ = -1;
    uint64_t loads_ = 0;
    std::unordered_map<std::string, Listing> byDir_;
    std::unordered_map<int, std::string> dirOfWatch_;
    Listing unkept_;
};

}  // namespace

const EntryNames* entriesOf(const std::string& dir) {
    static Listings listings;
    const Listing* listing = listings.of(dir);
    return listing ? &listing->byName : nullptr;
}

}  // namespace win::host
