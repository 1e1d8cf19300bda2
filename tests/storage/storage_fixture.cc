#include "tests/storage/storage_fixture.h"

#include <new>

#include "com/stream_interfaces.h"

namespace orv {
namespace testing {

namespace {

template <class I>
I* Borrow(IUnknown* object, REFIID iid) {
  void* found = nullptr;
  if (object == nullptr || FAILED(object->QueryInterface(iid, &found))) {
    return nullptr;
  }
  I* borrowed = static_cast<I*>(found);
  borrowed->Release();  // the caller's own reference keeps it alive
  return borrowed;
}

}  // namespace

IORVList* ListOf(IUnknown* object) {
  return Borrow<IORVList>(object, IID_IORVList);
}

IObjectList* ObjectListOf(IUnknown* object) {
  return Borrow<IObjectList>(object, IID_IObjectList);
}

CORVList* ConcreteList(IUnknown* object) {
  return static_cast<CORVList*>(ListOf(object));
}

CORVEntry* ConcreteEntry(IORVEntry* entry) {
  return static_cast<CORVEntry*>(entry);
}

CORVRoot* ConcreteRoot(IORVRoot* root) { return static_cast<CORVRoot*>(root); }

const char StorageTest::kBox[] = "/c/box.orv";
const char StorageTest::kTmp[] = "/c/box.tmp";
const char StorageTest::kBak[] = "/c/box.bak";

StorageTest::StorageTest(Backing backing) : backing_(backing) {
  CORVFileSystem* made = new (std::nothrow) CORVFileSystem(nullptr);
  static_cast<IORVFileSystem*>(made)->AddRef();
  fileSystem_ = Held<IORVFileSystem>(made);
}

StorageTest::~StorageTest() = default;

void StorageTest::TearDown() {
  fileSystem_.reset();
  EXPECT_TRUE(faults_.OpenHandles().empty())
      << faults_.OpenHandles().size() << " handles left open";
  EXPECT_EQ(0u, faults_.OutstandingAllocations()) << "blocks leaked";
  EXPECT_EQ(0, faults_.StrayCloses());
  EXPECT_EQ(0, faults_.StrayFrees());
}

void StorageTest::PutFile(const std::string& path, const std::string& bytes) {
  if (backing_ == kInMemory) {
    fs_.SetBytes(path, bytes);
    fs_.SyncAll();
    return;
  }
  HFILE file = platform::_lcreat(path.c_str(), 0);
  ASSERT_NE(HFILE_ERROR, file) << "creating " << path;
  const int32_t size = static_cast<int32_t>(bytes.size());
  EXPECT_TRUE(size == 0 || platform::_hwrite(file, bytes.data(), size) == size);
  EXPECT_EQ(0, platform::_lclose(file));
}

std::string StorageTest::FileBytes(const std::string& path) {
  if (backing_ == kInMemory) return fs_.Bytes(path);
  HFILE file = platform::_lopen(
      path.c_str(), platform::kOpenRead | platform::kShareDenyNone);
  if (file == HFILE_ERROR) return std::string();
  std::string bytes;
  char chunk[4096];
  int32_t got;
  while ((got = platform::_lread(file, chunk, sizeof(chunk))) > 0) {
    bytes.append(chunk, static_cast<size_t>(got));
  }
  platform::_lclose(file);
  return bytes;
}

bool StorageTest::Exists(const std::string& path) {
  if (backing_ == kInMemory) return fs_.Exists(path);
  return platform::_access(path.c_str(), 0) == 0;
}

HRESULT StorageTest::TryOpen(const std::string& path, int32_t mode,
                             Held<IORVRoot>* root) {
  return fileSystem_->OpenRoot(root->out(), path.c_str(), 0, mode);
}

HRESULT StorageTest::TryCreate(const std::string& path, Held<IORVRoot>* root) {
  return fileSystem_->OpenRoot(root->out(), path.c_str(), 1, 0);
}

Held<IORVRoot> StorageTest::OpenBox(const std::string& path, int32_t mode) {
  Held<IORVRoot> root;
  HRESULT result = TryOpen(path, mode, &root);
  EXPECT_EQ(S_OK, result) << "opening " << path;
  return root;
}

Held<IORVRoot> StorageTest::CreateBox(const std::string& path) {
  Held<IORVRoot> root;
  HRESULT result = TryCreate(path, &root);
  EXPECT_EQ(S_OK, result) << "creating " << path;
  return root;
}

void StorageTest::ExpectSave(HRESULT expected, IORVRoot* root, int32_t backup,
                             const char* newPath) {
  ASSERT_NE(nullptr, root);
  EXPECT_EQ(expected, root->Save(0, backup, newPath));
}

Held<IORVEntry> StorageTest::NewEntry(IUnknown* list, const std::string& name) {
  Held<IORVEntry> entry;
  EXPECT_EQ(S_OK, ListOf(list)->CreateEntry(entry.out()));
  if (entry) {
    EXPECT_EQ(S_OK, entry->SetName(name.data(),
                                   static_cast<uint16_t>(name.size())));
  }
  return entry;
}

Held<IORVEntry> StorageTest::Add(IUnknown* parent, const std::string& name,
                                 const char* data) {
  Held<IORVEntry> entry = NewEntry(parent, name);
  if (!entry) return entry;
  IObjectList* list = ObjectListOf(parent);
  Held<IORVEntry> last;
  EXPECT_EQ(S_OK, list->GetLast(last.outVoid(), IID_IORVEntry));
  EXPECT_EQ(S_OK, list->Insert(entry.get(), last.get())) << "adding " << name;
  if (data != nullptr) SetPayload(entry.get(), data);
  return entry;
}

Held<IORVEntry> StorageTest::Find(IUnknown* parent, const std::string& name) {
  Held<IORVEntry> entry;
  IORVList* list = ListOf(parent);
  if (list == nullptr) return entry;
  list->FindEntry(entry.out(), name.data(),
                  static_cast<uint16_t>(name.size()));
  return entry;
}

Held<IORVEntry> StorageTest::At(IUnknown* parent, const std::string& path) {
  Held<IORVEntry> entry;
  size_t start = 0;
  IUnknown* list = parent;
  for (;;) {
    size_t slash = path.find('/', start);
    Held<IORVEntry> next =
        Find(list, path.substr(start, slash == std::string::npos
                                          ? std::string::npos
                                          : slash - start));
    entry = std::move(next);
    if (!entry || slash == std::string::npos) return entry;
    list = entry.get();
    start = slash + 1;
  }
}

void StorageTest::Fill(IUnknown* parent, const Tree& tree) {
  for (const Node& node : tree) {
    std::string data;
    if (!node.envelope.empty()) {
      ASSERT_TRUE(DecodeEnvelope(node.envelope, &data));
    }
    Held<IORVEntry> entry = Add(parent, node.name);
    ASSERT_TRUE(entry);
    if (!node.envelope.empty()) SetPayload(entry.get(), data);
    Fill(entry.get(), node.children);
  }
}

std::vector<std::string> StorageTest::Names(IUnknown* parent) {
  std::vector<std::string> names;
  IObjectList* list = ObjectListOf(parent);
  if (list == nullptr) {
    ADD_FAILURE() << "no list to walk";
    return names;
  }
  Held<IORVEntry> entry;
  EXPECT_EQ(S_OK, list->GetFirst(entry.outVoid(), IID_IORVEntry));
  while (entry) {
    names.push_back(Name(entry.get()));
    Held<IORVEntry> next;
    EXPECT_EQ(S_OK, list->GetNext(next.outVoid(), IID_IORVEntry, entry.get()));
    entry = std::move(next);
  }
  return names;
}

Tree StorageTest::Snapshot(IUnknown* parent) {
  Tree tree;
  IObjectList* list = ObjectListOf(parent);
  if (list == nullptr) {
    ADD_FAILURE() << "no list to take a snapshot of";
    return tree;
  }
  Held<IORVEntry> entry;
  EXPECT_EQ(S_OK, list->GetFirst(entry.outVoid(), IID_IORVEntry));
  while (entry) {
    Node node;
    node.name = Name(entry.get());
    std::string data;
    bool present = false;
    EXPECT_EQ(S_OK, ReadPayload(entry.get(), &data, &present));
    if (present) node.envelope = CompressedEnvelope(data);
    node.children = Snapshot(entry.get());
    tree.push_back(node);
    Held<IORVEntry> next;
    EXPECT_EQ(S_OK, list->GetNext(next.outVoid(), IID_IORVEntry, entry.get()));
    entry = std::move(next);
  }
  return tree;
}

std::string StorageTest::Render(IUnknown* parent) {
  IObjectList* list = ObjectListOf(parent);
  if (list == nullptr) return "<no list>";
  Held<IORVEntry> entry;
  if (FAILED(list->GetFirst(entry.outVoid(), IID_IORVEntry))) return "!";
  std::string text;
  while (entry) {
    if (!text.empty()) text += ",";
    const std::string name = Name(entry.get());
    text += name.empty() ? "~" : name;
    std::string data;
    bool present = false;
    if (FAILED(ReadPayload(entry.get(), &data, &present))) {
      text += "=!";
    } else if (present) {
      text += "=" + data;
    }
    const std::string children = Render(entry.get());
    if (!children.empty()) {
      text += "(" + children + ")";
    }
    Held<IORVEntry> next;
    EXPECT_EQ(S_OK, list->GetNext(next.outVoid(), IID_IORVEntry, entry.get()));
    entry = std::move(next);
  }
  return text;
}

void StorageTest::SetPayload(IORVEntry* entry, const std::string& data) {
  Held<IJOutStream> stream;
  ASSERT_EQ(S_OK, entry->OpenOutputStream(stream.out()));
  if (!data.empty()) {
    ASSERT_EQ(S_OK, stream->Write(data.data(),
                                  static_cast<uint32_t>(data.size())));
  }
}

HRESULT StorageTest::ReadPayload(IORVEntry* entry, std::string* data,
                                 bool* present) {
  data->clear();
  if (present != nullptr) *present = false;
  Held<IJInStream> stream;
  HRESULT opened = entry->OpenInputStream(stream.out());
  if (FAILED(opened) || !stream) return opened;
  if (present != nullptr) *present = true;
  uint32_t remaining = 0;
  HRESULT result = stream->GetRemaining(&remaining);
  if (FAILED(result)) return result;
  data->resize(remaining);
  return remaining == 0 ? S_OK : stream->Read(&(*data)[0], remaining);
}

std::string StorageTest::Payload(IORVEntry* entry) {
  std::string data;
  bool present = false;
  if (FAILED(ReadPayload(entry, &data, &present))) return "<failed>";
  return present ? data : "<none>";
}

std::string StorageTest::Name(IORVEntry* entry) {
  char buffer[256];
  uint16_t length = sizeof(buffer);
  if (FAILED(entry->GetName(buffer, &length))) return "<long name>";
  return std::string(buffer, length);
}

}  // namespace testing
}  // namespace orv
