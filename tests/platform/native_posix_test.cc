// What only the POSIX implementation can show: both pointer probes, transfers
// that the kernel splits or interrupts, and sharing between processes.
#include <errno.h>
#include <stdio.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <new>
#include <string>

#include "gtest/gtest.h"
#include "platform/platform.h"
#include "platform/pointer_check_posix.h"
#include "tests/doubles/guarded_buffer.h"
#include "tests/doubles/scratch_directory.h"

namespace orv {
namespace testing {
namespace {

using namespace orv::platform;  // the classic names under test
using posix::ProbeMethod;
using posix::RangeAccessibleWith;

// ---------------------------------------------------------------------------
// Both probes, so that the fallback is known to work where the preferred
// calls are refused.

class ProbeTest : public ::testing::TestWithParam<ProbeMethod> {};

TEST_P(ProbeTest, TellsAccessibleFromProtectedPages) {
  const ProbeMethod method = GetParam();
  GuardedBuffer buffer(100);
  buffer.data()[99] = 0x3c;
  EXPECT_TRUE(RangeAccessibleWith(method, buffer.data(), 100, false));
  EXPECT_TRUE(RangeAccessibleWith(method, buffer.data(), 100, true));
  EXPECT_FALSE(RangeAccessibleWith(method, buffer.data(), 101, false));
  EXPECT_FALSE(RangeAccessibleWith(method, buffer.data(), 101, true));
  EXPECT_TRUE(RangeAccessibleWith(method, buffer.end(), 0, true));
  EXPECT_FALSE(RangeAccessibleWith(method, nullptr, 1, false));
  buffer.SetAccess(GuardedBuffer::kReadOnly);
  EXPECT_TRUE(RangeAccessibleWith(method, buffer.data(), 100, false));
  EXPECT_FALSE(RangeAccessibleWith(method, buffer.data() + 99, 1, true));
  EXPECT_EQ(0x3c, buffer.data()[99]);
  buffer.SetAccess(GuardedBuffer::kNoAccess);
  EXPECT_FALSE(RangeAccessibleWith(method, buffer.data(), 1, false));
  // A failed write probe through the pipe must not leave its byte behind
  // for the next probe to write somewhere.
  buffer.SetAccess(GuardedBuffer::kReadWrite);
  EXPECT_TRUE(RangeAccessibleWith(method, buffer.data() + 99, 1, true));
  EXPECT_EQ(0x3c, buffer.data()[99]);
}

TEST_P(ProbeTest, ChildProcessProbesItsOwnMemory) {
  const ProbeMethod method = GetParam();
  // The parent probes first so that a pipe exists before fork().
  uint8_t parent_byte = 0x11;
  ASSERT_TRUE(RangeAccessibleWith(method, &parent_byte, 1, true));
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    uint8_t child_byte = 0x22;
    bool ok = RangeAccessibleWith(method, &child_byte, 1, true) &&
              child_byte == 0x22;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(0x11, parent_byte);
}

INSTANTIATE_TEST_SUITE_P(Probes, ProbeTest,
                         ::testing::Values(ProbeMethod::kProcessVm,
                                           ProbeMethod::kPipe),
                         [](const ::testing::TestParamInfo<ProbeMethod>& i) {
                           return i.param == ProbeMethod::kPipe
                                      ? std::string("Pipe")
                                      : std::string("ProcessVm");
                         });

// ---------------------------------------------------------------------------
// Transfers that arrive in pieces and are interrupted by signals.

std::atomic<int> alarms(0);
void CountAlarm(int) { alarms.fetch_add(1); }

// Delivers SIGALRM every millisecond without SA_RESTART, so that blocking
// reads return EINTR, until destroyed.
class InterruptingTimer {
 public:
  InterruptingTimer() {
    struct sigaction action = {};
    action.sa_handler = CountAlarm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGALRM, &action, &previous_);
    struct itimerval every = {{0, 1000}, {0, 1000}};
    setitimer(ITIMER_REAL, &every, nullptr);
  }
  ~InterruptingTimer() {
    struct itimerval stop = {};
    setitimer(ITIMER_REAL, &stop, nullptr);
    sigaction(SIGALRM, &previous_, nullptr);
  }

