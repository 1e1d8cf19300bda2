// orv cat FILE PATH: writes the payload of the entry at PATH to standard
// output, byte for byte (orv_main puts standard output in binary mode).
// Exit 1 when PATH is not there or the entry has no payload.
#ifndef ORV_TOOLS_CAT_COMMAND_H_
#define ORV_TOOLS_CAT_COMMAND_H_

#include "tools/command.h"

namespace orv {
namespace tool {

int RunCat(const CommandContext& context, const Arguments& arguments);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_CAT_COMMAND_H_
