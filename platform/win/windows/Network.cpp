// The host's name and addresses through Windows Sockets 1.1.
#include "Native.h"

#include <winsock2.h>

namespace win {
namespace {

bool socketsStarted() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(1, 1), &data) == 0;
    }();
    return started;
}

}  // namespace

std::optional<std::string> hostName() {
    char name[256] = {};
    if (!socketsStarted() || gethostname(name, 255) != 0) return std::nullopt;
    return std::string(name);
}

std::vector<std::string> hostAddresses() {
    std::vector<std::string> addresses;
    const std::optional<std::string> name = hostName();
    const hostent* host = name ? gethostbyname(name->c_str()) : nullptr;
    if (!host || host->h_addrtype != AF_INET) return addresses;
    for (char** address = host->h_addr_list; *address; ++address) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(*address);
        addresses.push_back(std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) +
                            "." + std::to_string(bytes[3]));
    }
    return addresses;
}

}  // namespace win