 private:
  struct sigaction previous_;
};

TEST(NativeTransferTest, ReadCollectsPiecesAcrossInterruptions) {
  ScratchDirectory dir;
  const std::string fifo = dir.Path("fifo");
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  HFILE reader = _lopen(fifo.c_str(), kOpenRead);
  ASSERT_NE(HFILE_ERROR, reader);
  int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Three pieces with pauses: the reader sees short reads and EINTR.
    for (const char* piece : {"abc", "defgh", "ij"}) {
      usleep(20 * 1000);
      if (write(writer, piece, strlen(piece)) < 0) _exit(1);
    }
    _exit(0);
  }
  close(writer);
  char buffer[16] = {};
  int32_t got;
  {
    InterruptingTimer timer;
    got = _lread(reader, buffer, 10);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(10, got);
  EXPECT_EQ(0, memcmp(buffer, "abcdefghij", 10));
  EXPECT_GT(alarms.load(), 0);
  EXPECT_EQ(0, _lread(reader, buffer, 4));  // the writer is gone: the end
  EXPECT_EQ(0, _lclose(reader));
}

TEST(NativeTransferTest, WriteDeliversEverythingAcrossInterruptions) {
  ScratchDirectory dir;
  const std::string fifo = dir.Path("fifo");
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  HFILE writer = _lopen(fifo.c_str(), kOpenWrite);
  ASSERT_NE(HFILE_ERROR, writer);
  constexpr int kTotal = 1 << 20;  // far more than the pipe holds
  std::string data(kTotal, '\0');
  for (int i = 0; i < kTotal; ++i) data[i] = static_cast<char>(i * 31 + 7);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Drains slowly, so the writer blocks, is interrupted, and resumes.
    // Without its copy of the write end, the child sees the end of the data
    // when the parent closes, rather than waiting forever for bytes that a
    // broken writer never sent.
    close(writer);
    fcntl(reader, F_SETFL, fcntl(reader, F_GETFL) & ~O_NONBLOCK);
    std::string got;
    char chunk[4096];
    while (static_cast<int>(got.size()) < kTotal) {
      ssize_t n = read(reader, chunk, sizeof(chunk));
      if (n <= 0) _exit(1);
      got.append(chunk, static_cast<size_t>(n));
      if (got.size() % (64 * 1024) < sizeof(chunk)) usleep(2000);
    }
    _exit(got == data ? 0 : 2);
  }
  close(reader);
  alarms.store(0);
  int32_t written;
  {
    InterruptingTimer timer;
    written = _lwrite(writer, data.data(), kTotal);
  }
  EXPECT_EQ(0, _lclose(writer));
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  EXPECT_EQ(kTotal, written);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_GT(alarms.load(), 0);
}

TEST(NativeTransferTest, CreatedFilesHaveReadWritePermissionsLessUmask) {
  ScratchDirectory dir;
  mode_t previous = umask(027);
  HFILE file = _lcreat(dir.Path("a").c_str(), 0);
  umask(previous);
  ASSERT_NE(HFILE_ERROR, file);
  struct stat info;
  ASSERT_EQ(0, fstat(file, &info));
  EXPECT_EQ(0640u, info.st_mode & 0777u);
  EXPECT_EQ(0, _lclose(file));
}

TEST(NativeTransferTest, DirectoriesAreNotFiles) {
  ScratchDirectory dir;
  EXPECT_EQ(HFILE_ERROR, _lopen(dir.path().c_str(), kOpenRead));
  EXPECT_EQ(HFILE_ERROR, _lcreat(dir.path().c_str(), 0));
}

// With stdout closed, a handle that took descriptor 1 would receive
// everything the process prints.
TEST(NativeTransferTest, HandlesAvoidTheStandardDescriptors) {
  ScratchDirectory dir;
  fflush(stdout);
  int saved_stdout = fcntl(1, F_DUPFD_CLOEXEC, 10);
  ASSERT_GE(saved_stdout, 0);
  close(1);
  HFILE file = _lcreat(dir.Path("a").c_str(), 0);
  dup2(saved_stdout, 1);
  close(saved_stdout);
  ASSERT_NE(HFILE_ERROR, file);
  EXPECT_GE(file, 3);
  EXPECT_EQ(0, _lclose(file));
}

TEST(NativeTransferTest, HandlesAreClosedOnExec) {
  ScratchDirectory dir;
  HFILE file = _lcreat(dir.Path("a").c_str(), 0);
  ASSERT_NE(HFILE_ERROR, file);
  EXPECT_EQ(FD_CLOEXEC, fcntl(file, F_GETFD) & FD_CLOEXEC);
  EXPECT_EQ(0, _lclose(file));
}

TEST(NativeTransferTest, ForeignDescriptorsAreNotHandles) {
  int pipe_fds[2];
  ASSERT_EQ(0, pipe(pipe_fds));
  char c;
  EXPECT_EQ(-1, _lread(pipe_fds[0], &c, 1));
  EXPECT_EQ(-1, _lwrite(pipe_fds[1], "x", 1));
  EXPECT_EQ(HFILE_ERROR, _lclose(pipe_fds[0]));
  EXPECT_EQ(1, write(pipe_fds[1], "y", 1));  // still open
  close(pipe_fds[0]);
  close(pipe_fds[1]);
}

// ---------------------------------------------------------------------------
// Names

TEST(NativeNamesTest, RefusalsReportAccessDenied) {
  ScratchDirectory dir;
  const std::string path = dir.Path("a");
  HFILE held = _lcreat(path.c_str(), 0);
  ASSERT_NE(HFILE_ERROR, held);
  errno = 0;
  EXPECT_EQ(-1, _unlink(path.c_str()));
  EXPECT_EQ(EACCES, errno);
  errno = 0;
  EXPECT_EQ(-1, rename(path.c_str(), dir.Path("b").c_str()));
  EXPECT_EQ(EACCES, errno);
  errno = 0;
  EXPECT_EQ(HFILE_ERROR, _lopen(path.c_str(), kOpenRead | kShareExclusive));
  EXPECT_EQ(EACCES, errno);
  EXPECT_EQ(0, _lclose(held));
}

TEST(NativeNamesTest, DirectorySyncFindsTheDirectoryOfAnyPathForm) {
  ScratchDirectory dir;
  EXPECT_EQ(0, SyncDirectory(dir.Path("not-yet-there").c_str()));
  EXPECT_EQ(0, SyncDirectory("bare-name-in-the-working-directory"));
  EXPECT_EQ(0, SyncDirectory("/top-level-name"));
  EXPECT_EQ(-1, SyncDirectory(dir.Path("missing/name").c_str()));
}

// A symbolic link is a name of its own: deleting or renaming it does not
// touch the held file it points to, and is not refused because of it.
TEST(NativeNamesTest, SymbolicLinksAreNamesOfTheirOwn) {
  ScratchDirectory dir;
  const std::string target = dir.Path("box.orv");
  const std::string alias = dir.Path("alias");
  HFILE held = _lcreat(target.c_str(), 0);
  ASSERT_NE(HFILE_ERROR, held);
  ASSERT_EQ(0, symlink(target.c_str(), alias.c_str()));
  EXPECT_EQ(0, rename(alias.c_str(), dir.Path("alias2").c_str()));
  EXPECT_EQ(0, _unlink(dir.Path("alias2").c_str()));
  EXPECT_EQ(0, _access(target.c_str(), 0));
  EXPECT_EQ(0, _lclose(held));
}

// ---------------------------------------------------------------------------
// Sharing between processes

// A child process that runs `body` and reports its result as exit status.
template <typename Body>
int InChild(Body body) {
  pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) _exit(body() ? 0 : 1);
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

class ForkedSharingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.Path("box.orv");
    HFILE file = _lcreat(path_.c_str(), 0);
    ASSERT_NE(HFILE_ERROR, file);
    ASSERT_EQ(4, _lwrite(file, "JORV", 4));
    ASSERT_EQ(0, _lclose(file));
  }

  ScratchDirectory dir_;
  std::string path_;
};

