#include "tests/storage/image_cases.h"

#include <stdint.h>

#include "tests/storage/container_image.h"

namespace orv {
namespace testing {
namespace {

constexpr uint32_t kTables = 186;  // first byte after the header

// A file being put together piece by piece; offsets that point forward are
// patched in once their target is known.
class Image {
 public:
  explicit Image(uint32_t rootTable = kTables) : bytes_(Header(rootTable)) {}

  uint32_t here() const { return static_cast<uint32_t>(bytes_.size()); }
  // Appends `piece`; returns where it starts.
  uint32_t Add(const std::string& piece) {
    const uint32_t at = here();
    bytes_ += piece;
    return at;
  }
  void Patch(uint32_t at, uint32_t value) { bytes_.replace(at, 4, U32(value)); }
  void SetRootTable(uint32_t offset) { Patch(182, offset); }
  // Field positions inside a record that starts at `record`.
  static uint32_t PayloadOffsetField(uint32_t record) { return record + 2; }
  static uint32_t ChildTableField(uint32_t record) { return record + 10; }

  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// A file whose root list is the given records, table at 186.
std::string RootTable(uint32_t count, const std::string& records) {
  return Header(kTables) + Count(count) + records;
}

// A root with one entry "a" whose payload is `size` bytes at `offset`.
std::string PayloadAt(uint32_t offset, uint32_t size) {
  return RootTable(1, Record("a", offset, size, 0));
}

// A root with one entry "a" whose child table is at `offset`.
std::string ChildTableAt(uint32_t offset) {
  return RootTable(1, Record("a", 0, 0, offset));
}

std::string ForeignLooks() {
  // Right identifier; another version, name and vendor.
  std::string file = Layout({Leaf("a")});
  file.replace(4 + 16, 2, U16(0x0203));
  file.replace(4 + 18, 6, "Other\0", 6);
  file.replace(4 + 50, 4, "Them", 4);
  return file;
}

std::string TablesBeforePayloads() {
  // The worked example's tree, laid out the other way round: tables first,
  // junk between the items, payloads last, nonzero reserved bytes.
  Image image;
  image.Add(Count(2));
  const uint32_t doc = image.Add(Record("doc", 0, 0, 0, 0x1234));
  image.Add(Record("log", 0xDEADBEEF, 0, 0, 0xFFFF));
  image.Add("junk");
  const uint32_t docTable = image.Add(Count(1));
  image.Patch(Image::ChildTableField(doc), docTable);
  const std::string picEnvelope = CompressedEnvelope("x");
  const uint32_t pic = image.Add(
      Record("pic", 0, static_cast<uint32_t>(picEnvelope.size()), 0));
  image.Add("more junk");
  const std::string docEnvelope = CompressedEnvelope("hello");
  image.Patch(Image::PayloadOffsetField(pic), image.Add(picEnvelope));
  const uint32_t docPayload = image.Add(docEnvelope);
  image.Patch(Image::PayloadOffsetField(doc), docPayload);
  image.Patch(doc + 6, static_cast<uint32_t>(docEnvelope.size()));
  return image.bytes();
}

std::string SharedEmptyTable() {
  Image image;
  image.Add(Count(2));
  const uint32_t a = image.Add(Record("a", 0, 0, 0));
  const uint32_t b = image.Add(Record("b", 0, 0, 0));
  const uint32_t empty = image.Add(Count(0));
  image.Patch(Image::ChildTableField(a), empty);
  image.Patch(Image::ChildTableField(b), empty);
  return image.bytes();
}

std::string EnvelopeWithFlag(uint8_t flag, const std::string& data) {
  std::string envelope = CompressedEnvelope(data);
  envelope[0] = static_cast<char>(flag);
  return envelope;
}

// A root holding "a" with the given envelope as its payload.
std::string WithEnvelope(const std::string& envelope) {
  Image image;
  image.Add(Count(1));
  const uint32_t a = image.Add(
      Record("a", 0, static_cast<uint32_t>(envelope.size()), 0));
  image.Patch(Image::PayloadOffsetField(a), image.Add(envelope));
  return image.bytes();
}

std::string ParentTableAsGrandchildTable() {
  Image image;
  image.Add(Count(1));
  const uint32_t a = image.Add(Record("a", 0, 0, 0));
  const uint32_t aTable = image.Add(Count(1));
  image.Patch(Image::ChildTableField(a), aTable);
  const uint32_t b = image.Add(Record("b", 0, 0, 0));
  image.Patch(Image::ChildTableField(b), aTable);
  return image.bytes();
}

std::string SharedChildTable() {
  Image image;
  image.Add(Count(2));
  const uint32_t a = image.Add(Record("a", 0, 0, 0));
  const uint32_t b = image.Add(Record("b", 0, 0, 0));
  const uint32_t shared = image.Add(Count(1) + Record("c", 0, 0, 0));
  image.Patch(Image::ChildTableField(a), shared);
  image.Patch(Image::ChildTableField(b), shared);
  return image.bytes();
}

std::string OverlappingTables() {
  // "a"'s child table starts before the root's table and its one record's
  // name runs over the whole root table: loading it would read the root's
  // bytes as a name. The root table is loaded first, so "a"'s is refused.
  const std::string rootTable = Count(1) + Record("a", 0, 0, kTables);
  const uint32_t gap = 5;
  const uint32_t nameLength = gap + static_cast<uint32_t>(rootTable.size());
  Image image;
  image.Add(Count(1) + U16(static_cast<uint16_t>(nameLength)) + U32(0) +
            U32(0) + U32(0) + U16(0) + std::string(gap, 'n'));
  image.SetRootTable(image.Add(rootTable));
  return image.bytes();
}

std::string DamagedZlibStream() {
  std::string envelope = CompressedEnvelope("some payload bytes");
  envelope[envelope.size() - 6] = static_cast<char>(envelope[envelope.size() - 6] ^ 0x55);
  return WithEnvelope(envelope);
}

}  // namespace

std::vector<ImageCase> ToleratedImages() {
  return {
      {"saved empty container", Layout({}), S_OK, "", S_OK},
      {"root table offset 0: no table", Header(0), S_OK, "", S_OK},
      {"count 0 followed by junk", RootTable(0, "junk"), S_OK, "", S_OK},
      {"count 0x80000000 reads as empty",
       RootTable(0x80000000u, Record("a", 0, 0, 0)), S_OK, "", S_OK},
      {"count 0xffffffff reads as empty",
       RootTable(0xFFFFFFFFu, Record("a", 0, 0, 0)), S_OK, "", S_OK},
      {"reserved bytes hold anything",
       RootTable(2, Record("a", 0, 0, 0, 0xBEEF) + Record("b", 0, 0, 0, 0xFFFF)),
       S_OK, "a,b", S_OK},
      {"empty name directly followed by the next record",
       RootTable(2, Record("", 0, 0, 0) + Record("b", 0, 0, 0)), S_OK, "~,b",
       S_OK},
      {"equal names from a file both load",
       RootTable(2, Record("a", 0, 0, 0) + Record("a", 0, 0, 0)), S_OK, "a,a",
       S_OK},
      {"names differing in case are different",
       RootTable(2, Record("A", 0, 0, 0) + Record("a", 0, 0, 0)), S_OK, "A,a",
       S_OK},
      {"another version, name and vendor", ForeignLooks(), S_OK, "a", S_OK},
      {"tables before payloads, junk between items", TablesBeforePayloads(),
       S_OK, "doc=hello(pic=x),log", S_OK},
      {"plain stored envelope", WithEnvelope(PlainEnvelope("data")), S_OK,
       "a=data", S_OK},
      {"flag byte 2 reads as compressed",
       WithEnvelope(EnvelopeWithFlag(2, "data")), S_OK, "a=data", S_OK},
      {"two lists share one empty table", SharedEmptyTable(), S_OK, "a,b",
       S_OK},
      {"payload size 0 with any offset", PayloadAt(0xFFFFFFFFu, 0), S_OK, "a",
       S_OK},
      {"entry name of 300 bytes",
       RootTable(1, Record(std::string(300, 'n'), 0, 0, 0)), S_OK,
       "<long name>", S_OK},
  };
}

std::vector<ImageCase> RefusedHeaders() {
  const std::string saved = Layout({Leaf("a")});
  std::string wrongMagic = saved;
  wrongMagic[3] = 'W';
  std::string foreign = saved;
  foreign.replace(4, 178, ForeignDescriptorBytes());
  return {
      {"empty file", "", E_FAIL, "", S_OK},
      {"three bytes of magic", "JOR", E_FAIL, "", S_OK},
      {"wrong magic", wrongMagic, E_FAIL, "", S_OK},
      {"descriptor cut short", saved.substr(0, 100), E_FAIL, "", S_OK},
      {"another file-system identifier", foreign, E_FAIL, "", S_OK},
      {"created and never saved (182 bytes)", CreatedFile(), E_FAIL, "", S_OK},
      {"root table offset cut short (185 bytes)", saved.substr(0, 185), E_FAIL,
       "", S_OK},
  };
}

std::vector<ImageCase> HostileImages() {
  const std::string nameRunsOut = RootTable(
      1, U16(1000) + U32(0) + U32(0) + U32(0) + U16(0) + "abc");
  const uint32_t endOfShort = static_cast<uint32_t>(PayloadAt(0, 0).size());
  return {
      {"child table is the root's table", ChildTableAt(kTables), S_OK, "a(!)",
       E_FAIL},
      {"child table points into its parent's records", ChildTableAt(190), S_OK,
       "a(!)", E_FAIL},
      {"grandchild table is its parent's table",
       ParentTableAsGrandchildTable(), S_OK, "a(b(!))", E_FAIL},
      {"two records share one child table", SharedChildTable(), S_OK,
       "a(c),b(!)", E_FAIL},
      {"a child table overlaps the loaded root table", OverlappingTables(),
       S_OK, "a(!)", E_FAIL},
      {"count 0x7fffffff in a short file",
       RootTable(0x7FFFFFFFu, Record("a", 0, 0, 0)), S_OK, "!", E_FAIL},
      {"count one more than the file can hold",
       RootTable(2, Record("a", 0, 0, 0)), S_OK, "!", E_FAIL},
      {"name length past the end of the file", nameRunsOut, S_OK, "!", E_FAIL},
      {"root table offset past the end", Header(100000), S_OK, "!", E_FAIL},
      {"root table offset 0x80000000", Header(0x80000000u), S_OK, "!", E_FAIL},
      {"root table count cut short", Header(kTables) + "ab", S_OK, "!", E_FAIL},
      {"root table offset inside the header", Header(4), S_OK, "!", E_FAIL},
      {"child table offset past the end", ChildTableAt(0xFFFFFF00u), S_OK,
       "a(!)", E_FAIL},
      {"child table offset 0x80000000", ChildTableAt(0x80000000u), S_OK,
       "a(!)", E_FAIL},
      {"payload offset past the end", PayloadAt(0x10000, 5), S_OK, "a=!",
       E_FAIL},
      {"payload offset 0x80000000", PayloadAt(0x80000000u, 5), S_OK, "a=!",
       E_FAIL},
      {"payload size larger than the file", PayloadAt(kTables, 0x7FFFFFF0u),
       S_OK, "a=!", E_FAIL},
      {"payload size 0xffffffff", PayloadAt(kTables, 0xFFFFFFFFu), S_OK, "a=!",
       E_FAIL},
      {"payload one byte past the end", PayloadAt(kTables, endOfShort - kTables + 1),
       S_OK, "a=!", E_FAIL},
      // A save copies envelopes without looking into them: a damaged one is
      // carried over as it is, and reading it fails before and after.
      {"damaged zlib stream", DamagedZlibStream(), S_OK, "a=!", S_OK},
  };
}

void PrintTo(const ImageCase& image, std::ostream* out) {
  *out << '"' << image.label << '"';
}

}  // namespace testing
}  // namespace orv
