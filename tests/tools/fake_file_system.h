// A file-system object for the tool's tests: answers GetInfo and
// IsContainerFile with what the test set, opens and creates FakeTrees
// (fake_container.h) by path, and records what it was asked.
#ifndef ORV_TESTS_TOOLS_FAKE_FILE_SYSTEM_H_
#define ORV_TESTS_TOOLS_FAKE_FILE_SYSTEM_H_

#include <string.h>

#include <map>
#include <memory>
#include <string>

#include "com/orv_interfaces.h"
#include "tests/tools/fake_container.h"

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

  // The containers OpenRoot opens, by path; a create replaces the tree.
  std::map<std::string, std::unique_ptr<FakeTree>> containers;
  HRESULT openResult = S_OK;  // a failure here fails every OpenRoot
  int opens = 0;
  int32_t lastCreate = -1;
  int32_t lastMode = -1;

  // The tree at `path`, made empty if there is none yet.
  FakeTree& Container(const std::string& path) {
    std::unique_ptr<FakeTree>& tree = containers[path];
    if (!tree) tree.reset(new FakeTree);
    return *tree;
  }

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
  // Opens the tree at `path` (E_ACCESSDENIED when there is none) or, with
  // `create`, makes a new empty one there.
  HRESULT ORV_STDCALL OpenRoot(IORVRoot** root, const char* path,
                               int32_t create, int32_t mode) override {
    ++opens;
    lastCreate = create;
    lastMode = mode;
    *root = nullptr;
    if (FAILED(openResult)) return openResult;
    if (create != 0) containers[path].reset(new FakeTree);
    auto found = containers.find(path);
    if (found == containers.end()) return E_ACCESSDENIED;
    FakeNode* node = found->second->root();
    node->AddRef();
    *root = node;
    return S_OK;
  }
};

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_TOOLS_FAKE_FILE_SYSTEM_H_
