// Identity and reference counting of every component object, through every
// interface it hands out: the file-system object, a root, an entry, an input
// stream and an output stream.
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "com/iids.h"
#include "com/orv_interfaces.h"
#include "com/stream_interfaces.h"
#include "gtest/gtest.h"
#include "module/file_system.h"
#include "storage/orv_list.h"
#include "tests/doubles/guarded_buffer.h"
#include "tests/doubles/scratch_directory.h"

namespace {

// The file-system identifier opens the descriptor; it names no interface.
const GUID kFileSystemIdentifier = {
    0x7BBB5720, 0xCF42, 0x11CF,
    {0xA7, 0x99, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

const IID* const kAllIdentifiers[] = {
    &IID_IORVFileSystem, &IID_IORVList,   &IID_IORVRoot,
    &IID_IORVEntry,      &IID_IObjectList, &IID_IJInStream,
    &IID_IJOutStream,    &IID_IORVStream, &kFileSystemIdentifier};

// One component object under test: the interfaces its class answers, each
// as the pointer the lookup must hand out.
struct Subject {
  std::string name;
  std::vector<std::pair<const IID*, IUnknown*>> answered;
};

// The current count of an object, read through one of its interfaces.
uint32_t CountOf(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

// Builds one of every component object over a fresh container.
class IdentityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CORVFileSystem* made = new (std::nothrow) CORVFileSystem(nullptr);
    ASSERT_NE(nullptr, made);
    fileSystem_ = made;
    fileSystem_->AddRef();
    std::string path = directory_.Path("identity.orv");
    ASSERT_EQ(S_OK, fileSystem_->OpenRoot(&root_, path.c_str(), 1, 0));
    ASSERT_EQ(S_OK, root_->QueryInterface(IID_IORVList,
                                          reinterpret_cast<void**>(&list_)));
    ASSERT_EQ(S_OK, list_->CreateEntry(&entry_));
    ASSERT_EQ(S_OK, entry_->OpenOutputStream(&output_));
    IJOutStream* writer = nullptr;
    ASSERT_EQ(S_OK, entry_->OpenOutputStream(&writer));
    ASSERT_EQ(S_OK, writer->Write("payload", 7));
    writer->Release();  // the entry now has a payload to read
    ASSERT_EQ(S_OK, entry_->OpenInputStream(&input_));
    ASSERT_NE(nullptr, input_);
  }

  void TearDown() override {
    if (input_ != nullptr) input_->Release();
    if (output_ != nullptr) output_->Release();
    if (entry_ != nullptr) entry_->Release();
    if (list_ != nullptr) list_->Release();
    if (root_ != nullptr) root_->Release();
    if (fileSystem_ != nullptr) fileSystem_->Release();
  }

  template <class Interface>
  IUnknown* As(IUnknown* object, const IID& iid) {
    void* out = nullptr;
    EXPECT_EQ(S_OK, object->QueryInterface(iid, &out));
    Interface* typed = static_cast<Interface*>(out);
    typed->Release();  // the subject keeps its own reference
    return typed;
  }

  std::vector<Subject> Subjects() {
    return {
        {"file system", {{&IID_IORVFileSystem, fileSystem_}}},
        {"root",
         {{&IID_IORVRoot, root_},
          {&IID_IORVList, As<IORVList>(root_, IID_IORVList)},
          {&IID_IObjectList, As<IObjectList>(root_, IID_IObjectList)}}},
        {"entry",
         {{&IID_IORVEntry, entry_},
          {&IID_IORVList, As<IORVList>(entry_, IID_IORVList)},
          {&IID_IObjectList, As<IObjectList>(entry_, IID_IObjectList)}}},
        {"input stream",
         {{&IID_IJInStream, input_},
          {&IID_IORVStream, As<IORVStream>(input_, IID_IORVStream)}}},
        {"output stream",
         {{&IID_IJOutStream, output_},
          {&IID_IORVStream, As<IORVStream>(output_, IID_IORVStream)}}},
    };
  }

  orv::testing::ScratchDirectory directory_;
  IORVFileSystem* fileSystem_ = nullptr;
  IORVRoot* root_ = nullptr;
  IORVList* list_ = nullptr;
  IORVEntry* entry_ = nullptr;
  IJOutStream* output_ = nullptr;
  IJInStream* input_ = nullptr;
};

TEST_F(IdentityTest, EveryInterfaceReachesEveryOtherOfItsObject) {
  for (const Subject& subject : Subjects()) {
    SCOPED_TRACE(subject.name);
    for (const auto& from : subject.answered) {
      for (const auto& to : subject.answered) {
        uint32_t before = CountOf(from.second);
        void* out = nullptr;
        ASSERT_EQ(S_OK, from.second->QueryInterface(*to.first, &out));
        EXPECT_EQ(static_cast<void*>(to.second), out);
        EXPECT_EQ(before + 1, CountOf(from.second));
        static_cast<IUnknown*>(out)->Release();
        EXPECT_EQ(before, CountOf(from.second));
      }
    }
  }
}

TEST_F(IdentityTest, UnknownIsOneIdentityPerObject) {
  for (const Subject& subject : Subjects()) {
    SCOPED_TRACE(subject.name);
    void* identity = nullptr;
    IUnknown* first = subject.answered.front().second;
    ASSERT_EQ(S_OK, first->QueryInterface(IID_IUnknown, &identity));
    for (const auto& from : subject.answered) {
      uint32_t before = CountOf(from.second);
      void* out = nullptr;
      ASSERT_EQ(S_OK, from.second->QueryInterface(IID_IUnknown, &out));
      EXPECT_EQ(identity, out);
      EXPECT_EQ(before + 1, CountOf(from.second));
      // The identity's own table has IUnknown's shape: its Release drops
      // the same count.
      static_cast<INonDelegatingUnknown*>(out)->NonDelegatingRelease();
      EXPECT_EQ(before, CountOf(from.second));
    }
    static_cast<INonDelegatingUnknown*>(identity)->NonDelegatingRelease();
    // No interface pointer of the object is its identity.
    for (const auto& from : subject.answered) {
      EXPECT_NE(identity, static_cast<void*>(from.second));
    }
  }
}

TEST_F(IdentityTest, IdentifiersOutsideTheClassTableAreRefused) {
  for (const Subject& subject : Subjects()) {
    SCOPED_TRACE(subject.name);
    for (const IID* iid : kAllIdentifiers) {
      bool answered = false;
      for (const auto& known : subject.answered) {
        answered = answered || IsEqualGUID(*known.first, *iid);
      }
      if (answered) continue;
      for (const auto& from : subject.answered) {
        uint32_t before = CountOf(from.second);
        void* out = &before;  // anything but null
        EXPECT_EQ(E_NOINTERFACE, from.second->QueryInterface(*iid, &out));
        EXPECT_EQ(nullptr, out);
        EXPECT_EQ(before, CountOf(from.second));
      }
    }
  }
}

TEST_F(IdentityTest, CountsMoveTogetherAcrossInterfaces) {
  for (const Subject& subject : Subjects()) {
    SCOPED_TRACE(subject.name);
    uint32_t base = CountOf(subject.answered.front().second);
    uint32_t expected = base;
    for (const auto& via : subject.answered) {
      EXPECT_EQ(++expected, via.second->AddRef());
    }
    for (const auto& via : subject.answered) {
      EXPECT_EQ(--expected, via.second->Release());
    }
    EXPECT_EQ(base, CountOf(subject.answered.back().second));
  }
}

TEST_F(IdentityTest, UnusableLookupArgumentsGiveCodesNotFaults) {
  orv::testing::GuardedBuffer tooSmall(sizeof(void*) - 1);
  // An identifier in memory that cannot be read (aligned, so that only its
  // readability is at stake).
  orv::testing::GuardedBuffer unreadable(sizeof(IID),
                                         orv::testing::GuardedBuffer::kNoAccess);
  const IID& cutOff = *reinterpret_cast<const IID*>(unreadable.data());
  for (const Subject& subject : Subjects()) {
    SCOPED_TRACE(subject.name);
    IUnknown* object = subject.answered.front().second;
    uint32_t before = CountOf(object);
    EXPECT_EQ(E_POINTER, object->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(E_POINTER,
              object->QueryInterface(
                  IID_IUnknown, reinterpret_cast<void**>(tooSmall.data())));
    void* out = &before;
    EXPECT_EQ(E_INVALIDARG, object->QueryInterface(cutOff, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(before, CountOf(object));
  }
}

// A linked entry's references through its interfaces count against its
// list; a reference through its identity does not.
TEST_F(IdentityTest, LinkedEntryReferencesLockTheOwnerList) {
  IObjectList* rootObjects = nullptr;
  ASSERT_EQ(S_OK, root_->QueryInterface(
                      IID_IObjectList, reinterpret_cast<void**>(&rootObjects)));
  ASSERT_EQ(S_OK, entry_->SetName("locked", 6));
  ASSERT_EQ(S_OK, rootObjects->Insert(entry_, nullptr));
  // The root's list now holds one reference of its own and counts the
  // test's, the two streams' and the subject table's temporary ones.
  CORVList* rootList = static_cast<CORVList*>(list_);
  const int32_t locked = rootList->lockCount();
  const std::vector<Subject> subjects = Subjects();
  for (const auto& via : subjects[2].answered) {
    via.second->AddRef();
    EXPECT_EQ(locked + 1, rootList->lockCount());
    via.second->Release();
    EXPECT_EQ(locked, rootList->lockCount());
  }
  void* identity = nullptr;
  ASSERT_EQ(S_OK, entry_->QueryInterface(IID_IUnknown, &identity));
  EXPECT_EQ(locked, rootList->lockCount());
  static_cast<INonDelegatingUnknown*>(identity)->NonDelegatingRelease();
  EXPECT_EQ(locked, rootList->lockCount());
  rootObjects->Release();
}

TEST(ComponentLifetime, LastReleaseDestroysAndReturnsZero) {
  CORVFileSystem* made = new (std::nothrow) CORVFileSystem(nullptr);
  ASSERT_NE(nullptr, made);
  IORVFileSystem* fileSystem = made;
  EXPECT_EQ(1u, fileSystem->AddRef());
  EXPECT_EQ(2u, fileSystem->AddRef());
  EXPECT_EQ(1u, fileSystem->Release());
  EXPECT_EQ(0u, fileSystem->Release());  // destroyed; sanitizers watch
}

}  // namespace
