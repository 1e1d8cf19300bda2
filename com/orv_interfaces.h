// The file-system interfaces: the file-system object, roots, lists and
// entries. Slot order is binding: hosts call operations by their position in
// the table, so operations are declared in slot order and none may be added,
// removed or reordered.
//
// Reference rules for every operation below: an interface pointer handed out
// through an out parameter carries one reference that belongs to the caller;
// pointers passed in are borrowed for the duration of the call.
#ifndef ORV_COM_ORV_INTERFACES_H_
#define ORV_COM_ORV_INTERFACES_H_

#include "com/unknown.h"

struct IORVRoot;
struct IORVEntry;
struct IJInStream;
struct IJOutStream;

// Size of the file-system descriptor that GetInfo copies out.
#define ORV_DESCRIPTOR_SIZE 178

struct IORVFileSystem : IUnknown {
  // Copies the 178-byte file-system descriptor into `buffer`. E_POINTER, with
  // nothing copied, when the buffer is not writable for 178 bytes.
  virtual HRESULT ORV_STDCALL GetInfo(void* buffer) = 0;
  // S_OK when the file at `path` begins with the container magic; E_FAIL when
  // it is shorter or begins otherwise; E_ACCESSDENIED when it cannot be opened
  // for reading and writing with deny-write sharing (also when another handle
  // holds it so). E_INVALIDARG for an unreadable or over-long path.
  virtual HRESULT ORV_STDCALL IsContainerFile(const char* path) = 0;
  // Opens (create == 0) or creates (create != 0) the container at `path` and
  // stores its root in *root, or null on failure. `mode` is the open mode of
  // the classic _lopen; deny-write sharing is always added, and a create
  // ignores it. Results are those of the root's Open or Create.
  virtual HRESULT ORV_STDCALL OpenRoot(IORVRoot** root, const char* path,
                                       int32_t create, int32_t mode) = 0;

 protected:
  ~IORVFileSystem() = default;
};

// The list of an object's child entries, and the storage protocol by which
// the root loads, saves and commits the tree. Slots 3 and 4 are meant for
// callers and check their pointers; slots 5 to 12 are the protocol between
// root, lists and entries and check nothing.
struct IORVList : IUnknown {
  // Finds the first child whose name equals the `length` bytes at `name`
  // (length and bytes, case counting). S_OK with the entry or with null when
  // none matches; E_INVALIDARG when *result is not writable or the name not
  // readable; a failed table load gives its own code.
  virtual HRESULT ORV_STDCALL FindEntry(IORVEntry** result, const void* name,
                                        uint16_t length) = 0;
  // Makes a new entry with no name, payload or children, linked into no list.
  // E_INVALIDARG when *result is not writable; E_OUTOFMEMORY.
  virtual HRESULT ORV_STDCALL CreateEntry(IORVEntry** result) = 0;
  // Reads this list's table from the container if it has not been read.
  virtual HRESULT ORV_STDCALL LoadEntries() = 0;
  // Handle of the container file this list belongs to; 0 when there is none.
  virtual HFILE ORV_STDCALL GetFile() = 0;
  // Count of the references callers hold on this list's elements.
  virtual int32_t ORV_STDCALL LockChildren() = 0;
  virtual int32_t ORV_STDCALL UnlockChildren() = 0;
  // Table pass of a save: writes the tables of this list's subtree, this
  // list's own last, into `file` at its current position.
  virtual HRESULT ORV_STDCALL WriteTables(HFILE file) = 0;
  // Payload pass of a save: writes the payloads of this list's subtree into
  // `target` at its current position, post-order. `source` is the open
  // container file (0 when there is none).
  virtual HRESULT ORV_STDCALL CopyData(HFILE source, HFILE target) = 0;
  // After a successful save: adopts the offsets the passes wrote and clears
  // the modified marks of the whole subtree.
  virtual void ORV_STDCALL CommitSaved() = 0;
  // Marks this list, and every list above it up to the root, modified.
  virtual void ORV_STDCALL SetModified() = 0;

