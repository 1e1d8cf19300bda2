// orv mkdir FILE PATH: makes the entry at PATH, and every missing entry on
// the way, each appended to its list, then saves in place. Exit 1, with
// nothing saved, when the entry is there already.
#ifndef ORV_TOOLS_MKDIR_COMMAND_H_
#define ORV_TOOLS_MKDIR_COMMAND_H_

#include "tools/command.h"

namespace orv {
namespace tool {

int RunMkdir(const CommandContext& context, const Arguments& arguments);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_MKDIR_COMMAND_H_
