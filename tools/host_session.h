// The tool's side of being a host: it has the kernel stand-in load the
// module and holds the file system the module registered.
#ifndef ORV_TOOLS_HOST_SESSION_H_
#define ORV_TOOLS_HOST_SESSION_H_

#include <string>

#include "com/orv_interfaces.h"

namespace orv {
namespace tool {

class HostSession {
 public:
  HostSession() = default;
  // Gives back the session's reference and has the kernel drop its own, so
  // that the file system ends with the session.
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Loads the module at `modulePath`, or the one beside the program when it
  // is empty, and takes the registered file system. False, with the reason
  // in *error, when either fails.
  bool Open(const std::string& modulePath, std::string* error);

  // The registered file system; null until Open succeeded. The session
  // holds one reference on it.
  IORVFileSystem* fileSystem() const { return fileSystem_; }

 private:
  IORVFileSystem* fileSystem_ = nullptr;
};

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_HOST_SESSION_H_
