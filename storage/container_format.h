// Constants of the container file format. The layout is documented in
// doc/container_format.md; this header only names its numbers.
#ifndef ORV_STORAGE_CONTAINER_FORMAT_H_
#define ORV_STORAGE_CONTAINER_FORMAT_H_

#include <stdint.h>

namespace orv {
namespace format {

// Header: magic, file-system descriptor, root table offset.
constexpr char kMagic[4] = {'J', 'O', 'R', 'V'};
constexpr uint32_t kMagicSize = 4;
constexpr uint32_t kDescriptorOffset = 4;
constexpr uint32_t kDescriptorSize = 178;
constexpr uint32_t kRootTableOffsetPosition = 182;  // u32
constexpr uint32_t kHeaderSize = 186;
// A file made by Create holds magic and descriptor only.
constexpr uint32_t kCreatedFileSize = 182;

// File-system descriptor fields (offsets within the descriptor).
constexpr uint32_t kIdentifierOffset = 0;
constexpr uint32_t kIdentifierSize = 16;
constexpr uint32_t kVersionOffset = 16;  // u16
constexpr uint32_t kNameFieldOffset = 18;
constexpr uint32_t kNameFieldSize = 32;
constexpr uint32_t kVendorFieldOffset = 50;
constexpr uint32_t kVendorFieldSize = 128;

// The identifier {7BBB5720-CF42-11CF-A799-444553540000} in its stored bytes.
constexpr uint8_t kFileSystemIdentifier[16] = {
    0x20, 0x57, 0xBB, 0x7B, 0x42, 0xCF, 0xCF, 0x11,
    0xA7, 0x99, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00};
constexpr uint16_t kFileSystemVersion = 0x0100;
constexpr char kFileSystemName[] = "ORV Standard filesystem 1.0";
constexpr char kFileSystemVendor[] = "Vantorium";

// List table: u32 count, then that many entry records.
constexpr uint32_t kTableCountSize = 4;

// Entry record: fixed part, then the name bytes.
constexpr uint32_t kRecordNameLengthOffset = 0;    // u16
constexpr uint32_t kRecordPayloadOffsetOffset = 2; // u32
constexpr uint32_t kRecordPayloadSizeOffset = 6;   // u32
constexpr uint32_t kRecordChildTableOffset = 10;   // u32
constexpr uint32_t kRecordReservedOffset = 14;     // 2 bytes, ignored
constexpr uint32_t kRecordFixedSize = 16;

}  // namespace format
}  // namespace orv

#endif  // ORV_STORAGE_CONTAINER_FORMAT_H_
