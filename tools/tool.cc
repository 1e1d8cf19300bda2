#include "tools/tool.h"

#include "tools/commands.h"
#include "tools/host_session.h"

namespace orv {
namespace tool {

int RunTool(const ToolArguments& arguments, Sink* out, Sink* err) {
  if (!arguments.error.empty()) {
    err->Write("orv: " + arguments.error + "\n");
    PrintUsage(err);
    return kExitError;
  }
  if (arguments.help) {
    PrintUsage(out);
    return kExitSuccess;
  }
  if (CheckCommand(arguments.words, err) == nullptr) return kExitError;
  HostSession session;
  std::string error;
  if (!session.Open(arguments.modulePath, &error)) {
    err->Write("orv: " + error + "\n");
    return kExitError;
  }
  CommandContext context = {session.fileSystem(), out, err,
                            arguments.backup};
  return RunCommand(context, arguments.words);
}

}  // namespace tool
}  // namespace orv
