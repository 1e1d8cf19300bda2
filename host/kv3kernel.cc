// The stand-in host kernel: keeps the one registered file system.
#include "host/kv3kernel.h"

#include "host/module_loader.h"

namespace {

// The registered file system with the kernel's own reference, or null.
IORVFileSystem* registered = nullptr;

}  // namespace

extern "C" {

HRESULT ORV_STDCALL Kv3RegisterFileSystem(IORVFileSystem* fileSystem) {
  if (fileSystem == nullptr) return E_POINTER;
  // Reference the new object before dropping the old one, so that
  // registering the same object again never destroys it on the way.
  fileSystem->AddRef();
  IORVFileSystem* previous = registered;
  registered = fileSystem;
  if (previous != nullptr) previous->Release();
  return S_OK;
}

HRESULT ORV_STDCALL Kv3LoadModule(const char* path) {
  if (path == nullptr || path[0] == '\0') return E_INVALIDARG;
  if (!orv::host::LoadModuleLibrary(path)) return E_FAIL;
  return registered != nullptr ? S_OK : E_NOINTERFACE;
}

HRESULT ORV_STDCALL Kv3GetFileSystem(IORVFileSystem** fileSystem) {
  if (fileSystem == nullptr) return E_POINTER;
  *fileSystem = registered;
  if (registered == nullptr) return E_FAIL;
  registered->AddRef();
  return S_OK;
}

uint32_t ORV_STDCALL Kv3ReleaseFileSystem() {
  IORVFileSystem* held = registered;
  registered = nullptr;
  return held != nullptr ? held->Release() : 0;
}

}  // extern "C"
