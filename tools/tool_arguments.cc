#include "tools/tool_arguments.h"

namespace orv {
namespace tool {
namespace {

const char kModuleOption[] = "--module";
const char kModuleEquals[] = "--module=";

}  // namespace

ToolArguments ParseToolArguments(int argc, const char* const* argv) {
  ToolArguments parsed;
  int i = 1;
  for (; i < argc; ++i) {
    std::string word = argv[i];
    if (word == "--") {
      ++i;
      break;
    }
    if (word.empty() || word[0] != '-') break;
    if (word == "--help" || word == "-h") {
      parsed.help = true;
      continue;
    }
    if (word == "--backup") {
      parsed.backup = true;
      continue;
    }
    bool separate = word == kModuleOption;
    if (!separate && word.compare(0, sizeof(kModuleEquals) - 1,
                                  kModuleEquals) != 0) {
      parsed.error = "unknown option '" + word + "'";
      return parsed;
    }
    if (separate && i + 1 >= argc) {
      parsed.error = "--module needs a path";
      return parsed;
    }
    parsed.modulePath =
        separate ? argv[++i] : word.substr(sizeof(kModuleEquals) - 1);
    if (parsed.modulePath.empty()) {
      parsed.error = "--module needs a path";
      return parsed;
    }
  }
  for (; i < argc; ++i) parsed.words.push_back(argv[i]);
  return parsed;
}

}  // namespace tool
}  // namespace orv
