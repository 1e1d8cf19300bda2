#include "tests/streams/stream_fixtures.h"

#include <string.h>
#include <zlib.h>

#include "platform/platform.h"
#include "tests/streams/scripted_persist.h"

namespace orv {
namespace testing {

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes U32(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

Bytes Counting(uint32_t count, uint8_t first) {
  Bytes bytes(count);
  for (uint32_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<uint8_t>(first + i);
  }
  return bytes;
}

Bytes Incompressible(uint32_t count) {
  // A 32-bit xorshift: deterministic, and without structure zlib can find.
  Bytes bytes(count);
  uint32_t state = 0x9e3779b9u;
  for (uint32_t i = 0; i < count; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    bytes[i] = static_cast<uint8_t>(state);
  }
  return bytes;
}

Bytes PlainEnvelope(const Bytes& data) { return Concat({{0}, data}); }

Bytes ZlibStream(const Bytes& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  Bytes stream(size);
  int result = compress2(stream.data(), &size, data.data(),
                         static_cast<uLong>(data.size()), 9);
  if (result != Z_OK) return Bytes();
  stream.resize(size);
  return stream;
}

Bytes CompressedEnvelope(const Bytes& data) {
  return Concat(
      {{1}, U32(static_cast<uint32_t>(data.size())), ZlibStream(data)});
}

Bytes RecordHeader(uint32_t bodyLength, uint8_t tag, uint16_t version) {
  GUID id = ClassIdOf(tag);
  Bytes header = U32(bodyLength);
  const uint8_t* idBytes = reinterpret_cast<const uint8_t*>(&id);
  header.insert(header.end(), idBytes, idBytes + sizeof(id));
  header.push_back(static_cast<uint8_t>(version));
  header.push_back(static_cast<uint8_t>(version >> 8));
  return header;
}

bool IndependentlyInflates(const uint8_t* stream, uint32_t streamSize,
                           uint32_t declared, Bytes* data) {
  // One byte of extra room shows a stream that inflates to more.
  Bytes out(declared + 1u);
  uLongf size = static_cast<uLongf>(out.size());
  if (uncompress(out.data(), &size, stream, streamSize) != Z_OK) return false;
  if (size != declared) return false;
  out.resize(size);
  *data = out;
  return true;
}

uint8_t* SeamCopy(const Bytes& bytes) {
  uint8_t* copy =
      static_cast<uint8_t*>(platform::Alloc(bytes.empty() ? 1 : bytes.size()));
  if (copy != nullptr && !bytes.empty()) {
    memcpy(copy, bytes.data(), bytes.size());
  }
  return copy;
}

InStream::InStream(CJInStream* stream) {
  if (stream == nullptr) return;
  stream_ = stream;
  user_ = stream;
  stream_->AddRef();
}

InStream::~InStream() {
  if (stream_ != nullptr) stream_->Release();
}

CJInStream* CreateLent(const Bytes& envelope, HRESULT* result) {
  CJInStream* stream = nullptr;
  *result = CJInStream::Create(const_cast<uint8_t*>(envelope.data()),
                               static_cast<uint32_t>(envelope.size()), false,
                               &stream);
  return stream;
}

uint32_t Remaining(IJInStream* stream) {
  uint32_t remaining = 0xdeadbeef;
  stream->GetRemaining(&remaining);
  return remaining;
}

}  // namespace testing
}  // namespace orv
