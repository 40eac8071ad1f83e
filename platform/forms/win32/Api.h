// The Windows API beside the forms model.  The model declares MessageBeep
// and keybd_event of its own, so the system's declarations of those two
// are renamed out of the way; the system's macros for the message box and
// key constants have the model's values.  Include after the model's headers.
#pragma once

#include "Forms.h"

#define MessageBeep SystemMessageBeep
#define keybd_event system_keybd_event
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>
#undef MessageBeep
#undef keybd_event
#undef MessageBox
