#include "tests/doubles/pointer_checker.h"

namespace orv {
namespace testing {
namespace {

PointerChecker* active = nullptr;

}  // namespace

struct PointerChecker::Operations {
  static const platform::Api& Inner() { return active->inner_; }

  static HFILE Open(const char* path, int32_t mode) {
    return Inner().lopen(path, mode);
  }
  static HFILE Create(const char* path, int32_t attribute) {
    return Inner().lcreat(path, attribute);
  }
  static int32_t LRead(HFILE file, void* buffer, uint32_t count) {
    return Inner().lread(file, buffer, count);
  }
  static int32_t HRead(HFILE file, void* buffer, int32_t count) {
    return Inner().hread(file, buffer, count);
  }
  static int32_t LWrite(HFILE file, const void* buffer, uint32_t count) {
    return Inner().lwrite(file, buffer, count);
  }
  static int32_t HWrite(HFILE file, const void* buffer, int32_t count) {
    return Inner().hwrite(file, buffer, count);
  }
  static int32_t Seek(HFILE file, int32_t offset, int32_t origin) {
    return Inner().llseek(file, offset, origin);
  }
  static HFILE Close(HFILE file) { return Inner().lclose(file); }
  static int32_t Flush(HFILE file) { return Inner().flush(file); }
  static int32_t Access(const char* path, int32_t mode) {
    return Inner().access(path, mode);
  }
  static int32_t Unlink(const char* path) { return Inner().unlink(path); }
  static int32_t Rename(const char* from, const char* to) {
    return Inner().rename(from, to);
  }
  static int32_t Link(const char* existing, const char* link) {
    return Inner().link(existing, link);
  }
  static int32_t SyncDirectory(const char* path) {
    return Inner().syncDirectory(path);
  }

  static int32_t IsBadReadPtr(const void* pointer, uintptr_t count) {
    ++active->read_checks_;
    if (active->Forbidden(pointer, count, false)) return 1;
    return Inner().isBadReadPtr(pointer, count);
  }
  static int32_t IsBadWritePtr(void* pointer, uintptr_t count) {
    ++active->write_checks_;
    if (active->Forbidden(pointer, count, true)) return 1;
    return Inner().isBadWritePtr(pointer, count);
  }

  static void* Alloc(size_t size) { return Inner().alloc(size); }
  static void* Realloc(void* block, size_t size) {
    return Inner().realloc(block, size);
  }
  static void Free(void* block) { Inner().free(block); }

  static const platform::Api kTable;
};

const platform::Api PointerChecker::Operations::kTable = {
    Open,    Create, LRead, HRead,         LWrite,       HWrite,
    Seek,    Close,  Flush, Access,        Unlink,       Rename,
    Link,    SyncDirectory, IsBadReadPtr,  IsBadWritePtr, Alloc,
    Realloc, Free,
};

PointerChecker::PointerChecker(const platform::Api& inner)
    : inner_(inner),
      read_checks_(0),
      write_checks_(0),
      previous_active_(active) {
  active = this;
}

PointerChecker::~PointerChecker() {
  if (active == this) active = previous_active_;
}

const platform::Api& PointerChecker::api() const {
  return Operations::kTable;
}

void PointerChecker::MarkReadOnly(const void* start, size_t size) {
  if (size == 0) return;
  const uintptr_t first = reinterpret_cast<uintptr_t>(start);
  marks_.push_back(Range{first, first + (size - 1), true});
}

void PointerChecker::MarkNoAccess(const void* start, size_t size) {
  if (size == 0) return;
  const uintptr_t first = reinterpret_cast<uintptr_t>(start);
  marks_.push_back(Range{first, first + (size - 1), false});
}

void PointerChecker::ClearMarks() { marks_.clear(); }

bool PointerChecker::Forbidden(const void* pointer, uintptr_t count,
                               bool write) const {
  if (count == 0) return false;
  const uintptr_t first = reinterpret_cast<uintptr_t>(pointer);
  uintptr_t last = first + (count - 1);
  if (last < first) last = UINTPTR_MAX;  // the inner table rejects wrapping
  for (const Range& mark : marks_) {
    const bool overlaps = first <= mark.last && mark.first <= last;
    if (overlaps && (write || !mark.readable)) return true;
  }
  return false;
}

}  // namespace testing
}  // namespace orv
