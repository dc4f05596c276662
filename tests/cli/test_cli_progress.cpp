// tarlow-script's progress line on a terminal: one line under the progress
// messages, rewritten at every step and gone when the run ends; nothing of
// it when standard error is not a terminal.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/cli_host.h"
#include "editor/text_convert.h"

namespace {

std::string Contents(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string s;
  for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
  return s;
}

struct Fixture {
  tarlow::OptionBoxes boxes;
  tarlow::ObjectList list;
  std::FILE* err = std::tmpfile();
  std::FILE* out = std::tmpfile();
  tarlow::cli::CliHost host{boxes, list, std::nullopt, out, err};
  ~Fixture() {
    std::fclose(err);
    std::fclose(out);
  }
  void Message(const char* line) { host.ScriptStore().Lines().Add(tarlow::Utf8ToUtf16(line)); }
};

TEST(CliProgress, OnATerminalTheLineFollowsTheStepsBelowTheMessages) {
  Fixture f;
  f.host.SetProgressIsTerminal(true);
  f.host.ShowProgress({0, 3, "EMP"});
  f.Message("Writing Metadata for table: EMP.");
  f.host.ShowProgress({1, 3, "DEPT"});
  f.host.ShowProgress({1, 3, "DEPT", 1200});
  f.host.EndProgress();
  EXPECT_EQ(Contents(f.err),
            "\r\033[K[1/3] EMP"
            "\r\033[KWriting Metadata for table: EMP.\n[1/3] EMP"
            "\r\033[K[2/3] DEPT"
            "\r\033[K[2/3] DEPT: 1200 rows"
            "\r\033[K");
}

TEST(CliProgress, ElsewhereOnlyTheMessages) {
  Fixture f;
  f.host.ShowProgress({0, 3, "EMP"});
  f.Message("Writing Metadata for table: EMP.");
  f.host.EndProgress();
  EXPECT_EQ(Contents(f.err), "Writing Metadata for table: EMP.\n");
}

}  // namespace
