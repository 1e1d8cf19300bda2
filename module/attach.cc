#include "module/attach.h"

#include "host/kv3kernel.h"
#include "module/file_system.h"

namespace orv {

void RunAttachSequence() {
  CORVFileSystem* made = new (std::nothrow) CORVFileSystem(nullptr);
  if (made == nullptr) return;
  IORVFileSystem* fileSystem = made;
  fileSystem->AddRef();
  Kv3RegisterFileSystem(fileSystem);
  fileSystem->Release();
}

}  // namespace orv
