// Fuzzes the input stream over an untrusted payload envelope: creation (the
// inflate step of compressed envelopes included) and every read operation,
// driven by a host object that wanders through whatever records it finds.
// Plain envelopes are also compressed and inflated again, which must give
// back the very same bytes.
//
// Properties checked beyond the sanitizers: GetRemaining never reports more
// than the stream can hold, and compression round-trips exactly.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "com/stream_interfaces.h"
#include "platform/platform.h"
#include "streams/envelope.h"
#include "streams/in_stream.h"

namespace {

constexpr int kMaxDepth = 24;
constexpr uint32_t kMaxCompressedRoundTrip = 1u << 16;

// A host object that loads whatever body it is given: it peeks, descends
// into records it finds, reads plain bytes in varying amounts, and now and
// then gives up early or fails, so that every exit path of ReadObject runs.
class Wanderer final : public IJPersist {
 public:
  explicit Wanderer(int depth) : depth_(depth) {}

  HRESULT ORV_STDCALL QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  uint32_t ORV_STDCALL AddRef() override { return 1; }
  uint32_t ORV_STDCALL Release() override { return 1; }
  HRESULT ORV_STDCALL GetClassID(GUID*) override { return E_FAIL; }
  HRESULT ORV_STDCALL GetVersion(uint16_t*) override { return E_FAIL; }
  HRESULT ORV_STDCALL Save(IJOutStream*) override { return E_FAIL; }

  HRESULT ORV_STDCALL Load(IJInStream* stream, uint16_t version) override {
    GUID id;
    stream->GetClassID(&id);
    for (uint32_t step = 0;; ++step) {
      uint32_t remaining = 0;
      if (stream->GetRemaining(&remaining) != S_OK) abort();
      if (remaining == 0) return S_OK;
      // The version decides how this object ends: reading it all, leaving
      // the rest unread, or failing (with a positive result, too).
      if ((version & 7) == 1 && step == 2) return S_OK;
      if ((version & 7) == 2 && step == 3) return 1;
      GUID next;
      if (depth_ < kMaxDepth && stream->PeekClassID(&next) == S_OK &&
          (next.Data1 & 1) == 0) {
        Wanderer child(depth_ + 1);
        HRESULT result = stream->ReadObject(&child);
        if (result != S_OK && (version & 8) != 0) return result;
        uint32_t left = 0;
        if (stream->GetRemaining(&left) != S_OK) abort();
        // A record refused before anything of it was read would be refused
        // again: go on with plain bytes instead of asking forever.
        if (left != remaining) continue;
      }
      uint8_t bytes[64];
      uint32_t count = 1 + (step * 7 + version) % sizeof(bytes);
      if (count > remaining) count = remaining;
      HRESULT result = stream->Read(bytes, count);
      if (result != S_OK) return result;
    }
  }

 private:
  int depth_;
};

void ReadTopLevel(IJInStream* stream, uint32_t limit) {
  for (;;) {
    uint32_t remaining = 0;
    if (stream->GetRemaining(&remaining) != S_OK) abort();
    if (remaining > limit) abort();
    if (remaining == 0) return;
    Wanderer object(0);
    if (stream->ReadObject(&object) == S_OK) continue;
    // Whatever the failure, a plain byte moves on (or ends the buffer).
    uint8_t byte;
    if (stream->Read(&byte, 1) != S_OK) return;
  }
}

void FuzzStream(const uint8_t* data, uint32_t size) {
  // An exact-size copy handed over, so any read past its end is caught.
  uint8_t* envelope =
      static_cast<uint8_t*>(orv::platform::Alloc(size != 0 ? size : 1));
  if (envelope == nullptr) return;
  if (size != 0) memcpy(envelope, data, size);
  CJInStream* made = nullptr;
  if (CJInStream::Create(envelope, size, true, &made) != S_OK) return;
  IJInStream* stream = made;
  stream->AddRef();
  // A compressed envelope inflates to at most 1032 bytes per byte of data
  // (plus slack); a plain one holds its own bytes.
  ReadTopLevel(stream, size * 1032u + 258u);
  stream->Release();
}

void FuzzCompression(const uint8_t* data, uint32_t size) {
  if (size == 0 || data[0] != 0 || size > kMaxCompressedRoundTrip) return;
  uint8_t* payload = static_cast<uint8_t*>(orv::platform::Alloc(size));
  if (payload == nullptr) return;
  memcpy(payload, data, size);
  uint32_t compressedSize = size;
  orv::CompressEnvelope(&payload, &compressedSize);
  if (payload[0] != 1) abort();
  uint8_t* inflated = nullptr;
  uint32_t length = 0;
  if (orv::InflateEnvelope(payload, compressedSize, &inflated, &length) !=
      S_OK) {
    abort();
  }
  if (length != size - 1) abort();
  if (length != 0 && memcmp(inflated, data + 1, length) != 0) abort();
  orv::platform::Free(inflated);
  orv::platform::Free(payload);
}

// Every pointer the fuzzer passes is valid, and the native checks cost a
// system call per page; the fuzzer's table answers them without one, so the
// time goes into the stream's own logic.
int32_t AlwaysReadable(const void*, uintptr_t) { return 0; }
int32_t AlwaysWritable(void*, uintptr_t) { return 0; }

const orv::platform::Api& FuzzApi() {
  static orv::platform::Api api = [] {
    orv::platform::Api table = orv::platform::NativeApi();
    table.isBadReadPtr = &AlwaysReadable;
    table.isBadWritePtr = &AlwaysWritable;
    return table;
  }();
  return api;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0xffffffffu / 1032u) return 0;
  orv::platform::ScopedApi guard(FuzzApi());
  FuzzStream(data, static_cast<uint32_t>(size));
  FuzzCompression(data, static_cast<uint32_t>(size));
  return 0;
}
