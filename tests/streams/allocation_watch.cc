#include "tests/streams/allocation_watch.h"

namespace orv {
namespace testing {
namespace {

// The Api table holds plain function pointers, so they reach the active
// watch through this.
AllocationWatch* active = nullptr;

}  // namespace

AllocationWatch::AllocationWatch()
    : inner_(platform::CurrentApi()), api_(inner_) {
  api_.alloc = &AllocationWatch::Alloc;
  api_.realloc = &AllocationWatch::Realloc;
  api_.free = &AllocationWatch::Free;
  active = this;
  guard_ = new platform::ScopedApi(api_);
}

AllocationWatch::~AllocationWatch() {
  delete guard_;
  active = nullptr;
}

void AllocationWatch::FailCall(int n) {
  calls_ = 0;
  failAt_ = n;
}

size_t AllocationWatch::BlockSize(const void* block) const {
  auto found = blocks_.find(block);
  return found == blocks_.end() ? 0 : found->second;
}

bool AllocationWatch::ShouldFail(size_t size) {
  ++calls_;
  last_ = size;
  if (size > largest_) largest_ = size;
  return calls_ == failAt_;
}

void* AllocationWatch::Alloc(size_t size) {
  if (active->ShouldFail(size)) return nullptr;
  void* block = active->inner_.alloc(size);
  if (block != nullptr) active->blocks_[block] = size;
  return block;
}

void* AllocationWatch::Realloc(void* block, size_t size) {
  if (active->ShouldFail(size)) return nullptr;
  void* moved = active->inner_.realloc(block, size);
  if (moved == nullptr) return nullptr;
  active->blocks_.erase(block);
  active->blocks_[moved] = size;
  return moved;
}

void AllocationWatch::Free(void* block) {
  if (block == nullptr) return;
  active->blocks_.erase(block);
  active->inner_.free(block);
}

}  // namespace testing
}  // namespace orv
