// The contract of the platform file functions, run against every backend
// (the native implementation and the test doubles), so that the doubles
// behave like the real thing and the real thing like the classic API.
#include <stdint.h>
#include <string.h>

#include <memory>
#include <string>

#include "gtest/gtest.h"
#include "platform/platform.h"
#include "tests/platform/backend.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace orv {
namespace testing {
namespace {

using namespace orv::platform;  // the classic names under test

class FileApiTest : public ::testing::TestWithParam<BackendMaker> {
 protected:
  void SetUp() override {
    backend_ = GetParam().make();
    guard_.reset(new ScopedApi(backend_->api()));
  }
  void TearDown() override {
    guard_.reset();
    backend_.reset();
  }

  std::string Path(const std::string& name) { return backend_->Path(name); }

  // Creates `name` holding `bytes`, through the functions under test.
  void WriteFile(const std::string& name, const std::string& bytes) {
    HFILE file = _lcreat(Path(name).c_str(), 0);
    ASSERT_NE(HFILE_ERROR, file);
    if (!bytes.empty()) {
      ASSERT_EQ(static_cast<int32_t>(bytes.size()),
                _hwrite(file, bytes.data(),
                        static_cast<int32_t>(bytes.size())));
    }
    ASSERT_EQ(0, _lclose(file));
  }

  // The whole content of `name`, or "<unreadable>".
  std::string ReadFile(const std::string& name) {
    HFILE file = _lopen(Path(name).c_str(), kOpenRead | kShareDenyNone);
    if (file == HFILE_ERROR) return "<unreadable>";
    std::string bytes;
    char chunk[64];
    int32_t got;
    while ((got = _lread(file, chunk, sizeof(chunk))) > 0) {
      bytes.append(chunk, static_cast<size_t>(got));
    }
    _lclose(file);
    return got < 0 ? "<unreadable>" : bytes;
  }

  HFILE Open(const std::string& name, int32_t mode) {
    return _lopen(Path(name).c_str(), mode);
  }

  bool Exists(const std::string& name) {
    return _access(Path(name).c_str(), 0) == 0;
  }

