#include "tools/host_session.h"

#include "host/host_paths.h"
#include "host/kv3kernel.h"
#include "tools/text_format.h"

namespace orv {
namespace tool {

HostSession::~HostSession() {
  if (fileSystem_ == nullptr) return;
  fileSystem_->Release();
  Kv3ReleaseFileSystem();
}

bool HostSession::Open(const std::string& modulePath, std::string* error) {
  std::string path = modulePath.empty()
                         ? host::PathBesideExecutable(host::kModuleFileName)
                         : modulePath;
  if (path.empty()) {
    *error = "cannot find the program's own folder; use --module PATH";
    return false;
  }
  HRESULT loaded = Kv3LoadModule(path.c_str());
  if (FAILED(loaded)) {
    *error = loaded == E_NOINTERFACE
                 ? path + ": the module registered no file system"
                 : path + ": cannot load the module (" + FormatResult(loaded) +
                       ")";
    return false;
  }
  HRESULT taken = Kv3GetFileSystem(&fileSystem_);
  if (FAILED(taken)) {
    *error = "the kernel holds no file system (" + FormatResult(taken) + ")";
    return false;
  }
  return true;
}

}  // namespace tool
}  // namespace orv
