#include "module/file_system.h"

#include <string.h>

#include "com/iids.h"
#include "platform/platform.h"
#include "storage/container_format.h"
#include "storage/orv_root.h"
#include "storage/paths.h"

namespace platform = orv::platform;

CORVFileSystem::CORVFileSystem(IUnknown* outer)
    : CUnknown(outer), descriptor_(orv::BuildDescriptor()) {}

IUnknown* CORVFileSystem::FindInterface(REFIID iid) {
  if (IsEqualGUID(iid, IID_IORVFileSystem)) {
    return static_cast<IORVFileSystem*>(this);
  }
  return nullptr;
}

HRESULT ORV_STDCALL CORVFileSystem::GetInfo(void* buffer) {
  if (platform::IsBadWritePtr(buffer, sizeof(descriptor_.bytes))) {
    return E_POINTER;
  }
  memcpy(buffer, descriptor_.bytes, sizeof(descriptor_.bytes));
  return S_OK;
}

HRESULT ORV_STDCALL CORVFileSystem::IsContainerFile(const char* path) {
  if (!orv::IsUsablePath(path)) return E_INVALIDARG;
  HFILE file = platform::_lopen(
      path, platform::kOpenReadWrite | platform::kShareDenyWrite);
  if (file == HFILE_ERROR) return E_ACCESSDENIED;
  char magic[orv::format::kMagicSize];
  int32_t read = platform::_lread(file, magic, sizeof(magic));
  platform::_lclose(file);
  if (read != static_cast<int32_t>(sizeof(magic)) ||
      memcmp(magic, orv::format::kMagic, sizeof(magic)) != 0) {
    return E_FAIL;
  }
  return S_OK;
}

HRESULT ORV_STDCALL CORVFileSystem::OpenRoot(IORVRoot** root, const char* path,
                                             int32_t create, int32_t mode) {
  // The out pointer is the caller's promise; it is checked all the same so
  // that a bad one gives a result instead of a fault.
  if (platform::IsBadWritePtr(root, sizeof(*root))) return E_POINTER;
  *root = nullptr;
  CORVRoot* made = new (std::nothrow) CORVRoot(nullptr);
  if (made == nullptr) return E_OUTOFMEMORY;
  IORVRoot* handle = static_cast<IORVRoot*>(made);
  handle->AddRef();
  HRESULT result = create ? made->Create(path, descriptor_.bytes)
                          : made->Open(path, descriptor_.bytes, mode);
  if (FAILED(result)) {
    handle->Release();  // destroys the root and closes what it opened
    return result;
  }
  *root = handle;
  return result;
}
