// A host's whole round trip through the built module, on raw slots only: it
// creates a container, builds a small tree, writes plain bytes and nested
// object records (from C-struct host objects, raw_sample.h) into entries,
// saves in place, with a backup and to a new path, reopens, walks every list
// both ways and reads every payload back; then moves, renames, saves and
// reads again. Every operation goes through raw_abi.h's slot tables, so a
// wrong slot order or calling convention anywhere in the module (lists,
// entries, both streams, the calls into IJPersist) fails here.
//
// Every reference the test takes it gives back, checked through the counts
// that Release returns, the lists' lock counts and, at the end of the
// program, the file system's count (raw_host_fixture.h).
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/doubles/scratch_directory.h"
#include "tests/module/raw_host_fixture.h"
#include "tests/module/raw_sample.h"

namespace orv {
namespace testing {
namespace {

constexpr RawResult kOk = 0;
constexpr RawResult kFail = static_cast<RawResult>(0x80004005);
constexpr RawResult kNoInterface = static_cast<RawResult>(0x80004002);
constexpr int32_t kOpenReadWrite = 2;
constexpr uint32_t kUserValue = 0xC0FFEE42u;

typedef std::vector<uint8_t> Bytes;

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Bytes that neither repeat nor compress well.
Bytes Noise(size_t count, uint32_t seed) {
  Bytes bytes(count);
  for (uint8_t& b : bytes) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(seed >> 16);
  }
  return bytes;
}

Bytes EveryByteValue() {
  Bytes bytes(256);
  for (int i = 0; i < 256; ++i) bytes[i] = static_cast<uint8_t>(i);
  return bytes;
}

// One level of a nested record: the sample's class id, version and bytes.
struct Level {
  const char* classId;
  uint16_t version;
  std::string bytes;
};

// The writers and readers of one record: level 0 is the outer record, and
// each further level is nested in the body of the one before.
class SampleChain {
 public:
  explicit SampleChain(const std::vector<Level>& levels)
      : writers_(levels.size()), readers_(levels.size()) {
    for (size_t i = 0; i < levels.size(); ++i) {
      bool last = i + 1 == levels.size();
      RawSampleInit(&writers_[i], GuidFromText(levels[i].classId),
                    levels[i].version, levels[i].bytes.data(),
                    static_cast<uint32_t>(levels[i].bytes.size()),
                    last ? nullptr : &writers_[i + 1]);
      RawSampleInitReader(&readers_[i], last ? nullptr : &readers_[i + 1]);
    }
  }
  RawPersist* writer() { return &writers_[0].persist; }
  RawPersist* reader() { return &readers_[0].persist; }
  void Encode(Bytes* out) const { RawSampleEncode(writers_[0], out); }
  void ExpectLoaded() const { RawSampleExpectLoaded(writers_[0], readers_[0]); }

 private:
  std::vector<RawSample> writers_;  // never resized: the levels point into it
  std::vector<RawSample> readers_;
};

// What a host writes at the top level of an entry, in order: runs of plain
// bytes (written `chunk` bytes per Write, 0: in one Write) and records.
struct Piece {
  Bytes plain;
  uint32_t chunk;
  std::vector<Level> record;  // empty for a plain run
};

Piece Plain(const Bytes& bytes, uint32_t chunk = 0) { return {bytes, chunk, {}}; }
Piece Record(const std::vector<Level>& levels) { return {{}, 0, levels}; }

// An entry as the test expects to find it.
struct Node {
  Bytes name;
  bool hasPayload;
  std::vector<Piece> pieces;
  std::vector<Node> children;
};

Bytes EncodePieces(const std::vector<Piece>& pieces) {
  Bytes bytes;
  for (const Piece& piece : pieces) {
    if (piece.record.empty()) {
      bytes.insert(bytes.end(), piece.plain.begin(), piece.plain.end());
    } else {
      SampleChain(piece.record).Encode(&bytes);
    }
  }
  return bytes;
}

Bytes ReadWholeFile(const std::string& path) {
  Bytes bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  uint8_t block[4096];
  size_t got;
  while ((got = fread(block, 1, sizeof(block), file)) > 0) {
    bytes.insert(bytes.end(), block, block + got);
  }
  fclose(file);
  return bytes;
}

bool FileExists(const std::string& path) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file != nullptr) fclose(file);
  return file != nullptr;
}

