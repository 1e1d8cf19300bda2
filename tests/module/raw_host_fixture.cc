#include "tests/module/raw_host_fixture.h"

#include <string>

#include "host/host_paths.h"
#include "host/kv3kernel.h"

namespace orv {
namespace testing {
namespace {

class ModuleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string path = host::PathBesideExecutable(host::kModuleFileName);
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(S_OK, Kv3LoadModule(path.c_str())) << path;
  }
  // 0: the kernel's Release destroyed the object, so nothing else held it.
  void TearDown() override { EXPECT_EQ(0u, Kv3ReleaseFileSystem()); }
};

[[maybe_unused]] ::testing::Environment* const kModule =
    ::testing::AddGlobalTestEnvironment(new ModuleEnvironment);

}  // namespace

uint32_t CountOf(RawUnknown* object) {
  uint32_t count = object->slots->AddRef(object);
  object->slots->Release(object);
  return count - 1;
}

RawUnknown* IdentityOf(RawUnknown* object) {
  if (object == nullptr) return nullptr;
  void* identity = nullptr;
  if (object->slots->QueryInterface(object, &kIidUnknown, &identity) != S_OK) {
    ADD_FAILURE() << "an interface does not answer IID_IUnknown";
    return nullptr;
  }
  RawUnknown* unknown = static_cast<RawUnknown*>(identity);
  unknown->slots->Release(unknown);
  return unknown;
}

void RawHostTest::SetUp() {
  IORVFileSystem* registered = nullptr;
  ASSERT_EQ(S_OK, Kv3GetFileSystem(&registered));
  fs_ = reinterpret_cast<RawFileSystem*>(registered);
  ASSERT_NE(nullptr, fs_);
  ASSERT_EQ(2u, CountOf(AsUnknown(fs_)));  // the kernel's and ours
}

void RawHostTest::TearDown() {
  if (fs_ != nullptr) {
    EXPECT_EQ(1u, fs_->slots->Release(fs_));
  }
}

}  // namespace testing
}  // namespace orv
