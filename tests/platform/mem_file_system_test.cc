// What the in-memory file system adds to the shared contract: inspection,
// damage, and the crash model that the save-cycle tests rely on.
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "platform/platform.h"
#include "tests/doubles/mem_file_system.h"

namespace orv {
namespace testing {
namespace {

using namespace orv::platform;  // the classic names

#if defined(_WIN32)
const char kBox[] = "C:\\data\\box.orv";
const char kTmp[] = "C:\\data\\box.tmp";
const char kOtherDirectory[] = "C:\\other\\note";
#else
const char kBox[] = "/data/box.orv";
const char kTmp[] = "/data/box.tmp";
const char kOtherDirectory[] = "/other/note";
#endif

class MemFileSystemTest : public ::testing::Test {
 protected:
  MemFileSystemTest() : guard_(fs_.api()) {}

  // Replaces the content of `path` through the functions, as code does.
  void Rewrite(const char* path, const std::string& bytes, bool flush) {
    HFILE file = _lcreat(path, 0);
    ASSERT_NE(HFILE_ERROR, file);
    ASSERT_EQ(static_cast<int32_t>(bytes.size()),
              _lwrite(file, bytes.data(), static_cast<uint32_t>(bytes.size())));
    if (flush) {
      ASSERT_EQ(0, FlushFile(file));
    }
    ASSERT_EQ(0, _lclose(file));
  }

