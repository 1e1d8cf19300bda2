#include "platform/sharing_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

namespace orv {
namespace platform {
namespace posix {
namespace {

// Lock bytes, far above any 32-bit file position; see sharing_posix.h.
constexpr off_t kLockBase = static_cast<off_t>(0x7fffffffffffff00LL);
constexpr off_t kHasReadByte = kLockBase + 0;
constexpr off_t kHasWriteByte = kLockBase + 1;
constexpr off_t kDeniesReadByte = kLockBase + 2;
constexpr off_t kDeniesWriteByte = kLockBase + 3;
constexpr off_t kIsOpenByte = kLockBase + 4;

// The gate is held for a few system calls; waiting longer than this means
// its holder is stopped or stuck.
constexpr long kGateFirstPauseNs = 50 * 1000L;
constexpr long kGateLongestPauseNs = 5 * 1000 * 1000L;
constexpr long kGateBudgetNs = 5 * 1000 * 1000 * 1000L;

struct flock ByteLock(short type, off_t byte) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  return lock;
}

// 1 when another description holds any lock on `byte`, 0 when none, -1 on
// error.
int LockedByOthers(int fd, off_t byte) {
  struct flock probe = ByteLock(F_WRLCK, byte);
  if (fcntl(fd, F_OFD_GETLK, &probe) != 0) return -1;
  return probe.l_type == F_UNLCK ? 0 : 1;
}

int TakeShared(int fd, off_t byte) {
  struct flock lock = ByteLock(F_RDLCK, byte);
  for (;;) {
    if (fcntl(fd, F_OFD_SETLK, &lock) == 0) return 0;
    if (errno != EINTR) return -1;
  }
}

}  // namespace

SharingGate::SharingGate(int fd) : fd_(fd), held_(false) {
  long pause = kGateFirstPauseNs;
  long waited = 0;
  for (;;) {
    if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
      held_ = true;
      return;
    }
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK || waited >= kGateBudgetNs) return;
    struct timespec delay = {0, pause};
    nanosleep(&delay, nullptr);
    waited += pause;
    if (pause < kGateLongestPauseNs) pause *= 2;
  }
}

SharingGate::~SharingGate() {
  if (!held_) return;
  int saved = errno;
  flock(fd_, LOCK_UN);
  errno = saved;
}

int ConflictsWithHolders(int fd, const OpenRequest& request) {
  struct Check {
    bool applies;
    off_t byte;
  };
  const Check checks[] = {
      {request.read, kDeniesReadByte},
      {request.write, kDeniesWriteByte},
      {request.denyRead, kHasReadByte},
      {request.denyWrite, kHasWriteByte},
  };
  for (const Check& check : checks) {
    if (!check.applies) continue;
    int locked = LockedByOthers(fd, check.byte);
    if (locked != 0) return locked;
  }
  return 0;
}

int HeldByOthers(int fd) { return LockedByOthers(fd, kIsOpenByte); }

int TakeSharingLocks(int fd, const OpenRequest& request) {
  struct Lock {
    bool applies;
    off_t byte;
  };
  const Lock locks[] = {
      {true, kIsOpenByte},
      {request.read, kHasReadByte},
      {request.write, kHasWriteByte},
      {request.denyRead, kDeniesReadByte},
      {request.denyWrite, kDeniesWriteByte},
  };
  for (const Lock& lock : locks) {
    if (lock.applies && TakeShared(fd, lock.byte) != 0) return -1;
  }
  return 0;
}

}  // namespace posix
}  // namespace platform
}  // namespace orv
