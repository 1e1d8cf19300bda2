// The orv tool's commands: lookup, usage, argument checks and dispatch.
#ifndef ORV_TOOLS_COMMANDS_H_
#define ORV_TOOLS_COMMANDS_H_

#include "tools/command.h"

namespace orv {
namespace tool {

// The command called `name`, or null.
const Command* FindCommand(const std::string& name);

// The usage text: the synopsis and one line per command.
void PrintUsage(Sink* sink);

// Checks that `words` (a command name and its arguments) names a command
// and gives it an acceptable number of arguments. Returns the command, or
// null after writing the reason and the usage to `err`.
const Command* CheckCommand(const std::vector<std::string>& words, Sink* err);

// Checks `words` as CheckCommand does and runs the command. Returns its exit
// code, or kExitError for bad usage.
int RunCommand(const CommandContext& context,
               const std::vector<std::string>& words);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_COMMANDS_H_
