// An allocation seam for benchmarks that passes every call to the native
// allocator and keeps the bytes currently allocated and their high-water
// mark, so a benchmark can report the memory an operation needed.
//
//   orv::bench::CountingAllocator counting;       // in main: installs itself
//   ...
//   CountingAllocator::ResetPeak();                // in a benchmark
//   RunSave();
//   state.counters["peak_bytes"] = CountingAllocator::peak();
#ifndef ORV_BENCH_COUNTING_ALLOCATOR_H_
#define ORV_BENCH_COUNTING_ALLOCATOR_H_

#include <stddef.h>

#include "platform/platform.h"

namespace orv {
namespace bench {

class CountingAllocator {
 public:
  // Installs a table that counts allocations over the native one for the
  // object's lifetime. One instance at a time.
  CountingAllocator();
  ~CountingAllocator();
  CountingAllocator(const CountingAllocator&) = delete;
  CountingAllocator& operator=(const CountingAllocator&) = delete;

  // Bytes allocated through the seam now, and their high-water mark.
  static size_t current();
  static size_t peak();
  // Starts a new high-water mark from the bytes allocated now.
  static void ResetPeak();

 private:
  platform::ScopedApi* guard_;
};

}  // namespace bench
}  // namespace orv

#endif  // ORV_BENCH_COUNTING_ALLOCATOR_H_
