// Byte images and stream handles for the stream tests.
//
// Envelopes and records are built byte by byte here, independently of the
// code under test; compressed envelopes come from zlib's compress2() and are
// checked with zlib's uncompress(), so the module's own conversions are never
// their own witness.
#ifndef ORV_TESTS_STREAMS_STREAM_FIXTURES_H_
#define ORV_TESTS_STREAMS_STREAM_FIXTURES_H_

#include <stdint.h>

#include <initializer_list>
#include <vector>

#include "com/stream_interfaces.h"
#include "streams/in_stream.h"

namespace orv {
namespace testing {

using Bytes = std::vector<uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts);
Bytes U32(uint32_t value);
// `count` bytes counting up from `first`.
Bytes Counting(uint32_t count, uint8_t first = 0);
// `count` bytes that a zlib stream cannot shrink.
Bytes Incompressible(uint32_t count);

// A plain envelope: flag 0, then `data`.
Bytes PlainEnvelope(const Bytes& data);
// A compressed envelope made by zlib itself at level 9: flag 1, the length,
// then the zlib stream of `data`.
Bytes CompressedEnvelope(const Bytes& data);
// The zlib stream of `data` alone (level 9).
Bytes ZlibStream(const Bytes& data);
// A record header: body length, the class id ClassIdOf(tag), version.
Bytes RecordHeader(uint32_t bodyLength, uint8_t tag, uint16_t version = 1);

// Decodes the zlib stream `stream` with zlib's uncompress() into exactly
// `declared` bytes; true, with `*data`, when it decodes to exactly that.
bool IndependentlyInflates(const uint8_t* stream, uint32_t streamSize,
                           uint32_t declared, Bytes* data);

// A copy of `bytes` in a buffer allocated through the platform seam, for
// handing over to code that frees it there.
uint8_t* SeamCopy(const Bytes& bytes);

// One reference on an input stream, dropped at the end of the scope.
class InStream {
 public:
  InStream() = default;
  explicit InStream(CJInStream* stream);
  ~InStream();
  InStream(const InStream&) = delete;
  InStream& operator=(const InStream&) = delete;

  IJInStream* operator->() const { return stream_; }
  IJInStream* get() const { return stream_; }
  IORVStream* user() const { return user_; }
  explicit operator bool() const { return stream_ != nullptr; }

 private:
  IJInStream* stream_ = nullptr;
  IORVStream* user_ = nullptr;
};

// Creates a stream over `envelope` lent to it (owned false); the vector
// must outlive the stream. `*result` gets Create's result.
CJInStream* CreateLent(const Bytes& envelope, HRESULT* result);

// The bytes left to read, from GetRemaining.
uint32_t Remaining(IJInStream* stream);

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_STREAMS_STREAM_FIXTURES_H_
