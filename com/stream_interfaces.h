// The payload stream interfaces and the persistence contract of host objects.
// Slot order is binding (see orv_interfaces.h).
//
// Object record, the unit of IJPersist persistence (all integers
// little-endian, no padding):
//   u32  body length  bytes that follow the 22-byte header
//   16   class id     GUID in its in-memory byte order
//   u16  version
//   ...  body         plain bytes and nested records, as the object wrote them
// A nested record counts with its full size in the body of its container.
#ifndef ORV_COM_STREAM_INTERFACES_H_
#define ORV_COM_STREAM_INTERFACES_H_

#include "com/unknown.h"

struct IJInStream;
struct IJOutStream;

// Implemented by the host's persistable objects. Any result other than 0,
// positive values included, counts as a failure and is passed back unchanged.
// The streams take no reference on the object and lend it their own
// interface for the duration of the call only.
struct IJPersist : IUnknown {
  virtual HRESULT ORV_STDCALL GetClassID(GUID* classId) = 0;
  virtual HRESULT ORV_STDCALL GetVersion(uint16_t* version) = 0;
  // Reads the record body through `stream`; the body counts as read once its
  // remaining count is 0.
  virtual HRESULT ORV_STDCALL Load(IJInStream* stream, uint16_t version) = 0;
  virtual HRESULT ORV_STDCALL Save(IJOutStream* stream) = 0;

 protected:
  ~IJPersist() = default;
};

struct IJInStream : IUnknown {
  // Copies `length` bytes to `destination`. E_POINTER when the destination is
  // not writable; E_INVALIDARG, nothing consumed, when the current record has
  // fewer body bytes left; E_FAIL when the buffer has fewer bytes left.
  virtual HRESULT ORV_STDCALL Read(void* destination, uint32_t length) = 0;
  // Reads one record header and has `object` load the body. 0, E_FAIL (short
  // header, or body left partly unread, which is then skipped), or the
  // object's own failure.
  virtual HRESULT ORV_STDCALL ReadObject(IJPersist* object) = 0;
  // Class id of the record starting at the current position, inside a record
  // only; E_FAIL (and sixteen zero bytes) otherwise. Consumes nothing.
  virtual HRESULT ORV_STDCALL PeekClassID(GUID* classId) = 0;
  // Bytes left in the current record's body, or in the buffer at top level.
  // E_POINTER when `remaining` is not writable.
  virtual HRESULT ORV_STDCALL GetRemaining(uint32_t* remaining) = 0;
  // Class id of the record being loaded; the null GUID at top level.
  virtual HRESULT ORV_STDCALL GetClassID(GUID* classId) = 0;

 protected:
  ~IJInStream() = default;
};

struct IJOutStream : IUnknown {
  // Appends `count` bytes. E_OUTOFMEMORY leaves the collected bytes unchanged.
  virtual HRESULT ORV_STDCALL Write(const void* source, uint32_t count) = 0;
  // Appends one record whose body `object` writes through its Save. Returns
  // 0 or the first failure among the object's calls and the stream's writes.
  virtual HRESULT ORV_STDCALL WriteObject(IJPersist* object) = 0;

 protected:
  ~IJOutStream() = default;
};

// A value the host keeps on either stream; nothing in the module reads it.
struct IORVStream : IUnknown {
  virtual HRESULT ORV_STDCALL SetUserValue(uint32_t value) = 0;
  virtual HRESULT ORV_STDCALL GetUserValue(uint32_t* value) = 0;

 protected:
  ~IORVStream() = default;
};

#endif  // ORV_COM_STREAM_INTERFACES_H_
