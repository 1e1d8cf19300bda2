#include "tests/doubles/fault_api.h"

#include <string.h>

#include <algorithm>
#include <utility>

namespace orv {
namespace testing {
namespace {

FaultApi* active = nullptr;

constexpr uint8_t kFreshByte = 0xa5;

}  // namespace

struct FaultApi::Operations {
  static const platform::Api& Inner() { return active->inner_; }

  static HFILE Opened(HFILE file) {
    if (file != HFILE_ERROR) active->open_handles_[file] = ++active->opened_;
    return file;
  }

  static HFILE Open(const char* path, int32_t mode) {
    if (active->Next(kOpen)) return HFILE_ERROR;
    return Opened(Inner().lopen(path, mode));
  }

  static HFILE Create(const char* path, int32_t attribute) {
    if (active->Next(kCreate)) return HFILE_ERROR;
    return Opened(Inner().lcreat(path, attribute));
  }

  // The count a transfer may move: 0 to fail, the fault's bytes to shorten.
  static bool Limit(Kind kind, int64_t* count) {
    const Fault* fault = active->Next(kind);
    if (fault == nullptr) return true;
    if (!fault->shorten) return false;
    if (fault->bytes < *count) *count = fault->bytes;
    return true;
  }

  static int32_t LRead(HFILE file, void* buffer, uint32_t count) {
    int64_t allowed = count;
    if (!Limit(kRead, &allowed)) return -1;
    return Inner().lread(file, buffer, static_cast<uint32_t>(allowed));
  }
  static int32_t HRead(HFILE file, void* buffer, int32_t count) {
    int64_t allowed = count;
    if (!Limit(kRead, &allowed)) return -1;
    return Inner().hread(file, buffer, static_cast<int32_t>(allowed));
  }
  static int32_t LWrite(HFILE file, const void* buffer, uint32_t count) {
    int64_t allowed = count;
    if (!Limit(kWrite, &allowed)) return -1;
    return Inner().lwrite(file, buffer, static_cast<uint32_t>(allowed));
  }
  static int32_t HWrite(HFILE file, const void* buffer, int32_t count) {
    int64_t allowed = count;
    if (!Limit(kWrite, &allowed)) return -1;
    return Inner().hwrite(file, buffer, static_cast<int32_t>(allowed));
  }

  static int32_t Seek(HFILE file, int32_t offset, int32_t origin) {
    if (active->Next(kSeek)) return -1;
    return Inner().llseek(file, offset, origin);
  }

  static HFILE Close(HFILE file) {
    const bool fail = active->Next(kClose) != nullptr;
    if (active->open_handles_.erase(file) == 0) ++active->stray_closes_;
    HFILE result = Inner().lclose(file);
    return fail ? HFILE_ERROR : result;
  }

  static int32_t Flush(HFILE file) {
    if (active->Next(kFlush)) return -1;
    return Inner().flush(file);
  }
  static int32_t Access(const char* path, int32_t mode) {
    if (active->Next(kAccess)) return -1;
    return Inner().access(path, mode);
  }
  static int32_t Unlink(const char* path) {
    if (active->Next(kUnlink)) return -1;
    return Inner().unlink(path);
  }
  static int32_t Rename(const char* from, const char* to) {
    if (active->Next(kRename)) return -1;
    return Inner().rename(from, to);
  }
  static int32_t Link(const char* existing, const char* link) {
    if (active->Next(kLink)) return -1;
    return Inner().link(existing, link);
  }
  static int32_t SyncDirectory(const char* path) {
    if (active->Next(kSyncDirectory)) return -1;
    return Inner().syncDirectory(path);
  }

  static int32_t IsBadReadPtr(const void* pointer, uintptr_t count) {
    return Inner().isBadReadPtr(pointer, count);
  }
  static int32_t IsBadWritePtr(void* pointer, uintptr_t count) {
    return Inner().isBadWritePtr(pointer, count);
  }

  static void* Alloc(size_t size) {
    if (active->Next(kAlloc)) return nullptr;
    void* block = Inner().alloc(size);
    if (block != nullptr) {
      memset(block, kFreshByte, size);
      active->blocks_[block] = size;
    }
    return block;
  }

  static void* Realloc(void* block, size_t size) {
    if (active->Next(kAlloc)) return nullptr;
    size_t old_size = 0;
    if (block != nullptr) {
      auto found = active->blocks_.find(block);
      if (found == active->blocks_.end()) {
        ++active->stray_frees_;
      } else {
        old_size = found->second;
      }
    }
    void* grown = Inner().realloc(block, size);
    if (grown == nullptr) return nullptr;  // the old block lives on
    if (block != nullptr) active->blocks_.erase(block);
    if (size > old_size) {
      memset(static_cast<char*>(grown) + old_size, kFreshByte,
             size - old_size);
    }
    active->blocks_[grown] = size;
    return grown;
  }

  static void Free(void* block) {
    if (block != nullptr && active->blocks_.erase(block) == 0) {
      ++active->stray_frees_;
    }
    Inner().free(block);
  }

  static const platform::Api kTable;
};

const platform::Api FaultApi::Operations::kTable = {
    Open,    Create, LRead, HRead,         LWrite,       HWrite,
    Seek,    Close,  Flush, Access,        Unlink,       Rename,
    Link,    SyncDirectory, IsBadReadPtr,  IsBadWritePtr, Alloc,
    Realloc, Free,
};

FaultApi::FaultApi(const platform::Api& inner)
    : inner_(inner),
      fired_(false),
      opened_(0),
      stray_closes_(0),
      stray_frees_(0),
      previous_active_(active) {
  Reset();
  active = this;
}

FaultApi::~FaultApi() {
  if (active == this) active = previous_active_;
}

const platform::Api& FaultApi::api() const { return Operations::kTable; }

void FaultApi::FailNth(Kind kind, int nth, Persistence persistence) {
  Fault& fault = faults_[kind];
  fault = Fault();
  fault.planned = true;
  fault.nth = nth;
  fault.persistence = persistence;
}

void FaultApi::ShortenNth(Kind kind, int nth, uint32_t bytes,
                          Persistence persistence) {
  FailNth(kind, nth, persistence);
  faults_[kind].shorten = true;
  faults_[kind].bytes = bytes;
}

void FaultApi::Reset() {
  for (int kind = 0; kind < kKindCount; ++kind) {
    counts_[kind] = 0;
    faults_[kind] = Fault();
  }
  fired_ = false;
}

const FaultApi::Fault* FaultApi::Next(Kind kind) {
  const int call = ++counts_[kind];
  const Fault& fault = faults_[kind];
  if (!fault.planned) return nullptr;
  const bool fires = fault.persistence == kOnce ? call == fault.nth
                                                : call >= fault.nth;
  if (!fires) return nullptr;
  fired_ = true;
  return &fault;
}

std::vector<HFILE> FaultApi::OpenHandles() const {
  std::vector<std::pair<int, HFILE>> ordered;
  for (const auto& entry : open_handles_) {
    ordered.push_back(std::make_pair(entry.second, entry.first));
  }
  std::sort(ordered.begin(), ordered.end());
  std::vector<HFILE> handles;
  for (const auto& entry : ordered) handles.push_back(entry.second);
  return handles;
}

}  // namespace testing
}  // namespace orv
