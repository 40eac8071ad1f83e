// Unit Ulzw: the "OWN_LZW" packed members of the installation medium, read
// and expanded through the Windows-operations layer.  Both programs carry it.
#pragma once

#include <string>

#include "LzwCodec.h"

// True when the file begins with a valid member header; `header` then holds
// it, else it is all zero.  A file shorter than the header is read as if
// zero bytes followed.
bool LzwReadHeader(const std::string& path, LzwMemberHeader& header);
// LzwClassifyHeader on the file's first bytes; a file that cannot be read is
// NoMember.
LzwHeaderKind LzwClassifyMember(const std::string& path, LzwMemberHeader& header);

// True when the file was found; `header` then describes it (size, local DOS
// date and time, attributes, and the path's last component as its name),
// else it is all zero.
bool LzwHeaderFromFile(const std::string& path, LzwMemberHeader& header);

// Expands the member into the target and gives the target the member's date,
// time and attributes.  `progress`, when set, receives 0, then at most 99 at
// each hundredth, then 100.  False when the member is invalid or corrupt or
// the target cannot be written; no target is left behind then.
bool LzwExpandFile(const std::string& target, const std::string& member,
                   const ProgressCallback& progress = {});

// Whether a stored name can stand as a plain file name in a directory:
// callers check it before they turn a member's name into a path.  A name
// that fills the whole name field has lost its end and is none.
bool LzwIsPlainFileName(const std::string& name);

// What a program shows when a string does not fit on the decode stack; the
// unit ends the process with exit code 3 after it returns.  nullptr restores
// the default, which writes the text to standard error.
using LzwStackOverflowHandler = void (*)(const std::string& text);
void LzwSetStackOverflowHandler(LzwStackOverflowHandler handler);
// The reaction itself: the handler with "Fehler beim Entpacken, Abbruch !",
// then exit code 3.
[[noreturn]] void LzwStackOverflow();
