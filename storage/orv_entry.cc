#include "storage/orv_entry.h"

#include <string.h>

#include "com/iids.h"
#include "platform/platform.h"
#include "storage/coding.h"
#include "storage/container_format.h"
#include "streams/envelope.h"
#include "streams/in_stream.h"
#include "streams/out_stream.h"

namespace platform = orv::platform;
namespace format = orv::format;

namespace {

// The table pointers an entry's interface subobjects carry. An entry is
// recognised by comparing the first word behind a pointer with these, which
// never calls into the object: a foreign object may have been built by
// another compiler, with run-time type data this module cannot read.
struct EntryTables {
  const void* identity;
  const void* list;
  const void* objectList;
  const void* entry;
};

const void* TableOf(const void* object) {
  const void* table;
  memcpy(&table, object, sizeof(table));
  return table;
}

const EntryTables& Tables() {
  static const EntryTables tables = [] {
    CORVEntry probe;  // never handed out or counted
    return EntryTables{TableOf(static_cast<INonDelegatingUnknown*>(&probe)),
                       TableOf(static_cast<IORVList*>(&probe)),
                       TableOf(static_cast<IObjectList*>(&probe)),
                       TableOf(static_cast<IORVEntry*>(&probe))};
  }();
  return tables;
}

bool SameBytes(const void* a, const void* b, size_t length) {
  return length == 0 || memcmp(a, b, length) == 0;
}

bool OutPointerIsBad(void* out) {
  return platform::IsBadWritePtr(out, sizeof(void*));
}

}  // namespace

CORVEntry::CORVEntry() : CUnknown(nullptr) {}

CORVEntry::~CORVEntry() {
  platform::Free(name_);
  FreePayload();
  // The CORVList part then releases the children.
}

CORVEntry* CORVEntry::FromUnknown(IUnknown* object) {
  if (object == nullptr || platform::IsBadReadPtr(object, sizeof(void*))) {
    return nullptr;
  }
  const void* table = TableOf(object);
  const EntryTables& known = Tables();
  if (table == known.entry) {
    return static_cast<CORVEntry*>(reinterpret_cast<IORVEntry*>(object));
  }
  if (table == known.list) {
    return static_cast<CORVEntry*>(reinterpret_cast<IORVList*>(object));
  }
  if (table == known.objectList) {
    return static_cast<CORVEntry*>(reinterpret_cast<IObjectList*>(object));
  }
  if (table == known.identity) {
    return static_cast<CORVEntry*>(
        reinterpret_cast<INonDelegatingUnknown*>(object));
  }
  return nullptr;
}

// --- Identity ---------------------------------------------------------------

HRESULT ORV_STDCALL CORVEntry::QueryInterface(REFIID iid, void** out) {
  return OwnerQueryInterface(iid, out);
}

uint32_t ORV_STDCALL CORVEntry::AddRef() {
  if (ownerList_ != nullptr) ownerList_->LockChildren();
  return OwnerAddRef();
}

uint32_t ORV_STDCALL CORVEntry::Release() {
  if (ownerList_ != nullptr) ownerList_->UnlockChildren();
  return OwnerRelease();
}

IUnknown* CORVEntry::FindInterface(REFIID iid) {
  if (IsEqualGUID(iid, IID_IORVEntry)) return static_cast<IORVEntry*>(this);
  if (IsEqualGUID(iid, IID_IORVList)) return static_cast<IORVList*>(this);
  if (IsEqualGUID(iid, IID_IObjectList)) {
    return static_cast<IObjectList*>(this);
  }
  return nullptr;
}

// --- Names ------------------------------------------------------------------

HRESULT ORV_STDCALL CORVEntry::GetName(void* buffer, uint16_t* length) {
  if (platform::IsBadWritePtr(length, sizeof(*length))) return E_POINTER;
  const uint16_t capacity = *length;
  if (platform::IsBadWritePtr(buffer, capacity)) return E_POINTER;
  if (capacity < nameLength_) return E_FAIL;
  if (nameLength_ > 0) memcpy(buffer, name_, nameLength_);
  *length = nameLength_;
  return S_OK;
}

HRESULT ORV_STDCALL CORVEntry::SetName(const void* name, uint16_t length) {
  if (platform::IsBadReadPtr(name, length)) return E_POINTER;
  if (length == nameLength_ && SameBytes(name, name_, length)) return S_OK;
  if (ownerList_ != nullptr) {
    // A failed lookup finds nothing; the entry is linked in its owner, so
    // the owner is loaded and the lookup cannot miss a sibling.
    IORVEntry* sibling = nullptr;
    ownerList_->FindEntry(&sibling, name, length);
    if (sibling != nullptr) {
      sibling->Release();
      return E_FAIL;
    }
  }
  if (length > nameLength_) {
    uint8_t* larger = static_cast<uint8_t*>(platform::Alloc(length));
    if (larger == nullptr) return E_OUTOFMEMORY;
    platform::Free(name_);
    name_ = larger;
  }
  if (length > 0) memcpy(name_, name, length);
  nameLength_ = length;
  return S_OK;
}

