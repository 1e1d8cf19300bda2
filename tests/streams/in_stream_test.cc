// CJInStream: creation over plain and compressed envelopes, plain reads,
// object records and their counts, and the bounds that keep every read
// inside the buffer. Record images are copied into a GuardedBuffer, so a
// read one byte past the end faults instead of passing unnoticed.
#include "streams/in_stream.h"

#include <string.h>

#include <memory>
#include <string>

#include "com/iids.h"
#include "gtest/gtest.h"
#include "platform/platform.h"
#include "tests/doubles/fault_api.h"
#include "tests/doubles/guarded_buffer.h"
#include "tests/streams/allocation_watch.h"
#include "tests/streams/scripted_persist.h"
#include "tests/streams/stream_fixtures.h"

namespace orv {
namespace testing {
namespace {

const GUID kNullId = {};

std::string Label(const char* label) { return label; }

// A stream lent an envelope that sits at the very end of a guarded buffer.
class InStreamTest : public ::testing::Test {
 protected:
  // Opens a stream over the plain envelope of `data`.
  void OpenPlain(const Bytes& data) { Open(PlainEnvelope(data)); }

  void Open(const Bytes& envelope) {
    guarded_.reset(new GuardedBuffer(envelope.size()));
    if (!envelope.empty()) {
      memcpy(guarded_->data(), envelope.data(), envelope.size());
    }
    CJInStream* created = nullptr;
    ASSERT_EQ(S_OK, CJInStream::Create(guarded_->data(),
                                       static_cast<uint32_t>(envelope.size()),
                                       false, &created));
    stream_.reset(new InStream(created));
  }

  IJInStream* stream() const { return stream_->get(); }
  uint32_t Left() const { return Remaining(stream()); }
  GUID CurrentClassId() const {
    GUID id = ClassIdOf(0xee);
    stream()->GetClassID(&id);
    return id;
  }

