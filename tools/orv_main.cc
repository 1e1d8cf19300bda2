// orv: a command-line host of the file-system module. See tools/commands.cc
// for its commands and tools/tool_arguments.h for its command line.
#include <stdio.h>

#include "tools/command.h"
#include "tools/console_mode.h"
#include "tools/sink.h"
#include "tools/tool.h"
#include "tools/tool_arguments.h"

int main(int argc, char** argv) {
  orv::tool::SetBinaryStandardOutput();
  orv::tool::FileSink out(stdout);
  orv::tool::FileSink err(stderr);
  int code = orv::tool::RunTool(orv::tool::ParseToolArguments(argc, argv),
                                &out, &err);
  // Output that did not arrive (a full disk, a closed pipe) is a failure,
  // also of a command that succeeded otherwise.
  if (fflush(stdout) != 0 || ferror(stdout)) {
    fputs("orv: cannot write to standard output\n", stderr);
    return orv::tool::kExitError;
  }
  return code;
}
