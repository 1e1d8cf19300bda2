#include "tools/tree_command.h"

#include <stdio.h>

#include <vector>

#include "tools/command_steps.h"
#include "tools/entry_facts.h"
#include "com/iids.h"
#include "tools/text_format.h"

namespace orv {
namespace tool {
namespace {

// One list on the way down, and its entry visited last (null before the
// first). The walk holds a reference on both.
struct Level {
  IObjectList* list;
  IORVEntry* current;
};

HRESULT QueryObjectList(IUnknown* owner, IObjectList** list) {
  void* found = nullptr;
  HRESULT result = owner->QueryInterface(IID_IObjectList, &found);
  *list = static_cast<IObjectList*>(found);
  return result;
}

// Moves `level` on to its next entry (its first one when it has none yet).
HRESULT Advance(Level* level) {
  IORVEntry* next = nullptr;
  HRESULT result =
      level->current == nullptr
          ? level->list->GetFirst(reinterpret_cast<void**>(&next),
                                  IID_IORVEntry)
          : level->list->GetNext(reinterpret_cast<void**>(&next),
                                 IID_IORVEntry, level->current);
  if (level->current != nullptr) level->current->Release();
  level->current = next;
  return result;
}

HRESULT WriteLine(IORVEntry* entry, size_t level, Sink* out) {
  std::string name;
  bool hasPayload = false;
  uint32_t size = 0;
  HRESULT result = GetEntryName(entry, &name);
  if (SUCCEEDED(result)) result = GetPayloadSize(entry, &hasPayload, &size);
  if (SUCCEEDED(result)) {
    out->Write(FormatTreeLine(level, name, hasPayload, size));
  }
  return result;
}

}  // namespace

std::string FormatTreeLine(size_t level, const std::string& name,
                           bool hasPayload, uint32_t payloadSize) {
  size_t indent = level < kMaxIndentLevels ? level : kMaxIndentLevels;
  std::string line(2 * indent, ' ');
  if (level > kMaxIndentLevels) {
    char label[40];
    snprintf(label, sizeof(label), "(level %lu) ",
             static_cast<unsigned long>(level));
    line += label;
  }
  line += FormatName(name);
  if (hasPayload) {
    char size[40];
    snprintf(size, sizeof(size), "  (%lu bytes)",
             static_cast<unsigned long>(payloadSize));
    line += size;
  }
  return line + "\n";
}

HRESULT WriteTree(IORVRoot* root, Sink* out) {
  std::vector<Level> levels;
  IObjectList* top = nullptr;
  HRESULT result = QueryObjectList(root, &top);
  if (FAILED(result)) return result;
  levels.push_back({top, nullptr});
  while (!levels.empty()) {
    Level& level = levels.back();
    result = Advance(&level);
    if (FAILED(result)) break;
    if (level.current == nullptr) {  // this list is done
      level.list->Release();
      levels.pop_back();
      continue;
    }
    result = WriteLine(level.current, levels.size() - 1, out);
    IObjectList* children = nullptr;
    if (SUCCEEDED(result)) result = QueryObjectList(level.current, &children);
    if (FAILED(result)) break;
    levels.push_back({children, nullptr});
  }
  for (Level& level : levels) {
    if (level.current != nullptr) level.current->Release();
    level.list->Release();
  }
  return result;
}

int RunTree(const CommandContext& context, const Arguments& arguments) {
  CommandSubject subject = {context, "tree", arguments[0]};
  Container container(context.fileSystem);
  int code = OpenContainer(subject, false, &container);
  if (code != kExitSuccess) return code;
  HRESULT result = WriteTree(container.root(), context.out);
  if (FAILED(result)) return ReportResult(subject, "cannot walk", result);
  return kExitSuccess;
}

}  // namespace tool
}  // namespace orv
