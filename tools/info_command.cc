#include "tools/info_command.h"

#include "tools/text_format.h"

namespace orv {
namespace tool {

int RunInfo(const CommandContext& context, const Arguments& /*arguments*/) {
  uint8_t descriptor[kDescriptorSize];
  HRESULT result = context.fileSystem->GetInfo(descriptor);
  if (FAILED(result)) {
    context.err->Write("orv: info: GetInfo failed: " + FormatResult(result) +
                       "\n");
    return kExitError;
  }
  context.out->Write(FormatDescriptor(descriptor));
  return kExitSuccess;
}

}  // namespace tool
}  // namespace orv
