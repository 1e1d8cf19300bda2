#include "tools/commands.h"

#include "tools/info_command.h"
#include "tools/probe_command.h"

namespace orv {
namespace tool {
namespace {

const Command kCommands[] = {
    {"info", "", "print the file system's descriptor", 0, 0, RunInfo},
    {"probe", "FILE",
     "tell whether FILE is a container (exit 0 yes, 1 no, 2 error)", 1, 1,
     RunProbe},
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
      "usage: orv [--module PATH] COMMAND [ARGUMENT...]\n"
      "  --module PATH  the module to load (default: the one beside orv)\n"
      "commands:\n");
  for (const Command& command : kCommands) {
    std::string synopsis = command.name;
    if (command.usage[0] != '\0') synopsis = synopsis + " " + command.usage;
    synopsis.resize(synopsis.size() < 14 ? 14 : synopsis.size(), ' ');
    sink->Write("  " + synopsis + " " + command.summary + "\n");
  }
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
