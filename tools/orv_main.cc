// orv: a command-line host of the file-system module. See tools/commands.cc
// for its commands and tools/tool_arguments.h for its command line.
#include <stdio.h>

#include "tools/sink.h"
#include "tools/tool.h"
#include "tools/tool_arguments.h"

int main(int argc, char** argv) {
  orv::tool::FileSink out(stdout);
  orv::tool::FileSink err(stderr);
  return orv::tool::RunTool(orv::tool::ParseToolArguments(argc, argv), &out,
                            &err);
}
