#include "tools/ls_command.h"

#include <stdio.h>

#include "tools/command_steps.h"
#include "tools/text_format.h"

namespace orv {
namespace tool {

std::string FormatListing(const EntryFacts& facts) {
  char size[16] = "-";
  if (facts.hasPayload) {
    snprintf(size, sizeof(size), "%lu",
             static_cast<unsigned long>(facts.payloadSize));
  }
  char columns[48];
  snprintf(columns, sizeof(columns), "%10s %8lu  ", size,
           static_cast<unsigned long>(facts.children));
  return columns + FormatName(facts.name) + "\n";
}

int RunLs(const CommandContext& context, const Arguments& arguments) {
  CommandSubject subject = {context, "ls", arguments[0]};
  EntryPath path;
  int code = ParsePath(subject, arguments.size() > 1 ? arguments[1] : "",
                       false, &path);
  Container container(context.fileSystem);
  if (code == kExitSuccess) code = OpenContainer(subject, false, &container);
  IORVEntry* entry = nullptr;
  if (code == kExitSuccess && !path.IsRoot()) {
    code = FindEntryAt(subject, &container, path, &entry);
  }
  if (code != kExitSuccess) return code;

  IUnknown* owner = entry != nullptr ? static_cast<IUnknown*>(entry)
                                     : static_cast<IUnknown*>(container.root());
  HRESULT result = ForEachChild(owner, [&context](IORVEntry* child) {
    EntryFacts facts;
    HRESULT read = GetEntryFacts(child, &facts);
    if (SUCCEEDED(read)) context.out->Write(FormatListing(facts));
    return read;
  });
  if (entry != nullptr) entry->Release();
  if (FAILED(result)) return ReportResult(subject, "cannot list", result);
  return kExitSuccess;
}

}  // namespace tool
}  // namespace orv
