// Container paths and the side files of a save (NAME.tmp, NAME.bak).
//
// Paths are NUL-terminated 8-bit text. Every path the module accepts or
// derives must fit the platform's limit (platform::kMaxPath, terminator
// included); anything longer is refused before a file is touched, and all
// composition is bounded, so no buffer can be overrun.
#ifndef ORV_STORAGE_PATHS_H_
#define ORV_STORAGE_PATHS_H_

#include "platform/platform.h"

namespace orv {

// A path in a buffer of the platform's size. Always NUL-terminated.
struct PathBuffer {
  char text[platform::kMaxPath];
};

// True when `path` is readable up to its terminator and fits the limit.
bool IsUsablePath(const char* path);

// Copies a usable path; false (and `out` empty) when it is not usable.
bool CopyPath(const char* path, PathBuffer* out);

// `path` with the extension of its last component (from that component's
// last '.') replaced by `extension` (".tmp", ".bak"), or with `extension`
// appended when it has none. False when the result does not fit.
bool ReplaceExtension(const char* path, const char* extension,
                      PathBuffer* out);

// `path` with `suffix` appended. False when the result does not fit.
bool AppendToPath(const char* path, const char* suffix, PathBuffer* out);

// True when both name the same file as the platform compares names
// (case-insensitively).
bool SamePath(const char* a, const char* b);

}  // namespace orv

#endif  // ORV_STORAGE_PATHS_H_
