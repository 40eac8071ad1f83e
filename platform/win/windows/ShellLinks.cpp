// Shell links through the shell's own link object, and moves at the next
// boot: the files are the system's own, as any program of it makes them.
#include "Native.h"

#include <objbase.h>
#include <shlobj.h>

namespace win {
namespace native {

// Apartment-threaded on the calling thread, once and for the whole process.
void initialiseCom() {
    static const HRESULT initialised = CoInitialize(nullptr);
    (void)initialised;
}

}  // namespace native

namespace {

// Releases a COM interface when it goes out of scope.
template <typename Interface>
class Held {
public:
    Held() = default;
    ~Held() {
        if (m_pointer) m_pointer->Release();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    Interface** out() { return &m_pointer; }
    Interface* operator->() const { return m_pointer; }

private:
    Interface* m_pointer = nullptr;
};

// The link object takes ANSI texts, and the file name is converted from
// the ANSI code page, as a program of the ANSI API hands them over.
}  // namespace

bool saveShellLink(const std::string& path, const ShellLink& link) {
    native::initialiseCom();
    Held<IShellLinkA> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(shellLink.out()))))
        return native::fail(ERR_CALL_NOT_IMPLEMENTED);
    shellLink->SetPath(link.target.c_str());
    shellLink->SetDescription(link.description.c_str());
    shellLink->SetWorkingDirectory(link.workingDirectory.c_str());
    Held<IPersistFile> file;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out()))))
        return native::fail(ERR_CALL_NOT_IMPLEMENTED);
    const std::wstring wide = native::toWide(path, CP_ACP);
    if (wide.size() >= kMaxPath) return native::fail(ERR_FILENAME_EXCED_RANGE);
    const HRESULT saved = file->Save(wide.c_str(), TRUE);
    if (FAILED(saved))
        return native::fail(HRESULT_FACILITY(saved) == FACILITY_WIN32 ? static_cast<uint32_t>(HRESULT_CODE(saved))
                                                                      : uint32_t{ERR_ACCESS_DENIED});
    return true;
}


bool moveFileOnReboot(const std::string& from, const std::string& to, uint32_t flags) {
    return MoveFileExW(native::toWide(from).c_str(), native::toWide(to).c_str(), flags);
}

}  // namespace win
