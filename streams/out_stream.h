// CJOutStream: the memory stream through which the host writes one entry's
// payload. It collects a plain envelope (flag byte 0, then the data) in one
// growing buffer; at its last Release it hands the buffer to the entry's
// SetData, which takes it over and compresses it.
//
// Growth: the first buffer is 4096 bytes (or large enough for a larger first
// write); after that a write that does not fit grows the capacity by its own
// size rounded up to a multiple of 1024. Invariant: length == 1 + bytes
// written, length <= capacity once a buffer exists, buffer[0] == 0.
//
// Write checks its source (E_POINTER, nothing appended) after refusing a
// write that would take the envelope past 32 bits (E_OUTOFMEMORY).
// WriteObject refuses an unusable IJPersist pointer with E_POINTER and
// appends each record header in one piece, so a failed allocation leaves no
// partial header.
//
// The stream holds one counted reference on its entry (taken through the
// entry's interface, so the owner list's lockCount counts it) until it has
// handed the buffer over, so a host may release the entry first.
#ifndef ORV_STREAMS_OUT_STREAM_H_
#define ORV_STREAMS_OUT_STREAM_H_

#include "com/cunknown.h"
#include "com/stream_interfaces.h"

class CORVEntry;

class CJOutStream : public CUnknown, public IJOutStream, public IORVStream {
 public:
  // Count 0; the creator takes the first reference. Takes a reference on
  // `entry`.
  explicit CJOutStream(CORVEntry* entry);
  // Hands the collected buffer and length to the entry (no buffer and length
  // 1 when nothing was written), then drops the entry reference.
  ~CJOutStream() override;

  ORV_DELEGATING_UNKNOWN()
  IUnknown* FindInterface(REFIID iid) override;

  // IJOutStream.
  HRESULT ORV_STDCALL Write(const void* source, uint32_t count) override;
  HRESULT ORV_STDCALL WriteObject(IJPersist* object) override;

  // IORVStream.
  HRESULT ORV_STDCALL SetUserValue(uint32_t value) override;
  HRESULT ORV_STDCALL GetUserValue(uint32_t* value) override;

 private:
  // Appends `count` bytes from `source` (already validated), growing the
  // buffer first when needed. E_OUTOFMEMORY changes nothing.
  HRESULT Append(const void* source, uint32_t count);
  // Makes room for `count` more bytes by the growth rule above.
  // E_OUTOFMEMORY, nothing changed, when the allocation fails or the
  // envelope would exceed 32 bits.
  HRESULT Grow(uint32_t count);

  CORVEntry* entry_;           // counted reference until destruction
  uint8_t* buffer_ = nullptr;  // collected envelope; none before a write
  uint32_t capacity_ = 0;      // allocated size of buffer_
  uint32_t length_ = 1;        // bytes in use, flag byte included
  uint32_t userValue_ = 0;
};

#endif  // ORV_STREAMS_OUT_STREAM_H_
