#include "tools/put_command.h"

#include <stdio.h>

#include <vector>

#include "com/stream_interfaces.h"
#include "tools/command_steps.h"
#include "tools/text_format.h"

namespace orv {
namespace tool {
namespace {

// Bytes moved from the source to the stream per Write: the tool holds no
// more than this, whatever the size of the source.
constexpr size_t kCopyBlock = 64 * 1024;

// Copies the whole of `source` into `stream`. S_OK; E_FAIL with *sourceFailed
// set when the source cannot be read or is larger than a payload can be;
// otherwise the stream's failure.
HRESULT CopySource(FILE* source, IJOutStream* stream, bool* sourceFailed) {
  std::vector<char> block(kCopyBlock);
  uint64_t total = 0;
  *sourceFailed = false;
  while (true) {
    size_t got = fread(block.data(), 1, block.size(), source);
    total += got;
    if (ferror(source) || total > kMaxPayloadSize) {
      *sourceFailed = true;
      return E_FAIL;
    }
    if (got == 0) return S_OK;
    HRESULT result = stream->Write(block.data(), static_cast<uint32_t>(got));
    if (FAILED(result)) return result;
  }
}

// Writes the source through an output stream of `entry`. The entry takes
// whatever the stream collected when the stream is released, also after a
// failure; the caller then does not save.
int WritePayload(const CommandSubject& subject, IORVEntry* entry,
                 FILE* source, const std::string& sourceName) {
  IJOutStream* stream = nullptr;
  HRESULT result = entry->OpenOutputStream(&stream);
  if (FAILED(result)) {
    return ReportResult(subject, "cannot open the entry for writing", result);
  }
  bool sourceFailed = false;
  result = CopySource(source, stream, &sourceFailed);
  stream->Release();
  if (sourceFailed) {
    return Report(subject, sourceName +
                               ": cannot be read, or is larger than a payload "
                               "can be (4 GiB - 2 bytes)");
  }
  if (FAILED(result)) return ReportResult(subject, "cannot write", result);
  return kExitSuccess;
}

}  // namespace

int RunPut(const CommandContext& context, const Arguments& arguments) {
  CommandSubject subject = {context, "put", arguments[0]};
  const std::string& sourceName = arguments[2];
  EntryPath path;
  int code = ParsePath(subject, arguments[1], true, &path);
  if (code != kExitSuccess) return code;
  // Binary mode: the bytes go in exactly as they are on disk.
  FILE* source = fopen(sourceName.c_str(), "rb");
  if (source == nullptr) {
    return Report(subject, sourceName + ": cannot open for reading");
  }
  Container container(context.fileSystem);
  code = OpenContainer(subject, true, &container);
  IORVEntry* entry = nullptr;
  size_t found = 0;
  if (code == kExitSuccess) {
    HRESULT result = container.Make(path, &entry, &found);
    if (FAILED(result)) {
      code = ReportResult(subject,
                          FormatName(arguments[1]) + ": cannot make the entry",
                          result);
    }
  }
  if (code == kExitSuccess) {
    code = WritePayload(subject, entry, source, sourceName);
  }
  if (entry != nullptr) entry->Release();
  fclose(source);
  if (code != kExitSuccess) return code;
  return SaveContainer(subject, &container);
}

}  // namespace tool
}  // namespace orv