class RawRoundTripTest : public RawHostTest {
 protected:
  // --- interfaces of one object ---------------------------------------

  template <class Interface>
  static Interface* As(RawUnknown* object, const RawGuid& iid) {
    void* out = nullptr;
    EXPECT_EQ(kOk, Query(object, iid, &out));
    return static_cast<Interface*>(out);
  }
  static RawList* ListOf(RawUnknown* o) { return As<RawList>(o, kIidList); }
  static RawObjectList* ObjectsOf(RawUnknown* o) {
    return As<RawObjectList>(o, kIidObjectList);
  }
  template <class Interface>
  static uint32_t Drop(Interface* iface) {
    return iface->slots->Release(iface);
  }

  // The lock count of a list: the references callers hold on its elements.
  static int32_t LocksOf(RawList* list) {
    int32_t locks = list->slots->LockChildren(list) - 1;
    list->slots->UnlockChildren(list);
    return locks;
  }

  // --- building ---------------------------------------------------------

  RawRoot* Open(const std::string& path, int32_t create) {
    RawRoot* root = nullptr;
    EXPECT_EQ(kOk, fs_->slots->OpenRoot(fs_, &root, path.c_str(), create,
                                        kOpenReadWrite))
        << path;
    return root;
  }

  // A new entry called `name`, made by `owner`'s list but linked nowhere.
  static RawEntry* NewEntry(RawUnknown* owner, const Bytes& name) {
    RawList* list = ListOf(owner);
    RawEntry* entry = nullptr;
    EXPECT_EQ(kOk, list->slots->CreateEntry(list, &entry));
    Drop(list);
    if (entry == nullptr) return nullptr;
    EXPECT_EQ(kOk, entry->slots->SetName(entry, name.data(),
                                         static_cast<uint16_t>(name.size())));
    return entry;
  }

  // Links `entry` into `owner`'s list after `position` (null: at the front).
  static RawResult InsertInto(RawUnknown* owner, RawEntry* entry,
                              RawEntry* position) {
    RawObjectList* objects = ObjectsOf(owner);
    RawResult result = objects->slots->Insert(
        objects, AsUnknown(entry),
        position != nullptr ? AsUnknown(position) : nullptr);
    Drop(objects);
    return result;
  }

  static RawResult RemoveFrom(RawUnknown* owner, RawEntry* entry) {
    RawObjectList* objects = ObjectsOf(owner);
    RawResult result = objects->slots->Remove(objects, AsUnknown(entry));
    Drop(objects);
    return result;
  }

  // The child of `owner` called `name`, with a reference; null if none.
  static RawEntry* Find(RawUnknown* owner, const Bytes& name) {
    RawList* list = ListOf(owner);
    RawEntry* entry = nullptr;
    EXPECT_EQ(kOk, list->slots->FindEntry(list, &entry, name.data(),
                                          static_cast<uint16_t>(name.size())));
    Drop(list);
    return entry;
  }

