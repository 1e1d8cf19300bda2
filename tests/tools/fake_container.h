// An in-memory container behind the module's interfaces, for the tool's
// tests: a tree of FakeNodes (the root and its entries) with plain-byte
// payloads, streams that read and collect them, failures a test can set,
// and a ledger of the references the tool holds.
//
//   FakeTree tree;
//   FakeNode* docs = tree.Add(tree.root(), "docs");
//   tree.Add(docs, "readme", "hello");          // an entry with a payload
//   tree.saveResult = E_ACCESSDENIED;           // the next Save fails
//   ... run a command ...
//   EXPECT_EQ(0, tree.HeldReferences());        // the tool gave all back
//
// The fake keeps every node and stream it made until it is destroyed, so
// that a test can look at them after the tool let go; references are only
// counted, never acted on. Its own links (a list's hold on its entries)
// count no reference: every reference counted is one the tool took.
#ifndef ORV_TESTS_TOOLS_FAKE_CONTAINER_H_
#define ORV_TESTS_TOOLS_FAKE_CONTAINER_H_

#include <stdint.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "com/orv_interfaces.h"
#include "com/stream_interfaces.h"

namespace orv {
namespace testing {

class FakeTree;

// The root (answers IORVRoot) or an entry (answers IORVEntry); both answer
// IORVList and IObjectList.
class FakeNode final : public IORVRoot,
                 public IORVEntry,
                 public IORVList,
                 public IObjectList {
 public:
  FakeNode(FakeTree* tree, bool isRoot) : tree_(tree), isRoot_(isRoot) {}

  std::string name;
  bool hasPayload = false;
  std::string payload;
  FakeNode* owner = nullptr;  // the node whose list holds this one, or null
  std::vector<FakeNode*> children;
  int32_t references = 0;

  // The node behind any interface pointer of a FakeNode; null otherwise.
  static FakeNode* From(IUnknown* object);

  HRESULT ORV_STDCALL QueryInterface(REFIID iid, void** out) override;
  uint32_t ORV_STDCALL AddRef() override;
  uint32_t ORV_STDCALL Release() override;

  // IORVRoot
  HRESULT ORV_STDCALL Save(int32_t reserved, int32_t backup,
                           const char* newPath) override;

  // IORVEntry
  HRESULT ORV_STDCALL GetName(void* buffer, uint16_t* length) override;
  HRESULT ORV_STDCALL SetName(const void* name, uint16_t length) override;
  HRESULT ORV_STDCALL OpenInputStream(IJInStream** stream) override;
  HRESULT ORV_STDCALL OpenOutputStream(IJOutStream** stream) override;
  HRESULT ORV_STDCALL GetParent(IORVEntry** parent) override;
  HRESULT ORV_STDCALL GetRoot(IORVRoot** root) override;

  // IORVList; the storage protocol (slots 5 to 12) is not for hosts, and
  // the fake only answers it.
  HRESULT ORV_STDCALL FindEntry(IORVEntry** result, const void* name,
                                uint16_t length) override;
  HRESULT ORV_STDCALL CreateEntry(IORVEntry** result) override;
  HRESULT ORV_STDCALL LoadEntries() override { return S_OK; }
  HFILE ORV_STDCALL GetFile() override { return 0; }
  int32_t ORV_STDCALL LockChildren() override { return 0; }
  int32_t ORV_STDCALL UnlockChildren() override { return 0; }
  HRESULT ORV_STDCALL WriteTables(HFILE) override { return E_FAIL; }
  HRESULT ORV_STDCALL CopyData(HFILE, HFILE) override { return E_FAIL; }
  void ORV_STDCALL CommitSaved() override {}
  void ORV_STDCALL SetModified() override {}

  // IObjectList
  HRESULT ORV_STDCALL GetFirst(void** result, REFIID iid) override;
  HRESULT ORV_STDCALL GetLast(void** result, REFIID iid) override;
  HRESULT ORV_STDCALL GetNext(void** result, REFIID iid,
                              IUnknown* current) override;
  HRESULT ORV_STDCALL GetPrevious(void** result, REFIID iid,
                                  IUnknown* current) override;
  HRESULT ORV_STDCALL Insert(IUnknown* entry, IUnknown* position) override;
  HRESULT ORV_STDCALL Remove(IUnknown* entry) override;

 private:
  // Index of `child` in `children`, or -1.
  int IndexOf(const FakeNode* child) const;
  FakeNode* Named(const std::string& wanted) const;

  FakeTree* tree_;
  bool isRoot_;
};

// Reads a copy of a node's payload as plain bytes; records are not read.
class FakeInStream final : public IJInStream {
 public:
  explicit FakeInStream(const std::string& bytes) : bytes_(bytes) {}
  int32_t references = 0;

