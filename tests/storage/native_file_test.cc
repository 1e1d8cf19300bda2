// The save cycle on the operating system's own files (POSIX, or Win32 under
// Wine): replacing a container, keeping its backup, refusing to replace a
// container held elsewhere, and what the file-system object does with real
// containers. The in-memory tests cover the same logic in detail; these
// show that the platform's files behave the way those tests assume.
#include <string>

#include "tests/doubles/scratch_directory.h"
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

class NativeFileTest : public StorageTest {
 public:
  NativeFileTest()
      : StorageTest(kNativeFiles),
        box_(dir_.Path("box.orv")),
        tmp_(dir_.Path("box.tmp")),
        bak_(dir_.Path("box.bak")) {}

  Held<IORVRoot> OpenAndChange(int32_t mode = kOpenReadWrite |
                                              kShareDenyWrite) {
    WriteContainer(kOld, box_);
    Held<IORVRoot> root = OpenBox(box_, mode);
    if (root) Add(root.get(), "c", "new");
    return root;
  }

  ScratchDirectory dir_;
  const std::string box_;
  const std::string tmp_;
  const std::string bak_;
};

TEST_F(NativeFileTest, CreateSaveReopen) {
  Held<IORVRoot> root = CreateBox(box_);
  EXPECT_EQ(CreatedFile(), FileBytes(box_));
  Held<IORVRoot> early;
  EXPECT_EQ(E_FAIL, TryOpen(box_, 0x22, &early));
  Fill(root.get(), kNew);
  ExpectSave(S_OK, root.get());
  EXPECT_EQ(Layout(kNew), FileBytes(box_));
  EXPECT_FALSE(Exists(tmp_));
  root.reset();
  root = OpenBox(box_);
  EXPECT_EQ(kNew, Snapshot(root.get()));
}

TEST_F(NativeFileTest, SaveInPlaceWithBackupAndToANewPath) {
  Held<IORVRoot> root = OpenAndChange(kOpenRead | kShareDenyWrite);
  PutFile(bak_, "an older backup");
  ExpectSave(S_OK, root.get(), 1);
  EXPECT_EQ(Layout(kNew), FileBytes(box_));
  EXPECT_EQ(Layout(kOld), FileBytes(bak_));
  EXPECT_FALSE(Exists(tmp_));
  // Reopened for reading and writing, denying writes to others.
  EXPECT_EQ(HFILE_ERROR,
            platform::_lopen(box_.c_str(), kOpenRead | kShareDenyWrite));

  const std::string copy = dir_.Path("copy.orv");
  Add(root.get(), "d");
  ExpectSave(S_OK, root.get(), 1, copy.c_str());
  EXPECT_EQ(Layout(kNew), FileBytes(box_));
  EXPECT_FALSE(Exists(dir_.Path("copy.bak")));
  EXPECT_STREQ(copy.c_str(), ConcreteRoot(root.get())->path());
  // The old container is no longer held.
  HFILE old = platform::_lopen(box_.c_str(), kOpenReadWrite | kShareDenyWrite);
  EXPECT_NE(HFILE_ERROR, old);
  if (old != HFILE_ERROR) platform::_lclose(old);
}

TEST_F(NativeFileTest, ContainerNamedTmpIsSavedThroughAnotherName) {
  const std::string path = dir_.Path("box.tmp");
  WriteContainer(kOld, path);
  Held<IORVRoot> root = OpenBox(path);
  Add(root.get(), "c", "new");
  ExpectSave(S_OK, root.get(), 1);
  EXPECT_EQ(Layout(kNew), FileBytes(path));
  EXPECT_EQ(Layout(kOld), FileBytes(bak_));
  EXPECT_FALSE(Exists(dir_.Path("box.tmp.tmp")));
}

// A container another root or another handle holds is not replaced behind
// the holder.
TEST_F(NativeFileTest, ContainerHeldElsewhereIsNotReplaced) {
  Held<IORVRoot> root = OpenAndChange(kOpenRead | kShareDenyWrite);
  {
    Held<IORVRoot> holder = OpenBox(box_, kOpenRead | kShareDenyWrite);
    ASSERT_TRUE(holder);
    EXPECT_EQ(E_ACCESSDENIED, root->Save(0, 0, nullptr));
    EXPECT_EQ(Layout(kOld), FileBytes(box_));
    EXPECT_FALSE(Exists(tmp_));
    EXPECT_EQ(kOld, Snapshot(holder.get()));
    EXPECT_EQ(kNew, Snapshot(root.get()));
  }
  HFILE reader = platform::_lopen(box_.c_str(), kOpenRead | kShareDenyNone);
  ASSERT_NE(HFILE_ERROR, reader);
  EXPECT_EQ(E_ACCESSDENIED, root->Save(0, 1, nullptr));
  platform::_lclose(reader);
  EXPECT_EQ(Layout(kOld), FileBytes(box_));
  EXPECT_FALSE(Exists(tmp_));

  ExpectSave(S_OK, root.get(), 1);
  EXPECT_EQ(Layout(kNew), FileBytes(box_));
  EXPECT_EQ(Layout(kOld), FileBytes(bak_));
}

TEST_F(NativeFileTest, FileSystemObjectOnRealContainers) {
  WriteContainer(kOld, box_);
  EXPECT_EQ(S_OK, fileSystem_->IsContainerFile(box_.c_str()));
  {
    Held<IORVRoot> root = OpenBox(box_);
    EXPECT_EQ(E_ACCESSDENIED, fileSystem_->IsContainerFile(box_.c_str()));
  }
  EXPECT_EQ(E_ACCESSDENIED,
            fileSystem_->IsContainerFile(dir_.Path("missing").c_str()));

  // Another file-system identifier: refused, and the file is closed again
  // (it can be deleted).
  PutFile(box_, Layout(kOld).replace(4, 178, ForeignDescriptorBytes()));
  Held<IORVRoot> root;
  EXPECT_EQ(E_FAIL, TryOpen(box_, 0x22, &root));
  EXPECT_FALSE(root);
  EXPECT_EQ(0, platform::_unlink(box_.c_str()));

  // Create ignores the mode.
  EXPECT_EQ(S_OK, fileSystem_->OpenRoot(root.out(), box_.c_str(), 1, 0x7777));
  EXPECT_EQ(CreatedFile(), FileBytes(box_));
}

}  // namespace
}  // namespace testing
}  // namespace orv
