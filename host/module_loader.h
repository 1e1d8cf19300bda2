// The kernel's side of loading a module: the one place where the stand-in
// kernel meets the platform's dynamic loader.
#ifndef ORV_HOST_MODULE_LOADER_H_
#define ORV_HOST_MODULE_LOADER_H_

namespace orv {
namespace host {

// Loads (or finds already loaded) the library at `path`, running its attach
// code on first load. True on success. The library is never unloaded.
bool LoadModuleLibrary(const char* path);

}  // namespace host
}  // namespace orv

#endif  // ORV_HOST_MODULE_LOADER_H_
