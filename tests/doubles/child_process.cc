#include "tests/doubles/child_process.h"

#include <stdlib.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace orv {
namespace testing {
namespace {

const char kArgumentVariable[] = "ORV_TEST_CHILD_ARGUMENT";

std::string FilterFlag(const std::string& test_name) {
  return "--gtest_filter=" + test_name;
}

const char kDisabledFlag[] = "--gtest_also_run_disabled_tests";

}  // namespace

#if defined(_WIN32)

int RunTestInChild(const std::string& test_name, const std::string& argument) {
  char program[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, program, sizeof(program));
  if (length == 0 || length >= sizeof(program)) return -1;
  std::string command = std::string("\"") + program + "\" " +
                        FilterFlag(test_name) + " " + kDisabledFlag;
  // The child inherits the environment as it is at creation.
  if (!SetEnvironmentVariableA(kArgumentVariable, argument.c_str())) return -1;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  BOOL started = CreateProcessA(program, &command[0], nullptr, nullptr, FALSE,
                                0, nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableA(kArgumentVariable, nullptr);
  if (!started) return -1;
  CloseHandle(process.hThread);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.hProcess, &code)) {
    code = static_cast<DWORD>(-1);
  }
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

#else

int RunTestInChild(const std::string& test_name, const std::string& argument) {
  const std::string filter = FilterFlag(test_name);
  pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    setenv(kArgumentVariable, argument.c_str(), 1);
    char* const arguments[] = {const_cast<char*>("platform-child"),
                               const_cast<char*>(filter.c_str()),
                               const_cast<char*>(kDisabledFlag), nullptr};
    execv("/proc/self/exe", arguments);
    _exit(127);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

#endif

const char* ChildArgument() { return getenv(kArgumentVariable); }

}  // namespace testing
}  // namespace orv
