// A tiny OLE server library for the self-registration tests, built three
// ways: registering (OLE_SERVER_OK), failing (OLE_SERVER_FAILS) and without
// the export (OLE_SERVER_NONE).
#include <cstdint>

#if defined(OLE_SERVER_OK)
extern "C" int32_t DllRegisterServer() { return 0; }
#elif defined(OLE_SERVER_FAILS)
extern "C" int32_t DllRegisterServer() { return static_cast<int32_t>(0x80004005u); }  // E_FAIL
#else
extern "C" int32_t DllCanUnloadNow() { return 0; }
#endif
