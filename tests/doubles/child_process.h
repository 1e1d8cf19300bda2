// Runs one test of the current test program in a separate process, for
// tests of what one process sees of another's handles.
//
//   TEST(Sharing, OtherProcessIsRefused) {
//     ... hold a file ...
//     EXPECT_EQ(0, RunTestInChild("DISABLED_Child.TryTheFile", path));
//   }
//   TEST(DISABLED_Child, TryTheFile) {          // runs only in the child
//     const char* path = ChildArgument();
//     if (path == nullptr) return;
//     ... exit(code) ...
//   }
//
// The child is the same program started afresh with a filter that selects
// one (normally disabled) test; the argument travels in the environment.
#ifndef ORV_TESTS_DOUBLES_CHILD_PROCESS_H_
#define ORV_TESTS_DOUBLES_CHILD_PROCESS_H_

#include <string>

namespace orv {
namespace testing {

// Starts the child, waits for it, and returns its exit code; -1 when it
// could not be started or did not exit normally.
int RunTestInChild(const std::string& test_name, const std::string& argument);

// In a child: the argument given to RunTestInChild. Otherwise null.
const char* ChildArgument();

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_DOUBLES_CHILD_PROCESS_H_
