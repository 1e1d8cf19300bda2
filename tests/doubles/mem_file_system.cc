#include "tests/doubles/mem_file_system.h"

#include <string.h>

#include <set>

namespace orv {
namespace testing {

using platform::OpenRequest;

namespace {

MemFileSystem* active = nullptr;

bool ValidPath(const char* path) {
  return path != nullptr && strnlen(path, platform::kMaxPath) <
                                platform::kMaxPath;
}

}  // namespace

// One file; several names may share it (hard links).
struct MemFileSystem::Node {
  std::string bytes;    // current content
  std::string durable;  // content as of the last flush
};

struct MemFileSystem::Handle {
  std::shared_ptr<Node> node;
  OpenRequest request;
  int64_t position = 0;  // 0 to INT32_MAX
};

std::string MemFileSystem::Canonical(const std::string& path) {
#if defined(_WIN32)
  std::string key = path;
  for (char& c : key) {
    if (c == '/') c = '\\';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
#else
  return path;
#endif
}

std::string MemFileSystem::DirectoryOf(const std::string& key) {
#if defined(_WIN32)
  const size_t slash = key.find_last_of("\\:");
#else
  const size_t slash = key.rfind('/');
#endif
  return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

MemFileSystem::Node* MemFileSystem::Find(const std::string& path) const {
  auto found = names_.find(Canonical(path));
  return found == names_.end() ? nullptr : found->second.get();
}

MemFileSystem::Handle* MemFileSystem::FindHandle(HFILE file) {
  auto found = handles_.find(file);
  return found == handles_.end() ? nullptr : &found->second;
}

bool MemFileSystem::Held(const Node* node) const {
  for (const auto& entry : handles_) {
    if (entry.second.node.get() == node) return true;
  }
  return false;
}

bool MemFileSystem::Admits(const Node* node,
                           const OpenRequest& request) const {
  for (const auto& entry : handles_) {
    if (entry.second.node.get() == node &&
        platform::SharingConflicts(entry.second.request, request)) {
      return false;
    }
  }
  return true;
}

HFILE MemFileSystem::AddHandle(const std::shared_ptr<Node>& node,
                               const OpenRequest& request) {
  HFILE file = next_handle_;
  next_handle_ += 4;  // Win32 handle values step by 4
  Handle& handle = handles_[file];
  handle.node = node;
  handle.request = request;
  return file;
}

// The table's functions: each acts on the active instance.
struct MemFileSystem::Operations {
  static HFILE Open(const char* path, int32_t mode) {
    OpenRequest request;
    if (!ValidPath(path) || !platform::DecodeOpenMode(mode, &request)) {
      return HFILE_ERROR;
    }
    auto found = active->names_.find(Canonical(path));
    if (found == active->names_.end() ||
        !active->Admits(found->second.get(), request)) {
      return HFILE_ERROR;
    }
    return active->AddHandle(found->second, request);
  }

  static HFILE Create(const char* path, int32_t) {
    if (!ValidPath(path)) return HFILE_ERROR;
    const OpenRequest request = platform::CreateRequest();
    std::shared_ptr<Node>& node = active->names_[Canonical(path)];
    if (!node) {
      node = std::make_shared<Node>();
    } else if (!active->Admits(node.get(), request)) {
      return HFILE_ERROR;
    }
    node->bytes.clear();
    return active->AddHandle(node, request);
  }

  static int32_t ReadAt(HFILE file, void* buffer, int64_t count) {
    Handle* handle = active->FindHandle(file);
    if (handle == nullptr || !handle->request.read || count < 0 ||
        count > INT32_MAX) {
      return -1;
    }
    const std::string& bytes = handle->node->bytes;
    int64_t available = static_cast<int64_t>(bytes.size()) - handle->position;
    if (available < 0) available = 0;
    const int64_t got = count < available ? count : available;
    if (got > 0) {
      memcpy(buffer, bytes.data() + handle->position,
             static_cast<size_t>(got));
    }
    handle->position += got;
    return static_cast<int32_t>(got);
  }

  static int32_t WriteAt(HFILE file, const void* buffer, int64_t count) {
    Handle* handle = active->FindHandle(file);
    if (handle == nullptr || !handle->request.write || count < 0 ||
        count > INT32_MAX) {
      return -1;
    }
    std::string& bytes = handle->node->bytes;
    const int64_t end = handle->position + count;
    if (end > static_cast<int64_t>(kMaxFileSize)) return -1;
    if (count == 0) {  // cuts or extends the file at the position
      bytes.resize(static_cast<size_t>(end));
      return 0;
    }
    if (static_cast<int64_t>(bytes.size()) < end) {
      bytes.resize(static_cast<size_t>(end));
    }
    memcpy(&bytes[static_cast<size_t>(handle->position)], buffer,
           static_cast<size_t>(count));
    handle->position = end;
    return static_cast<int32_t>(count);
  }

  static int32_t LRead(HFILE file, void* buffer, uint32_t count) {
    return ReadAt(file, buffer, count);
  }
  static int32_t HRead(HFILE file, void* buffer, int32_t count) {
    return ReadAt(file, buffer, count);
  }
  static int32_t LWrite(HFILE file, const void* buffer, uint32_t count) {
    return WriteAt(file, buffer, count);
  }
  static int32_t HWrite(HFILE file, const void* buffer, int32_t count) {
    return WriteAt(file, buffer, count);
  }

  static int32_t Seek(HFILE file, int32_t offset, int32_t origin) {
    Handle* handle = active->FindHandle(file);
    if (handle == nullptr) return -1;
    int64_t base;
    switch (origin) {
      case platform::kSeekSet:
        base = 0;
        break;
      case platform::kSeekCurrent:
        base = handle->position;
        break;
      case platform::kSeekEnd:
        base = static_cast<int64_t>(handle->node->bytes.size());
        break;
      default:
        return -1;
    }
    const int64_t target = base + offset;
    if (target < 0 || target > INT32_MAX) return -1;
    handle->position = target;
    return static_cast<int32_t>(target);
  }

  static HFILE Close(HFILE file) {
    return active->handles_.erase(file) == 1 ? 0 : HFILE_ERROR;
  }

  static int32_t Flush(HFILE file) {
    Handle* handle = active->FindHandle(file);
    if (handle == nullptr) return -1;
    handle->node->durable = handle->node->bytes;
    return 0;
  }

  static int32_t Access(const char* path, int32_t mode) {
    if (!ValidPath(path) || (mode != 0 && mode != 2 && mode != 4 && mode != 6))
      return -1;
    return active->Find(path) != nullptr ? 0 : -1;
  }

  static int32_t Unlink(const char* path) {
    if (!ValidPath(path)) return -1;
    Node* node = active->Find(path);
    if (node == nullptr || active->Held(node)) return -1;
    active->names_.erase(Canonical(path));
    return 0;
  }

  static int32_t Rename(const char* from, const char* to) {
    if (!ValidPath(from) || !ValidPath(to)) return -1;
    auto source = active->names_.find(Canonical(from));
    if (source == active->names_.end() || active->Held(source->second.get())) {
      return -1;
    }
    Node* target = active->Find(to);
    if (target != nullptr && active->Held(target)) return -1;
    if (target == source->second.get()) return 0;  // two names of one file
    std::shared_ptr<Node> node = source->second;
    active->names_.erase(source);
    active->names_[Canonical(to)] = node;
    return 0;
  }

  static int32_t Link(const char* existing, const char* link) {
    if (!ValidPath(existing) || !ValidPath(link)) return -1;
    auto source = active->names_.find(Canonical(existing));
    if (source == active->names_.end() || active->Find(link) != nullptr) {
      return -1;
    }
    std::shared_ptr<Node> node = source->second;
    active->names_[Canonical(link)] = node;
    return 0;
  }

  static int32_t SyncDirectory(const char* path) {
    if (!ValidPath(path)) return -1;
    const std::string directory = DirectoryOf(Canonical(path));
    Directory& durable = active->durable_names_;
    for (auto it = durable.begin(); it != durable.end();) {
      it = DirectoryOf(it->first) == directory ? durable.erase(it) : ++it;
    }
    for (const auto& entry : active->names_) {
      if (DirectoryOf(entry.first) == directory) durable.insert(entry);
    }
    return 0;
  }

  static int32_t IsBadReadPtr(const void* pointer, uintptr_t count) {
    return platform::NativeApi().isBadReadPtr(pointer, count);
  }
  static int32_t IsBadWritePtr(void* pointer, uintptr_t count) {
    return platform::NativeApi().isBadWritePtr(pointer, count);
  }
  static void* Alloc(size_t size) { return platform::NativeApi().alloc(size); }
  static void* Realloc(void* block, size_t size) {
    return platform::NativeApi().realloc(block, size);
  }
  static void Free(void* block) { platform::NativeApi().free(block); }

  static const platform::Api kTable;
};

const platform::Api MemFileSystem::Operations::kTable = {
    Open,   Create, LRead,  HRead,         LWrite,       HWrite,
    Seek,   Close,  Flush,  Access,        Unlink,       Rename,
    Link,   SyncDirectory,  IsBadReadPtr,  IsBadWritePtr, Alloc,
    Realloc, Free,
};

MemFileSystem::MemFileSystem()
    : next_handle_(0x100), previous_active_(active) {
  active = this;
}

MemFileSystem::~MemFileSystem() {
  if (active == this) active = previous_active_;
}

const platform::Api& MemFileSystem::api() const { return Operations::kTable; }

bool MemFileSystem::Exists(const std::string& path) const {
  return Find(path) != nullptr;
}

std::string MemFileSystem::Bytes(const std::string& path) const {
  Node* node = Find(path);
  return node == nullptr ? std::string() : node->bytes;
}

void MemFileSystem::SetBytes(const std::string& path,
                             const std::string& bytes) {
  std::shared_ptr<Node>& node = names_[Canonical(path)];
  if (!node) node = std::make_shared<Node>();
  node->bytes = bytes;
}

bool MemFileSystem::CorruptByte(const std::string& path, size_t offset,
                                uint8_t mask) {
  Node* node = Find(path);
  if (node == nullptr || offset >= node->bytes.size()) return false;
  node->bytes[offset] = static_cast<char>(node->bytes[offset] ^ mask);
  return true;
}

bool MemFileSystem::Truncate(const std::string& path, size_t size) {
  Node* node = Find(path);
  if (node == nullptr) return false;
  node->bytes.resize(size);
  return true;
}

bool MemFileSystem::Remove(const std::string& path) {
  return names_.erase(Canonical(path)) == 1;
}

std::vector<std::string> MemFileSystem::Files() const {
  std::vector<std::string> files;
  for (const auto& entry : names_) files.push_back(entry.first);
  return files;
}

void MemFileSystem::Crash() {
  handles_.clear();
  std::set<Node*> nodes;
  for (const auto& entry : names_) nodes.insert(entry.second.get());
  for (const auto& entry : durable_names_) nodes.insert(entry.second.get());
  for (Node* node : nodes) node->bytes = node->durable;
  names_ = durable_names_;
}

void MemFileSystem::SyncAll() {
  durable_names_ = names_;
  for (const auto& entry : names_) entry.second->durable = entry.second->bytes;
}

}  // namespace testing
}  // namespace orv
