// The implementations of the platform seam that the shared table of cases
// runs against: the native one, and each test double configured to pass
// everything through. A backend owns whatever its implementation needs (a
// scratch directory, an in-memory file system) for one test.
#ifndef ORV_TESTS_PLATFORM_BACKEND_H_
#define ORV_TESTS_PLATFORM_BACKEND_H_

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace orv {
namespace testing {

class Backend {
 public:
  virtual ~Backend() = default;

  // The table to install with a ScopedApi.
  virtual const platform::Api& api() = 0;
  // A path for `name` in a directory that is empty when the test starts.
  virtual std::string Path(const std::string& name) = 0;
  // Whether the files are real files of the operating system.
  virtual bool native() const = 0;
};

struct BackendMaker {
  const char* name;
  std::unique_ptr<Backend> (*make)();
};

// Every backend, for INSTANTIATE_TEST_SUITE_P.
std::vector<BackendMaker> AllBackends();

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_PLATFORM_BACKEND_H_
