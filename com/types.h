// Binary-interface types shared by the module and its hosts.
//
// These mirror the component conventions the host expects: 32-bit result
// codes, 16-byte identifiers, 32-bit file handles and the calling convention
// of interface operations. They are defined here rather than taken from
// <windows.h> so that the same declarations serve both targets; nothing
// outside platform/ includes an OS header.
#ifndef ORV_COM_TYPES_H_
#define ORV_COM_TYPES_H_

#include <stdint.h>
#include <string.h>

// Interface operations use the stdcall convention on 32-bit Windows (the
// callee pops its arguments) and the default member-call convention elsewhere.
#if defined(_WIN32)
#define ORV_STDCALL __stdcall
#else
#define ORV_STDCALL
#endif

// Result code: 0 is success, every failure is negative.
typedef int32_t HRESULT;

#define S_OK ((HRESULT)0)
#define E_FAIL ((HRESULT)0x80004005)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define E_POINTER ((HRESULT)0x80004003)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_ACCESSDENIED ((HRESULT)0x80070005)
#define E_NOINTERFACE ((HRESULT)0x80004002)

#define SUCCEEDED(hr) ((HRESULT)(hr) >= 0)
#define FAILED(hr) ((HRESULT)(hr) < 0)

// A 16-byte identifier in the standard in-memory layout: Data1 as a 32-bit
// integer, Data2 and Data3 as 16-bit integers, then eight bytes. All targets
// are little-endian, so the in-memory bytes are also the stored bytes.
struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16, "GUID must be 16 bytes");

typedef GUID IID;
typedef const IID& REFIID;

// Identifiers are compared byte for byte.
inline bool IsEqualGUID(const GUID& a, const GUID& b) {
  return memcmp(&a, &b, sizeof(GUID)) == 0;
}

// Marks a function that calls into an object the host made. Host objects are
// reached only through their slot tables and need carry no C++ type
// information (a C host builds one from a struct of function pointers), so
// the sanitizer check that a virtual call lands in an object of the declared
// C++ type does not apply to such calls.
#if defined(__clang__) || defined(__GNUC__)
#define ORV_CALLS_HOST_OBJECTS __attribute__((no_sanitize("vptr")))
#else
#define ORV_CALLS_HOST_OBJECTS
#endif

// A file handle as the classic file functions hand it out: -1 is a failed
// result, and a stored handle of 0 means "no file open".
typedef int32_t HFILE;
#define HFILE_ERROR ((HFILE)-1)

#endif  // ORV_COM_TYPES_H_
