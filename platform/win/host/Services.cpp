// The Service Control Manager of the machine: the service database is
// services.ini in the machine folder (laid out in Machine.h), read afresh on
// every call; a stop follows the service's scripted course on the machine's
// clock.
#include "Host.h"
#include "Machine.h"
#include "Profile.h"
#include "Text1252.h"

#include <cstdlib>
#include <map>
#include <set>

namespace win::host {
namespace {

constexpr uint32_t ERR_DATABASE_DOES_NOT_EXIST = 1065;

// Rights a user without administrator rights is granted.
constexpr uint32_t kUserManagerRights = SC_MANAGER_CONNECT | 0x0004 /*enumerate*/ | 0x0010 /*lock status*/;
constexpr uint32_t kUserServiceRights = 0x0001 /*config*/ | SERVICE_QUERY_STATUS | 0x0008 /*dependents*/ |
                                        0x0080 /*interrogate*/;
constexpr uint32_t kServiceStopRight = 0x0020;
constexpr uint32_t kDeleteRight = 0x10000;

struct Service {
    std::string section;  // as services.ini spells it
    std::string name;     // key name
    std::string displayName;
    uint32_t state = SERVICE_RUNNING;
    bool acceptStop = true;
    std::optional<uint32_t> pendingAfter, stoppedAfter;  // nullopt = never
    uint32_t deleteRefusal = ERR_SUCCESS;
    std::optional<uint32_t> stopRequested;  // tick count
};

struct OpenHandle {
    bool manager = false;
    uint32_t access = 0;
    std::string service;  // key name, for a service handle
};

std::map<uint32_t, OpenHandle>& handles() {
    static std::map<uint32_t, OpenHandle> table;
    return table;
}

std::string databaseFile() { return machineFolder() + "/services.ini"; }

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

std::optional<uint32_t> parseCount(const std::optional<std::string>& value, std::optional<uint32_t> fallback) {
    if (!value || value->empty()) return fallback;
    if (text::equalNoCase(*value, "never")) return std::nullopt;
    char* end = nullptr;
    const unsigned long n = std::strtoul(value->c_str(), &end, 10);
    return end && *end == '\0' ? std::optional<uint32_t>(static_cast<uint32_t>(n)) : fallback;
}

uint32_t parseState(const std::optional<std::string>& value) {
    static constexpr const char* kNames[] = {"stopped",          "start-pending", "stop-pending", "running",
                                             "continue-pending", "pause-pending", "paused"};
    if (!value || value->empty()) return SERVICE_RUNNING;
    for (uint32_t i = 0; i < 7; ++i)
        if (text::equalNoCase(*value, kNames[i])) return i + 1;
    const std::optional<uint32_t> number = parseCount(value, SERVICE_RUNNING);
    return number && *number >= SERVICE_STOPPED && *number <= SERVICE_PAUSED ? *number : SERVICE_RUNNING;
}

uint32_t parseRefusal(const std::optional<std::string>& value) {
    const uint32_t n = parseCount(value, 0).value_or(0);
    return n == 1 ? uint32_t{ERR_ACCESS_DENIED} : n;
}

Service readService(const std::string& text, const std::string& section) {
    const auto get = [&](std::string_view key) { return profile::readString(text, section, key); };
    Service s;
    s.section = section;
    s.name = get("Name").value_or(section);
    s.displayName = get("DisplayName").value_or(s.name);
    s.state = parseState(get("State"));
    s.acceptStop = parseCount(get("AcceptStop"), 1).value_or(1) != 0;
    s.pendingAfter = parseCount(get("PendingAfter"), 0);
    s.stoppedAfter = parseCount(get("StoppedAfter"), 0);
    s.deleteRefusal = parseRefusal(get("DeleteRefused"));
    if (get("StopRequested")) s.stopRequested = parseCount(get("StopRequested"), 0);
    return s;
}

// The name of a section header line, nullopt for any other line.
std::optional<std::string_view> headerName(std::string_view line) {
    const std::string_view body = text::trimBlanks(line);
    if (body.empty() || body.front() != '[') return std::nullopt;
    const std::size_t close = body.rfind(']');
    if (close == std::string_view::npos) return std::nullopt;
    return text::trimBlanks(body.substr(1, close - 1));
}

// Calls visit(line) for each line of the text, line ends included.
template <class Visit>
void forEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
        visit(text.substr(0, length));
        text.remove_prefix(length);
    }
}

