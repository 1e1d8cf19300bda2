// orv rm FILE PATH: takes the entry at PATH, with everything below it, out
// of its list, then saves in place. Exit 1 when PATH is not there.
#ifndef ORV_TOOLS_RM_COMMAND_H_
#define ORV_TOOLS_RM_COMMAND_H_

#include "tools/command.h"

namespace orv {
namespace tool {

int RunRm(const CommandContext& context, const Arguments& arguments);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_RM_COMMAND_H_
