// Sharing between processes, on both targets: the parent holds a file the
// way an open container is held, and a fresh copy of this program tries
// what another application might.
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "gtest/gtest.h"
#include "platform/platform.h"
#include "tests/doubles/child_process.h"
#include "tests/doubles/scratch_directory.h"

namespace orv {
namespace testing {
namespace {

using namespace orv::platform;  // the classic names under test

// The child's exit code: kChildRan plus one bit per expectation that did not
// hold. kChildRan tells a real run from a filter that selected nothing.
enum ChildFinding {
  kChildRan = 1 << 7,
  kWriterAdmitted = 1 << 0,
  kDenyWriteAdmitted = 1 << 1,
  kCreateAdmitted = 1 << 2,
  kDeleteAdmitted = 1 << 3,
  kReplaceAdmitted = 1 << 4,
  kRenameAdmitted = 1 << 5,
  kReaderRefused = 1 << 6,
  kEverything = (1 << 7) - 1,  // the child could not even set up
};

// Tries what the parent's handle must refuse, and what it must allow.
int TryTheHeldFile(const std::string& path) {
  int findings = 0;
  const std::string spare = path + ".spare";
  HFILE file = _lopen(path.c_str(), kOpenWrite);
  if (file != HFILE_ERROR) {
    findings |= kWriterAdmitted;
    _lclose(file);
  }
  file = _lopen(path.c_str(), kOpenRead | kShareDenyWrite);
  if (file != HFILE_ERROR) {
    findings |= kDenyWriteAdmitted;
    _lclose(file);
  }
  file = _lcreat(path.c_str(), 0);
  if (file != HFILE_ERROR) {
    findings |= kCreateAdmitted;
    _lclose(file);
  }
  if (_unlink(path.c_str()) == 0) findings |= kDeleteAdmitted;
  file = _lcreat(spare.c_str(), 0);
  if (file == HFILE_ERROR || _lclose(file) != 0) return kEverything;
  if (rename(spare.c_str(), path.c_str()) == 0) findings |= kReplaceAdmitted;
  if (rename(path.c_str(), spare.c_str()) == 0) findings |= kRenameAdmitted;
  _unlink(spare.c_str());
  file = _lopen(path.c_str(), kOpenRead);
  if (file == HFILE_ERROR) {
    findings |= kReaderRefused;
  } else {
    _lclose(file);
  }
  return findings;
}

TEST(CrossProcessTest, OtherProcessIsRefusedWhatAContainerHandleDenies) {
  ScratchDirectory dir;
  const std::string path = dir.Path("box.orv");
  HFILE file = _lcreat(path.c_str(), 0);
  ASSERT_NE(HFILE_ERROR, file);
  ASSERT_EQ(4, _lwrite(file, "JORV", 4));
  ASSERT_EQ(0, _lclose(file));
  HFILE container = _lopen(path.c_str(), 0x22);
  ASSERT_NE(HFILE_ERROR, container);
  const int findings =
      RunTestInChild("DISABLED_CrossProcessChild.TryTheHeldFile", path);
  EXPECT_EQ(kChildRan, findings) << "child exit 0x" << std::hex << findings;
  char magic[4];
  ASSERT_EQ(0, _llseek(container, 0, kSeekSet));
  EXPECT_EQ(4, _lread(container, magic, 4));
  EXPECT_EQ(0, _lclose(container));
}

// Runs only in the child started above.
TEST(DISABLED_CrossProcessChild, TryTheHeldFile) {
  const char* path = ChildArgument();
  if (path == nullptr) return;
  const int findings = TryTheHeldFile(path);
  fflush(stdout);
  exit(kChildRan | findings);
}

}  // namespace
}  // namespace testing
}  // namespace orv
