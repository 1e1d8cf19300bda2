// The orv tool's command line: options, then a command and its arguments.
//
//   orv [--module PATH | --module=PATH] [--backup] [--help] [--]
//       COMMAND [ARGUMENT...]
#ifndef ORV_TOOLS_TOOL_ARGUMENTS_H_
#define ORV_TOOLS_TOOL_ARGUMENTS_H_

#include <string>
#include <vector>

namespace orv {
namespace tool {

struct ToolArguments {
  std::string modulePath;           // empty: the module beside the program
  bool help = false;                // --help or -h was given
  bool backup = false;              // --backup was given
  std::vector<std::string> words;   // the command's name and its arguments
  std::string error;                // set when the command line is unusable
};

// Options end at the first word that does not start with '-' or after
// "--"; everything from there on belongs to the command, so a command's
// arguments may start with '-'.
ToolArguments ParseToolArguments(int argc, const char* const* argv);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_TOOL_ARGUMENTS_H_
