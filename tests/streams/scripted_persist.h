// ScriptedPersist: a host object for stream tests whose Save and Load follow
// a script, so that one small class covers every way a host object can use
// a stream: plain bytes, nested records, looking at the stream's counts, and
// a chosen result.
//
//   ScriptedPersist inner(ClassIdOf(2));
//   inner.Bytes(3);
//   ScriptedPersist outer(ClassIdOf(1));
//   outer.Bytes(2).Nest(&inner).Returns(S_OK);
//   stream->WriteObject(&outer);   // a 27-byte body holding a 25-byte record
//
// Save writes each Bytes(n) step as n pattern bytes and each Nest step with
// WriteObject; Load reads each Bytes(n) step with Read and each Nest step
// with ReadObject, and records what it read and what Observe steps saw. The
// first failing stream call ends the script and its result is returned
// (unless KeepGoing); otherwise the object returns Returns()'s result. Objects live on the test's
// stack: reference counting is a no-op.
#ifndef ORV_TESTS_STREAMS_SCRIPTED_PERSIST_H_
#define ORV_TESTS_STREAMS_SCRIPTED_PERSIST_H_

#include <stdint.h>

#include <vector>

#include "com/stream_interfaces.h"

namespace orv {
namespace testing {

// A class id whose every byte is `tag`.
GUID ClassIdOf(uint8_t tag);

// The byte that Bytes steps write at offset `i` of an object's body data,
// seeded by the object's tag so that bodies of different objects differ.
uint8_t PatternByte(uint8_t tag, uint32_t i);

// What the stream reported at an Observe step of Load.
struct Observation {
  uint32_t remaining = 0;
  HRESULT remainingResult = S_OK;
  GUID classId = {};
  GUID peeked = {};
  HRESULT peekResult = S_OK;
};

class ScriptedPersist final : public IJPersist {
 public:
  explicit ScriptedPersist(const GUID& classId, uint16_t version = 1);

  // Script building; each returns *this for chaining.
  ScriptedPersist& Bytes(uint32_t count);
  ScriptedPersist& Nest(ScriptedPersist* child);
  ScriptedPersist& Observe();
  ScriptedPersist& Returns(HRESULT result);
  ScriptedPersist& FailGetClassID(HRESULT result);
  ScriptedPersist& FailGetVersion(HRESULT result);
  // Load and Save go on with the next step after a failing stream call
  // instead of returning its result.
  ScriptedPersist& KeepGoing();

  // What the object did and saw.
  int loads() const { return loads_; }
  int saves() const { return saves_; }
  uint16_t loadedVersion() const { return loadedVersion_; }
  const std::vector<uint8_t>& loadedBytes() const { return loadedBytes_; }
  const std::vector<Observation>& observations() const {
    return observations_;
  }
  // The result of each Bytes and Nest step that Load or Save ran.
  const std::vector<HRESULT>& stepResults() const { return stepResults_; }
  // The bytes Save writes for the Bytes steps, in order (nested records
  // excluded): what a faithful Load reads back.
  std::vector<uint8_t> ExpectedBytes() const;

  // IUnknown: the object is not reference counted.
  HRESULT ORV_STDCALL QueryInterface(REFIID iid, void** out) override;
  uint32_t ORV_STDCALL AddRef() override { return 1; }
  uint32_t ORV_STDCALL Release() override { return 1; }

  // IJPersist.
  HRESULT ORV_STDCALL GetClassID(GUID* classId) override;
  HRESULT ORV_STDCALL GetVersion(uint16_t* version) override;
  HRESULT ORV_STDCALL Load(IJInStream* stream, uint16_t version) override;
  HRESULT ORV_STDCALL Save(IJOutStream* stream) override;

 private:
  enum class Kind { kBytes, kNest, kObserve };
  struct Step {
    Kind kind;
    uint32_t count;
    ScriptedPersist* child;
  };

  GUID classId_;
  uint16_t version_;
  HRESULT classIdResult_ = S_OK;
  HRESULT versionResult_ = S_OK;
  HRESULT result_ = S_OK;
  bool keepGoing_ = false;
  std::vector<Step> steps_;

  int loads_ = 0;
  int saves_ = 0;
  uint16_t loadedVersion_ = 0;
  std::vector<uint8_t> loadedBytes_;
  std::vector<Observation> observations_;
  std::vector<HRESULT> stepResults_;
};

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_STREAMS_SCRIPTED_PERSIST_H_
