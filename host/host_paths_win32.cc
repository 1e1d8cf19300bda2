#include "host/host_paths.h"

#include <windows.h>

namespace orv {
namespace host {

std::string PathBesideExecutable(const char* fileName) {
  char self[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, self, sizeof(self));
  // A full buffer means the path was cut short.
  if (length == 0 || length >= sizeof(self)) return std::string();
  std::string path(self, length);
  size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos) return std::string();
  return path.substr(0, separator + 1) + fileName;
}

}  // namespace host
}  // namespace orv
