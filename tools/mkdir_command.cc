#include "tools/mkdir_command.h"

#include "tools/command_steps.h"
#include "tools/text_format.h"

namespace orv {
namespace tool {

int RunMkdir(const CommandContext& context, const Arguments& arguments) {
  CommandSubject subject = {context, "mkdir", arguments[0]};
  EntryPath path;
  int code = ParsePath(subject, arguments[1], true, &path);
  Container container(context.fileSystem);
  if (code == kExitSuccess) code = OpenContainer(subject, true, &container);
  if (code != kExitSuccess) return code;

  std::string shown = FormatName(arguments[1]);
  IORVEntry* entry = nullptr;
  size_t found = 0;
  HRESULT result = container.Make(path, &entry, &found);
  if (entry != nullptr) entry->Release();
  if (FAILED(result)) {
    return ReportResult(subject, shown + ": cannot make the entry", result);
  }
  if (found == path.names().size()) {
    return Report(subject, shown + ": exists already", kExitNo);
  }
  return SaveContainer(subject, &container);
}

}  // namespace tool
}  // namespace orv
