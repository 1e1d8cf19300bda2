#include "tools/probe_command.h"

#include "tools/text_format.h"

namespace orv {
namespace tool {

int RunProbe(const CommandContext& context, const Arguments& arguments) {
  const std::string& path = arguments[0];
  HRESULT result = context.fileSystem->IsContainerFile(path.c_str());
  if (result == S_OK) {
    context.out->Write(path + ": container\n");
    return kExitSuccess;
  }
  // E_FAIL is the file system's "no": the file was read and is not one.
  if (result == E_FAIL) {
    context.out->Write(path + ": not a container\n");
    return kExitNo;
  }
  const char* reason = result == E_ACCESSDENIED
                           ? "cannot be opened for reading and writing"
                           : "cannot be examined";
  context.err->Write("orv: probe: " + path + ": " + reason + ": " +
                     FormatResult(result) + "\n");
  return kExitError;
}

}  // namespace tool
}  // namespace orv
