// StoredFile: one opened version of a container file, the file that stored
// offsets point into.
//
// A payload offset or a table offset means something only in the file it was
// read from or committed to. Every list that holds such offsets (an entry
// with a stored payload or an unread table, a root with an unread table)
// keeps a counted reference to the StoredFile they describe and reads only
// through it. The root makes a StoredFile when it opens its file and a new
// one when a save commits the tree to a new file; when it closes a file it
// marks that StoredFile closed. So an entry that was moved to another
// container, or that was out of the tree while a save replaced the file,
// reads its bytes from the file its offsets describe while that file is
// open, and fails with E_FAIL once it is not: never from the wrong place.
//
// The StoredFile also guards readers against hostile files: it knows the
// file's size, so no read is planned past the end, and it keeps the byte
// ranges of the tables loaded from it, so that no table is loaded twice and
// no two tables overlap. Both rules bound the number of entries a file can
// produce by the file's own size and make cyclic table references end.
#ifndef ORV_STORAGE_STORED_FILE_H_
#define ORV_STORAGE_STORED_FILE_H_

#include <stdint.h>

#include <map>
#include <new>

#include "com/types.h"

namespace orv {

class StoredFile {
 public:
  // A new StoredFile with one reference, for `handle` (0 for a file that is
  // not open yet) of `size` bytes. Null when memory runs out.
  static StoredFile* Create(HFILE handle, uint32_t size);

  void AddRef() { ++references_; }
  void Release();

  // The open handle; 0 once the file is closed (or before it is opened).
  HFILE handle() const { return handle_; }
  uint32_t size() const { return size_; }
  bool IsOpen() const { return handle_ != 0; }

  // The root opened (or reopened) the file; `size` is its length.
  void Attach(HFILE handle, uint32_t size);
  // The root closed the file. The StoredFile stays valid for its holders.
  void Detach();

  // False when no StoredFile in the process is closed: then no list can be
  // holding offsets into a closed file, and searching a tree for such lists
  // can be skipped. Only ever a shortcut: it changes no result.
  static bool AnyClosed();

  // True when `size` bytes at `offset` lie inside the file.
  bool Contains(uint32_t offset, uint32_t size) const;

  // Records that a table occupies [start, end). E_FAIL when the range touches
  // a table already loaded from this file; E_OUTOFMEMORY.
  HRESULT ClaimTable(uint32_t start, uint32_t end);
  // True when `offset` lies inside a table already loaded from this file.
  bool InsideLoadedTable(uint32_t offset) const;

  static void* operator new(size_t size, const std::nothrow_t&) noexcept;
  static void operator delete(void* memory) noexcept;
  static void operator delete(void* memory, const std::nothrow_t&) noexcept;

 private:
  StoredFile(HFILE handle, uint32_t size);
  ~StoredFile();
  StoredFile(const StoredFile&) = delete;
  StoredFile& operator=(const StoredFile&) = delete;

  int32_t references_ = 1;
  HFILE handle_;   // 0 when closed; never -1
  uint32_t size_;  // length of the file when it was opened
  // Loaded tables: start offset -> end offset (exclusive), disjoint.
  std::map<uint32_t, uint32_t> tables_;
};

// Holds one reference to a StoredFile (or none) and drops it when replaced
// or destroyed.
class StoredFileRef {
 public:
  StoredFileRef() = default;
  ~StoredFileRef() { Reset(nullptr); }
  StoredFileRef(const StoredFileRef&) = delete;
  StoredFileRef& operator=(const StoredFileRef&) = delete;

  StoredFile* get() const { return file_; }
  // Takes a new reference on `file` (may be null), dropping the old one.
  void Reset(StoredFile* file);

 private:
  StoredFile* file_ = nullptr;
};

}  // namespace orv

#endif  // ORV_STORAGE_STORED_FILE_H_
