// The kernel stand-in's own contract, with counting fake file systems and no
// module: what it keeps, what it hands out, and what it gives back.
#include "host/kv3kernel.h"

#include "gtest/gtest.h"
#include "tests/tools/fake_file_system.h"

namespace orv {
namespace testing {
namespace {

// A library that loads but registers no file system.
#if defined(_WIN32)
constexpr char kLibraryWithoutFileSystem[] = "kernel32.dll";
#else
constexpr char kLibraryWithoutFileSystem[] = "libz.so.1";
#endif

// The kernel is process-wide: the steps run in one test, in order.
TEST(Kv3KernelTest, KeepsOneRegisteredFileSystemWithItsOwnReference) {
  IORVFileSystem* got = reinterpret_cast<IORVFileSystem*>(&got);
  EXPECT_EQ(E_FAIL, Kv3GetFileSystem(&got));
  EXPECT_EQ(nullptr, got);
  EXPECT_EQ(E_POINTER, Kv3GetFileSystem(nullptr));
  EXPECT_EQ(0u, Kv3ReleaseFileSystem());
  EXPECT_EQ(E_POINTER, Kv3RegisterFileSystem(nullptr));

  EXPECT_EQ(E_INVALIDARG, Kv3LoadModule(nullptr));
  EXPECT_EQ(E_INVALIDARG, Kv3LoadModule(""));
  EXPECT_EQ(E_FAIL, Kv3LoadModule("no-such-module-anywhere"));
  EXPECT_EQ(E_NOINTERFACE, Kv3LoadModule(kLibraryWithoutFileSystem));

  FakeFileSystem first, second;
  ASSERT_EQ(S_OK, Kv3RegisterFileSystem(&first));
  EXPECT_EQ(1, first.references);
  ASSERT_EQ(S_OK, Kv3GetFileSystem(&got));
  EXPECT_EQ(&first, got);
  EXPECT_EQ(2, first.references);
  got->Release();

  // A later registration replaces the earlier one and gives its reference
  // back; registering the same object again keeps exactly one.
  ASSERT_EQ(S_OK, Kv3RegisterFileSystem(&second));
  EXPECT_EQ(0, first.references);
  EXPECT_EQ(1, second.references);
  ASSERT_EQ(S_OK, Kv3RegisterFileSystem(&second));
  EXPECT_EQ(1, second.references);
  EXPECT_EQ(S_OK, Kv3LoadModule(kLibraryWithoutFileSystem));

  EXPECT_EQ(0u, Kv3ReleaseFileSystem());
  EXPECT_EQ(0, second.references);
  EXPECT_EQ(E_FAIL, Kv3GetFileSystem(&got));
  EXPECT_EQ(nullptr, got);
}

}  // namespace
}  // namespace testing
}  // namespace orv
