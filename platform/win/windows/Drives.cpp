// Drives: their type, free space and label, and the process's error mode.
#include "Native.h"

namespace win {

uint32_t driveType(const std::string& root) { return GetDriveTypeW(native::toWide(root).c_str()); }

bool diskFreeSpace(const std::string& root, DiskFree& free) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceW(native::toWide(root).c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters))
        return false;
    free = {sectorsPerCluster, bytesPerSector, freeClusters, totalClusters};
    return true;
}

uint32_t logicalDrives() { return GetLogicalDrives(); }

std::string volumeLabel(const std::string& root) {
    wchar_t label[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(native::toWide(root).c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
        return "";
    return native::fromWide(label);
}

uint32_t setErrorMode(uint32_t mode) { return SetErrorMode(mode); }

}  // namespace win
