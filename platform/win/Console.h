// The console of a console program: its standard output and error, and the
// keyboard behind its standard input.
//
// Text is Windows-1252, as everywhere in the programs.  The host back end
// converts it to the code set of the user's locale (LC_ALL, LC_CTYPE, LANG)
// on the way out, whether or not the output is a terminal; characters that
// code set lacks become "?".
#pragma once

#include <optional>
#include <string>

namespace win::console {

void writeOutput(const std::string& text);
void writeError(const std::string& text);

// Whether standard input is a console that keys can be read from.
bool inputIsConsole();

// Waits for one key on the console and returns it without echo.  nullopt
// when no key can come any more (no console, or the console went away).
// The console's own mode is back as it was whenever this returns or the
// process is ended by a signal while it waits.
std::optional<char> readKey();

}  // namespace win::console
