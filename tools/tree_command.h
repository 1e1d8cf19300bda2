// orv tree FILE: the whole tree, one entry per line in list order, each
// entry's children below it indented by two more spaces:
//   NAME              an entry without payload
//   NAME  (N bytes)   an entry with a payload of N bytes
// Names are escaped as in ls. The walk keeps its own stack, so trees of any
// depth are walked; lines deeper than kMaxIndentLevels stop indenting and
// say their level instead: "(level 40) NAME".
#ifndef ORV_TOOLS_TREE_COMMAND_H_
#define ORV_TOOLS_TREE_COMMAND_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "tools/command.h"

namespace orv {
namespace tool {

constexpr size_t kMaxIndentLevels = 32;

int RunTree(const CommandContext& context, const Arguments& arguments);

// Walks the tree below `root` (borrowed) and writes its lines to `out`.
// S_OK, or the first failure of the walk; the lines before it are written.
HRESULT WriteTree(IORVRoot* root, Sink* out);

// The line of an entry `level` lists below the root (0: in the root's list).
std::string FormatTreeLine(size_t level, const std::string& name,
                           bool hasPayload, uint32_t payloadSize);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_TREE_COMMAND_H_
