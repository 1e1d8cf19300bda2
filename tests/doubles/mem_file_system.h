// An in-memory file system behind the platform seam, for tests that need to
// see or damage the exact bytes of a file, or to simulate a crash.
//
//   orv::testing::MemFileSystem fs;
//   orv::platform::ScopedApi guard(fs.api());
//   fs.SetBytes("/c/box.orv", image);          // arrange
//   ... code under test calls _lopen("/c/box.orv", 0x22) ...
//   fs.CorruptByte("/c/box.orv", 182, 0xff);   // damage one byte
//   EXPECT_EQ(expected, fs.Bytes("/c/box.orv"));
//
// It behaves as the native implementations do (the shared platform tests
// run against both): handles are never 0 nor -1; share modes are enforced as
// open_mode.h describes; a held file cannot be deleted, renamed or replaced;
// transfers report exact counts; positions are signed 32-bit values. Paths
// are plain strings, one flat name space: "a/b" and "a\\b" are different
// names except on Win32, where, as there, separators are equivalent and
// letter case does not count. Pointer validation and allocation pass through
// to the native implementation.
//
// Durability model, for crash tests. Every file has its current bytes and
// the bytes of its last flush (FlushFile); every directory has its current
// names and the names of its last SyncDirectory. Crash() throws away
// everything that was not made durable: names revert to their synced state,
// files to their flushed bytes, and every handle is closed. A file that was
// never flushed is empty after a crash; a name never synced is gone. A
// directory is the text before a name's last separator. SyncAll() makes the
// present state durable, for a starting point.
//
// The function table reaches the object through a single active instance:
// the most recently constructed MemFileSystem that is still alive (the one
// before it becomes active again when it is destroyed). Tests are
// single-threaded.
#ifndef ORV_TESTS_DOUBLES_MEM_FILE_SYSTEM_H_
#define ORV_TESTS_DOUBLES_MEM_FILE_SYSTEM_H_

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/open_mode.h"
#include "platform/platform.h"

namespace orv {
namespace testing {

class MemFileSystem {
 public:
  // Files are kept in memory in full; a write that would make one larger
  // than this fails, as on a full disk.
  static constexpr size_t kMaxFileSize = 64u << 20;

  MemFileSystem();
  ~MemFileSystem();
  MemFileSystem(const MemFileSystem&) = delete;
  MemFileSystem& operator=(const MemFileSystem&) = delete;

  // The table to install with a ScopedApi while this object is alive.
  const platform::Api& api() const;

  // Inspection and arrangement; none of them checks sharing.
  bool Exists(const std::string& path) const;
  // The current bytes; empty when there is no such file.
  std::string Bytes(const std::string& path) const;
  // Creates the file if needed and replaces its current bytes (not its
  // durable ones: call SyncAll() to make them survive a crash).
  void SetBytes(const std::string& path, const std::string& bytes);
  // XORs the byte at `offset` with `mask`; false when there is no such byte.
  bool CorruptByte(const std::string& path, size_t offset, uint8_t mask);
  // Cuts the file to `size` bytes (or extends it with zeros).
  bool Truncate(const std::string& path, size_t size);
  // Deletes a name, held or not.
  bool Remove(const std::string& path);
  // All current names in canonical form, sorted.
  std::vector<std::string> Files() const;
  // The form in which a path is stored: the path itself, or on Win32 with
  // ASCII letters lowered and '/' turned into '\\'.
  static std::string Canonical(const std::string& path);
  // Handles open now.
  size_t OpenHandleCount() const { return handles_.size(); }

  // Durability: see the header comment.
  void Crash();
  void SyncAll();

 private:
  struct Node;
  struct Handle;
  struct Operations;  // the functions of the table
  typedef std::map<std::string, std::shared_ptr<Node>> Directory;

  static std::string DirectoryOf(const std::string& key);
  Node* Find(const std::string& path) const;
  Handle* FindHandle(HFILE file);
  bool Held(const Node* node) const;
  bool Admits(const Node* node, const platform::OpenRequest& request) const;
  HFILE AddHandle(const std::shared_ptr<Node>& node,
                  const platform::OpenRequest& request);

  Directory names_;          // current names -> files
  Directory durable_names_;  // names as of the last directory sync
  std::map<HFILE, Handle> handles_;
  HFILE next_handle_;        // never 0 nor -1
  MemFileSystem* previous_active_;
};

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_DOUBLES_MEM_FILE_SYSTEM_H_
