#include "tests/platform/backend.h"

#include "tests/doubles/scratch_directory.h"

namespace orv {
namespace testing {
namespace {

class NativeBackend : public Backend {
 public:
  const platform::Api& api() override { return platform::NativeApi(); }
  std::string Path(const std::string& name) override {
    return directory_.Path(name);
  }
  bool native() const override { return true; }

 private:
  ScratchDirectory directory_;
};

template <typename T>
std::unique_ptr<Backend> Make() {
  return std::unique_ptr<Backend>(new T);
}

}  // namespace

std::vector<BackendMaker> AllBackends() {
  return {
      {"Native", Make<NativeBackend>},
  };
}

}  // namespace testing
}  // namespace orv
