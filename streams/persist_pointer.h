// Validation of the IJPersist pointers that the host passes to ReadObject
// and WriteObject.
#ifndef ORV_STREAMS_PERSIST_POINTER_H_
#define ORV_STREAMS_PERSIST_POINTER_H_

#include "com/stream_interfaces.h"

namespace orv {

// True when `object` cannot be called: null, its first word (the table
// pointer) unreadable, or the table's seven slots unreadable. This cannot
// prove an object valid; it keeps a null or stray pointer from crashing a
// stream before the stream has consumed or written anything.
bool IsBadPersistPtr(IJPersist* object);

}  // namespace orv

#endif  // ORV_STREAMS_PERSIST_POINTER_H_
