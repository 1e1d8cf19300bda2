// Constants of the object record, the unit of IJPersist persistence (com/
// stream_interfaces.h gives its layout). Records are written by CJOutStream
// and read by CJInStream.
#ifndef ORV_STREAMS_RECORD_FORMAT_H_
#define ORV_STREAMS_RECORD_FORMAT_H_

#include <stdint.h>

namespace orv {
namespace record {

constexpr uint32_t kBodyLengthOffset = 0;  // u32
constexpr uint32_t kClassIdOffset = 4;     // 16-byte GUID
constexpr uint32_t kVersionOffset = 20;    // u16
constexpr uint32_t kBodyLengthSize = 4;
constexpr uint32_t kClassIdSize = 16;
constexpr uint32_t kVersionSize = 2;
constexpr uint32_t kHeaderSize = 22;

}  // namespace record
}  // namespace orv

#endif  // ORV_STREAMS_RECORD_FORMAT_H_
