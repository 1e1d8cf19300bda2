// Round trips: host objects write plain bytes and nested records through an
// entry's output stream, and identical objects read them back through its
// input stream, with ReadObject returning 0 at every level. Once from the
// entry's in-memory payload, and once after a save and a reopening, with
// the stored envelope checked against zlib's own decoder.
#include <deque>
#include <string>
#include <vector>

#include "com/iids.h"
#include "gtest/gtest.h"
#include "module/file_system.h"
#include "platform/platform.h"
#include "storage/orv_entry.h"
#include "tests/doubles/fault_api.h"
#include "tests/doubles/mem_file_system.h"
#include "tests/streams/scripted_persist.h"
#include "tests/streams/stream_fixtures.h"

namespace orv {
namespace testing {
namespace {

// What a host writes at the top level of an entry: plain runs and records,
// in order. Built twice by the same function, once for writing and once
// for reading, so the readers' scripts mirror the writers'.
class Forest {
 public:
  ScriptedPersist* Object(uint8_t tag, uint16_t version = 1) {
    objects_.emplace_back(ClassIdOf(tag), version);
    return &objects_.back();
  }
  void TopBytes(uint32_t count) { top_.push_back({count, nullptr}); }
  void TopObject(ScriptedPersist* object) { top_.push_back({0, object}); }

  void WriteTo(IJOutStream* stream) const {
    uint8_t seed = 0x40;
    for (const Item& item : top_) {
      if (item.object != nullptr) {
        EXPECT_EQ(S_OK, stream->WriteObject(item.object));
      } else {
        const Bytes data = Counting(item.bytes, seed++);
        EXPECT_EQ(S_OK, stream->Write(data.data(), item.bytes));
      }
    }
  }

  void ReadFrom(IJInStream* stream) {
    uint8_t seed = 0x40;
    for (const Item& item : top_) {
      if (item.object != nullptr) {
        EXPECT_EQ(S_OK, stream->ReadObject(item.object));
      } else {
        Bytes data(item.bytes);
        EXPECT_EQ(S_OK, stream->Read(data.data(), item.bytes));
        EXPECT_EQ(Counting(item.bytes, seed++), data);
      }
    }
    EXPECT_EQ(0u, Remaining(stream));
    for (const ScriptedPersist& object : objects_) {
      EXPECT_EQ(1, object.loads());
      EXPECT_EQ(object.ExpectedBytes(), object.loadedBytes());
    }
  }

 private:
  struct Item {
    uint32_t bytes;
    ScriptedPersist* object;
  };
  std::deque<ScriptedPersist> objects_;  // stable addresses
  std::vector<Item> top_;
};

struct Shape {
  const char* label;
  void (*build)(Forest*);
};

void Flat(Forest* f) {
  f->TopBytes(5);
  f->TopObject(&f->Object(1)->Bytes(10));
  f->TopBytes(3);
}

void Nested(Forest* f) {
  ScriptedPersist* inner = f->Object(2);
  inner->Bytes(3);
  f->TopObject(&f->Object(1)->Bytes(2).Nest(inner).Bytes(4));
}

void DeepAndSiblings(Forest* f) {
  ScriptedPersist* c = f->Object(3, 7);
  c->Bytes(1);
  ScriptedPersist* b = f->Object(2, 0xffff);
  b->Nest(c);
  ScriptedPersist* d = f->Object(4, 0);
  ScriptedPersist* a = f->Object(1);
  a->Nest(b).Nest(d).Bytes(7);
  f->TopObject(a);
  f->TopBytes(1);
  f->TopObject(f->Object(5));
}

void EmptyBodies(Forest* f) {
  f->TopObject(f->Object(1));
  f->TopObject(f->Object(2));
}

void LargeBodies(Forest* f) {
  ScriptedPersist* inner = f->Object(2);
  inner->Bytes(70000);
  f->TopObject(&f->Object(1)->Bytes(100000).Nest(inner).Bytes(1));
  f->TopBytes(5000);
}

const Shape kShapes[] = {{"Flat", Flat},
                         {"Nested", Nested},
                         {"DeepAndSiblings", DeepAndSiblings},
                         {"EmptyBodies", EmptyBodies},
                         {"LargeBodies", LargeBodies}};

class RoundTrip : public ::testing::TestWithParam<Shape> {
 protected:
  RoundTrip() : faults_(fs_.api()), guard_(faults_.api()) {}
  ~RoundTrip() override {
    EXPECT_TRUE(faults_.OpenHandles().empty());
    EXPECT_EQ(0u, faults_.OutstandingAllocations());
  }

