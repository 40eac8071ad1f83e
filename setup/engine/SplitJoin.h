// The split-volume joiner of start-up: the installation medium's volumes
// "DISK01.SPL", ... joined into the setup files, with its lines on standard
// output and the preparation page's progress bar.
#pragma once

#include <string>

#include "SplitJoinCore.h"

// Joins the volumes of the source directory into the destination directory
// (both may end in backslashes) through the Windows layer: each member a
// file with its header's date, time and attributes.  Writes "Lese: ",
// "Schreibe: " and a failure's line to standard output.
SplResult AssembleSplitVolumes(const std::string& sourceDir, const std::string& destinationDir,
                               const ProgressCallback& progress);

// The line a failure writes to standard output, without its line end.
std::string SplResultLine(SplResult result);

// Moves the preparation page's bar to the percentage and repaints it at once;
// no other window message is processed.
void SplitCopyProgress(int percent);
