// Large buffers straight from the system's pages.
#include "Native.h"

namespace win {

void* allocateLarge(std::size_t size) { return ::VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE); }

void freeLarge(void* buffer, std::size_t) {
    if (buffer) ::VirtualFree(buffer, 0, MEM_RELEASE);
}

}  // namespace win
