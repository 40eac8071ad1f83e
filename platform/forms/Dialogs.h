// Message box styles and results as Windows gives them, and the beep.
#pragma once

// Buttons (the low four bits of a style).
constexpr int MB_OK = 0;
constexpr int MB_OKCANCEL = 1;
constexpr int MB_ABORTRETRYIGNORE = 2;
constexpr int MB_YESNOCANCEL = 3;
constexpr int MB_YESNO = 4;
constexpr int MB_RETRYCANCEL = 5;
// Icons.
constexpr int MB_ICONHAND = 16;
constexpr int MB_ICONSTOP = MB_ICONHAND;
constexpr int MB_ICONQUESTION = 32;
constexpr int MB_ICONEXCLAMATION = 48;
constexpr int MB_ICONWARNING = MB_ICONEXCLAMATION;

// The button pressed.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The machine journals the beep, the display shows (or transcribes) it.
bool MessageBeep(unsigned type = 0);
