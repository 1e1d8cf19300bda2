// The Win32 calls behind the native Win32 platform table, declared with
// fixed-width types only.
//
// <windows.h> declares its own HRESULT, GUID and result-code macros, which
// clash with com/types.h, so no translation unit can include both. This
// header keeps the two apart: system_win32.cc includes <windows.h> and
// nothing of ours but this, and platform_win32.cc includes platform.h and
// this. Each function is the system call of the same classic name, with the
// system's result passed on.
#ifndef ORV_PLATFORM_SYSTEM_WIN32_H_
#define ORV_PLATFORM_SYSTEM_WIN32_H_

#include <stddef.h>
#include <stdint.h>

namespace orv {
namespace platform {
namespace win32 {

// _lopen, _lcreat, _hread, _hwrite, _llseek, _lclose.
int32_t Open(const char* path, int32_t mode);
int32_t Create(const char* path, int32_t attribute);
int32_t Read(int32_t file, void* buffer, int32_t count);
int32_t Write(int32_t file, const void* buffer, int32_t count);
int32_t Seek(int32_t file, int32_t offset, int32_t origin);
int32_t Close(int32_t file);
// FlushFileBuffers on the handle.
bool Flush(int32_t file);
// _access.
int32_t Access(const char* path, int32_t mode);
// DeleteFileA.
bool Delete(const char* path);
// MoveFileExA, replacing an existing `to`, flushed before it returns.
bool Move(const char* from, const char* to);
// CreateHardLinkA.
bool HardLink(const char* existing, const char* link);
// IsBadReadPtr, IsBadWritePtr.
bool BadReadPointer(const void* pointer, uintptr_t count);
bool BadWritePointer(void* pointer, uintptr_t count);
// lstrcmpiA.
int CompareNoCase(const char* a, const char* b);

}  // namespace win32
}  // namespace platform
}  // namespace orv

#endif  // ORV_PLATFORM_SYSTEM_WIN32_H_
