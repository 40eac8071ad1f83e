// The RTF reader on any bytes: it must read every input to its end without
// a fault, and what it shows must come from the input alone.
#include "Rtf.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<forms::rtf::Run> runs = forms::rtf::read(text);
    std::size_t shown = 0;
    for (const forms::rtf::Run& run : runs) {
        if (run.text.empty()) __builtin_trap();  // a run holds at least one character
        shown += run.text.size();
    }
    if (shown > size) __builtin_trap();  // every character shown costs at least one input byte
    RtfToPlainText(text);
    return 0;
}
