// Entries moved within a container, between containers, and across a save:
// an entry's stored payload and unread tables are read from the file its
// offsets came from, while that file is open, and never from another file.
#include <string>

#include "tests/storage/storage_fixture.h"

namespace orv {
namespace testing {
namespace {

const char kTwo[] = "/c/two.orv";

class MoveTest : public StorageTest {
 public:
  // kBox holds "a" (payload, two unread children with payloads) and "b";
  // kTwo holds "z".
  void WriteBoth() {
    WriteContainer({Branch("a", {Leaf("a1", "first"), Leaf("a2", "second")},
                           "A payload"),
                    Leaf("b", "B")});
    WriteContainer({Leaf("z", "Z")}, kTwo);
  }

  // Takes `name` out of `from`'s list; the entry stays with the caller.
  Held<IORVEntry> TakeOut(IUnknown* from, const std::string& name) {
    Held<IORVEntry> entry = Find(from, name);
    EXPECT_TRUE(entry) << name;
    if (entry) {
      EXPECT_EQ(S_OK, ObjectListOf(from)->Remove(entry.get()));
    }
    return entry;
  }

  void PutIn(IUnknown* into, IORVEntry* entry) {
    ASSERT_EQ(S_OK, ObjectListOf(into)->Insert(entry, nullptr));
  }
};

TEST_F(MoveTest, RemovedEntryGoesBackLazilyBeforeASave) {
  WriteBoth();
  Held<IORVRoot> root = OpenBox();
  Held<IORVEntry> a = TakeOut(root.get(), "a");
  // Out of the tree it reaches no file: nothing can be read.
  EXPECT_EQ(0, ListOf(a.get())->GetFile());
  EXPECT_EQ("<failed>", Payload(a.get()));
  Held<IORVEntry> child;
  EXPECT_EQ(E_FAIL, ListOf(a.get())->FindEntry(child.out(), "a1", 2));

  Held<IORVEntry> b = Find(root.get(), "b");
  PutIn(b.get(), a.get());
  EXPECT_EQ("b=B(a=A payload(a1=first,a2=second))", Render(root.get()));
  ExpectSave(S_OK, root.get());
  EXPECT_EQ(Layout({Branch("b", {Branch("a", {Leaf("a1", "first"),
                                              Leaf("a2", "second")},
                                        "A payload")},
                           "B")}),
            FileBytes(kBox));
}

TEST_F(MoveTest, EntryMovedToAnotherOpenContainerIsCopiedFromItsOwnFile) {
  WriteBoth();
  Held<IORVRoot> one = OpenBox();
  Held<IORVRoot> two = OpenBox(kTwo);
  Held<IORVEntry> a = TakeOut(one.get(), "a");
  PutIn(two.get(), a.get());
  EXPECT_EQ("a=A payload(a1=first,a2=second),z=Z", Render(two.get()));

  ExpectSave(S_OK, two.get());
  const Tree moved = {Branch("a", {Leaf("a1", "first"), Leaf("a2", "second")},
                             "A payload"),
                      Leaf("z", "Z")};
  EXPECT_EQ(Layout(moved), FileBytes(kTwo));
  // The entry now lives in the second file: the first may go.
  ExpectSave(S_OK, one.get());
  EXPECT_EQ(Layout({Leaf("b", "B")}), FileBytes(kBox));
  one.reset();
  EXPECT_EQ("a=A payload(a1=first,a2=second),z=Z", Render(two.get()));
  two.reset();
  a.reset();
  two = OpenBox(kTwo);
  EXPECT_EQ(moved, Snapshot(two.get()));
}

// The stored bytes of a moved entry live in the source's file. Once that
// file is closed they cannot be read from anywhere: reading or saving
// fails, and no other file's bytes are taken in their place.
TEST_F(MoveTest, StoredBytesOfAMovedEntryGoWithTheSourcesFile) {
  struct {
    const char* label;
    void (*closeSource)(MoveTest* test, Held<IORVRoot>* one);
  } cases[] = {
      {"source root released",
       [](MoveTest*, Held<IORVRoot>* one) { one->reset(); }},
      {"source saved without the entry",
       [](MoveTest* test, Held<IORVRoot>* one) {
         test->ExpectSave(S_OK, one->get());
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    WriteBoth();
    Held<IORVRoot> one = OpenBox();
    Held<IORVRoot> two = OpenBox(kTwo);
    Held<IORVEntry> a = TakeOut(one.get(), "a");
    PutIn(two.get(), a.get());
    c.closeSource(this, &one);

    EXPECT_EQ("a=!(!),z=Z", Render(two.get()));
    EXPECT_EQ(E_FAIL, two->Save(0, 0, nullptr));
    EXPECT_EQ(Layout({Leaf("z", "Z")}), FileBytes(kTwo));
    EXPECT_FALSE(Exists("/c/two.tmp"));
    // Without it the target saves again.
    ASSERT_EQ(S_OK, ObjectListOf(two.get())->Remove(a.get()));
    ExpectSave(S_OK, two.get());
    EXPECT_EQ(Layout({Leaf("z", "Z")}), FileBytes(kTwo));
  }
}

// Same file, other generation: an entry taken out while a save replaced the
// container has lost the stored bytes it had not read. It is refused when
// it comes back, so it neither reads the new file at its old offsets nor
// makes every later save of the tree fail; the container stays as saved.
TEST_F(MoveTest, EntryOutDuringASaveIsRefusedWhenItComesBack) {
  WriteBoth();
  Held<IORVRoot> root = OpenBox();
  Held<IORVEntry> a = TakeOut(root.get(), "a");
  ExpectSave(S_OK, root.get());
  EXPECT_EQ(E_FAIL, ObjectListOf(root.get())->Insert(a.get(), nullptr));
  EXPECT_EQ("b=B", Render(root.get()));
  ExpectSave(S_OK, root.get());
  EXPECT_EQ(Layout({Leaf("b", "B")}), FileBytes(kBox));
}

// What the entry had read before it went out is in memory and moves on: an
// entry whose payload and children were all read is let back in.
TEST_F(MoveTest, EntryReadWholeBeforeASaveComesBack) {
  WriteBoth();
  Held<IORVRoot> root = OpenBox();
  Held<IORVEntry> a = Find(root.get(), "a");
  // Reading the children loads them; replacing the payloads takes them
  // into memory.
  EXPECT_EQ("a1=first,a2=second", Render(a.get()));
  for (const char* name : {"a1", "a2"}) {
    IORVEntry* child = nullptr;
    ASSERT_EQ(S_OK, ListOf(a.get())->FindEntry(&child, name, 2));
    IJOutStream* out = nullptr;
    ASSERT_EQ(S_OK, child->OpenOutputStream(&out));
    ASSERT_EQ(S_OK, out->Write(name, 2));
    out->Release();
    child->Release();
  }
  IJOutStream* out = nullptr;
  ASSERT_EQ(S_OK, a->OpenOutputStream(&out));
  ASSERT_EQ(S_OK, out->Write("new", 3));
  out->Release();
  ASSERT_EQ(S_OK, ObjectListOf(root.get())->Remove(a.get()));
  ASSERT_EQ(S_OK, a->SetName("kept", 4));
  ExpectSave(S_OK, root.get());
  PutIn(root.get(), a.get());
  ExpectSave(S_OK, root.get());
  EXPECT_EQ("kept=new(a1=a1,a2=a2),b=B", Render(root.get()));
}

// What is in memory moves freely, whatever happens to the source.
TEST_F(MoveTest, EntriesHeldInMemoryMoveAnywhere) {
  WriteContainer({Leaf("z", "Z")}, kTwo);
  Held<IORVRoot> one = CreateBox();
  Held<IORVEntry> fresh = Add(one.get(), "fresh", "made in memory");
  Add(fresh.get(), "child", "also in memory");
  ASSERT_EQ(S_OK, ObjectListOf(one.get())->Remove(fresh.get()));
  one.reset();

  Held<IORVRoot> two = OpenBox(kTwo);
  PutIn(two.get(), fresh.get());
  ExpectSave(S_OK, two.get());
  EXPECT_EQ(Layout({Branch("fresh", {Leaf("child", "also in memory")},
                           "made in memory"),
                    Leaf("z", "Z")}),
            FileBytes(kTwo));
}

// A moved entry's tables are claimed in its own file: loading them there
// does not collide with the tables of the target file at the same offsets.
TEST_F(MoveTest, TablesAtEqualOffsetsInTwoFilesDoNotCollide) {
  const Tree same = {Branch("a", {Leaf("a1", "one")}, "A")};
  WriteContainer(same);
  WriteContainer(same, kTwo);
  Held<IORVRoot> one = OpenBox();
  Held<IORVRoot> two = OpenBox(kTwo);
  EXPECT_EQ("a=A(a1=one)", Render(two.get()));
  Held<IORVEntry> a = TakeOut(one.get(), "a");
  ASSERT_EQ(S_OK, a->SetName("moved", 5));
  PutIn(two.get(), a.get());
  EXPECT_EQ("moved=A(a1=one),a=A(a1=one)", Render(two.get()));
}

}  // namespace
}  // namespace testing
}  // namespace orv
