// orv mv FILE PATH NEWNAME: renames the entry at PATH to NEWNAME within its
// list, then saves in place. NEWNAME is a single name: it must not be
// empty or hold '/', or it could not be named by a path afterwards. Exit 1
// when PATH is not there; exit 2 when a sibling has the name already.
#ifndef ORV_TOOLS_MV_COMMAND_H_
#define ORV_TOOLS_MV_COMMAND_H_

#include "tools/command.h"

namespace orv {
namespace tool {

int RunMv(const CommandContext& context, const Arguments& arguments);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_MV_COMMAND_H_
