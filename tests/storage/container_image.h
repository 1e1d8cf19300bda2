// Container files built and taken apart byte by byte, independently of the
// code under test, for the storage tests and as seeds of the container
// fuzzer.
//
// Byte images are std::string, as the in-memory file system keeps them.
// Layout() lays a tree down exactly as a save must (payloads post-order from
// offset 186, then tables post-order, the root's last), so a test can state
// the whole expected file as a tree; Parse() reads a file back into a tree
// and checks that it has that layout. Compressed envelopes come from zlib's
// own compress2() and are checked with zlib's uncompress(): the module's
// conversions are never their own witness.
#ifndef ORV_TESTS_STORAGE_CONTAINER_IMAGE_H_
#define ORV_TESTS_STORAGE_CONTAINER_IMAGE_H_

#include <stdint.h>

#include <ostream>
#include <string>
#include <vector>

namespace orv {
namespace testing {

// Little-endian pieces.
std::string U16(uint16_t value);
std::string U32(uint32_t value);
uint32_t ReadU32(const std::string& bytes, size_t offset);

// This system's 178-byte descriptor, built from its documented values.
std::string DescriptorBytes();
// A descriptor with another file-system identifier (first byte changed).
std::string ForeignDescriptorBytes();
// Magic and descriptor: the 182 bytes a Create writes.
std::string CreatedFile();
// Magic, descriptor and the root table offset: the 186-byte header.
std::string Header(uint32_t rootTable);
// A table's count.
std::string Count(uint32_t count);
// One entry record: fixed part and name.
std::string Record(const std::string& name, uint32_t payloadOffset,
                   uint32_t payloadSize, uint32_t childTable,
                   uint16_t reserved = 0);

// Envelopes. Plain: flag 0 and the data. Compressed: flag 1, the data's
// length, zlib's level-9 stream of the data.
std::string PlainEnvelope(const std::string& data);
std::string CompressedEnvelope(const std::string& data);
// Decodes the envelope with zlib's uncompress() (compressed) or takes its
// bytes (plain); false for an envelope that does not decode to exactly the
// length it declares.
bool DecodeEnvelope(const std::string& envelope, std::string* data);
// `count` bytes a zlib stream cannot shrink.
std::string Incompressible(size_t count);

// One entry of a tree to lay down or read back. `envelope` is empty for an
// entry without payload.
struct Node {
  std::string name;
  std::string envelope;
  std::vector<Node> children;
};
typedef std::vector<Node> Tree;  // the root's entries, in list order

bool operator==(const Node& a, const Node& b);
inline bool operator!=(const Node& a, const Node& b) { return !(a == b); }
// gtest prints trees in the notation of image_cases.h, payloads decoded.
void PrintTo(const Node& node, std::ostream* out);

// A leaf with a compressed payload of `data` (none when `data` is empty).
Node Leaf(const std::string& name, const std::string& data = std::string());
// An entry with children and an optional compressed payload.
Node Branch(const std::string& name, const Tree& children,
            const std::string& data = std::string());

// The complete file a save writes for `tree`.
std::string Layout(const Tree& tree);

// Reads a container file into `tree`. With `strict`, also checks everything
// a save guarantees (tables and payloads in save order without gaps, every
// list with a table, the root table last); the error names the first
// violation. Recursive: for trees of ordinary depth.
bool Parse(const std::string& file, bool strict, Tree* tree,
           std::string* error);

// A chain of `depth` entries, each the only child of the one before, each
// named `name` and without payload, as a save lays it down. Iterative.
std::string DeepChain(uint32_t depth, const std::string& name);

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_STORAGE_CONTAINER_IMAGE_H_
