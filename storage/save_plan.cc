#include "storage/save_plan.h"

#include "platform/platform.h"

namespace orv {
namespace {

constexpr char kTemporaryExtension[] = ".tmp";
constexpr char kBackupExtension[] = ".bak";

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
  if (platform::_unlink(backup) == 0 &&
      platform::LinkFile(container, backup) == 0) {
    return true;
  }
  // A failed _access cannot tell a missing file from one it could not see,
  // so it is asked last, only to excuse a container that is not there.
  return platform::_access(container, 0) != 0;
}

}  // namespace orv
