#include "host/module_loader.h"

#include <dlfcn.h>

namespace orv {
namespace host {

bool LoadModuleLibrary(const char* path) {
  // RTLD_NOW: an unresolved import fails the load here rather than at a
  // later call. RTLD_LOCAL: the module's symbols are its own business.
  // The handle is dropped on purpose; the module stays loaded.
  return dlopen(path, RTLD_NOW | RTLD_LOCAL) != nullptr;
}

}  // namespace host
}  // namespace orv
