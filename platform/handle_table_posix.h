// The handles that the POSIX implementation of the platform seam has handed
// out, and what each may do.
//
// A handle is the descriptor itself. The table exists because a descriptor
// can do more than its handle may: a write-only handle is opened O_RDWR (its
// sharing locks need a readable descriptor, see sharing_posix.h), so reads
// through it must be refused here. It also keeps the file functions from
// acting on descriptors this layer never opened (stdin, a stale handle's
// number taken by someone else's descriptor).
#ifndef ORV_PLATFORM_HANDLE_TABLE_POSIX_H_
#define ORV_PLATFORM_HANDLE_TABLE_POSIX_H_

#include <stdint.h>

namespace orv {
namespace platform {
namespace posix {

// Rights of a registered handle.
constexpr uint8_t kHandleOpen = 1;
constexpr uint8_t kHandleReads = 2;
constexpr uint8_t kHandleWrites = 4;

// Records `fd` (> 0) as a handle with `rights` (kHandleOpen is implied).
// False when the table cannot grow.
bool RegisterHandle(int fd, uint8_t rights);

// The rights of `handle`; 0 when it is not a handle of this layer.
uint8_t HandleRights(int32_t handle);

// Forgets `handle`; false when it was not registered.
bool UnregisterHandle(int32_t handle);

}  // namespace posix
}  // namespace platform
}  // namespace orv

#endif  // ORV_PLATFORM_HANDLE_TABLE_POSIX_H_
