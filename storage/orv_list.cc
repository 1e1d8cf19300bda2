#include "storage/orv_list.h"

#include "platform/platform.h"
#include "storage/coding.h"
#include "storage/container_format.h"
#include "storage/orv_entry.h"
#include "storage/tree_walk.h"

namespace platform = orv::platform;
namespace format = orv::format;

namespace {

bool OutPointerIsBad(void* out) {
  return platform::IsBadWritePtr(out, sizeof(void*));
}

bool IdentifierIsBad(REFIID iid) {
  return platform::IsBadReadPtr(&iid, sizeof(IID));
}

// Hands `element` out as the interface `iid` into `*result`; the caller has
// checked both.
HRESULT HandOutElement(CORVEntry* element, REFIID iid, void** result) {
  return element->LookUp(iid, result);
}

}  // namespace

CORVList::CORVList() = default;

CORVList::~CORVList() { ReleaseAll(); }

// --- Tree position ----------------------------------------------------------

CORVList* CORVList::ParentList() {
  CORVEntry* entry = AsEntry();
  return entry != nullptr ? entry->ownerList() : nullptr;
}

CORVList* CORVList::TopList() {
  CORVList* list = this;
  while (CORVList* parent = list->ParentList()) list = parent;
  return list;
}

HFILE CORVList::TreeFile() {
  return treeRoot_ != nullptr ? treeRoot_->GetFile() : 0;
}

void CORVList::SetTreeRoot(CORVList* root) {
  orv::WalkPostOrder(this, orv::WalkLoads::kLeaveUnread,
                     [root](CORVList* list) -> HRESULT {
                       list->treeRoot_ = root;
                       return S_OK;
                     });
}

void CORVList::SetStoredTable(uint32_t offset, orv::StoredFile* file) {
  storedTableOffset_ = offset;
  storedFile_.Reset(file);
  tableKnownEmpty_ = false;
}

// --- Loading ----------------------------------------------------------------

HRESULT ORV_STDCALL CORVList::LoadEntries() { return LoadIfNeeded(); }

HRESULT CORVList::LoadIfNeeded() {
  // A modified list's elements are the truth: its table is never read again.
  if (head != nullptr || modified_) return S_OK;
  if (storedTableOffset_ == 0) return S_OK;
  // Only a list under a root with an open file loads; the bytes then come
  // from the file the offset describes.
  if (TreeFile() == 0) return E_FAIL;
  return ReadTable();
}

HRESULT CORVList::ReadTable() {
  orv::StoredFile* file = storedFile_.get();
  if (file == nullptr || !file->IsOpen()) {
    // A table once found empty needs no file to be empty again.
    return tableKnownEmpty_ ? S_OK : E_FAIL;
  }
  const uint32_t offset = storedTableOffset_;
  // A table inside one already loaded would make the tree cyclic or let one
  // file produce more entries than its size justifies.
  if (!file->Contains(offset, format::kTableCountSize) ||
      file->InsideLoadedTable(offset)) {
    return E_FAIL;
  }
  const int32_t start = static_cast<int32_t>(offset);
  if (start < 0 || platform::_llseek(file->handle(), start,
                                     platform::kSeekSet) != start) {
    return E_FAIL;
  }
  uint8_t countBytes[format::kTableCountSize];
  if (platform::_lread(file->handle(), countBytes, sizeof(countBytes)) !=
      static_cast<int32_t>(sizeof(countBytes))) {
    return E_FAIL;
  }
  // The count is signed: a "negative" count reads as an empty table.
  const int32_t count = static_cast<int32_t>(orv::DecodeU32(countBytes));
  if (count <= 0) {
    tableKnownEmpty_ = true;
    return S_OK;
  }
  // Each record takes at least its fixed part: a count the rest of the file
  // cannot hold is refused before anything is allocated.
  const uint32_t room = file->size() - offset - format::kTableCountSize;
  if (static_cast<uint32_t>(count) > room / format::kRecordFixedSize) {
    return E_FAIL;
  }
  HRESULT result = ReadRecords(file, static_cast<uint32_t>(count));
  if (FAILED(result)) RemoveAll();
  return result;
}

