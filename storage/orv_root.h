// CORVRoot: one container file and the top list of its tree. It holds the
// open file (deny-write shared) and its path, opens or creates the container
// for the file-system object, and alone saves it.
//
// A save never writes in place: it writes the complete tree into a fresh
// temporary file beside the target (NAME.tmp), puts it on stable storage,
// and then atomically renames it over the target, so that the root's path
// names the complete old or the complete new container at every moment. With
// the backup flag the old container also stays as NAME.bak (a second name made
// before the rename). Only after the new file is in place does the tree adopt
// its offsets; the root then reopens it.
//
// States: with a file (handle set, after Open or a successful Save) or
// without one (handle 0: after Create, or when reopening failed). Entries do
// not keep the root alive; when the root is destroyed its elements lose
// their owner first (see CORVList).
#ifndef ORV_STORAGE_ORV_ROOT_H_
#define ORV_STORAGE_ORV_ROOT_H_

#include "com/cunknown.h"
// The root's table holds the list template's operations on entries, which
// need the complete entry type.
#include "storage/orv_entry.h"
#include "storage/orv_list.h"
#include "storage/paths.h"
#include "storage/save_plan.h"

class CORVRoot : public CUnknown, public CORVList, public IORVRoot {
 public:
  explicit CORVRoot(IUnknown* outer);
  ~CORVRoot() override;

  ORV_DELEGATING_UNKNOWN()
  IUnknown* FindInterface(REFIID iid) override;

  // Opens an existing container with `mode` | deny-write. E_INVALIDARG for an
  // unusable path; E_ACCESSDENIED when it cannot be opened; E_FAIL for a
  // short header, a wrong magic or another file-system identifier (the file
  // stays open until the root is destroyed); E_OUTOFMEMORY.
  virtual HRESULT Open(const char* path, const uint8_t* descriptor,
                       int32_t mode);
  // Creates (or empties) the file and writes magic and descriptor; the root
  // then has no open file until its first save. E_INVALIDARG, E_ACCESSDENIED,
  // E_FAIL (short write or failed close).
  virtual HRESULT Create(const char* path, const uint8_t* descriptor);

  HFILE ORV_STDCALL GetFile() override { return file_; }
  IORVRoot* AsRoot() override { return this; }

  // IORVRoot. Results: S_OK only with the complete new file under the root's
  // path, reopened. E_INVALIDARG for an unusable new path or a side-file name
  // that does not fit the platform's limit, or a backup whose name would be
  // the container's own; E_ACCESSDENIED when the temporary file cannot be
  // created or the new file cannot be put in place (nothing committed, the
  // temporary file removed, the root goes on with its old file) or cannot be
  // reopened (tree committed, root without a file); the code of a failing
  // save pass; E_FAIL for any failed write, seek, flush or close of the new
  // file, and when the directory could not be synced after the rename (the
  // new file is then in place and committed, but its durability unconfirmed).
  HRESULT ORV_STDCALL Save(int32_t reserved, int32_t backup,
                           const char* newPath) override;

  const char* path() const { return path_.text; }

 private:
  HRESULT ReadHeader(const uint8_t* descriptor);
  // Writes the whole container into the plan's temporary file, flushed and
  // closed; removes it again on failure.
  HRESULT WriteTemporary(const orv::SavePlan& plan);
  HRESULT WriteContainer(HFILE file);
  // Renames the temporary file over the target (keeping the backup first).
  HRESULT PutInPlace(const orv::SavePlan& plan);
  HRESULT GiveUpReplacement(const orv::SavePlan& plan, bool reopen);
  // After the rename: commits the tree to `fresh` and reopens the file.
  HRESULT AdoptNewFile(const orv::SavePlan& plan, orv::StoredFile* fresh);
  void CloseFile();
  HRESULT ReopenFile(const char* path, int32_t mode, orv::StoredFile* stored);

  HFILE file_ = 0;         // open container; 0 when none, never -1
  int32_t openMode_ = 0;   // mode the open file was opened with
  orv::PathBuffer path_;   // the container's path; empty until Open/Create
};

#endif  // ORV_STORAGE_ORV_ROOT_H_
