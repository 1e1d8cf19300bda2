// Constants of the payload envelope (see envelope.h for its layout).
#ifndef ORV_STREAMS_ENVELOPE_FORMAT_H_
#define ORV_STREAMS_ENVELOPE_FORMAT_H_

#include <stdint.h>

namespace orv {
namespace envelope {

constexpr uint8_t kPlainFlag = 0;
constexpr uint8_t kCompressedFlag = 1;
constexpr uint32_t kFlagSize = 1;
constexpr uint32_t kDeclaredLengthOffset = 1;  // u32, compressed form only
constexpr uint32_t kCompressedHeadSize = 5;
constexpr int kCompressionLevel = 9;

}  // namespace envelope
}  // namespace orv

#endif  // ORV_STREAMS_ENVELOPE_FORMAT_H_
