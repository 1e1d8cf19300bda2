// The attach tests' kernel (see fake_kernel.h). During the registration it
// takes a reference and reports the count, then gives it back at once unless
// it was told to keep it: a kernel that keeps nothing.
#include "tests/module/fake_kernel/fake_kernel.h"

#include "tests/module/raw_abi.h"

#if defined(_WIN32)
#define FAKE_EXPORT  // exported through fake_kernel.def
#else
#define FAKE_EXPORT __attribute__((visibility("default")))
#endif

namespace {

FakeKernelRecord record = {0, nullptr, 0, 0};
int32_t keepReference = 0;
RawUnknown* kept = nullptr;  // the reference the fake keeps, or null

}  // namespace

extern "C" {

FAKE_EXPORT RawResult RAW_CALL Kv3RegisterFileSystem(RawUnknown* object) {
  ++record.calls;
  record.object = object;
  record.countAfterAddRef = object->slots->AddRef(object);
  if (keepReference) {
    record.countAfterRelease = 0;
    kept = object;
  } else {
    record.countAfterRelease = object->slots->Release(object);
  }
  return 0;
}

FAKE_EXPORT void FakeKernelKeepReference(int32_t keep) {
  keepReference = keep;
}

FAKE_EXPORT const FakeKernelRecord* FakeKernelGetRecord() { return &record; }

FAKE_EXPORT uint32_t FakeKernelDropReference() {
  RawUnknown* object = kept;
  kept = nullptr;
  return object != nullptr ? object->slots->Release(object) : 0;
}

}  // extern "C"
