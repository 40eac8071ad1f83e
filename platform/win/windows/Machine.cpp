// On Windows there is no emulated machine: the system keeps its own record
// of what it was asked to do (no journal), and a script cannot change it.
#include "Machine.h"

#include "Console.h"
#include "Win.h"

namespace win {

uint64_t nextSequenceNumber() {
    static uint64_t last = 0;
    return ++last;
}

namespace machine {

// A Windows program starts in the directory it was started from already.
void useHostWorkingDirectory() {}

bool setValue(const std::string& section, const std::string& key, const std::string&) {
    console::writeError("a script cannot change a real machine ([" + section + "] " + key + ")\n");
    exitProcess(2);
}

}  // namespace machine
}  // namespace win