// Each section read from its own lines only, so that a large database is
// read in one pass; as the profile rules have it, only the first section
// of a name counts.
std::vector<Service> database() {
    const std::string text = readMachineText(databaseFile());
    std::vector<std::pair<std::string, std::string>> sections;  // name, its lines
    forEachLine(text, [&](std::string_view line) {
        if (const std::optional<std::string_view> name = headerName(line)) sections.emplace_back(*name, "");
        if (!sections.empty()) sections.back().second.append(line);
    });
    std::vector<Service> services;
    std::set<std::string> seen;
    for (const auto& [name, lines] : sections)
        if (seen.insert(text::upper(name)).second) services.push_back(readService(lines, name));
    return services;
}

std::optional<Service> findService(const std::string& name) {
    for (Service& s : database())
        if (text::equalNoCase(s.name, name)) return s;
    return std::nullopt;
}

// The state now: the configured one until a stop was accepted, then the
// scripted course measured from the request.
uint32_t currentState(const Service& s) {
    if (!s.stopRequested) return s.state;
    const uint32_t elapsed = tickCount() - *s.stopRequested;
    if (s.stoppedAfter && elapsed >= *s.stoppedAfter) return SERVICE_STOPPED;
    if (s.pendingAfter && elapsed >= *s.pendingAfter) return SERVICE_STOP_PENDING;
    return s.state;
}

// The text without the first section of that name (its header and lines).
std::string withoutSection(const std::string& text, const std::string& section) {
    std::string out;
    bool skipping = false, removed = false;
    forEachLine(text, [&](std::string_view line) {
        const std::optional<std::string_view> name = headerName(line);
        if (name) skipping = !removed && text::equalNoCase(*name, section);
        removed = removed || skipping;
        if (!skipping) out.append(line);
    });
    return out;
}

bool recordStopRequest(const Service& s, uint32_t tick) {
    const std::string file = databaseFile();
    return writeFileAtomically(file, profile::writeString(readMachineText(file), s.section, "StopRequested", std::to_string(tick)));
}

bool removeFromDatabase(const Service& s) {
    const std::string file = databaseFile();
    return writeFileAtomically(file, withoutSection(readMachineText(file), s.section));
}

ScHandle addHandle(OpenHandle handle) {
    static uint32_t next = 0x100;
    const uint32_t id = next++;
    handles()[id] = std::move(handle);
    return static_cast<ScHandle>(id);
}

const OpenHandle* findHandle(ScHandle handle, bool manager) {
    const auto it = handles().find(static_cast<uint32_t>(handle));
    if (it == handles().end() || it->second.manager != manager) {
        fail(ERR_INVALID_HANDLE);
        return nullptr;
    }
    return &it->second;
}

// The service behind a service handle opened with the right asked for;
// nullopt with the last error otherwise.
std::optional<Service> serviceFor(ScHandle handle, uint32_t right) {
    const OpenHandle* open = findHandle(handle, false);
    if (!open) return std::nullopt;
    if ((open->access & right) != right) {
        fail(ERR_ACCESS_DENIED);
        return std::nullopt;
    }
    std::optional<Service> s = findService(open->service);
    if (!s) fail(ERR_SERVICE_MARKED_FOR_DELETE);
    return s;
}

bool grantedToUser(uint32_t access, uint32_t userRights) {
    return (access & ~userRights) == 0 || isAdministrator(Ini::now());
}

std::string requestLine(const std::string& what, const std::string& name) {
    return "service " + what + " name=" + quoted(name) + " tick=" + std::to_string(tickCount());
}

bool refusedRequest(const std::string& line, uint32_t code) {
    journal(line + " refused=" + std::to_string(code));
    return fail(code);
}

}  // namespace
}  // namespace win::host

