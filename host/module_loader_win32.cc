#include "host/module_loader.h"

#include <windows.h>

namespace orv {
namespace host {

bool LoadModuleLibrary(const char* path) {
  // The handle is dropped on purpose; the module stays loaded.
  return LoadLibraryA(path) != nullptr;
}

}  // namespace host
}  // namespace orv
