#include "tools/entry_facts.h"

#include "com/stream_interfaces.h"
#include "tools/entry_path.h"
#include "com/iids.h"

namespace orv {
namespace tool {
namespace {

// Room for the names that most entries have.
constexpr size_t kUsualNameRoom = 256;

}  // namespace

HRESULT GetEntryName(IORVEntry* entry, std::string* name) {
  // GetName tells the length only when the name fits, so a name that does
  // not fit the usual room is asked for again with room for any name.
  HRESULT result = E_FAIL;
  for (size_t room : {kUsualNameRoom, kMaxNameLength}) {
    name->assign(room, '\0');
    uint16_t length = static_cast<uint16_t>(room);
    result = entry->GetName(&(*name)[0], &length);
    if (result != E_FAIL) {
      name->resize(SUCCEEDED(result) ? length : 0);
      return result;
    }
  }
  name->clear();
  return result;
}

HRESULT GetPayloadSize(IORVEntry* entry, bool* hasPayload, uint32_t* size) {
  *hasPayload = false;
  *size = 0;
  IJInStream* stream = nullptr;
  HRESULT result = entry->OpenInputStream(&stream);
  if (FAILED(result) || stream == nullptr) return result;
  // A fresh stream stands at the first payload byte, at the top level,
  // where GetRemaining counts the bytes left in the whole payload.
  result = stream->GetRemaining(size);
  stream->Release();
  *hasPayload = SUCCEEDED(result);
  return result;
}

HRESULT ForEachChild(IUnknown* owner,
                     const std::function<HRESULT(IORVEntry*)>& visit) {
  void* found = nullptr;
  HRESULT result = owner->QueryInterface(IID_IObjectList, &found);
  if (FAILED(result)) return result;
  IObjectList* objects = static_cast<IObjectList*>(found);
  IORVEntry* current = nullptr;
  result = objects->GetFirst(reinterpret_cast<void**>(&current), IID_IORVEntry);
  while (SUCCEEDED(result) && current != nullptr) {
    result = visit(current);
    IORVEntry* next = nullptr;
    if (SUCCEEDED(result)) {
      result = objects->GetNext(reinterpret_cast<void**>(&next), IID_IORVEntry,
                                current);
    }
    current->Release();
    current = next;
  }
  if (current != nullptr) current->Release();
  objects->Release();
  return result;
}

HRESULT CountChildren(IUnknown* owner, uint32_t* count) {
  *count = 0;
  return ForEachChild(owner, [count](IORVEntry*) {
    ++*count;
    return S_OK;
  });
}

HRESULT GetEntryFacts(IORVEntry* entry, EntryFacts* facts) {
  HRESULT result = GetEntryName(entry, &facts->name);
  if (SUCCEEDED(result)) {
    result = GetPayloadSize(entry, &facts->hasPayload, &facts->payloadSize);
  }
  if (SUCCEEDED(result)) result = CountChildren(entry, &facts->children);
  return result;
}

}  // namespace tool
}  // namespace orv