namespace win {

ScHandle openServiceManager(const std::string& database, uint32_t access) {
    const host::Ini ini = host::Ini::now();
    if (!host::isNT(ini)) return host::fail(ERR_CALL_NOT_IMPLEMENTED), ScHandle::None;
    if (!database.empty() && !text::equalNoCase(database, "ServicesActive"))
        return host::fail(host::ERR_DATABASE_DOES_NOT_EXIST), ScHandle::None;
    if (!host::grantedToUser(access, host::kUserManagerRights)) return host::fail(ERR_ACCESS_DENIED), ScHandle::None;
    return host::addHandle({true, access, ""});
}

ScHandle openService(ScHandle manager, const std::string& name, uint32_t access) {
    if (!host::findHandle(manager, true)) return ScHandle::None;
    const std::optional<host::Service> s = host::findService(name);
    if (!s) return host::fail(ERR_SERVICE_DOES_NOT_EXIST), ScHandle::None;
    if (!host::grantedToUser(access, host::kUserServiceRights)) return host::fail(ERR_ACCESS_DENIED), ScHandle::None;
    return host::addHandle({false, access, s->name});
}

bool serviceKeyName(ScHandle manager, const std::string& displayName, std::size_t bufferSize, std::string& keyName) {
    if (!host::findHandle(manager, true)) return false;
    for (const host::Service& s : host::database()) {
        if (!text::equalNoCase(s.displayName, displayName)) continue;
        if (s.name.size() + 1 > bufferSize) return host::fail(ERR_INSUFFICIENT_BUFFER);
        keyName = s.name;
        return true;
    }
    return host::fail(ERR_SERVICE_DOES_NOT_EXIST);
}

bool queryServiceStatus(ScHandle service, uint32_t& currentState) {
    const std::optional<host::Service> s = host::serviceFor(service, SERVICE_QUERY_STATUS);
    if (!s) return false;
    currentState = host::currentState(*s);
    return true;
}

bool controlService(ScHandle service, uint32_t control, uint32_t& currentState) {
    const host::OpenHandle* open = host::findHandle(service, false);
    if (!open) return false;
    const std::string line = host::requestLine("control", open->service) + " control=" + std::to_string(control);
    const std::optional<host::Service> s = host::serviceFor(service, host::kServiceStopRight);
    if (!s) return host::refusedRequest(line, lastError());
    if (control != SERVICE_CONTROL_STOP) return host::refusedRequest(line, ERR_INVALID_SERVICE_CONTROL);
    const uint32_t state = host::currentState(*s);
    if (state == SERVICE_STOPPED) return host::refusedRequest(line, ERR_SERVICE_NOT_ACTIVE);
    const bool pending = state != SERVICE_RUNNING && state != SERVICE_PAUSED;
    if (pending || !s->acceptStop) return host::refusedRequest(line, ERR_SERVICE_CANNOT_ACCEPT_CTRL);
    host::Service stopping = *s;
    stopping.stopRequested = tickCount();
    if (!host::recordStopRequest(stopping, *stopping.stopRequested)) return host::refusedRequest(line, lastError());
    currentState = host::currentState(stopping);
    journal(line + " accepted state=" + std::to_string(currentState));
    return true;
}

bool deleteService(ScHandle service) {
    const host::OpenHandle* open = host::findHandle(service, false);
    if (!open) return false;
    const std::string line = host::requestLine("delete", open->service);
    const std::optional<host::Service> s = host::serviceFor(service, host::kDeleteRight);
    if (!s) return host::refusedRequest(line, lastError());
    if (s->deleteRefusal != ERR_SUCCESS) return host::refusedRequest(line, s->deleteRefusal);
    if (!host::removeFromDatabase(*s)) return host::refusedRequest(line, lastError());
    journal(line + " deleted");
    return true;
}

bool closeServiceHandle(ScHandle handle) {
    if (host::handles().erase(static_cast<uint32_t>(handle)) == 0) return host::fail(ERR_INVALID_HANDLE);
    return true;
}

namespace machine {

int openServiceHandles() { return static_cast<int>(host::handles().size()); }

}  // namespace machine
}  // namespace win