int CORVEntry::CompareName(const void* name, uint16_t length) const {
  const uint16_t shorter = length < nameLength_ ? length : nameLength_;
  if (shorter > 0) {
    int order = memcmp(name_, name, shorter);
    if (order != 0) return order < 0 ? -1 : 1;
  }
  if (length == nameLength_) return 0;
  // A proper prefix orders after the longer name.
  return nameLength_ < length ? 1 : -1;
}

int CORVEntry::CompareWith(const CORVEntry* other) const {
  return CompareName(other->name_, other->nameLength_);
}

// --- Tree position ----------------------------------------------------------

HRESULT ORV_STDCALL CORVEntry::GetParent(IORVEntry** parent) {
  if (OutPointerIsBad(parent)) return E_INVALIDARG;
  *parent = nullptr;
  CORVEntry* above = ownerList_ != nullptr ? ownerList_->AsEntry() : nullptr;
  if (above != nullptr) {
    static_cast<IORVEntry*>(above)->AddRef();
    *parent = above;
  }
  return S_OK;
}

HRESULT ORV_STDCALL CORVEntry::GetRoot(IORVRoot** root) {
  if (OutPointerIsBad(root)) return E_INVALIDARG;
  *root = nullptr;
  if (treeRoot() != nullptr) {
    IORVRoot* top = treeRoot()->AsRoot();
    top->AddRef();
    *root = top;
  }
  return S_OK;
}

HFILE ORV_STDCALL CORVEntry::GetFile() { return TreeFile(); }

// --- List hooks -------------------------------------------------------------

void CORVEntry::OnAttach(JList<CORVEntry>* list) {
  ownerList_ = static_cast<CORVList*>(list);
  if (ownerList_->treeRoot() != nullptr) SetTreeRoot(ownerList_->treeRoot());
  if (modified()) ownerList_->SetModified();
}

void CORVEntry::OnDetach(JList<CORVEntry>* /*list*/) {
  ownerList_ = nullptr;
  if (treeRoot() != nullptr) SetTreeRoot(nullptr);
}

int CORVEntry::OnDelete(JList<CORVEntry>* list) {
  // The owner is cleared first, so an entry that survives (its caller still
  // holds it) never reaches the list again.
  OnDetach(list);
  static_cast<IORVList*>(this)->Release();
  return 1;
}

// --- Records ----------------------------------------------------------------

HRESULT CORVEntry::ReadRecord(HFILE file, orv::StoredFile* storedFile) {
  if (file == 0) return E_INVALIDARG;
  uint8_t fixed[format::kRecordFixedSize];
  if (platform::_lread(file, fixed, sizeof(fixed)) !=
      static_cast<int32_t>(sizeof(fixed))) {
    return E_FAIL;
  }
  nameLength_ = orv::DecodeU16(fixed + format::kRecordNameLengthOffset);
  storedOffset_ = orv::DecodeU32(fixed + format::kRecordPayloadOffsetOffset);
  storedSize_ = orv::DecodeU32(fixed + format::kRecordPayloadSizeOffset);
  SetStoredTable(orv::DecodeU32(fixed + format::kRecordChildTableOffset),
                 storedFile);
  if (nameLength_ == 0) return S_OK;
  name_ = static_cast<uint8_t*>(platform::Alloc(nameLength_));
  if (name_ == nullptr) return E_OUTOFMEMORY;
  if (platform::_lread(file, name_, nameLength_) != nameLength_) return E_FAIL;
  return S_OK;
}

HRESULT CORVEntry::WriteRecord(HFILE file) {
  if (file == 0) return E_INVALIDARG;
  uint8_t fixed[format::kRecordFixedSize] = {};
  orv::EncodeU16(fixed + format::kRecordNameLengthOffset, nameLength_);
  orv::EncodeU32(fixed + format::kRecordPayloadOffsetOffset, savedOffset_);
  orv::EncodeU32(fixed + format::kRecordPayloadSizeOffset, payloadSize_);
  orv::EncodeU32(fixed + format::kRecordChildTableOffset,
                 writtenTableOffset());
  if (platform::_lwrite(file, fixed, sizeof(fixed)) !=
      static_cast<int32_t>(sizeof(fixed))) {
    return E_FAIL;
  }
  // A zero-byte write would truncate the file on the classic API.
  if (nameLength_ > 0 &&
      platform::_lwrite(file, name_, nameLength_) != nameLength_) {
    return E_FAIL;
  }
  return S_OK;
}

// --- Payload ----------------------------------------------------------------

void CORVEntry::FreePayload() {
  platform::Free(payload_);
  payload_ = nullptr;
}

void CORVEntry::Compress() { orv::CompressEnvelope(&payload_, &payloadSize_); }

void CORVEntry::SetData(void* buffer, uint32_t size) {
  FreePayload();
  if (buffer != nullptr && size > 0) {
    payload_ = static_cast<uint8_t*>(buffer);
    payloadSize_ = size;
  } else {
    // No bytes at all (a stream released without a write): the entry is
    // left without a payload, stored or in memory. Falling back to an older
    // stored payload would bring back data the host has replaced.
    platform::Free(buffer);
    payloadSize_ = 0;
    storedSize_ = 0;
    storedOffset_ = 0;
  }
  if (ownerList_ != nullptr) ownerList_->SetModified();
  Compress();
}

