// CORVFileSystem: the module's one file-system object, handed to the host at
// attach. It describes the file system, recognises container files, and
// opens or creates containers, each through a new, independent root.
//
// It holds no pointer to the roots it makes, and the module holds no pointer
// to it: the host's references alone keep it alive.
#ifndef ORV_MODULE_FILE_SYSTEM_H_
#define ORV_MODULE_FILE_SYSTEM_H_

#include "com/cunknown.h"
#include "com/orv_interfaces.h"
#include "storage/descriptor.h"

class CORVFileSystem : public CUnknown, public IORVFileSystem {
 public:
  // Count 0; the creator takes the first reference.
  explicit CORVFileSystem(IUnknown* outer);

  ORV_DELEGATING_UNKNOWN()
  IUnknown* FindInterface(REFIID iid) override;

  HRESULT ORV_STDCALL GetInfo(void* buffer) override;
  HRESULT ORV_STDCALL IsContainerFile(const char* path) override;
  HRESULT ORV_STDCALL OpenRoot(IORVRoot** root, const char* path,
                               int32_t create, int32_t mode) override;

 private:
  const orv::Descriptor descriptor_;  // never changes after construction
};

#endif  // ORV_MODULE_FILE_SYSTEM_H_
