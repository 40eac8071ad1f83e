#include "CServiceMgr.h"

#include "Forms.h"
#include "Win.h"

#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr const char* kCaption = "Brimlund Setup";
constexpr int kQuestionBox = MB_OKCANCEL | MB_ICONQUESTION;
constexpr int kConfirmEndBox = MB_OKCANCEL | MB_ICONSTOP;
constexpr int kFailureBox = MB_OK | MB_ICONSTOP;

constexpr const char* kFamilyPrefix = "Blt_vask";
constexpr int kNumberedServices = 99;
constexpr const char* kFixedNames[] = {
    "Tarnox-Holmer", "Blt_Quisbel",     "Blt_Dorvik",    "Lumbast",        "vorp-holmer",
    "BLT-Tarnox-Holmer", "BLT-Quisbel", "BLT-Sefa-Trulmer", "BLT-Gorpinde", "BLT-Wendrel",
    "BLT-VORP-Holmer", "BLT-KAZ-Holmer", "QDB-Holmer",  "BLT-QDB-Holmer",
};

constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";
constexpr std::size_t kKeyNameBuffer = 1024;

// The caller polls for the stopped state this often, 100 ms apart.
constexpr int kStopPolls = 300;
constexpr uint32_t kStopPollMs = 100;
// The stop request itself waits in 300 ms steps for at most 30 s.
constexpr uint32_t kStopStepMs = 300;
constexpr uint32_t kStopLimitMs = 30000;

// Closes a manager or service handle when it goes out of scope.
class ScopedScHandle {
public:
    explicit ScopedScHandle(win::ScHandle handle) : m_handle(handle) {}
    ~ScopedScHandle() {
        if (m_handle != win::ScHandle::None) win::closeServiceHandle(m_handle);
    }
    ScopedScHandle(const ScopedScHandle&) = delete;
    ScopedScHandle& operator=(const ScopedScHandle&) = delete;

    win::ScHandle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != win::ScHandle::None; }

private:
    win::ScHandle m_handle;
};

// By key name, else, when no service has that key name, taking the name as
// a display name.  keyName is the key name of the service opened.
win::ScHandle OpenWithAllAccess(win::ScHandle manager, const std::string& name, std::string& keyName) {
    keyName = name;
    const win::ScHandle service = win::openService(manager, name, win::SERVICE_ALL_ACCESS);
    if (service != win::ScHandle::None || win::lastError() != win::ERR_SERVICE_DOES_NOT_EXIST) return service;
    if (!win::serviceKeyName(manager, name, kKeyNameBuffer, keyName)) return win::ScHandle::None;
    return win::openService(manager, keyName, win::SERVICE_ALL_ACCESS);
}

// Any state with its lowest bit set (stopped, stop pending, continue
// pending, paused) ends the wait: the caller waits for the stopped state.
bool RequestStop(win::ScHandle service) {
    uint32_t state = 0;
    if (!win::controlService(service, win::SERVICE_CONTROL_STOP, state)) return false;
    const uint32_t start = win::tickCount();
    for (;;) {
        win::sleep(kStopStepMs);
        win::queryServiceStatus(service, state);  // a failed query keeps the last state
        if (win::tickCount() - start > kStopLimitMs) return false;
        if (state & 1) return true;
    }
}

[[noreturn]] void EndSetup() {
    Application->Terminate();
    win::exitProcess(1);
}

[[noreturn]] void FailService(const std::string& name) {
    Application->MessageBox("Setup kann den Dienst\n\n" + name +
                                "\n\nnicht beenden und kann deshalb nicht weiter ausgeführt werden.\n\n",
                            kCaption, kFailureBox);
    EndSetup();
}

// Returns once the user agrees to stop the service; ends the setup when the
// user confirms ending it instead.
void AskToStop(const std::string& name) {
    const std::string question =
        "Zum Fortsetzen des Setup muss der Dienst\n\n" + name + "\n\nauf diesem PC beendet werden.";
    while (Application->MessageBox(question, kCaption, kQuestionBox) == IDCANCEL)
        if (Application->MessageBox("Möchten Sie das Setup wirklich beenden?\n\n", kCaption, kConfirmEndBox) !=
            IDCANCEL)
            EndSetup();
}

