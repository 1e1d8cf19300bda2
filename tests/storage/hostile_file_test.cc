// Files are untrusted input: tables that point at each other, counts and
// sizes the file cannot hold, offsets past its end. Each must end in a
// result code for the offending list or payload, with no allocation the
// file's size does not justify, and a save of such a file must fail
// without touching it.
#include <string>

#include "tests/storage/image_cases.h"
#include "tests/storage/storage_fixture.h"

namespace orv {
namespace testing {
namespace {

// Names are at most 65535 bytes and a compressed payload of the file's size
// gets a buffer a little larger than itself; nothing else a file can ask
// for may be bigger.
size_t AllocationBound(const std::string& image) {
  return image.size() + 65536 + 4096;
}

class HostileImageTest : public StorageTest,
                         public ::testing::WithParamInterface<ImageCase> {};

TEST_P(HostileImageTest, RefusedWithAResultCode) {
  const ImageCase& image = GetParam();
  PutFile(kBox, image.image);
  tap_.ResetLargestAllocation();
  Held<IORVRoot> root;
  ASSERT_EQ(image.open, TryOpen(kBox, 0x22, &root));
  ASSERT_TRUE(root);
  EXPECT_EQ(image.walk, Render(root.get()));
  EXPECT_EQ(image.walk, Render(root.get())) << "a second walk differs";
  EXPECT_LE(tap_.LargestAllocation(), AllocationBound(image.image));

  EXPECT_EQ(image.save, root->Save(0, 1, nullptr));
  EXPECT_LE(tap_.LargestAllocation(), AllocationBound(image.image));
  EXPECT_FALSE(Exists(kTmp));
  if (FAILED(image.save)) {
    EXPECT_EQ(image.image, FileBytes(kBox));
    EXPECT_FALSE(Exists(kBak));
  }
  EXPECT_EQ(image.walk, Render(root.get()));
}

INSTANTIATE_TEST_SUITE_P(Images, HostileImageTest,
                         ::testing::ValuesIn(HostileImages()));

class HostileFileTest : public StorageTest {};

// A list that refused its table may be asked again; an entry whose own list
// is refused still works otherwise and can be taken out of the tree, after
// which the rest saves.
TEST_F(HostileFileTest, RefusedListsStayRefusedAndCanBeRemoved) {
  PutFile(kBox, Header(186) + Count(2) + Record("good", 0, 0, 0) +
                    Record("bad", 0, 0, 186));
  Held<IORVRoot> root = OpenBox();
  Held<IORVEntry> bad = Find(root.get(), "bad");
  ASSERT_TRUE(bad);
  for (int attempt = 0; attempt < 3; ++attempt) {
    Held<IORVEntry> child;
    EXPECT_EQ(E_FAIL, ObjectListOf(bad.get())->GetFirst(child.outVoid(),
                                                        IID_IORVEntry));
    EXPECT_FALSE(child);
  }
  EXPECT_EQ(E_FAIL, root->Save(0, 0, nullptr));
  ASSERT_EQ(S_OK, ObjectListOf(root.get())->Remove(bad.get()));
  ExpectSave(S_OK, root.get());
  EXPECT_EQ(Layout({Leaf("good")}), FileBytes(kBox));
}

// Records of a file may share one payload, and a save writes a copy for each.
// It held every copy it read in memory until the commit, so a small file
// could make it allocate far more than its size: now a payload read from
// the file is let go as soon as it is written.
TEST_F(HostileFileTest, SaveHoldsOneStoredPayloadAtATime) {
  const std::string payload = CompressedEnvelope(Incompressible(20000));
  const uint32_t size = static_cast<uint32_t>(payload.size());
  const int kRecords = 100;
  std::string records;
  Tree expected;
  for (int i = 0; i < kRecords; ++i) {
    const std::string name = "r" + std::to_string(i);
    records += Record(name, 186, size, 0);
    expected.push_back(Node{name, payload, {}});
  }
  PutFile(kBox, Header(186 + size) + payload + Count(kRecords) + records);
  Held<IORVRoot> root = OpenBox();
  tap_.ResetPeakLiveBytes();
  const size_t before = tap_.LiveBytes();
  ExpectSave(S_OK, root.get());
  EXPECT_LT(tap_.PeakLiveBytes() - before, 4 * payload.size());
  EXPECT_EQ(Layout(expected), FileBytes(kBox));
  Held<IORVEntry> last = Find(root.get(), "r99");
  ASSERT_TRUE(last);
  EXPECT_EQ(Incompressible(20000), Payload(last.get()));
}

// A count the file can hold by the 16-byte rule, with a last record that
// runs out: the records read so far are dropped again.
TEST_F(HostileFileTest, TableCutShortDropsWhatItHadRead) {
  const std::string records = Record("first", 0, 0, 0) + Record("second", 0, 0, 0);
  PutFile(kBox, Header(186) + Count(3) + records + std::string(10, '\0'));
  Held<IORVRoot> root = OpenBox();
  Held<IORVEntry> found;
  EXPECT_EQ(E_FAIL, ListOf(root.get())->FindEntry(found.out(), "first", 5));
  EXPECT_FALSE(found);
  EXPECT_EQ(0, ConcreteList(root.get())->elementCount());
  EXPECT_EQ(0, ConcreteList(root.get())->lockCount());
}

// The file shrinks under the reader: a table that fitted when the file was
// opened now ends early.
TEST_F(HostileFileTest, FileTruncatedAfterOpening) {
  WriteContainer({Leaf("a", "payload"), Branch("b", {Leaf("c")})});
  Held<IORVRoot> root = OpenBox();
  Held<IORVEntry> a = Find(root.get(), "a");
  ASSERT_TRUE(fs_.Truncate(kBox, 190));
  EXPECT_EQ("<failed>", Payload(a.get()));
  Held<IORVEntry> b = Find(root.get(), "b");
  Held<IORVEntry> c;
  EXPECT_EQ(E_FAIL, ListOf(b.get())->FindEntry(c.out(), "c", 1));
  EXPECT_EQ(E_FAIL, root->Save(0, 0, nullptr));
  EXPECT_FALSE(Exists(kTmp));
}

}  // namespace
}  // namespace testing
}  // namespace orv
