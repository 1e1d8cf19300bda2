// CJOutStream: the growing plain envelope, object records with their body
// length, and the hand-over to the entry. The entry under test records what
// its SetData receives before the entry compresses it, and every byte
// buffer is allocated through a FaultApi (new blocks filled with 0xa5, so
// the flag byte must really be written) under an AllocationWatch (exact
// block sizes).
#include "streams/out_stream.h"

#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "com/iids.h"
#include "gtest/gtest.h"
#include "platform/platform.h"
#include "storage/orv_entry.h"
#include "tests/doubles/fault_api.h"
#include "tests/doubles/guarded_buffer.h"
#include "tests/streams/allocation_watch.h"
#include "tests/streams/scripted_persist.h"
#include "tests/streams/stream_fixtures.h"

namespace orv {
namespace testing {
namespace {

// What an entry's SetData received.
struct Handover {
  int calls = 0;
  bool hadBuffer = false;
  uint32_t size = 0;
  size_t capacity = 0;  // size of the block handed over
  Bytes bytes;          // the `size` bytes, as handed over
  bool entryDestroyed = false;
};

class RecordingEntry final : public CORVEntry {
 public:
  RecordingEntry(Handover* handover, const AllocationWatch* watch)
      : handover_(handover), watch_(watch) {}
  ~RecordingEntry() override { handover_->entryDestroyed = true; }

  void SetData(void* buffer, uint32_t size) override {
    ++handover_->calls;
    handover_->hadBuffer = buffer != nullptr;
    handover_->size = size;
    if (buffer != nullptr) {
      const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
      handover_->bytes.assign(bytes, bytes + size);
      handover_->capacity = watch_->BlockSize(buffer);
    }
    CORVEntry::SetData(buffer, size);
  }

 private:
  Handover* handover_;
  const AllocationWatch* watch_;
};

class OutStreamTest : public ::testing::Test {
 protected:
  OutStreamTest()
      : faults_(platform::NativeApi()),
        guard_(new platform::ScopedApi(faults_.api())),
        watch_(new AllocationWatch) {
    entry_ = new (std::nothrow) RecordingEntry(&handover_, watch_.get());
    static_cast<IORVEntry*>(entry_)->AddRef();
    IJOutStream* opened = nullptr;
    EXPECT_EQ(S_OK, entry_->OpenOutputStream(&opened));
    stream_ = opened;
    watch_->FailCall(0);  // count the stream's own allocations from here
  }

  ~OutStreamTest() override {
    Close();
    if (entry_ != nullptr) static_cast<IORVEntry*>(entry_)->Release();
    watch_.reset();
    guard_.reset();
    EXPECT_EQ(0u, faults_.OutstandingAllocations());
    EXPECT_EQ(0, faults_.StrayFrees());
  }

  // The host's last Release: the stream hands its buffer to the entry.
  void Close() {
    if (stream_ != nullptr) stream_->Release();
    stream_ = nullptr;
  }

  HRESULT WriteBytes(const Bytes& bytes) {
    return stream_->Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
  }

  // The data the entry received, without the flag byte (checked to be 0).
  Bytes HandedData() {
    EXPECT_EQ(1, handover_.calls);
    EXPECT_TRUE(handover_.hadBuffer);
    if (handover_.bytes.empty()) return Bytes();
    EXPECT_EQ(0, handover_.bytes[0]);
    return Bytes(handover_.bytes.begin() + 1, handover_.bytes.end());
  }

