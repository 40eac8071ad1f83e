// The local service control manager.
#include "Native.h"

#include <vector>

namespace win {
namespace {

native::HandleTable<SC_HANDLE>& handles() {
    static native::HandleTable<SC_HANDLE> table;
    return table;
}

SC_HANDLE* find(ScHandle handle) { return handles().find(static_cast<uint32_t>(handle)); }

ScHandle issue(SC_HANDLE handle) {
    return handle ? static_cast<ScHandle>(handles().add(handle)) : ScHandle::None;
}

}  // namespace

ScHandle openServiceManager(const std::string& database, uint32_t access) {
    const std::wstring name = native::toWide(database);
    return issue(OpenSCManagerW(nullptr, database.empty() ? nullptr : name.c_str(), access));
}

ScHandle openService(ScHandle manager, const std::string& name, uint32_t access) {
    SC_HANDLE* opened = find(manager);
    return opened ? issue(OpenServiceW(*opened, native::toWide(name).c_str(), access)) : ScHandle::None;
}

// The buffer counts characters with the terminating zero, as the caller's does.
bool serviceKeyName(ScHandle manager, const std::string& displayName, std::size_t bufferSize, std::string& keyName) {
    SC_HANDLE* opened = find(manager);
    if (!opened) return false;
    std::vector<wchar_t> buffer(bufferSize + 1);
    DWORD size = static_cast<DWORD>(bufferSize);
    if (!GetServiceKeyNameW(*opened, native::toWide(displayName).c_str(), buffer.data(), &size)) return false;
    keyName = native::fromWide(buffer.data());
    return true;
}

bool queryServiceStatus(ScHandle service, uint32_t& currentState) {
    SC_HANDLE* opened = find(service);
    SERVICE_STATUS status{};
    if (!opened || !QueryServiceStatus(*opened, &status)) return false;
    currentState = status.dwCurrentState;
    return true;
}

bool controlService(ScHandle service, uint32_t control, uint32_t& currentState) {
    SC_HANDLE* opened = find(service);
    SERVICE_STATUS status{};
    if (!opened || !ControlService(*opened, control, &status)) return false;
    currentState = status.dwCurrentState;
    return true;
}

bool deleteService(ScHandle service) {
    SC_HANDLE* opened = find(service);
    return opened && DeleteService(*opened);
}

bool closeServiceHandle(ScHandle handle) {
    return handles().close(static_cast<uint32_t>(handle),
                           [](SC_HANDLE opened) { return CloseServiceHandle(opened) != 0; });
}

}  // namespace win
