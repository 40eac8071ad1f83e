// The programs' German texts are single bytes only when narrow literals are
// compiled to Windows-1252; a build that forgets -fexec-charset=CP1252 stops here.
static_assert(sizeof("ä") == 2, "narrow string literals must be Windows-1252 (-fexec-charset=CP1252)");