TEST_F(ForkedSharingTest, ChildIsRefusedWhatTheParentsHandleDenies) {
  HFILE container = _lopen(path_.c_str(), 0x22);
  ASSERT_NE(HFILE_ERROR, container);
  const std::string other = dir_.Path("other");
  EXPECT_EQ(0, InChild([&] {
              HFILE moved = _lcreat(other.c_str(), 0);
              if (moved == HFILE_ERROR || _lclose(moved) != 0) return false;
              return _lopen(path_.c_str(), 0x22) == HFILE_ERROR &&
                     _lopen(path_.c_str(), kOpenWrite) == HFILE_ERROR &&
                     _lcreat(path_.c_str(), 0) == HFILE_ERROR &&
                     _unlink(path_.c_str()) == -1 &&
                     rename(other.c_str(), path_.c_str()) == -1 &&
                     rename(path_.c_str(), other.c_str()) == -1;
            }));
  EXPECT_EQ(0, InChild([&] {
              HFILE reader = _lopen(path_.c_str(), kOpenRead);
              return reader != HFILE_ERROR && _lclose(reader) == 0;
            }));
  EXPECT_EQ(0, _lclose(container));
  EXPECT_EQ(0, InChild([&] {
              HFILE reopened = _lopen(path_.c_str(), 0x22);
              return reopened != HFILE_ERROR && _lclose(reopened) == 0;
            }));
}

