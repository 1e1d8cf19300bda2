// orv put FILE PATH SOURCE: the bytes of the file SOURCE become the payload
// of the entry at PATH, replacing any payload it had; missing entries on
// the way are made (appended to their lists). Then the container is saved
// in place. Nothing is saved when anything fails before: the container
// file stays as it was.
#ifndef ORV_TOOLS_PUT_COMMAND_H_
#define ORV_TOOLS_PUT_COMMAND_H_

#include <stdint.h>

#include "tools/command.h"

namespace orv {
namespace tool {

// The largest payload: its envelope (one flag byte and the payload) has to
// fit a 32-bit size.
constexpr uint32_t kMaxPayloadSize = 0xFFFFFFFEu;

int RunPut(const CommandContext& context, const Arguments& arguments);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_PUT_COMMAND_H_
