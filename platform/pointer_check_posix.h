// Pointer validation for the POSIX implementation of the platform seam.
//
// Protection is per page, so a range is accessible when one byte of every
// page it touches is. Each byte is probed by asking the kernel to copy it:
// the kernel reports EFAULT for an unmapped or protected address instead of
// delivering a signal, so probing never faults and needs no signal handler.
//
// Two probes exist. The preferred one copies with process_vm_readv on the
// own process and, for a write check, copies the byte just read back with
// process_vm_writev, which honours page protections. Sandboxes sometimes
// refuse those calls; then a pipe serves: write(2) from the address tests
// that it can be read, and read(2) into it of the byte just written tests
// that it can be written.
//
// A write check puts back the value it read, as the Win32 check does; like
// that check it is not atomic against another thread writing the same byte.
// The module validates on one thread, so this is acceptable.
#ifndef ORV_PLATFORM_POINTER_CHECK_POSIX_H_
#define ORV_PLATFORM_POINTER_CHECK_POSIX_H_

#include <stdint.h>

namespace orv {
namespace platform {
namespace posix {

enum class ProbeMethod {
  kProcessVm,  // process_vm_readv / process_vm_writev
  kPipe,       // write(2) / read(2) through a private pipe
};

// True when all `count` bytes at `pointer` can be read (with `write`: read
// and written). A count of 0 always passes; a null pointer or a range that
// wraps around the address space fails. Memory is left as it was.
bool RangeAccessible(const void* pointer, uintptr_t count, bool write);

// The same with a chosen probe; for tests of both probes.
bool RangeAccessibleWith(ProbeMethod method, const void* pointer,
                         uintptr_t count, bool write);

}  // namespace posix
}  // namespace platform
}  // namespace orv

#endif  // ORV_PLATFORM_POINTER_CHECK_POSIX_H_