 protected:
  ~IORVList() = default;
};

// Walking and editing a list. Elements are recognised behind any of their
// interface pointers; a pointer to anything else counts as "not an entry".
struct IObjectList : IUnknown {
  // First (last) element as the interface `iid`, or null when the list is
  // empty. E_INVALIDARG when *result is not writable; E_NOINTERFACE with null
  // for an identifier entries do not offer.
  virtual HRESULT ORV_STDCALL GetFirst(void** result, REFIID iid) = 0;
  virtual HRESULT ORV_STDCALL GetLast(void** result, REFIID iid) = 0;
  // The element after `current`; S_OK with null at the end, for a non-entry,
  // or for an entry that is linked nowhere.
  virtual HRESULT ORV_STDCALL GetNext(void** result, REFIID iid,
                                      IUnknown* current) = 0;
  // The element before `current` in this list; E_FAIL with *result untouched
  // when `current` is first, not here, or the list is unread.
  virtual HRESULT ORV_STDCALL GetPrevious(void** result, REFIID iid,
                                          IUnknown* current) = 0;
  // Links `entry` after `position` (at the front when `position` is null or
  // not an entry). E_INVALIDARG for a non-entry or a position in another
  // list; E_FAIL when the entry is already linked, a sibling has its name,
  // the link would make the tree cyclic, or the entry still needs stored
  // data from a container file that has been replaced or closed since.
  virtual HRESULT ORV_STDCALL Insert(IUnknown* entry, IUnknown* position) = 0;
  // Unlinks `entry` and drops the list's reference. E_INVALIDARG for a
  // non-entry; E_FAIL, with nothing changed, when it is not linked here.
  virtual HRESULT ORV_STDCALL Remove(IUnknown* entry) = 0;

 protected:
  ~IObjectList() = default;
};

struct IORVRoot : IUnknown {
  // Writes the whole tree into a fresh file and puts it in place of the
  // container (in place, with NAME.bak kept when `backup` is non-zero), or at
  // `newPath` when that is given and differs from the root's path. S_OK only
  // when the complete new file is under the root's path and reopened.
  virtual HRESULT ORV_STDCALL Save(int32_t reserved, int32_t backup,
                                   const char* newPath) = 0;

 protected:
  ~IORVRoot() = default;
};

struct IORVEntry : IUnknown {
  // Copies the name into `buffer`; *length is the capacity on input and the
  // name length on output. E_POINTER when the buffer (or the length) is not
  // writable; E_FAIL, *length unchanged, when the capacity is too small.
  virtual HRESULT ORV_STDCALL GetName(void* buffer, uint16_t* length) = 0;
  // Renames. E_POINTER for unreadable bytes; E_FAIL when a sibling has the
  // name; E_OUTOFMEMORY.
  virtual HRESULT ORV_STDCALL SetName(const void* name, uint16_t length) = 0;
  // A stream over the entry's payload, or S_OK with null when it has none.
  virtual HRESULT ORV_STDCALL OpenInputStream(IJInStream** stream) = 0;
  // A stream whose collected bytes become the entry's payload at its last
  // Release.
  virtual HRESULT ORV_STDCALL OpenOutputStream(IJOutStream** stream) = 0;
  // The entry whose list holds this one; null in the root's list or in none.
  virtual HRESULT ORV_STDCALL GetParent(IORVEntry** parent) = 0;
  // The root of the tree the entry is in; null when it is in no tree.
  virtual HRESULT ORV_STDCALL GetRoot(IORVRoot** root) = 0;

 protected:
  ~IORVEntry() = default;
};

// Declared for hosts; nothing in the module uses it.
struct ITracker : IUnknown {
 protected:
  ~ITracker() = default;
};

#endif  // ORV_COM_ORV_INTERFACES_H_
