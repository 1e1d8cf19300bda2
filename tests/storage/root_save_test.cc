// The root: Open and Create through the file-system object, and the save
// cycle (temporary and backup names, new paths, path limits, containers
// held elsewhere, the state after each outcome).
#include <string>

#include "tests/doubles/guarded_buffer.h"
#include "tests/storage/storage_fixture.h"

namespace orv {
namespace testing {
namespace {

using platform::kOpenRead;
using platform::kOpenReadWrite;
using platform::kShareDenyNone;
using platform::kShareDenyWrite;

const Tree kOld = {Branch("a", {Leaf("a1", "one")}, "A"), Leaf("b", "B")};
const Tree kNew = {Branch("a", {Leaf("a1", "one")}, "A"), Leaf("b", "B"),
                   Leaf("c", "new")};

class RootTest : public StorageTest {
 public:
  // Opens kOld at `path` and adds c, so that a save writes kNew.
  Held<IORVRoot> OpenAndChange(const std::string& path = kBox,
                               int32_t mode = kOpenReadWrite |
                                              kShareDenyWrite) {
    WriteContainer(kOld, path);
    Held<IORVRoot> root = OpenBox(path, mode);
    if (root) Add(root.get(), "c", "new");
    return root;
  }

  // A handle on `path` held from outside the module, as another process
  // would hold it.
  HFILE Hold(const std::string& path, int32_t mode = kOpenRead |
                                                      kShareDenyNone) {
    HFILE file = platform::_lopen(path.c_str(), mode);
    EXPECT_NE(HFILE_ERROR, file) << "holding " << path;
    return file;
  }
  void Let(HFILE file) { platform::_lclose(file); }

