#include "tools/entry_path.h"

namespace orv {
namespace tool {

bool EntryPath::Parse(const std::string& text, std::string* error) {
  names_.clear();
  size_t start = !text.empty() && text[0] == '/' ? 1 : 0;
  if (start == text.size()) return true;  // the root
  while (true) {
    size_t end = text.find('/', start);
    if (end == std::string::npos) end = text.size();
    if (end == start) {
      *error = "empty name in entry path";
      names_.clear();
      return false;
    }
    if (end - start > kMaxNameLength) {
      *error = "name longer than 65535 bytes in entry path";
      names_.clear();
      return false;
    }
    names_.push_back(text.substr(start, end - start));
    if (end == text.size()) return true;
    start = end + 1;
  }
}

std::string EntryPath::Prefix(size_t count) const {
  std::string text;
  for (size_t i = 0; i < count && i < names_.size(); ++i) {
    if (i > 0) text += '/';
    text += names_[i];
  }
  return text;
}

}  // namespace tool
}  // namespace orv
