// The 33 exports of orvfs.dll called as a host's compiler calls them: the
// member-call convention of 32-bit Windows, `this` in ECX and the one stack
// argument of the copy operations popped by the callee. Each must return
// `this`, touch nothing, and leave the stack where the convention says.
#include <windows.h>

#include <stdint.h>
#include <string.h>

#include <string>

#include "gtest/gtest.h"
#include "host/host_paths.h"

namespace orv {
namespace testing {
namespace {

const char* const kInterfaces[] = {
    "IJInStream",  "IJOutStream",    "IJPersist", "INonDelegatingUnknown",
    "IObjectList", "IORVEntry",      "IORVFileSystem", "IORVList",
    "IORVRoot",    "IORVStream",     "ITracker"};

// What a call returned, and how far ESP moved across it: 0 when the callee
// popped exactly its own arguments.
struct CallResult {
  void* returned;
  intptr_t stackDrift;
};

// Calls `function` with `self` in ECX and no stack argument.
CallResult CallThiscall(void* function, void* self) {
  void* returned;
  intptr_t drift;
  __asm__ volatile(
      "movl %%esp, %%esi\n\t"
      "call *%[function]\n\t"
      "movl %%esi, %%edx\n\t"
      "subl %%esp, %%edx\n\t"  // ESP before minus ESP after
      "movl %%esi, %%esp\n\t"  // restore, whatever the callee did
      : "=a"(returned), "=d"(drift), "+c"(self)
      : [function] "b"(function)
      : "esi", "memory", "cc");
  return CallResult{returned, drift};
}

// Calls `function` with `self` in ECX and `argument` pushed on the stack;
// the callee is expected to pop it.
CallResult CallThiscall(void* function, void* self, const void* argument) {
  void* returned;
  intptr_t drift;
  __asm__ volatile(
      "movl %%esp, %%esi\n\t"
      "pushl %[argument]\n\t"
      "call *%[function]\n\t"
      "movl %%esi, %%edx\n\t"
      "subl %%esp, %%edx\n\t"
      "movl %%esi, %%esp\n\t"
      : "=a"(returned), "=d"(drift), "+c"(self)
      : [function] "b"(function), [argument] "D"(argument)
      : "esi", "memory", "cc");
  return CallResult{returned, drift};
}

class ThiscallExportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string path = host::PathBesideExecutable(host::kModuleFileName);
    module_ = LoadLibraryA(path.c_str());
    ASSERT_NE(nullptr, module_) << path << ": error " << GetLastError();
    memset(self_, 0xA5, sizeof(self_));
    memset(other_, 0x5A, sizeof(other_));
  }

  void* Export(const std::string& name) {
    return reinterpret_cast<void*>(GetProcAddress(module_, name.c_str()));
  }

  void ExpectUntouched(const std::string& name) {
    for (size_t i = 0; i < sizeof(self_); ++i) {
      ASSERT_EQ(0xA5, self_[i]) << name << " wrote to this";
      ASSERT_EQ(0x5A, other_[i]) << name << " wrote to its argument";
    }
  }

  HMODULE module_ = nullptr;
  uint8_t self_[16];
  uint8_t other_[16];
};

TEST_F(ThiscallExportsTest, DefaultConstructorsReturnThis) {
  for (const char* type : kInterfaces) {
    std::string name = std::string("??0") + type + "@@QAE@XZ";
    void* function = Export(name);
    ASSERT_NE(nullptr, function) << name;
    CallResult result = CallThiscall(function, self_);
    EXPECT_EQ(static_cast<void*>(self_), result.returned) << name;
    EXPECT_EQ(0, result.stackDrift) << name;
    ExpectUntouched(name);
  }
}

TEST_F(ThiscallExportsTest, CopyOperationsReturnThisAndPopTheirArgument) {
  for (const char* type : kInterfaces) {
    const std::string names[] = {
        std::string("??0") + type + "@@QAE@ABU0@@Z",
        std::string("??4") + type + "@@QAEAAU0@ABU0@@Z"};
    for (const std::string& name : names) {
      void* function = Export(name);
      ASSERT_NE(nullptr, function) << name;
      CallResult result = CallThiscall(function, self_, other_);
      EXPECT_EQ(static_cast<void*>(self_), result.returned) << name;
      EXPECT_EQ(0, result.stackDrift) << name;
      ExpectUntouched(name);
    }
  }
}

// The calls through a typed pointer, as a compiler would make them, agree.
TEST_F(ThiscallExportsTest, TypedThiscallPointersAgree) {
  typedef void* (__attribute__((thiscall)) * Construct)(void* self);
  typedef void* (__attribute__((thiscall)) * Copy)(void* self,
                                                   const void* source);
  auto construct =
      reinterpret_cast<Construct>(Export("??0IORVRoot@@QAE@XZ"));
  auto assign =
      reinterpret_cast<Copy>(Export("??4IORVEntry@@QAEAAU0@ABU0@@Z"));
  ASSERT_TRUE(construct != nullptr && assign != nullptr);
  EXPECT_EQ(static_cast<void*>(self_), construct(self_));
  EXPECT_EQ(static_cast<void*>(self_), assign(self_, other_));
}

}  // namespace
}  // namespace testing
}  // namespace orv