HRESULT CORVList::ReadRecords(orv::StoredFile* file, uint32_t count) {
  uint64_t end = storedTableOffset_ + uint64_t{format::kTableCountSize};
  for (uint32_t i = 0; i < count; ++i) {
    CORVEntry* entry = new (std::nothrow) CORVEntry();
    if (entry == nullptr) return E_OUTOFMEMORY;
    AddTail(entry);
    HRESULT result = entry->ReadRecord(file->handle(), file);
    if (FAILED(result)) return result;
    end += format::kRecordFixedSize + uint64_t{entry->nameLength()};
  }
  // Records are read in sequence, so the table ends where the last one did;
  // reads stopped at the end of the file, so `end` fits 32 bits.
  return file->ClaimTable(storedTableOffset_, static_cast<uint32_t>(end));
}

// --- Lookup and creation ----------------------------------------------------

HRESULT ORV_STDCALL CORVList::FindEntry(IORVEntry** result, const void* name,
                                        uint16_t length) {
  if (OutPointerIsBad(result) || platform::IsBadReadPtr(name, length)) {
    return E_INVALIDARG;
  }
  *result = nullptr;
  HRESULT loaded = LoadIfNeeded();
  if (FAILED(loaded)) return loaded;
  for (CORVEntry* e = head; e != nullptr; e = e->next) {
    if (e->CompareName(name, length) == 0) {
      static_cast<IORVList*>(e)->AddRef();
      *result = e;
      break;
    }
  }
  return S_OK;
}

HRESULT ORV_STDCALL CORVList::CreateEntry(IORVEntry** result) {
  if (OutPointerIsBad(result)) return E_INVALIDARG;
  *result = nullptr;
  CORVEntry* entry = new (std::nothrow) CORVEntry();
  if (entry == nullptr) return E_OUTOFMEMORY;
  static_cast<IORVList*>(entry)->AddRef();
  *result = entry;
  return S_OK;
}

// --- Lock count -------------------------------------------------------------

int32_t ORV_STDCALL CORVList::LockChildren() { return ++lockCount_; }

int32_t ORV_STDCALL CORVList::UnlockChildren() { return --lockCount_; }

// --- Walking ----------------------------------------------------------------

HRESULT ORV_STDCALL CORVList::GetFirst(void** result, REFIID iid) {
  if (OutPointerIsBad(result) || IdentifierIsBad(iid)) return E_INVALIDARG;
  *result = nullptr;
  HRESULT loaded = LoadIfNeeded();
  if (FAILED(loaded)) return loaded;
  return head != nullptr ? HandOutElement(head, iid, result) : S_OK;
}

HRESULT ORV_STDCALL CORVList::GetLast(void** result, REFIID iid) {
  if (OutPointerIsBad(result) || IdentifierIsBad(iid)) return E_INVALIDARG;
  *result = nullptr;
  HRESULT loaded = LoadIfNeeded();
  if (FAILED(loaded)) return loaded;
  return tail != nullptr ? HandOutElement(tail, iid, result) : S_OK;
}

HRESULT ORV_STDCALL CORVList::GetNext(void** result, REFIID iid,
                                      IUnknown* current) {
  if (OutPointerIsBad(result) || IdentifierIsBad(iid)) return E_INVALIDARG;
  // An entry that is linked nowhere has no successor: its old `next` could
  // name an element that is gone.
  CORVEntry* entry = CORVEntry::FromUnknown(current);
  if (entry == nullptr || entry->ownerList() == nullptr ||
      entry->next == nullptr) {
    *result = nullptr;
    return S_OK;
  }
  return HandOutElement(entry->next, iid, result);
}

HRESULT ORV_STDCALL CORVList::GetPrevious(void** result, REFIID iid,
                                          IUnknown* current) {
  if (OutPointerIsBad(result) || IdentifierIsBad(iid)) return E_INVALIDARG;
  CORVEntry* entry = CORVEntry::FromUnknown(current);
  if (entry == nullptr) {
    *result = nullptr;
    return S_OK;
  }
  for (CORVEntry* e = head; e != nullptr; e = e->next) {
    if (e->next == entry) return HandOutElement(e, iid, result);
  }
  return E_FAIL;  // first, elsewhere, or unread: *result stays as it was
}

// --- Editing ----------------------------------------------------------------

HRESULT ORV_STDCALL CORVList::Insert(IUnknown* entryUnknown,
                                     IUnknown* position) {
  CORVEntry* entry = CORVEntry::FromUnknown(entryUnknown);
  if (entry == nullptr) return E_INVALIDARG;
  CORVEntry* after = nullptr;
  HRESULT refused = RefuseInsert(entry, position, &after);
  if (FAILED(refused)) return refused;
  HRESULT loaded = LoadIfNeeded();
  if (FAILED(loaded)) return loaded;
  if (HasNameOf(entry)) return E_FAIL;
  InsertAfter(after, entry);
  SetModified();
  return S_OK;
}

