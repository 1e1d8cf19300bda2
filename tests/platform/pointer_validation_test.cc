// Pointer validation on real guard pages, through every backend's table
// (the doubles pass validation through to the native implementation).
#include <stdint.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "platform/platform.h"
#include "tests/doubles/guarded_buffer.h"
#include "tests/doubles/pointer_checker.h"
#include "tests/platform/backend.h"

namespace orv {
namespace testing {
namespace {

using platform::IsBadReadPtr;
using platform::IsBadWritePtr;

class PointerValidationTest : public ::testing::TestWithParam<BackendMaker> {
 protected:
  void SetUp() override {
    backend_ = GetParam().make();
    guard_.reset(new platform::ScopedApi(backend_->api()));
  }
  void TearDown() override {
    guard_.reset();
    backend_.reset();
  }

  std::unique_ptr<Backend> backend_;
  std::unique_ptr<platform::ScopedApi> guard_;
};

// One line per range: where it starts relative to a 100-byte buffer that
// ends at a guard page, how long it is, and what each check must say.
struct RangeCase {
  const char* label;
  ptrdiff_t start;  // from data()
  uintptr_t count;
  bool bad_read;
  bool bad_write;
};

const RangeCase kWritableBufferCases[] = {
    {"whole buffer", 0, 100, false, false},
    {"last byte", 99, 1, false, false},
    {"one byte too many", 0, 101, true, true},
    {"straddles the guard", 98, 4, true, true},
    {"inside the guard", 100, 1, true, true},
    {"count 0 on the guard", 100, 0, false, false},
    {"count 0 in the buffer", 10, 0, false, false},
};

TEST_P(PointerValidationTest, WritableBufferFollowedByGuardPage) {
  GuardedBuffer buffer(100);
  for (const RangeCase& c : kWritableBufferCases) {
    SCOPED_TRACE(c.label);
    uint8_t* start = buffer.data() + c.start;
    EXPECT_EQ(c.bad_read, IsBadReadPtr(start, c.count));
    EXPECT_EQ(c.bad_write, IsBadWritePtr(start, c.count));
  }
}

const RangeCase kReadOnlyBufferCases[] = {
    {"whole buffer", 0, 100, false, true},
    {"first byte", 0, 1, false, true},
    {"one byte too many", 0, 101, true, true},
    {"count 0", 0, 0, false, false},
};

TEST_P(PointerValidationTest, ReadOnlyBufferFollowedByGuardPage) {
  GuardedBuffer buffer(100, GuardedBuffer::kReadOnly);
  for (const RangeCase& c : kReadOnlyBufferCases) {
    SCOPED_TRACE(c.label);
    uint8_t* start = buffer.data() + c.start;
    EXPECT_EQ(c.bad_read, IsBadReadPtr(start, c.count));
    EXPECT_EQ(c.bad_write, IsBadWritePtr(start, c.count));
  }
}

// A check that looked only at the first and the last byte would pass this.
TEST_P(PointerValidationTest, EveryPageOfALongRangeIsChecked) {
  const size_t page = GuardedBuffer::PageSize();
  GuardedBuffer buffer(3 * page);
  buffer.SetPageAccess(1, GuardedBuffer::kNoAccess);
  EXPECT_TRUE(IsBadReadPtr(buffer.data(), 3 * page));
  EXPECT_TRUE(IsBadWritePtr(buffer.data(), 3 * page));
  EXPECT_FALSE(IsBadReadPtr(buffer.data(), page));
  EXPECT_FALSE(IsBadWritePtr(buffer.data() + 2 * page, page));
  buffer.SetPageAccess(1, GuardedBuffer::kReadOnly);
  EXPECT_FALSE(IsBadReadPtr(buffer.data(), 3 * page));
  EXPECT_TRUE(IsBadWritePtr(buffer.data() + 10, 3 * page - 10));
}

TEST_P(PointerValidationTest, NullAndWrappingRangesAreBad) {
  EXPECT_TRUE(IsBadReadPtr(nullptr, 1));
  EXPECT_TRUE(IsBadWritePtr(nullptr, 1));
  EXPECT_FALSE(IsBadReadPtr(nullptr, 0));
  EXPECT_FALSE(IsBadWritePtr(nullptr, 0));
  uint8_t local[16] = {};
  EXPECT_TRUE(IsBadReadPtr(local, UINTPTR_MAX));
  EXPECT_TRUE(IsBadWritePtr(local, UINTPTR_MAX));
}

TEST_P(PointerValidationTest, ChecksLeaveMemoryAsItWas) {
  GuardedBuffer buffer(64);
  for (size_t i = 0; i < buffer.size(); ++i) {
    buffer.data()[i] = static_cast<uint8_t>(i * 7 + 1);
  }
  EXPECT_FALSE(IsBadWritePtr(buffer.data(), 64));
  EXPECT_TRUE(IsBadWritePtr(buffer.data(), 65));
  EXPECT_FALSE(IsBadReadPtr(buffer.data(), 64));
  for (size_t i = 0; i < buffer.size(); ++i) {
    EXPECT_EQ(static_cast<uint8_t>(i * 7 + 1), buffer.data()[i]) << i;
  }
}

TEST_P(PointerValidationTest, StringLengthStopsAtUnreadableMemory) {
  GuardedBuffer buffer(8);
  memcpy(buffer.data(), "abc\0defg", 8);
  EXPECT_EQ(3, platform::CheckedStringLength(
                   reinterpret_cast<char*>(buffer.data()), 260));
  // "defg" runs into the guard page without a terminator.
  EXPECT_EQ(-1, platform::CheckedStringLength(
                    reinterpret_cast<char*>(buffer.data()) + 4, 260));
  EXPECT_EQ(-1, platform::CheckedStringLength(
                    reinterpret_cast<char*>(buffer.data()), 2));
}

INSTANTIATE_TEST_SUITE_P(
    AllBackends, PointerValidationTest, ::testing::ValuesIn(AllBackends()),
    [](const ::testing::TestParamInfo<BackendMaker>& info) {
      return std::string(info.param.name);
    });

// ---------------------------------------------------------------------------
// The pointer checker double

TEST(PointerCheckerTest, MarkedBytesFailAndOthersAreJudgedByTheInnerTable) {
  char out[178];
  PointerChecker checker;
  checker.MarkReadOnly(out + 100, 78);
  platform::ScopedApi guard(checker.api());
  EXPECT_TRUE(IsBadWritePtr(out, 178));
  EXPECT_FALSE(IsBadReadPtr(out, 178));
  EXPECT_FALSE(IsBadWritePtr(out, 100));
  EXPECT_FALSE(IsBadWritePtr(out + 100, 0));
  EXPECT_TRUE(IsBadReadPtr(nullptr, 1));  // still bad underneath
  checker.MarkNoAccess(out, 1);
  EXPECT_TRUE(IsBadReadPtr(out, 2));
  checker.ClearMarks();
  EXPECT_FALSE(IsBadWritePtr(out, 178));
  EXPECT_EQ(3, checker.ReadChecks());
  EXPECT_EQ(4, checker.WriteChecks());
}

TEST(PointerCheckerTest, RealBadMemoryStaysBad) {
  GuardedBuffer buffer(16);
  PointerChecker checker;
  platform::ScopedApi guard(checker.api());
  EXPECT_TRUE(IsBadReadPtr(buffer.data(), 17));
  EXPECT_FALSE(IsBadReadPtr(buffer.data(), 16));
}

}  // namespace
}  // namespace testing
}  // namespace orv
