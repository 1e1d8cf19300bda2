// orv info: prints the file system's descriptor.
#ifndef ORV_TOOLS_INFO_COMMAND_H_
#define ORV_TOOLS_INFO_COMMAND_H_

#include "tools/command.h"

namespace orv {
namespace tool {

int RunInfo(const CommandContext& context, const Arguments& arguments);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_INFO_COMMAND_H_