HRESULT CORVList::RefuseInsert(CORVEntry* entry, IUnknown* position,
                               CORVEntry** after) {
  // A position that is an entry must be one of ours: linking after an
  // element of another list would put the entry into that list.
  if (CORVEntry* at = CORVEntry::FromUnknown(position)) {
    if (at->ownerList() != this) return E_INVALIDARG;
    *after = at;
  }
  if (entry->ownerList() != nullptr) return E_FAIL;
  // Inserting an entry into its own list, or below it, would make a cycle.
  // The entry is unlinked, so this list can lie below it only when this
  // list's tree has no root and the entry has children in memory.
  CORVList* entryList = entry;
  if (this == entryList) return E_FAIL;
  if (treeRoot_ == nullptr && entry->head != nullptr) {
    for (CORVList* list = ParentList(); list != nullptr;
         list = list->ParentList()) {
      if (list == entryList) return E_FAIL;
    }
  }
  // Stored data can only be read from the file it lies in. An entry that
  // was out of the tree while its root saved over that file, or closed it,
  // has lost what it had not read; linking it would make every save of this
  // tree fail on it. While no file is closed, there is nothing to look for.
  if (!orv::StoredFile::AnyClosed()) return S_OK;
  return orv::WalkPostOrder(
      entry, orv::WalkLoads::kLeaveUnread, [](CORVList* list) -> HRESULT {
        return list->NeedsClosedFile() ? E_FAIL : S_OK;
      });
}

bool CORVList::NeedsClosedFile() {
  orv::StoredFile* file = storedFile_.get();
  if (file == nullptr || file->IsOpen()) return false;
  const bool unreadTable = head == nullptr && !modified_ &&
                           storedTableOffset_ != 0 && !tableKnownEmpty_;
  CORVEntry* entry = AsEntry();
  const bool storedPayload = entry != nullptr &&
                             entry->payload() == nullptr &&
                             entry->storedSize() > 0;
  return unreadTable || storedPayload;
}

bool CORVList::HasNameOf(CORVEntry* entry) {
  for (CORVEntry* e = head; e != nullptr; e = e->next) {
    if (e->CompareWith(entry) == 0) return true;
  }
  return false;
}

HRESULT ORV_STDCALL CORVList::Remove(IUnknown* entryUnknown) {
  CORVEntry* entry = CORVEntry::FromUnknown(entryUnknown);
  if (entry == nullptr) return E_INVALIDARG;
  HRESULT loaded = LoadIfNeeded();
  if (FAILED(loaded)) return loaded;
  // Unlinking an entry that is not ours would give back a reference this
  // list does not hold.
  if (entry->ownerList() != this) return E_FAIL;
  modified_ = 1;
  RemoveElement(entry);
  SetModified();
  return S_OK;
}

void CORVList::InsertAfter(CORVEntry* position, CORVEntry* element) {
  // The element has no owner yet, so this reference locks nothing; the
  // references it already carried now count against this list.
  uint32_t references = static_cast<IORVList*>(element)->AddRef();
  lockCount_ += static_cast<int32_t>(references) - 1;
  JList<CORVEntry>::InsertAfter(position, element);
  ++elementCount_;
}

bool CORVList::RemoveElement(CORVEntry* element) {
  if (!JList<CORVEntry>::RemoveElement(element)) return false;
  --elementCount_;
  // OnDetach cleared the owner, so this Release unlocks nothing; the
  // references that remain no longer count against this list.
  uint32_t remaining = static_cast<IORVList*>(element)->Release();
  lockCount_ -= static_cast<int32_t>(remaining);
  return true;
}

void CORVList::RemoveAll() {
  ReleaseAll();
  elementCount_ = 0;
}

// --- Modification marks -----------------------------------------------------

void ORV_STDCALL CORVList::SetModified() {
  MarkModified();
  // Every list above a modified list is modified too (marks only ever climb
  // all the way, and a commit clears whole subtrees), so the climb ends at
  // the first list that already was.
  for (CORVList* list = ParentList(); list != nullptr;
       list = list->ParentList()) {
    if (list->MarkModified()) break;
  }
}

