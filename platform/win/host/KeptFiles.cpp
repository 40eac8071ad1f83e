// Stamps of machine files, for the contents the layer keeps in memory.
#include "Host.h"

#include <sys/stat.h>

namespace win::host {

bool FileStamp::operator==(const FileStamp& other) const {
    if (exists != other.exists) return false;
    return !exists || (device == other.device && inode == other.inode && size == other.size &&
                       modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec);
}

FileStamp stampOf(const std::string& hostFile) {
    struct stat st {};
    if (::stat(hostFile.c_str(), &st) != 0) return {};
    return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

bool settledBefore(const FileStamp& stamp, const timespec& readFrom) {
    if (!stamp.exists) return true;
    const timespec& m = stamp.modified;
    return m.tv_sec < readFrom.tv_sec || (m.tv_sec == readFrom.tv_sec && m.tv_nsec < readFrom.tv_nsec);
}

timespec fileClockNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}

}  // namespace win::host