TEST_F(ForkedSharingTest, ParentIsRefusedWhileAChildHoldsTheFile) {
  int ready[2], release[2];
  ASSERT_EQ(0, pipe(ready));
  ASSERT_EQ(0, pipe(release));
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    HFILE held = _lopen(path_.c_str(), 0x22);
    char c = held == HFILE_ERROR ? 'n' : 'y';
    if (write(ready[1], &c, 1) != 1) _exit(2);
    if (read(release[0], &c, 1) != 1) _exit(2);
    _exit(held != HFILE_ERROR && _lclose(held) == 0 ? 0 : 1);
  }
  char c = 0;
  ASSERT_EQ(1, read(ready[0], &c, 1));
  ASSERT_EQ('y', c);
  EXPECT_EQ(HFILE_ERROR, _lopen(path_.c_str(), kOpenReadWrite));
  EXPECT_EQ(HFILE_ERROR, _lcreat(path_.c_str(), 0));
  EXPECT_EQ(-1, _unlink(path_.c_str()));
  HFILE reader = _lopen(path_.c_str(), kOpenRead);
  EXPECT_NE(HFILE_ERROR, reader);
  if (reader != HFILE_ERROR) _lclose(reader);
  ASSERT_EQ(1, write(release[1], "x", 1));
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // The child's exit released its locks.
  EXPECT_EQ(0, _unlink(path_.c_str()));
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
}

// Many processes try again and again to take the file exclusively; at no
// moment may two of them hold it. Without the gate around check-and-take,
// two openers could both check before either takes; with the gate removed
// this test usually sees such an overlap within a few hundred wins.
TEST_F(ForkedSharingTest, ExclusiveOpenersNeverOverlap) {
  constexpr int kChildren = 6;
  constexpr int kWinsPerChild = 50;
  constexpr int kAttemptsPerChild = 200000;
  struct Shared {
    std::atomic<int> go;
    std::atomic<int> holders;
    std::atomic<int> overlaps;
    std::atomic<int> wins;
  };
  void* memory = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE,
                      MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(MAP_FAILED, memory);
  Shared* shared = new (memory) Shared{{0}, {0}, {0}, {0}};
  pid_t children[kChildren];
  for (pid_t& child : children) {
    child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      while (shared->go.load() == 0) sched_yield();
      int mine = 0;
      for (int attempt = 0;
           attempt < kAttemptsPerChild && mine < kWinsPerChild; ++attempt) {
        HFILE file = _lopen(path_.c_str(), kOpenReadWrite | kShareExclusive);
        if (file == HFILE_ERROR) continue;
        ++mine;
        shared->wins.fetch_add(1);
        if (shared->holders.fetch_add(1) != 0) shared->overlaps.fetch_add(1);
        sched_yield();
        shared->holders.fetch_sub(1);
        _lclose(file);
      }
      _exit(0);
    }
  }
  shared->go.store(1);
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
  }
  EXPECT_EQ(0, shared->overlaps.load());
  EXPECT_GT(shared->wins.load(), kWinsPerChild);
  munmap(memory, sizeof(Shared));
}

}  // namespace
}  // namespace testing
}  // namespace orv
