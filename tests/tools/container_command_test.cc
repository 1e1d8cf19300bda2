// The container commands (create, ls, tree, cat, put, mkdir, rm, mv) run
// against a fake container (fake_container.h): their output, their exit
// codes, what they change and save, and that they give back every
// reference they take, also when a step fails.
#include <stdio.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/doubles/scratch_directory.h"
#include "tests/tools/fake_file_system.h"
#include "tools/commands.h"
#include "tools/container.h"
#include "tools/entry_path.h"
#include "tools/text_format.h"
#include "tools/tree_command.h"

namespace orv {
namespace tool {
namespace {

using ::orv::testing::FakeFileSystem;
using ::orv::testing::FakeNode;
using ::orv::testing::FakeTree;
using ::orv::testing::ScratchDirectory;

const char kBox[] = "box.orv";
const std::string kBinary("\0\r\n\x1a\xff", 5);
const std::string kOddName("odd\tname\x01\"q\\", 12);

class ContainerCommandTest : public ::testing::Test {
 protected:
  // The container every test starts from:
  //   docs           no payload
  //     readme       "hello\n"
  //     bin          five bytes that text-mode output would change
  //     odd\tname... no payload
  //   empty          a payload of 0 bytes
  void SetUp() override {
    FakeTree& box = tree();
    FakeNode* docs = box.Add(box.root(), "docs");
    box.Add(docs, "readme", "hello\n");
    box.Add(docs, "bin", kBinary.data(), kBinary.size());
    box.Add(docs, kOddName);
    box.Add(box.root(), "empty", "");
  }

  FakeTree& tree() { return fs_.Container(kBox); }

  // Runs one command line; the tool must hold no reference afterwards.
  int Run(const std::vector<std::string>& words, bool backup = false) {
    out_ = StringSink();
    err_ = StringSink();
    CommandContext context = {&fs_, &out_, &err_, backup};
    int code = RunCommand(context, words);
    for (const auto& container : fs_.containers) {
      EXPECT_EQ(0, container.second->HeldReferences()) << container.first;
    }
    EXPECT_EQ(0, fs_.references);
    return code;
  }

  // A source file for put, with exactly `bytes` in it.
  std::string Source(const std::string& bytes) {
    std::string path = directory_.Path("source.bin");
    FILE* file = fopen(path.c_str(), "wb");
    EXPECT_NE(nullptr, file);
    if (file == nullptr) return path;
    EXPECT_EQ(bytes.size(), fwrite(bytes.data(), 1, bytes.size(), file));
    fclose(file);
    return path;
  }