  // Writes the pieces through one output stream; the entry takes the bytes
  // over when the stream's last reference goes. With `userValue`, the stream
  // also keeps a host value through IORVStream.
  static void WritePayload(RawEntry* entry, const std::vector<Piece>& pieces,
                           bool userValue = false) {
    RawOutStream* out = nullptr;
    ASSERT_EQ(kOk, entry->slots->OpenOutputStream(entry, &out));
    ASSERT_NE(nullptr, out);
    for (const Piece& piece : pieces) {
      if (!piece.record.empty()) {
        SampleChain chain(piece.record);
        EXPECT_EQ(kOk, out->slots->WriteObject(out, chain.writer()));
        continue;
      }
      uint32_t size = static_cast<uint32_t>(piece.plain.size());
      if (size == 0) {
        const uint8_t nothing = 0;
        EXPECT_EQ(kOk, out->slots->Write(out, &nothing, 0));
        continue;
      }
      uint32_t chunk = piece.chunk == 0 ? size : piece.chunk;
      for (uint32_t done = 0, count = 0; done < size; done += count) {
        count = size - done < chunk ? size - done : chunk;
        EXPECT_EQ(kOk, out->slots->Write(out, &piece.plain[done], count));
      }
    }
    if (userValue) {
      RawStream* stream = As<RawStream>(AsUnknown(out), kIidStream);
      ASSERT_NE(nullptr, stream);
      uint32_t value = 0;
      EXPECT_EQ(kOk, stream->slots->GetUserValue(stream, &value));
      EXPECT_EQ(0u, value);
      EXPECT_EQ(kOk, stream->slots->SetUserValue(stream, kUserValue));
      EXPECT_EQ(kOk, stream->slots->GetUserValue(stream, &value));
      EXPECT_EQ(kUserValue, value);
      EXPECT_EQ(1u, Drop(stream));
    }
    EXPECT_EQ(0u, Drop(out));
  }

  // --- reading back -----------------------------------------------------

  // The payload read twice, each time through a fresh input stream: once
  // as plain bytes, compared with an encoding made here (so the records'
  // layout is checked, not only the module's agreement with itself), and
  // once piece by piece, the records through ReadObject into fresh readers.
  static void ExpectPayload(RawEntry* entry, const Node& node) {
    RawInStream* in = nullptr;
    ASSERT_EQ(kOk, entry->slots->OpenInputStream(entry, &in));
    if (!node.hasPayload) {
      EXPECT_EQ(nullptr, in);
      if (in != nullptr) Drop(in);
      return;
    }
    ASSERT_NE(nullptr, in);
    Bytes expected = EncodePieces(node.pieces);
    uint32_t remaining = 0;
    EXPECT_EQ(kOk, in->slots->GetRemaining(in, &remaining));
    ASSERT_EQ(expected.size(), remaining);
    Bytes got(expected.size() + 1);
    EXPECT_EQ(kOk, in->slots->Read(in, got.data(), remaining));
    got.resize(remaining);
    EXPECT_EQ(expected, got);
    EXPECT_EQ(kFail, in->slots->Read(in, got.data(), 1));
    EXPECT_EQ(0u, Drop(in));

    in = nullptr;
    ASSERT_EQ(kOk, entry->slots->OpenInputStream(entry, &in));
    ASSERT_NE(nullptr, in);
    RawGuid zero = {};
    for (const Piece& piece : node.pieces) {
      if (piece.record.empty()) {
        Bytes plain(piece.plain.size() + 1);
        EXPECT_EQ(kOk, in->slots->Read(in, plain.data(),
                                       static_cast<uint32_t>(piece.plain.size())));
        plain.pop_back();
        EXPECT_EQ(piece.plain, plain);
        continue;
      }
      // At the top level there is no record to peek into, and no class id.
      RawGuid peeked;
      memset(&peeked, 0xA5, sizeof(peeked));
      EXPECT_EQ(kFail, in->slots->PeekClassID(in, &peeked));
      EXPECT_TRUE(SameGuid(zero, peeked));
      SampleChain chain(piece.record);
      EXPECT_EQ(kOk, in->slots->ReadObject(in, chain.reader()));
      chain.ExpectLoaded();
      RawGuid current;
      memset(&current, 0xA5, sizeof(current));
      EXPECT_EQ(kOk, in->slots->GetClassID(in, &current));
      EXPECT_TRUE(SameGuid(zero, current));
    }
    EXPECT_EQ(kOk, in->slots->GetRemaining(in, &remaining));
    EXPECT_EQ(0u, remaining);
    EXPECT_EQ(0u, Drop(in));
  }

