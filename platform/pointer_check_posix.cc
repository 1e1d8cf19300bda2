#include "platform/pointer_check_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

namespace orv {
namespace platform {
namespace posix {
namespace {

// Result of probing one byte.
enum class Probe { kAccessible, kInaccessible, kRefused };

// The probes call the kernel directly rather than through the C library's
// wrappers, which sanitizer run-times intercept and would inspect the very
// bytes being probed.

// The process id, asked of the kernel once per process: getpid() is a
// system call, and pointer checks run on every interface call. A child made
// by fork() asks again.
std::atomic<pid_t> cachedPid{0};

void ForgetPid() { cachedPid.store(0, std::memory_order_relaxed); }

pid_t SelfPid() {
  static const bool registered = pthread_atfork(nullptr, nullptr, ForgetPid) == 0;
  pid_t pid = cachedPid.load(std::memory_order_relaxed);
  if (pid == 0 || !registered) {
    pid = getpid();
    cachedPid.store(pid, std::memory_order_relaxed);
  }
  return pid;
}

Probe ProbeByProcessVm(const void* address, bool write) {
  unsigned char byte = 0;
  struct iovec local = {&byte, 1};
  struct iovec remote = {const_cast<void*>(address), 1};
  const pid_t self = SelfPid();
  long copied = syscall(SYS_process_vm_readv, self, &local, 1UL, &remote, 1UL,
                        0UL);
  if (copied == 1 && write) {
    copied = syscall(SYS_process_vm_writev, self, &local, 1UL, &remote, 1UL,
                     0UL);
  }
  if (copied == 1) return Probe::kAccessible;
  if (copied < 0 && errno == EFAULT) return Probe::kInaccessible;
  return Probe::kRefused;
}

// A pipe private to the process (and recreated after fork(), so that a
// child never reads its parent's probe byte into memory). Guarded by
// `mutex`.
struct ProbePipe {
  std::mutex mutex;
  pid_t owner = 0;
  int fds[2] = {-1, -1};

  bool Ready() {
    if (owner == getpid()) return true;
    // Inherited descriptors are the parent's; leave them to it.
    if (syscall(SYS_pipe2, fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    owner = getpid();
    return true;
  }
};

ProbePipe& ThePipe() {
  static ProbePipe* pipe = new ProbePipe;  // never destroyed: used at exit
  return *pipe;
}

long RawRead(int fd, void* buffer) {
  for (;;) {
    long n = syscall(SYS_read, fd, buffer, 1UL);
    if (n >= 0 || errno != EINTR) return n;
  }
}

long RawWrite(int fd, const void* buffer) {
  for (;;) {
    long n = syscall(SYS_write, fd, buffer, 1UL);
    if (n >= 0 || errno != EINTR) return n;
  }
}

Probe ProbeByPipe(const void* address, bool write) {
  ProbePipe& probe = ThePipe();
  std::lock_guard<std::mutex> hold(probe.mutex);
  if (!probe.Ready()) return Probe::kRefused;
  // The pipe is empty between probes: every byte written is read back below.
  long sent = RawWrite(probe.fds[1], address);
  if (sent != 1) {
    return sent < 0 && errno == EFAULT ? Probe::kInaccessible
                                       : Probe::kRefused;
  }
  if (write) {
    // Put the byte back where it came from; on EFAULT it stays in the pipe.
    long received = RawRead(probe.fds[0], const_cast<void*>(address));
    if (received == 1) return Probe::kAccessible;
    bool fault = received < 0 && errno == EFAULT;
    unsigned char drain;
    RawRead(probe.fds[0], &drain);
    return fault ? Probe::kInaccessible : Probe::kRefused;
  }
  unsigned char drain;
  RawRead(probe.fds[0], &drain);
  return Probe::kAccessible;
}

uintptr_t PageSize() {
  static const uintptr_t size = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  return size;
}

bool ProbeByte(ProbeMethod* method, const void* address, bool write) {
  if (*method == ProbeMethod::kProcessVm) {
    Probe result = ProbeByProcessVm(address, write);
    if (result != Probe::kRefused) return result == Probe::kAccessible;
    *method = ProbeMethod::kPipe;
  }
  // If even the pipe is refused, nothing can be proven readable: fail safe.
  return ProbeByPipe(address, write) == Probe::kAccessible;
}

bool CheckRange(ProbeMethod* method, const void* pointer, uintptr_t count,
                bool write) {
  if (count == 0) return true;
  const uintptr_t first = reinterpret_cast<uintptr_t>(pointer);
  if (first == 0) return false;
  const uintptr_t last = first + (count - 1);
  if (last < first) return false;  // wraps around the address space
  const uintptr_t page = PageSize();
  uintptr_t address = first;
  for (;;) {
    if (!ProbeByte(method, reinterpret_cast<const void*>(address), write)) {
      return false;
    }
    const uintptr_t next_page = (address & ~(page - 1)) + page;
    if (next_page == 0 || next_page > last) return true;
    address = next_page;
  }
}

}  // namespace

bool RangeAccessible(const void* pointer, uintptr_t count, bool write) {
  // Once the preferred probe is refused it stays refused for the process.
  static std::atomic<ProbeMethod> preferred{ProbeMethod::kProcessVm};
  ProbeMethod method = preferred.load(std::memory_order_relaxed);
  bool accessible = CheckRange(&method, pointer, count, write);
  preferred.store(method, std::memory_order_relaxed);
  return accessible;
}

bool RangeAccessibleWith(ProbeMethod method, const void* pointer,
                         uintptr_t count, bool write) {
  return CheckRange(&method, pointer, count, write);
}

}  // namespace posix
}  // namespace platform
}  // namespace orv
