#include "tools/cat_command.h"

#include <vector>

#include "com/stream_interfaces.h"
#include "tools/command_steps.h"
#include "tools/text_format.h"

namespace orv {
namespace tool {
namespace {

constexpr uint32_t kCopyBlock = 64 * 1024;

// Copies what is left in `stream` to `out`. S_OK or the stream's failure.
HRESULT CopyStream(IJInStream* stream, Sink* out) {
  uint32_t remaining = 0;
  HRESULT result = stream->GetRemaining(&remaining);
  std::vector<char> block(kCopyBlock);
  while (SUCCEEDED(result) && remaining > 0) {
    uint32_t count = remaining < kCopyBlock ? remaining : kCopyBlock;
    result = stream->Read(block.data(), count);
    if (SUCCEEDED(result)) out->Write(block.data(), count);
    remaining -= count;
  }
  return result;
}

}  // namespace

int RunCat(const CommandContext& context, const Arguments& arguments) {
  CommandSubject subject = {context, "cat", arguments[0]};
  EntryPath path;
  int code = ParsePath(subject, arguments[1], true, &path);
  Container container(context.fileSystem);
  if (code == kExitSuccess) code = OpenContainer(subject, false, &container);
  IORVEntry* entry = nullptr;
  if (code == kExitSuccess) {
    code = FindEntryAt(subject, &container, path, &entry);
  }
  if (code != kExitSuccess) return code;

  std::string shown = FormatName(arguments[1]);
  IJInStream* stream = nullptr;
  HRESULT result = entry->OpenInputStream(&stream);
  entry->Release();
  if (FAILED(result)) {
    return ReportResult(subject, shown + ": cannot read the payload", result);
  }
  if (stream == nullptr) return Report(subject, shown + ": no payload", kExitNo);
  result = CopyStream(stream, context.out);
  stream->Release();
  if (FAILED(result)) {
    return ReportResult(subject, shown + ": cannot read the payload", result);
  }
  return kExitSuccess;
}

}  // namespace tool
}  // namespace orv
