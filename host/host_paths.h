// Where a host program finds the module: by default beside its own
// executable. Used by host programs (the orv tool, the tests), not by the
// kernel or the module.
#ifndef ORV_HOST_HOST_PATHS_H_
#define ORV_HOST_HOST_PATHS_H_

#include <string>

namespace orv {
namespace host {

// File name of the module as the build makes it.
#if defined(_WIN32)
constexpr char kModuleFileName[] = "orvfs.dll";
#else
constexpr char kModuleFileName[] = "liborvfs.so";
#endif

// `fileName` in the directory of the running program; empty when the
// program's own path cannot be found.
std::string PathBesideExecutable(const char* fileName);

}  // namespace host
}  // namespace orv

#endif  // ORV_HOST_HOST_PATHS_H_