  static void ExpectName(RawEntry* entry, const Bytes& name) {
    Bytes buffer(name.size() + 1, 0xA5);
    uint16_t length = static_cast<uint16_t>(name.size());
    ASSERT_EQ(kOk, entry->slots->GetName(entry, buffer.data(), &length));
    EXPECT_EQ(name.size(), length);
    EXPECT_EQ(0xA5, buffer[name.size()]);  // no terminator is written
    buffer.pop_back();
    EXPECT_EQ(name, buffer);
    if (name.empty()) return;
    uint16_t tooSmall = static_cast<uint16_t>(name.size() - 1);
    EXPECT_EQ(kFail, entry->slots->GetName(entry, buffer.data(), &tooSmall));
    EXPECT_EQ(name.size() - 1, tooSmall);
  }

  // Walks `owner`'s list forwards with GetFirst/GetNext and backwards with
  // GetLast/GetPrevious, checks each element against `expected` (name,
  // lookup, parent, root, payload) and descends into it. `parent` is the
  // entry that owns the list, null for the root's list.
  void ExpectList(RawUnknown* owner, RawUnknown* parent,
                  const std::vector<Node>& expected) {
    RawObjectList* objects = ObjectsOf(owner);
    ASSERT_NE(nullptr, objects);
    std::vector<RawEntry*> forward;
    RawEntry* entry = nullptr;
    EXPECT_EQ(kOk, objects->slots->GetFirst(objects, reinterpret_cast<void**>(&entry),
                                            &kIidEntry));
    while (entry != nullptr && forward.size() <= expected.size()) {
      forward.push_back(entry);
      RawEntry* next = nullptr;
      EXPECT_EQ(kOk, objects->slots->GetNext(objects, reinterpret_cast<void**>(&next),
                                             &kIidEntry, AsUnknown(entry)));
      entry = next;
    }
    ASSERT_EQ(expected.size(), forward.size());

    // Backwards, as identities: the same objects in reverse order, and the
    // first element has no predecessor (E_FAIL, result untouched).
    RawUnknown* back = nullptr;
    EXPECT_EQ(kOk, objects->slots->GetLast(objects, reinterpret_cast<void**>(&back),
                                           &kIidUnknown));
    for (size_t i = forward.size(); i-- > 0;) {
      ASSERT_NE(nullptr, back) << i;
      EXPECT_EQ(IdentityOf(AsUnknown(forward[i])), back) << i;
      RawUnknown* previous = reinterpret_cast<RawUnknown*>(&previous);
      RawResult result = objects->slots->GetPrevious(
          objects, reinterpret_cast<void**>(&previous), &kIidUnknown, back);
      Drop(back);
      if (i == 0) {
        EXPECT_EQ(kFail, result);
        EXPECT_EQ(reinterpret_cast<RawUnknown*>(&previous), previous);
        back = nullptr;
      } else {
        EXPECT_EQ(kOk, result);
        back = previous;
      }
    }

    RawUnknown* rootIdentity = IdentityOf(AsUnknown(root_));
    for (size_t i = 0; i < forward.size(); ++i) {
      RawEntry* element = forward[i];
      const Node& node = expected[i];
      SCOPED_TRACE(std::string(node.name.begin(), node.name.end()));
      ExpectName(element, node.name);
      RawEntry* found = Find(owner, node.name);
      EXPECT_EQ(IdentityOf(AsUnknown(element)), IdentityOf(AsUnknown(found)));
      if (found != nullptr) Drop(found);

      RawEntry* up = nullptr;
      EXPECT_EQ(kOk, element->slots->GetParent(element, &up));
      EXPECT_EQ(parent, IdentityOf(AsUnknown(up)));
      if (up != nullptr) Drop(up);
      RawRoot* top = nullptr;
      EXPECT_EQ(kOk, element->slots->GetRoot(element, &top));
      EXPECT_EQ(rootIdentity, IdentityOf(AsUnknown(top)));
      if (top != nullptr) Drop(top);

      // Every entry reaches the container file through its root.
      RawList* elementList = ListOf(AsUnknown(element));
      EXPECT_EQ(rootFile_, elementList->slots->GetFile(elementList));
      Drop(elementList);

      ExpectPayload(element, node);
      ExpectList(AsUnknown(element), IdentityOf(AsUnknown(element)),
                 node.children);
    }

    // The list's reference plus ours; giving ours back leaves the list's,
    // and the list's lock count falls back to 0.
    for (RawEntry* element : forward) EXPECT_EQ(1u, Drop(element));
    RawList* list = ListOf(owner);
    EXPECT_EQ(0, LocksOf(list));
    Drop(list);
    Drop(objects);
  }

