// CUnknown: identity, reference count and interface lookup of every
// component object the module hands out.
//
// An object is created with count 0 and owns itself (or delegates to an outer
// unknown given at construction). The creator takes the first reference
// before handing the object out. Every delegating QueryInterface, AddRef and
// Release of the object's interfaces lands in the owner's, and the Release
// that brings the count to 0 runs the most derived destructor and frees the
// memory. Counts are plain integers: one object is used from one thread at a
// time.
//
// Component objects are allocated through the platform's allocation seam
// (operator new below), so allocation-failure tests reach them too; they are
// always created with new (std::nothrow) and a null result means
// E_OUTOFMEMORY.
#ifndef ORV_COM_CUNKNOWN_H_
#define ORV_COM_CUNKNOWN_H_

#include <stddef.h>

#include <new>

#include "com/unknown.h"

class CUnknown : public INonDelegatingUnknown {
 public:
  // `outer` may be null; the object is then its own owner. The outer unknown
  // is not referenced: an aggregate lives inside its outer object.
  explicit CUnknown(IUnknown* outer);
  virtual ~CUnknown();

  CUnknown(const CUnknown&) = delete;
  CUnknown& operator=(const CUnknown&) = delete;

  // The lookup of every class: first the class's own table (FindInterface),
  // then IID_IUnknown, answered with the non-delegating identity; anything
  // else stores null and gives E_NOINTERFACE. The reference is added through
  // the interface handed out, so a class's own AddRef rules apply (an
  // entry's locks its list; the identity's does not). Arguments that cannot
  // be used give E_POINTER (out not writable) or E_INVALIDARG (identifier
  // not readable, *out set to null) instead of a fault.
  HRESULT ORV_STDCALL NonDelegatingQueryInterface(REFIID iid,
                                                  void** out) final;
  // The lookup itself, for callers inside the module that have checked the
  // arguments already (pointer checks are system calls on some platforms).
  HRESULT LookUp(REFIID iid, void** out);

  uint32_t ORV_STDCALL NonDelegatingAddRef() override;
  uint32_t ORV_STDCALL NonDelegatingRelease() override;

  static void* operator new(size_t size, const std::nothrow_t&) noexcept;
  static void operator delete(void* memory) noexcept;
  static void operator delete(void* memory, const std::nothrow_t&) noexcept;
  // Throwing allocation is not offered: component code never throws.
  static void* operator new(size_t size) = delete;

 protected:
  // The three delegating operations every interface of the object forwards
  // to: the outer unknown's when there is one, else the object's own.
  HRESULT OwnerQueryInterface(REFIID iid, void** out);
  uint32_t OwnerAddRef();
  uint32_t OwnerRelease();

  // The class's own table: the interface of this object that answers `iid`,
  // tested in the class's order, or null. Adds no reference.
  virtual IUnknown* FindInterface(REFIID iid) = 0;

  // Hands out `iface` through an out parameter, adding the reference through
  // the interface itself so that a class's own AddRef rules apply.
  template <class Interface>
  static HRESULT HandOut(Interface* iface, void** out) {
    *out = iface;
    iface->AddRef();
    return S_OK;
  }

  int32_t ReferenceCount() const { return referenceCount_; }

 private:
  IUnknown* outer_;         // null when the object is its own owner
  int32_t referenceCount_;  // 0 at construction
};

// Defines the delegating QueryInterface, AddRef and Release of a class whose
// interfaces follow the plain owner rules (everything but entries).
#define ORV_DELEGATING_UNKNOWN()                                          \
  HRESULT ORV_STDCALL QueryInterface(REFIID iid, void** out) override {   \
    return OwnerQueryInterface(iid, out);                                 \
  }                                                                       \
  uint32_t ORV_STDCALL AddRef() override { return OwnerAddRef(); }        \
  uint32_t ORV_STDCALL Release() override { return OwnerRelease(); }

#endif  // ORV_COM_CUNKNOWN_H_
