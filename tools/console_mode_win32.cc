#include "tools/console_mode.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>

namespace orv {
namespace tool {

void SetBinaryStandardOutput() { _setmode(_fileno(stdout), _O_BINARY); }

}  // namespace tool
}  // namespace orv
