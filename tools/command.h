// A command of the orv tool: its name, the arguments it takes, and the
// function that runs it against the registered file system.
//
// Adding a command: write its Run function (in a file of its own, writing
// only to the context's sinks and using only the file system's interfaces)
// and add one line to the table in commands.cc.
#ifndef ORV_TOOLS_COMMAND_H_
#define ORV_TOOLS_COMMAND_H_

#include <string>
#include <vector>

#include "com/orv_interfaces.h"
#include "tools/sink.h"

namespace orv {
namespace tool {

// Exit codes of the tool.
constexpr int kExitSuccess = 0;  // done; for a yes-or-no question, "yes"
constexpr int kExitNo = 1;       // a yes-or-no question answered "no"
constexpr int kExitError = 2;    // bad usage, or the file system failed

// What a command works with; all borrowed for the duration of the run.
struct CommandContext {
  IORVFileSystem* fileSystem;
  Sink* out;  // the command's results; binary-safe (cat writes payloads)
  Sink* err;  // diagnostics, each a line starting with "orv: "
  bool backup;  // commands that save keep the previous file as NAME.bak
};

// The arguments after the command's name.
typedef std::vector<std::string> Arguments;

struct Command {
  const char* name;
  const char* usage;    // the arguments as the usage line shows them
  const char* summary;  // one line
  size_t minArguments;
  size_t maxArguments;
  int (*run)(const CommandContext& context, const Arguments& arguments);
};

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_COMMAND_H_
