// The attach sequence, run once when the module is attached to a process
// (DllMain on Windows, a load-time constructor elsewhere).
#ifndef ORV_MODULE_ATTACH_H_
#define ORV_MODULE_ATTACH_H_

namespace orv {

// Creates the file-system object, registers it with the host kernel and drops
// the module's own reference, so the host's references alone keep it alive
// (a host that took none sees it destroyed before this returns). When the
// object cannot be allocated nothing is registered: the host then finds no
// file system, which is the only report an attach can give.
void RunAttachSequence();

}  // namespace orv

#endif  // ORV_MODULE_ATTACH_H_
