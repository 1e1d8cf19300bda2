#include "tools/text_format.h"

#include <stdio.h>

namespace orv {
namespace tool {
namespace {

// Descriptor layout: identifier, u16 version, name field, vendor field.
constexpr size_t kIdentifierOffset = 0;
constexpr size_t kVersionOffset = 16;
constexpr size_t kNameOffset = 18;
constexpr size_t kNameSize = 32;
constexpr size_t kVendorOffset = 50;
constexpr size_t kVendorSize = 128;
static_assert(kVendorOffset + kVendorSize == kDescriptorSize,
              "the vendor field ends the descriptor");

// Appends `c` as itself when it is printable ASCII other than `quote` and
// the backslash, and as \xNN otherwise.
void AppendEscaped(uint8_t c, char quote, std::string* text) {
  if (c >= 0x20 && c < 0x7f && c != '\\' && c != quote) {
    text->push_back(static_cast<char>(c));
    return;
  }
  char escaped[8];
  snprintf(escaped, sizeof(escaped), "\\x%02X", c);
  *text += escaped;
}

std::string FormatTextField(const uint8_t* field, size_t size) {
  std::string text;
  for (size_t i = 0; i < size && field[i] != 0; ++i) {
    AppendEscaped(field[i], '\\', &text);
  }
  return text;
}

}  // namespace

std::string FormatGuid(const uint8_t* b) {
  char text[40];
  snprintf(text, sizeof(text),
           "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-"
           "%02X%02X%02X%02X%02X%02X}",
           b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10],
           b[11], b[12], b[13], b[14], b[15]);
  return text;
}

std::string FormatDescriptor(const uint8_t* descriptor) {
  unsigned version = descriptor[kVersionOffset] |
                     descriptor[kVersionOffset + 1] << 8;
  char versionText[32];
  snprintf(versionText, sizeof(versionText), "%u.%u (0x%04X)", version >> 8,
           version & 0xFF, version);
  return "identifier: " + FormatGuid(descriptor + kIdentifierOffset) + "\n" +
         "version:    " + versionText + "\n" +
         "name:       " + FormatTextField(descriptor + kNameOffset, kNameSize) +
         "\n" + "vendor:     " +
         FormatTextField(descriptor + kVendorOffset, kVendorSize) + "\n";
}

std::string FormatName(const std::string& bytes) {
  if (bytes.empty()) return "\"\"";
  std::string text;
  for (char c : bytes) AppendEscaped(static_cast<uint8_t>(c), '"', &text);
  return text;
}

std::string FormatResult(HRESULT result) {
  static const struct {
    HRESULT code;
    const char* name;
  } kNames[] = {
      {S_OK, "S_OK"},
      {E_FAIL, "E_FAIL"},
      {E_INVALIDARG, "E_INVALIDARG"},
      {E_POINTER, "E_POINTER"},
      {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
      {E_ACCESSDENIED, "E_ACCESSDENIED"},
      {E_NOINTERFACE, "E_NOINTERFACE"},
  };
  char hex[16];
  snprintf(hex, sizeof(hex), "0x%08X", static_cast<uint32_t>(result));
  for (const auto& known : kNames) {
    if (known.code == result) return std::string(known.name) + " (" + hex + ")";
  }
  return hex;
}

}  // namespace tool
}  // namespace orv
