#include "streams/out_stream.h"

#include <string.h>

#include "com/iids.h"
#include "platform/platform.h"
#include "storage/coding.h"
#include "storage/orv_entry.h"
#include "streams/envelope_format.h"
#include "streams/persist_pointer.h"
#include "streams/record_format.h"

namespace {

// The first buffer, and the unit in which later growth is rounded up.
constexpr uint32_t kFirstCapacity = 4096;
constexpr uint64_t kGrowthUnit = 1024;

uint64_t RoundUpToGrowthUnit(uint64_t bytes) {
  return (bytes + kGrowthUnit - 1) / kGrowthUnit * kGrowthUnit;
}

}  // namespace

CJOutStream::CJOutStream(CORVEntry* entry) : CUnknown(nullptr), entry_(entry) {
  // Through IORVEntry, so the owner list's lockCount counts this reference.
  static_cast<IORVEntry*>(entry_)->AddRef();
}

CJOutStream::~CJOutStream() {
  // The entry takes the buffer over; a stream that never wrote hands over no
  // buffer and the length 1.
  entry_->SetData(buffer_, length_);
  static_cast<IORVEntry*>(entry_)->Release();
}

IUnknown* CJOutStream::FindInterface(REFIID iid) {
  if (IsEqualGUID(iid, IID_IJOutStream)) return static_cast<IJOutStream*>(this);
  if (IsEqualGUID(iid, IID_IORVStream)) return static_cast<IORVStream*>(this);
  return nullptr;
}

HRESULT CJOutStream::Grow(uint32_t count) {
  const uint64_t needed = uint64_t{length_} + count;
  if (needed > UINT32_MAX) return E_OUTOFMEMORY;
  uint64_t capacity;
  if (buffer_ == nullptr) {
    // A first write larger than the first block gets room for all of it.
    capacity = kFirstCapacity;
    if (needed > capacity) capacity = RoundUpToGrowthUnit(needed);
  } else {
    // Growth follows the size of this write, not the shortfall; since
    // length_ <= capacity_ it always leaves room for the whole write.
    capacity = capacity_ + RoundUpToGrowthUnit(count);
  }
  // Near the 32-bit limit the rounding may overshoot; `needed` still fits.
  if (capacity > UINT32_MAX) capacity = UINT32_MAX;

  void* grown = buffer_ == nullptr
                    ? orv::platform::Alloc(static_cast<size_t>(capacity))
                    : orv::platform::Realloc(buffer_,
                                             static_cast<size_t>(capacity));
  if (grown == nullptr) return E_OUTOFMEMORY;
  if (buffer_ == nullptr) {
    static_cast<uint8_t*>(grown)[0] = orv::envelope::kPlainFlag;
  }
  buffer_ = static_cast<uint8_t*>(grown);
  capacity_ = static_cast<uint32_t>(capacity);
  return S_OK;
}

HRESULT CJOutStream::Append(const void* source, uint32_t count) {
  if (uint64_t{length_} + count > capacity_) {
    HRESULT grown = Grow(count);
    if (grown != S_OK) return grown;
  }
  if (count != 0) memcpy(buffer_ + length_, source, count);
  length_ += count;
  return S_OK;
}

// A write the envelope's 32-bit length cannot hold is refused before the
// source is looked at: nothing could be copied anyway.
HRESULT ORV_STDCALL CJOutStream::Write(const void* source, uint32_t count) {
  if (uint64_t{length_} + count > UINT32_MAX) return E_OUTOFMEMORY;
  if (orv::platform::IsBadReadPtr(source, count)) return E_POINTER;
  return Append(source, count);
}

// The header goes in with one append, so a failed allocation leaves no
// partial header behind. The body length is patched in once Save has
// written the whole body, nested records included.
ORV_CALLS_HOST_OBJECTS
HRESULT ORV_STDCALL CJOutStream::WriteObject(IJPersist* object) {
  if (orv::IsBadPersistPtr(object)) return E_POINTER;
  const uint32_t start = length_;
  GUID classId;
  HRESULT result = object->GetClassID(&classId);
  if (result != S_OK) return result;
  uint16_t version = 0;
  result = object->GetVersion(&version);
  if (result != S_OK) return result;

  uint8_t header[orv::record::kHeaderSize] = {};
  memcpy(header + orv::record::kClassIdOffset, &classId, sizeof(classId));
  orv::EncodeU16(header + orv::record::kVersionOffset, version);
  result = Append(header, sizeof(header));
  if (result != S_OK) return result;

  result = object->Save(static_cast<IJOutStream*>(this));
  if (result != S_OK) return result;
  const uint32_t body = length_ - start - orv::record::kHeaderSize;
  orv::EncodeU32(buffer_ + start + orv::record::kBodyLengthOffset, body);
  return S_OK;
}

HRESULT ORV_STDCALL CJOutStream::SetUserValue(uint32_t value) {
  userValue_ = value;
  return S_OK;
}

HRESULT ORV_STDCALL CJOutStream::GetUserValue(uint32_t* value) {
  if (orv::platform::IsBadWritePtr(value, sizeof(*value))) return E_POINTER;
  *value = userValue_;
  return S_OK;
}
