// The native platform table on POSIX systems: the classic handle-based file
// functions built on descriptors, with Win32 share modes emulated by
// open-file-description locks (sharing_posix.h), and pointer validation by
// kernel-checked copies (pointer_check_posix.h).
//
// Handles are descriptors: close-on-exec, and never 0 (callers store 0 for
// "no file open") nor any other standard descriptor. Every function sets
// errno when it fails.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/handle_table_posix.h"
#include "platform/c_allocation.h"
#include "platform/open_mode.h"
#include "platform/platform.h"
#include "platform/pointer_check_posix.h"
#include "platform/sharing_posix.h"

namespace orv {
namespace platform {
namespace {

using posix::HandleRights;
using posix::kHandleReads;
using posix::kHandleWrites;

// A path may be renamed or deleted between opening it and taking the gate;
// the operation then starts over, at most this many times.
constexpr int kNameRaceAttempts = 8;

// _lcreat attribute bit for a read-only file.
constexpr int32_t kAttributeReadOnly = 0x01;

bool ValidPath(const char* path) {
  if (path == nullptr) {
    errno = EFAULT;
    return false;
  }
  if (strnlen(path, kMaxPath) >= kMaxPath) {
    errno = ENAMETOOLONG;
    return false;
  }
  return true;
}

void CloseQuietly(int fd) {
  int saved = errno;
  close(fd);
  errno = saved;
}

// Handles are above the standard descriptors. 0 is never a handle, because
// callers store 0 for "no file"; 1 and 2 are avoided too, because when a
// process runs with stdout or stderr closed, whatever it prints would
// otherwise land in the file.
constexpr int kFirstHandle = 3;

int AvoidStandardDescriptors(int fd) {
  if (fd >= kFirstHandle) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, kFirstHandle);
  CloseQuietly(fd);
  return moved;
}

// Opens a descriptor of a file that is not a directory. O_NONBLOCK keeps the
// open of a FIFO without a peer from waiting forever; it is cleared after.
int OpenDescriptor(const char* path, int flags, mode_t permissions) {
  int fd;
  do {
    fd = open(path, flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, permissions);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  fd = AvoidStandardDescriptors(fd);
  if (fd < 0) return -1;
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    if (S_ISDIR(info.st_mode)) errno = EISDIR;
    CloseQuietly(fd);
    return -1;
  }
  int status = fcntl(fd, F_GETFL);
  if (status < 0 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    CloseQuietly(fd);
    return -1;
  }
  return fd;
}

// 1 when `path` still names the file open on `fd`, 0 when it names another
// file or none, -1 on error. `follow` chooses stat over lstat.
int NamesDescriptor(const char* path, int fd, bool follow) {
  struct stat named, opened;
  if ((follow ? stat(path, &named) : lstat(path, &named)) != 0) {
    return errno == ENOENT ? 0 : -1;
  }
  if (fstat(fd, &opened) != 0) return -1;
  return named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

// Under the gate: checks the other handles and takes this handle's locks.
// 1 done, 0 the path moved to another file meanwhile, -1 refused or failed.
int ClaimSharing(const char* path, int fd, const OpenRequest& request) {
  posix::SharingGate gate(fd);
  if (!gate.held()) return -1;
  int named = NamesDescriptor(path, fd, true);
  if (named <= 0) return named;
  int conflict = posix::ConflictsWithHolders(fd, request);
  if (conflict != 0) {
    if (conflict > 0) errno = EACCES;
    return -1;
  }
  return posix::TakeSharingLocks(fd, request) == 0 ? 1 : -1;
}

HFILE OpenHandle(const char* path, int flags, mode_t permissions,
                 const OpenRequest& request, bool truncate) {
  if (!ValidPath(path)) return HFILE_ERROR;
  for (int attempt = 0; attempt < kNameRaceAttempts; ++attempt) {
    int fd = OpenDescriptor(path, flags, permissions);
    if (fd < 0) return HFILE_ERROR;
    int claimed = ClaimSharing(path, fd, request);
    if (claimed > 0) {
      // Truncating only now: an _lcreat must not empty a file that another
      // handle keeps from being written.
      const uint8_t rights = (request.read ? kHandleReads : 0) |
                             (request.write ? kHandleWrites : 0);
      if ((truncate && ftruncate(fd, 0) != 0) ||
          !posix::RegisterHandle(fd, rights)) {
        CloseQuietly(fd);
        return HFILE_ERROR;
      }
      return fd;
    }
    CloseQuietly(fd);
    if (claimed < 0) return HFILE_ERROR;
  }
  errno = EBUSY;
  return HFILE_ERROR;
}

HFILE NativeOpen(const char* path, int32_t mode) {
  OpenRequest request;
  if (!DecodeOpenMode(mode, &request)) {
    errno = EINVAL;
    return HFILE_ERROR;
  }
  // Write-only handles get a readable descriptor too; see sharing_posix.h.
  return OpenHandle(path, request.write ? O_RDWR : O_RDONLY, 0, request,
                    false);
}

HFILE NativeCreate(const char* path, int32_t attribute) {
  const mode_t permissions = (attribute & kAttributeReadOnly) ? 0444 : 0666;
  return OpenHandle(path, O_RDWR | O_CREAT, permissions, CreateRequest(),
                    true);
}

bool HandleMay(HFILE file, uint8_t right) {
  if ((HandleRights(file) & right) != 0) return true;
  errno = EBADF;
  return false;
}

// Reads until `count` bytes arrived or the file ended.
int32_t ReadFully(HFILE file, void* buffer, uint64_t count) {
  if (!HandleMay(file, kHandleReads)) return -1;
  if (count > INT32_MAX) {
    errno = EINVAL;
    return -1;
  }
  char* bytes = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t n = read(file, bytes + done, count - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      return -1;
    }
  }
  return static_cast<int32_t>(done);
}

// Writes all `count` bytes. A count of 0 truncates or extends the file to
// the current position, as the classic functions do.
int32_t WriteFully(HFILE file, const void* buffer, uint64_t count) {
  if (!HandleMay(file, kHandleWrites)) return -1;
  if (count > INT32_MAX) {
    errno = EINVAL;
    return -1;
  }
  if (count == 0) {
    off_t position = lseek(file, 0, SEEK_CUR);
    if (position < 0 || ftruncate(file, position) != 0) return -1;
    return 0;
  }
  const char* bytes = static_cast<const char*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t n = write(file, bytes + done, count - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n == 0) {
      errno = EIO;
      return -1;
    } else if (errno != EINTR) {
      return -1;
    }
  }
  return static_cast<int32_t>(done);
}

int32_t NativeLRead(HFILE file, void* buffer, uint32_t count) {
  return ReadFully(file, buffer, count);
}

int32_t NativeHRead(HFILE file, void* buffer, int32_t count) {
  if (count < 0) {
    errno = EINVAL;
    return -1;
  }
  return ReadFully(file, buffer, static_cast<uint64_t>(count));
}

int32_t NativeLWrite(HFILE file, const void* buffer, uint32_t count) {
  return WriteFully(file, buffer, count);
}

int32_t NativeHWrite(HFILE file, const void* buffer, int32_t count) {
  if (count < 0) {
    errno = EINVAL;
    return -1;
  }
  return WriteFully(file, buffer, static_cast<uint64_t>(count));
}

// The target is computed first and the position moved only when the target
// fits a signed 32-bit value, so a failed seek leaves the position alone.
int32_t NativeSeek(HFILE file, int32_t offset, int32_t origin) {
  if (HandleRights(file) == 0) {
    errno = EBADF;
    return -1;
  }
  int64_t base;
  if (origin == kSeekSet) {
    base = 0;
  } else if (origin == kSeekCurrent) {
    base = lseek(file, 0, SEEK_CUR);
  } else if (origin == kSeekEnd) {
    struct stat info;
    base = fstat(file, &info) == 0 ? info.st_size : -1;
  } else {
    errno = EINVAL;
    return -1;
  }
  if (base < 0) return -1;
  const int64_t target = base + offset;
  if (target < 0 || target > INT32_MAX) {
    errno = EINVAL;
    return -1;
  }
  if (lseek(file, target, SEEK_SET) < 0) return -1;
  return static_cast<int32_t>(target);
}

// Closing releases the sharing locks with the description. close() is not
// retried after EINTR: Linux has released the descriptor by then.
HFILE NativeClose(HFILE file) {
  if (!posix::UnregisterHandle(file)) {
    errno = EBADF;
    return HFILE_ERROR;
  }
  return close(file) == 0 ? 0 : HFILE_ERROR;
}

int32_t NativeFlush(HFILE file) {
  if (HandleRights(file) == 0) {
    errno = EBADF;
    return -1;
  }
  int result;
  do {
    result = fsync(file);
  } while (result != 0 && errno == EINTR);
  return result == 0 ? 0 : -1;
}

int32_t NativeAccess(const char* path, int32_t mode) {
  if (!ValidPath(path)) return -1;
  int how;
  switch (mode) {
    case 0: how = F_OK; break;
    case 2: how = W_OK; break;
    case 4: how = R_OK; break;
    case 6: how = R_OK | W_OK; break;
    default:
      errno = EINVAL;
      return -1;
  }
  return access(path, how) == 0 ? 0 : -1;
}

// A descriptor on the file a name denotes, opened only to look at its
// sharing locks. The name itself is probed (O_NOFOLLOW): deleting or renaming
// a symbolic link does not touch the file it points to. `fd` is -1 when the
// name could not be opened; such a file cannot be held by a handle either,
// except when its permissions changed after the handle was opened.
class NameProbe {
 public:
  explicit NameProbe(const char* path) : fd_(-1), device_(0), inode_(0) {
    do {
      fd_ = open(path,
                 O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd_ < 0 && errno == EINTR);
    struct stat info;
    if (fd_ >= 0 && fstat(fd_, &info) == 0) {
      device_ = info.st_dev;
      inode_ = info.st_ino;
    }
  }
  ~NameProbe() {
    if (fd_ >= 0) CloseQuietly(fd_);
  }
  NameProbe(const NameProbe&) = delete;
  NameProbe& operator=(const NameProbe&) = delete;

  int fd() const { return fd_; }
  bool SameFileAs(const NameProbe& other) const {
    return device_ == other.device_ && inode_ == other.inode_;
  }
  bool OrderedBefore(const NameProbe& other) const {
    return device_ != other.device_ ? device_ < other.device_
                                    : inode_ < other.inode_;
  }

 private:
  int fd_;
  dev_t device_;
  ino_t inode_;
};

// With the probe's gate held: 1 when the name still denotes the probed file
// and no handle holds it, 0 when the name moved, -1 when held (EACCES) or on
// error. A name that could not be probed passes.
int NameFree(const char* path, const NameProbe& probe) {
  if (probe.fd() < 0) return 1;
  int named = NamesDescriptor(path, probe.fd(), false);
  if (named <= 0) return named;
  int held = posix::HeldByOthers(probe.fd());
  if (held != 0) {
    if (held > 0) errno = EACCES;
    return -1;
  }
  return 1;
}

int32_t NativeUnlink(const char* path) {
  if (!ValidPath(path)) return -1;
  for (int attempt = 0; attempt < kNameRaceAttempts; ++attempt) {
    NameProbe probe(path);
    if (probe.fd() < 0) return unlink(path) == 0 ? 0 : -1;
    posix::SharingGate gate(probe.fd());
    if (!gate.held()) return -1;
    int state = NameFree(path, probe);
    if (state < 0) return -1;
    if (state > 0) return unlink(path) == 0 ? 0 : -1;
  }
  errno = EBUSY;
  return -1;
}

// Both names are checked: Win32 refuses to rename a file that a handle
// holds as well as to replace one. Gates are taken in inode order, so two
// renames in opposite directions cannot wait for each other.
int32_t NativeRename(const char* from, const char* to) {
  if (!ValidPath(from) || !ValidPath(to)) return -1;
  for (int attempt = 0; attempt < kNameRaceAttempts; ++attempt) {
    NameProbe source(from);
    NameProbe target(to);
    const bool one_file = source.fd() >= 0 && target.fd() >= 0 &&
                          source.SameFileAs(target);
    const NameProbe* first = &source;
    const NameProbe* second = &target;
    if (target.fd() >= 0 &&
        (source.fd() < 0 || target.OrderedBefore(source))) {
      first = &target;
      second = &source;
    }
    posix::SharingGate first_gate(first->fd());
    if (first->fd() >= 0 && !first_gate.held()) return -1;
    posix::SharingGate second_gate(one_file ? -1 : second->fd());
    if (!one_file && second->fd() >= 0 && !second_gate.held()) return -1;
    int source_free = NameFree(from, source);
    if (source_free < 0) return -1;
    int target_free = NameFree(to, target);
    if (target_free < 0) return -1;
    if (source_free > 0 && target_free > 0) {
      return ::rename(from, to) == 0 ? 0 : -1;
    }
  }
  errno = EBUSY;
  return -1;
}

int32_t NativeLink(const char* existing, const char* link_path) {
  if (!ValidPath(existing) || !ValidPath(link_path)) return -1;
  return link(existing, link_path) == 0 ? 0 : -1;
}

int32_t NativeSyncDirectory(const char* path) {
  if (!ValidPath(path)) return -1;
  char directory[kMaxPath];
  const char* slash = strrchr(path, '/');
  if (slash == nullptr) {
    strcpy(directory, ".");
  } else if (slash == path) {
    strcpy(directory, "/");
  } else {
    const size_t length = static_cast<size_t>(slash - path);
    memcpy(directory, path, length);
    directory[length] = '\0';
  }
  int fd;
  do {
    fd = open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  int result;
  do {
    result = fsync(fd);
  } while (result != 0 && errno == EINTR);
  CloseQuietly(fd);
  return result == 0 ? 0 : -1;
}

int32_t NativeIsBadReadPtr(const void* pointer, uintptr_t count) {
  return posix::RangeAccessible(pointer, count, false) ? 0 : 1;
}

int32_t NativeIsBadWritePtr(void* pointer, uintptr_t count) {
  return posix::RangeAccessible(pointer, count, true) ? 0 : 1;
}

const Api kNativeApi = {
    NativeOpen,          NativeCreate,        NativeLRead,
    NativeHRead,         NativeLWrite,        NativeHWrite,
    NativeSeek,          NativeClose,         NativeFlush,
    NativeAccess,        NativeUnlink,        NativeRename,
    NativeLink,          NativeSyncDirectory, NativeIsBadReadPtr,
    NativeIsBadWritePtr, CAlloc,              CRealloc,
    CFree,
};

int LowerAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
}

}  // namespace

const Api& NativeApi() { return kNativeApi; }

int lstrcmpiA(const char* a, const char* b) {
  const unsigned char* left = reinterpret_cast<const unsigned char*>(a);
  const unsigned char* right = reinterpret_cast<const unsigned char*>(b);
  for (;; ++left, ++right) {
    const int difference = LowerAscii(*left) - LowerAscii(*right);
    if (difference != 0 || *left == '\0') return difference;
  }
}

bool IsPathSeparator(char c) { return c == '/'; }

}  // namespace platform
}  // namespace orv
