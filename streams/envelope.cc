// The two conversions of the payload envelope: compression at level 9 and
// the inflate step of input streams. Each runs in a single zlib call over
// buffers allocated in advance, with a stream state of its own that is ended
// before the conversion returns. zlib's own state uses zlib's default
// allocator; the envelope buffers go through the platform seam.
#include "streams/envelope.h"

#include <zlib.h>

#include "platform/platform.h"
#include "storage/coding.h"
#include "streams/envelope_format.h"

namespace orv {
namespace {

// A deflate stream produces at most 1032 bytes per byte of input data: the
// longest match (258 bytes) costs at least two bits, one for its length code
// and one for its distance code. A literal costs at least one bit, so at most
// eight bytes per byte. The zlib header and trailer produce nothing. So m
// bytes of zlib stream never inflate to more than m * 1032 bytes; the slack
// covers the bits of a block that straddle a byte boundary. A declared length
// beyond this is a lie, refused before anything is allocated, so a few bytes
// of a hostile file can never make the stream allocate gigabytes.
constexpr uint64_t kMaxInflateRatio = 1032;
constexpr uint64_t kInflateSlack = 258;

bool DeclaredLengthReachable(uint32_t declared, uint32_t streamBytes) {
  return declared <= streamBytes * kMaxInflateRatio + kInflateSlack;
}

// Deflates `input` into `output` (room `room`); true when the zlib stream is
// complete, with `*produced` its length. False on any zlib failure or when
// the room did not suffice: the output is then unusable.
bool DeflateOnce(z_stream* stream, const uint8_t* input, uint32_t inputSize,
                 uint8_t* output, uint32_t room, uint32_t* produced) {
  // zlib takes a non-const input pointer but never writes through it.
  stream->next_in = const_cast<Bytef*>(input);
  stream->avail_in = inputSize;
  stream->next_out = output;
  stream->avail_out = room;
  if (deflate(stream, Z_FINISH) != Z_STREAM_END) return false;
  *produced = room - stream->avail_out;
  return true;
}

// Size of the compressed envelope's buffer for `dataSize` payload bytes:
// the head plus zlib's worst-case bound for this stream's parameters, or 0
// when that does not fit in 32 bits (the payload then stays plain).
uint32_t CompressedRoom(z_stream* stream, uint32_t dataSize) {
  const uLong bound = deflateBound(stream, dataSize);
  // On 32-bit targets uLong is 32 bits and the bound may wrap; it is never
  // smaller than its input otherwise.
  if (bound < dataSize) return 0;
  const uint64_t room = uint64_t{bound} + envelope::kCompressedHeadSize;
  if (room > UINT32_MAX) return 0;
  return static_cast<uint32_t>(room);
}

// Runs the deflate step for the payload bytes `data` of `dataSize` bytes.
// Returns the new envelope (allocated through the seam, at least `*size`
// bytes, exactly `*size` bytes when the final shrink succeeded) or null when
// compression could not finish.
uint8_t* BuildCompressedEnvelope(const uint8_t* data, uint32_t dataSize,
                                 uint32_t* size) {
  z_stream stream = {};
  if (deflateInit(&stream, envelope::kCompressionLevel) != Z_OK) {
    return nullptr;
  }
  uint8_t* out = nullptr;
  uint32_t produced = 0;
  const uint32_t room = CompressedRoom(&stream, dataSize);
  if (room != 0) out = static_cast<uint8_t*>(platform::Alloc(room));
  bool finished =
      out != nullptr &&
      DeflateOnce(&stream, data, dataSize, out + envelope::kCompressedHeadSize,
                  room - envelope::kCompressedHeadSize, &produced);
  deflateEnd(&stream);
  if (!finished) {
    platform::Free(out);
    return nullptr;
  }
  out[0] = envelope::kCompressedFlag;
  EncodeU32(out + envelope::kDeclaredLengthOffset, dataSize);
  *size = envelope::kCompressedHeadSize + produced;
  // A failed shrink keeps the larger block, which still holds the envelope.
  void* exact = platform::Realloc(out, *size);
  return exact != nullptr ? static_cast<uint8_t*>(exact) : out;
}

// Inflates `input` into exactly `length` bytes at `output`. `output` may
// be null when `length` is 0. S_OK only when the zlib stream ends (its
// check value verified) with exactly `length` bytes produced.
HRESULT InflateOnce(const uint8_t* input, uint32_t inputSize, uint8_t* output,
                    uint32_t length) {
  z_stream stream = {};
  stream.next_in = const_cast<Bytef*>(input);
  stream.avail_in = inputSize;
  int result = inflateInit(&stream);
  if (result != Z_OK) return result == Z_MEM_ERROR ? E_OUTOFMEMORY : E_FAIL;
  // zlib refuses a null output pointer even for no room; an empty payload
  // gets a stand-in that zlib cannot write to (room 0).
  uint8_t nothing = 0;
  stream.next_out = output != nullptr ? output : &nothing;
  stream.avail_out = length;
  result = inflate(&stream, Z_FINISH);
  const bool exact = result == Z_STREAM_END && stream.avail_out == 0;
  inflateEnd(&stream);
  if (exact) return S_OK;
  return result == Z_MEM_ERROR ? E_OUTOFMEMORY : E_FAIL;
}

}  // namespace

void CompressEnvelope(uint8_t** payload, uint32_t* size) {
  if (*payload == nullptr || *size == 0) return;
  // Flags 1 to 127 count as compressed; 0 and 128 to 255 as plain.
  if (static_cast<int8_t>((*payload)[0]) > 0) return;
  uint32_t compressedSize = 0;
  uint8_t* compressed =
      BuildCompressedEnvelope(*payload + envelope::kFlagSize,
                              *size - envelope::kFlagSize, &compressedSize);
  if (compressed == nullptr) return;  // the plain envelope stays as it was
  platform::Free(*payload);
  *payload = compressed;
  *size = compressedSize;
}

HRESULT InflateEnvelope(const uint8_t* envelope, uint32_t size,
                        uint8_t** data, uint32_t* length) {
  *data = nullptr;
  *length = 0;
  if (envelope == nullptr || size < envelope::kCompressedHeadSize) {
    return E_FAIL;
  }
  const uint32_t declared =
      DecodeU32(envelope + envelope::kDeclaredLengthOffset);
  const uint8_t* stream = envelope + envelope::kCompressedHeadSize;
  const uint32_t streamBytes = size - envelope::kCompressedHeadSize;
  if (!DeclaredLengthReachable(declared, streamBytes)) return E_FAIL;
  uint8_t* out = nullptr;
  if (declared != 0) {
    out = static_cast<uint8_t*>(platform::Alloc(declared));
    if (out == nullptr) return E_OUTOFMEMORY;
  }
  const HRESULT result = InflateOnce(stream, streamBytes, out, declared);
  if (result != S_OK) {
    platform::Free(out);
    return result;
  }
  *data = out;
  *length = declared;
  return S_OK;
}

}  // namespace orv
