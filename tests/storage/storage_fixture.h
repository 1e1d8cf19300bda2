// The storage tests' world: a file system under a call tap and a fault
// injector, the module's file-system object, and verbs that build, save,
// reopen and read containers through the host's interfaces.
//
// Platform stack, innermost first: the files (an in-memory MemFileSystem
// with exact bytes and crashes, or the native implementation over a scratch
// directory), PlatformTap (crash points, bytes read, allocation sizes),
// FaultApi (counts, failures, open handles, outstanding allocations). Every
// test ends with no open handle, no outstanding allocation, and no stray
// close or free: TearDown checks that, so a test only has to let its Held<>
// pointers go.
#ifndef ORV_TESTS_STORAGE_STORAGE_FIXTURE_H_
#define ORV_TESTS_STORAGE_STORAGE_FIXTURE_H_

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

#include "com/iids.h"
#include "com/orv_interfaces.h"
#include "com/stream_interfaces.h"
#include "gtest/gtest.h"
#include "module/file_system.h"
#include "platform/platform.h"
#include "storage/orv_entry.h"
#include "storage/orv_list.h"
#include "storage/orv_root.h"
#include "tests/doubles/fault_api.h"
#include "tests/doubles/mem_file_system.h"
#include "tests/storage/container_image.h"
#include "tests/storage/platform_tap.h"

namespace orv {
namespace testing {

// Drops one reference. An object's non-delegating identity (what
// QueryInterface hands out for IID_IUnknown) has IUnknown's table shape but
// is not an IUnknown, so it is released through its own interface.
inline void ReleaseOne(IUnknown* object) { object->Release(); }
inline void ReleaseOne(INonDelegatingUnknown* object) {
  object->NonDelegatingRelease();
}

// The identity as the IUnknown pointer hosts pass around (for arguments that
// are only compared, never called through).
inline IUnknown* AsUnknown(INonDelegatingUnknown* identity) {
  return reinterpret_cast<IUnknown*>(identity);
}

// One counted reference on an interface, dropped when the holder goes.
template <class T>
class Held {
 public:
  Held() = default;
  explicit Held(T* adopted) : p_(adopted) {}
  ~Held() { reset(); }
  Held(Held&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  Held& operator=(Held&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = other.p_;
      other.p_ = nullptr;
    }
    return *this;
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out parameters: drops what is held and lends the slot.
  T** out() {
    reset();
    return &p_;
  }
  void** outVoid() { return reinterpret_cast<void**>(out()); }
  void reset() {
    if (p_ != nullptr) ReleaseOne(p_);
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

// The list interfaces of a root or an entry, borrowed (no reference kept):
// valid while the caller holds the object.
IORVList* ListOf(IUnknown* object);
IObjectList* ObjectListOf(IUnknown* object);
// The list part behind a root or an entry, for looking at its counts.
CORVList* ConcreteList(IUnknown* object);
CORVEntry* ConcreteEntry(IORVEntry* entry);
CORVRoot* ConcreteRoot(IORVRoot* root);

// Members are public so that tables of cases (lambdas, plain functions) can
// use the verbs.
class StorageTest : public ::testing::Test {
 public:
  static const char kBox[];     // the container most tests use
  static const char kTmp[];     // its temporary name
  static const char kBak[];     // its backup name

  enum Backing { kInMemory, kNativeFiles };

  StorageTest() : StorageTest(kInMemory) {}
  explicit StorageTest(Backing backing);
  ~StorageTest() override;
  void TearDown() override;

  // --- Files ---------------------------------------------------------------
  // Puts `bytes` at `path` as durable content (it survives a crash).
  void PutFile(const std::string& path, const std::string& bytes);
  // The bytes at `path`; empty when there is no such file.
  std::string FileBytes(const std::string& path);
  bool Exists(const std::string& path);
  // Lays `tree` down at `path` as a save would.
  void WriteContainer(const Tree& tree, const std::string& path = kBox) {
    PutFile(path, Layout(tree));
  }

  // --- Roots ---------------------------------------------------------------
  HRESULT TryOpen(const std::string& path, int32_t mode,
                  Held<IORVRoot>* root);
  HRESULT TryCreate(const std::string& path, Held<IORVRoot>* root);
  // Open (mode 0x22 unless given) or Create; a failure fails the test.
  Held<IORVRoot> OpenBox(const std::string& path = kBox,
                         int32_t mode = platform::kOpenReadWrite |
                                        platform::kShareDenyWrite);
  Held<IORVRoot> CreateBox(const std::string& path = kBox);
  // Saves and expects `expected`.
  void ExpectSave(HRESULT expected, IORVRoot* root, int32_t backup = 0,
                  const char* newPath = nullptr);

  // --- Trees ---------------------------------------------------------------
  // A new entry named `name`, linked into no list.
  Held<IORVEntry> NewEntry(IUnknown* list, const std::string& name);
  // A new entry named `name` linked at the end of `parent`'s list, with a
  // payload of `data` written through an output stream unless `data` is
  // null.
  Held<IORVEntry> Add(IUnknown* parent, const std::string& name,
                      const char* data = nullptr);
  // The first child named `name`, or null.
  Held<IORVEntry> Find(IUnknown* parent, const std::string& name);
  // The entry at a '/'-separated path below `parent`, or null.
  Held<IORVEntry> At(IUnknown* parent, const std::string& path);
  // Builds `tree` below `parent` (payloads decoded from the envelopes and
  // written through output streams).
  void Fill(IUnknown* parent, const Tree& tree);
  // The names of `parent`'s list in order, walked with GetFirst/GetNext.
  std::vector<std::string> Names(IUnknown* parent);
  // The tree below `parent` as text (the notation of image_cases.h).
  std::string Render(IUnknown* parent);
  // The whole tree below `parent` as the interfaces show it, each payload
  // read through an input stream and given as zlib's compressed envelope of
  // its bytes (so Leaf(name, data) compares equal).
  Tree Snapshot(IUnknown* parent);

  // --- Payloads ------------------------------------------------------------
  void SetPayload(IORVEntry* entry, const std::string& data);
  // Reads the payload through an input stream: S_OK with the bytes (empty,
  // with `*present` false, when the entry has none), or the failure.
  HRESULT ReadPayload(IORVEntry* entry, std::string* data,
                      bool* present = nullptr);
  // The payload, "<none>" or "<failed>".
  std::string Payload(IORVEntry* entry);
  std::string Name(IORVEntry* entry);

  MemFileSystem fs_;
  const Backing backing_;
  PlatformTap tap_{backing_ == kInMemory ? fs_.api() : platform::NativeApi()};
  FaultApi faults_{tap_.api()};
  platform::ScopedApi guard_{faults_.api()};
  Held<IORVFileSystem> fileSystem_;
};

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_STORAGE_STORAGE_FIXTURE_H_
