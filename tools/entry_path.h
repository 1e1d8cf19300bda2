// An entry's place in a container as the command line names it: names from
// the root down, separated by '/'.
//
//   "a/b/c"    the entry c in b in a (the root's entry a)
//   "/a/b"     the same as "a/b": one leading '/' is allowed
//   "" or "/"  the root itself
//
// Names are byte strings and may hold any byte, but a path can only name
// entries whose names are non-empty, hold no '/' and fit the 65535 bytes of
// a name: other entries cannot be addressed by path.
#ifndef ORV_TOOLS_ENTRY_PATH_H_
#define ORV_TOOLS_ENTRY_PATH_H_

#include <stddef.h>

#include <string>
#include <vector>

namespace orv {
namespace tool {

// The longest entry name, in bytes: its length is a 16-bit count.
constexpr size_t kMaxNameLength = 65535;

class EntryPath {
 public:
  // Splits `text` into names. False, with the reason in *error, for an
  // empty name (as in "a//b" or "a/") or a name longer than kMaxNameLength.
  bool Parse(const std::string& text, std::string* error);

  bool IsRoot() const { return names_.empty(); }
  const std::vector<std::string>& names() const { return names_; }
  // The first `count` names joined with '/', for messages.
  std::string Prefix(size_t count) const;

 private:
  std::vector<std::string> names_;
};

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_ENTRY_PATH_H_
