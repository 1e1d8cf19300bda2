// Identifiers as the raw-interface tests write them: parsed from their
// registry text, so that the stored byte layout (u32, u16, u16 little-endian,
// then eight bytes in order) is worked out here and not copied from com/.
#ifndef ORV_TESTS_MODULE_RAW_IDS_H_
#define ORV_TESTS_MODULE_RAW_IDS_H_

#include "tests/module/raw_abi.h"

namespace orv {
namespace testing {

// `text` is "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (hex digits, any case).
RawGuid GuidFromText(const char* text);

// Formats the stored bytes back as the registry text, for failure messages.
const char* GuidText(const RawGuid& guid, char (&buffer)[40]);

inline bool SameGuid(const RawGuid& a, const RawGuid& b) {
  for (int i = 0; i < 16; ++i) {
    if (a.bytes[i] != b.bytes[i]) return false;
  }
  return true;
}

// Interface identifiers the module answers somewhere, and the file-system
// identifier, which no lookup answers.
extern const RawGuid kIidUnknown;
extern const RawGuid kIidFileSystem;
extern const RawGuid kIidList;
extern const RawGuid kIidRoot;
extern const RawGuid kIidEntry;
extern const RawGuid kIidObjectList;
extern const RawGuid kIidInStream;
extern const RawGuid kIidOutStream;
extern const RawGuid kIidStream;
extern const RawGuid kFileSystemIdentifier;

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_MODULE_RAW_IDS_H_
