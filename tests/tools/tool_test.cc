// The orv tool's commands, formatting and command line, run against a fake
// file system and string sinks.
#include <string.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/tools/fake_file_system.h"
#include "tools/commands.h"
#include "tools/text_format.h"
#include "tools/tool.h"
#include "tools/tool_arguments.h"

namespace orv {
namespace tool {
namespace {

using ::orv::testing::FakeFileSystem;

// This system's descriptor, as a host receives it.
void FillDescriptor(uint8_t* descriptor) {
  const uint8_t identifier[16] = {0x20, 0x57, 0xBB, 0x7B, 0x42, 0xCF,
                                  0xCF, 0x11, 0xA7, 0x99, 0x44, 0x45,
                                  0x53, 0x54, 0x00, 0x00};
  memset(descriptor, 0, kDescriptorSize);
  memcpy(descriptor, identifier, sizeof(identifier));
  descriptor[17] = 0x01;
  memcpy(descriptor + 18, "ORV Standard filesystem 1.0", 27);
  memcpy(descriptor + 50, "Vantorium", 9);
}

class CommandTest : public ::testing::Test {
 protected:
  int Run(const std::vector<std::string>& words) {
    CommandContext context = {&fs_, &out_, &err_, false};
    return RunCommand(context, words);
  }

