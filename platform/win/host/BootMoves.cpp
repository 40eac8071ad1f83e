// Moves pending until the next boot (MoveFileExA with
// MOVEFILE_DELAY_UNTIL_REBOOT): recorded in the machine folder's
// bootmoves.txt, one "from<TAB>to<TAB>flags" line each, in order.
#include "Host.h"

#include <sstream>

namespace win {

namespace {

std::string movesFile() { return host::machineFolder() + "/bootmoves.txt"; }

bool mayScheduleMoves(const host::Ini& ini) {
    return ini.flag("Machine", "HklmFullAccess", host::isAdministrator(ini));
}

}  // namespace

bool moveFileOnReboot(const std::string& from, const std::string& to, uint32_t flags) {
    const host::Ini ini = host::Ini::now();
    const bool known = flags == MOVEFILE_DELAY_UNTIL_REBOOT ||
                       flags == (MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING);
    uint32_t error = ERR_SUCCESS;
    if (!known)
        error = ERR_INVALID_PARAMETER;
    else if (!host::isNT(ini))
        error = ERR_CALL_NOT_IMPLEMENTED;
    else if (!mayScheduleMoves(ini))
        error = ERR_ACCESS_DENIED;
    else if (!host::writeFileAtomically(movesFile(), host::readMachineText(movesFile()) + from + "\t" + to + "\t" +
                                                         std::to_string(flags) + "\n"))
        error = lastError();
    journal("boot move from=\"" + from + "\" to=\"" + to + "\" flags=" + std::to_string(flags) +
            (error ? " failed=" + std::to_string(error) : ""));
    if (error) return host::fail(error);
    setLastError(ERR_SUCCESS);
    return true;
}

std::vector<PendingMove> pendingBootMoves() {
    std::vector<PendingMove> moves;
    std::istringstream lines(host::readMachineText(movesFile()));
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t first = line.find('\t');
        const std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
        if (second == std::string::npos) continue;
        moves.push_back({line.substr(0, first), line.substr(first + 1, second - first - 1),
                         static_cast<uint32_t>(std::stoul("0" + line.substr(second + 1)))});
    }
    return moves;
}

}  // namespace win
