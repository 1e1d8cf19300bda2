// The fault wrapper: counting, failing the nth call once or from then on,
// short transfers, the handle log and the allocation ledger.
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "platform/platform.h"
#include "tests/doubles/fault_api.h"
#include "tests/doubles/mem_file_system.h"
#include "tests/doubles/pointer_checker.h"

namespace orv {
namespace testing {
namespace {

using namespace orv::platform;  // the classic names

#if defined(_WIN32)
const char kBox[] = "C:\\data\\box.orv";
const char kOther[] = "C:\\data\\other";
#else
const char kBox[] = "/data/box.orv";
const char kOther[] = "/data/other";
#endif

class FaultApiTest : public ::testing::Test {
 protected:
  FaultApiTest() : faults_(fs_.api()), guard_(faults_.api()) {
    fs_.SetBytes(kBox, "0123456789");
  }

  MemFileSystem fs_;
  FaultApi faults_;
  ScopedApi guard_;
};

TEST_F(FaultApiTest, CountsEachKindOfCall) {
  HFILE file = _lopen(kBox, kOpenReadWrite);
  char buffer[4];
  _lread(file, buffer, 2);
  _hread(file, buffer, 2);
  _lwrite(file, "ab", 2);
  _llseek(file, 0, kSeekSet);
  FlushFile(file);
  _lclose(file);
  _access(kBox, 0);
  LinkFile(kBox, kOther);
  _unlink(kOther);
  rename(kBox, kOther);
  SyncDirectory(kOther);
  Free(Realloc(Alloc(4), 8));
  const int kExpected[FaultApi::kKindCount] = {
      /*open*/ 1, /*create*/ 0, /*read*/ 2, /*write*/ 1, /*seek*/ 1,
      /*close*/ 1, /*flush*/ 1, /*access*/ 1, /*unlink*/ 1, /*rename*/ 1,
      /*link*/ 1, /*syncDirectory*/ 1, /*alloc*/ 2};
  for (int kind = 0; kind < FaultApi::kKindCount; ++kind) {
    EXPECT_EQ(kExpected[kind], faults_.Count(static_cast<FaultApi::Kind>(kind)))
        << "kind " << kind;
  }
  faults_.Reset();
  EXPECT_EQ(0, faults_.Count(FaultApi::kRead));
}

TEST_F(FaultApiTest, NthCallFailsOnceAndChangesNothing) {
  faults_.FailNth(FaultApi::kWrite, 2);
  HFILE file = _lopen(kBox, kOpenReadWrite);
  ASSERT_NE(HFILE_ERROR, file);
  EXPECT_EQ(1, _lwrite(file, "a", 1));
  EXPECT_FALSE(faults_.Fired());
  EXPECT_EQ(-1, _lwrite(file, "b", 1));
  EXPECT_TRUE(faults_.Fired());
  EXPECT_EQ(1, _llseek(file, 0, kSeekCurrent));  // the failure did not move
  EXPECT_EQ(1, _lwrite(file, "c", 1));
  EXPECT_EQ(0, _lclose(file));
  EXPECT_EQ("ac23456789", fs_.Bytes(kBox));
}

TEST_F(FaultApiTest, FailuresFromThenOnKeepFailing) {
  faults_.FailNth(FaultApi::kOpen, 2, FaultApi::kFromThenOn);
  HFILE first = _lopen(kBox, kOpenRead);
  EXPECT_NE(HFILE_ERROR, first);
  EXPECT_EQ(HFILE_ERROR, _lopen(kBox, kOpenRead));
  EXPECT_EQ(HFILE_ERROR, _lopen(kBox, kOpenRead));
  EXPECT_EQ(3, faults_.Count(FaultApi::kOpen));
  EXPECT_EQ(0, _lclose(first));
}

TEST_F(FaultApiTest, FailedNameOperationsLeaveNamesAlone) {
  faults_.FailNth(FaultApi::kRename, 1);
  faults_.FailNth(FaultApi::kUnlink, 1);
  faults_.FailNth(FaultApi::kLink, 1);
  faults_.FailNth(FaultApi::kSyncDirectory, 1);
  faults_.FailNth(FaultApi::kCreate, 1);
  EXPECT_EQ(-1, rename(kBox, kOther));
  EXPECT_EQ(-1, _unlink(kBox));
  EXPECT_EQ(-1, LinkFile(kBox, kOther));
  EXPECT_EQ(-1, SyncDirectory(kBox));
  EXPECT_EQ(HFILE_ERROR, _lcreat(kBox, 0));
  EXPECT_EQ((std::vector<std::string>{MemFileSystem::Canonical(kBox)}),
            fs_.Files());
  EXPECT_EQ("0123456789", fs_.Bytes(kBox));
}

TEST_F(FaultApiTest, ShortTransfersReportWhatMoved) {
  faults_.ShortenNth(FaultApi::kRead, 1, 3);
  faults_.ShortenNth(FaultApi::kWrite, 1, 2);
  HFILE file = _lopen(kBox, kOpenReadWrite);
  ASSERT_NE(HFILE_ERROR, file);
  char buffer[8] = {};
  EXPECT_EQ(3, _hread(file, buffer, 8));
  EXPECT_EQ(0, memcmp(buffer, "012", 3));
  EXPECT_EQ(2, _lwrite(file, "wxyz", 4));
  EXPECT_EQ(5, _llseek(file, 0, kSeekCurrent));
  EXPECT_EQ(0, _lclose(file));
  EXPECT_EQ("012wx56789", fs_.Bytes(kBox));
}

TEST_F(FaultApiTest, FailedCloseStillClosesTheHandle) {
  faults_.FailNth(FaultApi::kClose, 1);
  HFILE file = _lopen(kBox, kOpenReadWrite | kShareExclusive);
  ASSERT_NE(HFILE_ERROR, file);
  EXPECT_EQ(HFILE_ERROR, _lclose(file));
  EXPECT_TRUE(faults_.OpenHandles().empty());
  EXPECT_EQ(0u, fs_.OpenHandleCount());
  HFILE again = _lopen(kBox, kOpenReadWrite | kShareExclusive);
  EXPECT_NE(HFILE_ERROR, again);
  EXPECT_EQ(0, _lclose(again));
}

TEST_F(FaultApiTest, HandleLogShowsWhatWasLeftOpen) {
  HFILE a = _lopen(kBox, kOpenRead);
  HFILE b = _lcreat(kOther, 0);
  HFILE c = _lopen(kBox, kOpenRead);
  EXPECT_EQ((std::vector<HFILE>{a, b, c}), faults_.OpenHandles());
  EXPECT_EQ(0, _lclose(b));
  EXPECT_EQ((std::vector<HFILE>{a, c}), faults_.OpenHandles());
  EXPECT_EQ(0, _lclose(a));
  EXPECT_EQ(0, _lclose(c));
  EXPECT_TRUE(faults_.OpenHandles().empty());
  EXPECT_EQ(0, faults_.StrayCloses());
  EXPECT_EQ(HFILE_ERROR, _lclose(c));
  EXPECT_EQ(1, faults_.StrayCloses());
}

TEST_F(FaultApiTest, AllocationsAreFilledAndAccounted) {
  uint8_t* block = static_cast<uint8_t*>(Alloc(16));
  ASSERT_NE(nullptr, block);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(0xa5, block[i]) << i;
  memset(block, 0x11, 16);
  block = static_cast<uint8_t*>(Realloc(block, 32));
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(0x11, block[15]);
  EXPECT_EQ(0xa5, block[16]);
  EXPECT_EQ(0xa5, block[31]);
  void* other = Alloc(1);
  EXPECT_EQ(2u, faults_.OutstandingAllocations());
  Free(other);
  Free(block);
  Free(nullptr);
  EXPECT_EQ(0u, faults_.OutstandingAllocations());
  EXPECT_EQ(0, faults_.StrayFrees());
}

TEST_F(FaultApiTest, FailedReallocKeepsTheOldBlock) {
  char* block = static_cast<char*>(Alloc(4));
  ASSERT_NE(nullptr, block);
  memcpy(block, "keep", 4);
  faults_.FailNth(FaultApi::kAlloc, 2);  // the realloc below
  EXPECT_EQ(nullptr, Realloc(block, 1 << 16));
  EXPECT_EQ(0, memcmp(block, "keep", 4));
  EXPECT_EQ(1u, faults_.OutstandingAllocations());
  faults_.FailNth(FaultApi::kAlloc, 3);
  EXPECT_EQ(nullptr, Alloc(8));
  EXPECT_EQ(1u, faults_.OutstandingAllocations());
  Free(block);
  EXPECT_EQ(0u, faults_.OutstandingAllocations());
}

// The doubles stack: pointer checker over fault wrapper over memory.
TEST_F(FaultApiTest, DoublesCombine) {
  char buffer[8];
  PointerChecker checker(faults_.api());
  checker.MarkReadOnly(buffer, sizeof(buffer));
  ScopedApi outer(checker.api());
  EXPECT_TRUE(IsBadWritePtr(buffer, 1));
  EXPECT_FALSE(IsBadReadPtr(buffer, sizeof(buffer)));
  HFILE file = _lopen(kBox, kOpenRead);
  ASSERT_NE(HFILE_ERROR, file);
  EXPECT_EQ(8, _lread(file, buffer, sizeof(buffer)));
  EXPECT_EQ(0, _lclose(file));
  EXPECT_EQ(1, faults_.Count(FaultApi::kOpen));
}

}  // namespace
}  // namespace testing
}  // namespace orv
