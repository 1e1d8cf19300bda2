// AllocationWatch: routes the platform seam's byte allocations through a
// ledger for the guard's lifetime, so a stream test can see every block the
// code under test holds (and its exact size), find leaks, and make a chosen
// allocation fail.
//
//   AllocationWatch watch;
//   watch.FailCall(2);                // the second Alloc/Realloc returns null
//   ... run the operation ...
//   EXPECT_EQ(0u, watch.LiveBlocks());
//
// The watch forwards to the table in force when it was made (the native
// one, or a FaultApi's, whose faults and 0xa5 fill then still apply); file
// functions and pointer checks stay that table's. One watch at a time;
// tests run on one thread.
#ifndef ORV_TESTS_STREAMS_ALLOCATION_WATCH_H_
#define ORV_TESTS_STREAMS_ALLOCATION_WATCH_H_

#include <stddef.h>

#include <map>

#include "platform/platform.h"

namespace orv {
namespace testing {

class AllocationWatch {
 public:
  AllocationWatch();
  ~AllocationWatch();
  AllocationWatch(const AllocationWatch&) = delete;
  AllocationWatch& operator=(const AllocationWatch&) = delete;

  // Makes the `n`th Alloc or Realloc call from now on (1-based) fail once;
  // 0 fails none.
  void FailCall(int n);
  // Alloc and Realloc calls made since construction or the last FailCall.
  int Calls() const { return calls_; }
  // Blocks allocated through the seam and not freed yet.
  size_t LiveBlocks() const { return blocks_.size(); }
  // The size of a live block; 0 for anything else.
  size_t BlockSize(const void* block) const;
  // The largest size requested so far, failed requests included.
  size_t LargestRequest() const { return largest_; }
  // The size of the last Alloc or Realloc request; 0 before any.
  size_t LastRequest() const { return last_; }

 private:
  static void* Alloc(size_t size);
  static void* Realloc(void* block, size_t size);
  static void Free(void* block);
  bool ShouldFail(size_t size);

  const platform::Api inner_;  // the table in force before the watch
  platform::Api api_;
  platform::ScopedApi* guard_ = nullptr;
  std::map<const void*, size_t> blocks_;
  int calls_ = 0;
  int failAt_ = 0;
  size_t largest_ = 0;
  size_t last_ = 0;
};

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_STREAMS_ALLOCATION_WATCH_H_
