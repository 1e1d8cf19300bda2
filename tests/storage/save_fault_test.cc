// The save cycle under every failure the platform can report and under a
// crash at every point: the container path always names a complete file
// (the old one, or the new one once the save has said so), nothing is left
// open or allocated, and a root whose save failed goes on with its old file
// and saves the same bytes when asked again.
#include <string>

#include "tests/storage/storage_fixture.h"

namespace orv {
namespace testing {
namespace {

struct Scenario {
  const char* label;
  const char* container;
  int32_t backup;
  const char* newPath;  // null: in place
  const char* bak;      // the backup name; null when none is made
  const char* tmp;      // the temporary name
};

void PrintTo(const Scenario& scenario, std::ostream* out) {
  *out << scenario.label;
}

const Scenario kScenarios[] = {
    {"in place", "/c/box.orv", 0, nullptr, nullptr, "/c/box.tmp"},
    {"in place with backup", "/c/box.orv", 1, nullptr, "/c/box.bak",
     "/c/box.tmp"},
    {"container named .tmp, with backup", "/c/box.tmp", 1, nullptr,
     "/c/box.bak", "/c/box.tmp.tmp"},
    {"new path", "/c/box.orv", 1, "/c/copy.orv", nullptr, "/c/copy.tmp"},
    {"new path over another file", "/c/box.orv", 0, "/c/other.orv", nullptr,
     "/c/other.tmp"},
};

const char kOlderBackup[] = "an older backup";
const char kOtherFile[] = "another container";

// The container before: nested lists, a plain stored envelope (the save
// compresses it), entries without payload, lists the save must load.
const Tree& OldTree() {
  static const Tree tree = {
      Branch("docs",
             {Leaf("one", "first document"),
              Branch("deeper", {Leaf("leaf", std::string(3000, 'z'))}, "D")},
             "docs payload"),
      Node{"plain", PlainEnvelope("stored plain"), {}},
      Leaf("empty"),
      Leaf("gone", "removed by the change"),
  };
  return tree;
}

// The old container as the interfaces show it (payloads read back).
const Tree& OldContent() {
  static const Tree tree = [] {
    Tree content = OldTree();
    content[1] = Leaf("plain", "stored plain");
    return content;
  }();
  return tree;
}

// What the change makes of it.
const Tree& NewTree() {
  static const Tree tree = {
      Leaf("added", "new entry"),
      Branch("docs",
             {Leaf("one", "first document"),
              Branch("deeper", {Leaf("leaf", "rewritten")}, "D")},
             "docs payload"),
      Leaf("plain", "stored plain"),
      Leaf("empty"),
  };
  return tree;
}

class SaveFaultTest : public StorageTest,
                      public ::testing::WithParamInterface<Scenario> {
 public:
  const Scenario& scenario() const { return GetParam(); }
  const char* target() const {
    return scenario().newPath ? scenario().newPath : scenario().container;
  }

  // A fresh file system holding the old container (and an older backup, and
  // the file a new path replaces), all of it durable.
  void Arrange() {
    for (const std::string& file : fs_.Files()) fs_.Remove(file);
    fs_.SetBytes(scenario().container, old_);
    if (scenario().bak) fs_.SetBytes(scenario().bak, kOlderBackup);
    if (scenario().newPath && std::string(scenario().newPath) == "/c/other.orv") {
      fs_.SetBytes(scenario().newPath, kOtherFile);
    }
    fs_.SyncAll();
  }

  // Opens the old container and changes it into NewTree(); "leaf" stays
  // unread until then, "one" and "plain" stay unread for the save.
  Held<IORVRoot> OpenAndChange() {
    Held<IORVRoot> root = OpenBox(scenario().container);
    if (!root) return root;
    Held<IORVEntry> added = NewEntry(root.get(), "added");
    EXPECT_EQ(S_OK, ObjectListOf(root.get())->Insert(added.get(), nullptr));
    SetPayload(added.get(), "new entry");
    Held<IORVEntry> gone = Find(root.get(), "gone");
    EXPECT_EQ(S_OK, ObjectListOf(root.get())->Remove(gone.get()));
    Held<IORVEntry> leaf = At(root.get(), "docs/deeper/leaf");
    SetPayload(leaf.get(), "rewritten");
    return root;
  }

  HRESULT Save(IORVRoot* root) {
    return root->Save(0, scenario().backup, scenario().newPath);
  }

  void SetUp() override {
    old_ = Layout(OldTree());
    // The bytes a fault-free save writes.
    Arrange();
    Held<IORVRoot> root = OpenAndChange();
    ASSERT_TRUE(root);
    ASSERT_EQ(S_OK, Save(root.get()));
    expected_ = FileBytes(target());
    ASSERT_EQ(Layout(NewTree()), expected_);
  }

  // After a save that failed: every file as it was, and a root that goes on
  // with its old file and, asked again, saves exactly the expected bytes.
  void ExpectNothingChanged(IORVRoot* root) {
    EXPECT_EQ(old_, FileBytes(scenario().container));
    if (scenario().newPath) {
      const std::string before =
          std::string(scenario().newPath) == "/c/other.orv" ? kOtherFile : "";
      EXPECT_EQ(before, FileBytes(scenario().newPath));
    }
    if (scenario().bak && Exists(scenario().bak)) {
      // The backup is made before the rename, and an older one removed
      // before that: a failure on the way may leave either, or neither.
      const std::string bak = FileBytes(scenario().bak);
      EXPECT_TRUE(bak == kOlderBackup || bak == old_) << "backup damaged";
    }
    EXPECT_STREQ(scenario().container, ConcreteRoot(root)->path());
    ASSERT_NE(0, ListOf(root)->GetFile()) << "the old file was not reopened";
    EXPECT_EQ(NewTree(), Snapshot(root));
    faults_.Reset();
    EXPECT_EQ(S_OK, Save(root)) << "retry";
    EXPECT_EQ(expected_, FileBytes(target())) << "retry wrote other bytes";
  }

  // After a save that succeeded although a call failed (one whose failure
  // does not decide the new file, or compression left without memory).
  void ExpectNewFileInPlace(FaultApi::Kind kind, IORVRoot* root) {
    const std::string saved = FileBytes(target());
    if (kind == FaultApi::kAlloc) {
      // A payload compression could not shrink stays plain: other bytes,
      // same content.
      Tree tree;
      std::string error;
      ASSERT_TRUE(Parse(saved, false, &tree, &error)) << error;
      EXPECT_EQ(NewTree(), Snapshot(root));
    } else {
      EXPECT_EQ(expected_, saved);
    }
    if (scenario().bak) {
      EXPECT_EQ(old_, FileBytes(scenario().bak));
    }
  }

  std::string old_;
  std::string expected_;
};

// Every failure point of every kind, one at a time (fail call 1, then 2, ...
// until the save no longer reaches that call).
TEST_P(SaveFaultTest, EveryFailurePointLeavesAWholeContainer) {
  const FaultApi::Kind kinds[] = {
      FaultApi::kOpen,   FaultApi::kCreate, FaultApi::kRead,
      FaultApi::kWrite,  FaultApi::kSeek,   FaultApi::kClose,
      FaultApi::kFlush,  FaultApi::kAccess, FaultApi::kUnlink,
      FaultApi::kRename, FaultApi::kLink,   FaultApi::kSyncDirectory,
      FaultApi::kAlloc};
  for (FaultApi::Kind kind : kinds) {
    for (int nth = 1;; ++nth) {
      SCOPED_TRACE("failing call " + std::to_string(nth) + " of kind " +
                   std::to_string(kind));
      Arrange();
      const size_t blocks = faults_.OutstandingAllocations();
      Held<IORVRoot> root = OpenAndChange();
      ASSERT_TRUE(root);
      faults_.Reset();
      faults_.FailNth(kind, nth);
      const HRESULT result = Save(root.get());
      const bool fired = faults_.Fired();
      faults_.Reset();
      EXPECT_FALSE(Exists(scenario().tmp)) << "temporary file left";
      if (!fired) {
        EXPECT_EQ(S_OK, result);
        EXPECT_EQ(expected_, FileBytes(target()));
        break;
      }
      if (SUCCEEDED(result)) {
        ExpectNewFileInPlace(kind, root.get());
      } else if (FileBytes(target()) == expected_) {
        // The new file is in place and the tree committed to it; only
        // syncing the directory or reopening the file failed.
        if (kind == FaultApi::kSyncDirectory) {
          EXPECT_EQ(E_FAIL, result);
          EXPECT_NE(0, ListOf(root.get())->GetFile());
        } else {
          EXPECT_EQ(E_ACCESSDENIED, result);
          EXPECT_EQ(0, ListOf(root.get())->GetFile());
        }
        EXPECT_FALSE(ConcreteList(root.get())->modified());
        if (scenario().bak) {
          EXPECT_EQ(old_, FileBytes(scenario().bak));
        }
      } else {
        ExpectNothingChanged(root.get());
      }
      root.reset();
      EXPECT_TRUE(faults_.OpenHandles().empty()) << "handle leaked";
      EXPECT_EQ(blocks, faults_.OutstandingAllocations()) << "memory leaked";
    }
  }
}

// Short transfers are failures too.
TEST_P(SaveFaultTest, ShortWritesAndReadsFailTheSave) {
  const FaultApi::Kind kinds[] = {FaultApi::kWrite, FaultApi::kRead};
  for (FaultApi::Kind kind : kinds) {
    for (int nth = 1;; ++nth) {
      SCOPED_TRACE("shortening call " + std::to_string(nth) + " of kind " +
                   std::to_string(kind));
      Arrange();
      Held<IORVRoot> root = OpenAndChange();
      ASSERT_TRUE(root);
      faults_.Reset();
      faults_.ShortenNth(kind, nth, 1);
      const HRESULT result = Save(root.get());
      const bool fired = faults_.Fired();
      faults_.Reset();
      if (!fired) break;
      EXPECT_EQ(E_FAIL, result);
      EXPECT_FALSE(Exists(scenario().tmp));
      ExpectNothingChanged(root.get());
    }
  }
}

// A crash before any file call of the save (and one after it returned):
// once the machine is back, the container path holds the complete old or
// the complete new file, and the new one for certain once the save has
// returned S_OK.
TEST_P(SaveFaultTest, CrashAtEveryPointLeavesTheOldOrTheNewFile) {
  Arrange();
  int calls = 0;
  {
    Held<IORVRoot> root = OpenAndChange();
    ASSERT_TRUE(root);
    tap_.Recover();
    ASSERT_EQ(S_OK, Save(root.get()));
    calls = tap_.FileCalls();
  }
  ASSERT_GT(calls, 10);
  for (int point = 1; point <= calls + 1; ++point) {
    SCOPED_TRACE("crash before file call " + std::to_string(point));
    Arrange();
    Held<IORVRoot> root = OpenAndChange();
    ASSERT_TRUE(root);
    bool saved = false;
    if (point <= calls) {
      tap_.CrashBefore(point, [this] { fs_.Crash(); });
      Save(root.get());
    } else {
      saved = Save(root.get()) == S_OK;
      EXPECT_TRUE(saved);
      tap_.CrashBefore(1, [this] { fs_.Crash(); });
      platform::_access("/c", 0);  // the machine dies right after
    }
    root.reset();
    tap_.Recover();

    const std::string container = FileBytes(scenario().container);
    if (scenario().newPath) {
      EXPECT_EQ(old_, container);
      const std::string other = FileBytes(scenario().newPath);
      const std::string before =
          std::string(scenario().newPath) == "/c/other.orv" ? kOtherFile : "";
      EXPECT_TRUE(other == before || other == expected_)
          << "new path holds " << other.size() << " bytes";
      if (saved) {
        EXPECT_EQ(expected_, other);
      }
    } else {
      EXPECT_TRUE(container == old_ || container == expected_)
          << "container holds " << container.size() << " bytes";
      if (saved) {
        EXPECT_EQ(expected_, container);
      }
    }
    if (scenario().bak && Exists(scenario().bak)) {
      const std::string bak = FileBytes(scenario().bak);
      EXPECT_TRUE(bak == kOlderBackup || bak == old_) << "backup damaged";
    }
    const std::string file = FileBytes(target());
    if (file == old_ || file == expected_) {
      Held<IORVRoot> reopened = OpenBox(target(), platform::kShareDenyWrite);
      ASSERT_TRUE(reopened);
      EXPECT_EQ(file == old_ ? OldContent() : NewTree(),
                Snapshot(reopened.get()));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, SaveFaultTest,
                         ::testing::ValuesIn(kScenarios));

}  // namespace
}  // namespace testing
}  // namespace orv