  // Opens the container at `path`, checks the whole tree and closes it.
  void ExpectContainer(const std::string& path,
                       const std::vector<Node>& expected) {
    SCOPED_TRACE(path);
    root_ = Open(path, 0);
    ASSERT_NE(nullptr, root_);
    RawList* rootList = ListOf(AsUnknown(root_));
    rootFile_ = rootList->slots->GetFile(rootList);
    EXPECT_NE(0, rootFile_);  // an opened root holds its file
    Drop(rootList);
    // An identifier entries do not offer: nothing handed out.
    RawObjectList* objects = ObjectsOf(AsUnknown(root_));
    void* out = &out;
    EXPECT_EQ(kNoInterface, objects->slots->GetFirst(objects, &out, &kIidInStream));
    EXPECT_EQ(nullptr, out);
    Drop(objects);
    ExpectList(AsUnknown(root_), nullptr, expected);
    EXPECT_EQ(0u, Drop(root_));
    root_ = nullptr;
  }

  // The tree that BuildTree makes.
  static std::vector<Node> BuiltTree() {
    const std::vector<Level> kThreeLevels = {
        {"A0000001-0000-4000-8000-000000000001", 3, "outer bytes"},
        {"A0000002-0000-4000-8000-000000000002", 0x0102, "middle"},
        {"A0000003-0000-4000-8000-000000000003", 0xFFFF, ""},
    };
    const std::vector<Level> kOneLevel = {
        {"B0000001-0000-4000-8000-0000000000B1", 7, std::string("\0\r\n\x1a", 4)},
    };
    const std::vector<Level> kTwoLevels = {
        {"C0000001-0000-4000-8000-0000000000C1", 1, "leaf"},
        {"C0000002-0000-4000-8000-0000000000C2", 2, std::string(200, 'x')},
    };
    Node leaf = {BytesOf("leaf"), true, {Record(kTwoLevels)}, {}};
    Node child1 = {BytesOf("child-1"), true,
                   {Plain(Noise(5000, 1)), Plain(EveryByteValue())}, {}};
    Node child2 = {BytesOf("child-2"), false, {}, {leaf}};
    Node alpha = {BytesOf("alpha"), true,
                  {Plain(BytesOf("hello, raw host")), Plain(Noise(9000, 2), 1000)},
                  {}};
    Node beta = {BytesOf("beta"), true,
                 {Plain(BytesOf("abc")), Record(kThreeLevels),
                  Plain(BytesOf("between")), Record(kOneLevel)},
                 {child1, child2}};
    Node odd = {Bytes{'z', 0x00, 0xFF, '/'}, true, {Plain(Bytes(), 0)}, {}};
    Node gamma = {BytesOf("gamma"), false, {}, {odd}};
    return {alpha, beta, gamma};
  }

