#include "streams/in_stream.h"

#include <string.h>

#include "com/iids.h"
#include "platform/platform.h"
#include "storage/coding.h"
#include "streams/envelope.h"
#include "streams/envelope_format.h"
#include "streams/persist_pointer.h"
#include "streams/record_format.h"

namespace {

using orv::platform::IsBadWritePtr;
using orv::record::kBodyLengthSize;
using orv::record::kClassIdSize;
using orv::record::kHeaderSize;
using orv::record::kVersionSize;

// What PeekClassID needs of the record ahead: its body length and class id.
constexpr uint32_t kPeekSize = kBodyLengthSize + kClassIdSize;

// Frees `buffer` when the caller handed it over.
void DropIfOwned(uint8_t* buffer, bool owned) {
  if (owned) orv::platform::Free(buffer);
}

}  // namespace

HRESULT CJInStream::Create(uint8_t* buffer, uint32_t size, bool owned,
                           CJInStream** stream) {
  *stream = nullptr;
  if (buffer == nullptr || size == 0) {
    DropIfOwned(buffer, owned);
    return E_FAIL;
  }
  if (orv::IsPlainEnvelope(buffer[0])) {
    CJInStream* plain = new (std::nothrow)
        CJInStream(buffer, size, owned, orv::envelope::kFlagSize);
    if (plain == nullptr) {
      DropIfOwned(buffer, owned);
      return E_OUTOFMEMORY;
    }
    *stream = plain;
    return S_OK;
  }
  uint8_t* data = nullptr;
  uint32_t length = 0;
  HRESULT result = orv::InflateEnvelope(buffer, size, &data, &length);
  // The compressed envelope is not needed any more, whatever happened.
  DropIfOwned(buffer, owned);
  if (result != S_OK) return result;
  CJInStream* inflated = new (std::nothrow) CJInStream(data, length, true, 0);
  if (inflated == nullptr) {
    orv::platform::Free(data);
    return E_OUTOFMEMORY;
  }
  *stream = inflated;
  return S_OK;
}

CJInStream::CJInStream(uint8_t* buffer, uint32_t size, bool owned,
                       uint32_t position)
    : CUnknown(nullptr),
      buffer_(buffer),
      size_(size),
      owned_(owned),
      position_(position) {}

CJInStream::~CJInStream() { DropIfOwned(buffer_, owned_); }

IUnknown* CJInStream::FindInterface(REFIID iid) {
  if (IsEqualGUID(iid, IID_IJInStream)) return static_cast<IJInStream*>(this);
  if (IsEqualGUID(iid, IID_IORVStream)) return static_cast<IORVStream*>(this);
  return nullptr;
}

HRESULT CJInStream::ReadBytes(void* destination, uint32_t length) {
  if (length > size_ - position_) return E_FAIL;
  // memcpy with a null pointer is undefined even for 0 bytes, and an
  // inflated empty payload has no buffer.
  if (length != 0) memcpy(destination, buffer_ + position_, length);
  position_ += length;
  return S_OK;
}

void CJInStream::SkipBytes(uint32_t count) {
  const uint32_t left = size_ - position_;
  position_ += count < left ? count : left;
}

HRESULT ORV_STDCALL CJInStream::Read(void* destination, uint32_t length) {
  if (IsBadWritePtr(destination, length)) return E_POINTER;
  if (recordRemaining_ != nullptr) {
    if (length > *recordRemaining_) return E_INVALIDARG;
    // Charged before the buffer is checked: a record that claims more than
    // the buffer holds has lost those bytes either way.
    *recordRemaining_ -= length;
  }
  return ReadBytes(destination, length);
}

// Record nesting: every record lies inside the body of the record around it.
// A nested header needs 22 bytes of that body; when fewer are left nothing is
// consumed. A nested record that declares more than its container has left
// is refused after its header is read: the container is charged the 22
// header bytes and Load is not called. Either way ReadObject gives E_FAIL,
// so no reader inside a record can move past its end.
ORV_CALLS_HOST_OBJECTS
HRESULT ORV_STDCALL CJInStream::ReadObject(IJPersist* object) {
  if (orv::IsBadPersistPtr(object)) return E_POINTER;
  uint32_t* enclosing = recordRemaining_;
  if (enclosing != nullptr && *enclosing < kHeaderSize) return E_FAIL;

  // A header cut short by the end of the buffer consumes the fields read
  // before the cut and charges no record; the class id in force stays.
  uint8_t field[kClassIdSize];
  if (ReadBytes(field, kBodyLengthSize) != S_OK) return E_FAIL;
  uint32_t count = orv::DecodeU32(field);
  GUID recordClassId;
  if (ReadBytes(&recordClassId, kClassIdSize) != S_OK) return E_FAIL;
  if (ReadBytes(field, kVersionSize) != S_OK) return E_FAIL;
  const uint16_t version = orv::DecodeU16(field);

  if (enclosing != nullptr) {
    const uint64_t total = uint64_t{kHeaderSize} + count;
    if (total > *enclosing) {
      *enclosing -= kHeaderSize;
      return E_FAIL;
    }
    *enclosing -= static_cast<uint32_t>(total);
  }

  const GUID outerClassId = classId_;
  classId_ = recordClassId;
  recordRemaining_ = &count;
  const HRESULT loaded = object->Load(static_cast<IJInStream*>(this), version);
  classId_ = outerClassId;
  recordRemaining_ = enclosing;

  if (loaded != S_OK) return loaded;
  if (count != 0) {
    SkipBytes(count);
    return E_FAIL;
  }
  return S_OK;
}

HRESULT ORV_STDCALL CJInStream::PeekClassID(GUID* classId) {
  if (IsBadWritePtr(classId, sizeof(GUID))) return E_POINTER;
  memset(classId, 0, sizeof(GUID));
  // Only inside a record, and only when the record's count and the buffer
  // both hold the next record's length and class id.
  if (recordRemaining_ == nullptr || *recordRemaining_ < kPeekSize) {
    return E_FAIL;
  }
  if (size_ - position_ < kPeekSize) return E_FAIL;
  memcpy(classId, buffer_ + position_ + kBodyLengthSize, sizeof(GUID));
  return S_OK;
}

HRESULT ORV_STDCALL CJInStream::GetRemaining(uint32_t* remaining) {
  if (IsBadWritePtr(remaining, sizeof(*remaining))) return E_POINTER;
  *remaining =
      recordRemaining_ != nullptr ? *recordRemaining_ : size_ - position_;
  return S_OK;
}

HRESULT ORV_STDCALL CJInStream::GetClassID(GUID* classId) {
  if (IsBadWritePtr(classId, sizeof(GUID))) return E_POINTER;
  *classId = classId_;
  return S_OK;
}

HRESULT ORV_STDCALL CJInStream::SetUserValue(uint32_t value) {
  userValue_ = value;
  return S_OK;
}

HRESULT ORV_STDCALL CJInStream::GetUserValue(uint32_t* value) {
  if (IsBadWritePtr(value, sizeof(*value))) return E_POINTER;
  *value = userValue_;
  return S_OK;
}
