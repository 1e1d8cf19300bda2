// CJInStream: the memory stream through which the host reads one entry's
// payload, as plain bytes and as nested object records (com/
// stream_interfaces.h gives the record layout).
//
// A plain envelope is read in place from offset 1; a compressed one is
// inflated into a buffer of the stream's own at creation. The stream never
// writes into its buffer. Invariant: position <= size; inside a record,
// every read is charged to the innermost record's remaining count, and no
// read ever goes past `size`.
//
// Records nest: every record lies inside the body of the record around it.
// ReadObject refuses, with E_FAIL and without calling Load, a nested header
// when fewer than 22 bytes of the enclosing body are left (nothing is
// consumed), and a nested record that declares more than the enclosing body
// has left (its header is consumed and charged, so the enclosing count never
// wraps). A record at the top level may claim more than the buffer holds:
// reads stop at `size` and the skip of an unread rest stops there too. A
// header cut short by the end of the buffer gives E_FAIL, keeps the fields
// read so far consumed, charges nothing and leaves the class id in force.
//
// Every out pointer and destination is checked (E_POINTER, nothing
// consumed), and so is the IJPersist pointer that ReadObject is given: null,
// or an object or table that cannot be read, gives E_POINTER before
// anything is read.
#ifndef ORV_STREAMS_IN_STREAM_H_
#define ORV_STREAMS_IN_STREAM_H_

#include "com/cunknown.h"
#include "com/stream_interfaces.h"

class CJInStream : public CUnknown, public IJInStream, public IORVStream {
 public:
  // Makes a stream over the envelope `buffer` of `size` bytes. With `owned`
  // the stream takes the buffer over in every case: it keeps it (plain), or
  // frees it once inflated (compressed), or frees it when creation fails.
  // Without `owned` the buffer stays the caller's; a plain one must then stay
  // alive and unchanged until the stream is destroyed, a compressed one is
  // not used after this returns. S_OK with `*stream` (count 0; the caller
  // takes the first reference); E_FAIL for a damaged envelope (empty, or a
  // compressed one the inflate step refuses); E_OUTOFMEMORY.
  static HRESULT Create(uint8_t* buffer, uint32_t size, bool owned,
                        CJInStream** stream);
  ~CJInStream() override;

  ORV_DELEGATING_UNKNOWN()
  IUnknown* FindInterface(REFIID iid) override;

  // IJInStream.
  HRESULT ORV_STDCALL Read(void* destination, uint32_t length) override;
  HRESULT ORV_STDCALL ReadObject(IJPersist* object) override;
  HRESULT ORV_STDCALL PeekClassID(GUID* classId) override;
  HRESULT ORV_STDCALL GetRemaining(uint32_t* remaining) override;
  HRESULT ORV_STDCALL GetClassID(GUID* classId) override;

  // IORVStream.
  HRESULT ORV_STDCALL SetUserValue(uint32_t value) override;
  HRESULT ORV_STDCALL GetUserValue(uint32_t* value) override;

 private:
  CJInStream(uint8_t* buffer, uint32_t size, bool owned, uint32_t position);
  HRESULT ReadBytes(void* destination, uint32_t length);
  void SkipBytes(uint32_t count);

  uint8_t* buffer_;               // bytes being read
  uint32_t size_;                 // valid bytes in buffer_
  bool owned_;                    // the stream frees buffer_
  uint32_t* recordRemaining_ = nullptr;  // innermost record's count; null
                                         // at top level
  uint32_t position_;             // next byte to read; <= size_
  uint32_t userValue_ = 0;
  GUID classId_ = {};             // innermost record's class id
};

#endif  // ORV_STREAMS_IN_STREAM_H_