bool WaitUntilStopped(CServiceMgr& service) {
    for (int poll = 0; poll < kStopPolls; ++poll) {
        if (service.QueryState() == win::SERVICE_STOPPED) return true;
        win::sleep(kStopPollMs);
    }
    return service.QueryState() == win::SERVICE_STOPPED;
}

}  // namespace

// ------------------------------------------------------------- CServiceMgr

CServiceMgr::CServiceMgr(const char* name) {
    std::memset(m_szName, 0, sizeof m_szName);
    std::strncpy(m_szName, name, sizeof m_szName - 1);
}

CServiceMgr::~CServiceMgr() = default;

bool CServiceMgr::Exists() {
    const ScopedScHandle manager(win::openServiceManager("ServicesActive", win::SC_MANAGER_CONNECT));
    if (!manager) return false;
    const ScopedScHandle service(win::openService(manager.get(), m_szName, win::SERVICE_QUERY_STATUS));
    return static_cast<bool>(service);
}

uint32_t CServiceMgr::QueryState() {
    const ScopedScHandle manager(win::openServiceManager("", win::SC_MANAGER_ALL_ACCESS));
    if (!manager) return 0;
    const ScopedScHandle service(win::openService(manager.get(), m_szName, win::SERVICE_ALL_ACCESS));
    uint32_t state = 0;
    if (!service || !win::queryServiceStatus(service.get(), state)) return 0;
    return state;
}

bool CServiceMgr::Control(int op) {
    const ScopedScHandle manager(win::openServiceManager("", win::SC_MANAGER_ALL_ACCESS));
    if (!manager) return false;
    std::string keyName;
    const ScopedScHandle service(OpenWithAllAccess(manager.get(), m_szName, keyName));
    if (!service) return false;
    switch (op) {
        case opDelete:
            if (!win::deleteService(service.get())) return false;
            // The key of the service deleted: a key named by a display name
            // may belong to another service.
            win::regDeleteKey(win::RegRoot::LocalMachine, kServicesKey + keyName);
            return true;
        case opStop:
            return RequestStop(service.get());
        default:
            return false;
    }
}

// ---------------------------------------------------------- the removal

void StopAndDeleteService(const char* name) {
    const auto service = std::make_unique<CServiceMgr>(name);
    if (!service->Exists()) return;
    AskToStop(name);
    if (service->QueryState() == win::SERVICE_RUNNING) {
        service->Control(CServiceMgr::opStop);  // the polling below decides
        if (!WaitUntilStopped(*service)) FailService(name);
    }
    if (!service->Control(CServiceMgr::opDelete)) FailService(name);
}

void RemoveProductServices() {
    StopAndDeleteService((std::string(kFamilyPrefix) + " ").c_str());
    for (int n = 1; n <= kNumberedServices; ++n) {
        char number[64] = {};
        StopAndDeleteService((kFamilyPrefix + std::string(FormatNumberText(n, number, 3))).c_str());
    }
    for (const char* name : kFixedNames) StopAndDeleteService(name);
}

// ------------------------------------------------------- number texts

char* FormatNumberText(int value, char* buffer, int length) {
    if (length < 1) return buffer;  // no room even for the terminator
    std::memset(buffer, ' ', static_cast<std::size_t>(length));
    buffer[length - 1] = '\0';
    PutIntField(value, buffer, length - 1);
    return TrimBlanks(buffer);
}

void PutIntField(int value, char* field, int width) {
    if (value == kNoIntValue) return;
    const bool negative = value < 0;
    uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (count + (negative ? 1 : 0) > width) return;
    int pos = width - 1;
    if (negative) field[pos--] = '-';
    for (int i = 0; i < count; ++i) field[pos--] = digits[i];
}

char* TrimBlanks(char* text) {
    std::size_t lead = 0;
    while (text[lead] == ' ') ++lead;
    std::memmove(text, text + lead, std::strlen(text + lead) + 1);
    for (std::size_t end = std::strlen(text); end > 0 && text[end - 1] == ' '; --end) text[end - 1] = '\0';
    return text;
}
