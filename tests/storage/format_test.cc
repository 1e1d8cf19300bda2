// The bytes of container files: what Create and Save write, in which order,
// and which oddities readers accept.
#include <string>

#include "tests/storage/image_cases.h"
#include "tests/storage/storage_fixture.h"

namespace orv {
namespace testing {
namespace {

class FormatTest : public StorageTest {
 protected:
  // Expects every entry of the tree below `parent` to be committed: no
  // payload in memory, and stored offsets that name `expected`'s envelope
  // in the container file.
  void ExpectCommittedTo(IUnknown* parent, const Tree& expected) {
    const std::string file = FileBytes(kBox);
    std::vector<std::string> names = Names(parent);
    ASSERT_EQ(expected.size(), names.size());
    for (const Node& node : expected) {
      Held<IORVEntry> entry = Find(parent, node.name);
      ASSERT_TRUE(entry);
      CORVEntry* concrete = ConcreteEntry(entry.get());
      EXPECT_EQ(nullptr, concrete->payload()) << node.name;
      EXPECT_EQ(node.envelope.size(), concrete->storedSize()) << node.name;
      EXPECT_EQ(node.envelope,
                file.substr(concrete->storedOffset(), concrete->storedSize()))
          << node.name;
      EXPECT_FALSE(concrete->modified()) << node.name;
      ExpectCommittedTo(entry.get(), node.children);
    }
  }
};

TEST_F(FormatTest, CreateWritesMagicAndDescriptorOnly) {
  Held<IORVRoot> root = CreateBox();
  EXPECT_EQ(CreatedFile(), FileBytes(kBox));
  EXPECT_EQ(182u, FileBytes(kBox).size());
  EXPECT_EQ(0, ListOf(root.get())->GetFile());
}

TEST_F(FormatTest, SavedEmptyContainerIs190Bytes) {
  Held<IORVRoot> root = CreateBox();
  ExpectSave(S_OK, root.get());
  EXPECT_EQ(Header(186) + Count(0), FileBytes(kBox));
  EXPECT_EQ(190u, FileBytes(kBox).size());
}

TEST_F(FormatTest, WorkedExampleIsLaidDownIn301Bytes) {
  // Opaque envelopes whose flag byte is 1 count as compressed: the save
  // copies them byte for byte, which makes their sizes exact.
  const std::string doc = "\x01" + std::string(29, 'D');
  const std::string pic = "\x01" + std::string(11, 'P');
  // The source holds the same tree laid out the other way round: tables
  // first, payloads last, "log" without a table.
  const std::string source =
      Header(186) +
      Count(2) + Record("doc", 251, 30, 228, 0x5555) + Record("log", 7, 0, 0) +
      Count(1) + Record("pic", 281, 12, 0) +  // 228
      doc +                                   // 251
      pic;                                    // 281
  PutFile(kBox, source);
  Held<IORVRoot> root = OpenBox();
  ExpectSave(S_OK, root.get());

  const std::string expected =
      Header(259) +
      pic +                                                    // 186
      doc +                                                    // 198
      Count(0) +                                               // 228: pic's
      Count(1) + Record("pic", 186, 12, 228) +                 // 232: doc's
      Count(0) +                                               // 255: log's
      Count(2) + Record("doc", 198, 30, 232) +                 // 259: root's
      Record("log", 228, 0, 255);
  EXPECT_EQ(301u, expected.size());
  EXPECT_EQ(expected, FileBytes(kBox));
  const Tree tree = {Node{"doc", doc, {Node{"pic", pic, {}}}},
                     Node{"log", "", {}}};
  EXPECT_EQ(expected, Layout(tree)) << "the reference layout disagrees";
  ExpectCommittedTo(root.get(), tree);
}

TEST_F(FormatTest, SaveLaysPayloadsAndTablesDownPostOrder) {
  const Tree tree = {
      Branch("a", {Leaf("a1", "one"), Branch("a2", {Leaf("x", "deep")}, "two")},
             "A"),
      Leaf("", "unnamed"),
      Leaf("b"),
      Branch("c", {Leaf("c1")}),
  };
  Held<IORVRoot> root = CreateBox();
  Fill(root.get(), tree);
  ExpectSave(S_OK, root.get());

  EXPECT_EQ(Layout(tree), FileBytes(kBox));
  ExpectCommittedTo(root.get(), tree);
  root.reset();
  root = OpenBox();
  EXPECT_EQ(tree, Snapshot(root.get()));
}

TEST_F(FormatTest, ResaveRecordsTheOffsetsOfTheNewFile) {
  WriteContainer({Leaf("a", "first"), Branch("b", {Leaf("b1", "inner")}, "B"),
                  Leaf("c", "third")});
  Held<IORVRoot> root = OpenBox();
  // A new first entry shifts every payload and table; "c" goes away.
  Held<IORVEntry> front = NewEntry(root.get(), "new");
  ASSERT_EQ(S_OK, ObjectListOf(root.get())->Insert(front.get(), nullptr));
  SetPayload(front.get(), "fresh");
  Held<IORVEntry> c = Find(root.get(), "c");
  ASSERT_EQ(S_OK, ObjectListOf(root.get())->Remove(c.get()));
  c.reset();
  ExpectSave(S_OK, root.get());

  const Tree expected = {Leaf("new", "fresh"), Leaf("a", "first"),
                         Branch("b", {Leaf("b1", "inner")}, "B")};
  EXPECT_EQ(Layout(expected), FileBytes(kBox));
  ExpectCommittedTo(root.get(), expected);
  EXPECT_EQ("new=fresh,a=first,b=B(b1=inner)", Render(root.get()));
}

TEST_F(FormatTest, EveryEnvelopeASaveWritesIsCompressedAndInflates) {
  const std::string payloads[] = {
      "abc", "x", std::string(100000, '\0'), Incompressible(70000),
      Incompressible(3), std::string(1, '\0'),
  };
  Held<IORVRoot> root = CreateBox();
  Tree tree;
  for (size_t i = 0; i < sizeof(payloads) / sizeof(payloads[0]); ++i) {
    const std::string name = "p" + std::to_string(i);
    Held<IORVEntry> entry = Add(root.get(), name);
    SetPayload(entry.get(), payloads[i]);
    tree.push_back(Leaf(name, payloads[i]));
  }
  ExpectSave(S_OK, root.get());

  Tree saved;
  std::string error;
  ASSERT_TRUE(Parse(FileBytes(kBox), true, &saved, &error)) << error;
  ASSERT_EQ(tree.size(), saved.size());
  for (size_t i = 0; i < saved.size(); ++i) {
    const std::string& envelope = saved[i].envelope;
    ASSERT_GE(envelope.size(), 5u);
    EXPECT_EQ(1, envelope[0]) << saved[i].name;
    EXPECT_EQ(payloads[i].size(), ReadU32(envelope, 1)) << saved[i].name;
    std::string data;
    EXPECT_TRUE(DecodeEnvelope(envelope, &data)) << saved[i].name;
    EXPECT_EQ(payloads[i], data) << saved[i].name;
  }
  // zlib's own level-9 stream, byte for byte.
  EXPECT_EQ(Layout(tree), FileBytes(kBox));
}

TEST_F(FormatTest, StoredPlainEnvelopeIsWrittenBackCompressed) {
  WriteContainer({Node{"a", PlainEnvelope("plain data"), {}}});
  Held<IORVRoot> root = OpenBox();
  EXPECT_EQ("a=plain data", Render(root.get()));
  ExpectSave(S_OK, root.get());
  EXPECT_EQ(Layout({Leaf("a", "plain data")}), FileBytes(kBox));
  EXPECT_EQ("a=plain data", Render(root.get()));
}

TEST_F(FormatTest, EqualNamesFromAFileLoadBothAndLookupFindsTheFirst) {
  WriteContainer({Leaf("twin", "first"), Leaf("twin", "second")});
  Held<IORVRoot> root = OpenBox();
  EXPECT_EQ("twin=first,twin=second", Render(root.get()));
  Held<IORVEntry> found = Find(root.get(), "twin");
  ASSERT_TRUE(found);
  EXPECT_EQ("first", Payload(found.get()));
}

// Every file a reader must accept opens, reads as expected, and saves into a
// file laid out exactly as a save lays it down, with the same content.
class ToleratedImageTest : public StorageTest,
                           public ::testing::WithParamInterface<ImageCase> {};

TEST_P(ToleratedImageTest, OpensReadsAndSavesCanonically) {
  const ImageCase& image = GetParam();
  PutFile(kBox, image.image);
  Held<IORVRoot> root = OpenBox();
  ASSERT_TRUE(root);
  EXPECT_EQ(image.walk, Render(root.get()));
  ExpectSave(image.save, root.get());

  Tree saved;
  std::string error;
  EXPECT_TRUE(Parse(FileBytes(kBox), true, &saved, &error)) << error;
  EXPECT_EQ(image.walk, Render(root.get()));
  root.reset();
  root = OpenBox();
  EXPECT_EQ(image.walk, Render(root.get()));
}

INSTANTIATE_TEST_SUITE_P(Images, ToleratedImageTest,
                         ::testing::ValuesIn(ToleratedImages()));

// Headers Open refuses: the result, a null root, and the file closed again
// (TearDown finds no handle open).
class RefusedHeaderTest : public StorageTest,
                          public ::testing::WithParamInterface<ImageCase> {};

TEST_P(RefusedHeaderTest, OpenFailsAndClosesTheFile) {
  const ImageCase& image = GetParam();
  PutFile(kBox, image.image);
  Held<IORVRoot> root;
  EXPECT_EQ(image.open, TryOpen(kBox, 0x22, &root));
  EXPECT_FALSE(root);
  EXPECT_EQ(image.image, FileBytes(kBox));
}

INSTANTIATE_TEST_SUITE_P(Images, RefusedHeaderTest,
                         ::testing::ValuesIn(RefusedHeaders()));

}  // namespace
}  // namespace testing
}  // namespace orv