  std::unique_ptr<GuardedBuffer> guarded_;
  std::unique_ptr<InStream> stream_;
};

TEST_F(InStreamTest, PlainEnvelopeOfElevenBytes) {
  const Bytes data = Counting(10, 0x30);
  OpenPlain(data);
  EXPECT_EQ(10u, Left());
  Bytes read(10);
  ASSERT_EQ(S_OK, stream()->Read(read.data(), 10));
  EXPECT_EQ(data, read);
  uint8_t more = 0x77;
  EXPECT_EQ(E_FAIL, stream()->Read(&more, 1));
  EXPECT_EQ(0x77, more);
  EXPECT_EQ(0u, Left());
}

TEST_F(InStreamTest, CompressedEnvelopeDeclaringHundredBytes) {
  const Bytes data = Counting(100, 0x40);
  Open(CompressedEnvelope(data));
  EXPECT_EQ(100u, Left());
  Bytes read(100);
  ASSERT_EQ(S_OK, stream()->Read(read.data(), 100));
  EXPECT_EQ(data, read);
  EXPECT_EQ(0u, Left());
}

// Any non-zero flag means compressed to the input stream, 128 to 255 too.
TEST_F(InStreamTest, EveryNonZeroFlagIsReadAsCompressed) {
  const Bytes data = {'a', 'b', 'c'};
  for (int flag : {1, 2, 0x7f, 0x80, 0xff}) {
    SCOPED_TRACE(flag);
    Bytes envelope = CompressedEnvelope(data);
    envelope[0] = static_cast<uint8_t>(flag);
    Open(envelope);
    Bytes read(3);
    ASSERT_EQ(S_OK, stream()->Read(read.data(), 3));
    EXPECT_EQ(data, read);
  }
}

TEST_F(InStreamTest, EmptyPayloadsHaveNothingToRead) {
  for (const Bytes& envelope : {Bytes{0}, CompressedEnvelope({})}) {
    Open(envelope);
    EXPECT_EQ(0u, Left());
    uint8_t byte = 0;
    EXPECT_EQ(E_FAIL, stream()->Read(&byte, 1));
    EXPECT_EQ(S_OK, stream()->Read(nullptr, 0));
  }
}

TEST_F(InStreamTest, ReadOfZeroBytesSucceedsAnywhere) {
  ScriptedPersist object(ClassIdOf(1));
  object.Bytes(0).Bytes(4).Bytes(0);
  OpenPlain(Concat({RecordHeader(4, 1), Counting(4)}));
  EXPECT_EQ(S_OK, stream()->Read(nullptr, 0));
  EXPECT_EQ(S_OK, stream()->ReadObject(&object));
  EXPECT_EQ(S_OK, stream()->Read(nullptr, 0));
  EXPECT_EQ(0u, Left());
}

TEST_F(InStreamTest, UnwritableDestinationIsRefusedAndConsumesNothing) {
  OpenPlain(Counting(10));
  GuardedBuffer destination(4);
  EXPECT_EQ(E_POINTER, stream()->Read(destination.data(), 5));
  EXPECT_EQ(E_POINTER, stream()->Read(nullptr, 1));
  EXPECT_EQ(10u, Left());
  EXPECT_EQ(S_OK, stream()->Read(destination.data(), 4));
}

TEST_F(InStreamTest, UnwritableOutputsAreRefused) {
  OpenPlain(Counting(10));
  GuardedBuffer small(3);
  EXPECT_EQ(E_POINTER, stream()->GetRemaining(nullptr));
  EXPECT_EQ(E_POINTER,
            stream()->GetRemaining(reinterpret_cast<uint32_t*>(small.data())));
  EXPECT_EQ(E_POINTER, stream()->GetClassID(nullptr));
  EXPECT_EQ(E_POINTER, stream()->PeekClassID(nullptr));
  EXPECT_EQ(E_POINTER, stream()->PeekClassID(
                           reinterpret_cast<GUID*>(GuardedBuffer(15).data())));
  EXPECT_EQ(E_POINTER, stream_->user()->GetUserValue(nullptr));
  EXPECT_EQ(10u, Left());
}

TEST_F(InStreamTest, ClassIdOutsideAnyRecordIsNull) {
  OpenPlain(Concat({RecordHeader(0, 5)}));
  EXPECT_TRUE(IsEqualGUID(kNullId, CurrentClassId()));
}

TEST_F(InStreamTest, PeekAtTopLevelFailsEvenBeforeARecord) {
  OpenPlain(RecordHeader(0, 5));
  GUID peeked = ClassIdOf(0xff);
  EXPECT_EQ(E_FAIL, stream()->PeekClassID(&peeked));
  EXPECT_TRUE(IsEqualGUID(kNullId, peeked));
  EXPECT_EQ(22u, Left());
}

TEST_F(InStreamTest, UserValueStartsAtZero) {
  OpenPlain({});
  uint32_t value = 5;
  EXPECT_EQ(S_OK, stream_->user()->GetUserValue(&value));
  EXPECT_EQ(0u, value);
  EXPECT_EQ(S_OK, stream_->user()->SetUserValue(0xfeedf00d));
  EXPECT_EQ(S_OK, stream_->user()->GetUserValue(&value));
  EXPECT_EQ(0xfeedf00du, value);
}

TEST_F(InStreamTest, AnswersItsOwnInterfacesOnly) {
  OpenPlain({});
  void* out = nullptr;
  ASSERT_EQ(S_OK, stream()->QueryInterface(IID_IORVStream, &out));
  EXPECT_EQ(static_cast<void*>(stream_->user()), out);
  static_cast<IORVStream*>(out)->Release();
  ASSERT_EQ(S_OK, stream_->user()->QueryInterface(IID_IJInStream, &out));
  EXPECT_EQ(static_cast<void*>(stream()), out);
  static_cast<IJInStream*>(out)->Release();
  EXPECT_EQ(E_NOINTERFACE, stream()->QueryInterface(IID_IJOutStream, &out));
  EXPECT_EQ(nullptr, out);
}

// One record at the top level: its header, `present` body bytes (the body
// may claim more than the buffer holds) and a 3-byte tail. The object's
// Load reads `loadReads` bytes and returns `loadReturns`.
struct RecordCase {
  const char* label;
  uint32_t bodyLength;
  uint32_t present;
  uint32_t loadReads;
  HRESULT loadReturns;
  HRESULT expected;
  uint32_t leftAfter;  // GetRemaining at the top level afterwards
};

class RecordCases : public InStreamTest,
                    public ::testing::WithParamInterface<RecordCase> {};

TEST_P(RecordCases, ReadObjectChargesSkipsAndRestores) {
  const RecordCase& c = GetParam();
  OpenPlain(Concat({RecordHeader(c.bodyLength, 9, 0x1234),
                    Counting(c.present), {'t', 'a', 'i'}}));
  ScriptedPersist object(ClassIdOf(9));
  object.Observe().Bytes(c.loadReads).Returns(c.loadReturns);
  EXPECT_EQ(c.expected, stream()->ReadObject(&object));
  EXPECT_EQ(c.leftAfter, Left());
  EXPECT_EQ(1, object.loads());
  EXPECT_EQ(0x1234, object.loadedVersion());
  EXPECT_EQ(Counting(c.loadReads), object.loadedBytes());
  ASSERT_EQ(1u, object.observations().size());
  EXPECT_EQ(c.bodyLength, object.observations()[0].remaining);
  EXPECT_TRUE(IsEqualGUID(ClassIdOf(9), object.observations()[0].classId));
  // Once ReadObject has returned, the stream is back at the top level.
  EXPECT_TRUE(IsEqualGUID(kNullId, CurrentClassId()));
}

INSTANTIATE_TEST_SUITE_P(
    Records, RecordCases,
    ::testing::Values(
        // 22 bytes moved.
        RecordCase{"BodyZero", 0, 0, 0, S_OK, S_OK, 3},
        RecordCase{"BodyReadWhole", 10, 10, 10, S_OK, S_OK, 3},
        // The unread rest is skipped: the stream stands after all 32 bytes.
        RecordCase{"LoadLeavesSixUnread", 10, 10, 4, S_OK, E_FAIL, 3},
        // A failing Load leaves the stream where Load left it, 26 bytes on.
        RecordCase{"LoadFails", 10, 10, 4, E_OUTOFMEMORY, E_OUTOFMEMORY, 9},
        RecordCase{"LoadReturnsOne", 10, 10, 4, 1, 1, 9},
        // The skip stops at the end of the buffer.
        RecordCase{"BodyRunsPastBuffer", 100, 10, 10, S_OK, E_FAIL, 0},
        RecordCase{"BodyClaimsFourGigabytes", 0xffffffffu, 5, 5, S_OK, E_FAIL,
                   0}),
    [](const ::testing::TestParamInfo<RecordCase>& info) {
      return Label(info.param.label);
    });

// A header cut short by the end of the buffer: E_FAIL, Load not called,
// the fields read before the cut stay consumed.
struct CutHeaderCase {
  uint32_t bytes;      // of the header present in the buffer
  uint32_t consumed;
};

class CutHeaders : public InStreamTest,
                   public ::testing::WithParamInterface<CutHeaderCase> {};

TEST_P(CutHeaders, FailWithoutCallingLoad) {
  const CutHeaderCase& c = GetParam();
  Bytes header = RecordHeader(0, 9);
  header.resize(c.bytes);
  OpenPlain(header);
  ScriptedPersist object(ClassIdOf(9));
  EXPECT_EQ(E_FAIL, stream()->ReadObject(&object));
  EXPECT_EQ(0, object.loads());
  EXPECT_EQ(c.bytes - c.consumed, Left());
  EXPECT_TRUE(IsEqualGUID(kNullId, CurrentClassId()));
}

INSTANTIATE_TEST_SUITE_P(Headers, CutHeaders,
                         ::testing::Values(CutHeaderCase{0, 0},
                                           CutHeaderCase{3, 0},
                                           CutHeaderCase{4, 4},
                                           CutHeaderCase{19, 4},
                                           CutHeaderCase{20, 20},
                                           CutHeaderCase{21, 20}));

TEST_F(InStreamTest, ReadLongerThanTheRecordLeavesItsCount) {
  OpenPlain(Concat({RecordHeader(8, 1), Counting(8)}));
  ScriptedPersist object(ClassIdOf(1));
  object.KeepGoing().Bytes(9).Observe().Bytes(8);
  EXPECT_EQ(S_OK, stream()->ReadObject(&object));
  EXPECT_EQ(E_INVALIDARG, object.stepResults()[0]);
  EXPECT_EQ(8u, object.observations()[0].remaining);
  EXPECT_EQ(Counting(8), object.loadedBytes());
}

// Outer body 40: a nested record of 22 + 10 bytes, then 8 bytes.
TEST_F(InStreamTest, NestedRecordChargesItsFullSizeToTheOuterOne) {
  OpenPlain(Concat({RecordHeader(40, 1), RecordHeader(10, 2), Counting(10),
                    Counting(8, 0x80)}));
  ScriptedPersist inner(ClassIdOf(2));
  inner.Observe().Bytes(10);
  ScriptedPersist outer(ClassIdOf(1));
  outer.Observe().Nest(&inner).Observe().Bytes(8);
  EXPECT_EQ(S_OK, stream()->ReadObject(&outer));

  ASSERT_EQ(1u, inner.observations().size());
  EXPECT_EQ(10u, inner.observations()[0].remaining);
  EXPECT_TRUE(IsEqualGUID(ClassIdOf(2), inner.observations()[0].classId));
  ASSERT_EQ(2u, outer.observations().size());
  EXPECT_EQ(40u, outer.observations()[0].remaining);
  EXPECT_EQ(S_OK, outer.observations()[0].peekResult);
  EXPECT_TRUE(IsEqualGUID(ClassIdOf(2), outer.observations()[0].peeked));
  EXPECT_EQ(8u, outer.observations()[1].remaining);
  EXPECT_TRUE(IsEqualGUID(ClassIdOf(1), outer.observations()[1].classId));
  EXPECT_EQ(0u, Left());
}

// PeekClassID needs the next record's length and class id, 20 bytes, in
// the current record's count.
TEST_F(InStreamTest, PeekNeedsTwentyBytesLeftInTheRecord) {
  for (uint32_t body : {19u, 20u}) {
    SCOPED_TRACE(body);
    Bytes next = RecordHeader(0, 3);
    next.resize(body);
    OpenPlain(Concat({RecordHeader(body, 1), next}));
    ScriptedPersist outer(ClassIdOf(1));
    outer.Observe().Bytes(body);
    EXPECT_EQ(S_OK, stream()->ReadObject(&outer));
    const Observation& seen = outer.observations()[0];
    EXPECT_EQ(body == 20 ? S_OK : E_FAIL, seen.peekResult);
    EXPECT_TRUE(
        IsEqualGUID(body == 20 ? ClassIdOf(3) : kNullId, seen.peeked));
  }
}

// The record claims 40 body bytes but the buffer ends 19 bytes into it: the
// count would allow a peek, the buffer does not.
TEST_F(InStreamTest, PeekNeverReadsPastTheBuffer) {
  OpenPlain(Concat({RecordHeader(40, 1), Counting(19)}));
  ScriptedPersist outer(ClassIdOf(1));
  outer.Observe();
  EXPECT_EQ(E_FAIL, stream()->ReadObject(&outer));
  EXPECT_EQ(E_FAIL, outer.observations()[0].peekResult);
  EXPECT_TRUE(IsEqualGUID(kNullId, outer.observations()[0].peeked));
}

// A nested record must lie inside the body around it. One that claims more
// is refused before its Load runs; the outer record is charged its 22
// header bytes only, so the outer count can never wrap around.
TEST_F(InStreamTest, NestedRecordLargerThanItsContainerIsRefused) {
  OpenPlain(Concat({RecordHeader(30, 1), RecordHeader(10, 2), Counting(8),
                    Counting(40, 0x90)}));
  ScriptedPersist inner(ClassIdOf(2));
  inner.Bytes(10);
  ScriptedPersist outer(ClassIdOf(1));
  outer.KeepGoing().Nest(&inner).Observe().Bytes(8);
  EXPECT_EQ(S_OK, stream()->ReadObject(&outer));
  EXPECT_EQ(E_FAIL, outer.stepResults()[0]);
  EXPECT_EQ(0, inner.loads());
  EXPECT_EQ(8u, outer.observations()[0].remaining);
  EXPECT_TRUE(IsEqualGUID(ClassIdOf(1), outer.observations()[0].classId));
  // The outer record ended where it said: 52 bytes, then the 40 after it.
  EXPECT_EQ(40u, Left());
}

TEST_F(InStreamTest, NestedHeaderThatCannotFitConsumesNothing) {
  OpenPlain(Concat({RecordHeader(21, 1), RecordHeader(0, 2)}));
  ScriptedPersist inner(ClassIdOf(2));
  ScriptedPersist outer(ClassIdOf(1));
  outer.KeepGoing().Nest(&inner).Observe();
  EXPECT_EQ(E_FAIL, stream()->ReadObject(&outer));  // 21 bytes left unread
  EXPECT_EQ(E_FAIL, outer.stepResults()[0]);
  EXPECT_EQ(0, inner.loads());
  EXPECT_EQ(21u, outer.observations()[0].remaining);
  EXPECT_EQ(1u, Left());  // the skip stopped at the end of the buffer
}

// The buffer ends inside a nested header: no charge to the outer record,
// whose class id stays in force.
TEST_F(InStreamTest, NestedHeaderCutShortChargesNothing) {
  Bytes nested = RecordHeader(0, 2);
  nested.resize(21);
  OpenPlain(Concat({RecordHeader(30, 1), nested}));
  ScriptedPersist inner(ClassIdOf(2));
  ScriptedPersist outer(ClassIdOf(1));
  outer.KeepGoing().Nest(&inner).Observe();
  EXPECT_EQ(E_FAIL, stream()->ReadObject(&outer));
  EXPECT_EQ(E_FAIL, outer.stepResults()[0]);
  EXPECT_EQ(0, inner.loads());
  EXPECT_EQ(30u, outer.observations()[0].remaining);
  EXPECT_TRUE(IsEqualGUID(ClassIdOf(1), outer.observations()[0].classId));
}

TEST_F(InStreamTest, FailingNestedLoadRestoresTheOuterLevel) {
  OpenPlain(Concat({RecordHeader(40, 1), RecordHeader(10, 2), Counting(18)}));
  ScriptedPersist inner(ClassIdOf(2));
  inner.Bytes(3).Returns(1);
  ScriptedPersist outer(ClassIdOf(1));
  outer.KeepGoing().Nest(&inner).Observe();
  EXPECT_EQ(E_FAIL, stream()->ReadObject(&outer));
  EXPECT_EQ(1, outer.stepResults()[0]);
  EXPECT_EQ(8u, outer.observations()[0].remaining);
  EXPECT_TRUE(IsEqualGUID(ClassIdOf(1), outer.observations()[0].classId));
}

TEST_F(InStreamTest, UnusableObjectPointerIsRefusedBeforeAnyRead) {
  OpenPlain(RecordHeader(0, 1));
  EXPECT_EQ(E_POINTER, stream()->ReadObject(nullptr));
  GuardedBuffer tooShort(2);
  EXPECT_EQ(E_POINTER, stream()->ReadObject(
                           reinterpret_cast<IJPersist*>(tooShort.data())));
  // An object whose table pointer leads into the guard page.
  GuardedBuffer table(8);
  GuardedBuffer object(sizeof(void*));
  void* tableEnd = table.end();
  memcpy(object.data(), &tableEnd, sizeof(tableEnd));
  EXPECT_EQ(E_POINTER, stream()->ReadObject(
                           reinterpret_cast<IJPersist*>(object.data())));
  EXPECT_EQ(22u, Left());
}

// Creation: who owns which buffer, and what a refused envelope leaves.
TEST(InStreamCreate, LentPlainEnvelopeIsReadInPlaceAndLeftAlone) {
  const Bytes data = Counting(6);
  uint8_t* envelope = SeamCopy(PlainEnvelope(data));
  AllocationWatch watch;
  {
    CJInStream* created = nullptr;
    ASSERT_EQ(S_OK, CJInStream::Create(envelope, 7, false, &created));
    InStream stream(created);
    EXPECT_EQ(1u, watch.LiveBlocks());  // the stream object alone
  }
  EXPECT_EQ(0u, watch.LiveBlocks());
  EXPECT_EQ(PlainEnvelope(data), Bytes(envelope, envelope + 7));
  platform::Free(envelope);
}

TEST(InStreamCreate, OwnedPlainEnvelopeIsFreedWithTheStream) {
  AllocationWatch watch;
  uint8_t* envelope = SeamCopy(PlainEnvelope(Counting(6)));
  {
    CJInStream* created = nullptr;
    ASSERT_EQ(S_OK, CJInStream::Create(envelope, 7, true, &created));
    InStream stream(created);
    EXPECT_EQ(7u, watch.BlockSize(envelope));
  }
  EXPECT_EQ(0u, watch.LiveBlocks());
}

TEST(InStreamCreate, CompressedEnvelopeIsDoneWithOnceCreated) {
  const Bytes compressed = CompressedEnvelope(Counting(50));
  const uint32_t size = static_cast<uint32_t>(compressed.size());
  for (bool owned : {false, true}) {
    SCOPED_TRACE(owned);
    AllocationWatch watch;
    uint8_t* envelope = SeamCopy(compressed);
    CJInStream* created = nullptr;
    ASSERT_EQ(S_OK, CJInStream::Create(envelope, size, owned, &created));
    // Handed over: freed already, so the stream object and the inflated
    // data are all that is held. Lent: untouched, still the caller's.
    EXPECT_EQ(owned ? 2u : 3u, watch.LiveBlocks());
    if (!owned) {
      EXPECT_EQ(compressed, Bytes(envelope, envelope + size));
      platform::Free(envelope);
    }
    {
      InStream stream(created);
      EXPECT_EQ(50u, Remaining(stream.get()));
    }
    EXPECT_EQ(0u, watch.LiveBlocks());
  }
}

struct RefusedCase {
  const char* label;
  Bytes envelope;
};

class RefusedEnvelopes : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedEnvelopes, GiveNoStreamAndFreeWhatWasHandedOver) {
  const Bytes& bytes = GetParam().envelope;
  for (bool owned : {false, true}) {
    SCOPED_TRACE(owned);
    AllocationWatch watch;
    uint8_t* envelope = bytes.empty() ? nullptr : SeamCopy(bytes);
    CJInStream* created = reinterpret_cast<CJInStream*>(1);
    EXPECT_EQ(E_FAIL, CJInStream::Create(envelope,
                                         static_cast<uint32_t>(bytes.size()),
                                         owned, &created));
    EXPECT_EQ(nullptr, created);
    EXPECT_EQ(owned || envelope == nullptr ? 0u : 1u, watch.LiveBlocks());
    if (!owned) platform::Free(envelope);
  }
}

Bytes Declaring(uint32_t declared, Bytes envelope) {
  envelope[1] = static_cast<uint8_t>(declared);
  envelope[2] = static_cast<uint8_t>(declared >> 8);
  envelope[3] = static_cast<uint8_t>(declared >> 16);
  envelope[4] = static_cast<uint8_t>(declared >> 24);
  return envelope;
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, RefusedEnvelopes,
    ::testing::Values(
        RefusedCase{"NoBytes", {}},
        RefusedCase{"ShortHead", {1, 10, 0}},
        RefusedCase{"ImpossibleLength",
                    Concat({{1}, U32(0x7fffffff), Bytes(8, 0)})},
        RefusedCase{"WrongLength", Declaring(4, CompressedEnvelope({1, 2, 3}))},
        RefusedCase{"FlagEightyDamaged", {0x80, 1, 0, 0, 0, 0x78}}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) {
      return Label(info.param.label);
    });

// Each allocation of Create fails in turn: E_OUTOFMEMORY, no stream, and
// nothing held but what the caller kept.
TEST(InStreamCreate, AllocationFailuresLeaveNothingBehind) {
  for (const Bytes& bytes :
       {PlainEnvelope(Counting(9)), CompressedEnvelope(Counting(90))}) {
    for (bool owned : {false, true}) {
      for (int failAt = 1;; ++failAt) {
        SCOPED_TRACE(::testing::Message() << "flag " << int{bytes[0]}
                                          << " owned " << owned << " call "
                                          << failAt);
        FaultApi faults(platform::NativeApi());  // blocks filled with 0xa5
        platform::ScopedApi guard(faults.api());
        AllocationWatch watch;
        uint8_t* envelope = SeamCopy(bytes);
        watch.FailCall(failAt);
        CJInStream* created = nullptr;
        HRESULT result = CJInStream::Create(
            envelope, static_cast<uint32_t>(bytes.size()), owned, &created);
        const bool failed = watch.Calls() >= failAt;
        if (failed) {
          EXPECT_EQ(E_OUTOFMEMORY, result);
          EXPECT_EQ(nullptr, created);
        } else {
          ASSERT_EQ(S_OK, result);
          InStream release(created);
        }
        if (!owned) platform::Free(envelope);
        EXPECT_EQ(0u, watch.LiveBlocks());
        EXPECT_EQ(0u, faults.OutstandingAllocations());
        if (!failed) break;
      }
    }
  }
}

}  // namespace
}  // namespace testing
}  // namespace orv
