// The platform seam: every file access, byte-buffer allocation and pointer
// validation of the module goes through the functions declared here.
//
// The calls are routed through one table of function pointers. The build
// compiles exactly one native table (platform_posix.cc or platform_win32.cc);
// tests swap in doubles (an in-memory file system, a fault injector, a
// pointer checker) with a ScopedApi guard. Only the native implementations
// include operating-system headers.
//
// The file functions keep the meanings of the classic handle-based file API:
// a handle is a 32-bit value, HFILE_ERROR (-1) is the only failed result and
// is never stored, and 0 is never a valid handle (callers store 0 for "no
// file open").
#ifndef ORV_PLATFORM_PLATFORM_H_
#define ORV_PLATFORM_PLATFORM_H_

#include <stddef.h>
#include <stdint.h>

#include "com/types.h"

namespace orv {
namespace platform {

// _lopen mode word: access in the low two bits, sharing in bits 4 to 6.
constexpr int32_t kOpenRead = 0x00;
constexpr int32_t kOpenWrite = 0x01;
constexpr int32_t kOpenReadWrite = 0x02;
constexpr int32_t kAccessMask = 0x03;
constexpr int32_t kShareCompat = 0x00;     // others may read and write
constexpr int32_t kShareExclusive = 0x10;  // others may do neither
constexpr int32_t kShareDenyWrite = 0x20;  // others may read only
constexpr int32_t kShareDenyRead = 0x30;   // others may write only
constexpr int32_t kShareDenyNone = 0x40;   // others may read and write
constexpr int32_t kShareMask = 0x70;

// _llseek origins.
constexpr int32_t kSeekSet = 0;
constexpr int32_t kSeekCurrent = 1;
constexpr int32_t kSeekEnd = 2;

// Longest path, terminator included, that the platform accepts: the Win32
// MAX_PATH, or PATH_MAX on POSIX systems.
#if defined(_WIN32)
constexpr size_t kMaxPath = 260;
#else
constexpr size_t kMaxPath = 4096;
#endif

struct Api {
  // Opens an existing file (not a directory); HFILE_ERROR on failure, also
  // for a mode word with an access value of 3, a sharing value above 0x40 or
  // a bit outside those two fields. Share modes are honoured among all
  // handles of all processes that use this layer, by the rule in
  // platform/open_mode.h: an open fails when it wants an access that another
  // handle refuses, or refuses an access that another handle has. So an open
  // that asks for write access while another handle denies writing fails, and
  // so does one that denies writing while another handle can write.
  HFILE (*lopen)(const char* path, int32_t mode);
  // Creates a file, or empties an existing one, open for reading and writing
  // with no sharing restriction. Fails, leaving an existing file untouched,
  // when another handle refuses reading or writing to it.
  HFILE (*lcreat)(const char* path, int32_t attribute);
  // Read up to `count` bytes at the current position; the number read (fewer
  // only at the end of the file) or -1. Short transfers are retried inside.
  // A count of 0 reads nothing and gives 0. Fails for a count above
  // INT32_MAX (negative for hread) and on a handle opened without read
  // access.
  int32_t (*lread)(HFILE file, void* buffer, uint32_t count);
  int32_t (*hread)(HFILE file, void* buffer, int32_t count);
  // Write `count` bytes at the current position; the number written or -1.
  // A count of 0 cuts or extends the file at the current position, as on
  // the classic API; callers that mean to write nothing must not call.
  // Fails for a count above INT32_MAX (negative for hwrite) and on a handle
  // opened without write access.
  int32_t (*lwrite)(HFILE file, const void* buffer, uint32_t count);
  int32_t (*hwrite)(HFILE file, const void* buffer, int32_t count);
  // Moves the position; returns the new position or -1. Positions are 32-bit
  // signed: a position that does not fit is a failure, and a failed seek
  // leaves the position where it was.
  int32_t (*llseek)(HFILE file, int32_t offset, int32_t origin);
  // Closes the handle: 0, or HFILE_ERROR when the system reported a failure
  // (the handle is gone in both cases).
  HFILE (*lclose)(HFILE file);
  // Puts the file's data on stable storage; 0 on success, -1 on failure.
  int32_t (*flush)(HFILE file);
  // 0 when `path` exists (mode 0) or is accessible in `mode`, else -1.
  int32_t (*access)(const char* path, int32_t mode);
  // Deletes a file; 0 or -1. Fails while any handle holds the file open:
  // handles never grant delete sharing.
  int32_t (*unlink)(const char* path);
  // Atomically makes `to` name the file that `from` names, replacing an
  // existing `to` without a moment in which `to` names nothing. Fails, with
  // both names unchanged, while any handle holds `from` or `to` open. 0 or
  // -1.
  int32_t (*rename)(const char* from, const char* to);
  // Makes `link` a second name of the file `existing` names; fails when
  // `link` exists. 0 or -1.
  int32_t (*link)(const char* existing, const char* link);
  // Puts the directory entries of the directory holding `path` on stable
  // storage, after a rename or link in it. 0 or -1.
  int32_t (*syncDirectory)(const char* path);
  // Non-zero when `count` bytes at `pointer` cannot be read (written) by the
  // caller; a count of 0 always passes, a null pointer or a range that wraps
  // around the address space fails otherwise. Detection never faults and
  // leaves the memory as it was (a write check may store back the value it
  // read, so it must not race with another thread writing the range).
  int32_t (*isBadReadPtr)(const void* pointer, uintptr_t count);
  int32_t (*isBadWritePtr)(void* pointer, uintptr_t count);
  // Byte buffers (names, payloads, stream buffers) and component objects.
  // Null on failure; a failed realloc leaves `block` valid and unchanged.
  // A size of 0 gives a valid block, also from realloc, which never frees.
  // Free accepts null.
  void* (*alloc)(size_t size);
  void* (*realloc)(void* block, size_t size);
  void (*free)(void* block);
};

// The implementation the build compiled.
const Api& NativeApi();
// The table in use: NativeApi() unless a ScopedApi is active.
const Api& CurrentApi();

// Installs `api` for the guard's lifetime and restores the previous table
// afterwards. The table must outlive the guard. Guards nest.
class ScopedApi {
 public:
  explicit ScopedApi(const Api& api);
  ~ScopedApi();
  ScopedApi(const ScopedApi&) = delete;
  ScopedApi& operator=(const ScopedApi&) = delete;

