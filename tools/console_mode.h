// The tool's standard streams as its commands need them: standard output
// carries payload bytes (orv cat) and must pass them unchanged.
#ifndef ORV_TOOLS_CONSOLE_MODE_H_
#define ORV_TOOLS_CONSOLE_MODE_H_

namespace orv {
namespace tool {

// Puts standard output in binary mode, so that no byte is translated (the
// Win32 C run-time's text mode turns "\n" into "\r\n"). Nothing to do on
// POSIX, where there is only one mode. Call before the first output.
void SetBinaryStandardOutput();

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_CONSOLE_MODE_H_
