// The C run-time's allocator as the seam's allocation functions, shared by
// both native tables. Internal to platform/.
#ifndef ORV_PLATFORM_C_ALLOCATION_H_
#define ORV_PLATFORM_C_ALLOCATION_H_

#include <stddef.h>

namespace orv {
namespace platform {

// malloc, realloc and free, with sizes of 0 made 1: malloc(0) may return
// null, which callers would take for a failure, and realloc(p, 0) may free p
// and return null, after which a caller that keeps p on failure would free
// it twice.
void* CAlloc(size_t size);
void* CRealloc(void* block, size_t size);
void CFree(void* block);

}  // namespace platform
}  // namespace orv

#endif  // ORV_PLATFORM_C_ALLOCATION_H_