  std::unique_ptr<Backend> backend_;
  std::unique_ptr<ScopedApi> guard_;
};

// ---------------------------------------------------------------------------
// Handles

TEST_P(FileApiTest, HandleIsNeverZeroEvenWhenDescriptorZeroIsFree) {
  WriteFile("a", "x");
#if !defined(_WIN32)
  // With stdin closed, the lowest free descriptor is 0.
  int saved_stdin = fcntl(0, F_DUPFD_CLOEXEC, 10);
  close(0);
#endif
  HFILE first = Open("a", kOpenRead);
  HFILE second = _lcreat(Path("b").c_str(), 0);
#if !defined(_WIN32)
  if (saved_stdin >= 0) {
    dup2(saved_stdin, 0);
    close(saved_stdin);
  }
#endif
  EXPECT_NE(0, first);
  EXPECT_NE(HFILE_ERROR, first);
  EXPECT_NE(0, second);
  EXPECT_NE(HFILE_ERROR, second);
  EXPECT_EQ(0, _lclose(first));
  EXPECT_EQ(0, _lclose(second));
}

TEST_P(FileApiTest, OpenOfMissingFileFails) {
  EXPECT_EQ(HFILE_ERROR, Open("missing", kOpenRead));
  EXPECT_FALSE(Exists("missing"));
}

TEST_P(FileApiTest, InvalidModeWordsAreRefused) {
  WriteFile("a", "x");
  const int32_t kBadModes[] = {0x03, 0x23, 0x50, 0x60, 0x70, 0x80, 0x100,
                               -1};
  for (int32_t mode : kBadModes) {
    HFILE file = Open("a", mode);
    EXPECT_EQ(HFILE_ERROR, file) << "mode 0x" << std::hex << mode;
    if (file != HFILE_ERROR) _lclose(file);
  }
}

TEST_P(FileApiTest, CloseOfSomethingThatIsNotAHandleFails) {
  EXPECT_EQ(HFILE_ERROR, _lclose(0));
  HFILE file = _lcreat(Path("a").c_str(), 0);
  ASSERT_NE(HFILE_ERROR, file);
  ASSERT_EQ(0, _lclose(file));
}

// ---------------------------------------------------------------------------
// Transfers

TEST_P(FileApiTest, ReadsReportExactCountsUpToTheEnd) {
  WriteFile("a", "0123456789");
  HFILE file = Open("a", kOpenRead);
  ASSERT_NE(HFILE_ERROR, file);
  char buffer[16] = {};
  EXPECT_EQ(0, _lread(file, buffer, 0));
  EXPECT_EQ(4, _lread(file, buffer, 4));
  EXPECT_EQ(0, memcmp(buffer, "0123", 4));
  EXPECT_EQ(6, _hread(file, buffer, 16));
  EXPECT_EQ(0, memcmp(buffer, "456789", 6));
  EXPECT_EQ(0, _lread(file, buffer, 16));
  EXPECT_EQ(0, _hread(file, buffer, 1));
  EXPECT_EQ(0, _lclose(file));
}

TEST_P(FileApiTest, CountsBeyondTheSignedRangeFail) {
  WriteFile("a", "0123456789");
  HFILE file = Open("a", kOpenReadWrite);
  ASSERT_NE(HFILE_ERROR, file);
  char buffer[16];
  EXPECT_EQ(-1, _lread(file, buffer, 0x80000000u));
  EXPECT_EQ(-1, _hread(file, buffer, -1));
  EXPECT_EQ(-1, _lwrite(file, buffer, 0x80000000u));
  EXPECT_EQ(-1, _hwrite(file, buffer, -5));
  EXPECT_EQ(0, _llseek(file, 0, kSeekCurrent));
  EXPECT_EQ(0, _lclose(file));
  EXPECT_EQ("0123456789", ReadFile("a"));
}

TEST_P(FileApiTest, WritesAdvanceAndOverwrite) {
  WriteFile("a", "0123456789");
  HFILE file = Open("a", kOpenReadWrite);
  ASSERT_NE(HFILE_ERROR, file);
  ASSERT_EQ(3, _llseek(file, 3, kSeekSet));
  EXPECT_EQ(2, _lwrite(file, "ab", 2));
  EXPECT_EQ(5, _llseek(file, 0, kSeekCurrent));
  ASSERT_EQ(12, _llseek(file, 2, kSeekEnd));
  EXPECT_EQ(1, _hwrite(file, "z", 1));  // the gap reads as zeros
  EXPECT_EQ(0, _lclose(file));
  EXPECT_EQ(std::string("012ab56789\0\0z", 13), ReadFile("a"));
}

TEST_P(FileApiTest, WriteOfZeroBytesCutsTheFileAtThePosition) {
  WriteFile("a", "0123456789");
  HFILE file = Open("a", kOpenReadWrite);
  ASSERT_NE(HFILE_ERROR, file);
  ASSERT_EQ(4, _llseek(file, 4, kSeekSet));
  EXPECT_EQ(0, _lwrite(file, "", 0));
  EXPECT_EQ(4, _llseek(file, 0, kSeekEnd));
  ASSERT_EQ(6, _llseek(file, 6, kSeekSet));
  EXPECT_EQ(0, _hwrite(file, "", 0));  // extends with zeros
  EXPECT_EQ(0, _lclose(file));
  EXPECT_EQ(std::string("0123\0\0", 6), ReadFile("a"));
}

TEST_P(FileApiTest, HandlesOnlyDoWhatTheirAccessAllows) {
  WriteFile("a", "0123");
  char buffer[4];
  HFILE reader = Open("a", kOpenRead);
  ASSERT_NE(HFILE_ERROR, reader);
  EXPECT_EQ(-1, _lwrite(reader, "xy", 2));
  EXPECT_EQ(-1, _lwrite(reader, "", 0));
  EXPECT_EQ(0, _lclose(reader));
  HFILE writer = Open("a", kOpenWrite);
  ASSERT_NE(HFILE_ERROR, writer);
  EXPECT_EQ(-1, _lread(writer, buffer, 2));
  EXPECT_EQ(2, _lwrite(writer, "xy", 2));
  EXPECT_EQ(0, _lclose(writer));
  EXPECT_EQ("xy23", ReadFile("a"));
}

// ---------------------------------------------------------------------------
// Seeking

TEST_P(FileApiTest, SeekCountsFromEachOrigin) {
  WriteFile("a", "0123456789");
  HFILE file = Open("a", kOpenRead);
  ASSERT_NE(HFILE_ERROR, file);
  EXPECT_EQ(7, _llseek(file, 7, kSeekSet));
  EXPECT_EQ(5, _llseek(file, -2, kSeekCurrent));
  EXPECT_EQ(5, _llseek(file, 0, kSeekCurrent));
  EXPECT_EQ(8, _llseek(file, -2, kSeekEnd));
  char c = 0;
  EXPECT_EQ(1, _lread(file, &c, 1));
  EXPECT_EQ('8', c);
  EXPECT_EQ(20, _llseek(file, 10, kSeekEnd));  // past the end is allowed
  EXPECT_EQ(0, _lread(file, &c, 1));
  EXPECT_EQ(0, _lclose(file));
}

TEST_P(FileApiTest, SeekThatFailsLeavesThePositionAlone) {
  WriteFile("a", "0123456789");
  HFILE file = Open("a", kOpenRead);
  ASSERT_NE(HFILE_ERROR, file);
  ASSERT_EQ(4, _llseek(file, 4, kSeekSet));
  EXPECT_EQ(-1, _llseek(file, -5, kSeekCurrent));
  EXPECT_EQ(-1, _llseek(file, -11, kSeekEnd));
  EXPECT_EQ(-1, _llseek(file, -1, kSeekSet));
  EXPECT_EQ(-1, _llseek(file, 0, 3));
  EXPECT_EQ(4, _llseek(file, 0, kSeekCurrent));
  EXPECT_EQ(0, _lclose(file));
}

TEST_P(FileApiTest, PositionsAreSigned32Bit) {
  WriteFile("a", "0123456789");
  HFILE file = Open("a", kOpenRead);
  ASSERT_NE(HFILE_ERROR, file);
  ASSERT_EQ(INT32_MAX, _llseek(file, INT32_MAX, kSeekSet));
  EXPECT_EQ(-1, _llseek(file, 1, kSeekCurrent));
  EXPECT_EQ(INT32_MAX, _llseek(file, 0, kSeekCurrent));
  EXPECT_EQ(-1, _llseek(file, INT32_MAX, kSeekEnd));
  EXPECT_EQ(INT32_MAX, _llseek(file, 0, kSeekCurrent));
  EXPECT_EQ(INT32_MAX - 10, _llseek(file, INT32_MAX - 20, kSeekEnd));
  EXPECT_EQ(0, _lclose(file));
}

// ---------------------------------------------------------------------------
// Creating

TEST_P(FileApiTest, CreateMakesANewFileOrEmptiesAnOldOne) {
  EXPECT_FALSE(Exists("a"));
  WriteFile("a", "old content");
  HFILE file = _lcreat(Path("a").c_str(), 0);
  ASSERT_NE(HFILE_ERROR, file);
  EXPECT_EQ(0, _llseek(file, 0, kSeekEnd));
  EXPECT_EQ(3, _lwrite(file, "new", 3));
  ASSERT_EQ(0, _llseek(file, 0, kSeekSet));
  char buffer[8] = {};
  EXPECT_EQ(3, _lread(file, buffer, sizeof(buffer)));  // readable too
  EXPECT_EQ(0, _lclose(file));
  EXPECT_EQ("new", ReadFile("a"));
}

// ---------------------------------------------------------------------------
// Sharing between handles of one process

struct SharingCase {
  int32_t held;    // mode of the handle already open
  int32_t opened;  // mode of the second open
  bool allowed;
};

// access | sharing; "r" read, "w" write, "rw" both.
const SharingCase kSharingCases[] = {
    // A deny-write holder (an open container) admits readers only.
    {0x22, 0x00, true},   // r, compat
    {0x22, 0x40, true},   // r, deny none
    {0x22, 0x20, false},  // r deny write: the holder writes
    {0x20, 0x20, true},   // two readers that deny writing
    {0x22, 0x01, false},  // w
    {0x22, 0x02, false},  // rw
    {0x22, 0x42, false},  // rw deny none
    {0x20, 0x22, false},  // wants write while the holder denies it
    // Refusing an access someone already has.
    {0x02, 0x20, false},  // deny write while a writer is open
    {0x01, 0x20, false},
    {0x00, 0x20, true},   // a plain reader does not write
    {0x00, 0x22, true},
    {0x00, 0x30, false},  // deny read while a reader is open
    {0x01, 0x30, true},   // a writer-only does not read
    // Exclusive and deny read.
    {0x10, 0x00, false},
    {0x10, 0x41, false},
    {0x00, 0x10, false},
    {0x40, 0x12, false},
    {0x30, 0x00, false},  // reader against deny read
    {0x30, 0x01, true},   // writer-only against deny read (shares writing)
    {0x31, 0x31, true},   // two writers-only that deny reading
    // Compatibility and deny none share everything.
    {0x02, 0x02, true},
    {0x42, 0x42, true},
    {0x42, 0x00, true},
    {0x01, 0x41, true},
};

TEST_P(FileApiTest, SecondOpenFollowsTheShareModeTable) {
  WriteFile("a", "data");
  for (const SharingCase& c : kSharingCases) {
    SCOPED_TRACE(::testing::Message() << "held 0x" << std::hex << c.held
                                      << ", opened 0x" << c.opened);
    HFILE held = Open("a", c.held);
    ASSERT_NE(HFILE_ERROR, held);
    HFILE opened = Open("a", c.opened);
    EXPECT_EQ(c.allowed, opened != HFILE_ERROR);
    if (opened != HFILE_ERROR) {
      EXPECT_EQ(0, _lclose(opened));
    }
    EXPECT_EQ(0, _lclose(held));
  }
}

TEST_P(FileApiTest, ClosingTheConflictingHandleAdmitsTheOpen) {
  WriteFile("a", "data");
  HFILE container = Open("a", 0x22);
  ASSERT_NE(HFILE_ERROR, container);
  EXPECT_EQ(HFILE_ERROR, Open("a", 0x22));
  ASSERT_EQ(0, _lclose(container));
  HFILE again = Open("a", 0x22);
  EXPECT_NE(HFILE_ERROR, again);
  EXPECT_EQ(0, _lclose(again));
}

// Closing one handle must not drop what another handle of the same process
// refuses (process-wide record locks would lose it here).
TEST_P(FileApiTest, ClosingAnotherHandleKeepsTheHoldersRefusal) {
  WriteFile("a", "data");
  HFILE container = Open("a", 0x22);
  ASSERT_NE(HFILE_ERROR, container);
  HFILE reader = Open("a", kOpenRead);
  ASSERT_NE(HFILE_ERROR, reader);
  EXPECT_EQ(0, _lclose(reader));
  EXPECT_EQ(HFILE_ERROR, Open("a", kOpenReadWrite));
  EXPECT_EQ(HFILE_ERROR, _lcreat(Path("a").c_str(), 0));
  EXPECT_EQ(0, _lclose(container));
}

TEST_P(FileApiTest, CreateDoesNotEmptyAFileHeldWithDenyWrite) {
  WriteFile("a", "precious");
  HFILE container = Open("a", 0x22);
  ASSERT_NE(HFILE_ERROR, container);
  EXPECT_EQ(HFILE_ERROR, _lcreat(Path("a").c_str(), 0));
  EXPECT_EQ(0, _lclose(container));
  EXPECT_EQ("precious", ReadFile("a"));
}

TEST_P(FileApiTest, CreateEmptiesAFileThatOthersShare) {
  WriteFile("a", "old");
  HFILE reader = Open("a", kOpenRead | kShareDenyNone);
  ASSERT_NE(HFILE_ERROR, reader);
  HFILE created = _lcreat(Path("a").c_str(), 0);
  EXPECT_NE(HFILE_ERROR, created);
  if (created != HFILE_ERROR) {
    EXPECT_EQ(0, _lclose(created));
  }
  EXPECT_EQ(0, _lclose(reader));
  EXPECT_EQ("", ReadFile("a"));
}

// ---------------------------------------------------------------------------
// Names

TEST_P(FileApiTest, UnlinkIsRefusedWhileAnyHandleHoldsTheFile) {
  WriteFile("a", "data");
  const int32_t kModes[] = {0x00, 0x22, 0x40, 0x42, 0x10};
  for (int32_t mode : kModes) {
    SCOPED_TRACE(::testing::Message() << "held 0x" << std::hex << mode);
    HFILE held = Open("a", mode);
    ASSERT_NE(HFILE_ERROR, held);
    EXPECT_EQ(-1, _unlink(Path("a").c_str()));
    EXPECT_TRUE(Exists("a"));
    EXPECT_EQ(0, _lclose(held));
  }
  EXPECT_EQ(0, _unlink(Path("a").c_str()));
  EXPECT_FALSE(Exists("a"));
  EXPECT_EQ(-1, _unlink(Path("a").c_str()));
}

TEST_P(FileApiTest, RenameReplacesTheTarget) {
  WriteFile("new", "new content");
  WriteFile("old", "old content");
  EXPECT_EQ(0, rename(Path("new").c_str(), Path("old").c_str()));
  EXPECT_FALSE(Exists("new"));
  EXPECT_EQ("new content", ReadFile("old"));
  EXPECT_EQ(0, rename(Path("old").c_str(), Path("fresh").c_str()));
  EXPECT_EQ("new content", ReadFile("fresh"));
  EXPECT_EQ(-1, rename(Path("old").c_str(), Path("other").c_str()));
}

TEST_P(FileApiTest, RenameIsRefusedWhileEitherNameIsHeld) {
  WriteFile("new", "new content");
  WriteFile("old", "old content");
  const char* kHeldNames[] = {"old", "new"};
  for (const char* name : kHeldNames) {
    SCOPED_TRACE(name);
    HFILE held = Open(name, kOpenRead | kShareDenyNone);
    ASSERT_NE(HFILE_ERROR, held);
    EXPECT_EQ(-1, rename(Path("new").c_str(), Path("old").c_str()));
    EXPECT_EQ(0, _lclose(held));
    EXPECT_EQ("new content", ReadFile("new"));
    EXPECT_EQ("old content", ReadFile("old"));
  }
  EXPECT_EQ(0, rename(Path("new").c_str(), Path("old").c_str()));
}

TEST_P(FileApiTest, LinkAddsASecondNameButNeverReplacesOne) {
  WriteFile("a", "data");
  WriteFile("taken", "other");
  EXPECT_EQ(0, LinkFile(Path("a").c_str(), Path("b").c_str()));
  EXPECT_EQ("data", ReadFile("b"));
  EXPECT_EQ(-1, LinkFile(Path("a").c_str(), Path("taken").c_str()));
  EXPECT_EQ("other", ReadFile("taken"));
  EXPECT_EQ(0, _unlink(Path("a").c_str()));
  EXPECT_EQ("data", ReadFile("b"));
}

TEST_P(FileApiTest, AccessReportsExistence) {
  WriteFile("a", "data");
  const int32_t kModes[] = {0, 2, 4, 6};
  for (int32_t mode : kModes) {
    EXPECT_EQ(0, _access(Path("a").c_str(), mode)) << mode;
    EXPECT_EQ(-1, _access(Path("missing").c_str(), mode)) << mode;
  }
}

TEST_P(FileApiTest, FlushAndDirectorySyncSucceedOnOrdinaryFiles) {
  HFILE file = _lcreat(Path("a").c_str(), 0);
  ASSERT_NE(HFILE_ERROR, file);
  EXPECT_EQ(4, _lwrite(file, "data", 4));
  EXPECT_EQ(0, FlushFile(file));
  EXPECT_EQ(0, _lclose(file));
  EXPECT_EQ(0, SyncDirectory(Path("a").c_str()));
}

// ---------------------------------------------------------------------------
// Allocation

TEST_P(FileApiTest, AllocationGrowsAndKeepsContent) {
  char* block = static_cast<char*>(Alloc(4));
  ASSERT_NE(nullptr, block);
  memcpy(block, "abcd", 4);
  block = static_cast<char*>(Realloc(block, 1 << 20));
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(0, memcmp(block, "abcd", 4));
  Free(block);
  Free(nullptr);
  void* empty = Alloc(0);
  EXPECT_NE(nullptr, empty);
  // realloc(p, 0) frees p in some C libraries and returns null, which a
  // caller would take for a failure and free again.
  empty = Realloc(empty, 0);
  EXPECT_NE(nullptr, empty);
  Free(empty);
}

// ---------------------------------------------------------------------------
// Paths the platform cannot take

TEST_P(FileApiTest, NullAndOverlongPathsFailCleanly) {
  const std::string overlong(kMaxPath, 'a');
  WriteFile("a", "data");
  const std::string good = Path("a");
  for (const char* path : {static_cast<const char*>(nullptr),
                           overlong.c_str()}) {
    SCOPED_TRACE(path == nullptr ? "null" : "overlong");
    EXPECT_EQ(HFILE_ERROR, _lopen(path, kOpenRead));
    EXPECT_EQ(HFILE_ERROR, _lcreat(path, 0));
    EXPECT_EQ(-1, _access(path, 0));
    EXPECT_EQ(-1, _unlink(path));
    EXPECT_EQ(-1, rename(good.c_str(), path));
    EXPECT_EQ(-1, rename(path, good.c_str()));
    EXPECT_EQ(-1, LinkFile(good.c_str(), path));
    EXPECT_EQ(-1, SyncDirectory(path));
  }
  EXPECT_EQ("data", ReadFile("a"));
}

INSTANTIATE_TEST_SUITE_P(
    AllBackends, FileApiTest, ::testing::ValuesIn(AllBackends()),
    [](const ::testing::TestParamInfo<BackendMaker>& info) {
      return std::string(info.param.name);
    });

}  // namespace
}  // namespace testing
}  // namespace orv
