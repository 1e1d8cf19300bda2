#include "tests/tools/fake_container.h"

#include <string.h>

#include "com/iids.h"

namespace orv {
namespace testing {

// --- FakeNode: identity and counting ---------------------------------------

FakeNode* FakeNode::From(IUnknown* object) {
  return object != nullptr ? dynamic_cast<FakeNode*>(object) : nullptr;
}

HRESULT FakeNode::QueryInterface(REFIID iid, void** out) {
  *out = nullptr;
  if (IsEqualGUID(iid, IID_IUnknown)) {
    *out = static_cast<IUnknown*>(static_cast<IORVList*>(this));
  } else if (IsEqualGUID(iid, IID_IORVRoot) && isRoot_) {
    *out = static_cast<IORVRoot*>(this);
  } else if (IsEqualGUID(iid, IID_IORVEntry) && !isRoot_) {
    *out = static_cast<IORVEntry*>(this);
  } else if (IsEqualGUID(iid, IID_IORVList)) {
    *out = static_cast<IORVList*>(this);
  } else if (IsEqualGUID(iid, IID_IObjectList)) {
    *out = static_cast<IObjectList*>(this);
  } else {
    return E_NOINTERFACE;
  }
  ++references;
  return S_OK;
}

uint32_t FakeNode::AddRef() { return ++references; }
uint32_t FakeNode::Release() { return --references; }

// --- IORVRoot ----------------------------------------------------------------

HRESULT FakeNode::Save(int32_t /*reserved*/, int32_t backup,
                       const char* newPath) {
  if (newPath != nullptr) return E_INVALIDARG;  // the tool saves in place
  ++tree_->saves;
  tree_->lastBackup = backup;
  return tree_->saveResult;
}

// --- IORVEntry ---------------------------------------------------------------

HRESULT FakeNode::GetName(void* buffer, uint16_t* length) {
  if (*length < name.size()) return E_FAIL;
  memcpy(buffer, name.data(), name.size());
  *length = static_cast<uint16_t>(name.size());
  return S_OK;
}

HRESULT FakeNode::SetName(const void* bytes, uint16_t length) {
  std::string wanted(static_cast<const char*>(bytes), length);
  if (wanted == name) return S_OK;
  if (owner != nullptr && owner->Named(wanted) != nullptr) return E_FAIL;
  name = wanted;
  return S_OK;
}

HRESULT FakeNode::OpenInputStream(IJInStream** stream) {
  *stream = nullptr;
  if (FAILED(tree_->openInputResult)) return tree_->openInputResult;
  if (!hasPayload) return S_OK;
  *stream = tree_->NewInStream(payload);
  (*stream)->AddRef();
  return S_OK;
}

HRESULT FakeNode::OpenOutputStream(IJOutStream** stream) {
  *stream = tree_->NewOutStream(this);
  (*stream)->AddRef();
  return S_OK;
}

HRESULT FakeNode::GetParent(IORVEntry** parent) {
  *parent = nullptr;
  if (owner != nullptr && !owner->isRoot_) {
    *parent = owner;
    owner->AddRef();
  }
  return S_OK;
}

HRESULT FakeNode::GetRoot(IORVRoot** root) {
  *root = nullptr;
  const FakeNode* node = this;
  while (node->owner != nullptr) node = node->owner;
  if (node->isRoot_ && node != this) {
    *root = tree_->root();
    tree_->root()->AddRef();
  }
  return S_OK;
}

// --- IORVList ----------------------------------------------------------------

HRESULT FakeNode::FindEntry(IORVEntry** result, const void* bytes,
                            uint16_t length) {
  *result = Named(std::string(static_cast<const char*>(bytes), length));
  if (*result != nullptr) (*result)->AddRef();
  return S_OK;
}

HRESULT FakeNode::CreateEntry(IORVEntry** result) {
  *result = nullptr;
  if (FAILED(tree_->createEntryResult)) return tree_->createEntryResult;
  FakeNode* made = tree_->NewNode();
  made->AddRef();
  *result = made;
  return S_OK;
}

// --- IObjectList -------------------------------------------------------------

HRESULT FakeNode::GetFirst(void** result, REFIID iid) {
  *result = nullptr;
  return children.empty() ? S_OK : children.front()->QueryInterface(iid, result);
}

HRESULT FakeNode::GetLast(void** result, REFIID iid) {
  *result = nullptr;
  return children.empty() ? S_OK : children.back()->QueryInterface(iid, result);
}

HRESULT FakeNode::GetNext(void** result, REFIID iid, IUnknown* current) {
  *result = nullptr;
  FakeNode* node = From(current);
  if (node == nullptr || node->owner == nullptr) return S_OK;
  const std::vector<FakeNode*>& siblings = node->owner->children;
  size_t next = static_cast<size_t>(node->owner->IndexOf(node)) + 1;
  return next < siblings.size() ? siblings[next]->QueryInterface(iid, result)
                                : S_OK;
}

HRESULT FakeNode::GetPrevious(void** result, REFIID iid, IUnknown* current) {
  int index = IndexOf(From(current));
  if (index <= 0) return E_FAIL;
  return children[index - 1]->QueryInterface(iid, result);
}

HRESULT FakeNode::Insert(IUnknown* entry, IUnknown* position) {
  FakeNode* node = From(entry);
  if (node == nullptr || node->isRoot_) return E_INVALIDARG;
  FakeNode* after = From(position);
  if (after != nullptr && after->owner != this) return E_INVALIDARG;
  if (node->owner != nullptr || Named(node->name) != nullptr) return E_FAIL;
  children.insert(children.begin() + (after != nullptr ? IndexOf(after) + 1 : 0),
                  node);
  node->owner = this;
  return S_OK;
}

HRESULT FakeNode::Remove(IUnknown* entry) {
  FakeNode* node = From(entry);
  if (node == nullptr) return E_INVALIDARG;
  int index = IndexOf(node);
  if (index < 0) return E_FAIL;
  children.erase(children.begin() + index);
  node->owner = nullptr;
  return S_OK;
}

int FakeNode::IndexOf(const FakeNode* child) const {
  for (size_t i = 0; i < children.size(); ++i) {
    if (children[i] == child) return static_cast<int>(i);
  }
  return -1;
}

FakeNode* FakeNode::Named(const std::string& wanted) const {
  for (FakeNode* child : children) {
    if (child->name == wanted) return child;
  }
  return nullptr;
}

// --- streams -----------------------------------------------------------------

HRESULT FakeInStream::QueryInterface(REFIID, void** out) {
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT FakeInStream::Read(void* destination, uint32_t length) {
  if (length > bytes_.size() - position_) return E_FAIL;
  memcpy(destination, bytes_.data() + position_, length);
  position_ += length;
  return S_OK;
}

HRESULT FakeInStream::GetRemaining(uint32_t* remaining) {
  *remaining = static_cast<uint32_t>(bytes_.size() - position_);
  return S_OK;
}

HRESULT FakeInStream::GetClassID(GUID* classId) {
  memset(classId, 0, sizeof(*classId));
  return S_OK;
}

HRESULT FakeOutStream::QueryInterface(REFIID, void** out) {
  *out = nullptr;
  return E_NOINTERFACE;
}

uint32_t FakeOutStream::Release() {
  if (--references == 0) {
    entry_->hasPayload = true;
    entry_->payload = bytes_;
  }
  return references;
}

HRESULT FakeOutStream::Write(const void* source, uint32_t count) {
  ++tree_->writes;
  if (bytes_.size() + count > tree_->writeLimit) return tree_->writeResult;
  bytes_.append(static_cast<const char*>(source), count);
  return S_OK;
}

// --- FakeTree ----------------------------------------------------------------

FakeTree::FakeTree() {
  nodes_.emplace_back(new FakeNode(this, true));
  root_ = nodes_.back().get();
}

FakeNode* FakeTree::NewNode() {
  nodes_.emplace_back(new FakeNode(this, false));
  return nodes_.back().get();
}

FakeInStream* FakeTree::NewInStream(const std::string& bytes) {
  inStreams_.emplace_back(new FakeInStream(bytes));
  return inStreams_.back().get();
}

FakeOutStream* FakeTree::NewOutStream(FakeNode* entry) {
  outStreams_.emplace_back(new FakeOutStream(this, entry));
  return outStreams_.back().get();
}

FakeNode* FakeTree::Add(FakeNode* parent, const std::string& name,
                        const char* payload, size_t size) {
  FakeNode* node = NewNode();
  node->name = name;
  if (payload != nullptr) {
    node->hasPayload = true;
    node->payload.assign(payload, size != 0 ? size : strlen(payload));
  }
  node->owner = parent;
  parent->children.push_back(node);
  return node;
}

FakeNode* FakeTree::At(const std::vector<std::string>& names) const {
  FakeNode* node = root_;
  for (const std::string& name : names) {
    FakeNode* next = nullptr;
    for (FakeNode* child : node->children) {
      if (child->name == name) {
        next = child;
        break;
      }
    }
    if (next == nullptr) return nullptr;
    node = next;
  }
  return node;
}

std::vector<std::string> FakeTree::NamesIn(const FakeNode* node) {
  std::vector<std::string> names;
  for (const FakeNode* child : node->children) names.push_back(child->name);
  return names;
}

int32_t FakeTree::HeldReferences() const {
  int32_t held = 0;
  for (const auto& node : nodes_) held += node->references;
  for (const auto& stream : inStreams_) held += stream->references;
  for (const auto& stream : outStreams_) held += stream->references;
  return held;
}

}  // namespace testing
}  // namespace orv
