// Dispatch through the current table, and the platform-neutral helpers.
#include "platform/platform.h"

#include <string.h>

namespace orv {
namespace platform {
namespace {

// The table in use. Swapped only by ScopedApi, which tests use on one thread.
const Api* current = nullptr;

}  // namespace

const Api& CurrentApi() { return current ? *current : NativeApi(); }

ScopedApi::ScopedApi(const Api& api) : previous_(current) { current = &api; }

ScopedApi::~ScopedApi() { current = previous_; }

int64_t CheckedStringLength(const char* text, size_t limit) {
  // Validation works page by page: a page is either readable or not, so
  // checking each chunk up to the next page boundary before scanning it never
  // touches an unreadable byte.
  const uintptr_t kPage = 4096;
  size_t scanned = 0;
  while (scanned < limit) {
    const char* chunk = text + scanned;
    size_t room = kPage - (reinterpret_cast<uintptr_t>(chunk) % kPage);
    if (room > limit - scanned) room = limit - scanned;
    if (IsBadReadPtr(chunk, room)) return -1;
    const void* terminator = memchr(chunk, 0, room);
    if (terminator != nullptr) {
      return static_cast<const char*>(terminator) - text;
    }
    scanned += room;
  }
  return -1;
}

}  // namespace platform
}  // namespace orv
