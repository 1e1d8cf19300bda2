#include "storage/save_plan.h"

#include "platform/platform.h"

namespace orv {
namespace {

constexpr char kTemporaryExtension[] = ".tmp";
constexpr char kBackupExtension[] = ".bak";
constexpr int32_t kCopyChunk = 64 * 1024;

// Moves every byte of `from` to `to` in chunks; true when all arrived.
bool CopyBytes(HFILE from, HFILE to, uint8_t* chunk) {
  for (;;) {
    const int32_t read = platform::_hread(from, chunk, kCopyChunk);
    if (read < 0) return false;
    if (read == 0) return true;
    if (platform::_hwrite(to, chunk, read) != read) return false;
  }
}

// Copies the file `from` into a new file `to`, flushed to stable storage.
// On failure no file `to` is left behind.
bool CopyFile(const char* from, const char* to) {
  HFILE source = platform::_lopen(
      from, platform::kOpenRead | platform::kShareDenyWrite);
  if (source == HFILE_ERROR) return false;
  bool copied = false;
  HFILE target = platform::_lcreat(to, 0);
  if (target != HFILE_ERROR) {
    uint8_t* chunk = static_cast<uint8_t*>(platform::Alloc(kCopyChunk));
    copied = chunk != nullptr && CopyBytes(source, target, chunk) &&
             platform::FlushFile(target) == 0;
    platform::Free(chunk);
    if (platform::_lclose(target) == HFILE_ERROR) copied = false;
    if (!copied) platform::_unlink(to);
  }
  platform::_lclose(source);
  return copied;
}

bool ChooseTemporary(const char* target, const char* rootPath,
                     PathBuffer* out) {
  if (ReplaceExtension(target, kTemporaryExtension, out) &&
      !SamePath(out->text, target) && !SamePath(out->text, rootPath)) {
    return true;
  }
  return AppendToPath(target, kTemporaryExtension, out) &&
         !SamePath(out->text, target) && !SamePath(out->text, rootPath);
}

}  // namespace

HRESULT PlanSave(const char* rootPath, const char* newPath, bool backup,
                 SavePlan* plan) {
  if (newPath != nullptr && !IsUsablePath(newPath)) return E_INVALIDARG;
  plan->inPlace = newPath == nullptr || SamePath(newPath, rootPath);
  if (!CopyPath(plan->inPlace ? rootPath : newPath, &plan->target) ||
      !ChooseTemporary(plan->target.text, rootPath, &plan->temporary)) {
    return E_INVALIDARG;
  }
  plan->keepBackup = plan->inPlace && backup;
  if (plan->keepBackup &&
      (!ReplaceExtension(rootPath, kBackupExtension, &plan->backup) ||
       SamePath(plan->backup.text, rootPath))) {
    return E_INVALIDARG;
  }
  return S_OK;
}

bool MakeBackup(const char* container, const char* backup) {
  if (platform::LinkFile(container, backup) == 0) return true;
  // The name may still belong to an older backup, which goes first.
  const bool cleared = platform::_unlink(backup) == 0 ||
                       platform::_access(backup, 0) != 0;
  if (cleared && platform::LinkFile(container, backup) == 0) return true;
  // Some file systems have no second names: the backup is then a copy.
  if (cleared && CopyFile(container, backup)) return true;
  // A failed _access cannot tell a missing file from one it could not see,
  // so it is asked last, only to excuse a container that is not there.
  return platform::_access(container, 0) != 0;
}

}  // namespace orv
