#include "platform/open_mode.h"

#include "platform/platform.h"

namespace orv {
namespace platform {

bool DecodeOpenMode(int32_t mode, OpenRequest* request) {
  if ((mode & ~(kAccessMask | kShareMask)) != 0) return false;
  OpenRequest decoded;
  switch (mode & kAccessMask) {
    case kOpenRead:
      decoded.read = true;
      break;
    case kOpenWrite:
      decoded.write = true;
      break;
    case kOpenReadWrite:
      decoded.read = true;
      decoded.write = true;
      break;
    default:
      return false;
  }
  switch (mode & kShareMask) {
    case kShareCompat:
    case kShareDenyNone:
      break;
    case kShareExclusive:
      decoded.denyRead = true;
      decoded.denyWrite = true;
      break;
    case kShareDenyWrite:
      decoded.denyWrite = true;
      break;
    case kShareDenyRead:
      decoded.denyRead = true;
      break;
    default:
      return false;
  }
  *request = decoded;
  return true;
}

OpenRequest CreateRequest() {
  OpenRequest request;
  request.read = true;
  request.write = true;
  return request;
}

bool SharingConflicts(const OpenRequest& existing,
                      const OpenRequest& incoming) {
  return (incoming.read && existing.denyRead) ||
         (incoming.write && existing.denyWrite) ||
         (existing.read && incoming.denyRead) ||
         (existing.write && incoming.denyWrite);
}

}  // namespace platform
}  // namespace orv
