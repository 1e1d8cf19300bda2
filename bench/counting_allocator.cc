#include "bench/counting_allocator.h"

#include <stdlib.h>
#include <string.h>

namespace orv {
namespace bench {
namespace {

// Each block carries its size in a header, so Free and Realloc know what
// they give back. The header keeps the payload aligned for any type.
struct alignas(16) Header {
  size_t size;
};

size_t current = 0;
size_t peak = 0;

void Grew(size_t bytes) {
  current += bytes;
  if (current > peak) peak = current;
}

void* CountedAlloc(size_t size) {
  Header* header = static_cast<Header*>(malloc(sizeof(Header) + size));
  if (header == nullptr) return nullptr;
  header->size = size;
  Grew(size);
  return header + 1;
}

void CountedFree(void* block) {
  if (block == nullptr) return;
  Header* header = static_cast<Header*>(block) - 1;
  current -= header->size;
  free(header);
}

void* CountedRealloc(void* block, size_t size) {
  if (block == nullptr) return CountedAlloc(size);
  Header* header = static_cast<Header*>(block) - 1;
  size_t old = header->size;
  Header* moved =
      static_cast<Header*>(realloc(header, sizeof(Header) + size));
  if (moved == nullptr) return nullptr;
  moved->size = size;
  current -= old;
  Grew(size);
  return moved + 1;
}

platform::Api CountingTable() {
  platform::Api api = platform::NativeApi();
  api.alloc = CountedAlloc;
  api.realloc = CountedRealloc;
  api.free = CountedFree;
  return api;
}

}  // namespace

CountingAllocator::CountingAllocator() {
  static const platform::Api table = CountingTable();
  guard_ = new platform::ScopedApi(table);
}

CountingAllocator::~CountingAllocator() { delete guard_; }

size_t CountingAllocator::current() { return bench::current; }
size_t CountingAllocator::peak() { return bench::peak; }
void CountingAllocator::ResetPeak() { bench::peak = bench::current; }

}  // namespace bench
}  // namespace orv
