#include "streams/persist_pointer.h"

#include <string.h>

#include "platform/platform.h"

namespace orv {
namespace {

// IJPersist's table: IUnknown's three slots, then GetClassID, GetVersion,
// Load and Save.
constexpr uintptr_t kPersistTableBytes = 7 * sizeof(void*);

}  // namespace

bool IsBadPersistPtr(IJPersist* object) {
  if (platform::IsBadReadPtr(object, sizeof(void*))) return true;
  void* table;
  memcpy(&table, static_cast<const void*>(object), sizeof(table));
  return platform::IsBadReadPtr(table, kPersistTableBytes);
}

}  // namespace orv
