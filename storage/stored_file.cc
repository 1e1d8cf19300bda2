#include "storage/stored_file.h"

#include <atomic>

#include "platform/platform.h"

namespace orv {

namespace {

// StoredFiles alive without an open handle, in the whole process. Roots of
// different containers may live on different threads, so it is atomic.
std::atomic<int32_t> closedFiles{0};

}  // namespace

StoredFile* StoredFile::Create(HFILE handle, uint32_t size) {
  return new (std::nothrow) StoredFile(handle, size);
}

StoredFile::StoredFile(HFILE handle, uint32_t size)
    : handle_(handle), size_(size) {
  if (handle_ == 0) closedFiles.fetch_add(1, std::memory_order_relaxed);
}

StoredFile::~StoredFile() {
  if (handle_ == 0) closedFiles.fetch_sub(1, std::memory_order_relaxed);
}

bool StoredFile::AnyClosed() {
  return closedFiles.load(std::memory_order_relaxed) != 0;
}

void StoredFile::Detach() {
  if (handle_ != 0) closedFiles.fetch_add(1, std::memory_order_relaxed);
  handle_ = 0;
}

void StoredFile::Release() {
  if (--references_ == 0) delete this;
}

void StoredFile::Attach(HFILE handle, uint32_t size) {
  if (handle_ == 0 && handle != 0) {
    closedFiles.fetch_sub(1, std::memory_order_relaxed);
  }
  handle_ = handle;
  size_ = size;
}

bool StoredFile::Contains(uint32_t offset, uint32_t size) const {
  return offset <= size_ && size <= size_ - offset;
}

bool StoredFile::InsideLoadedTable(uint32_t offset) const {
  auto after = tables_.upper_bound(offset);
  if (after == tables_.begin()) return false;
  --after;
  return offset < after->second;
}

HRESULT StoredFile::ClaimTable(uint32_t start, uint32_t end) {
  // The first table starting at or after `start` must begin at or after
  // `end`, and the one before must end at or before `start`.
  auto after = tables_.lower_bound(start);
  if (after != tables_.end() && after->first < end) return E_FAIL;
  if (after != tables_.begin()) {
    auto before = after;
    --before;
    if (before->second > start) return E_FAIL;
  }
  try {
    tables_.emplace_hint(after, start, end);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

void* StoredFile::operator new(size_t size, const std::nothrow_t&) noexcept {
  return platform::Alloc(size);
}

void StoredFile::operator delete(void* memory) noexcept {
  platform::Free(memory);
}

void StoredFile::operator delete(void* memory, const std::nothrow_t&) noexcept {
  platform::Free(memory);
}

void StoredFileRef::Reset(StoredFile* file) {
  if (file != nullptr) file->AddRef();
  if (file_ != nullptr) file_->Release();
  file_ = file;
}

}  // namespace orv
