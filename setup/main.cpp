// Host entry of the installer: hands the command line to the layer, then runs
// the program entry of the main unit and ends the process with its result.
#include "Win.h"
#include "fInstall.h"

int main(int argc, char** argv) {
    win::setCommandLine(argc, argv);
    win::exitProcess(WinMain());
}