  MemFileSystem fs_;
  ScopedApi guard_;
};

TEST_F(MemFileSystemTest, InspectionAndDamage) {
  fs_.SetBytes(kBox, "JORV-data");
  EXPECT_TRUE(fs_.Exists(kBox));
  EXPECT_EQ("JORV-data", fs_.Bytes(kBox));
  EXPECT_TRUE(fs_.CorruptByte(kBox, 0, 0x20));
  EXPECT_EQ("jORV-data", fs_.Bytes(kBox));
  EXPECT_FALSE(fs_.CorruptByte(kBox, 9, 0xff));
  EXPECT_TRUE(fs_.Truncate(kBox, 4));
  EXPECT_EQ("jORV", fs_.Bytes(kBox));
  fs_.SetBytes(kTmp, "");
  EXPECT_EQ((std::vector<std::string>{MemFileSystem::Canonical(kBox),
                                      MemFileSystem::Canonical(kTmp)}),
            fs_.Files());
  EXPECT_TRUE(fs_.Remove(kTmp));
  EXPECT_FALSE(fs_.Exists(kTmp));
  EXPECT_EQ("", fs_.Bytes(kTmp));
}

TEST_F(MemFileSystemTest, WritesBeyondTheSizeLimitFailLikeAFullDisk) {
  HFILE file = _lcreat(kBox, 0);
  ASSERT_NE(HFILE_ERROR, file);
  const int32_t limit = static_cast<int32_t>(MemFileSystem::kMaxFileSize);
  ASSERT_EQ(limit, _llseek(file, limit, kSeekSet));
  EXPECT_EQ(-1, _lwrite(file, "x", 1));
  EXPECT_EQ(0, _lwrite(file, "", 0));  // up to the limit is fine
  EXPECT_EQ(0, _lclose(file));
  EXPECT_EQ(MemFileSystem::kMaxFileSize, fs_.Bytes(kBox).size());
}

TEST_F(MemFileSystemTest, HandlesAreDistinctAndNeverZero) {
  fs_.SetBytes(kBox, "x");
  HFILE a = _lopen(kBox, kOpenRead);
  HFILE b = _lopen(kBox, kOpenRead);
  EXPECT_NE(0, a);
  EXPECT_NE(a, b);
  EXPECT_EQ(2u, fs_.OpenHandleCount());
  EXPECT_EQ(0, _lclose(a));
  EXPECT_EQ(HFILE_ERROR, _lclose(a));
  EXPECT_EQ(0, _lclose(b));
}

// ---------------------------------------------------------------------------
// Crash model

TEST_F(MemFileSystemTest, CrashKeepsOnlyFlushedBytes) {
  fs_.SetBytes(kBox, "old");
  fs_.SyncAll();
  Rewrite(kBox, "unflushed", false);
  fs_.Crash();
  EXPECT_EQ("old", fs_.Bytes(kBox));
  Rewrite(kBox, "flushed", true);
  fs_.Crash();
  EXPECT_EQ("flushed", fs_.Bytes(kBox));
}

TEST_F(MemFileSystemTest, CrashForgetsNamesNotSynced) {
  fs_.SyncAll();
  Rewrite(kTmp, "new", true);
  fs_.Crash();
  EXPECT_FALSE(fs_.Exists(kTmp));
  Rewrite(kTmp, "new", true);
  EXPECT_EQ(0, SyncDirectory(kTmp));
  fs_.Crash();
  EXPECT_EQ("new", fs_.Bytes(kTmp));
}

TEST_F(MemFileSystemTest, DirectorySyncCoversOnlyItsDirectory) {
  fs_.SyncAll();
  Rewrite(kBox, "box", true);
  Rewrite(kOtherDirectory, "note", true);
  EXPECT_EQ(0, SyncDirectory(kTmp));  // the directory of kBox
  fs_.Crash();
  EXPECT_TRUE(fs_.Exists(kBox));
  EXPECT_FALSE(fs_.Exists(kOtherDirectory));
}

TEST_F(MemFileSystemTest, CrashClosesEveryHandle) {
  fs_.SetBytes(kBox, "data");
  fs_.SyncAll();
  HFILE held = _lopen(kBox, 0x22);
  ASSERT_NE(HFILE_ERROR, held);
  fs_.Crash();
  EXPECT_EQ(0u, fs_.OpenHandleCount());
  EXPECT_EQ(HFILE_ERROR, _lclose(held));
  HFILE again = _lopen(kBox, 0x22);
  EXPECT_NE(HFILE_ERROR, again);
  EXPECT_EQ(0, _lclose(again));
}

// The replace-by-rename sequence with a crash after each step: the
// container name must hold the old or the new complete file, never a mix
// or nothing.
TEST_F(MemFileSystemTest, FlushedRenameSurvivesACrashAtEveryStep) {
  const std::string kOld = "JORV old tree";
  const std::string kNew = "JORV new tree, longer";
  for (int crash_after = 0; crash_after <= 3; ++crash_after) {
    SCOPED_TRACE(crash_after);
    fs_.SetBytes(kBox, kOld);
    fs_.Remove(kTmp);
    fs_.SyncAll();
    HFILE file = _lcreat(kTmp, 0);
    ASSERT_NE(HFILE_ERROR, file);
    ASSERT_EQ(static_cast<int32_t>(kNew.size()),
              _hwrite(file, kNew.data(), static_cast<int32_t>(kNew.size())));
    if (crash_after >= 1) {
      ASSERT_EQ(0, FlushFile(file));
    }
    ASSERT_EQ(0, _lclose(file));
    if (crash_after >= 2) {
      ASSERT_EQ(0, rename(kTmp, kBox));
    }
    if (crash_after >= 3) {
      ASSERT_EQ(0, SyncDirectory(kBox));
    }
    fs_.Crash();
    const std::string survived = fs_.Bytes(kBox);
    EXPECT_TRUE(survived == kOld || survived == kNew) << survived;
    if (crash_after == 3) {
      EXPECT_EQ(kNew, survived);
    }
  }
}

TEST_F(MemFileSystemTest, UnflushedRenameCanLoseTheNewContent) {
  // Renaming before flushing is the classic mistake: the name survives but
  // the bytes behind it do not.
  fs_.SetBytes(kBox, "old");
  fs_.SyncAll();
  Rewrite(kTmp, "new", false);
  ASSERT_EQ(0, rename(kTmp, kBox));
  ASSERT_EQ(0, SyncDirectory(kBox));
  fs_.Crash();
  EXPECT_EQ("", fs_.Bytes(kBox));
}

TEST_F(MemFileSystemTest, InnermostInstanceIsTheActiveOne) {
  fs_.SetBytes(kBox, "outer");
  {
    MemFileSystem inner;
    ScopedApi inner_guard(inner.api());
    EXPECT_EQ(-1, _access(kBox, 0));
  }
  EXPECT_EQ(0, _access(kBox, 0));
}

}  // namespace
}  // namespace testing
}  // namespace orv