  // Builds BuiltTree() in a newly created container: insertions at the
  // front, after a position and at the end, and a subtree filled while it
  // is still linked nowhere.
  void BuildTree(RawRoot* root) {
    std::vector<Node> tree = BuiltTree();
    const Node& alphaNode = tree[0];
    const Node& betaNode = tree[1];
    const Node& gammaNode = tree[2];
    RawUnknown* top = AsUnknown(root);

    RawEntry* gamma = NewEntry(top, gammaNode.name);
    ASSERT_EQ(kOk, InsertInto(top, gamma, nullptr));  // [gamma]
    RawEntry* alpha = NewEntry(top, alphaNode.name);
    ASSERT_EQ(kOk, InsertInto(top, alpha, nullptr));  // [alpha gamma]
    RawEntry* beta = NewEntry(top, betaNode.name);
    ASSERT_EQ(kOk, InsertInto(top, beta, alpha));     // [alpha beta gamma]
    // A second entry of an existing name is refused.
    RawEntry* twin = NewEntry(top, alphaNode.name);
    EXPECT_EQ(kFail, InsertInto(top, twin, gamma));
    EXPECT_EQ(0u, Drop(twin));

    WritePayload(alpha, alphaNode.pieces, /*userValue=*/true);
    WritePayload(beta, betaNode.pieces);

    // child-2 gets its child and that child its payload before child-2 is
    // linked into beta.
    const Node& child2Node = betaNode.children[1];
    RawEntry* child2 = NewEntry(AsUnknown(beta), child2Node.name);
    RawEntry* leaf = NewEntry(AsUnknown(child2), child2Node.children[0].name);
    ASSERT_EQ(kOk, InsertInto(AsUnknown(child2), leaf, nullptr));
    WritePayload(leaf, child2Node.children[0].pieces);
    ASSERT_EQ(kOk, InsertInto(AsUnknown(beta), child2, nullptr));
    RawEntry* child1 = NewEntry(AsUnknown(beta), betaNode.children[0].name);
    ASSERT_EQ(kOk, InsertInto(AsUnknown(beta), child1, nullptr));
    WritePayload(child1, betaNode.children[0].pieces);

    const Node& oddNode = gammaNode.children[0];
    RawEntry* odd = NewEntry(AsUnknown(gamma), oddNode.name);
    ASSERT_EQ(kOk, InsertInto(AsUnknown(gamma), odd, nullptr));
    WritePayload(odd, oddNode.pieces);

    // Only the lists' references remain.
    for (RawEntry* entry : {odd, child1, leaf, child2, gamma, beta, alpha}) {
      EXPECT_EQ(1u, Drop(entry));
    }
    RawList* list = ListOf(top);
    EXPECT_EQ(0, LocksOf(list));
    Drop(list);
  }

  ScratchDirectory directory_;
  RawRoot* root_ = nullptr;  // the root ExpectList compares GetRoot with
  RawHandle rootFile_ = 0;   // and the file its entries reach
};

TEST_F(RawRoundTripTest, TreeAndRecordsSurviveSavesAndReopening) {
  const std::string box = directory_.Path("box.orv");
  const std::string bak = directory_.Path("box.bak");
  const std::string tmp = directory_.Path("box.tmp");
  const std::string copy = directory_.Path("copy.orv");

  // Create, fill, save in place: no backup asked, none made.
  RawRoot* root = Open(box, 1);
  ASSERT_NE(nullptr, root);
  BuildTree(root);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_EQ(kOk, root->slots->Save(root, 0, 0, nullptr));
  EXPECT_EQ(0u, Drop(root));
  EXPECT_FALSE(FileExists(bak));
  EXPECT_FALSE(FileExists(tmp));
  ExpectContainer(box, BuiltTree());
  const Bytes saved = ReadWholeFile(box);
  ASSERT_FALSE(saved.empty());

  // Saved again unchanged, with a backup and then to a new path: the
  // backup is the previous file, and every save of the same tree writes
  // the same bytes.
  root = Open(box, 0);
  ASSERT_NE(nullptr, root);
  ASSERT_EQ(kOk, root->slots->Save(root, 0, 1, nullptr));
  ASSERT_EQ(kOk, root->slots->Save(root, 0, 0, copy.c_str()));
  EXPECT_EQ(0u, Drop(root));
  EXPECT_EQ(saved, ReadWholeFile(bak));
  EXPECT_EQ(saved, ReadWholeFile(box));
  EXPECT_EQ(saved, ReadWholeFile(copy));
  EXPECT_FALSE(FileExists(tmp));
  ExpectContainer(copy, BuiltTree());
}

