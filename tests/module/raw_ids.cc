#include "tests/module/raw_ids.h"

#include <stdio.h>
#include <stdlib.h>

namespace orv {
namespace testing {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reverses bytes [begin, end) of the guid: the first three fields are
// written most significant digit first but stored little-endian.
void Reverse(RawGuid* guid, int begin, int end) {
  for (--end; begin < end; ++begin, --end) {
    uint8_t swap = guid->bytes[begin];
    guid->bytes[begin] = guid->bytes[end];
    guid->bytes[end] = swap;
  }
}

}  // namespace

RawGuid GuidFromText(const char* text) {
  RawGuid guid = {};
  int digits = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '-') continue;
    int value = HexValue(*p);
    if (value < 0 || digits >= 32) abort();  // a typo in a test table
    guid.bytes[digits / 2] = static_cast<uint8_t>(
        guid.bytes[digits / 2] << 4 | value);
    ++digits;
  }
  if (digits != 32) abort();
  Reverse(&guid, 0, 4);
  Reverse(&guid, 4, 6);
  Reverse(&guid, 6, 8);
  return guid;
}

const char* GuidText(const RawGuid& guid, char (&buffer)[40]) {
  const uint8_t* b = guid.bytes;
  snprintf(buffer, sizeof(buffer),
           "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-"
           "%02X%02X%02X%02X%02X%02X",
           b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10],
           b[11], b[12], b[13], b[14], b[15]);
  return buffer;
}

const RawGuid kIidUnknown = GuidFromText("00000000-0000-0000-C000-000000000046");
const RawGuid kIidFileSystem =
    GuidFromText("DF37ABC0-CEAF-11CF-A799-444553540000");
const RawGuid kIidList = GuidFromText("D3AC8AE0-CEB0-11CF-A799-444553540000");
const RawGuid kIidRoot = GuidFromText("D3AC8AE1-CEB0-11CF-A799-444553540000");
const RawGuid kIidEntry = GuidFromText("D3AC8AE2-CEB0-11CF-A799-444553540000");
const RawGuid kIidObjectList =
    GuidFromText("16135C80-CEAF-11CF-A799-444553540000");
const RawGuid kIidInStream =
    GuidFromText("62BC68C0-241D-11CF-BC52-444553540000");
const RawGuid kIidOutStream =
    GuidFromText("2FEB59A0-24B4-11CF-BC52-444553540000");
const RawGuid kIidStream = GuidFromText("01B38E20-657A-11D1-A17C-080009AB3411");
const RawGuid kFileSystemIdentifier =
    GuidFromText("7BBB5720-CF42-11CF-A799-444553540000");

}  // namespace testing
}  // namespace orv
