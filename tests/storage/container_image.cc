#include "tests/storage/container_image.h"

#include <zlib.h>

#include <set>

namespace orv {
namespace testing {
namespace {

constexpr uint32_t kHeaderSize = 186;
constexpr uint32_t kRecordFixedSize = 16;

// Offsets a save gives one entry, filled in by the two passes of Layout.
struct Placed {
  uint32_t payloadOffset = 0;
  uint32_t childTable = 0;
  std::vector<Placed> children;
};

void PlacePayloads(const Tree& tree, std::vector<Placed>* placed,
                   std::string* payloads) {
  placed->resize(tree.size());
  for (size_t i = 0; i < tree.size(); ++i) {
    PlacePayloads(tree[i].children, &(*placed)[i].children, payloads);
    (*placed)[i].payloadOffset =
        kHeaderSize + static_cast<uint32_t>(payloads->size());
    *payloads += tree[i].envelope;
  }
}

// Writes the tables of `tree`'s subtrees, then `tree`'s own; returns where
// the own table starts. `base` is the file offset of tables[0].
uint32_t PlaceTables(const Tree& tree, std::vector<Placed>* placed,
                     uint32_t base, std::string* tables) {
  for (size_t i = 0; i < tree.size(); ++i) {
    (*placed)[i].childTable =
        PlaceTables(tree[i].children, &(*placed)[i].children, base, tables);
  }
  const uint32_t start = base + static_cast<uint32_t>(tables->size());
  *tables += Count(static_cast<uint32_t>(tree.size()));
  for (size_t i = 0; i < tree.size(); ++i) {
    *tables += Record(tree[i].name, (*placed)[i].payloadOffset,
                      static_cast<uint32_t>(tree[i].envelope.size()),
                      (*placed)[i].childTable);
  }
  return start;
}

class Reader {
 public:
  explicit Reader(const std::string& file) : file_(file) {}

  bool ReadTable(uint32_t offset, Tree* tree, std::string* error) {
    if (!tables_.insert(offset).second) {
      *error = "table " + std::to_string(offset) + " referenced twice";
      return false;
    }
    if (offset > file_.size() || file_.size() - offset < 4) {
      *error = "table " + std::to_string(offset) + " past the end";
      return false;
    }
    uint32_t count = ReadU32(file_, offset);
    size_t at = offset + 4;
    for (uint32_t i = 0; i < count; ++i) {
      if (file_.size() - at < kRecordFixedSize) {
        *error = "record at " + std::to_string(at) + " past the end";
        return false;
      }
      const uint16_t nameLength = static_cast<uint16_t>(
          static_cast<uint8_t>(file_[at]) |
          (static_cast<uint8_t>(file_[at + 1]) << 8));
      const uint32_t payloadOffset = ReadU32(file_, at + 2);
      const uint32_t payloadSize = ReadU32(file_, at + 6);
      const uint32_t childTable = ReadU32(file_, at + 10);
      at += kRecordFixedSize;
      if (file_.size() - at < nameLength) {
        *error = "name at " + std::to_string(at) + " past the end";
        return false;
      }
      Node node;
      node.name = file_.substr(at, nameLength);
      at += nameLength;
      if (payloadSize > 0) {
        if (payloadOffset > file_.size() ||
            file_.size() - payloadOffset < payloadSize) {
          *error = "payload of " + node.name + " past the end";
          return false;
        }
        node.envelope = file_.substr(payloadOffset, payloadSize);
      }
      if (childTable != 0 && !ReadTable(childTable, &node.children, error)) {
        return false;
      }
      tree->push_back(node);
    }
    return true;
  }

 private:
  const std::string& file_;
  std::set<uint32_t> tables_;
};

}  // namespace

std::string U16(uint16_t value) {
  std::string bytes(2, '\0');
  bytes[0] = static_cast<char>(value);
  bytes[1] = static_cast<char>(value >> 8);
  return bytes;
}

std::string U32(uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
  return bytes;
}

uint32_t ReadU32(const std::string& bytes, size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
  }
  return value;
}

std::string DescriptorBytes() {
  static const unsigned char kIdentifier[16] = {
      0x20, 0x57, 0xBB, 0x7B, 0x42, 0xCF, 0xCF, 0x11,
      0xA7, 0x99, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00};
  std::string descriptor(178, '\0');
  descriptor.replace(0, 16, reinterpret_cast<const char*>(kIdentifier), 16);
  descriptor.replace(16, 2, U16(0x0100));
  const std::string name = "ORV Standard filesystem 1.0";
  const std::string vendor = "Vantorium";
  descriptor.replace(18, name.size(), name);
  descriptor.replace(50, vendor.size(), vendor);
  return descriptor;
}

std::string ForeignDescriptorBytes() {
  std::string descriptor = DescriptorBytes();
  descriptor[0] = static_cast<char>(descriptor[0] ^ 0x01);
  return descriptor;
}

std::string CreatedFile() { return "JORV" + DescriptorBytes(); }

std::string Header(uint32_t rootTable) {
  return CreatedFile() + U32(rootTable);
}

std::string Count(uint32_t count) { return U32(count); }

std::string Record(const std::string& name, uint32_t payloadOffset,
                   uint32_t payloadSize, uint32_t childTable,
                   uint16_t reserved) {
  return U16(static_cast<uint16_t>(name.size())) + U32(payloadOffset) +
         U32(payloadSize) + U32(childTable) + U16(reserved) + name;
}

std::string PlainEnvelope(const std::string& data) {
  return std::string(1, '\0') + data;
}

std::string CompressedEnvelope(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string stream(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(&stream[0]), &size,
                reinterpret_cast<const Bytef*>(data.data()),
                static_cast<uLong>(data.size()), 9) != Z_OK) {
    return std::string();
  }
  stream.resize(size);
  return std::string(1, '\1') + U32(static_cast<uint32_t>(data.size())) +
         stream;
}

