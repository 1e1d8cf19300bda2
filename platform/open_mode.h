// The sharing rule of _lopen mode words, shared by every implementation of
// the platform seam (the native POSIX one and the in-memory test file
// system), so that all of them refuse exactly the same combinations.
//
// A handle has some access (read, write) and refuses some access to every
// other handle (deny read, deny write). A new handle may not be opened when it
// wants an access that an existing handle refuses, or when it refuses an
// access that an existing handle already has. This is the rule by which
// Win32 CreateFile checks share modes; _lopen maps its sharing values onto it
// as follows:
//
//   0x00 compatibility  -> refuses nothing (others may read and write)
//   0x10 exclusive      -> refuses reading and writing
//   0x20 deny write     -> refuses writing
//   0x30 deny read      -> refuses reading
//   0x40 deny none      -> refuses nothing
//
// Handles never share deletion: while any handle is open, the file cannot be
// deleted or renamed, nor replaced by a rename.
#ifndef ORV_PLATFORM_OPEN_MODE_H_
#define ORV_PLATFORM_OPEN_MODE_H_

#include <stdint.h>

namespace orv {
namespace platform {

// What one handle may do and what it refuses to others.
struct OpenRequest {
  bool read = false;
  bool write = false;
  bool denyRead = false;
  bool denyWrite = false;
};

// Decodes an _lopen mode word. False, leaving `request` unspecified, for an
// access value of 3, a sharing value above 0x40, or any bit outside the
// access and sharing fields.
bool DecodeOpenMode(int32_t mode, OpenRequest* request);

// The handle _lcreat gives: read and write access, refusing nothing.
OpenRequest CreateRequest();

// True when a handle described by `incoming` may not be opened while one
// described by `existing` is open. The rule is symmetric.
bool SharingConflicts(const OpenRequest& existing, const OpenRequest& incoming);

}  // namespace platform
}  // namespace orv

#endif  // ORV_PLATFORM_OPEN_MODE_H_
