// CORVEntry: one named node of a container's tree. It carries a name, a
// payload, and (being itself a CORVList) its own children; it is its own node
// in the list that holds it.
//
// Payload states:
//   none       payload null, storedSize 0
//   stored     payload null, storedSize > 0: the envelope lies in the file
//              at storedOffset, in the StoredFile of the entry's list part
//   in memory  payload set: an envelope of payloadSize bytes, in the
//              compressed form whenever compression could run (SetData and
//              the save's payload pass compress at once)
// Invariant: payloadSize counts the bytes `payload` holds; when payload is
// null it is 0, or storedSize after a commit, or (from a payload pass that
// copied a stored envelope to the commit that adopts it) the size that pass
// wrote. Buffers are allocated through the platform seam; the entry owns
// `name` and `payload`.
//
// References: the host's references on a linked entry also count in its
// owner list's lockCount (AddRef/Release below). Streams opened on the entry
// hold a counted reference on it; the entry keeps no link to them.
#ifndef ORV_STORAGE_ORV_ENTRY_H_
#define ORV_STORAGE_ORV_ENTRY_H_

#include "com/cunknown.h"
#include "storage/orv_list.h"

class CORVEntry : public CUnknown,
                  public CORVList,
                  public IORVEntry,
                  public JListElement<CORVEntry> {
 public:
  // A new entry: no name, payload, children or owner; count 0.
  CORVEntry();
  ~CORVEntry() override;

  // The entry behind any of its interface pointers (IORVEntry, IORVList,
  // IObjectList or its IUnknown identity); null for anything else, including
  // unreadable pointers. Never calls into the object.
  static CORVEntry* FromUnknown(IUnknown* object);

  // Identity shared by the three interfaces. AddRef and Release move the
  // owner list's lockCount first when the entry is linked.
  HRESULT ORV_STDCALL QueryInterface(REFIID iid, void** out) override;
  uint32_t ORV_STDCALL AddRef() override;
  uint32_t ORV_STDCALL Release() override;
  IUnknown* FindInterface(REFIID iid) override;

  // IORVEntry.
  HRESULT ORV_STDCALL GetName(void* buffer, uint16_t* length) override;
  HRESULT ORV_STDCALL SetName(const void* name, uint16_t length) override;
  HRESULT ORV_STDCALL OpenInputStream(IJInStream** stream) override;
  HRESULT ORV_STDCALL OpenOutputStream(IJOutStream** stream) override;
  HRESULT ORV_STDCALL GetParent(IORVEntry** parent) override;
  HRESULT ORV_STDCALL GetRoot(IORVRoot** root) override;

  // IORVList: the entry's file is its tree root's. CopyData and SetModified
  // are the list's own: its walk copies the entry's payload after those of
  // its children, and its mark climbs through the owner lists.
  HFILE ORV_STDCALL GetFile() override;

  // JListElement hooks.
  void OnAttach(JList<CORVEntry>* list) override;
  void OnDetach(JList<CORVEntry>* list) override;
  int OnDelete(JList<CORVEntry>* list) override;

  CORVEntry* AsEntry() override { return this; }

  // Turns a plain in-memory envelope into the compressed form. Leaves the
  // payload as it is when it is already compressed, or when compression
  // cannot run (the plain envelope stays intact: every reader accepts it).
  virtual void Compress();
  // Reads this entry's record at the current position of `file`, whose
  // offsets belong to `storedFile`. E_INVALIDARG for handle 0, E_FAIL for a
  // short read, E_OUTOFMEMORY.
  virtual HRESULT ReadRecord(HFILE file, orv::StoredFile* storedFile);
  // Writes this entry's record at the current position of `file`.
  virtual HRESULT WriteRecord(HFILE file);
  // Adopts the offsets the last save wrote; the payload goes back to the file
  // (`file`, the new container).
  virtual void Commit(orv::StoredFile* file);
  // Unsigned byte order; a proper prefix orders after the longer name.
  virtual int CompareName(const void* name, uint16_t length) const;
  virtual int CompareWith(const CORVEntry* other) const;
  // Takes over `buffer` (a plain envelope of `size` bytes, allocated through
  // the platform seam) as the payload, marks the parents modified and
  // compresses it. A null buffer leaves the entry without a payload.
  virtual void SetData(void* buffer, uint32_t size);

  // The payload pass's own step: records where the payload goes in `target`
  // and writes it there, reading a stored envelope first (and letting it go
  // again once written).
  HRESULT CopyOwnPayload(HFILE target);

  // Used while a list releases its elements: the entry leaves its owner
  // before the list's reference is dropped.
  void ClearOwner() { ownerList_ = nullptr; }
  // True when the only reference left is the one of the list holding it.
  bool HeldOnlyByItsList() const { return ReferenceCount() == 1; }

  CORVList* ownerList() const { return ownerList_; }
  uint16_t nameLength() const { return nameLength_; }
  const uint8_t* name() const { return name_; }
  const uint8_t* payload() const { return payload_; }
  uint32_t payloadSize() const { return payloadSize_; }
  uint32_t storedOffset() const { return storedOffset_; }
  uint32_t storedSize() const { return storedSize_; }
  uint32_t savedOffset() const { return savedOffset_; }

 private:
  HRESULT ReadStoredEnvelope(uint8_t** envelope);
  HRESULT OpenStreamOverPayload(IJInStream** stream);
  void FreePayload();

  uint8_t* name_ = nullptr;      // owned; may be larger than nameLength_
  uint16_t nameLength_ = 0;
  uint32_t storedOffset_ = 0;    // envelope offset in storedFile()
  uint32_t storedSize_ = 0;      // 0: no stored payload
  uint8_t* payload_ = nullptr;   // owned in-memory envelope, or null
  uint32_t savedOffset_ = 0;     // where the last payload pass put it
  uint32_t payloadSize_ = 0;     // bytes in payload_ (see invariant)
  CORVList* ownerList_ = nullptr;  // list holding the entry; no reference
};

#endif  // ORV_STORAGE_ORV_ENTRY_H_
