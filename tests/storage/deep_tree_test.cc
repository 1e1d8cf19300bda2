// Trees nested hundreds of thousands of levels deep, built in memory or read
// from a crafted file: saving, committing, walking and releasing them must
// neither recurse nor climb the whole tree per step. Each scenario runs on a
// thread with a 256 KiB stack, far less than any host's main thread has
// (1 or 2 MiB on Win32): a recursion over the tree would overflow it.
#include <pthread.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/storage/storage_fixture.h"

namespace orv {
namespace testing {
namespace {

constexpr uint32_t kDepth = 200000;
constexpr size_t kSmallStack = 256 * 1024;

void* RunBody(void* body) {
  (*static_cast<std::function<void()>*>(body))();
  return nullptr;
}

// Runs `body` to its end on a thread with a small stack; false when no such
// thread could be made. The caller waits, so assertions in `body` never run
// concurrently with the test's own.
bool RunOnSmallStack(std::function<void()> body) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  pthread_t thread;
  const bool started =
      pthread_attr_setstacksize(&attributes, kSmallStack) == 0 &&
      pthread_create(&thread, &attributes, RunBody, &body) == 0;
  pthread_attr_destroy(&attributes);
  return started && pthread_join(thread, nullptr) == 0;
}

class DeepTreeTest : public StorageTest {
 public:
  // Walks from `root` down the chain of first children; returns the depth
  // and leaves the deepest entry in `*deepest`.
  uint32_t WalkDown(IORVRoot* root, Held<IORVEntry>* deepest) {
    uint32_t depth = 0;
    Held<IORVEntry> at;
    IUnknown* list = root;
    for (;;) {
      Held<IORVEntry> next;
      if (FAILED(ObjectListOf(list)->GetFirst(next.outVoid(), IID_IORVEntry)) ||
          !next) {
        break;
      }
      at = std::move(next);
      list = at.get();
      ++depth;
    }
    *deepest = std::move(at);
    return depth;
  }
};

TEST_F(DeepTreeTest, ChainBuiltInMemorySavesReopensAndReleases) {
  ASSERT_TRUE(RunOnSmallStack([this] {
    Held<IORVRoot> root = CreateBox();
    // Bottom up: each new entry takes the chain so far as its only child.
    Held<IORVEntry> top;
    for (uint32_t level = 0; level < kDepth; ++level) {
      Held<IORVEntry> entry;
      ASSERT_EQ(S_OK, ListOf(root.get())->CreateEntry(entry.out()));
      ASSERT_EQ(S_OK, entry->SetName("d", 1));
      if (top) {
        ASSERT_EQ(S_OK, ObjectListOf(entry.get())->Insert(top.get(), nullptr));
      }
      top = std::move(entry);
    }
    ASSERT_EQ(S_OK, ObjectListOf(root.get())->Insert(top.get(), nullptr));
    top.reset();
    ASSERT_EQ(S_OK, root->Save(0, 0, nullptr));
    const std::string expected = DeepChain(kDepth, "d");
    EXPECT_TRUE(FileBytes(kBox) == expected) << "not the chain's layout";

    // The committed tree, walked and changed at the bottom, saves the same.
    Held<IORVEntry> deepest;
    EXPECT_EQ(kDepth, WalkDown(root.get(), &deepest));
    ListOf(deepest.get())->SetModified();
    EXPECT_TRUE(ConcreteList(root.get())->modified());
    ASSERT_EQ(S_OK, root->Save(0, 0, nullptr));
    EXPECT_TRUE(FileBytes(kBox) == expected);
    deepest.reset();
    root.reset();

    root = OpenBox();
    EXPECT_EQ(kDepth, WalkDown(root.get(), &deepest));
    Held<IORVRoot> found;
    EXPECT_EQ(S_OK, deepest->GetRoot(found.out()));
    EXPECT_EQ(root.get(), found.get());
    found.reset();
    // The root goes first; the deepest entry outlives it on its own.
    root.reset();
    EXPECT_EQ(S_OK, deepest->GetRoot(found.out()));
    EXPECT_FALSE(found);
    EXPECT_EQ(0, ListOf(deepest.get())->GetFile());
  }));
}

TEST_F(DeepTreeTest, CraftedChainLoadsLazilyAndSavesUnchanged) {
  const std::string image = DeepChain(kDepth, "");
  PutFile(kBox, image);
  ASSERT_TRUE(RunOnSmallStack([this, &image] {
    Held<IORVRoot> root = OpenBox();
    // The save loads every list of the tree, below a list already read.
    Held<IORVEntry> first;
    ASSERT_EQ(S_OK, ObjectListOf(root.get())->GetFirst(first.outVoid(),
                                                       IID_IORVEntry));
    ASSERT_EQ(S_OK, root->Save(0, 1, nullptr));
    EXPECT_TRUE(FileBytes(kBox) == image);
    EXPECT_TRUE(FileBytes(kBak) == image);
    first.reset();
    root.reset();

    root = OpenBox();
    Held<IORVEntry> deepest;
    EXPECT_EQ(kDepth, WalkDown(root.get(), &deepest));
  }));
}

// The entries a host holds survive the root's release, with everything
// below them; what lies above the first goes at once, the rest as the held
// entries are let go from the top.
TEST_F(DeepTreeTest, ReleasingTheRootWhileHoldingEntriesAllTheWayDown) {
  PutFile(kBox, DeepChain(kDepth, "x"));
  ASSERT_TRUE(RunOnSmallStack([this] {
    Held<IORVRoot> root = OpenBox();
    std::vector<Held<IORVEntry>> held;
    Held<IORVEntry> at;
    IUnknown* list = root.get();
    for (uint32_t level = 1; level <= kDepth; ++level) {
      Held<IORVEntry> next;
      ASSERT_EQ(S_OK, ObjectListOf(list)->GetFirst(next.outVoid(),
                                                   IID_IORVEntry));
      ASSERT_TRUE(next);
      at = std::move(next);
      list = at.get();
      if (level % 50000 == 0) {
        Held<IORVEntry> keep;
        ASSERT_EQ(S_OK, at->QueryInterface(IID_IORVEntry, keep.outVoid()));
        held.push_back(std::move(keep));
      }
    }
    at.reset();
    root.reset();
    // The first held entry tops what is left; the others are still in its
    // tree, which has no root.
    for (size_t i = 0; i < held.size(); ++i) {
      Held<IORVRoot> found;
      EXPECT_EQ(S_OK, held[i]->GetRoot(found.out()));
      EXPECT_FALSE(found);
      EXPECT_EQ(0, ListOf(held[i].get())->GetFile());
      Held<IORVEntry> parent;
      EXPECT_EQ(S_OK, held[i]->GetParent(parent.out()));
      EXPECT_EQ(i > 0, static_cast<bool>(parent));
    }
    // Each release from the top drops the chain down to the next held one.
    for (Held<IORVEntry>& entry : held) {
      entry.reset();
    }
    held.clear();
  }));
}

// Taking a deep subtree out and dropping it releases it without recursion;
// marking the bottom of a deep tree reaches the root.
TEST_F(DeepTreeTest, RemovedDeepSubtreeIsReleasedIteratively) {
  PutFile(kBox, Header(186) + Count(0));
  ASSERT_TRUE(RunOnSmallStack([this] {
    Held<IORVRoot> root = OpenBox();
    // Top down this time, in the rooted tree.
    Held<IORVEntry> at;
    IUnknown* list = root.get();
    Held<IORVEntry> top;
    for (uint32_t level = 0; level < kDepth; ++level) {
      Held<IORVEntry> entry;
      ASSERT_EQ(S_OK, ListOf(root.get())->CreateEntry(entry.out()));
      ASSERT_EQ(S_OK, ObjectListOf(list)->Insert(entry.get(), nullptr));
      at = std::move(entry);
      list = at.get();
      if (level == 0) {
        ASSERT_EQ(S_OK, at->QueryInterface(IID_IORVEntry, top.outVoid()));
      }
    }
    SetPayload(at.get(), "bottom");
    EXPECT_TRUE(ConcreteList(root.get())->modified());
    Held<IORVRoot> found;
    EXPECT_EQ(S_OK, at->GetRoot(found.out()));
    EXPECT_EQ(root.get(), found.get());
    found.reset();
    at.reset();
    ASSERT_EQ(S_OK, ObjectListOf(root.get())->Remove(top.get()));
    top.reset();  // the whole chain goes here
    EXPECT_EQ("", Render(root.get()));
  }));
}

}  // namespace
}  // namespace testing
}  // namespace orv
