#include "tests/module/dynamic_library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace orv {
namespace testing {

#if defined(_WIN32)

void* LoadLibraryAt(const std::string& path, bool /*global*/) {
  return reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
}

void* FindFunction(void* library, const char* name) {
  return reinterpret_cast<void*>(
      GetProcAddress(static_cast<HMODULE>(library), name));
}

std::string LastLoadError() {
  return "error " + std::to_string(GetLastError());
}

#else

void* LoadLibraryAt(const std::string& path, bool global) {
  return dlopen(path.c_str(), RTLD_NOW | (global ? RTLD_GLOBAL : RTLD_LOCAL));
}

void* FindFunction(void* library, const char* name) {
  return dlsym(library, name);
}

std::string LastLoadError() {
  const char* error = dlerror();
  return error != nullptr ? error : "no error";
}

#endif

}  // namespace testing
}  // namespace orv
