// Unit CServiceMgr: stopping and removing the product's own Windows services
// before the first file is copied, and the small service-control class that
// talks to the local Service Control Manager.
//
// Nothing here writes the install log or the uninstall record.  Where no
// manager can be opened (Windows 9x) every service counts as not installed.
#pragma once

#include <cstdint>

// One object per service name, created on the heap and destroyed through
// its virtual destructor.  Every operation opens the manager and the service
// afresh and closes both before it returns.
class CServiceMgr {
public:
    // The name is kept in a zero-terminated field of 256 characters, cut at
    // 255.
    explicit CServiceMgr(const char* name);
    virtual ~CServiceMgr();

    // Operation codes of Control.
    static constexpr int opDelete = 1;
    static constexpr int opStop = 3;

    // Whether the service is installed (opened by its key name with the
    // status-query right only).
    bool Exists();
    // The service's current state (1 stopped, 3 stop pending, 4 running, ...),
    // 0 when it cannot be read, also without the rights for full access.
    uint32_t QueryState();
    // Delete (also deletes the service's key under HKLM
    // "SYSTEM\CurrentControlSet\Services\", whose result is ignored) or stop
    // (waits until the state's lowest bit is set, at most 30 s).  True when
    // the operation succeeded.
    bool Control(int op);

    const char* Name() const { return m_szName; }

private:
    char m_szName[256];
};

// Walks the product's 114 service names; for each installed one asks the
// user, stops it when running and deletes it.  Ends the process (exit code 1)
// on the user's request or when a service cannot be stopped or deleted.
void RemoveProductServices();

// One name of that walk: returns when the service is not installed or has
// been deleted, else ends the process.
void StopAndDeleteService(const char* name);

// The decimal text of value in buffer: length characters are used, the
// number is written into the first length - 1 and the result trimmed.
char* FormatNumberText(int value, char* buffer, int length);

// Writes value right-aligned into the first width characters of field (a
// negative value with its minus sign last); nothing when it does not fit or
// for the no-value marker kNoIntValue.  No terminator is written.
constexpr int kNoIntValue = -100000001;
void PutIntField(int value, char* field, int width);

// Trims leading and trailing blanks (code 32) of a zero-terminated text in
// place and returns it.
char* TrimBlanks(char* text);
