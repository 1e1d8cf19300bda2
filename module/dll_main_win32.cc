// Library entry of orvfs.dll. Declared without <windows.h>: only platform/
// includes operating-system headers, and the signature is all this needs.
#include "module/attach.h"

namespace {

constexpr unsigned long kProcessAttach = 1;  // DLL_PROCESS_ATTACH

}  // namespace

// The C run-time's DLL start-up calls this by its stdcall name after it has
// run the static constructors. Only process attach does anything; nothing is
// done at detach (the module keeps no global state). Every reason succeeds:
// a module whose file system could not be made simply registers none.
extern "C" int __stdcall DllMain(void* module, unsigned long reason,
                                 void* reserved) {
  (void)module;
  (void)reserved;
  if (reason == kProcessAttach) orv::RunAttachSequence();
  return 1;
}
