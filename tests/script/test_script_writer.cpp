// The two sinks of the script writer: the file keeps every break, the editor
// shows the same lines except a final break, and the banner comment.
#include "script/script_writer.h"

#include <gtest/gtest.h>

#include "support/test_files.h"
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "editor/memo_source.h"
#include "editor/text_convert.h"

namespace tarlow {
namespace {

struct Write {
  std::string text;
  int breaks;
};

struct SinkCase {
  const char* name;
  std::vector<Write> writes;
  std::string file;                 // bytes in the file
  std::vector<std::u16string> lines;  // lines in the editor
};

using test_files::TempDir;

using test_files::ReadAll;

class Sinks : public ::testing::TestWithParam<SinkCase> {};

TEST_P(Sinks, FileAndEditorLines) {
  const auto& c = GetParam();
  TempDir dir;
  TMemoSource fileStore;
  TMemoSource editor;
  {
    auto file = ScriptFile::Create(dir.File("out.sql"));
    ScriptWriter toFile(fileStore, file.get());
    ScriptWriter toEditor(editor, nullptr);
    EXPECT_TRUE(toFile.ToFile());
    EXPECT_FALSE(toEditor.ToFile());
    for (const auto& w : c.writes) {
      toFile.WriteScript(w.text, w.breaks);
      toEditor.WriteScript(w.text, w.breaks);
    }
    file->Close();
  }
  EXPECT_EQ(ReadAll(dir.File("out.sql")), c.file);
  EXPECT_EQ(fileStore.Lines().Count(), 0);  // the file sink leaves the store alone
  std::vector<std::u16string> lines;
  for (int i = 0; i < editor.Lines().Count(); ++i) lines.push_back(editor.Lines().Get(i));
  EXPECT_EQ(lines, c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Sinks,
    ::testing::Values(
        SinkCase{"DropWithCascade",
                 {{"DROP TABLE EMP", 0}, {" CASCADE CONSTRAINTS", 0}, {";", 2}},
                 "DROP TABLE EMP CASCADE CONSTRAINTS;\r\n\r\n",
                 {u"DROP TABLE EMP CASCADE CONSTRAINTS;", u"", u""}},
        SinkCase{"TextEndingInBreakWithOneBreak",
                 {{"CREATE X\r\n", 1}, {"NEXT", 0}},
                 "CREATE X\r\n\r\nNEXT",
                 {u"CREATE X", u"NEXT"}},
        SinkCase{"NBreaksLeaveNMinusOneEmptyLines",
                 {{"A", 3}, {"B", 1}, {"C", 0}},
                 "A\r\n\r\n\r\nB\r\nC",
                 {u"A", u"", u"", u"B", u"C"}},
        SinkCase{"EmptyTextOnEmptyLastLine",
                 {{"A", 1}, {"", 1}, {"B", 0}},
                 "A\r\n\r\nB",
                 {u"A", u"B"}},
        SinkCase{"MultiLineTextKeepsItsLines",
                 {{"/*\r\n* T\r\n*/", 1}, {"CREATE TABLE T (\r\n  A NUMBER\r\n)", 2}},
                 "/*\r\n* T\r\n*/\r\nCREATE TABLE T (\r\n  A NUMBER\r\n)\r\n\r\n",
                 {u"/*", u"* T", u"*/", u"CREATE TABLE T (", u"  A NUMBER", u")", u"", u""}},
        SinkCase{"Utf8TextReachesTheEditorAsUtf16",
                 {{"-- Gr\xc3\xb6\xc3\x9f" "e", 1}},
                 "-- Gr\xc3\xb6\xc3\x9f" "e\r\n",
                 {u"-- Gr\u00f6\u00dfe", u""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteIfNotBlank, BlankWritesNothingOtherTextIsTrimmedWithTwoBreaks) {
  TMemoSource store;
  TempDir dir;
  auto file = ScriptFile::Create(dir.File("out.sql"));
  ScriptWriter w(store, file.get());
  w.WriteIfNotBlank(" \r\n\t ");
  w.WriteIfNotBlank("");
  w.WriteIfNotBlank("\r\nALTER TABLE T ADD X;\r\n");
  file->Close();
  EXPECT_EQ(ReadAll(dir.File("out.sql")), "ALTER TABLE T ADD X;\r\n\r\n");
}

TEST(ScriptFile, CreateAndWriteErrorsAreReported) {
  TempDir dir;
  try {
    ScriptFile::Create(dir.File("no/such/dir/out.sql"));
    ADD_FAILURE() << "created a file in a missing folder";
  } catch (const EScriptFileError& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot create file \"" + dir.File("no/such/dir/out.sql")),
              std::string::npos)
        << e.what();
  }
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  TMemoSource store;
  auto full = ScriptFile::Create("/dev/full");
  ScriptWriter w(store, full.get());
  EXPECT_THROW(w.WriteScript("DROP TABLE T", 1), EScriptFileError);
}

// The names in a folder, sorted: a temporary file left behind shows here.
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ScriptFile, TheTargetChangesOnlyWhenTheFileIsClosed) {
  namespace fs = std::filesystem;
  TempDir dir;
  const std::string target = dir.Write("out.sql", "old\n");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const std::string link = dir.File("link.sql");
  fs::create_symlink(target, link);
  struct Case {
    const char* name;
    std::string path;
    bool close;
    std::string expected;
  };
  for (const Case& c : {Case{"discarded", target, false, "old\n"}, Case{"closed", target, true, "new\n"},
                        Case{"through a link", link, true, "new\n"}}) {
    SCOPED_TRACE(c.name);
    dir.Write("out.sql", "old\n");
    auto file = ScriptFile::Create(c.path);
    file->Write("new\n");
    file->Flush();
    EXPECT_EQ(ReadAll(target), "old\n");  // nothing of the new script yet
    if (c.close) file->Close();
    else file->Discard();
    EXPECT_EQ(ReadAll(target), c.expected);
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"link.sql", "out.sql"}));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  }
  // A file dropped without Close is discarded too.
  dir.Write("out.sql", "old\n");
  { auto dropped = ScriptFile::Create(target); dropped->Write("half"); }
  EXPECT_EQ(ReadAll(target), "old\n");
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"link.sql", "out.sql"}));
  // A device is written as it stands: nothing is put in its place.
  auto null = ScriptFile::Create("/dev/null");
  null->Write("x");
  null->Close();
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST(Banner, ThreeLinesWithoutFinalBreak) {
  EXPECT_EQ(BannerComment("*   Table: EMP"),
            "/" + std::string(50, '*') + "\r\n*   Table: EMP\r\n" + std::string(50, '*') + "/");
  EXPECT_EQ(PackageBannerComment("*  PACKAGE BODY: P"),
            "/" + std::string(41, '*') + "\r\n*  PACKAGE BODY: P\r\n" + std::string(41, '*') + "/");
}

}  // namespace
}  // namespace tarlow
