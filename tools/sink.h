// Where the tool's commands write their text: standard output in the
// program, a string in the tests.
#ifndef ORV_TOOLS_SINK_H_
#define ORV_TOOLS_SINK_H_

#include <stddef.h>
#include <stdio.h>

#include <string>

namespace orv {
namespace tool {

class Sink {
 public:
  virtual ~Sink() = default;
  virtual void Write(const char* data, size_t size) = 0;
  void Write(const std::string& text) { Write(text.data(), text.size()); }
};

// Collects everything written.
class StringSink : public Sink {
 public:
  using Sink::Write;
  void Write(const char* data, size_t size) override {
    contents_.append(data, size);
  }
  const std::string& contents() const { return contents_; }

 private:
  std::string contents_;
};

// Writes to a C stream it does not own (stdout, stderr).
class FileSink : public Sink {
 public:
  explicit FileSink(FILE* file) : file_(file) {}
  using Sink::Write;
  void Write(const char* data, size_t size) override {
    fwrite(data, 1, size, file_);
  }

 private:
  FILE* file_;
};

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_SINK_H_
