// A host's view of the built module: it is loaded through the kernel
// stand-in, exactly as a host loads it, and driven only through the raw slot
// tables of raw_abi.h. A wrong slot order, calling convention or identifier
// in the module fails here even when the C++ unit tests agree with
// themselves.
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "platform/platform.h"
#include "tests/doubles/guarded_buffer.h"
#include "tests/doubles/scratch_directory.h"
#include "tests/module/raw_host_fixture.h"

namespace orv {
namespace testing {
namespace {

constexpr size_t kDescriptorSize = 178;

// The 178 bytes GetInfo must produce, built field by field.
std::vector<uint8_t> ExpectedDescriptor() {
  std::vector<uint8_t> bytes(kDescriptorSize, 0);
  const uint8_t identifier[16] = {0x20, 0x57, 0xBB, 0x7B, 0x42, 0xCF,
                                  0xCF, 0x11, 0xA7, 0x99, 0x44, 0x45,
                                  0x53, 0x54, 0x00, 0x00};
  memcpy(&bytes[0], identifier, sizeof(identifier));
  bytes[16] = 0x00;  // version 0x0100, little-endian
  bytes[17] = 0x01;
  const char name[] = "ORV Standard filesystem 1.0";
  memcpy(&bytes[18], name, sizeof(name) - 1);
  const char vendor[] = "Vantorium";
  memcpy(&bytes[50], vendor, sizeof(vendor) - 1);
  return bytes;
}

void WriteFile(const std::string& path, const std::string& contents) {
  FILE* file = fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, file) << path;
  ASSERT_EQ(contents.size(), fwrite(contents.data(), 1, contents.size(), file));
  ASSERT_EQ(0, fclose(file));
}

typedef RawHostTest RawFileSystemTest;

TEST_F(RawFileSystemTest, UnknownIdentityIsOneObjectWithOneCount) {
  void* identity = nullptr;
  ASSERT_EQ(S_OK, Query(AsUnknown(fs_), kIidUnknown, &identity));
  ASSERT_NE(nullptr, identity);
  RawUnknown* unknown = static_cast<RawUnknown*>(identity);
  EXPECT_EQ(3u, CountOf(AsUnknown(fs_)));

  void* again = nullptr;
  ASSERT_EQ(S_OK, Query(unknown, kIidUnknown, &again));
  EXPECT_EQ(identity, again);
  void* fileSystem = nullptr;
  ASSERT_EQ(S_OK, Query(unknown, kIidFileSystem, &fileSystem));
  EXPECT_EQ(static_cast<void*>(fs_), fileSystem);
  EXPECT_EQ(5u, CountOf(unknown));

  // Counts move together whichever interface they go through.
  EXPECT_EQ(6u, unknown->slots->AddRef(unknown));
  EXPECT_EQ(5u, fs_->slots->Release(fs_));
  EXPECT_EQ(4u, unknown->slots->Release(unknown));
  EXPECT_EQ(3u, unknown->slots->Release(unknown));
  EXPECT_EQ(2u, fs_->slots->Release(fs_));
}

TEST_F(RawFileSystemTest, UnansweredIdentifiersGiveNullAndNoReference) {
  RawGuid nearFileSystem = kIidFileSystem;
  nearFileSystem.bytes[15] ^= 0x01;
  RawGuid nearUnknown = kIidUnknown;
  nearUnknown.bytes[0] ^= 0x80;
  const struct {
    const char* label;
    RawGuid iid;
  } kCases[] = {
      {"IID_IORVList", kIidList},
      {"IID_IORVRoot", kIidRoot},
      {"IID_IORVEntry", kIidEntry},
      {"IID_IObjectList", kIidObjectList},
      {"IID_IJInStream", kIidInStream},
      {"IID_IJOutStream", kIidOutStream},
      {"IID_IORVStream", kIidStream},
      {"file-system identifier", kFileSystemIdentifier},
      {"IID_IORVFileSystem with its last byte changed", nearFileSystem},
      {"IID_IUnknown with its first byte changed", nearUnknown},
  };
  void* identity = nullptr;
  ASSERT_EQ(S_OK, Query(AsUnknown(fs_), kIidUnknown, &identity));
  RawUnknown* askers[] = {AsUnknown(fs_), static_cast<RawUnknown*>(identity)};
  for (RawUnknown* asker : askers) {
    for (const auto& c : kCases) {
      void* out = &identity;  // anything but null
      EXPECT_EQ(E_NOINTERFACE, Query(asker, c.iid, &out)) << c.label;
      EXPECT_EQ(nullptr, out) << c.label;
      EXPECT_EQ(3u, CountOf(AsUnknown(fs_))) << c.label;
    }
  }
  AsUnknown(identity)->slots->Release(AsUnknown(identity));
}

TEST_F(RawFileSystemTest, GetInfoCopiesTheDescriptorExactly) {
  std::vector<uint8_t> expected = ExpectedDescriptor();
  // The buffer ends at an inaccessible page: writing byte 178 would fault.
  GuardedBuffer exact(kDescriptorSize);
  for (int call = 0; call < 2; ++call) {
    memset(exact.data(), 0xA5, exact.size());
    ASSERT_EQ(S_OK, fs_->slots->GetInfo(fs_, exact.data()));
    EXPECT_EQ(0, memcmp(expected.data(), exact.data(), kDescriptorSize))
        << "call " << call;
  }
}

TEST_F(RawFileSystemTest, GetInfoRefusesAShortBufferAndLeavesItUntouched) {
  for (size_t writable : {kDescriptorSize - 1, size_t{100}, size_t{1}}) {
    GuardedBuffer shorter(writable);
    EXPECT_EQ(E_POINTER, fs_->slots->GetInfo(fs_, shorter.data()))
        << writable << " writable bytes";
    for (size_t i = 0; i < writable; ++i) {
      ASSERT_EQ(GuardedBuffer::kFill, shorter.data()[i]) << "byte " << i;
    }
  }
  GuardedBuffer readOnly(kDescriptorSize);
  readOnly.SetAccess(GuardedBuffer::kReadOnly);
  EXPECT_EQ(E_POINTER, fs_->slots->GetInfo(fs_, readOnly.data()));
  EXPECT_EQ(E_POINTER, fs_->slots->GetInfo(fs_, nullptr));
}

// What else holds the probed file while IsContainerFile runs.
enum class Holder { kNone, kReader, kReaderDenyingWrite, kWriter };

TEST_F(RawFileSystemTest, IsContainerFileLooksAtTheMagicOnly) {
  const struct {
    const char* label;
    std::string contents;
    Holder holder;
    HRESULT expected;
  } kCases[] = {
      {"empty file", "", Holder::kNone, E_FAIL},
      {"three bytes of the magic", "JOR", Holder::kNone, E_FAIL},
      {"exactly the magic", "JORV", Holder::kNone, S_OK},
      {"magic then anything", std::string("JORV\0\xff rest", 10), Holder::kNone,
       S_OK},
      {"last magic byte differs", "JORW", Holder::kNone, E_FAIL},
      {"magic in lower case", "jorv", Holder::kNone, E_FAIL},
      {"magic one byte late", " JORV", Holder::kNone, E_FAIL},
      {"open elsewhere for reading", "JORV", Holder::kReader, S_OK},
      {"held elsewhere with deny-write", "JORV", Holder::kReaderDenyingWrite,
       E_ACCESSDENIED},
      {"open elsewhere for writing", "JORV", Holder::kWriter, E_ACCESSDENIED},
  };
  ScratchDirectory directory;
  for (const auto& c : kCases) {
    std::string path = directory.Path("probe.bin");
    WriteFile(path, c.contents);
    HFILE held = 0;
    if (c.holder != Holder::kNone) {
      int32_t mode = c.holder == Holder::kReader
                         ? platform::kOpenRead | platform::kShareDenyNone
                     : c.holder == Holder::kWriter
                         ? platform::kOpenReadWrite | platform::kShareDenyNone
                         : platform::kOpenRead | platform::kShareDenyWrite;
      held = platform::_lopen(path.c_str(), mode);
      ASSERT_NE(HFILE_ERROR, held) << c.label;
    }
    EXPECT_EQ(c.expected, fs_->slots->IsContainerFile(fs_, path.c_str()))
        << c.label;
    if (held != 0) platform::_lclose(held);
    // The module closed its own handle: the file opens with deny-write.
    HFILE after = platform::_lopen(
        path.c_str(), platform::kOpenReadWrite | platform::kShareDenyWrite);
    EXPECT_NE(HFILE_ERROR, after) << c.label;
    if (after != HFILE_ERROR) platform::_lclose(after);
  }
}

TEST_F(RawFileSystemTest, IsContainerFileRefusesWhatItCannotOpenOrRead) {
  ScratchDirectory directory;
  std::string missing = directory.Path("missing.orv");
  EXPECT_EQ(E_ACCESSDENIED, fs_->slots->IsContainerFile(fs_, missing.c_str()));
  EXPECT_EQ(E_ACCESSDENIED,
            fs_->slots->IsContainerFile(fs_, directory.path().c_str()));
  // A path that cannot be read up to a terminator is refused, not read.
  EXPECT_EQ(E_INVALIDARG, fs_->slots->IsContainerFile(fs_, nullptr));
  GuardedBuffer unterminated(8);
  memset(unterminated.data(), 'a', unterminated.size());
  EXPECT_EQ(E_INVALIDARG,
            fs_->slots->IsContainerFile(
                fs_, reinterpret_cast<const char*>(unterminated.data())));
}

// OpenRoot through slot 5, and the root it hands out. These exercise the
// module's real Open, Create and Save.
class RawOpenRootTest : public RawFileSystemTest {
 protected:
  RawResult OpenRoot(const std::string& path, int32_t create, int32_t mode,
                     RawRoot** root) {
    return fs_->slots->OpenRoot(fs_, root, path.c_str(), create, mode);
  }

