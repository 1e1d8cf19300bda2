// The attach sequence as a kernel sees it. Each test loads a fake kernel
// (fake_kernel/) by path and then the module, whose import of
// Kv3RegisterFileSystem binds to the already-loaded fake: on Linux because
// the fake's SONAME is libkv3kernel.so (its file name differs, and the
// module's own search path would find the real stand-in), on Win32 because
// a loaded DLL named kv3kernel.dll serves the module's import by that name.
//
// A module attaches once per process, so every test needs a process of its
// own: CTest runs them one by one (see CMakeLists.txt), and a test that
// finds the module already attached skips.
#include <stdint.h>

#include <string>

#include "gtest/gtest.h"
#include "host/host_paths.h"
#include "tests/module/dynamic_library.h"
#include "tests/module/fake_kernel/fake_kernel.h"
#include "tests/module/raw_abi.h"
#include "tests/module/raw_ids.h"

#if defined(__SANITIZE_ADDRESS__)
#define ORV_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORV_ASAN 1
#endif
#endif
#if defined(ORV_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace orv {
namespace testing {
namespace {

#if defined(_WIN32)
constexpr char kFakeKernel[] = "fake_kernel\\kv3kernel.dll";
#else
constexpr char kFakeKernel[] = "fake_kernel/libfake_kv3kernel.so";
#endif

class AttachTest : public ::testing::Test {
 protected:
  // Loads the fake kernel, tells it whether to keep its reference, and
  // loads the module. False when the module was attached before.
  bool LoadFakeKernelThenModule(bool keep) {
    std::string kernelPath = host::PathBesideExecutable(kFakeKernel);
    void* kernel = LoadLibraryAt(kernelPath, /*global=*/true);
    EXPECT_NE(nullptr, kernel) << kernelPath << ": " << LastLoadError();
    if (kernel == nullptr) return false;
    auto keepReference = reinterpret_cast<FakeKernelKeepFunction>(
        FindFunction(kernel, FAKE_KERNEL_KEEP));
    auto getRecord = reinterpret_cast<FakeKernelRecordFunction>(
        FindFunction(kernel, FAKE_KERNEL_RECORD));
    drop_ = reinterpret_cast<FakeKernelDropFunction>(
        FindFunction(kernel, FAKE_KERNEL_DROP));
    EXPECT_TRUE(keepReference != nullptr && getRecord != nullptr &&
                drop_ != nullptr);
    if (keepReference == nullptr || getRecord == nullptr || drop_ == nullptr) {
      return false;
    }
    record_ = getRecord();
    if (record_->calls != 0) return false;
    keepReference(keep ? 1 : 0);
    modulePath_ = host::PathBesideExecutable(host::kModuleFileName);
    module_ = LoadLibraryAt(modulePath_, /*global=*/false);
    EXPECT_NE(nullptr, module_) << modulePath_ << ": " << LastLoadError();
    return module_ != nullptr;
  }

  // Under AddressSanitizer a freed block stays poisoned in quarantine, so
  // the object's destruction can be seen directly; elsewhere only the counts
  // the kernel observed tell.
  void ExpectFreed(void* object) {
#if defined(ORV_ASAN)
    EXPECT_TRUE(__asan_address_is_poisoned(object))
        << "the file-system object is still allocated";
#else
    (void)object;
#endif
  }

  const FakeKernelRecord* record_ = nullptr;
  FakeKernelDropFunction drop_ = nullptr;
  std::string modulePath_;
  void* module_ = nullptr;
};

#define SKIP_IF_ATTACHED_BEFORE(loaded)                                 \
  if (!(loaded)) {                                                      \
    if (record_ != nullptr && record_->calls != 0) {                    \
      GTEST_SKIP() << "the module is attached already: run each attach " \
                      "test in a process of its own";                   \
    }                                                                   \
    return;                                                             \
  }

TEST_F(AttachTest, KernelThatKeepsNoReferenceSeesTheObjectDestroyed) {
  SKIP_IF_ATTACHED_BEFORE(LoadFakeKernelThenModule(/*keep=*/false));
  ASSERT_EQ(1, record_->calls);
  ASSERT_NE(nullptr, record_->object);
  // During the call the module held exactly one reference, which it drops
  // when the call returns: with none of the kernel's, the object is gone.
  EXPECT_EQ(2u, record_->countAfterAddRef);
  EXPECT_EQ(1u, record_->countAfterRelease);
  ExpectFreed(record_->object);

  // Loading the module again does not attach it again.
  ASSERT_EQ(module_, LoadLibraryAt(modulePath_, /*global=*/false));
  EXPECT_EQ(1, record_->calls);
}

TEST_F(AttachTest, KernelThatKeepsAReferenceHoldsTheOnlyOne) {
  SKIP_IF_ATTACHED_BEFORE(LoadFakeKernelThenModule(/*keep=*/true));
  ASSERT_EQ(1, record_->calls);
  RawUnknown* object = static_cast<RawUnknown*>(record_->object);
  ASSERT_NE(nullptr, object);
  EXPECT_EQ(2u, record_->countAfterAddRef);

  // The module's reference is gone; the kernel's keeps the object alive.
  void* fileSystem = nullptr;
  ASSERT_EQ(0, object->slots->QueryInterface(object, &kIidFileSystem,
                                             &fileSystem));
  EXPECT_EQ(static_cast<void*>(object), fileSystem);
  EXPECT_EQ(1u, object->slots->Release(object));
  EXPECT_EQ(0u, drop_());
  ExpectFreed(object);
}

}  // namespace
}  // namespace testing
}  // namespace orv
