// The payload envelope's two conversions: CompressEnvelope and
// InflateEnvelope. Every compressed envelope is checked with zlib's own
// uncompress(), never with the module's inflate step alone.
#include "streams/envelope.h"

#include <string.h>

#include <string>

#include "gtest/gtest.h"
#include "platform/platform.h"
#include "storage/coding.h"
#include "tests/doubles/fault_api.h"
#include "tests/streams/allocation_watch.h"
#include "tests/streams/stream_fixtures.h"

namespace orv {
namespace testing {
namespace {

// Runs CompressEnvelope over a seam copy of `envelope`; the result is left
// in `payload_`/`size_` and freed by the fixture.
class CompressTest : public ::testing::Test {
 protected:
  ~CompressTest() override { platform::Free(payload_); }

  void Compress(const Bytes& envelope) {
    payload_ = SeamCopy(envelope);
    size_ = static_cast<uint32_t>(envelope.size());
    before_ = payload_;
    CompressEnvelope(&payload_, &size_);
  }

  Bytes Result() const { return Bytes(payload_, payload_ + size_); }

  // The envelope is compressed, declares `data.size()` bytes, holds nothing
  // but the zlib stream after its head, and that stream decodes to `data`.
  void ExpectCompressedForm(const Bytes& data) {
    ASSERT_GE(size_, 5u);
    EXPECT_EQ(1, payload_[0]);
    EXPECT_EQ(data.size(), DecodeU32(payload_ + 1));
    Bytes inflated;
    ASSERT_TRUE(IndependentlyInflates(payload_ + 5, size_ - 5,
                                      static_cast<uint32_t>(data.size()),
                                      &inflated));
    EXPECT_EQ(data, inflated);
  }

