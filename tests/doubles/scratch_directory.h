// A fresh, empty directory for one test, removed with everything in it when
// the object is destroyed.
//
//   orv::testing::ScratchDirectory dir;
//   std::string path = dir.Path("box.orv");   // "<dir>/box.orv"
//
// The directory lies in the system's temporary directory; its name is
// unique per process and object. Removal is best effort: a file that a
// leaked handle holds on Win32 stays behind.
#ifndef ORV_TESTS_DOUBLES_SCRATCH_DIRECTORY_H_
#define ORV_TESTS_DOUBLES_SCRATCH_DIRECTORY_H_

#include <string>

namespace orv {
namespace testing {

class ScratchDirectory {
 public:
  // Aborts the test program when no directory can be made.
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  // The directory, without a trailing separator.
  const std::string& path() const { return path_; }
  // `name` joined to the directory with the platform's separator.
  std::string Path(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_DOUBLES_SCRATCH_DIRECTORY_H_
