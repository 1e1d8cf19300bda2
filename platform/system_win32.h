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

int32_t Open(const char* path, int32_t mode);                 // _lopen
int32_t Create(const char* path, int32_t attribute);          // _lcreat
int32_t Read(int32_t file, void* buffer, int32_t count);      // _hread
int32_t Write(int32_t file, const void* buffer, int32_t count);  // _hwrite
int32_t Seek(int32_t file, int32_t offset, int32_t origin);   // _llseek
int32_t Close(int32_t file);                                  // _lclose
bool Flush(int32_t file);                                     // FlushFileBuffers
int32_t Access(const char* path, int32_t mode);               // _access
bool Delete(const char* path);                                // DeleteFileA
bool Move(const char* from, const char* to);  // MoveFileExA, replace + write through
bool HardLink(const char* existing, const char* link);        // CreateHardLinkA
bool BadReadPointer(const void* pointer, uintptr_t count);    // IsBadReadPtr
bool BadWritePointer(void* pointer, uintptr_t count);         // IsBadWritePtr
int CompareNoCase(const char* a, const char* b);              // lstrcmpiA

}  // namespace win32
}  // namespace platform
}  // namespace orv

#endif  // ORV_PLATFORM_SYSTEM_WIN32_H_