  FakeFileSystem fs_;
  StringSink out_;
  StringSink err_;
  ScratchDirectory directory_;
};

TEST_F(ContainerCommandTest, LsListsSizeChildrenAndEscapedNames) {
  const struct {
    std::vector<std::string> words;
    const char* out;
  } kCases[] = {
      {{"ls", kBox},
       "         -        3  docs\n"
       "         0        0  empty\n"},
      {{"ls", kBox, "/"},
       "         -        3  docs\n"
       "         0        0  empty\n"},
      {{"ls", kBox, "docs"},
       "         6        0  readme\n"
       "         5        0  bin\n"
       "         -        0  odd\\x09name\\x01\\x22q\\x5C\n"},
      {{"ls", kBox, "/docs/readme"}, ""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(kExitSuccess, Run(c.words)) << c.words.back();
    EXPECT_EQ(c.out, out_.contents()) << c.words.back();
    EXPECT_EQ("", err_.contents());
  }
  EXPECT_EQ(kOpenRead, fs_.lastMode);
  EXPECT_EQ(0, tree().saves);
}

// Names longer than the tool's first guess, up to the longest there is.
TEST_F(ContainerCommandTest, LongNamesAreShownWhole) {
  const std::string kLongest(65535, 'n');
  const std::string kLong = std::string(256, 'm') + "x";
  FakeNode* empty = tree().At({"empty"});
  tree().Add(empty, kLong);
  tree().Add(empty, kLongest, "!");
  EXPECT_EQ(kExitSuccess, Run({"ls", kBox, "empty"}));
  EXPECT_EQ("         -        0  " + kLong + "\n" +
                "         1        0  " + kLongest + "\n",
            out_.contents());
}

TEST_F(ContainerCommandTest, TreeIndentsEveryLevel) {
  EXPECT_EQ(kExitSuccess, Run({"tree", kBox}));
  EXPECT_EQ(
      "docs\n"
      "  readme  (6 bytes)\n"
      "  bin  (5 bytes)\n"
      "  odd\\x09name\\x01\\x22q\\x5C\n"
      "empty  (0 bytes)\n",
      out_.contents());
  EXPECT_EQ(kOpenRead, fs_.lastMode);
  EXPECT_EQ(0, tree().saves);
}

// A chain deeper than the indentation cap: the walk keeps its own stack,
// and lines below the cap say their level instead of indenting further.
TEST_F(ContainerCommandTest, TreeWalksDeepChainsWithBoundedIndentation) {
  FakeNode* node = tree().At({"docs", "readme"});
  const size_t kDepth = kMaxIndentLevels + 8;
  for (size_t i = 0; i < kDepth; ++i) node = tree().Add(node, "d");
  tree().Add(node, "bottom", "x");
  EXPECT_EQ(kExitSuccess, Run({"tree", kBox}));
  const std::string& text = out_.contents();
  EXPECT_NE(std::string::npos,
            text.find("\n" + std::string(2 * kMaxIndentLevels, ' ') + "d\n"));
  std::string last = std::string(2 * kMaxIndentLevels, ' ') + "(level " +
                     std::to_string(kDepth + 2) + ") bottom  (1 bytes)\n";
  EXPECT_NE(std::string::npos, text.find(last)) << text;
  EXPECT_EQ(std::string::npos,
            text.find(std::string(2 * kMaxIndentLevels + 1, ' ')));
}

TEST_F(ContainerCommandTest, CatWritesThePayloadByteForByte) {
  EXPECT_EQ(kExitSuccess, Run({"cat", kBox, "docs/bin"}));
  EXPECT_EQ(kBinary, out_.contents());
  EXPECT_EQ(kExitSuccess, Run({"cat", kBox, "empty"}));
  EXPECT_EQ("", out_.contents());
  EXPECT_EQ(kOpenRead, fs_.lastMode);
  EXPECT_EQ(0, tree().saves);
}

TEST_F(ContainerCommandTest, WhatIsNotThereAnswersNoAndSavesNothing) {
  const struct {
    std::vector<std::string> words;
    const char* err;
  } kCases[] = {
      {{"ls", kBox, "nope"}, "orv: ls: box.orv: nope: no such entry\n"},
      {{"cat", kBox, "docs/nope/deeper"},
       "orv: cat: box.orv: docs/nope/deeper: no such entry (docs/nope is "
       "missing)\n"},
      {{"cat", kBox, "docs"}, "orv: cat: box.orv: docs: no payload\n"},
      {{"rm", kBox, "docs/Readme"},
       "orv: rm: box.orv: docs/Readme: no such entry\n"},
      {{"mv", kBox, "nope/x", "y"},
       "orv: mv: box.orv: nope/x: no such entry (nope is missing)\n"},
      {{"mkdir", kBox, "docs/readme"},
       "orv: mkdir: box.orv: docs/readme: exists already\n"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(kExitNo, Run(c.words)) << c.err;
    EXPECT_EQ("", out_.contents());
    EXPECT_EQ(c.err, err_.contents());
  }
  EXPECT_EQ(0, tree().saves);
}

TEST_F(ContainerCommandTest, PutMakesMissingEntriesAndSavesInPlace) {
  std::string bytes = kBinary + std::string(200000, 'z') + kBinary;
  EXPECT_EQ(kExitSuccess, Run({"put", kBox, "new/deeper/file", Source(bytes)}));
  EXPECT_EQ("", err_.contents());
  FakeNode* file = tree().At({"new", "deeper", "file"});
  ASSERT_NE(nullptr, file);
  EXPECT_EQ(bytes, file->payload);
  EXPECT_FALSE(tree().At({"new"})->hasPayload);
  EXPECT_GE(tree().writes, 4);  // copied in blocks, not whole
  // New entries go to the end of their lists.
  EXPECT_EQ((std::vector<std::string>{"docs", "empty", "new"}),
            FakeTree::NamesIn(tree().root()));
  EXPECT_EQ(kOpenReadWrite, fs_.lastMode);
  EXPECT_EQ(1, tree().saves);
  EXPECT_EQ(0, tree().lastBackup);

  // An existing payload is replaced, and --backup reaches the save.
  EXPECT_EQ(kExitSuccess, Run({"put", kBox, "docs/readme", Source("")}, true));
  EXPECT_TRUE(tree().At({"docs", "readme"})->hasPayload);
  EXPECT_EQ("", tree().At({"docs", "readme"})->payload);
  EXPECT_EQ(3u, tree().At({"docs"})->children.size());
  EXPECT_EQ(2, tree().saves);
  EXPECT_EQ(1, tree().lastBackup);
}

TEST_F(ContainerCommandTest, MkdirMakesThePathAndSaves) {
  EXPECT_EQ(kExitSuccess, Run({"mkdir", kBox, "docs/a/b"}));
  EXPECT_NE(nullptr, tree().At({"docs", "a", "b"}));
  EXPECT_FALSE(tree().At({"docs", "a", "b"})->hasPayload);
  EXPECT_EQ((std::vector<std::string>{"readme", "bin", kOddName, "a"}),
            FakeTree::NamesIn(tree().At({"docs"})));
  EXPECT_EQ(1, tree().saves);
}

TEST_F(ContainerCommandTest, RmTakesTheEntryOutOfItsOwnList) {
  EXPECT_EQ(kExitSuccess, Run({"rm", kBox, "docs/bin"}));
  EXPECT_EQ((std::vector<std::string>{"readme", kOddName}),
            FakeTree::NamesIn(tree().At({"docs"})));
  EXPECT_EQ(kExitSuccess, Run({"rm", kBox, "docs"}));
  EXPECT_EQ((std::vector<std::string>{"empty"}),
            FakeTree::NamesIn(tree().root()));
  EXPECT_EQ(2, tree().saves);
}

TEST_F(ContainerCommandTest, MvRenamesWithinTheList) {
  EXPECT_EQ(kExitSuccess, Run({"mv", kBox, "docs/readme", "README"}));
  EXPECT_EQ((std::vector<std::string>{"README", "bin", kOddName}),
            FakeTree::NamesIn(tree().At({"docs"})));
  EXPECT_EQ(1, tree().saves);

  EXPECT_EQ(kExitError, Run({"mv", kBox, "docs/README", "bin"}));
  EXPECT_EQ(
      "orv: mv: box.orv: docs/README: cannot rename: bin exists there "
      "already: E_FAIL (0x80004005)\n",
      err_.contents());
  EXPECT_EQ(1, tree().saves);
}

TEST_F(ContainerCommandTest, BadArgumentsAreRefusedBeforeOpening) {
  const struct {
    std::vector<std::string> words;
    const char* err;
  } kCases[] = {
      {{"ls", kBox, "docs//readme"},
       "orv: ls: box.orv: docs//readme: empty name in entry path\n"},
      {{"cat", kBox, "/"},
       "orv: cat: box.orv: the path must name an entry, not the root\n"},
      {{"put", kBox, "", "source"},
       "orv: put: box.orv: the path must name an entry, not the root\n"},
      {{"mkdir", kBox, "docs/"},
       "orv: mkdir: box.orv: docs/: empty name in entry path\n"},
      {{"rm", kBox, "/"},
       "orv: rm: box.orv: the path must name an entry, not the root\n"},
      {{"mv", kBox, "docs", "a/b"},
       "orv: mv: box.orv: a/b: a new name must be one name of 1 to 65535 "
       "bytes without '/'\n"},
      {{"mv", kBox, "docs", ""},
       "orv: mv: box.orv: \"\": a new name must be one name of 1 to 65535 "
       "bytes without '/'\n"},
      {{"put", kBox, "docs/x", "no-such-source"},
       "orv: put: box.orv: no-such-source: cannot open for reading\n"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(kExitError, Run(c.words)) << c.err;
    EXPECT_EQ(c.err, err_.contents());
  }
  EXPECT_EQ(0, fs_.opens);
}

TEST_F(ContainerCommandTest, FailedStepsReportTheirCodeAndSaveNothing) {
  const std::string source = Source("0123456789abcdef");
  const struct {
    const char* label;
    HRESULT FakeTree::*knob;
    HRESULT value;
    std::vector<std::string> words;
    const char* err;
  } kCases[] = {
      {"write", nullptr, S_OK, {"put", kBox, "docs/readme", source},
       "orv: put: box.orv: cannot write: E_OUTOFMEMORY (0x8007000E)\n"},
      {"create entry", &FakeTree::createEntryResult, E_OUTOFMEMORY,
       {"mkdir", kBox, "docs/a/b"},
       "orv: mkdir: box.orv: docs/a/b: cannot make the entry: E_OUTOFMEMORY "
       "(0x8007000E)\n"},
      {"open payload", &FakeTree::openInputResult, E_FAIL,
       {"cat", kBox, "docs/readme"},
       "orv: cat: box.orv: docs/readme: cannot read the payload: E_FAIL "
       "(0x80004005)\n"},
      {"list", &FakeTree::openInputResult, E_FAIL, {"ls", kBox, "docs"},
       "orv: ls: box.orv: cannot list: E_FAIL (0x80004005)\n"},
      {"walk", &FakeTree::openInputResult, E_FAIL, {"tree", kBox},
       "orv: tree: box.orv: cannot walk: E_FAIL (0x80004005)\n"},
  };
  for (const auto& c : kCases) {
    FakeFileSystem fs;
    FakeTree& box = fs.Container(kBox);
    box.Add(box.Add(box.root(), "docs"), "readme", "hello\n");
    box.writeLimit = 10;
    if (c.knob != nullptr) box.*(c.knob) = c.value;
    StringSink out, err;
    CommandContext context = {&fs, &out, &err, false};
    EXPECT_EQ(kExitError, RunCommand(context, c.words)) << c.label;
    EXPECT_EQ(c.err, err.contents()) << c.label;
    EXPECT_EQ(0, box.saves) << c.label;
    EXPECT_EQ(0, box.HeldReferences()) << c.label;
  }
}

TEST_F(ContainerCommandTest, FailedSavesAndOpensAreExplained) {
  const struct {
    const char* label;
    HRESULT openResult;
    HRESULT saveResult;
    std::vector<std::string> words;
    const char* err;
  } kCases[] = {
      {"save denied", S_OK, E_ACCESSDENIED, {"rm", kBox, "empty"},
       "orv: rm: box.orv: cannot save (the folder or the container cannot be "
       "written, or another program holds it): E_ACCESSDENIED "
       "(0x80070005)\n"},
      {"save failed", S_OK, E_FAIL, {"mkdir", kBox, "x"},
       "orv: mkdir: box.orv: cannot save: E_FAIL (0x80004005)\n"},
      {"open denied", E_ACCESSDENIED, S_OK, {"tree", kBox},
       "orv: tree: box.orv: cannot open the container (missing, not "
       "accessible, or held by another program): E_ACCESSDENIED "
       "(0x80070005)\n"},
      {"not a container", E_FAIL, S_OK, {"ls", kBox},
       "orv: ls: box.orv: not a container, or damaged: E_FAIL "
       "(0x80004005)\n"},
      {"path too long", E_INVALIDARG, S_OK, {"cat", kBox, "x"},
       "orv: cat: box.orv: cannot open the container (path too long?): "
       "E_INVALIDARG (0x80070057)\n"},
      {"other", E_OUTOFMEMORY, S_OK, {"mv", kBox, "x", "y"},
       "orv: mv: box.orv: cannot open the container: E_OUTOFMEMORY "
       "(0x8007000E)\n"},
  };
  for (const auto& c : kCases) {
    fs_.openResult = c.openResult;
    tree().saveResult = c.saveResult;
    EXPECT_EQ(kExitError, Run(c.words)) << c.label;
    EXPECT_EQ(c.err, err_.contents()) << c.label;
    EXPECT_EQ("", out_.contents()) << c.label;
  }
}

TEST_F(ContainerCommandTest, CreateMakesAndSavesANewContainerOnly) {
  std::string fresh = directory_.Path("fresh.orv");
  EXPECT_EQ(kExitSuccess, Run({"create", fresh}));
  EXPECT_EQ(1, fs_.lastCreate);
  EXPECT_EQ(1, fs_.Container(fresh).saves);
  EXPECT_EQ(0, fs_.Container(fresh).lastBackup);

  // A file that is there is never emptied: create does not even open it.
  std::string taken = Source("precious");
  int opens = fs_.opens;
  EXPECT_EQ(kExitError, Run({"create", taken}));
  EXPECT_EQ("orv: create: " + taken + ": exists already; not replaced\n",
            err_.contents());
  EXPECT_EQ(opens, fs_.opens);

#if !defined(_WIN32)
  // Below a file: the path cannot be checked, so it is not touched either.
  std::string unknown = taken + "/inner.orv";
  EXPECT_EQ(kExitError, Run({"create", unknown}));
  EXPECT_EQ("orv: create: " + unknown +
                ": cannot tell whether it exists; not replaced\n",
            err_.contents());
  EXPECT_EQ(opens, fs_.opens);
#endif

  std::string failing = directory_.Path("failing.orv");
  fs_.openResult = E_ACCESSDENIED;
  EXPECT_EQ(kExitError, Run({"create", failing}));
  EXPECT_EQ("orv: create: " + failing +
                ": cannot create the container: E_ACCESSDENIED (0x80070005)\n",
            err_.contents());
}

TEST(EntryPathTest, SplitsNamesAndRefusesWhatNoEntryCanBeCalled) {
  const struct {
    std::string text;
    std::vector<std::string> names;
    const char* error;
  } kCases[] = {
      {"", {}, ""},
      {"/", {}, ""},
      {"a", {"a"}, ""},
      {"/a/b c/d", {"a", "b c", "d"}, ""},
      {std::string("a\0b/\xff", 5), {std::string("a\0b", 3), "\xff"}, ""},
      {std::string(65535, 'n'), {std::string(65535, 'n')}, ""},
      {std::string(65536, 'n'), {}, "name longer than 65535 bytes in entry path"},
      {"a//b", {}, "empty name in entry path"},
      {"a/", {}, "empty name in entry path"},
      {"//a", {}, "empty name in entry path"},
  };
  for (const auto& c : kCases) {
    EntryPath path;
    std::string error;
    EXPECT_EQ(c.error[0] == '\0', path.Parse(c.text, &error))
        << c.text.substr(0, 20);
    EXPECT_EQ(c.error, error) << c.text.substr(0, 20);
    EXPECT_EQ(c.names, path.names()) << c.text.substr(0, 20);
  }
}

TEST(TextFormatTest, NamesAreOneLineOfPrintableText) {
  const struct {
    std::string bytes;
    const char* text;
  } kCases[] = {
      {"", "\"\""},
      {"plain name.txt", "plain name.txt"},
      {"a/b", "a/b"},
      {std::string("\0\n\r\x7f\x80\xff", 6), "\\x00\\x0A\\x0D\\x7F\\x80\\xFF"},
      {"say \"hi\" \\ bye", "say \\x22hi\\x22 \\x5C bye"},
  };
  for (const auto& c : kCases) EXPECT_EQ(c.text, FormatName(c.bytes));
}

}  // namespace
}  // namespace tool
}  // namespace orv