bool CORVList::MarkModified() {
  if (modified_) return true;
  // A list marked modified stands for its elements in memory; marking an
  // unread list whose table cannot be read would make the next save write it
  // empty and lose the children. Such a list stays unread instead, and the
  // save reports the load failure.
  if (head == nullptr && FAILED(LoadIfNeeded())) return false;
  modified_ = 1;
  return false;
}

// --- Save passes and commit -------------------------------------------------

HRESULT ORV_STDCALL CORVList::WriteTables(HFILE file) {
  return orv::WalkPostOrder(
      this, orv::WalkLoads::kLoadUnread,
      [file](CORVList* list) { return list->WriteOwnTable(file); });
}

HRESULT CORVList::WriteOwnTable(HFILE file) {
  int32_t position = platform::_llseek(file, 0, platform::kSeekCurrent);
  if (position < 0) return E_FAIL;
  writtenTableOffset_ = static_cast<uint32_t>(position);
  uint8_t count[format::kTableCountSize];
  orv::EncodeU32(count, static_cast<uint32_t>(elementCount_));
  if (platform::_lwrite(file, count, sizeof(count)) !=
      static_cast<int32_t>(sizeof(count))) {
    return E_FAIL;
  }
  for (CORVEntry* e = head; e != nullptr; e = e->next) {
    HRESULT written = e->WriteRecord(file);
    if (FAILED(written)) return written;
  }
  return S_OK;
}

// Every payload is read from the file its own offsets describe (its
// StoredFile), so `source` is not needed: an entry moved in from another
// container is copied from that container's file. Called on an entry, the
// walk ends with the entry's own payload, after its children's.
HRESULT ORV_STDCALL CORVList::CopyData(HFILE /*source*/, HFILE target) {
  return orv::WalkPostOrder(this, orv::WalkLoads::kLoadUnread,
                            [target](CORVList* list) -> HRESULT {
                              CORVEntry* entry = list->AsEntry();
                              return entry != nullptr
                                         ? entry->CopyOwnPayload(target)
                                         : S_OK;
                            });
}

void ORV_STDCALL CORVList::CommitSaved() {
  CommitTree(TopList()->storedFile());
}

void CORVList::CommitTree(orv::StoredFile* file) {
  orv::WalkPostOrder(this, orv::WalkLoads::kLeaveUnread,
                     [file](CORVList* list) -> HRESULT {
                       if (CORVEntry* entry = list->AsEntry()) {
                         entry->Commit(file);
                       } else {
                         list->CommitOwnTable(file);
                       }
                       return S_OK;
                     });
}

void CORVList::CommitOwnTable(orv::StoredFile* file) {
  storedTableOffset_ = writtenTableOffset_;
  storedFile_.Reset(file);
  modified_ = 0;
  // The table just written holds exactly the elements in memory.
  tableKnownEmpty_ = head == nullptr;
}

// --- Release ----------------------------------------------------------------

namespace {

// Gives up the list's reference on `element`, which is already unlinked. An
// element about to die hands its own children over to `pending` first, so
// that destroying it recurses into nothing: a whole subtree is released in
// one loop however deep it is. Returns the references that remain.
uint32_t ReleaseUnlinked(CORVEntry* element, CORVEntry** pendingHead) {
  element->ClearOwner();
  if (!element->HeldOnlyByItsList()) {
    // It survives, as the top of a tree of its own.
    if (element->treeRoot() != nullptr) element->SetTreeRoot(nullptr);
  } else if (element->head != nullptr) {
    element->tail->next = *pendingHead;
    *pendingHead = element->head;
    element->ForgetElements();
  }
  return static_cast<IORVList*>(element)->Release();
}

}  // namespace

void CORVList::ReleaseAll() {
  CORVEntry* pending = nullptr;
  // The list's own elements: their remaining references stop counting here.
  while (head != nullptr) {
    CORVEntry* element = head;
    head = element->next;
    element->next = nullptr;
    lockCount_ -= static_cast<int32_t>(ReleaseUnlinked(element, &pending));
  }
  tail = nullptr;
  // Descendants handed over by elements that died.
  while (pending != nullptr) {
    CORVEntry* element = pending;
    pending = element->next;
    element->next = nullptr;
    ReleaseUnlinked(element, &pending);
  }
}

void CORVList::ForgetElements() {
  head = nullptr;
  tail = nullptr;
  elementCount_ = 0;
}
