#include "tests/streams/scripted_persist.h"

#include <string.h>

namespace orv {
namespace testing {

GUID ClassIdOf(uint8_t tag) {
  GUID id;
  memset(&id, tag, sizeof(id));
  return id;
}

uint8_t PatternByte(uint8_t tag, uint32_t i) {
  return static_cast<uint8_t>(tag * 31 + i * 7 + 1);
}

ScriptedPersist::ScriptedPersist(const GUID& classId, uint16_t version)
    : classId_(classId), version_(version) {}

ScriptedPersist& ScriptedPersist::Bytes(uint32_t count) {
  steps_.push_back({Kind::kBytes, count, nullptr});
  return *this;
}

ScriptedPersist& ScriptedPersist::Nest(ScriptedPersist* child) {
  steps_.push_back({Kind::kNest, 0, child});
  return *this;
}

ScriptedPersist& ScriptedPersist::Observe() {
  steps_.push_back({Kind::kObserve, 0, nullptr});
  return *this;
}

ScriptedPersist& ScriptedPersist::Returns(HRESULT result) {
  result_ = result;
  return *this;
}

ScriptedPersist& ScriptedPersist::KeepGoing() {
  keepGoing_ = true;
  return *this;
}

ScriptedPersist& ScriptedPersist::FailGetClassID(HRESULT result) {
  classIdResult_ = result;
  return *this;
}

ScriptedPersist& ScriptedPersist::FailGetVersion(HRESULT result) {
  versionResult_ = result;
  return *this;
}

std::vector<uint8_t> ScriptedPersist::ExpectedBytes() const {
  std::vector<uint8_t> bytes;
  for (const Step& step : steps_) {
    if (step.kind != Kind::kBytes) continue;
    for (uint32_t i = 0; i < step.count; ++i) {
      bytes.push_back(PatternByte(classId_.Data4[0],
                                  static_cast<uint32_t>(bytes.size())));
    }
  }
  return bytes;
}

HRESULT ORV_STDCALL ScriptedPersist::QueryInterface(REFIID, void** out) {
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT ORV_STDCALL ScriptedPersist::GetClassID(GUID* classId) {
  if (classIdResult_ != S_OK) return classIdResult_;
  *classId = classId_;
  return S_OK;
}

HRESULT ORV_STDCALL ScriptedPersist::GetVersion(uint16_t* version) {
  if (versionResult_ != S_OK) return versionResult_;
  *version = version_;
  return S_OK;
}

HRESULT ORV_STDCALL ScriptedPersist::Load(IJInStream* stream,
                                          uint16_t version) {
  ++loads_;
  loadedVersion_ = version;
  for (const Step& step : steps_) {
    HRESULT result = S_OK;
    switch (step.kind) {
      case Kind::kBytes: {
        std::vector<uint8_t> bytes(step.count);
        result = stream->Read(bytes.data(), step.count);
        if (result == S_OK) {
          loadedBytes_.insert(loadedBytes_.end(), bytes.begin(), bytes.end());
        }
        break;
      }
      case Kind::kNest:
        result = stream->ReadObject(step.child);
        break;
      case Kind::kObserve: {
        Observation seen;
        seen.remainingResult = stream->GetRemaining(&seen.remaining);
        stream->GetClassID(&seen.classId);
        seen.peekResult = stream->PeekClassID(&seen.peeked);
        observations_.push_back(seen);
        continue;
      }
    }
    stepResults_.push_back(result);
    if (result != S_OK && !keepGoing_) return result;
  }
  return result_;
}

HRESULT ORV_STDCALL ScriptedPersist::Save(IJOutStream* stream) {
  ++saves_;
  uint32_t written = 0;
  for (const Step& step : steps_) {
    HRESULT result = S_OK;
    switch (step.kind) {
      case Kind::kBytes: {
        std::vector<uint8_t> bytes(step.count);
        for (uint32_t i = 0; i < step.count; ++i) {
          bytes[i] = PatternByte(classId_.Data4[0], written + i);
        }
        written += step.count;
        result = stream->Write(bytes.data(), step.count);
        break;
      }
      case Kind::kNest:
        result = stream->WriteObject(step.child);
        break;
      case Kind::kObserve:
        continue;
    }
    stepResults_.push_back(result);
    if (result != S_OK && !keepGoing_) return result;
  }
  return result_;
}

}  // namespace testing
}  // namespace orv
