#include "tools/mv_command.h"

#include "tools/command_steps.h"
#include "tools/text_format.h"

namespace orv {
namespace tool {

int RunMv(const CommandContext& context, const Arguments& arguments) {
  CommandSubject subject = {context, "mv", arguments[0]};
  const std::string& newName = arguments[2];
  EntryPath path;
  int code = ParsePath(subject, arguments[1], true, &path);
  if (code != kExitSuccess) return code;
  if (newName.empty() || newName.find('/') != std::string::npos ||
      newName.size() > kMaxNameLength) {
    return Report(subject, FormatName(newName) +
                               ": a new name must be one name of 1 to 65535 "
                               "bytes without '/'");
  }
  Container container(context.fileSystem);
  code = OpenContainer(subject, true, &container);
  IORVEntry* entry = nullptr;
  if (code == kExitSuccess) {
    code = FindEntryAt(subject, &container, path, &entry);
  }
  if (code != kExitSuccess) return code;

  HRESULT result =
      entry->SetName(newName.data(), static_cast<uint16_t>(newName.size()));
  entry->Release();
  if (result == E_FAIL) {
    return ReportResult(subject,
                        FormatName(arguments[1]) + ": cannot rename: " +
                            FormatName(newName) + " exists there already",
                        result);
  }
  if (FAILED(result)) {
    return ReportResult(subject, FormatName(arguments[1]) + ": cannot rename",
                        result);
  }
  return SaveContainer(subject, &container);
}

}  // namespace tool
}  // namespace orv
