// Steps that the container commands share, each of which reports its own
// failure: it writes one "orv: COMMAND: ..." line to the context's error
// sink and returns the exit code, or returns kExitSuccess and goes on.
//
// Exit codes: kExitNo for an entry that is not there (or, for mkdir, that
// is there already), kExitError for everything else, with the module's
// result code in hex and a short explanation.
#ifndef ORV_TOOLS_COMMAND_STEPS_H_
#define ORV_TOOLS_COMMAND_STEPS_H_

#include <string>

#include "tools/command.h"
#include "tools/container.h"
#include "tools/entry_path.h"

namespace orv {
namespace tool {

// Names the command and the container in every message.
struct CommandSubject {
  const CommandContext& context;
  const char* command;     // "put"
  const std::string& file;  // the container's path as given
};

// "orv: put: box.orv: <what>\n" on the error sink; returns `code`.
int Report(const CommandSubject& subject, const std::string& what,
           int code = kExitError);

// As Report, with ": <result>" appended; returns kExitError.
int ReportResult(const CommandSubject& subject, const std::string& what,
                 HRESULT result);

// Parses `text` into *path. `entryRequired`: the root ("" or "/") is
// refused, for commands that work on an entry.
int ParsePath(const CommandSubject& subject, const std::string& text,
              bool entryRequired, EntryPath* path);

// Opens the container, for reading only or also for writing.
int OpenContainer(const CommandSubject& subject, bool forWriting,
                  Container* container);

// The entry at `path`, with a reference in *entry. kExitNo when a name on
// the way is missing.
int FindEntryAt(const CommandSubject& subject, Container* container,
                const EntryPath& path, IORVEntry** entry);

// Saves in place, with NAME.bak when the context asks for a backup.
int SaveContainer(const CommandSubject& subject, Container* container);

// What is at a path, as far as the C run-time can tell.
enum class PathState {
  kFree,     // nothing: opening it fails with "no such file"
  kTaken,    // a file (or folder) that opens for reading
  kUnknown,  // opening it fails otherwise (no permission, ...)
};
PathState ProbePath(const std::string& path);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_COMMAND_STEPS_H_