  HRESULT IsContainer(const std::string& path) {
    return fileSystem_->IsContainerFile(path.c_str());
  }
};

// --- Open and Create through the file-system object ---------------------------

TEST_F(RootTest, CreatedFileIsAContainerThatOpensOnlyOnceSaved) {
  Held<IORVRoot> created = CreateBox();
  EXPECT_EQ(S_OK, IsContainer(kBox));
  Held<IORVRoot> early;
  EXPECT_EQ(E_FAIL, TryOpen(kBox, 0x22, &early));
  EXPECT_FALSE(early);
  Add(created.get(), "x", "data");
  ExpectSave(S_OK, created.get());
  created.reset();
  Held<IORVRoot> root = OpenBox();
  EXPECT_EQ("x=data", Render(root.get()));
}

TEST_F(RootTest, CreateIgnoresTheModeAndEmptiesAnExistingFile) {
  WriteContainer(kOld);
  Held<IORVRoot> root;
  EXPECT_EQ(S_OK, fileSystem_->OpenRoot(root.out(), kBox, 1, 0x7fff));
  EXPECT_EQ(CreatedFile(), FileBytes(kBox));
  EXPECT_EQ("", Render(root.get()));
  EXPECT_EQ(0, ListOf(root.get())->GetFile());
}

TEST_F(RootTest, OpenRootFailuresLeaveNoRootAndNoHandle) {
  PutFile(kBox, Layout(kOld).replace(4, 178, ForeignDescriptorBytes()));
  struct {
    const char* label;
    const char* path;
    int32_t create;
    int32_t mode;
    HRESULT expected;
  } cases[] = {
      {"another file-system identifier", kBox, 0, 0x22, E_FAIL},
      {"no such file", "/c/missing.orv", 0, 0x22, E_ACCESSDENIED},
      {"a mode the platform refuses", kBox, 0, 0x3, E_ACCESSDENIED},
      {"no path", nullptr, 0, 0x22, E_INVALIDARG},
      {"no path to create", nullptr, 1, 0, E_INVALIDARG},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    IORVRoot* root = reinterpret_cast<IORVRoot*>(fileSystem_.get());
    EXPECT_EQ(c.expected,
              fileSystem_->OpenRoot(&root, c.path, c.create, c.mode));
    EXPECT_EQ(nullptr, root);
    EXPECT_TRUE(faults_.OpenHandles().empty());
  }
  EXPECT_EQ(E_POINTER, fileSystem_->OpenRoot(nullptr, kBox, 0, 0x22));
}

TEST_F(RootTest, CreateOverAHeldFileIsRefused) {
  WriteContainer(kOld);
  HFILE holder = Hold(kBox, kOpenRead | kShareDenyWrite);
  Held<IORVRoot> root;
  EXPECT_EQ(E_ACCESSDENIED, TryCreate(kBox, &root));
  EXPECT_FALSE(root);
  Let(holder);
  EXPECT_EQ(Layout(kOld), FileBytes(kBox));
}

TEST_F(RootTest, IsContainerFileLooksAtTheMagicOnly) {
  struct {
    const char* label;
    std::string bytes;
    HRESULT expected;
  } cases[] = {
      {"saved container", Layout(kOld), S_OK},
      {"created container", CreatedFile(), S_OK},
      {"the magic alone", "JORV", S_OK},
      {"three bytes", "JOR", E_FAIL},
      {"empty", "", E_FAIL},
      {"another magic", "JORW" + DescriptorBytes(), E_FAIL},
  };
  for (const auto& c : cases) {
    PutFile(kBox, c.bytes);
    EXPECT_EQ(c.expected, IsContainer(kBox)) << c.label;
  }
  EXPECT_EQ(E_ACCESSDENIED, IsContainer("/c/missing.orv"));
  EXPECT_EQ(E_INVALIDARG, fileSystem_->IsContainerFile(nullptr));
  EXPECT_TRUE(faults_.OpenHandles().empty());
}

TEST_F(RootTest, IsContainerFileIsRefusedWhileARootHoldsTheFile) {
  WriteContainer(kOld);
  {
    Held<IORVRoot> root = OpenBox();
    EXPECT_EQ(E_ACCESSDENIED, IsContainer(kBox));
  }
  EXPECT_EQ(S_OK, IsContainer(kBox));
}

TEST_F(RootTest, GetInfoHandsOutTheDescriptor) {
  std::string info(178, '\x5a');
  EXPECT_EQ(S_OK, fileSystem_->GetInfo(&info[0]));
  EXPECT_EQ(DescriptorBytes(), info);
  GuardedBuffer small(177);
  EXPECT_EQ(E_POINTER, fileSystem_->GetInfo(small.data()));
  EXPECT_EQ(GuardedBuffer::kFill, small.data()[0]);
}

// --- Saving in place, with and without a backup -------------------------------

TEST_F(RootTest, SaveInPlaceReplacesTheContainerAndLeavesNoTemporary) {
  Held<IORVRoot> root = OpenAndChange();
  PutFile(kBak, "an older backup");
  ExpectSave(S_OK, root.get());
  EXPECT_EQ(Layout(kNew), FileBytes(kBox));
  EXPECT_FALSE(Exists(kTmp));
  EXPECT_EQ("an older backup", FileBytes(kBak)) << "no backup asked for";
  EXPECT_EQ(Snapshot(root.get()), kNew);
}

TEST_F(RootTest, SaveWithBackupKeepsThePreviousContainer) {
  Held<IORVRoot> root = OpenAndChange();
  PutFile(kBak, "an older backup");
  ExpectSave(S_OK, root.get(), 1);
  EXPECT_EQ(Layout(kNew), FileBytes(kBox));
  EXPECT_EQ(Layout(kOld), FileBytes(kBak));
  EXPECT_FALSE(Exists(kTmp));
  // The next backup is the container the first save wrote.
  Add(root.get(), "d");
  ExpectSave(S_OK, root.get(), 1);
  EXPECT_EQ(Layout(kNew), FileBytes(kBak));
}

// A save with the backup flag took a failed _access of the container for
// "no container" and replaced it without keeping the backup, reporting
// success.
TEST_F(RootTest, BackupDoesNotDependOnSeeingTheContainer) {
  Held<IORVRoot> root = OpenAndChange();
  PutFile(kBak, "an older backup");
  faults_.Reset();
  faults_.FailNth(FaultApi::kAccess, 1, FaultApi::kFromThenOn);
  ExpectSave(S_OK, root.get(), 1);
  faults_.Reset();
  EXPECT_EQ(Layout(kOld), FileBytes(kBak));
  EXPECT_EQ(Layout(kNew), FileBytes(kBox));
}

// On a file system without hard links the backup is a copy of the old
// container; the save still succeeds and leaves no temporary file.
TEST_F(RootTest, BackupIsACopyWhereFilesCannotHaveSecondNames) {
  Held<IORVRoot> root = OpenAndChange();
  PutFile(kBak, "an older backup");
  faults_.Reset();
  faults_.FailNth(FaultApi::kLink, 1, FaultApi::kFromThenOn);
  ExpectSave(S_OK, root.get(), 1);
  faults_.Reset();
  EXPECT_EQ(Layout(kOld), FileBytes(kBak));
  EXPECT_EQ(Layout(kNew), FileBytes(kBox));
  EXPECT_FALSE(Exists(kTmp));
}

// When neither a second name nor a copy can be made, the save keeps the old
// container in place and says so; no partial backup is left. The temporary
// file is created and flushed first, so the copy's own create and flush are
// the second of their kind.
TEST_F(RootTest, BackupThatCannotBeMadeStopsTheSave) {
  const struct {
    const char* label;
    FaultApi::Kind kind;
  } cases[] = {{"copy not created", FaultApi::kCreate},
               {"copy not flushed", FaultApi::kFlush}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Held<IORVRoot> root = OpenAndChange();
    faults_.Reset();
    faults_.FailNth(FaultApi::kLink, 1, FaultApi::kFromThenOn);
    faults_.FailNth(c.kind, 2);
    EXPECT_EQ(E_ACCESSDENIED, root->Save(0, 1, nullptr));
    faults_.Reset();
    EXPECT_EQ(Layout(kOld), FileBytes(kBox));
    EXPECT_FALSE(Exists(kTmp));
    EXPECT_FALSE(Exists(kBak));
    EXPECT_EQ(Snapshot(root.get()), kNew) << "the root goes on with its tree";
  }
}

TEST_F(RootTest, CreatedContainerIsBackedUpLikeAnyOther) {
  Held<IORVRoot> root = CreateBox();
  Add(root.get(), "x");
  ExpectSave(S_OK, root.get(), 1);
  EXPECT_EQ(CreatedFile(), FileBytes(kBak));
  EXPECT_EQ(Layout({Leaf("x")}), FileBytes(kBox));
}

// The root refuses writing to others on top of what the caller's mode
// refuses. The sharing value is a number, not a set of flags: or-ing
// deny-write into "exclusive" gave "deny read" and let others write.
TEST_F(RootTest, OpenJoinsDenyWriteToTheCallersSharing) {
  const struct {
    const char* label;
    int32_t mode;
    bool othersMayRead;
  } cases[] = {
      {"compatibility", kOpenRead | platform::kShareCompat, true},
      {"deny none", kOpenRead | kShareDenyNone, true},
      {"deny write", kOpenRead | kShareDenyWrite, true},
      {"deny read", kOpenRead | platform::kShareDenyRead, false},
      {"exclusive", kOpenRead | platform::kShareExclusive, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    WriteContainer(kOld);
    Held<IORVRoot> root = OpenBox(kBox, c.mode);
    ASSERT_TRUE(root);
    EXPECT_EQ(HFILE_ERROR,
              platform::_lopen(kBox, kOpenReadWrite | kShareDenyNone));
    HFILE reader = platform::_lopen(kBox, kOpenRead | kShareDenyNone);
    EXPECT_EQ(c.othersMayRead, reader != HFILE_ERROR);
    if (reader != HFILE_ERROR) Let(reader);
  }
}

TEST_F(RootTest, SaveReopensInReadWriteDenyWriteMode) {
  Held<IORVRoot> root = OpenAndChange(kBox, kOpenRead | kShareDenyWrite);
  // Opened for reading only: another reader that denies writing fits.
  HFILE reader = Hold(kBox, kOpenRead | kShareDenyWrite);
  Let(reader);
  ExpectSave(S_OK, root.get());
  // Now the root can write, so a handle that denies writing is refused.
  EXPECT_EQ(HFILE_ERROR, platform::_lopen(kBox, kOpenRead | kShareDenyWrite));
  HFILE plain = Hold(kBox, kOpenRead | kShareDenyNone);
  Let(plain);
}

TEST_F(RootTest, SavingASavedContainerAgainGivesTheSameBytes) {
  Held<IORVRoot> root = OpenAndChange();
  ExpectSave(S_OK, root.get());
  const std::string first = FileBytes(kBox);
  ExpectSave(S_OK, root.get());
  EXPECT_EQ(first, FileBytes(kBox));
  root.reset();
  root = OpenBox();
  ExpectSave(S_OK, root.get());
  EXPECT_EQ(first, FileBytes(kBox));
}

// --- Temporary and backup names -------------------------------------------------

// The temporary name is shown by holding a file under it: the save cannot
// create it and stops before touching anything else.
TEST_F(RootTest, TemporaryAndBackupNames) {
  struct {
    const char* container;
    const char* newPath;  // null: in place
    const char* temporary;
    const char* backup;   // with the backup flag; null: no backup
  } cases[] = {
      {"/c/box.orv", nullptr, "/c/box.tmp", "/c/box.bak"},
      {"/c/box", nullptr, "/c/box.tmp", "/c/box.bak"},
      {"/c/box.tar.gz", nullptr, "/c/box.tar.tmp", "/c/box.tar.bak"},
      {"/c/dir.d/box", nullptr, "/c/dir.d/box.tmp", "/c/dir.d/box.bak"},
      {"/c/.box", nullptr, "/c/.tmp", "/c/.bak"},
      // A container named x.tmp would be its own temporary file.
      {"/c/box.tmp", nullptr, "/c/box.tmp.tmp", "/c/box.bak"},
      {"/c/box.orv", "/c/new.orv", "/c/new.tmp", nullptr},
      {"/c/box.orv", "/c/new.tmp", "/c/new.tmp.tmp", nullptr},
      {"/c/box.tmp", "/c/box.tmp2", "/c/box.tmp2.tmp", nullptr},
      // The other container's temporary name may not be the container.
      {"/c/box.tmp", "/c/box.orv", "/c/box.orv.tmp", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.container) + " -> " +
                 (c.newPath ? c.newPath : "in place"));
    for (const std::string& file : fs_.Files()) fs_.Remove(file);
    Held<IORVRoot> root = OpenAndChange(c.container);
    ASSERT_TRUE(root);
    PutFile(c.temporary, "held");
    HFILE holder = Hold(c.temporary, kOpenRead | kShareDenyWrite);
    EXPECT_EQ(E_ACCESSDENIED, root->Save(0, 1, c.newPath));
    EXPECT_EQ(Layout(kOld), FileBytes(c.container));
    EXPECT_EQ("held", FileBytes(c.temporary));
    Let(holder);

    EXPECT_EQ(S_OK, root->Save(0, 1, c.newPath));
    const char* target = c.newPath ? c.newPath : c.container;
    EXPECT_EQ(Layout(kNew), FileBytes(target));
    EXPECT_FALSE(Exists(c.temporary));
    if (c.backup != nullptr) {
      EXPECT_EQ(Layout(kOld), FileBytes(c.backup));
    } else {
      EXPECT_EQ(Layout(kOld), FileBytes(c.container)) << "old file untouched";
    }
    EXPECT_EQ(std::string(target), ConcreteRoot(root.get())->path());
  }
}

TEST_F(RootTest, BackupThatWouldBeTheContainerIsRefused) {
  Held<IORVRoot> root = OpenAndChange("/c/box.bak");
  EXPECT_EQ(E_INVALIDARG, root->Save(0, 1, nullptr));
  EXPECT_EQ(Layout(kOld), FileBytes("/c/box.bak"));
  EXPECT_EQ(S_OK, root->Save(0, 0, nullptr));
  EXPECT_EQ(Layout(kNew), FileBytes("/c/box.bak"));
}

// --- Saving to a new path -------------------------------------------------------

TEST_F(RootTest, SaveToANewPathMovesTheRootThere) {
  Held<IORVRoot> root = OpenAndChange();
  ExpectSave(S_OK, root.get(), 1, "/c/copy.orv");
  EXPECT_EQ(Layout(kOld), FileBytes(kBox)) << "the old file stays";
  EXPECT_EQ(Layout(kNew), FileBytes("/c/copy.orv"));
  EXPECT_FALSE(Exists(kBak)) << "no backup for a new path";
  EXPECT_FALSE(Exists("/c/copy.bak"));
  EXPECT_FALSE(Exists("/c/copy.tmp"));
  EXPECT_STREQ("/c/copy.orv", ConcreteRoot(root.get())->path());
  EXPECT_EQ(kNew, Snapshot(root.get()));

  // Later saves in place happen beside the new path, and the old file is
  // free again.
  HFILE oldFile = Hold(kBox, kOpenReadWrite | kShareDenyWrite);
  Let(oldFile);
  Add(root.get(), "d");
  ExpectSave(S_OK, root.get(), 1);
  EXPECT_EQ(Layout(kNew), FileBytes("/c/copy.bak"));
  EXPECT_EQ(Layout(kOld), FileBytes(kBox));
}

TEST_F(RootTest, SaveToTheSamePathInOtherCaseIsInPlace) {
  Held<IORVRoot> root = OpenAndChange();
  ExpectSave(S_OK, root.get(), 0, "/C/BOX.ORV");
  EXPECT_EQ(Layout(kNew), FileBytes(kBox));
  EXPECT_STREQ(kBox, ConcreteRoot(root.get())->path());
  EXPECT_FALSE(Exists(kTmp));
}

TEST_F(RootTest, SaveOverAnotherContainerReplacesIt) {
  WriteContainer({Leaf("other")}, "/c/other.orv");
  Held<IORVRoot> root = OpenAndChange();
  ExpectSave(S_OK, root.get(), 0, "/c/other.orv");
  EXPECT_EQ(Layout(kNew), FileBytes("/c/other.orv"));
}

// --- Path limits ------------------------------------------------------------------

// A path, and every name derived from it, must fit the platform's limit
// (terminator included); anything longer is refused before a file is
// touched.
TEST_F(RootTest, OverLongPathsAreRefusedBeforeAnyFileIsTouched) {
  const size_t limit = platform::kMaxPath;  // with the terminator
  // "/c/" + letters, no extension: NAME.tmp adds four characters.
  auto PathOfLength = [](size_t length) {
    return "/c/" + std::string(length - 3, 'p');
  };
  const std::string longest = PathOfLength(limit - 1);
  const std::string fitsWithTmp = PathOfLength(limit - 1 - 4);
  const std::string tmpTooLong = PathOfLength(limit - 1 - 3);

  Held<IORVRoot> root;
  EXPECT_EQ(E_INVALIDARG, TryOpen(PathOfLength(limit), 0x22, &root));
  EXPECT_EQ(E_INVALIDARG, TryCreate(PathOfLength(limit), &root));
  EXPECT_FALSE(root);
  EXPECT_EQ(S_OK, TryCreate(longest, &root));
  root.reset();

  for (const std::string& path : {tmpTooLong, longest}) {
    root = OpenAndChange(path);
    ASSERT_TRUE(root);
    faults_.Reset();
    EXPECT_EQ(E_INVALIDARG, root->Save(0, 0, nullptr));
    EXPECT_EQ(0, faults_.Count(FaultApi::kCreate));
    EXPECT_EQ(0, faults_.Count(FaultApi::kWrite));
    EXPECT_EQ(Layout(kOld), FileBytes(path));
    EXPECT_EQ(kNew, Snapshot(root.get())) << "the root goes on";
    root.reset();
  }

  root = OpenAndChange(fitsWithTmp);
  ASSERT_TRUE(root);
  ExpectSave(S_OK, root.get(), 1);
  EXPECT_EQ(Layout(kOld), FileBytes(fitsWithTmp + ".bak"));
  EXPECT_EQ(Layout(kNew), FileBytes(fitsWithTmp));

  // New paths: too long, its temporary name too long, unreadable.
  faults_.Reset();
  EXPECT_EQ(E_INVALIDARG, root->Save(0, 0, PathOfLength(limit).c_str()));
  EXPECT_EQ(E_INVALIDARG, root->Save(0, 0, tmpTooLong.c_str()));
  GuardedBuffer unterminated(8);
  EXPECT_EQ(E_INVALIDARG, root->Save(0, 0, reinterpret_cast<const char*>(
                                               unterminated.data())));
  EXPECT_EQ(0, faults_.Count(FaultApi::kCreate));
}

// --- Containers held elsewhere ---------------------------------------------------

// A container another root (or another process) holds open is not replaced
// behind the holder: E_ACCESSDENIED, no temporary file left, the holder's
// file intact, and the saving root goes on with its old file.
TEST_F(RootTest, ContainerHeldElsewhereIsNotReplaced) {
  for (int32_t backup = 0; backup <= 1; ++backup) {
    SCOPED_TRACE(backup ? "with backup" : "without backup");
    Held<IORVRoot> root = OpenAndChange(kBox, kOpenRead | kShareDenyWrite);
    Held<IORVRoot> holder = OpenBox(kBox, kOpenRead | kShareDenyWrite);
    ASSERT_TRUE(holder);
    EXPECT_EQ(E_ACCESSDENIED, root->Save(0, backup, nullptr));
    EXPECT_EQ(Layout(kOld), FileBytes(kBox));
    EXPECT_FALSE(Exists(kTmp));
    EXPECT_EQ(kOld, Snapshot(holder.get()));
    EXPECT_NE(0, ListOf(root.get())->GetFile()) << "the old file reopened";
    EXPECT_TRUE(ConcreteList(root.get())->modified()) << "nothing committed";
    EXPECT_EQ(kNew, Snapshot(root.get()));
    holder.reset();
    // Reopened in its old mode, for reading only: another reader that
    // denies writing still fits beside it.
    Let(Hold(kBox, kOpenRead | kShareDenyWrite));

    HFILE reader = Hold(kBox);
    EXPECT_EQ(E_ACCESSDENIED, root->Save(0, backup, nullptr));
    Let(reader);
    EXPECT_EQ(Layout(kOld), FileBytes(kBox));

    EXPECT_EQ(S_OK, root->Save(0, backup, nullptr));
    EXPECT_EQ(Layout(kNew), FileBytes(kBox));
  }
}

TEST_F(RootTest, NewPathHeldElsewhereIsNotReplaced) {
  WriteContainer({Leaf("theirs")}, "/c/other.orv");
  Held<IORVRoot> root = OpenAndChange();
  const HFILE before = ListOf(root.get())->GetFile();
  HFILE holder = Hold("/c/other.orv");
  EXPECT_EQ(E_ACCESSDENIED, root->Save(0, 0, "/c/other.orv"));
  // The root's own container was never let go.
  EXPECT_EQ(before, ListOf(root.get())->GetFile());
  Let(holder);
  EXPECT_EQ(Layout({Leaf("theirs")}), FileBytes("/c/other.orv"));
  EXPECT_FALSE(Exists("/c/other.tmp"));
  EXPECT_STREQ(kBox, ConcreteRoot(root.get())->path());
  EXPECT_EQ(kNew, Snapshot(root.get()));
}

// --- The state after other outcomes ---------------------------------------------

TEST_F(RootTest, FailedPassLeavesTheOldFileAndAWorkingRoot) {
  // "b"'s children cannot be read: the table pass fails.
  PutFile(kBox, Header(186) + Count(2) + Record("a", 0, 0, 0) +
                    Record("b", 0, 0, 0xFFFF00));
  const std::string old = FileBytes(kBox);
  Held<IORVRoot> root = OpenBox();
  Add(root.get(), "c", "new");
  EXPECT_EQ(E_FAIL, root->Save(0, 1, nullptr));
  EXPECT_EQ(old, FileBytes(kBox));
  EXPECT_FALSE(Exists(kTmp));
  EXPECT_FALSE(Exists(kBak));
  EXPECT_EQ("a,b(!),c=new", Render(root.get()));
}

TEST_F(RootTest, FailedDirectorySyncReportsAFailureAfterCommitting) {
  Held<IORVRoot> root = OpenAndChange();
  faults_.Reset();
  faults_.FailNth(FaultApi::kSyncDirectory, 1);
  EXPECT_EQ(E_FAIL, root->Save(0, 0, nullptr));
  EXPECT_EQ(Layout(kNew), FileBytes(kBox));
  EXPECT_NE(0, ListOf(root.get())->GetFile());
  EXPECT_FALSE(ConcreteList(root.get())->modified()) << "committed";
  EXPECT_EQ(kNew, Snapshot(root.get()));
}

TEST_F(RootTest, FailedReopenLeavesTheCommittedTreeWithoutAFile) {
  Held<IORVRoot> root = OpenAndChange();
  faults_.Reset();
  faults_.FailNth(FaultApi::kOpen, 1);
  EXPECT_EQ(E_ACCESSDENIED, root->Save(0, 0, nullptr));
  EXPECT_EQ(Layout(kNew), FileBytes(kBox));
  EXPECT_EQ(0, ListOf(root.get())->GetFile());
  EXPECT_FALSE(ConcreteList(root.get())->modified()) << "committed";
  // Stored payloads need the file; nothing is read from the wrong place.
  Held<IORVEntry> c = Find(root.get(), "c");
  EXPECT_EQ("<failed>", Payload(c.get()));
  root.reset();
  c.reset();
  root = OpenBox();
  EXPECT_EQ(kNew, Snapshot(root.get()));
}

}  // namespace
}  // namespace testing
}  // namespace orv
