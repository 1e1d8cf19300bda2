#include "tools/rm_command.h"

#include "tools/command_steps.h"
#include "com/iids.h"
#include "tools/text_format.h"

namespace orv {
namespace tool {
namespace {

// Removes `entry` from the list of `owner`, the root or its parent entry.
HRESULT RemoveFrom(IUnknown* owner, IORVEntry* entry) {
  void* found = nullptr;
  HRESULT result = owner->QueryInterface(IID_IObjectList, &found);
  if (FAILED(result)) return result;
  IObjectList* objects = static_cast<IObjectList*>(found);
  result = objects->Remove(entry);
  objects->Release();
  return result;
}

}  // namespace

int RunRm(const CommandContext& context, const Arguments& arguments) {
  CommandSubject subject = {context, "rm", arguments[0]};
  EntryPath path;
  int code = ParsePath(subject, arguments[1], true, &path);
  Container container(context.fileSystem);
  if (code == kExitSuccess) code = OpenContainer(subject, true, &container);
  IORVEntry* entry = nullptr;
  if (code == kExitSuccess) {
    code = FindEntryAt(subject, &container, path, &entry);
  }
  if (code != kExitSuccess) return code;

  IORVEntry* parent = nullptr;
  HRESULT result = entry->GetParent(&parent);
  if (SUCCEEDED(result)) {
    IUnknown* owner = parent != nullptr
                          ? static_cast<IUnknown*>(parent)
                          : static_cast<IUnknown*>(container.root());
    result = RemoveFrom(owner, entry);
  }
  if (parent != nullptr) parent->Release();
  entry->Release();
  if (FAILED(result)) {
    return ReportResult(subject, FormatName(arguments[1]) + ": cannot remove",
                        result);
  }
  return SaveContainer(subject, &container);
}

}  // namespace tool
}  // namespace orv