bool DecodeEnvelope(const std::string& envelope, std::string* data) {
  if (envelope.empty()) return false;
  if (envelope[0] == 0) {
    *data = envelope.substr(1);
    return true;
  }
  if (envelope.size() < 5) return false;
  const uint32_t declared = ReadU32(envelope, 1);
  // One byte of extra room shows a stream that inflates to more.
  std::string out(declared + size_t{1}, '\0');
  uLongf size = static_cast<uLongf>(out.size());
  if (uncompress(reinterpret_cast<Bytef*>(&out[0]), &size,
                 reinterpret_cast<const Bytef*>(envelope.data() + 5),
                 static_cast<uLong>(envelope.size() - 5)) != Z_OK ||
      size != declared) {
    return false;
  }
  out.resize(size);
  *data = out;
  return true;
}

std::string Incompressible(size_t count) {
  // A 32-bit xorshift: deterministic, and without structure zlib can find.
  std::string bytes(count, '\0');
  uint32_t state = 0x9e3779b9u;
  for (size_t i = 0; i < count; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    bytes[i] = static_cast<char>(state);
  }
  return bytes;
}

bool operator==(const Node& a, const Node& b) {
  return a.name == b.name && a.envelope == b.envelope &&
         a.children == b.children;
}

void PrintTo(const Node& node, std::ostream* out) {
  *out << (node.name.empty() ? "~" : node.name);
  std::string data;
  if (!node.envelope.empty()) {
    *out << "=" << (DecodeEnvelope(node.envelope, &data) ? data : "!");
  }
  if (!node.children.empty()) {
    *out << "(";
    for (size_t i = 0; i < node.children.size(); ++i) {
      if (i > 0) *out << ",";
      PrintTo(node.children[i], out);
    }
    *out << ")";
  }
}

Node Leaf(const std::string& name, const std::string& data) {
  return Branch(name, Tree(), data);
}

Node Branch(const std::string& name, const Tree& children,
            const std::string& data) {
  Node node;
  node.name = name;
  if (!data.empty()) node.envelope = CompressedEnvelope(data);
  node.children = children;
  return node;
}

std::string Layout(const Tree& tree) {
  std::vector<Placed> placed;
  std::string payloads;
  PlacePayloads(tree, &placed, &payloads);
  std::string tables;
  const uint32_t base = kHeaderSize + static_cast<uint32_t>(payloads.size());
  const uint32_t rootTable = PlaceTables(tree, &placed, base, &tables);
  return Header(rootTable) + payloads + tables;
}

bool Parse(const std::string& file, bool strict, Tree* tree,
           std::string* error) {
  tree->clear();
  if (file.size() < kHeaderSize || file.compare(0, 4, "JORV") != 0) {
    *error = "no container header";
    return false;
  }
  Reader reader(file);
  const uint32_t rootTable = ReadU32(file, 182);
  if (rootTable != 0 && !reader.ReadTable(rootTable, tree, error)) {
    return false;
  }
  if (!strict) return true;
  const std::string expected = Layout(*tree);
  if (expected == file) return true;
  size_t at = 0;
  while (at < file.size() && at < expected.size() && file[at] == expected[at]) {
    ++at;
  }
  *error = "not laid out as a save lays it down: first difference at " +
           std::to_string(at) + " (file " + std::to_string(file.size()) +
           " bytes, expected " + std::to_string(expected.size()) + ")";
  return false;
}

std::string DeepChain(uint32_t depth, const std::string& name) {
  // No payloads: every record carries payload offset 186. The deepest
  // entry's empty table comes first, each parent's table after its child's.
  std::string tables = Count(0);
  uint32_t childTable = kHeaderSize;
  for (uint32_t level = 0; level < depth; ++level) {
    const uint32_t start = kHeaderSize + static_cast<uint32_t>(tables.size());
    tables += Count(1) + Record(name, kHeaderSize, 0, childTable);
    childTable = start;
  }
  return Header(childTable) + tables;
}

}  // namespace testing
}  // namespace orv
