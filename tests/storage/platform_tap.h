// A pass-through wrapper over a platform table that numbers the file calls
// going through it, so a test can stop the world before any one of them, and
// that counts the bytes read and keeps account of allocations (the largest
// asked for, the bytes live at the peak).
//
//   MemFileSystem fs;
//   PlatformTap tap(fs.api());
//   ScopedApi guard(tap.api());
//   tap.CrashBefore(7, [&] { fs.Crash(); });  // the 7th file call and every
//   root->Save(0, 0, nullptr);                // later one find the machine
//                                             // gone: they fail untouched
//
// A crash drops the file system's unsynced state (the callback does that)
// and then fails every file call without reaching the inner table, as if the
// process had died there; allocation and pointer checks go on, so the test
// can still tear its objects down and look for leaks. File calls are every
// function but the pointer checks and the allocation functions.
//
// The table reaches the object through a single active instance, the most
// recently constructed PlatformTap still alive. Tests are single-threaded.
#ifndef ORV_TESTS_STORAGE_PLATFORM_TAP_H_
#define ORV_TESTS_STORAGE_PLATFORM_TAP_H_

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <map>

#include "platform/platform.h"

namespace orv {
namespace testing {

class PlatformTap {
 public:
  // Does not own `inner`, which must outlive this object.
  explicit PlatformTap(const platform::Api& inner);
  ~PlatformTap();
  PlatformTap(const PlatformTap&) = delete;
  PlatformTap& operator=(const PlatformTap&) = delete;

  const platform::Api& api() const;

  // Runs `crash` just before the `nth` file call from now on (counting from
  // 1), which then fails, as does every later file call until Recover().
  void CrashBefore(int nth, std::function<void()> crash);
  // The machine is back: calls pass through again. Counting restarts.
  void Recover();
  bool Crashed() const { return crashed_; }

  // File calls since construction or the last CrashBefore/Recover.
  int FileCalls() const { return calls_; }
  // Bytes the reads through this table delivered since the last reset.
  int64_t BytesRead() const { return bytes_read_; }
  void ResetBytesRead() { bytes_read_ = 0; }
  // The largest size asked of Alloc or Realloc since the last reset.
  size_t LargestAllocation() const { return largest_; }
  void ResetLargestAllocation() { largest_ = 0; }
  // Bytes in blocks allocated through this table and not freed yet, and
  // the most there were at once since the last reset.
  size_t LiveBytes() const { return live_bytes_; }
  size_t PeakLiveBytes() const { return peak_live_bytes_; }
  void ResetPeakLiveBytes() { peak_live_bytes_ = live_bytes_; }

 private:
  struct Operations;
  // Counts a file call; false when it must fail (the machine is gone).
  bool Pass();
  // Accounts for `gone` freed (or moved) and `made` allocated.
  void Track(void* gone, void* made, size_t size);

  const platform::Api& inner_;
  int calls_ = 0;
  int crashAt_ = 0;  // 0: no crash planned
  bool crashed_ = false;
  std::function<void()> crash_;
  size_t largest_ = 0;
  std::map<void*, size_t> blocks_;  // live block -> size
  size_t live_bytes_ = 0;
  size_t peak_live_bytes_ = 0;
  int64_t bytes_read_ = 0;
  PlatformTap* previous_active_;
};

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_STORAGE_PLATFORM_TAP_H_