 private:
  const Api* previous_;
};

// The classic names, dispatched through the current table.
inline HFILE _lopen(const char* path, int32_t mode) {
  return CurrentApi().lopen(path, mode);
}
inline HFILE _lcreat(const char* path, int32_t attribute) {
  return CurrentApi().lcreat(path, attribute);
}
inline int32_t _lread(HFILE file, void* buffer, uint32_t count) {
  return CurrentApi().lread(file, buffer, count);
}
inline int32_t _hread(HFILE file, void* buffer, int32_t count) {
  return CurrentApi().hread(file, buffer, count);
}
inline int32_t _lwrite(HFILE file, const void* buffer, uint32_t count) {
  return CurrentApi().lwrite(file, buffer, count);
}
inline int32_t _hwrite(HFILE file, const void* buffer, int32_t count) {
  return CurrentApi().hwrite(file, buffer, count);
}
inline int32_t _llseek(HFILE file, int32_t offset, int32_t origin) {
  return CurrentApi().llseek(file, offset, origin);
}
inline HFILE _lclose(HFILE file) { return CurrentApi().lclose(file); }
inline int32_t FlushFile(HFILE file) { return CurrentApi().flush(file); }
inline int32_t _access(const char* path, int32_t mode) {
  return CurrentApi().access(path, mode);
}
inline int32_t _unlink(const char* path) { return CurrentApi().unlink(path); }
inline int32_t rename(const char* from, const char* to) {
  return CurrentApi().rename(from, to);
}
inline int32_t LinkFile(const char* existing, const char* link) {
  return CurrentApi().link(existing, link);
}
inline int32_t SyncDirectory(const char* path) {
  return CurrentApi().syncDirectory(path);
}
inline bool IsBadReadPtr(const void* pointer, uintptr_t count) {
  return CurrentApi().isBadReadPtr(pointer, count) != 0;
}
inline bool IsBadWritePtr(void* pointer, uintptr_t count) {
  return CurrentApi().isBadWritePtr(pointer, count) != 0;
}
inline void* Alloc(size_t size) { return CurrentApi().alloc(size); }
inline void* Realloc(void* block, size_t size) {
  return CurrentApi().realloc(block, size);
}
inline void Free(void* block) { CurrentApi().free(block); }

// Length of the NUL-terminated text at `text`, found without reading an
// unreadable byte; -1 when the text cannot be read up to its terminator or
// has no terminator within its first `limit` bytes.
int64_t CheckedStringLength(const char* text, size_t limit);

// Case-insensitive comparison of two NUL-terminated 8-bit texts, as the
// platform compares file names: 0 when equal.
int lstrcmpiA(const char* a, const char* b);

// True for the characters that separate path components on this platform.
bool IsPathSeparator(char c);

}  // namespace platform
}  // namespace orv

#endif  // ORV_PLATFORM_PLATFORM_H_
