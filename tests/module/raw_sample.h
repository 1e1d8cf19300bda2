// A persistable host object written the way a host without the module's
// C++ declarations writes one: a C struct whose first member is its IJPersist
// interface pointer, with a slot table of plain functions (stdcall on Win32)
// from raw_abi.h. The streams call it only through that table, so a stream
// that calls the wrong slot, or with the wrong convention, fails the test
// that uses it.
//
// Body of a sample's record, as its Save writes it:
//   u32 n   (little-endian)   count of the plain bytes that follow
//   n bytes
//   the child's record        only when the sample has a child
//
// Load reads the body back into a reader sample (RawSampleInitReader) and
// notes what the stream told it on the way, for the test to compare with
// the writer it mirrors (RawSampleExpectLoaded).
#ifndef ORV_TESTS_MODULE_RAW_SAMPLE_H_
#define ORV_TESTS_MODULE_RAW_SAMPLE_H_

#include <stdint.h>

#include <vector>

#include "tests/module/raw_abi.h"

namespace orv {
namespace testing {

constexpr uint32_t kRawSampleMaxBytes = 256;

struct RawSample {
  RawPersist persist;  // first: the streams see &persist as the object
  // References taken through slots 1 and 2. The streams take none, so it
  // stays 0 when the object is used only through them.
  int32_t references;

  // What Save writes, and what GetClassID and GetVersion report.
  RawGuid classId;
  uint16_t version;
  uint8_t bytes[kRawSampleMaxBytes];
  uint32_t byteCount;  // [0, kRawSampleMaxBytes]
  // The nested record's object, written after the bytes and read into by
  // Load; borrowed, it outlives this sample. Null: no nested record.
  RawSample* child;

  // Noted by Load.
  int32_t loadCalls;
  int32_t saveCalls;
  uint16_t loadedVersion;         // the version argument of Load
  RawGuid classIdAtLoad;          // the stream's GetClassID as Load starts
  uint32_t remainingAtLoad;       // the stream's GetRemaining as Load starts
  RawResult peekResult;           // PeekClassID before the nested record
  RawGuid peekedClassId;
  RawResult childResult;          // ReadObject of the nested record
  RawGuid classIdAfterChild;      // GetClassID once the nested Load returned
  uint32_t remainingAfterLoad;    // GetRemaining as Load returns
};

// A writer: `count` bytes at `bytes` (at most kRawSampleMaxBytes) and an
// optional nested record.
void RawSampleInit(RawSample* sample, const RawGuid& classId,
                   uint16_t version, const void* bytes, uint32_t count,
                   RawSample* child);

// A reader with nothing loaded, reading a nested record into `child` (which
// must be a reader too) when the body holds one.
void RawSampleInitReader(RawSample* sample, RawSample* child);

// The body length of the writer's record, worked out from its fields.
uint32_t RawSampleBodyLength(const RawSample& writer);

// Appends the complete record of the writer (header and body, nested
// records included), encoded here independently of the module.
void RawSampleEncode(const RawSample& writer, std::vector<uint8_t>* out);

// Checks, level by level, that `reader` loaded what `writer` wrote and that
// the stream told its Load the right class id, version and counts.
void RawSampleExpectLoaded(const RawSample& writer, const RawSample& reader);

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_MODULE_RAW_SAMPLE_H_
