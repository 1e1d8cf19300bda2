#include "tests/doubles/guarded_buffer.h"

#include <stdlib.h>
#include <string.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace orv {
namespace testing {
namespace {

#if defined(_WIN32)
uint8_t* MapPages(size_t bytes) {
  return static_cast<uint8_t*>(
      VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}
void UnmapPages(uint8_t* base, size_t) { VirtualFree(base, 0, MEM_RELEASE); }
bool Protect(uint8_t* start, size_t bytes, bool read, bool write) {
  DWORD previous;
  DWORD protection =
      write ? PAGE_READWRITE : (read ? PAGE_READONLY : PAGE_NOACCESS);
  return VirtualProtect(start, bytes, protection, &previous) != 0;
}
#else
uint8_t* MapPages(size_t bytes) {
  void* base = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                    MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return base == MAP_FAILED ? nullptr : static_cast<uint8_t*>(base);
}
void UnmapPages(uint8_t* base, size_t bytes) { munmap(base, bytes); }
bool Protect(uint8_t* start, size_t bytes, bool read, bool write) {
  int protection = (read ? PROT_READ : 0) | (write ? PROT_WRITE : 0);
  return mprotect(start, bytes, protection == 0 ? PROT_NONE : protection) == 0;
}
#endif

}  // namespace

size_t GuardedBuffer::PageSize() {
#if defined(_WIN32)
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
#else
  return static_cast<size_t>(sysconf(_SC_PAGESIZE));
#endif
}

GuardedBuffer::GuardedBuffer(size_t size, Access access)
    : base_(nullptr), data_pages_(0), data_(nullptr), size_(size) {
  const size_t page = PageSize();
  data_pages_ = (size + page - 1) / page;
  base_ = MapPages((data_pages_ + 1) * page);
  if (base_ == nullptr) abort();
  uint8_t* guard = base_ + data_pages_ * page;
  if (!Protect(guard, page, false, false)) abort();
  data_ = guard - size;
  memset(data_, kFill, size);
  SetAccess(access);
}

GuardedBuffer::~GuardedBuffer() {
  UnmapPages(base_, (data_pages_ + 1) * PageSize());
}

void GuardedBuffer::SetAccess(Access access) {
  if (data_pages_ == 0) return;
  if (!Protect(base_, data_pages_ * PageSize(), access != kNoAccess,
               access == kReadWrite)) {
    abort();
  }
}

void GuardedBuffer::SetPageAccess(size_t page_index, Access access) {
  if (page_index >= data_pages_) abort();
  const size_t page = PageSize();
  if (!Protect(base_ + page_index * page, page, access != kNoAccess,
               access == kReadWrite)) {
    abort();
  }
}

}  // namespace testing
}  // namespace orv
