// The native platform table on 32-bit Windows: the classic file functions of
// kernel32 and the C run-time, with the few checks that make their results
// match the contract in platform.h on every input (counts outside the signed
// range, invalid mode words, positions beyond 2 GiB).
//
// Sharing needs no emulation here: _lopen passes its share mode to the
// system, and no handle of the classic functions grants delete sharing, so
// the system itself refuses to delete, rename or replace a file that a
// handle holds. A handle is the Win32 file handle's value, never 0.
#include <string.h>

#include "platform/c_allocation.h"
#include "platform/open_mode.h"
#include "platform/platform.h"
#include "platform/system_win32.h"

namespace orv {
namespace platform {
namespace {

bool ValidPath(const char* path) {
  return path != nullptr && strnlen(path, kMaxPath) < kMaxPath;
}

HFILE NativeOpen(const char* path, int32_t mode) {
  OpenRequest request;
  if (!ValidPath(path) || !DecodeOpenMode(mode, &request)) {
    return HFILE_ERROR;
  }
  return win32::Open(path, mode);
}

HFILE NativeCreate(const char* path, int32_t attribute) {
  if (!ValidPath(path)) return HFILE_ERROR;
  return win32::Create(path, attribute);
}

// The system reads files whole, but a handle can be a pipe: loop until
// `count` bytes arrived or the end came.
int32_t ReadFully(HFILE file, void* buffer, int64_t count) {
  if (count < 0 || count > INT32_MAX) return -1;
  if (count == 0) return win32::Read(file, buffer, 0) == 0 ? 0 : -1;
  char* bytes = static_cast<char*>(buffer);
  int32_t done = 0;
  while (done < count) {
    int32_t n = win32::Read(file, bytes + done,
                            static_cast<int32_t>(count - done));
    if (n < 0) return -1;
    if (n == 0) break;
    done += n;
  }
  return done;
}

// A count of 0 reaches the system, which cuts or extends the file at the
// current position.
int32_t WriteFully(HFILE file, const void* buffer, int64_t count) {
  if (count < 0 || count > INT32_MAX) return -1;
  if (count == 0) return win32::Write(file, buffer, 0) == 0 ? 0 : -1;
  const char* bytes = static_cast<const char*>(buffer);
  int32_t done = 0;
  while (done < count) {
    int32_t n = win32::Write(file, bytes + done,
                             static_cast<int32_t>(count - done));
    if (n <= 0) return -1;
    done += n;
  }
  return done;
}

int32_t NativeLRead(HFILE file, void* buffer, uint32_t count) {
  return ReadFully(file, buffer, count);
}

int32_t NativeHRead(HFILE file, void* buffer, int32_t count) {
  return ReadFully(file, buffer, count);
}

int32_t NativeLWrite(HFILE file, const void* buffer, uint32_t count) {
  return WriteFully(file, buffer, count);
}

int32_t NativeHWrite(HFILE file, const void* buffer, int32_t count) {
  return WriteFully(file, buffer, count);
}

// _llseek reports positions as unsigned 32-bit values: one between 2 GiB
// and 4 GiB comes back negative but is not -1. Such a position does not fit
// the contract, so the old position is restored and the seek fails.
int32_t NativeSeek(HFILE file, int32_t offset, int32_t origin) {
  if (origin != kSeekSet && origin != kSeekCurrent && origin != kSeekEnd) {
    return -1;
  }
  const int32_t previous = win32::Seek(file, 0, kSeekCurrent);
  if (previous < 0) return -1;
  const int32_t position = win32::Seek(file, offset, origin);
  if (position >= 0) return position;
  win32::Seek(file, previous, kSeekSet);
  return -1;
}

HFILE NativeClose(HFILE file) { return win32::Close(file); }

int32_t NativeFlush(HFILE file) { return win32::Flush(file) ? 0 : -1; }

// Other modes would reach the run-time's invalid-parameter handler.
int32_t NativeAccess(const char* path, int32_t mode) {
  if (!ValidPath(path)) return -1;
  if (mode != 0 && mode != 2 && mode != 4 && mode != 6) return -1;
  return win32::Access(path, mode) == 0 ? 0 : -1;
}

int32_t NativeUnlink(const char* path) {
  return ValidPath(path) && win32::Delete(path) ? 0 : -1;
}

int32_t NativeRename(const char* from, const char* to) {
  return ValidPath(from) && ValidPath(to) && win32::Move(from, to) ? 0 : -1;
}

int32_t NativeLink(const char* existing, const char* link) {
  return ValidPath(existing) && ValidPath(link) &&
                 win32::HardLink(existing, link)
             ? 0
             : -1;
}

// MOVEFILE_WRITE_THROUGH already makes a rename durable before it returns,
// and the system keeps directory entries itself: nothing is left to do.
int32_t NativeSyncDirectory(const char* path) {
  return ValidPath(path) ? 0 : -1;
}

int32_t NativeIsBadReadPtr(const void* pointer, uintptr_t count) {
  return win32::BadReadPointer(pointer, count) ? 1 : 0;
}

int32_t NativeIsBadWritePtr(void* pointer, uintptr_t count) {
  return win32::BadWritePointer(pointer, count) ? 1 : 0;
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

}  // namespace

const Api& NativeApi() { return kNativeApi; }

int lstrcmpiA(const char* a, const char* b) {
  return win32::CompareNoCase(a, b);
}

bool IsPathSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

}  // namespace platform
}  // namespace orv