  uint8_t* payload_ = nullptr;
  uint8_t* before_ = nullptr;
  uint32_t size_ = 0;
};

struct CompressCase {
  const char* label;
  Bytes envelope;
  bool compresses;  // false: buffer, size and bytes stay exactly as given
};

class CompressCases : public CompressTest,
                      public ::testing::WithParamInterface<CompressCase> {};

TEST_P(CompressCases, CompressesPlainAndLeavesCompressedAlone) {
  const CompressCase& c = GetParam();
  Compress(c.envelope);
  if (c.compresses) {
    ExpectCompressedForm(Bytes(c.envelope.begin() + 1, c.envelope.end()));
  } else {
    EXPECT_EQ(before_, payload_);
    EXPECT_EQ(c.envelope, Result());
  }
}

// The flag byte counts as compressed when, read as a signed byte, it is
// above 0: 1 to 127. 0 and 128 to 255 are plain.
INSTANTIATE_TEST_SUITE_P(
    Flags, CompressCases,
    ::testing::Values(
        CompressCase{"EmptyPayload", {0}, true},
        CompressCase{"Abc", {0, 'a', 'b', 'c'}, true},
        CompressCase{"Flag80IsPlain", {0x80, 'x', 'y'}, true},
        CompressCase{"FlagFFIsPlain", {0xff, 'x', 'y'}, true},
        CompressCase{"Flag1", {1, 3, 0, 0, 0, 'a', 'b', 'c'}, false},
        CompressCase{"Flag2", {2, 'x', 'y'}, false},
        CompressCase{"Flag7F", {0x7f, 'x', 'y'}, false},
        CompressCase{"Flag1HeadOnly", {1}, false}),
    [](const ::testing::TestParamInfo<CompressCase>& info) {
      return std::string(info.param.label);
    });

TEST_F(CompressTest, EmptyPayloadDeclaresZeroAndCarriesTheEmptyStream) {
  Compress({0});
  EXPECT_EQ(Concat({{1}, U32(0), ZlibStream({})}), Result());
}

TEST_F(CompressTest, AbcDeclaresThreeBytes) {
  Compress({0, 'a', 'b', 'c'});
  EXPECT_EQ(Concat({{1}, U32(3), ZlibStream({'a', 'b', 'c'})}), Result());
}

TEST_F(CompressTest, NullOrEmptyPayloadChangesNothing) {
  uint8_t* none = nullptr;
  uint32_t size = 7;
  CompressEnvelope(&none, &size);
  EXPECT_EQ(nullptr, none);
  EXPECT_EQ(7u, size);

  uint8_t byte = 0;
  uint8_t* empty = &byte;
  size = 0;
  CompressEnvelope(&empty, &size);
  EXPECT_EQ(&byte, empty);
  EXPECT_EQ(0u, size);
}

TEST_F(CompressTest, ResultBufferHasExactlyTheEnvelopeSize) {
  AllocationWatch watch;
  const Bytes data = Counting(5000);
  Compress(PlainEnvelope(data));
  ExpectCompressedForm(data);
  EXPECT_EQ(size_, watch.BlockSize(payload_));
  EXPECT_EQ(1u, watch.LiveBlocks());
}

// A level-9 stream of incompressible data grows by about 5 bytes per 16 KiB.
// Past about 13 MiB that exceeds a fixed room of n + 4096 bytes; the room is
// sized by zlib's own worst-case bound, so such payloads compress too.
TEST_F(CompressTest, IncompressiblePayloadBeyondFixedSlackStillCompresses) {
  const Bytes data = Incompressible(14u << 20);
  Compress(PlainEnvelope(data));
  ExpectCompressedForm(data);
  EXPECT_GT(size_, data.size() + 4096 + 5);
}

TEST_F(CompressTest, RoundTripsThroughTheInflateStep) {
  for (uint32_t n : {0u, 1u, 3u, 1000u, 100000u}) {
    SCOPED_TRACE(n);
    const Bytes data = Counting(n, 7);
    Compress(PlainEnvelope(data));
    uint8_t* inflated = nullptr;
    uint32_t length = 99;
    ASSERT_EQ(S_OK, InflateEnvelope(payload_, size_, &inflated, &length));
    EXPECT_EQ(data, Bytes(inflated, inflated + length));
    platform::Free(inflated);
    platform::Free(payload_);
    payload_ = nullptr;
  }
}

// Every allocation Compress makes through the seam fails in turn: the plain
// envelope stays the payload, byte for byte, and nothing leaks. A failed
// final shrink keeps the larger block, still a complete envelope.
TEST_F(CompressTest, AllocationFailureKeepsThePlainEnvelope) {
  const Bytes data = Counting(3000);
  const Bytes plain = PlainEnvelope(data);
  for (int failAt = 1;; ++failAt) {
    SCOPED_TRACE(failAt);
    FaultApi faults(platform::NativeApi());  // new blocks filled with 0xa5
    platform::ScopedApi guard(faults.api());
    AllocationWatch watch;
    payload_ = SeamCopy(plain);
    size_ = static_cast<uint32_t>(plain.size());
    watch.FailCall(failAt);
    CompressEnvelope(&payload_, &size_);
    const bool failed = watch.Calls() >= failAt;
    if (payload_[0] == 0) {
      EXPECT_TRUE(failed);
      EXPECT_EQ(plain, Result());
    } else {
      ExpectCompressedForm(data);
      EXPECT_GE(watch.BlockSize(payload_), size_);
    }
    EXPECT_EQ(1u, watch.LiveBlocks());
    platform::Free(payload_);
    payload_ = nullptr;
    EXPECT_EQ(0u, faults.OutstandingAllocations());
    if (!failed) break;
  }
}

// InflateEnvelope over damaged envelopes. Each is refused with E_FAIL, with
// no output and no allocation beyond what the envelope's own size justifies.
struct DamagedCase {
  const char* label;
  Bytes envelope;
};

Bytes WithDeclared(Bytes envelope, uint32_t declared) {
  EncodeU32(envelope.data() + 1, declared);
  return envelope;
}

Bytes Truncated(Bytes envelope, size_t drop) {
  envelope.resize(envelope.size() - drop);
  return envelope;
}

Bytes LastByteFlipped(Bytes envelope) {
  envelope.back() ^= 0x01;
  return envelope;
}

const Bytes kAbc = {'a', 'b', 'c'};
const Bytes kText = Counting(300, 'A');

class DamagedEnvelopes : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedEnvelopes, AreRefusedWithoutOutput) {
  const Bytes& envelope = GetParam().envelope;
  AllocationWatch watch;
  uint8_t* data = reinterpret_cast<uint8_t*>(1);
  uint32_t length = 99;
  EXPECT_EQ(E_FAIL,
            InflateEnvelope(envelope.data(),
                            static_cast<uint32_t>(envelope.size()), &data,
                            &length));
  EXPECT_EQ(nullptr, data);
  EXPECT_EQ(0u, length);
  EXPECT_EQ(0u, watch.LiveBlocks());
  // A declared length is only allocated when the data could reach it.
  EXPECT_LE(watch.LargestRequest(), envelope.size() * 1032 + 258);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DamagedEnvelopes,
    ::testing::Values(
        DamagedCase{"Empty", {}},
        DamagedCase{"FlagOnly", {1}},
        DamagedCase{"HeadCutShort", {1, 3, 0, 0}},
        DamagedCase{"HeadWithoutStream", {1, 0, 0, 0, 0}},
        DamagedCase{"FourGigabytesInTenBytes",
                    Concat({{1}, U32(0xffffffffu), Bytes(10, 0)})},
        DamagedCase{"DeclaredBeyondReach",
                    WithDeclared(CompressedEnvelope(kAbc),
                                 11 * 1032 + 259)},
        DamagedCase{"StreamCutInHalf",
                    Truncated(CompressedEnvelope(kText), 40)},
        DamagedCase{"AdlerCutShort", Truncated(CompressedEnvelope(kText), 1)},
        DamagedCase{"WrongAdler", LastByteFlipped(CompressedEnvelope(kText))},
        DamagedCase{"InflatesToMore",
                    WithDeclared(CompressedEnvelope(kText), 299)},
        DamagedCase{"InflatesToFewer",
                    WithDeclared(CompressedEnvelope(kText), 301)},
        DamagedCase{"EmptyStreamDeclaresOne",
                    WithDeclared(CompressedEnvelope({}), 1)},
        DamagedCase{"AbcDeclaresZero", WithDeclared(CompressedEnvelope(kAbc),
                                                    0)},
        // Header 0x78 0xbb: a preset dictionary the envelope cannot supply.
        DamagedCase{"PresetDictionary",
                    Concat({{1}, U32(3), {0x78, 0xbb, 0, 0, 0, 0, 0, 0}})},
        DamagedCase{"RawDeflateWithoutZlibHeader",
                    Concat({{1}, U32(3), {0x4b, 0x4c, 0x4a, 0x06, 0x00}})},
        DamagedCase{"Garbage", Concat({{1}, U32(3), Bytes(12, 0xa5)})}),
    [](const ::testing::TestParamInfo<DamagedCase>& info) {
      return std::string(info.param.label);
    });

TEST(InflateEnvelope, InflatesExactlyTheDeclaredBytes) {
  const Bytes envelope = CompressedEnvelope(kText);
  uint8_t* data = nullptr;
  uint32_t length = 0;
  ASSERT_EQ(S_OK, InflateEnvelope(envelope.data(),
                                  static_cast<uint32_t>(envelope.size()),
                                  &data, &length));
  EXPECT_EQ(kText, Bytes(data, data + length));
  platform::Free(data);
}

// n == 0 allocates nothing, yet the data must still be a complete zlib
// stream of no bytes (checked by the Empty* and HeadWithoutStream cases).
TEST(InflateEnvelope, EmptyPayloadGivesNoBuffer) {
  const Bytes envelope = CompressedEnvelope({});
  AllocationWatch watch;
  uint8_t* data = reinterpret_cast<uint8_t*>(1);
  uint32_t length = 99;
  ASSERT_EQ(S_OK, InflateEnvelope(envelope.data(),
                                  static_cast<uint32_t>(envelope.size()),
                                  &data, &length));
  EXPECT_EQ(nullptr, data);
  EXPECT_EQ(0u, length);
  EXPECT_EQ(0, watch.Calls());
}

// Bytes after the end of the zlib stream are ignored: the stream's own
// check value has already vouched for the payload.
TEST(InflateEnvelope, IgnoresBytesAfterTheZlibStream) {
  const Bytes envelope = Concat({CompressedEnvelope(kAbc), {0xee, 0xee}});
  uint8_t* data = nullptr;
  uint32_t length = 0;
  ASSERT_EQ(S_OK, InflateEnvelope(envelope.data(),
                                  static_cast<uint32_t>(envelope.size()),
                                  &data, &length));
  EXPECT_EQ(kAbc, Bytes(data, data + length));
  platform::Free(data);
}

// The reach check must not refuse what zlib really produces: long runs
// compress close to the format's limit of 1032 to 1.
TEST(InflateEnvelope, AcceptsStreamsNearTheFormatsBestRatio) {
  const Bytes zeros(4u << 20, 0);
  const Bytes envelope = CompressedEnvelope(zeros);
  EXPECT_GT(zeros.size(), (envelope.size() - 5) * 1000);
  uint8_t* data = nullptr;
  uint32_t length = 0;
  ASSERT_EQ(S_OK, InflateEnvelope(envelope.data(),
                                  static_cast<uint32_t>(envelope.size()),
                                  &data, &length));
  EXPECT_EQ(zeros.size(), length);
  EXPECT_EQ(zeros, Bytes(data, data + length));
  platform::Free(data);
}

TEST(InflateEnvelope, OutOfMemoryForTheOutputLeavesNothing) {
  const Bytes envelope = CompressedEnvelope(kText);
  AllocationWatch watch;
  watch.FailCall(1);
  uint8_t* data = reinterpret_cast<uint8_t*>(1);
  uint32_t length = 99;
  EXPECT_EQ(E_OUTOFMEMORY,
            InflateEnvelope(envelope.data(),
                            static_cast<uint32_t>(envelope.size()), &data,
                            &length));
  EXPECT_EQ(nullptr, data);
  EXPECT_EQ(0u, watch.LiveBlocks());
}

}  // namespace
}  // namespace testing
}  // namespace orv
