// Entry lists: lazy loading, lookup, walking, insertion and removal, lock
// counts and modification marks, and the argument checks of the operations
// meant for callers.
#include <string.h>

#include <string>

#include "tests/doubles/guarded_buffer.h"
#include "tests/storage/storage_fixture.h"

namespace orv {
namespace testing {
namespace {

// The references on `object`, found without changing them (on a linked entry
// the AddRef and the Release move its list's lockCount up and back down).
uint32_t References(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

IUnknown* const kSentinel = reinterpret_cast<IUnknown*>(0x5a5a5a5a);

class ListTest : public StorageTest {
 protected:
  // The root of a container holding a, b and c, with a holding a1 and a2.
  Held<IORVRoot> OpenAbc() {
    WriteContainer({Branch("a", {Leaf("a1", "x"), Leaf("a2")}, "A"), Leaf("b"),
                    Leaf("c", "C")});
    return OpenBox();
  }
};

// --- Lazy loading ------------------------------------------------------------

TEST_F(ListTest, OpeningReadsTheHeaderOnly) {
  WriteContainer({Branch("a", {Leaf("a1", "x")}, "A"), Leaf("b", "B")});
  tap_.ResetBytesRead();
  faults_.Reset();
  Held<IORVRoot> root = OpenBox();
  EXPECT_EQ(186, tap_.BytesRead());
  EXPECT_EQ(3, faults_.Count(FaultApi::kRead));
}

TEST_F(ListTest, EachListReadsItsTableOnFirstUseOnly) {
  WriteContainer({Branch("a", {Leaf("a1", "x")}, "A"), Leaf("b", "B")});
  Held<IORVRoot> root = OpenBox();
  tap_.ResetBytesRead();
  Held<IORVEntry> a = Find(root.get(), "a");
  // The root's table: its count and two records (16 + 1 bytes each).
  EXPECT_EQ(4 + 17 + 17, tap_.BytesRead());
  tap_.ResetBytesRead();
  Held<IORVEntry> b = Find(root.get(), "b");
  EXPECT_EQ(0, tap_.BytesRead()) << "the root's table was read again";
  EXPECT_EQ(0u, ConcreteList(a.get())->elementCount()) << "a read early";
  Held<IORVEntry> a1 = Find(a.get(), "a1");
  EXPECT_TRUE(a1);
  EXPECT_EQ(4 + 18, tap_.BytesRead());
}

TEST_F(ListTest, TableOfCountZeroIsReadAgainOnEveryUse) {
  WriteContainer({});
  Held<IORVRoot> root = OpenBox();
  IObjectList* list = ObjectListOf(root.get());
  for (int use = 1; use <= 3; ++use) {
    faults_.Reset();
    Held<IORVEntry> first;
    EXPECT_EQ(S_OK, list->GetFirst(first.outVoid(), IID_IORVEntry));
    EXPECT_FALSE(first);
    EXPECT_EQ(1, faults_.Count(FaultApi::kSeek)) << "use " << use;
    EXPECT_EQ(1, faults_.Count(FaultApi::kRead)) << "use " << use;
  }
}

TEST_F(ListTest, ListWithoutTableReadsNothing) {
  PutFile(kBox, Header(0));
  Held<IORVRoot> root = OpenBox();
  faults_.Reset();
  EXPECT_EQ("", Render(root.get()));
  EXPECT_EQ(0, faults_.Count(FaultApi::kRead));
  EXPECT_EQ(0, faults_.Count(FaultApi::kSeek));
}

// Every failure point of loading a table (its seek, each read, each
// allocation) gives the failure, leaves the list empty, unread and without
// leaked entries, and the next use loads it completely.
TEST_F(ListTest, FailedLoadLeavesTheListEmptyAndRetryable) {
  WriteContainer({Leaf("a", "A"), Leaf("bb"), Leaf("", "C")});
  const FaultApi::Kind kinds[] = {FaultApi::kSeek, FaultApi::kRead,
                                  FaultApi::kAlloc};
  for (FaultApi::Kind kind : kinds) {
    for (int nth = 1;; ++nth) {
      faults_.Reset();
      Held<IORVRoot> root = OpenBox();
      ASSERT_TRUE(root);
      CORVList* list = ConcreteList(root.get());
      faults_.FailNth(kind, nth);
      Held<IORVEntry> first;
      HRESULT result =
          ObjectListOf(root.get())->GetFirst(first.outVoid(), IID_IORVEntry);
      if (!faults_.Fired()) {
        EXPECT_EQ(S_OK, result);
        faults_.Reset();
        break;
      }
      SCOPED_TRACE("kind " + std::to_string(kind) + ", call " +
                   std::to_string(nth));
      EXPECT_EQ(kind == FaultApi::kAlloc ? E_OUTOFMEMORY : E_FAIL, result);
      EXPECT_FALSE(first);
      EXPECT_EQ(0, list->elementCount());
      EXPECT_EQ(0, list->lockCount());
      EXPECT_FALSE(list->modified());
      EXPECT_EQ(nullptr, list->head);
      faults_.Reset();
      EXPECT_EQ("a=A,bb,~=C", Render(root.get()));
    }
  }
}

TEST_F(ListTest, GetPreviousDoesNotLoad) {
  Held<IORVRoot> root = OpenAbc();
  Held<IORVEntry> fresh = NewEntry(root.get(), "fresh");
  faults_.Reset();
  IUnknown* result = kSentinel;
  EXPECT_EQ(E_FAIL, ObjectListOf(root.get())->GetPrevious(
                        reinterpret_cast<void**>(&result), IID_IORVEntry,
                        fresh.get()));
  EXPECT_EQ(kSentinel, result);
  EXPECT_EQ(0, faults_.Count(FaultApi::kRead));
  EXPECT_EQ(0, ConcreteList(root.get())->elementCount());
}

// --- Lookup and creation -----------------------------------------------------

TEST_F(ListTest, FindEntryComparesLengthAndBytesWithCase) {
  WriteContainer({Leaf("Name", "upper"), Leaf("name", "lower"), Leaf("", "e"),
                  Leaf("nam", "short")});
  Held<IORVRoot> root = OpenBox();
  struct {
    std::string name;
    const char* payload;  // null: not found
  } cases[] = {
      {"Name", "upper"}, {"name", "lower"}, {"NAME", nullptr},
      {"", "e"},         {"nam", "short"},  {"names", nullptr},
      {"na", nullptr},
  };
  for (const auto& c : cases) {
    Held<IORVEntry> found = Find(root.get(), c.name);
    if (c.payload == nullptr) {
      EXPECT_FALSE(found) << "'" << c.name << "'";
    } else {
      ASSERT_TRUE(found) << "'" << c.name << "'";
      EXPECT_EQ(c.payload, Payload(found.get()));
    }
  }
}

TEST_F(ListTest, FindEntryRefusesUnusablePointers) {
  Held<IORVRoot> root = OpenAbc();
  IORVList* list = ListOf(root.get());
  IORVEntry* untouched = reinterpret_cast<IORVEntry*>(kSentinel);
  EXPECT_EQ(E_INVALIDARG, list->FindEntry(nullptr, "a", 1));
  GuardedBuffer name(3);
  memcpy(name.data(), "abc", 3);
  EXPECT_EQ(E_INVALIDARG, list->FindEntry(&untouched, name.data(), 4));
  EXPECT_EQ(E_INVALIDARG, list->FindEntry(&untouched, nullptr, 1));
  EXPECT_EQ(reinterpret_cast<IORVEntry*>(kSentinel), untouched);
  // A name that ends right at the guard page is fine.
  Held<IORVEntry> found;
  EXPECT_EQ(S_OK, list->FindEntry(found.out(), name.data() + 2, 1));
  ASSERT_TRUE(found);
  EXPECT_EQ("c", Name(found.get()));
}

TEST_F(ListTest, CreateEntryMakesAnUnlinkedNamelessEntry) {
  Held<IORVRoot> root = OpenAbc();
  Held<IORVEntry> entry;
  ASSERT_EQ(S_OK, ListOf(root.get())->CreateEntry(entry.out()));
  EXPECT_EQ("", Name(entry.get()));
  EXPECT_EQ(1u, References(entry.get()));
  EXPECT_EQ(0, ListOf(entry.get())->GetFile());
  EXPECT_EQ(nullptr, ConcreteEntry(entry.get())->ownerList());
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), Names(root.get()));
  EXPECT_EQ(E_INVALIDARG, ListOf(root.get())->CreateEntry(nullptr));
}

TEST_F(ListTest, CreateEntryReportsOutOfMemory) {
  Held<IORVRoot> root = CreateBox();
  faults_.Reset();
  faults_.FailNth(FaultApi::kAlloc, 1);
  IORVEntry* entry = reinterpret_cast<IORVEntry*>(kSentinel);
  EXPECT_EQ(E_OUTOFMEMORY, ListOf(root.get())->CreateEntry(&entry));
  EXPECT_EQ(nullptr, entry);
}

// --- Walking -------------------------------------------------------------------

TEST_F(ListTest, WalksInBothDirections) {
  Held<IORVRoot> root = OpenAbc();
  IObjectList* list = ObjectListOf(root.get());
  Held<IORVEntry> first, last;
  ASSERT_EQ(S_OK, list->GetFirst(first.outVoid(), IID_IORVEntry));
  ASSERT_EQ(S_OK, list->GetLast(last.outVoid(), IID_IORVEntry));
  EXPECT_EQ("a", Name(first.get()));
  EXPECT_EQ("c", Name(last.get()));

  Held<IORVEntry> next;
  EXPECT_EQ(S_OK, list->GetNext(next.outVoid(), IID_IORVEntry, last.get()));
  EXPECT_FALSE(next) << "after the last";
  Held<IORVEntry> previous;
  ASSERT_EQ(S_OK,
            list->GetPrevious(previous.outVoid(), IID_IORVEntry, last.get()));
  EXPECT_EQ("b", Name(previous.get()));

  IUnknown* untouched = kSentinel;
  EXPECT_EQ(E_FAIL, list->GetPrevious(reinterpret_cast<void**>(&untouched),
                                      IID_IORVEntry, first.get()));
  EXPECT_EQ(kSentinel, untouched) << "before the first";
}

TEST_F(ListTest, WalkingFromSomethingElse) {
  Held<IORVRoot> root = OpenAbc();
  Held<IORVEntry> a = Find(root.get(), "a");
  Held<IORVEntry> a1 = Find(a.get(), "a1");
  IObjectList* list = ObjectListOf(root.get());

  // Not an entry: S_OK and null both ways.
  IUnknown* result = kSentinel;
  EXPECT_EQ(S_OK, list->GetNext(reinterpret_cast<void**>(&result),
                                IID_IORVEntry, root.get()));
  EXPECT_EQ(nullptr, result);
  result = kSentinel;
  EXPECT_EQ(S_OK, list->GetPrevious(reinterpret_cast<void**>(&result),
                                    IID_IORVEntry, nullptr));
  EXPECT_EQ(nullptr, result);

  // An entry of another list has no predecessor here.
  result = kSentinel;
  EXPECT_EQ(E_FAIL, list->GetPrevious(reinterpret_cast<void**>(&result),
                                      IID_IORVEntry, a1.get()));
  EXPECT_EQ(kSentinel, result);

  // GetNext follows the entry's own link, whichever list is asked.
  Held<IORVEntry> a2;
  EXPECT_EQ(S_OK, list->GetNext(a2.outVoid(), IID_IORVEntry, a1.get()));
  ASSERT_TRUE(a2);
  EXPECT_EQ("a2", Name(a2.get()));

  // Each interface of an entry, and its identity, is recognised.
  Held<INonDelegatingUnknown> identity;
  ASSERT_EQ(S_OK, a->QueryInterface(IID_IUnknown, identity.outVoid()));
  Held<IORVEntry> b;
  EXPECT_EQ(S_OK, list->GetNext(b.outVoid(), IID_IORVEntry,
                                AsUnknown(identity.get())));
  ASSERT_TRUE(b);
  EXPECT_EQ("b", Name(b.get()));
  Held<IORVEntry> back;
  EXPECT_EQ(S_OK, list->GetPrevious(back.outVoid(), IID_IORVEntry,
                                    ObjectListOf(b.get())));
  EXPECT_EQ(a.get(), back.get());
}

TEST_F(ListTest, GetNextOfAnUnlinkedEntryIsNull) {
  // An entry keeps nothing of its old place: after Remove, following its
  // old link would reach a sibling that may be gone.
  Held<IORVRoot> root = OpenAbc();
  IObjectList* list = ObjectListOf(root.get());
  Held<IORVEntry> a = Find(root.get(), "a");
  ASSERT_EQ(S_OK, list->Remove(a.get()));
  {
    Held<IORVEntry> b = Find(root.get(), "b");
    ASSERT_EQ(S_OK, list->Remove(b.get()));
  }  // b is destroyed here
  IUnknown* result = kSentinel;
  EXPECT_EQ(S_OK, list->GetNext(reinterpret_cast<void**>(&result),
                                IID_IORVEntry, a.get()));
  EXPECT_EQ(nullptr, result);
}

TEST_F(ListTest, WalkingHandsOutTheAskedInterface) {
  Held<IORVRoot> root = OpenAbc();
  IObjectList* list = ObjectListOf(root.get());
  Held<IObjectList> asList;
  ASSERT_EQ(S_OK, list->GetFirst(asList.outVoid(), IID_IObjectList));
  Held<IORVEntry> a = Find(root.get(), "a");
  EXPECT_EQ(ObjectListOf(a.get()), asList.get());

  IUnknown* result = kSentinel;
  EXPECT_EQ(E_NOINTERFACE,
            list->GetFirst(reinterpret_cast<void**>(&result), IID_IJInStream));
  EXPECT_EQ(nullptr, result);
  result = kSentinel;
  EXPECT_EQ(E_NOINTERFACE,
            list->GetLast(reinterpret_cast<void**>(&result), IID_IORVRoot));
  EXPECT_EQ(nullptr, result);
  EXPECT_EQ(2, ConcreteList(root.get())->lockCount()) << "a, twice, is held";
}

TEST_F(ListTest, WalkingRefusesUnusableArguments) {
  Held<IORVRoot> root = OpenAbc();
  IObjectList* list = ObjectListOf(root.get());
  Held<IORVEntry> a = Find(root.get(), "a");
  GuardedBuffer noAccess(sizeof(IID), GuardedBuffer::kNoAccess);
  const IID& unreadable = *reinterpret_cast<const IID*>(noAccess.data());
  void* out = kSentinel;
  EXPECT_EQ(E_INVALIDARG, list->GetFirst(nullptr, IID_IORVEntry));
  EXPECT_EQ(E_INVALIDARG, list->GetLast(nullptr, IID_IORVEntry));
  EXPECT_EQ(E_INVALIDARG, list->GetNext(nullptr, IID_IORVEntry, a.get()));
  EXPECT_EQ(E_INVALIDARG, list->GetPrevious(nullptr, IID_IORVEntry, a.get()));
  EXPECT_EQ(E_INVALIDARG, list->GetFirst(&out, unreadable));
  EXPECT_EQ(E_INVALIDARG, list->GetNext(&out, unreadable, a.get()));
  // QueryInterface of roots and entries checks its arguments too.
  EXPECT_EQ(E_POINTER, a->QueryInterface(IID_IORVList, nullptr));
  EXPECT_EQ(E_POINTER, root->QueryInterface(IID_IORVList, nullptr));
  out = kSentinel;
  EXPECT_EQ(E_INVALIDARG, a->QueryInterface(unreadable, &out));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(1, ConcreteList(root.get())->lockCount()) << "a is held";
}

// --- Insert and Remove -----------------------------------------------------------

TEST_F(ListTest, InsertPutsTheEntryAfterItsPosition) {
  struct {
    const char* position;  // null: no position
    std::vector<std::string> names;
  } cases[] = {
      {nullptr, {"x", "a", "b", "c"}},
      {"a", {"a", "x", "b", "c"}},
      {"b", {"a", "b", "x", "c"}},
      {"c", {"a", "b", "c", "x"}},
  };
  for (const auto& c : cases) {
    Held<IORVRoot> root = OpenAbc();
    Held<IORVEntry> position;
    if (c.position != nullptr) position = Find(root.get(), c.position);
    Held<IORVEntry> x = NewEntry(root.get(), "x");
    ASSERT_EQ(S_OK, ObjectListOf(root.get())->Insert(x.get(), position.get()));
    EXPECT_EQ(c.names, Names(root.get()));
    Held<IORVEntry> first, last;
    ObjectListOf(root.get())->GetFirst(first.outVoid(), IID_IORVEntry);
    ObjectListOf(root.get())->GetLast(last.outVoid(), IID_IORVEntry);
    EXPECT_EQ(c.names.front(), Name(first.get()));
    EXPECT_EQ(c.names.back(), Name(last.get()));
    EXPECT_EQ(4, ConcreteList(root.get())->elementCount());
  }
}

TEST_F(ListTest, InsertWithAPositionThatIsNoEntryInsertsFirst) {
  Held<IORVRoot> root = OpenAbc();
  Held<IORVEntry> x = NewEntry(root.get(), "x");
  ASSERT_EQ(S_OK, ObjectListOf(root.get())->Insert(x.get(), root.get()));
  EXPECT_EQ((std::vector<std::string>{"x", "a", "b", "c"}), Names(root.get()));
}

// Every refused Insert leaves the list, its counts and marks, and the
// entry's references as they were.
TEST_F(ListTest, RefusedInsertChangesNothing) {
  enum Candidate { kNull, kRoot, kLinkedHere, kLinkedElsewhere, kSameName,
                   kEmptyNameTwice, kItself, kItsAncestor, kForeignPosition };
  struct {
    const char* label;
    Candidate candidate;
    HRESULT expected;
  } cases[] = {
      {"null", kNull, E_INVALIDARG},
      {"not an entry", kRoot, E_INVALIDARG},
      {"already in this list", kLinkedHere, E_FAIL},
      {"already in another list", kLinkedElsewhere, E_FAIL},
      {"a sibling has its name", kSameName, E_FAIL},
      {"a second empty name", kEmptyNameTwice, E_FAIL},
      {"into its own list", kItself, E_FAIL},
      {"into a list below it", kItsAncestor, E_FAIL},
      {"position in another list", kForeignPosition, E_INVALIDARG},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    WriteContainer({Branch("a", {Branch("a1", {Leaf("deep")}), Leaf("a2")}),
                    Leaf("b"), Leaf("")});
    Held<IORVRoot> root = OpenBox();
    Held<IORVEntry> a = Find(root.get(), "a");
    Held<IORVEntry> a1 = Find(a.get(), "a1");
    Held<IORVEntry> deep = Find(a1.get(), "deep");
    Held<IORVEntry> b = Find(root.get(), "b");
    Held<IORVEntry> fresh = NewEntry(root.get(), "fresh");
    Held<IORVEntry> empty = NewEntry(root.get(), "");
    Held<IORVEntry> named_b = NewEntry(root.get(), "b");

    IUnknown* list = a1.get();  // where the insert goes, unless said below
    IUnknown* entry = nullptr;
    IUnknown* position = nullptr;
    switch (c.candidate) {
      case kNull: break;
      case kRoot: entry = root.get(); break;
      case kLinkedHere: entry = deep.get(); break;
      case kLinkedElsewhere: entry = b.get(); break;
      case kSameName: list = root.get(); entry = named_b.get(); break;
      case kEmptyNameTwice: list = root.get(); entry = empty.get(); break;
      case kItself:
        ASSERT_EQ(S_OK, ObjectListOf(a.get())->Remove(a1.get()));
        entry = a1.get();
        break;
      case kItsAncestor:
        ASSERT_EQ(S_OK, ObjectListOf(root.get())->Remove(a.get()));
        entry = a.get();
        list = deep.get();
        break;
      case kForeignPosition: entry = fresh.get(); position = b.get(); break;
    }
    const std::string before = Render(root.get());
    const int32_t lockCount = ConcreteList(list)->lockCount();
    const int32_t elementCount = ConcreteList(list)->elementCount();
    const bool modified = ConcreteList(list)->modified();
    const bool rootModified = ConcreteList(root.get())->modified();
    const uint32_t references = entry != nullptr ? References(entry) : 0;

    EXPECT_EQ(c.expected, ObjectListOf(list)->Insert(entry, position));
    EXPECT_EQ(before, Render(root.get()));
    EXPECT_EQ(lockCount, ConcreteList(list)->lockCount());
    EXPECT_EQ(elementCount, ConcreteList(list)->elementCount());
    EXPECT_EQ(modified, ConcreteList(list)->modified());
    EXPECT_EQ(rootModified, ConcreteList(root.get())->modified());
    if (entry != nullptr) {
      EXPECT_EQ(references, References(entry));
    }
  }
}

TEST_F(ListTest, RemoveThenInsertAgainHereOrElsewhere) {
  Held<IORVRoot> root = OpenAbc();
  Held<IORVEntry> a = Find(root.get(), "a");
  Held<IORVEntry> c = Find(root.get(), "c");
  ASSERT_EQ(S_OK, ObjectListOf(root.get())->Remove(c.get()));
  EXPECT_EQ(nullptr, ConcreteEntry(c.get())->ownerList());
  EXPECT_EQ(1u, References(c.get()));
  EXPECT_EQ("a=A(a1=x,a2),b", Render(root.get()));
  // Removing it again, or from a list it never was in: E_FAIL.
  EXPECT_EQ(E_FAIL, ObjectListOf(root.get())->Remove(c.get()));
  EXPECT_EQ(E_FAIL, ObjectListOf(a.get())->Remove(c.get()));

  ASSERT_EQ(S_OK, ObjectListOf(a.get())->Insert(c.get(), nullptr));
  EXPECT_EQ("a=A(c=C,a1=x,a2),b", Render(root.get()));
  ASSERT_EQ(S_OK, ObjectListOf(a.get())->Remove(c.get()));
  ASSERT_EQ(S_OK, ObjectListOf(root.get())->Insert(c.get(), nullptr));
  EXPECT_EQ("c=C,a=A(a1=x,a2),b", Render(root.get()));
}

TEST_F(ListTest, RemoveOfAnEntryLinkedElsewhereChangesNothing) {
  Held<IORVRoot> root = OpenAbc();
  Held<IORVEntry> a = Find(root.get(), "a");
  Held<IORVEntry> a1 = Find(a.get(), "a1");
  CORVList* rootList = ConcreteList(root.get());
  CORVList* aList = ConcreteList(a.get());
  const int32_t rootLocks = rootList->lockCount();
  const int32_t aLocks = aList->lockCount();
  const uint32_t references = References(a1.get());

  EXPECT_EQ(E_FAIL, ObjectListOf(root.get())->Remove(a1.get()));
  EXPECT_EQ(E_INVALIDARG, ObjectListOf(root.get())->Remove(nullptr));
  EXPECT_EQ(E_INVALIDARG, ObjectListOf(root.get())->Remove(root.get()));
  EXPECT_EQ(3, rootList->elementCount());
  EXPECT_EQ(2, aList->elementCount());
  EXPECT_EQ(rootLocks, rootList->lockCount());
  EXPECT_EQ(aLocks, aList->lockCount());
  EXPECT_EQ(references, References(a1.get()));
  EXPECT_EQ(aList, ConcreteEntry(a1.get())->ownerList());
  EXPECT_FALSE(rootList->modified());
}

// --- Lock counts -------------------------------------------------------------------

TEST_F(ListTest, LockCountFollowsTheReferencesCallersHold) {
  Held<IORVRoot> root = OpenAbc();
  CORVList* list = ConcreteList(root.get());
  {
    Held<IORVEntry> a = Find(root.get(), "a");
    EXPECT_EQ(1, list->lockCount());
    Held<IORVEntry> again = Find(root.get(), "a");
    EXPECT_EQ(2, list->lockCount());
    // The identity counts the entry's own references only.
    Held<INonDelegatingUnknown> identity;
    ASSERT_EQ(S_OK, a->QueryInterface(IID_IUnknown, identity.outVoid()));
    EXPECT_EQ(2, list->lockCount());
    identity->NonDelegatingAddRef();
    identity->NonDelegatingRelease();
    EXPECT_EQ(2, list->lockCount());
    // A child's references lock its own list, not the root's.
    Held<IORVEntry> a1 = Find(a.get(), "a1");
    EXPECT_EQ(2, list->lockCount());
    EXPECT_EQ(1, ConcreteList(a.get())->lockCount());
  }
  EXPECT_EQ(0, list->lockCount());
  EXPECT_EQ(1, list->LockChildren());
  EXPECT_EQ(0, list->UnlockChildren());
}

TEST_F(ListTest, LinkingCarriesTheEntrysReferencesIntoTheLockCount) {
  Held<IORVRoot> root = OpenAbc();
  CORVList* list = ConcreteList(root.get());
  Held<IORVEntry> x = NewEntry(root.get(), "x");
  Held<IORVEntry> second;
  ASSERT_EQ(S_OK, x->QueryInterface(IID_IORVEntry, second.outVoid()));
  EXPECT_EQ(0, list->lockCount());
  ASSERT_EQ(S_OK, ObjectListOf(root.get())->Insert(x.get(), nullptr));
  EXPECT_EQ(2, list->lockCount());
  EXPECT_EQ(3u, References(x.get()));
  second.reset();
  EXPECT_EQ(1, list->lockCount());
  ASSERT_EQ(S_OK, ObjectListOf(root.get())->Remove(x.get()));
  EXPECT_EQ(0, list->lockCount());
  EXPECT_EQ(1u, References(x.get()));
}

// --- Modification marks -------------------------------------------------------------

TEST_F(ListTest, MarksClimbToTheRootAndSaveClearsThem) {
  WriteContainer({Branch("a", {Branch("b", {Branch("c", {Leaf("d")})})}),
                  Leaf("e")});
  Held<IORVRoot> root = OpenBox();
  Held<IORVEntry> a = At(root.get(), "a");
  Held<IORVEntry> b = At(root.get(), "a/b");
  Held<IORVEntry> c = At(root.get(), "a/b/c");
  Held<IORVEntry> e = At(root.get(), "e");
  IUnknown* marked[] = {root.get(), a.get(), b.get(), c.get()};
  ListOf(c.get())->SetModified();
  for (IUnknown* list : marked) EXPECT_TRUE(ConcreteList(list)->modified());
  EXPECT_FALSE(ConcreteList(e.get())->modified());
  EXPECT_EQ("a(b(c(d))),e", Render(root.get())) << "c's table was read first";

  ExpectSave(S_OK, root.get());
  for (IUnknown* list : marked) {
    CORVList* concrete = ConcreteList(list);
    EXPECT_FALSE(concrete->modified());
    EXPECT_EQ(concrete->writtenTableOffset(), concrete->storedTableOffset());
  }
}

TEST_F(ListTest, WhatMarksAList) {
  struct {
    const char* label;
    void (*change)(ListTest* test, IORVRoot* root, IORVEntry* a,
                   IORVEntry* a1);
    bool aModified;
    bool a1Modified;
  } cases[] = {
      {"insert into a",
       [](ListTest* t, IORVRoot*, IORVEntry* a, IORVEntry*) {
         Held<IORVEntry> x = t->NewEntry(a, "x");
         EXPECT_EQ(S_OK, ObjectListOf(a)->Insert(x.get(), nullptr));
       },
       true, false},
      {"remove from a",
       [](ListTest*, IORVRoot*, IORVEntry* a, IORVEntry* a1) {
         EXPECT_EQ(S_OK, ObjectListOf(a)->Remove(a1));
       },
       true, false},
      {"payload of a1",
       [](ListTest* t, IORVRoot*, IORVEntry*, IORVEntry* a1) {
         t->SetPayload(a1, "new");
       },
       true, false},
      {"rename of a1",
       [](ListTest*, IORVRoot*, IORVEntry*, IORVEntry* a1) {
         EXPECT_EQ(S_OK, a1->SetName("z", 1));
       },
       false, false},
      {"linking a modified entry into a",
       [](ListTest* t, IORVRoot* root, IORVEntry* a, IORVEntry*) {
         Held<IORVEntry> x = t->NewEntry(root, "x");
         Held<IORVEntry> child = t->NewEntry(root, "child");
         EXPECT_EQ(S_OK, ObjectListOf(x.get())->Insert(child.get(), nullptr));
         EXPECT_TRUE(ConcreteList(x.get())->modified());
         // Link x without Insert's own mark, as a list does when it loads.
         CORVList* list = ConcreteList(a);
         list->InsertAfter(nullptr, ConcreteEntry(x.get()));
       },
       true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Held<IORVRoot> root = OpenAbc();
    Held<IORVEntry> a = Find(root.get(), "a");
    Held<IORVEntry> a1 = Find(a.get(), "a1");
    c.change(this, root.get(), a.get(), a1.get());
    EXPECT_EQ(c.aModified, ConcreteList(a.get())->modified());
    EXPECT_EQ(c.aModified, ConcreteList(root.get())->modified());
    EXPECT_EQ(c.a1Modified, ConcreteList(a1.get())->modified());
  }
}

// SetModified loads an unread list first, so that a marked list always
// stands for its real elements. When that load fails the list stays unread
// (the next save reports the failure instead of writing it empty); the
// lists above are still marked.
TEST_F(ListTest, MarkingAListThatCannotLoadLeavesItUnread) {
  WriteContainer({Branch("a", {Leaf("a1", "x"), Leaf("a2")})});
  const std::string original = FileBytes(kBox);
  Held<IORVRoot> root = OpenBox();
  Held<IORVEntry> a = Find(root.get(), "a");
  faults_.Reset();
  faults_.FailNth(FaultApi::kRead, 1);
  ListOf(a.get())->SetModified();
  EXPECT_TRUE(faults_.Fired());
  EXPECT_FALSE(ConcreteList(a.get())->modified());
  EXPECT_TRUE(ConcreteList(root.get())->modified());

  faults_.Reset();
  ExpectSave(S_OK, root.get());
  EXPECT_EQ("a(a1=x,a2)", Render(root.get()));
  EXPECT_EQ(original, FileBytes(kBox));
}

}  // namespace
}  // namespace testing
}  // namespace orv
