// Share-mode emulation for the POSIX implementation of the platform seam.
//
// Win32 refuses an open that conflicts with the share mode of another handle
// of the same file, in any process, and refuses to delete or rename a file
// while any handle of the classic file functions holds it (those handles
// never grant delete sharing). POSIX has neither rule, so every handle of this
// layer advertises its access and its refusals as byte-range locks, and every
// opener, deleter and renamer looks at the locks of the others first.
//
// Why open-file-description locks: classic fcntl(F_SETLK) locks belong to the
// process, never conflict with other locks of the same process, and all of
// them vanish when the process closes any descriptor of the file. Handles of
// one process must exclude one another, and closing one handle (or the
// throw-away descriptor a deleter opens to look at the locks) must not drop
// the locks of another, so the locks must belong to each open file
// description: F_OFD_SETLK/F_OFD_GETLK. Descriptions also survive fork(),
// so a child shares the locks of the handles it inherits.
//
// The lock bytes lie far beyond any position the 32-bit file functions can
// reach; they never touch file data and never conflict with data locks.
// Each handle holds shared (read) locks on the bytes that describe it:
//
//   kHasReadByte      the handle can read
//   kHasWriteByte     the handle can write
//   kDeniesReadByte   the handle refuses reading to others
//   kDeniesWriteByte  the handle refuses writing to others
//   kIsOpenByte       always (blocks deletion and renaming)
//
// A shared lock of another description makes F_OFD_GETLK for an exclusive
// lock on that byte report a conflict, which is how an opener learns that an
// access it wants is refused, or that an access it wants to refuse is in use.
//
// Checking and taking must be one step, or two conflicting openers in two
// processes could both check before either takes. That step is serialized by
// a gate: an exclusive flock() on the description, held only while checking
// and taking (and, for a deleter or renamer, while checking and acting).
// flock() rather than an exclusive byte lock because an exclusive fcntl lock
// needs a writable descriptor and read-only handles must pass the gate too;
// on local file systems flock() and fcntl() locks are independent. (On NFS,
// where flock() is built from fcntl() locks, the gate would collide with the
// handles' own locks and a second open would fail after the bound below.)
// The gate is waited for with a bound, so a stopped holder yields a
// failure, not a hang.
//
// Shared read locks need a readable descriptor, so every handle's descriptor
// is readable: a write-only handle is opened O_RDWR underneath (and needs read
// permission) and this layer refuses reads through it.
#ifndef ORV_PLATFORM_SHARING_POSIX_H_
#define ORV_PLATFORM_SHARING_POSIX_H_

#include "platform/open_mode.h"

namespace orv {
namespace platform {
namespace posix {

// Holds the gate of one open file description for its lifetime.
// The descriptor must stay open while the gate exists.
class SharingGate {
 public:
  // Waits, with a bound, for the gate. held() tells whether it was taken;
  // errno explains a failure (EWOULDBLOCK after the bound).
  explicit SharingGate(int fd);
  ~SharingGate();
  SharingGate(const SharingGate&) = delete;
  SharingGate& operator=(const SharingGate&) = delete;

  bool held() const { return held_; }

 private:
  int fd_;
  bool held_;
};

// The following run with the gate of `fd` held. Each returns 1 (yes), 0 (no),
// or -1 with errno set when the locks could not be examined.

// Whether a handle of another description refuses what `request` wants or
// has what `request` refuses.
int ConflictsWithHolders(int fd, const OpenRequest& request);

// Whether any handle of another description holds the file open.
int HeldByOthers(int fd);

// Takes the locks that describe a handle opened with `request` on `fd`'s
// description. 0 or -1. They stay until the description is closed.
int TakeSharingLocks(int fd, const OpenRequest& request);

}  // namespace posix
}  // namespace platform
}  // namespace orv

#endif  // ORV_PLATFORM_SHARING_POSIX_H_