  FakeFileSystem fs_;
  StringSink out_;
  StringSink err_;
};

TEST_F(CommandTest, InfoPrintsTheDescriptorFields) {
  FillDescriptor(fs_.descriptor);
  EXPECT_EQ(kExitSuccess, Run({"info"}));
  EXPECT_EQ(
      "identifier: {7BBB5720-CF42-11CF-A799-444553540000}\n"
      "version:    1.0 (0x0100)\n"
      "name:       ORV Standard filesystem 1.0\n"
      "vendor:     Vantorium\n",
      out_.contents());
  EXPECT_EQ("", err_.contents());
}

TEST_F(CommandTest, InfoReportsAFailedGetInfo) {
  fs_.infoResult = E_POINTER;
  EXPECT_EQ(kExitError, Run({"info"}));
  EXPECT_EQ("", out_.contents());
  EXPECT_EQ("orv: info: GetInfo failed: E_POINTER (0x80004003)\n",
            err_.contents());
}

TEST_F(CommandTest, ProbeMapsTheAnswerToExitCodeAndText) {
  const struct {
    HRESULT result;
    int exitCode;
    const char* out;
    const char* err;
  } kCases[] = {
      {S_OK, kExitSuccess, "box.orv: container\n", ""},
      {E_FAIL, kExitNo, "box.orv: not a container\n", ""},
      {E_ACCESSDENIED, kExitError, "",
       "orv: probe: box.orv: cannot be opened for reading and writing: "
       "E_ACCESSDENIED (0x80070005)\n"},
      {E_INVALIDARG, kExitError, "",
       "orv: probe: box.orv: cannot be examined: E_INVALIDARG (0x80070057)\n"},
      {1, kExitError, "", "orv: probe: box.orv: cannot be examined: 0x00000001\n"},
  };
  for (const auto& c : kCases) {
    FakeFileSystem fs;
    fs.containerResult = c.result;
    StringSink out, err;
    CommandContext context = {&fs, &out, &err, false};
    EXPECT_EQ(c.exitCode, RunCommand(context, {"probe", "box.orv"}))
        << FormatResult(c.result);
    EXPECT_EQ("box.orv", fs.probedPath);
    EXPECT_EQ(c.out, out.contents());
    EXPECT_EQ(c.err, err.contents());
  }
}

TEST_F(CommandTest, BadUsageRunsNothing) {
  const struct {
    std::vector<std::string> words;
    const char* firstLine;
  } kCases[] = {
      {{}, "orv: no command given\n"},
      {{"frobnicate"}, "orv: unknown command 'frobnicate'\n"},
      {{"INFO"}, "orv: unknown command 'INFO'\n"},
      {{"info", "extra"}, "orv: usage: orv info\n"},
      {{"probe"}, "orv: usage: orv probe FILE\n"},
      {{"probe", "a", "b"}, "orv: usage: orv probe FILE\n"},
  };
  for (const auto& c : kCases) {
    StringSink err;
    CommandContext context = {&fs_, &out_, &err, false};
    EXPECT_EQ(kExitError, RunCommand(context, c.words)) << c.firstLine;
    EXPECT_EQ(0u, err.contents().find(c.firstLine)) << err.contents();
  }
  EXPECT_EQ("", out_.contents());
  EXPECT_EQ("", fs_.probedPath);
}

TEST(TextFormatTest, DescriptorTextIsBoundedByItsFields) {
  uint8_t descriptor[kDescriptorSize];
  FillDescriptor(descriptor);
  descriptor[16] = 0x34;  // version 0x1234
  descriptor[17] = 0x12;
  memset(descriptor + 18, 'N', 32);  // name without terminator
  descriptor[50] = '\t';             // vendor "\tV\\" then end of text
  descriptor[51] = 'V';
  descriptor[52] = '\\';
  descriptor[53] = 0;
  descriptor[54] = 'X';  // after the terminator: not shown
  EXPECT_EQ(
      "identifier: {7BBB5720-CF42-11CF-A799-444553540000}\n"
      "version:    18.52 (0x1234)\n"
      "name:       " + std::string(32, 'N') + "\n"
      "vendor:     \\x09V\\x5C\n",
      FormatDescriptor(descriptor));
}

TEST(TextFormatTest, GuidShowsTheStoredFieldsInRegistryOrder) {
  const uint8_t bytes[16] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                             0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
  EXPECT_EQ("{00000000-0000-0000-C000-000000000046}", FormatGuid(bytes));
  const uint8_t ordered[16] = {1, 2, 3, 4, 5, 6, 7, 8,
                               9, 10, 11, 12, 13, 14, 15, 16};
  EXPECT_EQ("{04030201-0605-0807-090A-0B0C0D0E0F10}", FormatGuid(ordered));
}

TEST(ToolArgumentsTest, OptionsComeBeforeTheCommand) {
  const struct {
    std::vector<const char*> argv;
    const char* modulePath;
    bool help;
    std::vector<std::string> words;
    const char* error;
  } kCases[] = {
      {{"orv"}, "", false, {}, ""},
      {{"orv", "info"}, "", false, {"info"}, ""},
      {{"orv", "--module", "m.dll", "info"}, "m.dll", false, {"info"}, ""},
      {{"orv", "--module=m.so", "probe", "f"}, "m.so", false, {"probe", "f"},
       ""},
      {{"orv", "-h"}, "", true, {}, ""},
      {{"orv", "probe", "--module"}, "", false, {"probe", "--module"}, ""},
      {{"orv", "--", "-odd"}, "", false, {"-odd"}, ""},
      {{"orv", "--module"}, "", false, {}, "--module needs a path"},
      {{"orv", "--module="}, "", false, {}, "--module needs a path"},
      {{"orv", "-x", "info"}, "", false, {}, "unknown option '-x'"},
  };
  for (const auto& c : kCases) {
    ToolArguments parsed =
        ParseToolArguments(static_cast<int>(c.argv.size()), c.argv.data());
    std::string label = c.argv.size() > 1 ? c.argv[1] : "(none)";
    EXPECT_EQ(c.modulePath, parsed.modulePath) << label;
    EXPECT_EQ(c.help, parsed.help) << label;
    EXPECT_EQ(c.words, parsed.words) << label;
    EXPECT_EQ(c.error, parsed.error) << label;
  }
}

TEST(ToolArgumentsTest, BackupIsAnOptionForEveryCommandThatSaves) {
  const char* argv[] = {"orv", "--backup", "--module=m.so", "rm", "f", "p"};
  ToolArguments parsed = ParseToolArguments(6, argv);
  EXPECT_TRUE(parsed.backup);
  EXPECT_EQ("m.so", parsed.modulePath);
  EXPECT_EQ((std::vector<std::string>{"rm", "f", "p"}), parsed.words);
  // After the command's name it is the command's argument.
  const char* late[] = {"orv", "rm", "--backup", "p"};
  parsed = ParseToolArguments(4, late);
  EXPECT_FALSE(parsed.backup);
  EXPECT_EQ((std::vector<std::string>{"rm", "--backup", "p"}), parsed.words);
}

// Usage problems are reported before any module is loaded: a missing
// module cannot hide them.
TEST(ToolTest, UsageIsCheckedBeforeTheModuleIsLoaded) {
  ToolArguments arguments;
  arguments.modulePath = "no-such-module";
  arguments.words = {"probe"};
  StringSink out, err;
  EXPECT_EQ(kExitError, RunTool(arguments, &out, &err));
  EXPECT_EQ("orv: usage: orv probe FILE\n", err.contents());

  arguments.words = {"info"};
  StringSink out2, err2;
  EXPECT_EQ(kExitError, RunTool(arguments, &out2, &err2));
  EXPECT_EQ(0u, err2.contents().find("orv: no-such-module: cannot load"))
      << err2.contents();
}

}  // namespace
}  // namespace tool
}  // namespace orv
