#include "tools/container.h"

#include "com/iids.h"

namespace orv {
namespace tool {
namespace {

// The interface `iid` of `object`, with a reference; null with the failure.
template <class Interface>
HRESULT Query(IUnknown* object, const IID& iid, Interface** out) {
  void* found = nullptr;
  HRESULT result = object->QueryInterface(iid, &found);
  *out = static_cast<Interface*>(found);
  return result;
}

template <class Interface>
void ReleaseIfSet(Interface* iface) {
  if (iface != nullptr) iface->Release();
}

}  // namespace

HRESULT FindChild(IUnknown* owner, const std::string& name,
                  IORVEntry** entry) {
  *entry = nullptr;
  IORVList* list = nullptr;
  HRESULT result = Query(owner, IID_IORVList, &list);
  if (FAILED(result)) return result;
  result = list->FindEntry(entry, name.data(),
                           static_cast<uint16_t>(name.size()));
  list->Release();
  if (FAILED(result)) {
    ReleaseIfSet(*entry);
    *entry = nullptr;
  }
  return result;
}

HRESULT AppendChild(IUnknown* owner, const std::string& name,
                    IORVEntry** entry) {
  *entry = nullptr;
  IORVList* list = nullptr;
  IObjectList* objects = nullptr;
  HRESULT result = Query(owner, IID_IORVList, &list);
  if (SUCCEEDED(result)) result = Query(owner, IID_IObjectList, &objects);
  IORVEntry* made = nullptr;
  if (SUCCEEDED(result)) result = list->CreateEntry(&made);
  if (SUCCEEDED(result)) {
    result = made->SetName(name.data(), static_cast<uint16_t>(name.size()));
  }
  // The position is taken as an entry: an IID_IUnknown identity serves to
  // compare objects, and may not be an IUnknown to call Release on.
  IORVEntry* last = nullptr;
  if (SUCCEEDED(result)) {
    result = objects->GetLast(reinterpret_cast<void**>(&last), IID_IORVEntry);
  }
  if (SUCCEEDED(result)) result = objects->Insert(made, last);
  ReleaseIfSet(last);
  ReleaseIfSet(objects);
  ReleaseIfSet(list);
  if (FAILED(result)) {
    ReleaseIfSet(made);
    return result;
  }
  *entry = made;
  return S_OK;
}

Container::~Container() { ReleaseIfSet(root_); }

HRESULT Container::Open(const std::string& path, bool forWriting) {
  return fileSystem_->OpenRoot(&root_, path.c_str(), 0,
                               forWriting ? kOpenReadWrite : kOpenRead);
}

HRESULT Container::Create(const std::string& path) {
  HRESULT result = fileSystem_->OpenRoot(&root_, path.c_str(), 1, 0);
  if (FAILED(result)) return result;
  return Save(false);
}

HRESULT Container::Save(bool backup) {
  return root_->Save(0, backup ? 1 : 0, nullptr);
}

HRESULT Container::Find(const EntryPath& path, IORVEntry** entry,
                        size_t* found) {
  return Walk(path, false, entry, found);
}

HRESULT Container::Make(const EntryPath& path, IORVEntry** entry,
                        size_t* found) {
  return Walk(path, true, entry, found);
}

HRESULT Container::Walk(const EntryPath& path, bool make, IORVEntry** entry,
                        size_t* found) {
  *entry = nullptr;
  *found = 0;
  IORVEntry* current = nullptr;  // null: the root
  for (const std::string& name : path.names()) {
    IUnknown* owner = current != nullptr ? static_cast<IUnknown*>(current)
                                         : static_cast<IUnknown*>(root_);
    IORVEntry* child = nullptr;
    HRESULT result = FindChild(owner, name, &child);
    if (child != nullptr) {
      ++*found;  // entries made below cannot have children to find
    } else if (SUCCEEDED(result) && make) {
      result = AppendChild(owner, name, &child);
    }
    ReleaseIfSet(current);
    current = child;
    if (FAILED(result)) return result;
    if (current == nullptr) return S_OK;
  }
  *entry = current;
  return S_OK;
}

}  // namespace tool
}  // namespace orv
