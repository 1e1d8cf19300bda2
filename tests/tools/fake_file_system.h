// A file-system object for the tool's tests: answers GetInfo and
// IsContainerFile with what the test set, and records what it was asked.
#ifndef ORV_TESTS_TOOLS_FAKE_FILE_SYSTEM_H_
#define ORV_TESTS_TOOLS_FAKE_FILE_SYSTEM_H_

#include <string.h>

#include <string>

#include "com/orv_interfaces.h"

namespace orv {
namespace testing {

// Lives on the stack of a test; counts references only so that a test can
// see that the tool gives back what it takes.
class FakeFileSystem : public IORVFileSystem {
 public:
  uint8_t descriptor[178] = {};
  HRESULT infoResult = S_OK;       // GetInfo copies only when this is S_OK
  HRESULT containerResult = S_OK;  // what IsContainerFile returns
  std::string probedPath;          // the last path IsContainerFile got
  int32_t references = 0;

  HRESULT ORV_STDCALL QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  uint32_t ORV_STDCALL AddRef() override { return ++references; }
  uint32_t ORV_STDCALL Release() override { return --references; }
  HRESULT ORV_STDCALL GetInfo(void* buffer) override {
    if (infoResult == S_OK) memcpy(buffer, descriptor, sizeof(descriptor));
    return infoResult;
  }
  HRESULT ORV_STDCALL IsContainerFile(const char* path) override {
    probedPath = path;
    return containerResult;
  }
  HRESULT ORV_STDCALL OpenRoot(IORVRoot** root, const char*, int32_t,
                               int32_t) override {
    *root = nullptr;
    return E_FAIL;
  }
};

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_TOOLS_FAKE_FILE_SYSTEM_H_
