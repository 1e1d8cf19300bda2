// How the tool shows what the file system hands it: identifiers, the
// descriptor, result codes. Everything here formats bytes it is given and
// never reads past the sizes it is told.
#ifndef ORV_TOOLS_TEXT_FORMAT_H_
#define ORV_TOOLS_TEXT_FORMAT_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "com/types.h"

namespace orv {
namespace tool {

// Size of the descriptor that GetInfo hands out.
constexpr size_t kDescriptorSize = 178;

// "{7BBB5720-CF42-11CF-A799-444553540000}" for the 16 stored bytes of an
// identifier (u32, u16, u16 little-endian, then eight bytes in order).
std::string FormatGuid(const uint8_t* bytes);

// The four fields of a descriptor, one "label: value" line each:
//   identifier: {...}
//   version:    1.0 (0x0100)
//   name:       ...
//   vendor:     ...
// A text field shows its bytes up to its terminator or the end of the field,
// with anything unprintable escaped as \xNN.
std::string FormatDescriptor(const uint8_t* descriptor);

// A byte string (an entry name, an entry path) as text on one line:
// printable ASCII stays as it is, except the backslash and '"', which like
// every other byte become \xNN; the empty string shows as "".
std::string FormatName(const std::string& bytes);

// "E_ACCESSDENIED (0x80070005)" for the codes the module uses, the bare
// hex value for others.
std::string FormatResult(HRESULT result);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_TEXT_FORMAT_H_
