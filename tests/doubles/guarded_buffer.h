// A buffer whose last byte is immediately followed by an inaccessible page,
// for tests of pointer validation: a range that runs one byte past the
// buffer touches memory that can be neither read nor written.
//
//   orv::testing::GuardedBuffer buffer(100);           // 100 writable bytes
//   EXPECT_TRUE(IsBadWritePtr(buffer.data(), 101));    // 1 byte too many
//   using orv::testing::GuardedBuffer;
//   GuardedBuffer frozen(178, GuardedBuffer::kReadOnly);  // read-only
//
// The accessible bytes start filled with kFill. The buffer owns its pages
// and releases them when destroyed.
#ifndef ORV_TESTS_DOUBLES_GUARDED_BUFFER_H_
#define ORV_TESTS_DOUBLES_GUARDED_BUFFER_H_

#include <stddef.h>
#include <stdint.h>

namespace orv {
namespace testing {

class GuardedBuffer {
 public:
  enum Access { kReadWrite, kReadOnly, kNoAccess };
  static constexpr uint8_t kFill = 0x5a;

  // Maps the pages; aborts the test program if the system refuses, since no
  // test can proceed without its buffer.
  explicit GuardedBuffer(size_t size, Access access = kReadWrite);
  ~GuardedBuffer();
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;

  // data()[0, size()-1] is accessible; data()[size()] starts the guard page.
  uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  uint8_t* end() const { return data_ + size_; }

  // Changes the protection of the accessible bytes' pages (the guard page
  // stays inaccessible). Fill a buffer first, then make it read-only.
  void SetAccess(Access access);
  // Changes the protection of one page of the accessible bytes, counted from
  // the page that holds data()[0]; for ranges with a hole in the middle.
  // With a size that is a multiple of the page size, data() starts a page.
  void SetPageAccess(size_t page_index, Access access);

  // The size of a page, the unit of protection.
  static size_t PageSize();

 private:
  uint8_t* base_;        // start of the mapping
  size_t data_pages_;    // pages holding the accessible bytes
  uint8_t* data_;        // base_ + data_pages_ * page - size_
  size_t size_;
};

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_DOUBLES_GUARDED_BUFFER_H_
