// Fuzzes reading and saving an untrusted container file: the header, every
// list table (lazily loaded while the tree is walked), every name and every
// payload (read through input streams), and a save of the whole tree, all
// over a file kept in memory behind the platform seam.
//
// Properties checked beyond the sanitizers:
// - no allocation is larger than the file's own size justifies (a name of
//   at most 65535 bytes, a payload no larger than the file, its compressed
//   form a little larger, and what a payload inflates to: a zlib stream
//   expands at most 1032 to 1);
// - a save that succeeds writes a file that opens, walks and saves again to
//   the very same bytes.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "com/iids.h"
#include "com/orv_interfaces.h"
#include "com/stream_interfaces.h"
#include "module/file_system.h"
#include "platform/platform.h"

namespace {

namespace platform = orv::platform;

constexpr char kBox[] = "/f/box.orv";
constexpr int kMaxVisits = 4096;

// The largest allocation a file of `size` bytes may cause (see above).
size_t AllocationLimit(size_t size) { return (size + 1) * 1032 + 65536 + 4096; }

// --- A file system in memory: one flat name space, no sharing rules. ------

struct Files {
  std::map<std::string, std::shared_ptr<std::string>> names;
  struct Open {
    std::shared_ptr<std::string> file;
    int64_t position = 0;
  };
  std::map<HFILE, Open> handles;
  HFILE next = 0x100;
  size_t allocationLimit = 0;
};

Files* files = nullptr;

Files::Open* Find(HFILE handle) {
  auto found = files->handles.find(handle);
  return found == files->handles.end() ? nullptr : &found->second;
}

HFILE AddHandle(const std::shared_ptr<std::string>& file) {
  HFILE handle = files->next;
  files->next += 4;
  files->handles[handle].file = file;
  return handle;
}

HFILE Lopen(const char* path, int32_t) {
  auto found = files->names.find(path);
  return found == files->names.end() ? HFILE_ERROR : AddHandle(found->second);
}

HFILE Lcreat(const char* path, int32_t) {
  std::shared_ptr<std::string>& file = files->names[path];
  if (!file) file = std::make_shared<std::string>();
  file->clear();
  return AddHandle(file);
}

int32_t Read(HFILE handle, void* buffer, int64_t count) {
  Files::Open* open = Find(handle);
  if (open == nullptr || count < 0) return -1;
  const int64_t size = static_cast<int64_t>(open->file->size());
  int64_t got = size - open->position;
  if (got < 0) got = 0;
  if (got > count) got = count;
  if (got > 0) memcpy(buffer, open->file->data() + open->position, got);
  open->position += got;
  return static_cast<int32_t>(got);
}

int32_t Write(HFILE handle, const void* buffer, int64_t count) {
  Files::Open* open = Find(handle);
  if (open == nullptr || count <= 0) return -1;
  std::string& file = *open->file;
  const size_t end = static_cast<size_t>(open->position + count);
  if (end > (64u << 20)) return -1;
  if (file.size() < end) file.resize(end);
  memcpy(&file[static_cast<size_t>(open->position)], buffer,
         static_cast<size_t>(count));
  open->position += count;
  return static_cast<int32_t>(count);
}

int32_t Lread(HFILE h, void* b, uint32_t c) { return Read(h, b, c); }
int32_t Hread(HFILE h, void* b, int32_t c) { return Read(h, b, c); }
int32_t Lwrite(HFILE h, const void* b, uint32_t c) { return Write(h, b, c); }
int32_t Hwrite(HFILE h, const void* b, int32_t c) { return Write(h, b, c); }

int32_t Llseek(HFILE handle, int32_t offset, int32_t origin) {
  Files::Open* open = Find(handle);
  if (open == nullptr) return -1;
  int64_t base = origin == platform::kSeekSet       ? 0
                 : origin == platform::kSeekCurrent ? open->position
                 : origin == platform::kSeekEnd
                     ? static_cast<int64_t>(open->file->size())
                     : -1;
  if (base < 0) return -1;
  const int64_t target = base + offset;
  if (target < 0 || target > INT32_MAX) return -1;
  open->position = target;
  return static_cast<int32_t>(target);
}

HFILE Lclose(HFILE handle) {
  return files->handles.erase(handle) == 1 ? 0 : HFILE_ERROR;
}
int32_t Flush(HFILE handle) { return Find(handle) ? 0 : -1; }
int32_t Access(const char* path, int32_t) {
  return files->names.count(path) ? 0 : -1;
}
int32_t Unlink(const char* path) {
  return files->names.erase(path) == 1 ? 0 : -1;
}
int32_t Rename(const char* from, const char* to) {
  auto found = files->names.find(from);
  if (found == files->names.end()) return -1;
  std::shared_ptr<std::string> file = found->second;
  files->names.erase(found);
  files->names[to] = file;
  return 0;
}
int32_t Link(const char* existing, const char* link) {
  auto found = files->names.find(existing);
  if (found == files->names.end() || files->names.count(link)) return -1;
  files->names[link] = found->second;
  return 0;
}
int32_t SyncDirectory(const char*) { return 0; }
int32_t IsBadReadPtr(const void* p, uintptr_t n) {
  return platform::NativeApi().isBadReadPtr(p, n);
}
int32_t IsBadWritePtr(void* p, uintptr_t n) {
  return platform::NativeApi().isBadWritePtr(p, n);
}
void CheckSize(size_t size) {
  if (size > files->allocationLimit) abort();  // the file cannot justify it
}
void* Alloc(size_t size) {
  CheckSize(size);
  return malloc(size == 0 ? 1 : size);
}
void* Realloc(void* block, size_t size) {
  CheckSize(size);
  return realloc(block, size == 0 ? 1 : size);
}
void Free(void* block) { free(block); }

const platform::Api kMemoryApi = {
    Lopen,  Lcreat, Lread,  Hread,         Lwrite,       Hwrite,
    Llseek, Lclose, Flush,  Access,        Unlink,       Rename,
    Link,   SyncDirectory,  IsBadReadPtr,  IsBadWritePtr, Alloc,
    Realloc, Free,
};

// --- Walking what the file holds ------------------------------------------

template <class T>
void Drop(T*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

void ReadPayload(IORVEntry* entry) {
  IJInStream* stream = nullptr;
  if (entry->OpenInputStream(&stream) != S_OK || stream == nullptr) return;
  uint32_t remaining = 0;
  if (stream->GetRemaining(&remaining) != S_OK) abort();
  std::vector<uint8_t> bytes(remaining);
  if (remaining > 0 && stream->Read(bytes.data(), remaining) != S_OK) abort();
  Drop(stream);
}

// Visits the tree below `root` depth first without recursion, reading
// every name and payload and looking every name up again.
void Walk(IORVRoot* root) {
  std::vector<IUnknown*> pending;  // each holds one reference
  root->AddRef();
  pending.push_back(root);
  int visits = 0;
  while (!pending.empty()) {
    IUnknown* list = pending.back();
    pending.pop_back();
    IObjectList* objects = nullptr;
    IORVList* lookup = nullptr;
    if (++visits <= kMaxVisits &&
        list->QueryInterface(IID_IObjectList, reinterpret_cast<void**>(&objects)) == S_OK &&
        list->QueryInterface(IID_IORVList, reinterpret_cast<void**>(&lookup)) == S_OK) {
      IORVEntry* entry = nullptr;
      objects->GetFirst(reinterpret_cast<void**>(&entry), IID_IORVEntry);
      while (entry != nullptr) {
        char name[65535];
        uint16_t length = sizeof(name);
        if (entry->GetName(name, &length) != S_OK) abort();
        IORVEntry* found = nullptr;
        if (lookup->FindEntry(&found, name, length) != S_OK || found == nullptr) {
          abort();  // a loaded list finds each of its names
        }
        Drop(found);
        ReadPayload(entry);
        entry->AddRef();
        pending.push_back(entry);
        IORVEntry* next = nullptr;
        objects->GetNext(reinterpret_cast<void**>(&next), IID_IORVEntry, entry);
        Drop(entry);
        entry = next;
      }
    }
    Drop(objects);
    Drop(lookup);
    list->Release();
  }
}

IORVRoot* Open(IORVFileSystem* system, const char* path) {
  IORVRoot* root = nullptr;
  system->OpenRoot(&root, path, 0, platform::kOpenReadWrite | platform::kShareDenyWrite);
  return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Files memory;
  memory.names[kBox] = std::make_shared<std::string>(
      reinterpret_cast<const char*>(data), size);
  memory.allocationLimit = AllocationLimit(size);
  files = &memory;
  {
    platform::ScopedApi guard(kMemoryApi);
    CORVFileSystem* made = new (std::nothrow) CORVFileSystem(nullptr);
    IORVFileSystem* system = made;
    system->AddRef();
    system->IsContainerFile(kBox);

    IORVRoot* root = Open(system, kBox);
    if (root != nullptr) {
      Walk(root);
      const HRESULT saved = root->Save(0, 1, nullptr);
      Drop(root);
      if (saved == S_OK) {
        // What a save wrote opens, walks, and saves to the same bytes.
        const std::string first = *memory.names[kBox];
        memory.allocationLimit = AllocationLimit(first.size());
        root = Open(system, kBox);
        if (root == nullptr) abort();
        Walk(root);
        if (root->Save(0, 0, nullptr) != S_OK) abort();
        Drop(root);
        if (*memory.names[kBox] != first) abort();
      }
    }
    Drop(system);
    if (!memory.handles.empty()) abort();  // every handle closed
  }
  files = nullptr;
  return 0;
}
