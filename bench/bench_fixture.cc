#include "bench/bench_fixture.h"

#include <stdio.h>
#include <stdlib.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

#include "com/iids.h"
#include "module/file_system.h"

namespace orv {
namespace bench {
namespace {

[[noreturn]] void Die(const char* what, HRESULT result) {
  fprintf(stderr, "benchmark set-up failed: %s (0x%08x)\n", what,
          static_cast<unsigned>(result));
  abort();
}

void Check(HRESULT result, const char* what) {
  if (FAILED(result)) Die(what, result);
}

int RemoveOne(const char* path, const struct stat*, int, struct FTW*) {
  return remove(path);
}

char scratch[] = "/tmp/orv-bench-XXXXXX";

void RemoveScratch() { nftw(scratch, RemoveOne, 16, FTW_DEPTH | FTW_PHYS); }

std::string MakeScratchDirectory() {
  if (mkdtemp(scratch) == nullptr) Die("mkdtemp", E_FAIL);
  atexit(RemoveScratch);
  return scratch;
}

}  // namespace

std::string ScratchPath(const std::string& name) {
  static const std::string directory = MakeScratchDirectory();
  return directory + "/" + name;
}

IORVFileSystem* FileSystem() {
  static IORVFileSystem* fileSystem = [] {
    CORVFileSystem* made = new (std::nothrow) CORVFileSystem(nullptr);
    if (made == nullptr) Die("file system", E_OUTOFMEMORY);
    IORVFileSystem* held = made;
    held->AddRef();
    return held;
  }();
  return fileSystem;
}

std::vector<uint8_t> SamplePayload(size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    uint32_t record = static_cast<uint32_t>(i / 16) + seed;
    bytes[i] = (i % 16 < 4) ? static_cast<uint8_t>(record >> (8 * (i % 4)))
                            : static_cast<uint8_t>("field-value:"[i % 12]);
  }
  return bytes;
}

void WritePayload(IORVEntry* entry, const std::vector<uint8_t>& bytes) {
  IJOutStream* out = nullptr;
  Check(entry->OpenOutputStream(&out), "OpenOutputStream");
  Check(out->Write(bytes.data(), static_cast<uint32_t>(bytes.size())),
        "Write");
  out->Release();
}

IORVRoot* BuildFlatContainer(const std::string& path, int entries,
                             size_t payloadSize) {
  unlink(path.c_str());
  IORVRoot* root = nullptr;
  Check(FileSystem()->OpenRoot(&root, path.c_str(), 1, 0), "create");
  IORVList* list = nullptr;
  IObjectList* objects = nullptr;
  Check(root->QueryInterface(IID_IORVList, reinterpret_cast<void**>(&list)),
        "IORVList");
  Check(root->QueryInterface(IID_IObjectList,
                             reinterpret_cast<void**>(&objects)),
        "IObjectList");
  IUnknown* last = nullptr;
  for (int i = 0; i < entries; ++i) {
    IORVEntry* entry = nullptr;
    Check(list->CreateEntry(&entry), "CreateEntry");
    std::string name = "e" + std::to_string(i);
    Check(entry->SetName(name.data(), static_cast<uint16_t>(name.size())),
          "SetName");
    if (payloadSize > 0) WritePayload(entry, SamplePayload(payloadSize, i));
    Check(objects->Insert(entry, last), "Insert");
    if (last != nullptr) last->Release();
    last = entry;
  }
  if (last != nullptr) last->Release();
  objects->Release();
  list->Release();
  Check(root->Save(0, 0, nullptr), "Save");
  return root;
}

IORVRoot* OpenContainer(const std::string& path) {
  IORVRoot* root = nullptr;
  Check(FileSystem()->OpenRoot(&root, path.c_str(), 0, 0x22), "open");
  return root;
}

uint64_t FileSize(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? static_cast<uint64_t>(info.st_size)
                                        : 0;
}

}  // namespace bench
}  // namespace orv
