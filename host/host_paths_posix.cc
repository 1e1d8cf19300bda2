#include "host/host_paths.h"

#include <limits.h>
#include <unistd.h>

namespace orv {
namespace host {

std::string PathBesideExecutable(const char* fileName) {
  char self[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
  if (length <= 0) return std::string();
  std::string path(self, static_cast<size_t>(length));
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1) + fileName;
}

}  // namespace host
}  // namespace orv
