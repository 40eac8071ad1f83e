// Libraries for self-registration, loaded into the process with COM ready.
#include "Native.h"

#include <objbase.h>

namespace win {

LibraryHandle loadLibrary(const std::string& path) {
    native::initialiseCom();
    return static_cast<LibraryHandle>(reinterpret_cast<uintptr_t>(LoadLibraryW(native::toWide(path).c_str())));
}

bool callLibraryExport(LibraryHandle library, const std::string& name, int32_t& result) {
    const auto module = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(library));
    const FARPROC address = GetProcAddress(module, name.c_str());
    if (!address) return native::fail(ERR_INVALID_PARAMETER);
    using Export = HRESULT(STDAPICALLTYPE*)();
    result = reinterpret_cast<Export>(reinterpret_cast<void*>(address))();
    return true;
}

bool freeLibrary(LibraryHandle library) {
    CoFreeLibrary(reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(library)));
    return true;
}

}  // namespace win
