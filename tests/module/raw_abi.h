// The module's binary interface as a host without the C++ declarations sees
// it: every interface pointer points at a pointer to a table of functions,
// called by slot, each taking the interface pointer first. Written from the
// published slot orders, independently of com/, so that a test calling
// through these tables catches a wrong slot order or calling convention in
// the module.
//
// Calling convention: stdcall on 32-bit Windows (arguments on the stack,
// `self` first, popped by the callee), the platform's C convention on Linux
// (which is also its member-call convention). Results are 32-bit codes; u16
// arguments are passed by value; identifiers by pointer to their 16 bytes.
//
// Adding an interface: one RAW_INTERFACE line, a slots struct that starts
// with RAW_UNKNOWN_SLOTS, and a RAW_SLOT check for every operation.
#ifndef ORV_TESTS_MODULE_RAW_ABI_H_
#define ORV_TESTS_MODULE_RAW_ABI_H_

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define RAW_CALL __stdcall
#else
#define RAW_CALL
#endif

typedef int32_t RawResult;
typedef int32_t RawHandle;

// An identifier in its 16 stored bytes.
typedef struct RawGuid {
  uint8_t bytes[16];
} RawGuid;

// An interface pointer: the object's pointer to the table of `Name##Slots`.
#define RAW_INTERFACE(Name)          \
  typedef struct Name##Slots Name##Slots; \
  typedef struct Name {              \
    const Name##Slots* slots;        \
  } Name;

// Slots 0 to 2 of every interface.
#define RAW_UNKNOWN_SLOTS(Self)                                          \
  RawResult(RAW_CALL* QueryInterface)(Self * self, const RawGuid* iid,   \
                                      void** out);                       \
  uint32_t(RAW_CALL* AddRef)(Self * self);                               \
  uint32_t(RAW_CALL* Release)(Self * self);