  FaultApi faults_;
  std::unique_ptr<platform::ScopedApi> guard_;
  std::unique_ptr<AllocationWatch> watch_;
  Handover handover_;
  RecordingEntry* entry_ = nullptr;
  IJOutStream* stream_ = nullptr;
};

TEST_F(OutStreamTest, ReleasedWithoutWritingHandsNoBufferAndLengthOne) {
  Close();
  EXPECT_EQ(1, handover_.calls);
  EXPECT_FALSE(handover_.hadBuffer);
  EXPECT_EQ(1u, handover_.size);
  EXPECT_EQ(0, watch_->Calls());
}

TEST_F(OutStreamTest, ZeroByteWriteAllocatesTheFirstBlockWithItsFlag) {
  EXPECT_EQ(S_OK, stream_->Write(nullptr, 0));
  EXPECT_EQ(1, watch_->Calls());
  EXPECT_EQ(4096u, watch_->LastRequest());
  Close();
  EXPECT_EQ(1u, handover_.size);
  EXPECT_EQ(4096u, handover_.capacity);
  EXPECT_EQ(Bytes(), HandedData());
}

TEST_F(OutStreamTest, WritesOfThreeThenFourArriveInOrder) {
  EXPECT_EQ(S_OK, WriteBytes({1, 2, 3}));
  EXPECT_EQ(S_OK, WriteBytes({4, 5, 6, 7}));
  Close();
  EXPECT_EQ(8u, handover_.size);
  EXPECT_EQ(Bytes({1, 2, 3, 4, 5, 6, 7}), HandedData());
}

// The entry compresses what it takes over at once.
TEST_F(OutStreamTest, EntryHoldsTheCompressedPayloadAfterRelease) {
  const Bytes data = Counting(500);
  EXPECT_EQ(S_OK, WriteBytes(data));
  Close();
  ASSERT_NE(nullptr, entry_->payload());
  const uint8_t* payload = entry_->payload();
  EXPECT_EQ(1, payload[0]);
  Bytes inflated;
  ASSERT_TRUE(IndependentlyInflates(payload + 5, entry_->payloadSize() - 5,
                                    500, &inflated));
  EXPECT_EQ(data, inflated);
}

// Growth: a first block of 4096 bytes (or room for a larger first write),
// then steps of the write's own size rounded up to 1024.
struct GrowthCase {
  const char* label;
  std::vector<uint32_t> writes;
  std::vector<uint32_t> capacities;  // after each write
};

class Growth : public OutStreamTest,
               public ::testing::WithParamInterface<GrowthCase> {};

TEST_P(Growth, FollowsTheWriteSizeRoundedToKilobytes) {
  const GrowthCase& c = GetParam();
  Bytes all;
  size_t capacity = 0;
  uint8_t seed = 0;
  for (size_t i = 0; i < c.writes.size(); ++i) {
    SCOPED_TRACE(i);
    const Bytes data = Counting(c.writes[i], seed += 17);
    const int before = watch_->Calls();
    ASSERT_EQ(S_OK, WriteBytes(data));
    if (watch_->Calls() != before) capacity = watch_->LastRequest();
    EXPECT_EQ(c.capacities[i], capacity);
    all.insert(all.end(), data.begin(), data.end());
  }
  Close();
  EXPECT_EQ(capacity, handover_.capacity);
  EXPECT_EQ(all.size() + 1, handover_.size);
  EXPECT_EQ(all, HandedData());
}

INSTANTIATE_TEST_SUITE_P(
    Writes, Growth,
    ::testing::Values(
        GrowthCase{"TenBytes", {10}, {4096}},
        GrowthCase{"SixMoreFitAtLength4090", {4089, 6}, {4096, 4096}},
        GrowthCase{"SevenMoreGrowAtLength4090", {4089, 7}, {4096, 5120}},
        // Growth follows the write, not the shortfall: at 5120 in use, 1025
        // bytes add two kilobytes.
        GrowthCase{"KilobyteStepsTo7168", {4095, 1024, 1025},
                   {4096, 5120, 7168}},
        GrowthCase{"FirstWriteFillsTheFirstBlock", {4095}, {4096}},
        GrowthCase{"FirstWriteOneByteTooLarge", {4096}, {5120}},
        GrowthCase{"LargeFirstWrite", {10000}, {10240}},
        GrowthCase{"LargeLaterWrite", {1, 10000}, {4096, 14336}}),
    [](const ::testing::TestParamInfo<GrowthCase>& info) {
      return std::string(info.param.label);
    });

// Each allocation of a run of writes fails in turn: that write gives
// E_OUTOFMEMORY and changes nothing; the others land in order.
TEST_F(OutStreamTest, FailedGrowthLeavesTheCollectedBytes) {
  const std::vector<Bytes> writes = {Counting(100, 1), Counting(5000, 2),
                                     Counting(3000, 3), Counting(50, 4)};
  for (int failAt = 1;; ++failAt) {
    SCOPED_TRACE(failAt);
    Close();
    handover_ = Handover();
    IJOutStream* opened = nullptr;
    ASSERT_EQ(S_OK, entry_->OpenOutputStream(&opened));
    stream_ = opened;
    watch_->FailCall(failAt);
    Bytes expected;
    int failures = 0;
    for (const Bytes& data : writes) {
      HRESULT result = WriteBytes(data);
      if (result == S_OK) {
        expected.insert(expected.end(), data.begin(), data.end());
      } else {
        EXPECT_EQ(E_OUTOFMEMORY, result);
        ++failures;
      }
    }
    const bool fired = watch_->Calls() >= failAt;
    EXPECT_EQ(fired ? 1 : 0, failures);
    Close();
    EXPECT_EQ(expected, HandedData());
    if (!fired) break;
  }
}

TEST_F(OutStreamTest, WriteBeyondThirtyTwoBitsIsRefused) {
  ASSERT_EQ(S_OK, WriteBytes({9}));
  static const uint8_t kSome[1] = {0};
  EXPECT_EQ(E_OUTOFMEMORY, stream_->Write(kSome, 0xffffffffu));
  EXPECT_EQ(E_OUTOFMEMORY, stream_->Write(kSome, 0xfffffffeu));
  Close();
  EXPECT_EQ(Bytes({9}), HandedData());
}

TEST_F(OutStreamTest, UnreadableSourceIsRefused) {
  GuardedBuffer source(4);
  EXPECT_EQ(E_POINTER, stream_->Write(source.data(), 5));
  EXPECT_EQ(E_POINTER, stream_->Write(nullptr, 1));
  EXPECT_EQ(S_OK, stream_->Write(source.data(), 4));
  Close();
  EXPECT_EQ(Bytes(4, GuardedBuffer::kFill), HandedData());
}

TEST_F(OutStreamTest, RecordWithTenBodyBytes) {
  ASSERT_EQ(S_OK, WriteBytes({'p'}));
  ScriptedPersist object(ClassIdOf(7), 0x0203);
  object.Bytes(10);
  EXPECT_EQ(S_OK, stream_->WriteObject(&object));
  Close();
  EXPECT_EQ(Concat({{'p'}, RecordHeader(10, 7, 0x0203),
                    object.ExpectedBytes()}),
            HandedData());
}

TEST_F(OutStreamTest, NestedRecordCountsWithItsHeader) {
  ScriptedPersist inner(ClassIdOf(2));
  inner.Bytes(3);
  ScriptedPersist outer(ClassIdOf(1));
  outer.Bytes(2).Nest(&inner);
  EXPECT_EQ(S_OK, stream_->WriteObject(&outer));
  Close();
  const Bytes innerRecord =
      Concat({RecordHeader(3, 2), inner.ExpectedBytes()});
  EXPECT_EQ(25u, innerRecord.size());
  EXPECT_EQ(Concat({RecordHeader(27, 1), outer.ExpectedBytes(), innerRecord}),
            HandedData());
}

// GetClassID or GetVersion failing: nothing written, their result returned
// unchanged (positive values count as failures too), Save never called.
struct RefusedObjectCase {
  const char* label;
  bool classIdFails;
  HRESULT result;
};

class RefusedObjects : public OutStreamTest,
                       public ::testing::WithParamInterface<RefusedObjectCase> {
};

TEST_P(RefusedObjects, AppendNothing) {
  const RefusedObjectCase& c = GetParam();
  ASSERT_EQ(S_OK, WriteBytes({'x'}));
  ScriptedPersist object(ClassIdOf(3));
  object.Bytes(4);
  if (c.classIdFails) {
    object.FailGetClassID(c.result);
  } else {
    object.FailGetVersion(c.result);
  }
  EXPECT_EQ(c.result, stream_->WriteObject(&object));
  EXPECT_EQ(0, object.saves());
  Close();
  EXPECT_EQ(Bytes({'x'}), HandedData());
}

INSTANTIATE_TEST_SUITE_P(
    Objects, RefusedObjects,
    ::testing::Values(RefusedObjectCase{"GetClassIDFails", true, E_FAIL},
                      RefusedObjectCase{"GetClassIDReturnsTwo", true, 2},
                      RefusedObjectCase{"GetVersionReturnsOne", false, 1},
                      RefusedObjectCase{"GetVersionFails", false,
                                        E_OUTOFMEMORY}),
    [](const ::testing::TestParamInfo<RefusedObjectCase>& info) {
      return std::string(info.param.label);
    });

// What Save wrote stays; the body length keeps its four zero bytes.
TEST_F(OutStreamTest, SaveThatFailsAfterFiveBytesLeavesTheRecordUnpatched) {
  ScriptedPersist object(ClassIdOf(4));
  object.Bytes(5).Returns(E_ACCESSDENIED);
  EXPECT_EQ(E_ACCESSDENIED, stream_->WriteObject(&object));
  Close();
  const Bytes data = HandedData();
  EXPECT_EQ(27u, data.size());
  EXPECT_EQ(Concat({RecordHeader(0, 4), object.ExpectedBytes()}), data);
}

// The header goes in as one piece: when it cannot be stored, none of it is.
TEST_F(OutStreamTest, HeaderThatCannotBeStoredLeavesNothing) {
  ScriptedPersist object(ClassIdOf(5));
  object.Bytes(3);
  watch_->FailCall(1);
  EXPECT_EQ(E_OUTOFMEMORY, stream_->WriteObject(&object));
  EXPECT_EQ(0, object.saves());
  ASSERT_EQ(S_OK, WriteBytes({'z'}));
  Close();
  EXPECT_EQ(Bytes({'z'}), HandedData());
}

TEST_F(OutStreamTest, UnusableObjectPointerIsRefused) {
  EXPECT_EQ(E_POINTER, stream_->WriteObject(nullptr));
  GuardedBuffer tooShort(2);
  EXPECT_EQ(E_POINTER, stream_->WriteObject(
                           reinterpret_cast<IJPersist*>(tooShort.data())));
  Close();
  EXPECT_FALSE(handover_.hadBuffer);
}

TEST_F(OutStreamTest, AnswersItsOwnInterfacesAndKeepsAUserValue) {
  void* out = nullptr;
  ASSERT_EQ(S_OK, stream_->QueryInterface(IID_IORVStream, &out));
  IORVStream* user = static_cast<IORVStream*>(out);
  uint32_t value = 7;
  EXPECT_EQ(S_OK, user->GetUserValue(&value));
  EXPECT_EQ(0u, value);
  EXPECT_EQ(S_OK, user->SetUserValue(42));
  EXPECT_EQ(S_OK, user->GetUserValue(&value));
  EXPECT_EQ(42u, value);
  EXPECT_EQ(E_POINTER, user->GetUserValue(nullptr));
  EXPECT_EQ(E_NOINTERFACE, user->QueryInterface(IID_IJInStream, &out));
  EXPECT_EQ(nullptr, out);
  user->Release();
}

// Regression: a host that drops the entry before the stream used to leave
// the stream with a dangling link, and its release wrote into freed memory.
// The stream now holds a counted reference until it has handed over.
TEST_F(OutStreamTest, KeepsItsEntryAliveUntilItHasHandedOver) {
  ASSERT_EQ(S_OK, WriteBytes({1, 2}));
  static_cast<IORVEntry*>(entry_)->Release();
  entry_ = nullptr;
  EXPECT_FALSE(handover_.entryDestroyed);
  Close();
  EXPECT_EQ(1, handover_.calls);
  EXPECT_TRUE(handover_.entryDestroyed);
}

// The stream's reference on a linked entry counts in its list's lockCount
// like any host reference, and goes when the stream does.
TEST(OutStreamLocks, StreamReferenceCountsInTheOwnerListsLocks) {
  FaultApi faults(platform::NativeApi());
  platform::ScopedApi guard(faults.api());
  {
    CORVEntry* parent = new (std::nothrow) CORVEntry;
    CORVEntry* child = new (std::nothrow) CORVEntry;
    static_cast<IORVEntry*>(parent)->AddRef();
    static_cast<IORVEntry*>(child)->AddRef();
    ASSERT_EQ(S_OK, static_cast<IObjectList*>(parent)->Insert(
                        static_cast<IORVEntry*>(child), nullptr));
    const CORVList* list = parent;
    EXPECT_EQ(1, list->lockCount());  // the host's reference on the child

    IJOutStream* stream = nullptr;
    ASSERT_EQ(S_OK, child->OpenOutputStream(&stream));
    EXPECT_EQ(2, list->lockCount());
    ASSERT_EQ(S_OK, stream->Write("q", 1));
    static_cast<IORVEntry*>(child)->Release();
    EXPECT_EQ(1, list->lockCount());
    stream->Release();
    EXPECT_EQ(0, list->lockCount());
    // The hand-over marks the parents, not the entry's own list.
    EXPECT_FALSE(child->modified());
    EXPECT_NE(nullptr, child->payload());
    static_cast<IORVEntry*>(parent)->Release();
  }
  EXPECT_EQ(0u, faults.OutstandingAllocations());
}

}  // namespace
}  // namespace testing
}  // namespace orv
