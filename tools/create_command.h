// orv create FILE: a new, empty container at FILE, saved so that it opens.
// An existing file is never replaced: the command refuses it (exit 2), and
// also a path it cannot check (one that fails to open for another reason
// than not being there).
#ifndef ORV_TOOLS_CREATE_COMMAND_H_
#define ORV_TOOLS_CREATE_COMMAND_H_

#include "tools/command.h"

namespace orv {
namespace tool {

int RunCreate(const CommandContext& context, const Arguments& arguments);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_CREATE_COMMAND_H_
