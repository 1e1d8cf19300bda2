// A kernel stand-in for the attach tests, built apart from host/: a library
// that a test loads by path before the module, so that the module's import
// of Kv3RegisterFileSystem binds to it (Linux: its SONAME is
// libkv3kernel.so; Win32: it is a kv3kernel.dll in another folder).
//
// The test reaches the inspection functions below by name (dlsym or
// GetProcAddress), not by linking, so that the library it loads is the only
// kernel in the process.
#ifndef ORV_TESTS_MODULE_FAKE_KERNEL_FAKE_KERNEL_H_
#define ORV_TESTS_MODULE_FAKE_KERNEL_FAKE_KERNEL_H_

#include <stdint.h>

// What the fake saw during each Kv3RegisterFileSystem call.
struct FakeKernelRecord {
  int32_t calls;             // registrations received
  void* object;              // the last pointer received; not referenced
                             // unless the fake was told to keep it
  uint32_t countAfterAddRef;   // what the fake's AddRef returned in the call
  uint32_t countAfterRelease;  // what its Release returned in the call, or
                               // 0 when it kept its reference
};

extern "C" {
typedef void (*FakeKernelKeepFunction)(int32_t keep);
typedef const FakeKernelRecord* (*FakeKernelRecordFunction)();
typedef uint32_t (*FakeKernelDropFunction)();
}

// Exported names.
#define FAKE_KERNEL_KEEP "FakeKernelKeepReference"
#define FAKE_KERNEL_RECORD "FakeKernelGetRecord"
#define FAKE_KERNEL_DROP "FakeKernelDropReference"

#endif  // ORV_TESTS_MODULE_FAKE_KERNEL_FAKE_KERNEL_H_
