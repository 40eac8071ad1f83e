// Libraries: a library of the machine is a host shared object, loaded with
// the dynamic loader so that its exports really run.
#include "Host.h"

#include <dlfcn.h>

#include <filesystem>
#include <map>

namespace win {
namespace {

struct Loaded {
    void* object = nullptr;
    std::string path;  // as the caller named it, for the journal
};

std::map<uintptr_t, Loaded>& loadedLibraries() {
    static std::map<uintptr_t, Loaded> libraries;
    return libraries;
}

LibraryHandle refuseLoad(uint32_t code) {
    if ((host::state().errorMode & SEM_FAILCRITICALERRORS) == 0) journal("critical-error box");
    host::fail(code);
    return LibraryHandle::None;
}

}  // namespace

LibraryHandle loadLibrary(const std::string& path) {
    const std::optional<host::Resolved> resolved = host::resolve(path);
    if (!resolved) return LibraryHandle::None;
    std::error_code error;
    if (!std::filesystem::is_regular_file(resolved->host, error)) return refuseLoad(ERR_MOD_NOT_FOUND);
    void* object = dlopen(resolved->host.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!object) return refuseLoad(ERR_BAD_EXE_FORMAT);
    static uintptr_t lastHandle = 0;
    const uintptr_t handle = ++lastHandle;
    loadedLibraries()[handle] = Loaded{object, path};
    return static_cast<LibraryHandle>(handle);
}

bool callLibraryExport(LibraryHandle library, const std::string& name, int32_t& result) {
    const auto found = loadedLibraries().find(static_cast<uintptr_t>(library));
    if (found == loadedLibraries().end()) return host::fail(ERR_INVALID_PARAMETER);
    void* address = dlsym(found->second.object, name.c_str());
    if (!address) return host::fail(ERR_INVALID_PARAMETER);
    using Export = int32_t (*)();
    result = reinterpret_cast<Export>(address)();
    journal("library call export=" + name + " path=\"" + found->second.path + "\" result=" + std::to_string(result));
    return true;
}

bool freeLibrary(LibraryHandle library) {
    const auto found = loadedLibraries().find(static_cast<uintptr_t>(library));
    if (found == loadedLibraries().end()) return host::fail(ERR_INVALID_PARAMETER);
    dlclose(found->second.object);
    loadedLibraries().erase(found);
    return true;
}

}  // namespace win
