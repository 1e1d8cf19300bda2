// What the listing commands show of an entry: its name, the size of its
// payload and the number of its children, each read through the module's
// interfaces.
#ifndef ORV_TOOLS_ENTRY_FACTS_H_
#define ORV_TOOLS_ENTRY_FACTS_H_

#include <stdint.h>

#include <functional>
#include <string>

#include "com/orv_interfaces.h"

namespace orv {
namespace tool {

struct EntryFacts {
  std::string name;   // the name's bytes, unescaped
  bool hasPayload;    // false: the entry carries no payload at all
  uint32_t payloadSize;  // bytes of the payload; 0 without one
  uint32_t children;
};

// Gathers the facts of `entry` (borrowed). S_OK, or the failure of the
// operation that failed: reading the payload means opening (and for a
// stored payload, reading and inflating) it.
HRESULT GetEntryFacts(IORVEntry* entry, EntryFacts* facts);

// The entry's name. S_OK, or GetName's failure.
HRESULT GetEntryName(IORVEntry* entry, std::string* name);

// Whether the entry has a payload, and its size in bytes.
HRESULT GetPayloadSize(IORVEntry* entry, bool* hasPayload, uint32_t* size);

// Calls `visit` with each entry of the list of `owner` (a root or an
// entry) in list order; the entry is borrowed for the call. Stops at the
// first failure, of the walk or of `visit`, and returns it.
HRESULT ForEachChild(IUnknown* owner,
                     const std::function<HRESULT(IORVEntry*)>& visit);

// The number of entries in the list of `owner`.
HRESULT CountChildren(IUnknown* owner, uint32_t* count);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_ENTRY_FACTS_H_
