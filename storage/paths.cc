#include "storage/paths.h"

#include <string.h>

namespace orv {
namespace {

// Joins the first `keep` bytes of `path` and `suffix` into `out`.
bool Join(const char* path, size_t keep, const char* suffix, PathBuffer* out) {
  size_t suffixLength = strlen(suffix);
  if (keep + suffixLength >= sizeof(out->text)) {
    out->text[0] = '\0';
    return false;
  }
  memcpy(out->text, path, keep);
  memcpy(out->text + keep, suffix, suffixLength + 1);
  return true;
}

}  // namespace

bool IsUsablePath(const char* path) {
  return platform::CheckedStringLength(path, platform::kMaxPath) >= 0;
}

bool CopyPath(const char* path, PathBuffer* out) {
  int64_t length = platform::CheckedStringLength(path, platform::kMaxPath);
  if (length < 0) {
    out->text[0] = '\0';
    return false;
  }
  memcpy(out->text, path, static_cast<size_t>(length) + 1);
  return true;
}

bool ReplaceExtension(const char* path, const char* extension,
                      PathBuffer* out) {
  size_t length = strlen(path);
  size_t componentStart = length;
  while (componentStart > 0 &&
         !platform::IsPathSeparator(path[componentStart - 1])) {
    --componentStart;
  }
  size_t keep = length;
  for (size_t i = length; i > componentStart; --i) {
    if (path[i - 1] == '.') {
      keep = i - 1;
      break;
    }
  }
  return Join(path, keep, extension, out);
}

bool AppendToPath(const char* path, const char* suffix, PathBuffer* out) {
  return Join(path, strlen(path), suffix, out);
}

bool SamePath(const char* a, const char* b) {
  return platform::lstrcmpiA(a, b) == 0;
}

}  // namespace orv
