// Thin forwarding to kernel32 and the C run-time; see system_win32.h for why
// this file is separate from platform_win32.cc.
#include "platform/system_win32.h"

#include <io.h>
#include <windows.h>

namespace orv {
namespace platform {
namespace win32 {
namespace {

// A handle from _lopen or _lcreat is the Win32 file handle's value.
HANDLE AsHandle(int32_t file) {
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(file));
}

}  // namespace

int32_t Open(const char* path, int32_t mode) { return ::_lopen(path, mode); }

int32_t Create(const char* path, int32_t attribute) {
  return ::_lcreat(path, attribute);
}

int32_t Read(int32_t file, void* buffer, int32_t count) {
  return ::_hread(file, buffer, count);
}

int32_t Write(int32_t file, const void* buffer, int32_t count) {
  return ::_hwrite(file, static_cast<const char*>(buffer), count);
}

int32_t Seek(int32_t file, int32_t offset, int32_t origin) {
  return ::_llseek(file, offset, origin);
}

int32_t Close(int32_t file) { return ::_lclose(file); }

bool Flush(int32_t file) { return ::FlushFileBuffers(AsHandle(file)) != 0; }

int32_t Access(const char* path, int32_t mode) { return ::_access(path, mode); }

bool Delete(const char* path) { return ::DeleteFileA(path) != 0; }

bool Move(const char* from, const char* to) {
  return ::MoveFileExA(from, to,
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool HardLink(const char* existing, const char* link) {
  return ::CreateHardLinkA(link, existing, nullptr) != 0;
}

bool BadReadPointer(const void* pointer, uintptr_t count) {
  return ::IsBadReadPtr(pointer, count) != 0;
}

bool BadWritePointer(void* pointer, uintptr_t count) {
  return ::IsBadWritePtr(pointer, count) != 0;
}

int CompareNoCase(const char* a, const char* b) { return ::lstrcmpiA(a, b); }

}  // namespace win32
}  // namespace platform
}  // namespace orv
