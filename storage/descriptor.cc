#include "storage/descriptor.h"

#include <string.h>

#include "storage/coding.h"

namespace orv {

Descriptor BuildDescriptor() {
  Descriptor d;
  memset(d.bytes, 0, sizeof(d.bytes));
  memcpy(d.bytes + format::kIdentifierOffset, format::kFileSystemIdentifier,
         format::kIdentifierSize);
  EncodeU16(d.bytes + format::kVersionOffset, format::kFileSystemVersion);
  static_assert(sizeof(format::kFileSystemName) <= format::kNameFieldSize,
                "name must fit its field with its terminator");
  static_assert(sizeof(format::kFileSystemVendor) <= format::kVendorFieldSize,
                "vendor must fit its field with its terminator");
  memcpy(d.bytes + format::kNameFieldOffset, format::kFileSystemName,
         sizeof(format::kFileSystemName));
  memcpy(d.bytes + format::kVendorFieldOffset, format::kFileSystemVendor,
         sizeof(format::kFileSystemVendor));
  return d;
}

bool SameFileSystem(const uint8_t* a, const uint8_t* b) {
  return memcmp(a + format::kIdentifierOffset, b + format::kIdentifierOffset,
                format::kIdentifierSize) == 0;
}

}  // namespace orv