HRESULT CORVEntry::ReadStoredEnvelope(uint8_t** envelope) {
  *envelope = nullptr;
  orv::StoredFile* file = storedFile();
  if (file == nullptr || !file->IsOpen()) return E_FAIL;
  // The size is checked against the file before anything is allocated: a
  // record cannot make the module allocate more than the file holds.
  if (!file->Contains(storedOffset_, storedSize_) ||
      storedSize_ > 0x7FFFFFFFu) {
    return E_FAIL;
  }
  uint8_t* buffer = static_cast<uint8_t*>(platform::Alloc(storedSize_));
  if (buffer == nullptr) return E_OUTOFMEMORY;
  const int32_t offset = static_cast<int32_t>(storedOffset_);
  const int32_t size = static_cast<int32_t>(storedSize_);
  if (offset < 0 ||
      platform::_llseek(file->handle(), offset, platform::kSeekSet) != offset ||
      platform::_hread(file->handle(), buffer, size) != size) {
    platform::Free(buffer);
    return E_FAIL;
  }
  *envelope = buffer;
  return S_OK;
}

HRESULT CORVEntry::CopyOwnPayload(HFILE target) {
  int32_t position = platform::_llseek(target, 0, platform::kSeekCurrent);
  if (position < 0) return E_FAIL;
  savedOffset_ = static_cast<uint32_t>(position);
  // A stored envelope is brought in for the copy only and let go once it is
  // written: the old file still holds it should the save fail, and the
  // commit points the entry at the copy. So a save holds one stored payload
  // at a time, however many records of a file share one.
  const bool borrowed = payload_ == nullptr && storedSize_ > 0;
  if (borrowed) {
    uint8_t* envelope = nullptr;
    HRESULT read = ReadStoredEnvelope(&envelope);
    if (FAILED(read)) return read;
    payload_ = envelope;
    payloadSize_ = storedSize_;
  }
  // Every envelope a save writes goes through compression: a stored plain
  // one, and one that stayed plain because SetData found no memory for it.
  Compress();
  if (payload_ == nullptr || payloadSize_ == 0) return S_OK;
  const int32_t size = static_cast<int32_t>(payloadSize_);
  const bool written =
      size >= 0 && platform::_hwrite(target, payload_, size) == size;
  if (borrowed) FreePayload();  // payloadSize_ keeps the size written
  return written ? S_OK : E_FAIL;
}

void CORVEntry::Commit(orv::StoredFile* file) {
  CommitOwnTable(file);
  FreePayload();
  storedOffset_ = savedOffset_;
  storedSize_ = payloadSize_;
}

// --- Streams ----------------------------------------------------------------

HRESULT ORV_STDCALL CORVEntry::OpenInputStream(IJInStream** stream) {
  if (OutPointerIsBad(stream)) return E_INVALIDARG;
  *stream = nullptr;
  if (payload_ != nullptr) return OpenStreamOverPayload(stream);
  if (storedSize_ == 0) return S_OK;  // no payload: no stream, no failure
  if (GetFile() == 0) return E_FAIL;
  uint8_t* envelope = nullptr;
  HRESULT read = ReadStoredEnvelope(&envelope);
  if (FAILED(read)) return read;
  CJInStream* made = nullptr;
  HRESULT created = CJInStream::Create(envelope, storedSize_, true, &made);
  if (FAILED(created)) return created;  // the stream freed the envelope
  return HandOut(static_cast<IJInStream*>(made),
                 reinterpret_cast<void**>(stream));
}

HRESULT CORVEntry::OpenStreamOverPayload(IJInStream** stream) {
  CJInStream* made = nullptr;
  HRESULT created;
  if (orv::IsPlainEnvelope(payload_[0])) {
    // A plain envelope would be read in place; the stream gets a copy of its
    // own, so a later SetData or save cannot free it under the reader.
    uint8_t* copy = static_cast<uint8_t*>(platform::Alloc(payloadSize_));
    if (copy == nullptr) return E_OUTOFMEMORY;
    memcpy(copy, payload_, payloadSize_);
    created = CJInStream::Create(copy, payloadSize_, true, &made);
  } else {
    created = CJInStream::Create(payload_, payloadSize_, false, &made);
  }
  if (FAILED(created)) return created;
  return HandOut(static_cast<IJInStream*>(made),
                 reinterpret_cast<void**>(stream));
}

HRESULT ORV_STDCALL CORVEntry::OpenOutputStream(IJOutStream** stream) {
  if (OutPointerIsBad(stream)) return E_INVALIDARG;
  *stream = nullptr;
  CJOutStream* made = new (std::nothrow) CJOutStream(this);
  if (made == nullptr) return E_OUTOFMEMORY;
  return HandOut(static_cast<IJOutStream*>(made),
                 reinterpret_cast<void**>(stream));
}