  ScratchDirectory directory_;
};

TEST_F(RawOpenRootTest, CreatedContainerIsHeldOnceSavedAndOpened) {
  std::string path = directory_.Path("made.orv");
  RawRoot* root = nullptr;
  // A create ignores the mode, however odd.
  ASSERT_EQ(S_OK, OpenRoot(path, 1, 0x7fffffff, &root));
  ASSERT_NE(nullptr, root);
  EXPECT_EQ(1u, CountOf(AsUnknown(root)));
  void* same = nullptr;
  ASSERT_EQ(S_OK, Query(AsUnknown(root), kIidRoot, &same));
  EXPECT_EQ(static_cast<void*>(root), same);
  EXPECT_EQ(1u, root->slots->Release(root));

  // Create leaves the new file closed; the first save writes the whole
  // container in place and keeps it open with deny-write.
  EXPECT_EQ(S_OK, fs_->slots->IsContainerFile(fs_, path.c_str()));
  ASSERT_EQ(S_OK, root->slots->Save(root, 0, 0, nullptr));
  EXPECT_EQ(E_ACCESSDENIED, fs_->slots->IsContainerFile(fs_, path.c_str()));
  EXPECT_EQ(0u, root->slots->Release(root));
  EXPECT_EQ(S_OK, fs_->slots->IsContainerFile(fs_, path.c_str()));

  ASSERT_EQ(S_OK, OpenRoot(path, 0, platform::kOpenReadWrite, &root));
  ASSERT_NE(nullptr, root);
  EXPECT_EQ(E_ACCESSDENIED, fs_->slots->IsContainerFile(fs_, path.c_str()));
  EXPECT_EQ(0u, root->slots->Release(root));
}

TEST_F(RawOpenRootTest, FailedOpenStoresNullAndLeavesTheFileClosed) {
  RawRoot* root = reinterpret_cast<RawRoot*>(&root);  // anything but null
  EXPECT_TRUE(FAILED(
      OpenRoot(directory_.Path("missing.orv"), 0, platform::kOpenRead, &root)));
  EXPECT_EQ(nullptr, root);

  // Right magic, another file system's identifier in the descriptor.
  std::string foreign = directory_.Path("foreign.orv");
  std::vector<uint8_t> descriptor = ExpectedDescriptor();
  descriptor[0] ^= 0xFF;
  std::string contents = "JORV";
  contents.append(descriptor.begin(), descriptor.end());
  contents.append(4, '\0');  // root table offset
  WriteFile(foreign, contents);
  root = reinterpret_cast<RawRoot*>(&root);
  EXPECT_EQ(E_FAIL, OpenRoot(foreign, 0, platform::kOpenReadWrite, &root));
  EXPECT_EQ(nullptr, root);
  EXPECT_EQ(S_OK, fs_->slots->IsContainerFile(fs_, foreign.c_str()));
}

}  // namespace
}  // namespace testing
}  // namespace orv
