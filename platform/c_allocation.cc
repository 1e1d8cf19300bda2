#include "platform/c_allocation.h"

#include <stdlib.h>

namespace orv {
namespace platform {

void* CAlloc(size_t size) { return malloc(size == 0 ? 1 : size); }

void* CRealloc(void* block, size_t size) {
  return realloc(block, size == 0 ? 1 : size);
}

void CFree(void* block) { free(block); }

}  // namespace platform
}  // namespace orv
