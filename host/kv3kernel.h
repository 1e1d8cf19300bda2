// The host kernel's registration entry, as the module imports it, and the
// stand-in kernel's own functions through which host programs load a module
// and reach the file-system object it registered.
//
// The stand-in is built as kv3kernel.dll (Win32; the exports are listed in
// kv3kernel.def under undecorated names) and as libkv3kernel.so with the
// SONAME libkv3kernel.so (Linux), which the module names as a dependency. A
// host that loads its own library of that name before the module receives
// the registration instead.
//
// All functions run on the caller's thread; the kernel keeps no lock.
#ifndef ORV_HOST_KV3KERNEL_H_
#define ORV_HOST_KV3KERNEL_H_

#include <stdint.h>

#include "com/orv_interfaces.h"

#if defined(_WIN32)
#if defined(ORV_BUILDING_KV3KERNEL)
#define KV3_API  // exported through kv3kernel.def
#else
#define KV3_API __declspec(dllimport)
#endif
#else
#define KV3_API __attribute__((visibility("default")))
#endif

extern "C" {

// Called once by the module when it is attached to a process, with its
// file-system object. The kernel keeps the object: it takes its own reference
// during the call (the module drops its reference when the call returns) and
// drops the reference of an object registered before, so the last
// registration wins. S_OK; E_POINTER, with nothing changed, for null. The
// module does not examine the result.
KV3_API HRESULT ORV_STDCALL Kv3RegisterFileSystem(IORVFileSystem* fileSystem);

// Loads the module at `path` (the platform's library search applies to a
// bare file name), which registers its file system while it is attached.
// S_OK when, after the load, the kernel holds a registered file system;
// E_NOINTERFACE when the module loaded but none is registered; E_FAIL when the
// library cannot be loaded; E_INVALIDARG for a null or empty path. A loaded
// module is never unloaded: the code of the objects it hands out lives in it.
KV3_API HRESULT ORV_STDCALL Kv3LoadModule(const char* path);

// Stores the registered file system in *fileSystem with a new reference that
// belongs to the caller, and returns S_OK; stores null and returns E_FAIL when
// none is registered. E_POINTER for a null out pointer.
KV3_API HRESULT ORV_STDCALL Kv3GetFileSystem(IORVFileSystem** fileSystem);

// Drops the kernel's reference to the registered file system and forgets it.
// Returns the count that Release returned, 0 when that destroyed the object
// (so a host can check that nothing else holds it), and also 0 when none was
// registered.
KV3_API uint32_t ORV_STDCALL Kv3ReleaseFileSystem();

}  // extern "C"

#endif  // ORV_HOST_KV3KERNEL_H_
