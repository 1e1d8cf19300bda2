// orv probe FILE: whether FILE is a container, by its magic. Exit 0 and
// "FILE: container", exit 1 and "FILE: not a container", or exit 2 with the
// reason when the file cannot be examined (missing, or held by another
// program that denies writing).
#ifndef ORV_TOOLS_PROBE_COMMAND_H_
#define ORV_TOOLS_PROBE_COMMAND_H_

#include "tools/command.h"

namespace orv {
namespace tool {

int RunProbe(const CommandContext& context, const Arguments& arguments);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_PROBE_COMMAND_H_
