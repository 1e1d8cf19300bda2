// CORVList: the list of child entries that the root and every entry share.
//
// A list reads its table from the container the first time an operation
// needs its elements and keeps them from then on. It is "unread" (no
// elements in memory, table only in the file), "loaded" (elements agree with
// the table) or "modified" (elements in memory are the truth; the table is
// never read again). Changing a list marks it and every list above it up to
// the root modified.
//
// Ownership: the list holds one reference on each linked element, taken when
// it links the element and given back when it unlinks or drops it. An
// element's `ownerList` is a plain pointer to the list that holds it; an
// element does not keep its list alive, and a list does not keep the object
// it belongs to alive. When a list is destroyed, every element it still
// holds loses its `ownerList` before the list's reference is dropped, so an
// element that survives never reaches the destroyed list.
//
// lockCount counts the references callers hold on the list's elements: an
// element's AddRef and Release through its interfaces move its owner list's
// lockCount first.
//
// Invariants: elementCount equals the number of linked elements; every linked
// element's ownerList is this list; no two elements linked through Insert
// have equal names (a table read from a file may hold equal names); the tree
// is acyclic. All walks over a subtree (both save passes, the commit, the
// release of a destroyed list) follow the tree's own links instead of
// recursing, so a tree nested arbitrarily deep cannot exhaust the machine
// stack; and no operation climbs the whole tree, so deep trees cost no more
// per operation than shallow ones (see treeRoot_ and SetModified).
#ifndef ORV_STORAGE_ORV_LIST_H_
#define ORV_STORAGE_ORV_LIST_H_

#include "com/orv_interfaces.h"
#include "storage/jlist.h"
#include "storage/stored_file.h"

class CORVEntry;

class CORVList : public IORVList, public IObjectList, public JList<CORVEntry> {
 public:
  CORVList();
  ~CORVList() override;

  CORVList(const CORVList&) = delete;
  CORVList& operator=(const CORVList&) = delete;

  // IORVList.
  HRESULT ORV_STDCALL FindEntry(IORVEntry** result, const void* name,
                                uint16_t length) override;
  HRESULT ORV_STDCALL CreateEntry(IORVEntry** result) override;
  HRESULT ORV_STDCALL LoadEntries() override;
  int32_t ORV_STDCALL LockChildren() override;
  int32_t ORV_STDCALL UnlockChildren() override;
  HRESULT ORV_STDCALL WriteTables(HFILE file) override;
  HRESULT ORV_STDCALL CopyData(HFILE source, HFILE target) override;
  void ORV_STDCALL CommitSaved() override;
  void ORV_STDCALL SetModified() override;

  // IObjectList.
  HRESULT ORV_STDCALL GetFirst(void** result, REFIID iid) override;
  HRESULT ORV_STDCALL GetLast(void** result, REFIID iid) override;
  HRESULT ORV_STDCALL GetNext(void** result, REFIID iid,
                              IUnknown* current) override;
  HRESULT ORV_STDCALL GetPrevious(void** result, REFIID iid,
                                  IUnknown* current) override;
  HRESULT ORV_STDCALL Insert(IUnknown* entry, IUnknown* position) override;
  HRESULT ORV_STDCALL Remove(IUnknown* entry) override;

  // JList: linking moves references and counts (see the file comment).
  void InsertAfter(CORVEntry* position, CORVEntry* element) override;
  bool RemoveElement(CORVEntry* element) override;
  void RemoveAll() override;

  // The entry this list belongs to; null for a root.
  virtual CORVEntry* AsEntry() { return nullptr; }
  // The root this list belongs to, as its interface; null for an entry.
  virtual IORVRoot* AsRoot() { return nullptr; }
  // The list above this one: the owner list of this list's entry; null for
  // a root and for an entry that is linked nowhere.
  CORVList* ParentList();
  // The top of the tree this list is in (a root, or an unlinked entry).
  CORVList* TopList();
  // The root at the top of this list's tree (its list part), or null when
  // the tree's top is an unlinked entry. Constant time.
  CORVList* treeRoot() const { return treeRoot_; }
  // The open file of that root; 0 when there is no root or it has no file.
  HFILE TreeFile();
  // Makes `root` the tree root of this list and of every list loaded below
  // it; called when the list's entry is linked or unlinked, and by a root
  // for itself.
  void SetTreeRoot(CORVList* root);

  // Loads the table if it is unread. Only a list under a root with an open
  // file loads; the bytes come from the file its offset describes. The
  // entry point of every lazy load.
  HRESULT LoadIfNeeded();
  // The table pass's own step: writes this list's table (count and the
  // records of its elements) at the current position of `file`.
  HRESULT WriteOwnTable(HFILE file);
  // True when this list still needs bytes (its unread table, or its entry's
  // stored payload) from a file that has been closed: they are out of reach.
  bool NeedsClosedFile();
  // The commit's own step: adopts the written table offset, which lies in
  // `file`, and clears the modified mark.
  void CommitOwnTable(orv::StoredFile* file);
  // Commits the whole subtree to `file` (the container a save has just put
  // in place). Allocates nothing, so it cannot fail half-way.
  void CommitTree(orv::StoredFile* file);
  // Lets go of the elements without touching them: another list has taken
  // them over (used while releasing a dying subtree).
  void ForgetElements();

  int32_t elementCount() const { return elementCount_; }
  int32_t lockCount() const { return lockCount_; }
  bool modified() const { return modified_ != 0; }
  uint32_t storedTableOffset() const { return storedTableOffset_; }
  uint32_t writtenTableOffset() const { return writtenTableOffset_; }
  orv::StoredFile* storedFile() const { return storedFile_.get(); }

 protected:
  // Where this list's table lies, and the file it lies in.
  void SetStoredTable(uint32_t offset, orv::StoredFile* file);
  // Marks this list alone (loading it first when unread, so that a modified
  // list never stands for a table it has not read). Returns whether it was
  // modified before.
  bool MarkModified();

 private:
  HRESULT ReadTable();
  HRESULT ReadRecords(orv::StoredFile* file, uint32_t count);
  HRESULT RefuseInsert(CORVEntry* entry, IUnknown* position,
                       CORVEntry** after);
  bool HasNameOf(CORVEntry* entry);
  // Drops every element, iteratively (see ReleaseElements in the source).
  void ReleaseAll();

  int32_t elementCount_ = 0;
  int32_t lockCount_ = 0;
  uint8_t modified_ = 0;  // 0 or 1
  uint32_t storedTableOffset_ = 0;   // 0: no table
  uint32_t writtenTableOffset_ = 0;  // set by the last table pass
  orv::StoredFileRef storedFile_;    // file storedTableOffset_ lies in
  // The table at storedTableOffset_ was read (or written) with no records.
  // An empty table is read again on each use while its file is open; once
  // the file is closed, this is what keeps the list usable (empty) instead
  // of failing for bytes it already knows.
  bool tableKnownEmpty_ = false;
  // Root at the top of this list's tree, or null (see treeRoot()). Kept by
  // SetTreeRoot: linking or unlinking an entry updates its whole loaded
  // subtree, so membership and the tree's file are known without climbing,
  // however deep the list lies.
  CORVList* treeRoot_ = nullptr;
};

#endif  // ORV_STORAGE_ORV_LIST_H_
