// The last error is the thread's Windows error: the layer's codes are
// Windows' own numbers.
#include "Native.h"

namespace win {

uint32_t lastError() { return GetLastError(); }

void setLastError(uint32_t code) { SetLastError(code); }

namespace native {

bool fail(uint32_t code) {
    SetLastError(code);
    return false;
}

}  // namespace native
}  // namespace win
