#include "tests/module/raw_sample.h"

#include <string.h>

#include "gtest/gtest.h"
#include "tests/module/raw_ids.h"

namespace orv {
namespace testing {
namespace {

constexpr RawResult kOk = 0;
constexpr RawResult kNoInterface = static_cast<RawResult>(0x80004002);
constexpr RawResult kFail = static_cast<RawResult>(0x80004005);
// Marks a result that Load never produced because it never made the call.
constexpr RawResult kNotCalled = 1;

constexpr uint32_t kRecordHeaderSize = 22;  // u32 length, class id, u16 version

RawSample* FromPersist(RawPersist* self) {
  // `persist` is the first member, so the interface pointer is the struct's.
  return reinterpret_cast<RawSample*>(self);
}

void PutU32(uint32_t value, uint8_t* out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetU32(const uint8_t* in) {
  return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
         static_cast<uint32_t>(in[2]) << 16 |
         static_cast<uint32_t>(in[3]) << 24;
}

RawResult RAW_CALL SampleQueryInterface(RawPersist* /*self*/,
                                        const RawGuid* /*iid*/, void** out) {
  *out = nullptr;
  return kNoInterface;
}

uint32_t RAW_CALL SampleAddRef(RawPersist* self) {
  return static_cast<uint32_t>(++FromPersist(self)->references);
}

uint32_t RAW_CALL SampleRelease(RawPersist* self) {
  return static_cast<uint32_t>(--FromPersist(self)->references);
}

RawResult RAW_CALL SampleGetClassID(RawPersist* self, RawGuid* classId) {
  *classId = FromPersist(self)->classId;
  return kOk;
}

RawResult RAW_CALL SampleGetVersion(RawPersist* self, uint16_t* version) {
  *version = FromPersist(self)->version;
  return kOk;
}

// Reads the body in the order Save wrote it, asking the stream where it
// stands on the way. Any failure of the stream ends Load with that failure.
RawResult RAW_CALL SampleLoad(RawPersist* self, RawInStream* stream,
                              uint16_t version) {
  RawSample* sample = FromPersist(self);
  const RawInStreamSlots* in = stream->slots;
  ++sample->loadCalls;
  sample->loadedVersion = version;
  RawResult result = in->GetClassID(stream, &sample->classIdAtLoad);
  if (result == kOk) result = in->GetRemaining(stream, &sample->remainingAtLoad);
  uint8_t count[4];
  if (result == kOk) result = in->Read(stream, count, sizeof(count));
  if (result != kOk) return result;
  uint32_t byteCount = GetU32(count);
  if (byteCount > kRawSampleMaxBytes) return kFail;
  result = in->Read(stream, sample->bytes, byteCount);
  if (result != kOk) return result;
  sample->byteCount = byteCount;

  uint32_t left = 0;
  result = in->GetRemaining(stream, &left);
  if (result != kOk) return result;
  if (left > 0) {
    if (sample->child == nullptr) return kFail;
    sample->peekResult = in->PeekClassID(stream, &sample->peekedClassId);
    sample->childResult = in->ReadObject(stream, &sample->child->persist);
    if (sample->childResult != kOk) return sample->childResult;
    result = in->GetClassID(stream, &sample->classIdAfterChild);
    if (result != kOk) return result;
  }
  return in->GetRemaining(stream, &sample->remainingAfterLoad);
}

RawResult RAW_CALL SampleSave(RawPersist* self, RawOutStream* stream) {
  RawSample* sample = FromPersist(self);
  const RawOutStreamSlots* out = stream->slots;
  ++sample->saveCalls;
  uint8_t count[4];
  PutU32(sample->byteCount, count);
  RawResult result = out->Write(stream, count, sizeof(count));
  if (result == kOk) {
    result = out->Write(stream, sample->bytes, sample->byteCount);
  }
  if (result == kOk && sample->child != nullptr) {
    result = out->WriteObject(stream, &sample->child->persist);
  }
  return result;
}

const RawPersistSlots kSampleSlots = {
    SampleQueryInterface, SampleAddRef,   SampleRelease, SampleGetClassID,
    SampleGetVersion,     SampleLoad,     SampleSave,
};

void Reset(RawSample* sample) {
  memset(sample, 0, sizeof(*sample));
  sample->persist.slots = &kSampleSlots;
  sample->peekResult = kNotCalled;
  sample->childResult = kNotCalled;
}

}  // namespace

void RawSampleInit(RawSample* sample, const RawGuid& classId,
                   uint16_t version, const void* bytes, uint32_t count,
                   RawSample* child) {
  Reset(sample);
  sample->classId = classId;
  sample->version = version;
  if (count > kRawSampleMaxBytes) count = kRawSampleMaxBytes;
  if (count > 0) memcpy(sample->bytes, bytes, count);
  sample->byteCount = count;
  sample->child = child;
}

void RawSampleInitReader(RawSample* sample, RawSample* child) {
  Reset(sample);
  sample->child = child;
}

uint32_t RawSampleBodyLength(const RawSample& writer) {
  uint32_t length = 4 + writer.byteCount;
  if (writer.child != nullptr) {
    length += kRecordHeaderSize + RawSampleBodyLength(*writer.child);
  }
  return length;
}

void RawSampleEncode(const RawSample& writer, std::vector<uint8_t>* out) {
  uint8_t word[4];
  PutU32(RawSampleBodyLength(writer), word);
  out->insert(out->end(), word, word + 4);
  out->insert(out->end(), writer.classId.bytes, writer.classId.bytes + 16);
  out->push_back(static_cast<uint8_t>(writer.version));
  out->push_back(static_cast<uint8_t>(writer.version >> 8));
  PutU32(writer.byteCount, word);
  out->insert(out->end(), word, word + 4);
  out->insert(out->end(), writer.bytes, writer.bytes + writer.byteCount);
  if (writer.child != nullptr) RawSampleEncode(*writer.child, out);
}

void RawSampleExpectLoaded(const RawSample& writer, const RawSample& reader) {
  char text[40];
  SCOPED_TRACE(GuidText(writer.classId, text));
  EXPECT_EQ(1, reader.loadCalls);
  EXPECT_EQ(writer.version, reader.loadedVersion);
  EXPECT_TRUE(SameGuid(writer.classId, reader.classIdAtLoad))
      << GuidText(reader.classIdAtLoad, text);
  EXPECT_EQ(RawSampleBodyLength(writer), reader.remainingAtLoad);
  ASSERT_EQ(writer.byteCount, reader.byteCount);
  EXPECT_EQ(0, memcmp(writer.bytes, reader.bytes, writer.byteCount));
  EXPECT_EQ(0u, reader.remainingAfterLoad);
  EXPECT_EQ(0, writer.references);  // the streams take no reference
  EXPECT_EQ(0, reader.references);
  if (writer.child == nullptr) {
    EXPECT_EQ(kNotCalled, reader.childResult);
    return;
  }
  ASSERT_NE(nullptr, reader.child);
  EXPECT_EQ(kOk, reader.peekResult);
  EXPECT_TRUE(SameGuid(writer.child->classId, reader.peekedClassId))
      << GuidText(reader.peekedClassId, text);
  EXPECT_EQ(kOk, reader.childResult);
  EXPECT_TRUE(SameGuid(writer.classId, reader.classIdAfterChild))
      << GuidText(reader.classIdAfterChild, text);
  RawSampleExpectLoaded(*writer.child, *reader.child);
}

}  // namespace testing
}  // namespace orv
