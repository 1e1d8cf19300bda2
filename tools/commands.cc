#include "tools/commands.h"

#include "tools/cat_command.h"
#include "tools/create_command.h"
#include "tools/info_command.h"
#include "tools/ls_command.h"
#include "tools/mkdir_command.h"
#include "tools/mv_command.h"
#include "tools/probe_command.h"
#include "tools/put_command.h"
#include "tools/rm_command.h"
#include "tools/tree_command.h"

namespace orv {
namespace tool {
namespace {

const Command kCommands[] = {
    {"info", "", "print the file system's descriptor", 0, 0, RunInfo},
    {"probe", "FILE", "tell whether FILE is a container (exit 0 yes, 1 no)",
     1, 1, RunProbe},
    {"create", "FILE", "make a new, empty container (replaces no file)", 1,
     1, RunCreate},
    {"ls", "FILE [PATH]", "list the entries of the root or of PATH", 1, 2,
     RunLs},
    {"tree", "FILE", "show the whole tree with payload sizes", 1, 1, RunTree},
    {"cat", "FILE PATH", "write PATH's payload to standard output", 2, 2,
     RunCat},
    {"put", "FILE PATH SOURCE",
     "make SOURCE's bytes PATH's payload, making PATH", 3, 3, RunPut},
    {"mkdir", "FILE PATH", "make PATH and the missing entries above it", 2, 2,
     RunMkdir},
    {"rm", "FILE PATH", "remove PATH and everything below it", 2, 2, RunRm},
    {"mv", "FILE PATH NEWNAME", "rename PATH within its list", 3, 3, RunMv},
};

}  // namespace

const Command* FindCommand(const std::string& name) {
  for (const Command& command : kCommands) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

void PrintUsage(Sink* sink) {
  sink->Write(
      "usage: orv [--module PATH] [--backup] COMMAND [ARGUMENT...]\n"
      "  --module PATH  the module to load (default: the one beside orv)\n"
      "  --backup       commands that save keep the previous file as NAME.bak\n"
      "commands:\n");
  for (const Command& command : kCommands) {
    std::string synopsis = command.name;
    if (command.usage[0] != '\0') synopsis = synopsis + " " + command.usage;
    synopsis.resize(synopsis.size() < 22 ? 22 : synopsis.size(), ' ');
    sink->Write("  " + synopsis + " " + command.summary + "\n");
  }
  sink->Write(
      "Commands that change a container save it in place. PATH names an\n"
      "entry from the root down, as a/b/c. Names are byte strings; an entry\n"
      "whose name is empty or holds '/' cannot be named by a path. Names are\n"
      "shown with unprintable bytes, '\\' and '\"' as \\xNN, and an empty\n"
      "name as \"\". ls shows one line per entry: the payload's size in\n"
      "bytes (- without payload), the number of children, the name.\n"
      "Exit codes: 0 success, 1 not found (or no), 2 error.\n");
}

const Command* CheckCommand(const std::vector<std::string>& words,
                            Sink* err) {
  if (words.empty()) {
    err->Write("orv: no command given\n");
    PrintUsage(err);
    return nullptr;
  }
  const Command* command = FindCommand(words[0]);
  if (command == nullptr) {
    err->Write("orv: unknown command '" + words[0] + "'\n");
    PrintUsage(err);
    return nullptr;
  }
  size_t count = words.size() - 1;
  if (count < command->minArguments || count > command->maxArguments) {
    std::string usage = command->name;
    if (command->usage[0] != '\0') usage = usage + " " + command->usage;
    err->Write("orv: usage: orv " + usage + "\n");
    return nullptr;
  }
  return command;
}

int RunCommand(const CommandContext& context,
               const std::vector<std::string>& words) {
  const Command* command = CheckCommand(words, context.err);
  if (command == nullptr) return kExitError;
  return command->run(context, Arguments(words.begin() + 1, words.end()));
}

}  // namespace tool
}  // namespace orv
