// The console archive tool: lists the "OWN_LZW" members that match a name or
// mask and extracts them into a directory.
#pragma once

#include <string>
#include <vector>

#include "Ulzw.h"

// The command-line state.
struct UnpackOptions {
    int m_nMode = 0;  // 0 list, 1 extract
    std::string m_sDestDir;
    bool m_bOverride = false;
    std::string m_sMask;
};

// One archive file found by the mask: its name without directory and its header.
struct ArchiveEntry {
    std::string m_sName;
    LzwMemberHeader m_Header;
};
// In the order of the directory search.
using ArchiveList = std::vector<ArchiveEntry>;

// Adds the members matching the mask to the list; returns how many.
int CollectArchives(const std::string& mask, ArchiveList& list);
void ListArchives(const std::string& mask);
void UnpackArchives(const std::string& mask, const std::string& destDir, bool override);
// The answer to the overwrite question: true for J.
bool AskYesNo();
