// A wrapper over any platform table (the native one, a MemFileSystem's) that
// counts calls, makes chosen calls fail or come up short, logs the handles it
// sees opened and closed, and checks allocations for leaks.
//
//   orv::testing::MemFileSystem fs;
//   orv::testing::FaultApi faults(fs.api());
//   orv::platform::ScopedApi guard(faults.api());
//   RunSave();                                   // fault-free, to count
//   int writes = faults.Count(FaultApi::kWrite);
//   for (int n = 1; n <= writes; ++n) {
//     ... fresh state ...
//     faults.Reset();
//     faults.FailNth(FaultApi::kWrite, n);       // the nth write fails once
//     EXPECT_EQ(E_FAIL, RunSave());
//     EXPECT_TRUE(faults.OpenHandles().empty());
//     EXPECT_EQ(0u, faults.OutstandingAllocations());
//   }
//
// Calls are counted per kind from construction or the last Reset(), first
// call 1. A fault fires on the nth call of its kind, once or on that call
// and every later one. A failed call does what the classic function does
// when the system refuses: it returns its failure value and changes nothing
// (the inner table is not called), with two exceptions: a failed close still
// closes (the handle is gone either way), and a short transfer calls the
// inner table with a smaller count and reports what that moved.
//
// New blocks are filled with 0xa5, and the part a realloc adds too, so that
// code cannot depend on zeroed memory.
//
// Pointer checks pass through uncounted. The function table reaches the
// object through a single active instance, the most recently constructed
// FaultApi still alive; one FaultApi cannot wrap another. Tests are
// single-threaded.
#ifndef ORV_TESTS_DOUBLES_FAULT_API_H_
#define ORV_TESTS_DOUBLES_FAULT_API_H_

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <vector>

#include "platform/platform.h"

namespace orv {
namespace testing {

class FaultApi {
 public:
  // Kinds of calls. kRead covers _lread and _hread, kWrite _lwrite and
  // _hwrite, kAlloc Alloc and Realloc.
  enum Kind {
    kOpen,
    kCreate,
    kRead,
    kWrite,
    kSeek,
    kClose,
    kFlush,
    kAccess,
    kUnlink,
    kRename,
    kLink,
    kSyncDirectory,
    kAlloc,
    kKindCount
  };
  enum Persistence { kOnce, kFromThenOn };

  // Does not own `inner`, which must outlive this object.
  explicit FaultApi(const platform::Api& inner);
  ~FaultApi();
  FaultApi(const FaultApi&) = delete;
  FaultApi& operator=(const FaultApi&) = delete;

  // The table to install with a ScopedApi while this object is alive.
  const platform::Api& api() const;

  // The nth call of `kind` (counting from 1) fails.
  void FailNth(Kind kind, int nth, Persistence persistence = kOnce);
  // The nth read or write transfers only `bytes` of what it was asked
  // (never more than asked) and reports that count.
  void ShortenNth(Kind kind, int nth, uint32_t bytes,
                  Persistence persistence = kOnce);
  // Forgets every fault and zeroes the counts. Handles and allocations stay
  // recorded.
  void Reset();

  int Count(Kind kind) const { return counts_[kind]; }
  // Whether a planned fault fired since the last Reset().
  bool Fired() const { return fired_; }

  // Handles opened through this table and not yet closed, in order of
  // opening.
  std::vector<HFILE> OpenHandles() const;
  // Closes of something that was not an open handle of this table.
  int StrayCloses() const { return stray_closes_; }

  // Blocks allocated and not yet freed, and frees of unknown blocks.
  size_t OutstandingAllocations() const { return blocks_.size(); }
  int StrayFrees() const { return stray_frees_; }

 private:
  struct Operations;  // the functions of the table
  struct Fault {
    bool planned = false;
    int nth = 0;
    Persistence persistence = kOnce;
    bool shorten = false;
    uint32_t bytes = 0;
  };

  // Counts a call of `kind`; the fault that fires on it, or null.
  const Fault* Next(Kind kind);

  const platform::Api& inner_;
  int counts_[kKindCount];
  Fault faults_[kKindCount];
  bool fired_;
  std::map<HFILE, int> open_handles_;  // handle -> order of opening
  int opened_;
  int stray_closes_;
  std::map<void*, size_t> blocks_;  // live block -> size
  int stray_frees_;
  FaultApi* previous_active_;
};

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_DOUBLES_FAULT_API_H_