  void Write(IORVEntry* entry) {
    Forest writer;
    GetParam().build(&writer);
    IJOutStream* stream = nullptr;
    ASSERT_EQ(S_OK, entry->OpenOutputStream(&stream));
    writer.WriteTo(stream);
    stream->Release();
  }

  void Read(IORVEntry* entry) {
    Forest reader;
    GetParam().build(&reader);
    IJInStream* stream = nullptr;
    ASSERT_EQ(S_OK, entry->OpenInputStream(&stream));
    ASSERT_NE(nullptr, stream);
    reader.ReadFrom(stream);
    stream->Release();
  }

  // The payload bytes of a compressed envelope, decoded by zlib itself.
  static Bytes Decoded(const uint8_t* envelope, uint32_t size) {
    Bytes data;
    EXPECT_GE(size, 5u);
    if (size < 5) return data;
    EXPECT_EQ(1, envelope[0]);
    const uint32_t declared = envelope[1] | (envelope[2] << 8) |
                              (envelope[3] << 16) |
                              (static_cast<uint32_t>(envelope[4]) << 24);
    EXPECT_TRUE(IndependentlyInflates(envelope + 5, size - 5, declared, &data));
    return data;
  }

  MemFileSystem fs_;
  FaultApi faults_;
  platform::ScopedApi guard_;
};

TEST_P(RoundTrip, ThroughTheEntrysPayload) {
  CORVEntry* made = new (std::nothrow) CORVEntry;
  IORVEntry* entry = made;
  entry->AddRef();
  Write(entry);
  ASSERT_NE(nullptr, made->payload());
  Decoded(made->payload(), made->payloadSize());
  Read(entry);
  Read(entry);  // nothing is consumed from the entry: every stream is fresh
  entry->Release();
}

TEST_P(RoundTrip, ThroughASavedAndReopenedContainer) {
  const char kPath[] = "/c/streams.orv";
  const char kName[] = "payload";
  const uint16_t kNameLength = sizeof(kName) - 1;
  CORVFileSystem* made = new (std::nothrow) CORVFileSystem(nullptr);
  IORVFileSystem* fileSystem = made;
  fileSystem->AddRef();
  Bytes written;
  {
    IORVRoot* root = nullptr;
    ASSERT_EQ(S_OK, fileSystem->OpenRoot(&root, kPath, 1, 0));
    IORVList* list = nullptr;
    ASSERT_EQ(S_OK, root->QueryInterface(IID_IORVList,
                                         reinterpret_cast<void**>(&list)));
    IObjectList* objects = nullptr;
    ASSERT_EQ(S_OK, root->QueryInterface(IID_IObjectList,
                                         reinterpret_cast<void**>(&objects)));
    IORVEntry* entry = nullptr;
    ASSERT_EQ(S_OK, list->CreateEntry(&entry));
    ASSERT_EQ(S_OK, entry->SetName(kName, kNameLength));
    ASSERT_EQ(S_OK, objects->Insert(entry, nullptr));
    Write(entry);
    const CORVEntry* concrete = CORVEntry::FromUnknown(entry);
    written = Decoded(concrete->payload(), concrete->payloadSize());
    EXPECT_EQ(S_OK, root->Save(0, 0, nullptr));
    entry->Release();
    objects->Release();
    list->Release();
    root->Release();
  }
  {
    IORVRoot* root = nullptr;
    ASSERT_EQ(S_OK, fileSystem->OpenRoot(&root, kPath, 0,
                                         platform::kOpenReadWrite |
                                             platform::kShareDenyWrite));
    IORVList* list = nullptr;
    ASSERT_EQ(S_OK, root->QueryInterface(IID_IORVList,
                                         reinterpret_cast<void**>(&list)));
    IORVEntry* entry = nullptr;
    ASSERT_EQ(S_OK, list->FindEntry(&entry, kName, kNameLength));
    ASSERT_NE(nullptr, entry);
    const CORVEntry* concrete = CORVEntry::FromUnknown(entry);
    EXPECT_EQ(nullptr, concrete->payload());  // read from the file
    const std::string file = fs_.Bytes(kPath);
    ASSERT_LE(uint64_t{concrete->storedOffset()} + concrete->storedSize(),
              file.size());
    const uint8_t* stored =
        reinterpret_cast<const uint8_t*>(file.data()) + concrete->storedOffset();
    EXPECT_EQ(written, Decoded(stored, concrete->storedSize()));
    Read(entry);
    entry->Release();
    list->Release();
    root->Release();
  }
  fileSystem->Release();
}

INSTANTIATE_TEST_SUITE_P(Shapes, RoundTrip, ::testing::ValuesIn(kShapes),
                         [](const ::testing::TestParamInfo<Shape>& info) {
                           return std::string(info.param.label);
                         });

}  // namespace
}  // namespace testing
}  // namespace orv