// Pins an operation to its slot number.
#define RAW_SLOT(Slots, operation, slot)                              \
  static_assert(offsetof(Slots, operation) == (slot) * sizeof(void*), \
                #Slots "::" #operation " must be slot " #slot)

RAW_INTERFACE(RawUnknown)
RAW_INTERFACE(RawFileSystem)
RAW_INTERFACE(RawRoot)
RAW_INTERFACE(RawList)
RAW_INTERFACE(RawObjectList)
RAW_INTERFACE(RawEntry)
RAW_INTERFACE(RawInStream)
RAW_INTERFACE(RawOutStream)
RAW_INTERFACE(RawStream)
RAW_INTERFACE(RawPersist)
RAW_INTERFACE(RawTracker)

// IUnknown, and INonDelegatingUnknown, whose table has the same shape.
struct RawUnknownSlots {
  RAW_UNKNOWN_SLOTS(RawUnknown)
};
RAW_SLOT(RawUnknownSlots, QueryInterface, 0);
RAW_SLOT(RawUnknownSlots, AddRef, 1);
RAW_SLOT(RawUnknownSlots, Release, 2);

// IORVFileSystem.
struct RawFileSystemSlots {
  RAW_UNKNOWN_SLOTS(RawFileSystem)
  RawResult(RAW_CALL* GetInfo)(RawFileSystem* self, void* buffer);
  RawResult(RAW_CALL* IsContainerFile)(RawFileSystem* self, const char* path);
  RawResult(RAW_CALL* OpenRoot)(RawFileSystem* self, RawRoot** root,
                                const char* path, int32_t create,
                                int32_t mode);
};
RAW_SLOT(RawFileSystemSlots, GetInfo, 3);
RAW_SLOT(RawFileSystemSlots, IsContainerFile, 4);
RAW_SLOT(RawFileSystemSlots, OpenRoot, 5);

// IORVRoot.
struct RawRootSlots {
  RAW_UNKNOWN_SLOTS(RawRoot)
  RawResult(RAW_CALL* Save)(RawRoot* self, int32_t reserved, int32_t backup,
                            const char* newPath);
};
RAW_SLOT(RawRootSlots, Save, 3);

// IORVList.
struct RawListSlots {
  RAW_UNKNOWN_SLOTS(RawList)
  RawResult(RAW_CALL* FindEntry)(RawList* self, RawEntry** result,
                                 const void* name, uint16_t length);
  RawResult(RAW_CALL* CreateEntry)(RawList* self, RawEntry** result);
  RawResult(RAW_CALL* LoadEntries)(RawList* self);
  RawHandle(RAW_CALL* GetFile)(RawList* self);
  int32_t(RAW_CALL* LockChildren)(RawList* self);
  int32_t(RAW_CALL* UnlockChildren)(RawList* self);
  RawResult(RAW_CALL* WriteTables)(RawList* self, RawHandle file);
  RawResult(RAW_CALL* CopyData)(RawList* self, RawHandle source,
                                RawHandle target);
  void(RAW_CALL* CommitSaved)(RawList* self);
  void(RAW_CALL* SetModified)(RawList* self);
};
RAW_SLOT(RawListSlots, FindEntry, 3);
RAW_SLOT(RawListSlots, CreateEntry, 4);
RAW_SLOT(RawListSlots, LoadEntries, 5);
RAW_SLOT(RawListSlots, GetFile, 6);
RAW_SLOT(RawListSlots, LockChildren, 7);
RAW_SLOT(RawListSlots, UnlockChildren, 8);
RAW_SLOT(RawListSlots, WriteTables, 9);
RAW_SLOT(RawListSlots, CopyData, 10);
RAW_SLOT(RawListSlots, CommitSaved, 11);
RAW_SLOT(RawListSlots, SetModified, 12);

// IObjectList.
struct RawObjectListSlots {
  RAW_UNKNOWN_SLOTS(RawObjectList)
  RawResult(RAW_CALL* GetFirst)(RawObjectList* self, void** result,
                                const RawGuid* iid);
  RawResult(RAW_CALL* GetLast)(RawObjectList* self, void** result,
                               const RawGuid* iid);
  RawResult(RAW_CALL* GetNext)(RawObjectList* self, void** result,
                               const RawGuid* iid, RawUnknown* current);
  RawResult(RAW_CALL* GetPrevious)(RawObjectList* self, void** result,
                                   const RawGuid* iid, RawUnknown* current);
  RawResult(RAW_CALL* Insert)(RawObjectList* self, RawUnknown* entry,
                              RawUnknown* position);
  RawResult(RAW_CALL* Remove)(RawObjectList* self, RawUnknown* entry);
};
RAW_SLOT(RawObjectListSlots, GetFirst, 3);
RAW_SLOT(RawObjectListSlots, GetLast, 4);
RAW_SLOT(RawObjectListSlots, GetNext, 5);
RAW_SLOT(RawObjectListSlots, GetPrevious, 6);
RAW_SLOT(RawObjectListSlots, Insert, 7);
RAW_SLOT(RawObjectListSlots, Remove, 8);

// IORVEntry.
struct RawEntrySlots {
  RAW_UNKNOWN_SLOTS(RawEntry)
  RawResult(RAW_CALL* GetName)(RawEntry* self, void* buffer,
                               uint16_t* length);
  RawResult(RAW_CALL* SetName)(RawEntry* self, const void* name,
                               uint16_t length);
  RawResult(RAW_CALL* OpenInputStream)(RawEntry* self, RawInStream** stream);
  RawResult(RAW_CALL* OpenOutputStream)(RawEntry* self,
                                        RawOutStream** stream);
  RawResult(RAW_CALL* GetParent)(RawEntry* self, RawEntry** parent);
  RawResult(RAW_CALL* GetRoot)(RawEntry* self, RawRoot** root);
};
RAW_SLOT(RawEntrySlots, GetName, 3);
RAW_SLOT(RawEntrySlots, SetName, 4);
RAW_SLOT(RawEntrySlots, OpenInputStream, 5);
RAW_SLOT(RawEntrySlots, OpenOutputStream, 6);
RAW_SLOT(RawEntrySlots, GetParent, 7);
RAW_SLOT(RawEntrySlots, GetRoot, 8);

// IJInStream.
struct RawInStreamSlots {
  RAW_UNKNOWN_SLOTS(RawInStream)
  RawResult(RAW_CALL* Read)(RawInStream* self, void* destination,
                            uint32_t length);
  RawResult(RAW_CALL* ReadObject)(RawInStream* self, RawPersist* object);
  RawResult(RAW_CALL* PeekClassID)(RawInStream* self, RawGuid* classId);
  RawResult(RAW_CALL* GetRemaining)(RawInStream* self, uint32_t* remaining);
  RawResult(RAW_CALL* GetClassID)(RawInStream* self, RawGuid* classId);
};
RAW_SLOT(RawInStreamSlots, Read, 3);
RAW_SLOT(RawInStreamSlots, ReadObject, 4);
RAW_SLOT(RawInStreamSlots, PeekClassID, 5);
RAW_SLOT(RawInStreamSlots, GetRemaining, 6);
RAW_SLOT(RawInStreamSlots, GetClassID, 7);

// IJOutStream.
struct RawOutStreamSlots {
  RAW_UNKNOWN_SLOTS(RawOutStream)
  RawResult(RAW_CALL* Write)(RawOutStream* self, const void* source,
                             uint32_t count);
  RawResult(RAW_CALL* WriteObject)(RawOutStream* self, RawPersist* object);
};
RAW_SLOT(RawOutStreamSlots, Write, 3);
RAW_SLOT(RawOutStreamSlots, WriteObject, 4);

// IORVStream.
struct RawStreamSlots {
  RAW_UNKNOWN_SLOTS(RawStream)
  RawResult(RAW_CALL* SetUserValue)(RawStream* self, uint32_t value);
  RawResult(RAW_CALL* GetUserValue)(RawStream* self, uint32_t* value);
};
RAW_SLOT(RawStreamSlots, SetUserValue, 3);
RAW_SLOT(RawStreamSlots, GetUserValue, 4);

// IJPersist, implemented by the host's objects and called by the streams.
struct RawPersistSlots {
  RAW_UNKNOWN_SLOTS(RawPersist)
  RawResult(RAW_CALL* GetClassID)(RawPersist* self, RawGuid* classId);
  RawResult(RAW_CALL* GetVersion)(RawPersist* self, uint16_t* version);
  RawResult(RAW_CALL* Load)(RawPersist* self, RawInStream* stream,
                            uint16_t version);
  RawResult(RAW_CALL* Save)(RawPersist* self, RawOutStream* stream);
};
RAW_SLOT(RawPersistSlots, GetClassID, 3);
RAW_SLOT(RawPersistSlots, GetVersion, 4);
RAW_SLOT(RawPersistSlots, Load, 5);
RAW_SLOT(RawPersistSlots, Save, 6);

// ITracker adds no operation.
struct RawTrackerSlots {
  RAW_UNKNOWN_SLOTS(RawTracker)
};

// Any interface pointer seen as its first three slots.
template <class Interface>
inline RawUnknown* AsUnknown(Interface* iface) {
  return reinterpret_cast<RawUnknown*>(iface);
}

#endif  // ORV_TESTS_MODULE_RAW_ABI_H_
