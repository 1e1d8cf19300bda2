// Entries: names, their place in the tree, payloads through streams, and
// entries that outlive their root.
#include <string.h>

#include <string>

#include "tests/doubles/guarded_buffer.h"
#include "tests/storage/storage_fixture.h"

namespace orv {
namespace testing {
namespace {

class EntryTest : public StorageTest {
 protected:
  Held<IORVRoot> OpenTree() {
    WriteContainer({Branch("a", {Branch("b", {Leaf("c", "deepest")})}, "A"),
                    Leaf("sibling", "S")});
    return OpenBox();
  }
};

uint16_t Length(const std::string& text) {
  return static_cast<uint16_t>(text.size());
}

// --- Names -------------------------------------------------------------------

TEST_F(EntryTest, GetNameCopiesExactlyTheNameBytes) {
  Held<IORVRoot> root = OpenTree();
  Held<IORVEntry> entry = Find(root.get(), "sibling");
  char buffer[16];
  memset(buffer, '#', sizeof(buffer));

  uint16_t length = 6;  // one less than the name
  EXPECT_EQ(E_FAIL, entry->GetName(buffer, &length));
  EXPECT_EQ(6, length);
  EXPECT_EQ('#', buffer[0]);

  length = 7;
  EXPECT_EQ(S_OK, entry->GetName(buffer, &length));
  EXPECT_EQ(7, length);
  EXPECT_EQ("sibling#", std::string(buffer, 8)) << "no terminator";

  GuardedBuffer small(6);
  length = 7;
  EXPECT_EQ(E_POINTER, entry->GetName(small.data(), &length));
  EXPECT_EQ(E_POINTER, entry->GetName(buffer, nullptr));
}

TEST_F(EntryTest, SetNameRefusesASiblingsNameButNotItsCase) {
  Held<IORVRoot> root = OpenTree();
  Held<IORVEntry> entry = Find(root.get(), "sibling");
  EXPECT_EQ(E_FAIL, entry->SetName("a", 1));
  EXPECT_EQ("sibling", Name(entry.get()));
  EXPECT_EQ(S_OK, entry->SetName("A", 1));
  EXPECT_EQ("A", Name(entry.get()));
  EXPECT_EQ(S_OK, entry->SetName("A", 1)) << "its own name";
  EXPECT_EQ(1, ConcreteList(root.get())->lockCount()) << "lookup leaked";
  EXPECT_FALSE(ConcreteList(root.get())->modified()) << "renaming marks none";
}

TEST_F(EntryTest, SetNameKeepsTheBufferForShorterNames) {
  Held<IORVRoot> root = OpenTree();
  Held<IORVEntry> entry = Find(root.get(), "sibling");
  CORVEntry* concrete = ConcreteEntry(entry.get());
  const uint8_t* buffer = concrete->name();
  ASSERT_EQ(S_OK, entry->SetName("sib", 3));
  EXPECT_EQ(buffer, concrete->name());
  ASSERT_EQ(S_OK, entry->SetName("sibling!", 8));
  EXPECT_EQ("sibling!", Name(entry.get()));
  ASSERT_EQ(S_OK, entry->SetName("", 0));
  EXPECT_EQ("", Name(entry.get()));
}

TEST_F(EntryTest, SetNameFailuresLeaveTheNameAlone) {
  Held<IORVRoot> root = OpenTree();
  Held<IORVEntry> entry = Find(root.get(), "sibling");
  GuardedBuffer bytes(4);
  EXPECT_EQ(E_POINTER, entry->SetName(bytes.data(), 5));
  EXPECT_EQ(E_POINTER, entry->SetName(nullptr, 1));
  faults_.Reset();
  faults_.FailNth(FaultApi::kAlloc, 1);
  EXPECT_EQ(E_OUTOFMEMORY, entry->SetName("a much longer name", 18));
  EXPECT_EQ("sibling", Name(entry.get()));
}

TEST_F(EntryTest, NamesOfEveryLengthSurviveASave) {
  const std::string longest(65535, 'n');
  Held<IORVRoot> root = CreateBox();
  Held<IORVEntry> entry = Add(root.get(), "");
  ASSERT_EQ(S_OK, entry->SetName(longest.data(), Length(longest)));
  Add(root.get(), "x");
  ExpectSave(S_OK, root.get());
  entry.reset();
  root.reset();
  root = OpenBox();
  Held<IORVEntry> found = Find(root.get(), longest);
  ASSERT_TRUE(found);
  std::string buffer(65535, '\0');
  uint16_t length = 65535;
  EXPECT_EQ(S_OK, found->GetName(&buffer[0], &length));
  EXPECT_EQ(longest, buffer);
}

TEST_F(EntryTest, EntriesOutsideListsTakeAnyNameAndInsertChecksIt) {
  Held<IORVRoot> root = CreateBox();
  Held<IORVEntry> first, second;
  ASSERT_EQ(S_OK, ListOf(root.get())->CreateEntry(first.out()));
  ASSERT_EQ(S_OK, ListOf(root.get())->CreateEntry(second.out()));
  IObjectList* list = ObjectListOf(root.get());
  EXPECT_EQ(S_OK, list->Insert(first.get(), nullptr));
  EXPECT_EQ(E_FAIL, list->Insert(second.get(), nullptr)) << "two empty names";
  ASSERT_EQ(S_OK, second->SetName("", 0)) << "unlinked: anything goes";
  ASSERT_EQ(S_OK, second->SetName("named", 5));
  EXPECT_EQ(S_OK, list->Insert(second.get(), nullptr));
  EXPECT_EQ(E_FAIL, second->SetName("", 0)) << "now a sibling has it";
}

TEST_F(EntryTest, CompareNameOrdersUnsignedBytesAndPrefixesLast) {
  Held<IORVRoot> root = CreateBox();
  struct {
    std::string entry;
    std::string other;
    int sign;
  } cases[] = {
      {"abcd", "abc", -1},  {"ab", "abc", +1},   {"abd", "abc", +1},
      {"abc", "abd", -1},   {"abc", "abc", 0},   {"", "", 0},
      {"", "a", +1},        {"a", "", -1},       {"\xff", "\x01", +1},
      {"\x01", "\xff", -1}, {"B", "a", -1},
  };
  for (const auto& c : cases) {
    Held<IORVEntry> entry = NewEntry(root.get(), c.entry);
    const int order = ConcreteEntry(entry.get())
                          ->CompareName(c.other.data(), Length(c.other));
    const int sign = (order > 0) - (order < 0);
    EXPECT_EQ(c.sign, sign) << "'" << c.entry << "' vs '" << c.other << "'";
    if (c.sign != 0 && c.entry.size() != c.other.size() &&
        c.entry.compare(0, c.other.size(), c.other) == 0) {
      EXPECT_EQ(-1, order) << "a longer name orders before its prefix";
    }
  }
}

// --- Place in the tree ----------------------------------------------------------

TEST_F(EntryTest, ParentAndRootAndFile) {
  Held<IORVRoot> root = OpenTree();
  Held<IORVEntry> a = At(root.get(), "a");
  Held<IORVEntry> c = At(root.get(), "a/b/c");
  Held<IORVEntry> loose = NewEntry(root.get(), "loose");

  Held<IORVEntry> parent;
  EXPECT_EQ(S_OK, a->GetParent(parent.out()));
  EXPECT_FALSE(parent) << "in the root's list";
  EXPECT_EQ(S_OK, c->GetParent(parent.out()));
  ASSERT_TRUE(parent);
  EXPECT_EQ("b", Name(parent.get()));
  EXPECT_EQ(S_OK, loose->GetParent(parent.out()));
  EXPECT_FALSE(parent);

  Held<IORVRoot> found;
  EXPECT_EQ(S_OK, c->GetRoot(found.out()));
  EXPECT_EQ(root.get(), found.get());
  EXPECT_EQ(S_OK, loose->GetRoot(found.out()));
  EXPECT_FALSE(found);

  const HFILE file = ListOf(root.get())->GetFile();
  EXPECT_NE(0, file);
  EXPECT_EQ(file, ListOf(c.get())->GetFile());
  EXPECT_EQ(0, ListOf(loose.get())->GetFile());

  EXPECT_EQ(E_INVALIDARG, c->GetParent(nullptr));
  EXPECT_EQ(E_INVALIDARG, c->GetRoot(nullptr));
}

TEST_F(EntryTest, EntryAnswersItsThreeInterfacesAndItsIdentity) {
  Held<IORVRoot> root = OpenTree();
  Held<IORVEntry> a = At(root.get(), "a");
  const IID* offered[] = {&IID_IORVEntry, &IID_IORVList, &IID_IObjectList};
  for (const IID* iid : offered) {
    Held<IUnknown> got;
    EXPECT_EQ(S_OK, a->QueryInterface(*iid, got.outVoid()));
    EXPECT_TRUE(got);
  }
  Held<INonDelegatingUnknown> identity;
  EXPECT_EQ(S_OK, a->QueryInterface(IID_IUnknown, identity.outVoid()));
  EXPECT_TRUE(identity);
  const IID* refused[] = {&IID_IORVRoot, &IID_IORVFileSystem, &IID_IJInStream};
  for (const IID* iid : refused) {
    void* got = a.get();
    EXPECT_EQ(E_NOINTERFACE, a->QueryInterface(*iid, &got));
    EXPECT_EQ(nullptr, got);
  }
  EXPECT_EQ(1, ConcreteList(root.get())->lockCount());
}

// --- Payloads ----------------------------------------------------------------------

TEST_F(EntryTest, PayloadStatesReadBack) {
  Held<IORVRoot> root = OpenTree();
  Held<IORVEntry> a = At(root.get(), "a");
  Held<IORVEntry> b = At(root.get(), "a/b");
  EXPECT_EQ("A", Payload(a.get())) << "stored";
  EXPECT_EQ("<none>", Payload(b.get())) << "none";
  SetPayload(b.get(), "in memory");
  EXPECT_EQ("in memory", Payload(b.get()));
  EXPECT_EQ("in memory", Payload(b.get())) << "every read starts afresh";
  EXPECT_EQ(E_INVALIDARG, a->OpenInputStream(nullptr));
  EXPECT_EQ(E_INVALIDARG, a->OpenOutputStream(nullptr));
}

TEST_F(EntryTest, WritingAPayloadMarksTheParentsNotTheEntry) {
  Held<IORVRoot> root = OpenTree();
  Held<IORVEntry> b = At(root.get(), "a/b");
  Held<IORVEntry> c = At(root.get(), "a/b/c");
  Held<IORVEntry> a = At(root.get(), "a");
  SetPayload(c.get(), "new");
  EXPECT_FALSE(ConcreteList(c.get())->modified());
  EXPECT_TRUE(ConcreteList(b.get())->modified());
  EXPECT_TRUE(ConcreteList(a.get())->modified());
  EXPECT_TRUE(ConcreteList(root.get())->modified());
}

// A stream released without a write replaces the payload with nothing:
// falling back to an older stored payload would bring back data the host
// replaced.
TEST_F(EntryTest, EmptyOutputStreamLeavesNoPayload) {
  Held<IORVRoot> root = OpenTree();
  Held<IORVEntry> a = At(root.get(), "a");
  SetPayload(a.get(), "");
  EXPECT_EQ("<none>", Payload(a.get()));
  ExpectSave(S_OK, root.get());
  EXPECT_EQ("<none>", Payload(a.get()));
  root.reset();
  a.reset();
  root = OpenBox();
  EXPECT_EQ("a(b(c=deepest)),sibling=S", Render(root.get()));
}

// A payload that could not be compressed when it was handed over (no memory)
// stays plain in memory; the save compresses it then, so that every
// envelope a save writes has been through compression.
TEST_F(EntryTest, SaveCompressesAPayloadLeftPlainByLackOfMemory) {
  Held<IORVRoot> root = CreateBox();
  Held<IORVEntry> entry = Add(root.get(), "e");
  Held<IJOutStream> stream;
  ASSERT_EQ(S_OK, entry->OpenOutputStream(stream.out()));
  ASSERT_EQ(S_OK, stream->Write("payload", 7));
  faults_.Reset();
  faults_.FailNth(FaultApi::kAlloc, 1);
  stream.reset();  // hands the buffer over; compression finds no memory
  ASSERT_TRUE(faults_.Fired());
  ASSERT_NE(nullptr, ConcreteEntry(entry.get())->payload());
  EXPECT_EQ(0, ConcreteEntry(entry.get())->payload()[0]) << "stays plain";
  EXPECT_EQ("payload", Payload(entry.get()));

  faults_.Reset();
  ExpectSave(S_OK, root.get());
  EXPECT_EQ(Layout({Leaf("e", "payload")}), FileBytes(kBox));
}

TEST_F(EntryTest, SetDataWithoutBytesDropsEveryPayload) {
  Held<IORVRoot> root = OpenTree();
  Held<IORVEntry> a = At(root.get(), "a");
  Held<IORVEntry> sibling = At(root.get(), "sibling");
  SetPayload(sibling.get(), "in memory");
  // A buffer of no bytes is taken over (and freed) like any other.
  ConcreteEntry(a.get())->SetData(platform::Alloc(8), 0);
  ConcreteEntry(sibling.get())->SetData(nullptr, 1);
  EXPECT_EQ("<none>", Payload(a.get()));
  EXPECT_EQ("<none>", Payload(sibling.get()));
  EXPECT_EQ(0u, ConcreteEntry(a.get())->storedSize());
  EXPECT_TRUE(ConcreteList(root.get())->modified());
}

TEST_F(EntryTest, FailedReadsOfAStoredPayload) {
  struct {
    const char* label;
    FaultApi::Kind kind;
    HRESULT expected;
  } cases[] = {
      {"seek", FaultApi::kSeek, E_FAIL},
      {"read", FaultApi::kRead, E_FAIL},
      {"buffer", FaultApi::kAlloc, E_OUTOFMEMORY},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Held<IORVRoot> root = OpenTree();
    Held<IORVEntry> a = At(root.get(), "a");
    faults_.Reset();
    faults_.FailNth(c.kind, 1);
    IJInStream* stream = reinterpret_cast<IJInStream*>(a.get());
    EXPECT_EQ(c.expected, a->OpenInputStream(&stream));
    EXPECT_EQ(nullptr, stream);
    faults_.Reset();
    EXPECT_EQ("A", Payload(a.get()));
  }
}

TEST_F(EntryTest, ShortReadOfAStoredPayloadFails) {
  Held<IORVRoot> root = OpenTree();
  Held<IORVEntry> a = At(root.get(), "a");
  faults_.Reset();
  faults_.ShortenNth(FaultApi::kRead, 1, 3);
  EXPECT_EQ("<failed>", Payload(a.get()));
}

TEST_F(EntryTest, StreamKeepsItsEntryAlive) {
  Held<IORVRoot> root = OpenTree();
  Held<IJOutStream> stream;
  {
    Held<IORVEntry> c = At(root.get(), "a/b/c");
    ASSERT_EQ(S_OK, c->OpenOutputStream(stream.out()));
  }
  ASSERT_EQ(S_OK, stream->Write("late", 4));
  stream.reset();
  Held<IORVEntry> c = At(root.get(), "a/b/c");
  EXPECT_EQ("late", Payload(c.get()));
}

// --- Entries that outlive their root -------------------------------------------------

TEST_F(EntryTest, EntriesOutliveTheirRootWithoutReachingIt) {
  Held<IORVRoot> root = OpenTree();
  Held<IORVEntry> a = At(root.get(), "a");
  Held<IORVEntry> b = At(root.get(), "a/b");
  Held<IORVEntry> sibling = At(root.get(), "sibling");
  SetPayload(sibling.get(), "kept in memory");
  root.reset();  // destroys the root; its elements lose their owner first

  a->AddRef();
  a->Release();
  Held<IORVRoot> found;
  EXPECT_EQ(S_OK, b->GetRoot(found.out()));
  EXPECT_FALSE(found);
  EXPECT_EQ(0, ListOf(b.get())->GetFile());
  Held<IORVEntry> parent;
  EXPECT_EQ(S_OK, a->GetParent(parent.out()));
  EXPECT_FALSE(parent);
  EXPECT_EQ(S_OK, b->GetParent(parent.out()));
  EXPECT_EQ(a.get(), parent.get()) << "a's own list survives with a";
  parent.reset();

  // Stored bytes need the file; bytes in memory do not.
  EXPECT_EQ("<failed>", Payload(a.get()));
  EXPECT_EQ("kept in memory", Payload(sibling.get()));
  Held<IORVEntry> unread;
  EXPECT_EQ(E_FAIL, ListOf(b.get())->FindEntry(unread.out(), "c", 1));
}

}  // namespace
}  // namespace testing
}  // namespace orv
