#include "Dialogs.h"

#include "Forms.h"
#include "Win.h"

bool MessageBeep(unsigned) {
    win::messageBeep();
    Application->Display().beep();
    return true;
}
