// IUnknown and the non-delegating identity of a component object.
//
// Every interface of the module begins with QueryInterface, AddRef and
// Release in slots 0 to 2, and hosts call operations by slot. Interfaces
// therefore declare no virtual destructor (it would take table slots) and no
// data; their destructors are protected so that nobody deletes an object
// through an interface pointer: objects end by their last Release.
#ifndef ORV_COM_UNKNOWN_H_
#define ORV_COM_UNKNOWN_H_

#include "com/types.h"

struct IUnknown {
  // Looks the identifier up in the object's class table. On success *out holds
  // the interface pointer carrying one new reference for the caller and the
  // result is S_OK; otherwise *out is null and the result is E_NOINTERFACE.
  // The out pointer is not validated.
  virtual HRESULT ORV_STDCALL QueryInterface(REFIID iid, void** out) = 0;
  // Adds a reference; returns the new count.
  virtual uint32_t ORV_STDCALL AddRef() = 0;
  // Drops a reference; returns the new count. The call that brings the count
  // to 0 destroys the object, and no pointer to it may be used afterwards.
  virtual uint32_t ORV_STDCALL Release() = 0;

 protected:
  ~IUnknown() = default;
};

// The object's own identity. Its table has the shape of IUnknown's, so a
// pointer to it serves wherever an IUnknown pointer is expected; it is the
// pointer that QueryInterface(IID_IUnknown) hands out.
struct INonDelegatingUnknown {
  virtual HRESULT ORV_STDCALL NonDelegatingQueryInterface(REFIID iid,
                                                          void** out) = 0;
  virtual uint32_t ORV_STDCALL NonDelegatingAddRef() = 0;
  virtual uint32_t ORV_STDCALL NonDelegatingRelease() = 0;

 protected:
  ~INonDelegatingUnknown() = default;
};

#endif  // ORV_COM_UNKNOWN_H_
