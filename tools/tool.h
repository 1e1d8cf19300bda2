// The whole orv tool behind its main(): usage, loading the module, running
// the command.
#ifndef ORV_TOOLS_TOOL_H_
#define ORV_TOOLS_TOOL_H_

#include "tools/sink.h"
#include "tools/tool_arguments.h"

namespace orv {
namespace tool {

// Runs what the command line asks for and returns the exit code. The usage
// is checked before the module is loaded.
int RunTool(const ToolArguments& arguments, Sink* out, Sink* err);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_TOOL_H_
