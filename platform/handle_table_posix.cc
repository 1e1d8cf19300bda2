#include "platform/handle_table_posix.h"

#include <mutex>
#include <new>
#include <vector>

namespace orv {
namespace platform {
namespace posix {
namespace {

// rights[fd]: 0 for descriptors that are not handles. Descriptors are small
// integers, so a vector indexed by them stays small.
struct Table {
  std::mutex mutex;
  std::vector<uint8_t> rights;
};

Table& TheTable() {
  static Table* table = new Table;  // never destroyed: handles outlive exit
  return *table;
}

}  // namespace

bool RegisterHandle(int fd, uint8_t rights) {
  if (fd <= 0) return false;
  Table& table = TheTable();
  std::lock_guard<std::mutex> hold(table.mutex);
  const size_t index = static_cast<size_t>(fd);
  if (index >= table.rights.size()) {
    try {
      table.rights.resize(index + 1, 0);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  table.rights[index] = static_cast<uint8_t>(rights | kHandleOpen);
  return true;
}

uint8_t HandleRights(int32_t handle) {
  if (handle <= 0) return 0;
  Table& table = TheTable();
  std::lock_guard<std::mutex> hold(table.mutex);
  const size_t index = static_cast<size_t>(handle);
  return index < table.rights.size() ? table.rights[index] : 0;
}

bool UnregisterHandle(int32_t handle) {
  if (handle <= 0) return false;
  Table& table = TheTable();
  std::lock_guard<std::mutex> hold(table.mutex);
  const size_t index = static_cast<size_t>(handle);
  if (index >= table.rights.size() || table.rights[index] == 0) return false;
  table.rights[index] = 0;
  return true;
}

}  // namespace posix
}  // namespace platform
}  // namespace orv
