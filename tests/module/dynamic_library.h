// Loading a library by path in a test, without the kernel stand-in: the
// attach tests choose which kernel the module meets.
#ifndef ORV_TESTS_MODULE_DYNAMIC_LIBRARY_H_
#define ORV_TESTS_MODULE_DYNAMIC_LIBRARY_H_

#include <string>

namespace orv {
namespace testing {

// Loads the library at `path`; null on failure. With `global`, its symbols
// also serve libraries loaded later (Linux RTLD_GLOBAL; on Win32 every
// loaded DLL serves later imports by its name). Never unloaded.
void* LoadLibraryAt(const std::string& path, bool global);

// The exported function `name` of a loaded library, or null.
void* FindFunction(void* library, const char* name);

// Why the last load failed, for failure messages.
std::string LastLoadError();

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_MODULE_DYNAMIC_LIBRARY_H_
