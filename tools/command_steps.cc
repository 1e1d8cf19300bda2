#include "tools/command_steps.h"

#include <errno.h>
#include <stdio.h>

#include "tools/text_format.h"

namespace orv {
namespace tool {

int Report(const CommandSubject& subject, const std::string& what, int code) {
  subject.context.err->Write(std::string("orv: ") + subject.command + ": " +
                             subject.file + ": " + what + "\n");
  return code;
}

int ReportResult(const CommandSubject& subject, const std::string& what,
                 HRESULT result) {
  return Report(subject, what + ": " + FormatResult(result));
}

int ParsePath(const CommandSubject& subject, const std::string& text,
              bool entryRequired, EntryPath* path) {
  std::string error;
  if (!path->Parse(text, &error)) {
    return Report(subject, FormatName(text) + ": " + error);
  }
  if (entryRequired && path->IsRoot()) {
    return Report(subject, "the path must name an entry, not the root");
  }
  return kExitSuccess;
}

int OpenContainer(const CommandSubject& subject, bool forWriting,
                  Container* container) {
  HRESULT result = container->Open(subject.file, forWriting);
  if (SUCCEEDED(result)) return kExitSuccess;
  const char* what =
      result == E_ACCESSDENIED
          ? "cannot open the container (missing, not accessible, or held "
            "by another program)"
      : result == E_FAIL ? "not a container, or damaged"
      : result == E_INVALIDARG ? "cannot open the container (path too long?)"
                               : "cannot open the container";
  return ReportResult(subject, what, result);
}

int FindEntryAt(const CommandSubject& subject, Container* container,
                const EntryPath& path, IORVEntry** entry) {
  size_t found = 0;
  HRESULT result = container->Find(path, entry, &found);
  std::string shown = FormatName(path.Prefix(path.names().size()));
  if (FAILED(result)) {
    return ReportResult(subject, shown + ": cannot read the entries", result);
  }
  if (*entry != nullptr) return kExitSuccess;
  std::string what = shown + ": no such entry";
  if (found + 1 < path.names().size()) {
    what += " (" + FormatName(path.Prefix(found + 1)) + " is missing)";
  }
  return Report(subject, what, kExitNo);
}

int SaveContainer(const CommandSubject& subject, Container* container) {
  HRESULT result = container->Save(subject.context.backup);
  if (SUCCEEDED(result)) return kExitSuccess;
  const char* what =
      result == E_ACCESSDENIED
          ? "cannot save (the folder or the container cannot be written, "
            "or another program holds it)"
          : "cannot save";
  return ReportResult(subject, what, result);
}

PathState ProbePath(const std::string& path) {
  errno = 0;
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return errno == ENOENT ? PathState::kFree : PathState::kUnknown;
  }
  fclose(file);
  return PathState::kTaken;
}

}  // namespace tool
}  // namespace orv
