// Library entry of liborvfs.so: the dynamic loader runs this constructor when
// the module is loaded, after the module's dependencies (the kernel among
// them) are in place. Nothing runs at unload; the module keeps no global
// state.
#include "module/attach.h"

namespace {

__attribute__((constructor)) void AttachModule() { orv::RunAttachSequence(); }

}  // namespace