  HRESULT ORV_STDCALL QueryInterface(REFIID iid, void** out) override;
  uint32_t ORV_STDCALL AddRef() override { return ++references; }
  uint32_t ORV_STDCALL Release() override { return --references; }
  HRESULT ORV_STDCALL Read(void* destination, uint32_t length) override;
  HRESULT ORV_STDCALL ReadObject(IJPersist*) override { return E_FAIL; }
  HRESULT ORV_STDCALL PeekClassID(GUID*) override { return E_FAIL; }
  HRESULT ORV_STDCALL GetRemaining(uint32_t* remaining) override;
  HRESULT ORV_STDCALL GetClassID(GUID* classId) override;

 private:
  std::string bytes_;
  size_t position_ = 0;
};

// Collects plain bytes; its last Release makes them its entry's payload.
class FakeOutStream final : public IJOutStream {
 public:
  FakeOutStream(FakeTree* tree, FakeNode* entry) : tree_(tree), entry_(entry) {}
  int32_t references = 0;

  HRESULT ORV_STDCALL QueryInterface(REFIID iid, void** out) override;
  uint32_t ORV_STDCALL AddRef() override { return ++references; }
  uint32_t ORV_STDCALL Release() override;
  HRESULT ORV_STDCALL Write(const void* source, uint32_t count) override;
  HRESULT ORV_STDCALL WriteObject(IJPersist*) override { return E_FAIL; }

 private:
  FakeTree* tree_;
  FakeNode* entry_;
  std::string bytes_;
};

// What the tool did and what the fake makes fail.
class FakeTree {
 public:
  FakeTree();
  FakeTree(const FakeTree&) = delete;
  FakeTree& operator=(const FakeTree&) = delete;

  FakeNode* root() const { return root_; }
  // Appends a new entry to `parent`'s list; with `payload`, it carries one.
  FakeNode* Add(FakeNode* parent, const std::string& name,
                const char* payload = nullptr, size_t size = 0);
  // The node at the names from the root, or null.
  FakeNode* At(const std::vector<std::string>& names) const;
  // The names of `node`'s children, in list order.
  static std::vector<std::string> NamesIn(const FakeNode* node);

  // References the tool holds now on every node and stream of the tree.
  int32_t HeldReferences() const;

  // Failures, each returned by every call of its operation.
  HRESULT saveResult = S_OK;
  HRESULT createEntryResult = S_OK;
  HRESULT openInputResult = S_OK;
  // Write fails with writeResult once a stream would hold more than
  // writeLimit bytes.
  HRESULT writeResult = E_OUTOFMEMORY;
  uint32_t writeLimit = UINT32_MAX;

  // What the tool asked for.
  int saves = 0;
  int32_t lastBackup = -1;
  int writes = 0;  // Write calls of all output streams

  // Makers for FakeNode; the tree owns what they return.
  FakeNode* NewNode();
  FakeInStream* NewInStream(const std::string& bytes);
  FakeOutStream* NewOutStream(FakeNode* entry);

 private:
  std::deque<std::unique_ptr<FakeNode>> nodes_;
  std::deque<std::unique_ptr<FakeInStream>> inStreams_;
  std::deque<std::unique_ptr<FakeOutStream>> outStreams_;
  FakeNode* root_;
};

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_TOOLS_FAKE_CONTAINER_H_
