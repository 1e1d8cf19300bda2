#include "tools/console_mode.h"

namespace orv {
namespace tool {

void SetBinaryStandardOutput() {}

}  // namespace tool
}  // namespace orv
