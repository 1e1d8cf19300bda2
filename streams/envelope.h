// The payload envelope and its two conversions.
//
// Envelope forms (integers little-endian):
//   plain       u8 flag 0, then the n payload bytes            (n + 1 bytes)
//   compressed  u8 flag 1, u32 n, then a zlib stream of the     (5 + m bytes)
//               n payload bytes (RFC 1950)
// An input stream reads any non-zero flag as compressed; Compress reads the
// flag as a signed byte and leaves values above 0 alone. Every envelope this
// system compresses carries flag 1.
#ifndef ORV_STREAMS_ENVELOPE_H_
#define ORV_STREAMS_ENVELOPE_H_

#include <stdint.h>

#include "com/types.h"

namespace orv {

// Compresses the plain envelope `*payload` of `*size` bytes at zlib level 9.
// On success the compressed envelope replaces it (the old buffer is freed,
// the new one is exactly `*size` bytes, allocated through the platform
// seam). Nothing changes when the payload is null or empty, when it counts
// as compressed already, or when compression cannot finish (no memory, a
// zlib failure, output that does not fit): the plain envelope then stays
// intact, and no unfinished zlib stream is ever kept.
void CompressEnvelope(uint8_t** payload, uint32_t* size);

// Inflates the compressed envelope `envelope` of `size` bytes into a new
// buffer of exactly the declared length. S_OK with `*data` (allocated through
// the platform seam; the caller owns it; null when the length is 0) and
// `*length`. E_FAIL, with nothing allocated, for a damaged envelope: shorter
// than its 5-byte head, a declared length that data of this size cannot
// expand to, or data that does not inflate to exactly the declared length.
// E_OUTOFMEMORY. Never reads or writes outside either buffer.
HRESULT InflateEnvelope(const uint8_t* envelope, uint32_t size,
                        uint8_t** data, uint32_t* length);

// True when an input stream reads the envelope starting with `flag` in
// place, as plain bytes.
inline bool IsPlainEnvelope(uint8_t flag) { return flag == 0; }

}  // namespace orv

#endif  // ORV_STREAMS_ENVELOPE_H_
