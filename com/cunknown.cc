#include "com/cunknown.h"

#include "com/iids.h"
#include "platform/platform.h"

CUnknown::CUnknown(IUnknown* outer) : outer_(outer), referenceCount_(0) {}

CUnknown::~CUnknown() = default;

HRESULT ORV_STDCALL CUnknown::NonDelegatingQueryInterface(REFIID iid,
                                                          void** out) {
  if (orv::platform::IsBadWritePtr(out, sizeof(*out))) return E_POINTER;
  if (orv::platform::IsBadReadPtr(&iid, sizeof(iid))) {
    *out = nullptr;
    return E_INVALIDARG;
  }
  return LookUp(iid, out);
}

HRESULT CUnknown::LookUp(REFIID iid, void** out) {
  if (IUnknown* found = FindInterface(iid)) return HandOut(found, out);
  if (IsEqualGUID(iid, IID_IUnknown)) {
    *out = static_cast<INonDelegatingUnknown*>(this);
    NonDelegatingAddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

uint32_t ORV_STDCALL CUnknown::NonDelegatingAddRef() {
  return static_cast<uint32_t>(++referenceCount_);
}

uint32_t ORV_STDCALL CUnknown::NonDelegatingRelease() {
  if (--referenceCount_ == 0) {
    delete this;
    return 0;
  }
  return static_cast<uint32_t>(referenceCount_);
}

void* CUnknown::operator new(size_t size, const std::nothrow_t&) noexcept {
  return orv::platform::Alloc(size);
}

void CUnknown::operator delete(void* memory) noexcept {
  orv::platform::Free(memory);
}

void CUnknown::operator delete(void* memory, const std::nothrow_t&) noexcept {
  orv::platform::Free(memory);
}

HRESULT CUnknown::OwnerQueryInterface(REFIID iid, void** out) {
  return outer_ ? outer_->QueryInterface(iid, out)
                : NonDelegatingQueryInterface(iid, out);
}

uint32_t CUnknown::OwnerAddRef() {
  return outer_ ? outer_->AddRef() : NonDelegatingAddRef();
}

uint32_t CUnknown::OwnerRelease() {
  return outer_ ? outer_->Release() : NonDelegatingRelease();
}
