// On Windows there is no emulated machine.
#include "Machine.h"

namespace win::machine {

// A Windows program starts in the directory it was started from already.
void useHostWorkingDirectory() {}

}  // namespace win::machine
