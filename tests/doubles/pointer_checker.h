// A wrapper over any platform table whose pointer validation also reports
// chosen address ranges as bad, so a test can make "the caller's buffer is
// not writable" happen on an ordinary buffer:
//
//   char out[178];
//   orv::testing::PointerChecker checker;            // over the native table
//   checker.MarkReadOnly(out + 100, 78);             // last 78 bytes
//   orv::platform::ScopedApi guard(checker.api());
//   EXPECT_EQ(E_POINTER, fs->GetInfo(out));
//
// Combine it with other doubles by wrapping their table:
// PointerChecker checker(faults.api()). A range that touches no marked byte
// is judged by the inner table (so real bad pointers stay bad); a count of 0
// always passes. Every other function passes through untouched.
//
// The function table reaches the object through a single active instance,
// the most recently constructed PointerChecker still alive. Tests are
// single-threaded.
#ifndef ORV_TESTS_DOUBLES_POINTER_CHECKER_H_
#define ORV_TESTS_DOUBLES_POINTER_CHECKER_H_

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "platform/platform.h"

namespace orv {
namespace testing {

class PointerChecker {
 public:
  // Does not own `inner`, which must outlive this object.
  explicit PointerChecker(
      const platform::Api& inner = platform::NativeApi());
  ~PointerChecker();
  PointerChecker(const PointerChecker&) = delete;
  PointerChecker& operator=(const PointerChecker&) = delete;

  // The table to install with a ScopedApi while this object is alive.
  const platform::Api& api() const;

  // Bytes that can be read but not written.
  void MarkReadOnly(const void* start, size_t size);
  // Bytes that can be neither read nor written.
  void MarkNoAccess(const void* start, size_t size);
  void ClearMarks();

  // Validation calls seen, of each kind, since construction.
  int ReadChecks() const { return read_checks_; }
  int WriteChecks() const { return write_checks_; }

 private:
  struct Operations;  // the functions of the table
  struct Range {
    uintptr_t first;
    uintptr_t last;  // inclusive
    bool readable;
  };

  // Whether [pointer, pointer + count) touches a marked byte that forbids
  // the access.
  bool Forbidden(const void* pointer, uintptr_t count, bool write) const;

  const platform::Api& inner_;
  std::vector<Range> marks_;
  int read_checks_;
  int write_checks_;
  PointerChecker* previous_active_;
};

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_DOUBLES_POINTER_CHECKER_H_
