#include "tests/platform/backend.h"

#include "tests/doubles/fault_api.h"
#include "tests/doubles/mem_file_system.h"
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

class MemBackend : public Backend {
 public:
  const platform::Api& api() override { return fs_.api(); }
  std::string Path(const std::string& name) override {
#if defined(_WIN32)
    return "C:\\mem\\" + name;
#else
    return "/mem/" + name;
#endif
  }
  bool native() const override { return false; }

 private:
  MemFileSystem fs_;
};

// The fault wrapper with no fault planned must be invisible.
class FaultOverNativeBackend : public NativeBackend {
 public:
  FaultOverNativeBackend() : faults_(platform::NativeApi()) {}
  const platform::Api& api() override { return faults_.api(); }

 private:
  FaultApi faults_;
};

template <typename T>
std::unique_ptr<Backend> Make() {
  return std::unique_ptr<Backend>(new T);
}

}  // namespace

std::vector<BackendMaker> AllBackends() {
  return {
      {"Native", Make<NativeBackend>},
      {"MemFileSystem", Make<MemBackend>},
      {"FaultOverNative", Make<FaultOverNativeBackend>},
  };
}

}  // namespace testing
}  // namespace orv
