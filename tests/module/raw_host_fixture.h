// What every raw-slot host test shares: the built module, loaded once per
// program through the kernel stand-in exactly as a host loads it, and a
// fixture that holds the registered file system through raw slots only.
//
// Linking raw_host_fixture.cc into a test program registers a GoogleTest
// environment that loads the module before the first test and, after the
// last one, checks that the kernel's reference to the file system is the
// only one left: every test gave back every reference it took.
#ifndef ORV_TESTS_MODULE_RAW_HOST_FIXTURE_H_
#define ORV_TESTS_MODULE_RAW_HOST_FIXTURE_H_

#include <stdint.h>

#include "gtest/gtest.h"
#include "tests/module/raw_abi.h"
#include "tests/module/raw_ids.h"

namespace orv {
namespace testing {

// The reference count of an object, read through any of its interfaces by
// adding a reference and giving it back. For a linked entry this passes
// through its list's lock count and back.
uint32_t CountOf(RawUnknown* object);

// The object's identity (its IUnknown pointer) without a reference, for
// comparing two interface pointers; null for null.
RawUnknown* IdentityOf(RawUnknown* object);

// Holds the registered file system with a reference of the test's own,
// checked to leave only the kernel's after each test.
class RawHostTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // QueryInterface through slot 0 of any interface.
  static RawResult Query(RawUnknown* object, const RawGuid& iid, void** out) {
    return object->slots->QueryInterface(object, &iid, out);
  }

  RawFileSystem* fs_ = nullptr;
};

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_MODULE_RAW_HOST_FIXTURE_H_
