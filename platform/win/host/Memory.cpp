// Large buffers in huge pages where the host has them: one fault makes a
// 2 MiB page, where ordinary pages cost one fault each 4 KiB.
#include "Win.h"

#include <sys/mman.h>

#include <cstdint>
#include <mutex>
#include <utility>

namespace win {
namespace {

constexpr std::size_t kHugePage = 2 << 20;

std::size_t mappedLength(std::size_t size) { return (size + kHugePage - 1) / kHugePage * kHugePage; }

// The last buffer given back, for the next one of its size: its pages are made.
struct Spare {
    std::mutex lock;
    void* buffer = nullptr;
    std::size_t length = 0;
};

Spare& spare() {
    static Spare kept;
    return kept;
}

// A mapping of `length` bytes that starts on a huge page's bound: mapped
// with a huge page more, and the ends cut off.
void* mapAligned(std::size_t length) {
    void* const mapped = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    const auto begin = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t start = (begin + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
    if (start > begin) ::munmap(mapped, start - begin);
    if (const std::uintptr_t tail = begin + length + kHugePage - (start + length); tail > 0)
        ::munmap(reinterpret_cast<void*>(start + length), tail);
    ::madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(start);
}

}  // namespace

void* allocateLarge(std::size_t size) {
    const std::size_t length = mappedLength(size);
    {
        Spare& kept = spare();
        const std::lock_guard<std::mutex> hold(kept.lock);
        if (kept.buffer && kept.length == length) return std::exchange(kept.buffer, nullptr);
    }
    return mapAligned(length);
}

void freeLarge(void* buffer, std::size_t size) {
    if (!buffer) return;
    Spare& kept = spare();
    const std::lock_guard<std::mutex> hold(kept.lock);
    if (kept.buffer) ::munmap(kept.buffer, kept.length);
    kept.buffer = buffer;
    kept.length = mappedLength(size);
}

}  // namespace win