TEST_F(RawRoundTripTest, MovedAndRenamedEntriesKeepTheirPayloads) {
  const std::string box = directory_.Path("moves.orv");
  RawRoot* root = Open(box, 1);
  ASSERT_NE(nullptr, root);
  BuildTree(root);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_EQ(kOk, root->slots->Save(root, 0, 0, nullptr));
  EXPECT_EQ(0u, Drop(root));

  // From a fresh opening, so that the moved subtree is still unread.
  root = Open(box, 0);
  ASSERT_NE(nullptr, root);
  RawUnknown* top = AsUnknown(root);
  RawEntry* beta = Find(top, BytesOf("beta"));
  RawEntry* gamma = Find(top, BytesOf("gamma"));
  RawEntry* alpha = Find(top, BytesOf("alpha"));
  ASSERT_TRUE(beta != nullptr && gamma != nullptr && alpha != nullptr);

  // beta out of the root's list: ours is its only reference, it has no
  // parent and no root, and a removed entry is not removed twice.
  ASSERT_EQ(kOk, RemoveFrom(top, beta));
  EXPECT_EQ(1u, CountOf(AsUnknown(beta)));
  RawEntry* up = beta;
  EXPECT_EQ(kOk, beta->slots->GetParent(beta, &up));
  EXPECT_EQ(nullptr, up);
  RawRoot* none = root;
  EXPECT_EQ(kOk, beta->slots->GetRoot(beta, &none));
  EXPECT_EQ(nullptr, none);
  EXPECT_TRUE(RemoveFrom(top, beta) < 0);
  EXPECT_EQ(1u, CountOf(AsUnknown(beta)));
  RawList* betaList = ListOf(AsUnknown(beta));
  EXPECT_EQ(0, betaList->slots->GetFile(betaList));  // in no tree, no file
  Drop(betaList);

  // Renamed while out, then linked at the front of gamma's list.
  const Bytes moved = BytesOf("beta-moved");
  ASSERT_EQ(kOk, beta->slots->SetName(beta, moved.data(),
                                      static_cast<uint16_t>(moved.size())));
  ASSERT_EQ(kOk, InsertInto(AsUnknown(gamma), beta, nullptr));
  EXPECT_EQ(2u, CountOf(AsUnknown(beta)));

  // alpha moved to the end of the root's list.
  ASSERT_EQ(kOk, RemoveFrom(top, alpha));
  ASSERT_EQ(kOk, InsertInto(top, alpha, gamma));

  // A rename within a list: refused for a sibling's name, done otherwise.
  RawEntry* child1 = Find(AsUnknown(beta), BytesOf("child-1"));
  ASSERT_NE(nullptr, child1);
  const Bytes taken = BytesOf("child-2");
  EXPECT_EQ(kFail, child1->slots->SetName(child1, taken.data(),
                                          static_cast<uint16_t>(taken.size())));
  const Bytes renamed = BytesOf("child-one");
  EXPECT_EQ(kOk, child1->slots->SetName(child1, renamed.data(),
                                        static_cast<uint16_t>(renamed.size())));

  for (RawEntry* entry : {child1, alpha, gamma, beta}) {
    EXPECT_EQ(1u, Drop(entry));
  }
  ASSERT_EQ(kOk, root->slots->Save(root, 0, 0, nullptr));
  EXPECT_EQ(0u, Drop(root));

  std::vector<Node> built = BuiltTree();
  Node alphaNode = built[0], betaNode = built[1], gammaNode = built[2];
  betaNode.name = moved;
  betaNode.children[0].name = renamed;
  gammaNode.children.insert(gammaNode.children.begin(), betaNode);
  ExpectContainer(box, {gammaNode, alphaNode});
}

}  // namespace
}  // namespace testing
}  // namespace orv
