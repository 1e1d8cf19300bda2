// The files a save touches, worked out before any of them is touched.
//
// A save writes the new container into a temporary file beside its target
// and renames it over the target; in place, the target is the root's own
// path and the old container may be kept as a backup. The temporary name is
// the target's with its extension replaced by ".tmp" (NAME.tmp); when that is
// the target itself or the container being saved (a container named x.tmp),
// ".tmp" is appended instead, so a save never writes over the file it reads.
// The backup name is the container's with ".bak" (NAME.bak).
#ifndef ORV_STORAGE_SAVE_PLAN_H_
#define ORV_STORAGE_SAVE_PLAN_H_

#include "com/types.h"
#include "storage/paths.h"

namespace orv {

struct SavePlan {
  bool inPlace = true;      // target is the root's own path
  bool keepBackup = false;  // in place, with the backup flag
  PathBuffer target;        // where the new container ends up
  PathBuffer temporary;     // where it is written first
  PathBuffer backup;        // NAME.bak; meaningful with keepBackup
};

// Plans a save of the container at `rootPath` in place (`newPath` null or
// the same path, compared as the platform compares names) or to `newPath`.
// The backup flag counts only in place. E_INVALIDARG for an unusable new
// path, for a derived name that does not fit the platform's path limit, and
// for a backup that would be the container itself (a container named x.bak).
HRESULT PlanSave(const char* rootPath, const char* newPath, bool backup,
                 SavePlan* plan);

// Keeps the container as `backup`, replacing an older backup, by giving the
// container's file a second name (or, on a file system without second
// names, a flushed copy): the container's path never names nothing. True
// when the backup exists afterwards, or when there is no container to keep.
bool MakeBackup(const char* container, const char* backup);

}  // namespace orv

#endif  // ORV_STORAGE_SAVE_PLAN_H_
