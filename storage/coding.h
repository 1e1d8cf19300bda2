// Little-endian encoding of the integers stored in containers, envelopes and
// object records. Byte-wise, so the same code is right on every target and
// at any alignment.
#ifndef ORV_STORAGE_CODING_H_
#define ORV_STORAGE_CODING_H_

#include <stdint.h>

namespace orv {

inline void EncodeU16(uint8_t* out, uint16_t value) {
  out[0] = static_cast<uint8_t>(value);
  out[1] = static_cast<uint8_t>(value >> 8);
}

inline void EncodeU32(uint8_t* out, uint32_t value) {
  out[0] = static_cast<uint8_t>(value);
  out[1] = static_cast<uint8_t>(value >> 8);
  out[2] = static_cast<uint8_t>(value >> 16);
  out[3] = static_cast<uint8_t>(value >> 24);
}

inline uint16_t DecodeU16(const uint8_t* in) {
  return static_cast<uint16_t>(in[0] | (in[1] << 8));
}

inline uint32_t DecodeU32(const uint8_t* in) {
  return static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) |
         (static_cast<uint32_t>(in[2]) << 16) |
         (static_cast<uint32_t>(in[3]) << 24);
}

}  // namespace orv

#endif  // ORV_STORAGE_CODING_H_
