#include "tools/create_command.h"

#include <stdio.h>

#include "tools/command_steps.h"

namespace orv {
namespace tool {

int RunCreate(const CommandContext& context, const Arguments& arguments) {
  const std::string& file = arguments[0];
  CommandSubject subject = {context, "create", file};
  // OpenRoot's create empties whatever is at the path, so it only gets a
  // path that is known to name nothing.
  PathState state = ProbePath(file);
  if (state == PathState::kTaken) {
    return Report(subject, "exists already; not replaced");
  }
  if (state == PathState::kUnknown) {
    return Report(subject, "cannot tell whether it exists; not replaced");
  }
  HRESULT result;
  {
    Container container(context.fileSystem);
    result = container.Create(file);
  }  // the root is gone and the file closed
  if (SUCCEEDED(result)) return kExitSuccess;
  // What a failed create or first save leaves is no container (a header at
  // most), and nothing was there before: take it away again.
  if (ProbePath(file) != PathState::kFree) remove(file.c_str());
  return ReportResult(subject, "cannot create the container", result);
}

}  // namespace tool
}  // namespace orv
