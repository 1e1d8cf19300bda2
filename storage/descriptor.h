// The 178-byte file-system descriptor: what GetInfo hands out and what every
// container carries after its magic.
#ifndef ORV_STORAGE_DESCRIPTOR_H_
#define ORV_STORAGE_DESCRIPTOR_H_

#include <stdint.h>

#include "storage/container_format.h"

namespace orv {

struct Descriptor {
  uint8_t bytes[format::kDescriptorSize];
};

// This system's descriptor: all bytes zero, then identifier, version, name
// and vendor. Built afresh wherever it is needed.
Descriptor BuildDescriptor();

// True when the first 16 bytes of both descriptors (the identifier) agree.
bool SameFileSystem(const uint8_t* a, const uint8_t* b);

}  // namespace orv

#endif  // ORV_STORAGE_DESCRIPTOR_H_
