// The build without FLTK: the scripted user cannot have real windows, and
// a run without a script gets the headless back end with no script, which
// ends at its first wait for the user.
#include "../CreateDisplay.h"

#include "Console.h"
#include "Win.h"
#include "headless/ScriptedUser.h"

namespace forms::fltk {

std::unique_ptr<DisplayBackEnd> createDisplay(std::unique_ptr<DisplayBackEnd> scriptedUser) {
    if (scriptedUser) {
        win::console::writeError("SETUP_UI=fltk: this build has no FLTK back end\n");
        win::exitProcess(2);
    }
    return headless::ScriptedUser::fromEnvironment();
}

}  // namespace forms::fltk
