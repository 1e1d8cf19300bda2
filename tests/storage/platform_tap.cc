#include "tests/storage/platform_tap.h"

#include <utility>

namespace orv {
namespace testing {
namespace {

PlatformTap* active = nullptr;

}  // namespace

struct PlatformTap::Operations {
  static const platform::Api& Inner() { return active->inner_; }

  static HFILE Open(const char* path, int32_t mode) {
    return active->Pass() ? Inner().lopen(path, mode) : HFILE_ERROR;
  }
  static HFILE Create(const char* path, int32_t attribute) {
    return active->Pass() ? Inner().lcreat(path, attribute) : HFILE_ERROR;
  }
  static int32_t Delivered(int32_t read) {
    if (read > 0) active->bytes_read_ += read;
    return read;
  }
  static int32_t LRead(HFILE file, void* buffer, uint32_t count) {
    return active->Pass() ? Delivered(Inner().lread(file, buffer, count)) : -1;
  }
  static int32_t HRead(HFILE file, void* buffer, int32_t count) {
    return active->Pass() ? Delivered(Inner().hread(file, buffer, count)) : -1;
  }
  static int32_t LWrite(HFILE file, const void* buffer, uint32_t count) {
    return active->Pass() ? Inner().lwrite(file, buffer, count) : -1;
  }
  static int32_t HWrite(HFILE file, const void* buffer, int32_t count) {
    return active->Pass() ? Inner().hwrite(file, buffer, count) : -1;
  }
  static int32_t Seek(HFILE file, int32_t offset, int32_t origin) {
    return active->Pass() ? Inner().llseek(file, offset, origin) : -1;
  }
  static HFILE Close(HFILE file) {
    return active->Pass() ? Inner().lclose(file) : HFILE_ERROR;
  }
  static int32_t Flush(HFILE file) {
    return active->Pass() ? Inner().flush(file) : -1;
  }
  static int32_t Access(const char* path, int32_t mode) {
    return active->Pass() ? Inner().access(path, mode) : -1;
  }
  static int32_t Unlink(const char* path) {
    return active->Pass() ? Inner().unlink(path) : -1;
  }
  static int32_t Rename(const char* from, const char* to) {
    return active->Pass() ? Inner().rename(from, to) : -1;
  }
  static int32_t Link(const char* existing, const char* link) {
    return active->Pass() ? Inner().link(existing, link) : -1;
  }
  static int32_t SyncDirectory(const char* path) {
    return active->Pass() ? Inner().syncDirectory(path) : -1;
  }
  static int32_t IsBadReadPtr(const void* pointer, uintptr_t count) {
    return Inner().isBadReadPtr(pointer, count);
  }
  static int32_t IsBadWritePtr(void* pointer, uintptr_t count) {
    return Inner().isBadWritePtr(pointer, count);
  }
  static void* Alloc(size_t size) {
    if (size > active->largest_) active->largest_ = size;
    void* block = Inner().alloc(size);
    active->Track(nullptr, block, size);
    return block;
  }
  static void* Realloc(void* block, size_t size) {
    if (size > active->largest_) active->largest_ = size;
    void* moved = Inner().realloc(block, size);
    if (moved != nullptr) active->Track(block, moved, size);
    return moved;
  }
  static void Free(void* block) {
    active->Track(block, nullptr, 0);
    Inner().free(block);
  }

  static const platform::Api kTable;
};

const platform::Api PlatformTap::Operations::kTable = {
    Open,    Create, LRead,  HRead,         LWrite,        HWrite,
    Seek,    Close,  Flush,  Access,        Unlink,        Rename,
    Link,    SyncDirectory,  IsBadReadPtr,  IsBadWritePtr, Alloc,
    Realloc, Free,
};

PlatformTap::PlatformTap(const platform::Api& inner)
    : inner_(inner), previous_active_(active) {
  active = this;
}

PlatformTap::~PlatformTap() {
  if (active == this) active = previous_active_;
}

const platform::Api& PlatformTap::api() const { return Operations::kTable; }

void PlatformTap::CrashBefore(int nth, std::function<void()> crash) {
  calls_ = 0;
  crashAt_ = nth;
  crashed_ = false;
  crash_ = std::move(crash);
}

void PlatformTap::Recover() {
  calls_ = 0;
  crashAt_ = 0;
  crashed_ = false;
  crash_ = nullptr;
}

void PlatformTap::Track(void* gone, void* made, size_t size) {
  if (gone != nullptr) {
    auto found = blocks_.find(gone);
    if (found != blocks_.end()) {
      live_bytes_ -= found->second;
      blocks_.erase(found);
    }
  }
  if (made != nullptr) {
    blocks_[made] = size;
    live_bytes_ += size;
    if (live_bytes_ > peak_live_bytes_) peak_live_bytes_ = live_bytes_;
  }
}

bool PlatformTap::Pass() {
  ++calls_;
  if (!crashed_ && crashAt_ != 0 && calls_ == crashAt_) {
    crashed_ = true;
    if (crash_) crash_();
  }
  return !crashed_;
}

}  // namespace testing
}  // namespace orv
