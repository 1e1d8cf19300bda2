#include "tests/doubles/scratch_directory.h"

#include <stdio.h>
#include <stdlib.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orv {
namespace testing {
namespace {

#if defined(_WIN32)
constexpr char kSeparator = '\\';

std::string MakeDirectory() {
  static unsigned serial = 0;
  char temp[MAX_PATH];
  DWORD length = GetTempPathA(sizeof(temp), temp);
  if (length == 0 || length >= sizeof(temp)) abort();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[MAX_PATH];
    snprintf(name, sizeof(name), "%sorv-%lu-%u", temp,
             static_cast<unsigned long>(GetCurrentProcessId()), serial++);
    if (CreateDirectoryA(name, nullptr)) return name;
  }
  abort();
}

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string child = path + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(child.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}
#else
constexpr char kSeparator = '/';

std::string MakeDirectory() {
  const char* temp = getenv("TMPDIR");
  std::string pattern = std::string(temp && *temp ? temp : "/tmp") +
                        "/orv-XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) abort();
  return pattern;
}

void RemoveTree(const std::string& path) {
  DIR* dir = opendir(path.c_str());
  if (dir != nullptr) {
    while (struct dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      std::string child = path + "/" + name;
      struct stat info;
      if (lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        RemoveTree(child);
      } else {
        unlink(child.c_str());
      }
    }
    closedir(dir);
  }
  rmdir(path.c_str());
}
#endif

}  // namespace

ScratchDirectory::ScratchDirectory() : path_(MakeDirectory()) {}

ScratchDirectory::~ScratchDirectory() { RemoveTree(path_); }

std::string ScratchDirectory::Path(const std::string& name) const {
  return path_ + kSeparator + name;
}

}  // namespace testing
}  // namespace orv
