// A message box a person keeps open while a timer of the program is
// enabled: each tick writes the count so far to ticks.txt in the working
// directory.  The exit code is 0 when the box was answered by OK after at
// least three ticks while it was open, else 1.
#include "Forms.h"
#include "Win.h"

#include <string>

int main(int argc, char** argv) {
    win::setCommandLine(argc, argv);
    Application->Initialize();
    Application->Title = "Zeitgeber";
    auto* timer = new TTimer(Application);
    timer->SetInterval(100);
    int ticks = 0;
    timer->OnTimer = [&ticks](TObject*) { win::writeWholeFile("ticks.txt", std::to_string(++ticks) + "\n"); };
    const int answer = Application->MessageBox("Die Uhr l\xE4uft weiter.", "Zeitgeber", MB_OKCANCEL);
    win::exitProcess(answer == IDOK && ticks >= 3 ? 0 : 1);
}
