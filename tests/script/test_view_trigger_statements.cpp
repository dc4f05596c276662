// The CREATE VIEW and CREATE TRIGGER statements built from dictionary rows.
#include <gtest/gtest.h>

#include "script/trigger_statement.h"
#include "script/view_statement.h"

namespace {

using tarlow::TriggerDefinition;
using tarlow::TriggerStatement;
using tarlow::ViewDefinition;
using tarlow::ViewStatement;

TEST(ViewStatement, ColumnsRestrictionAndForce) {
  struct Case {
    ViewDefinition view;
    const char* expected;
  };
  const Case cases[] = {
      {{"V", "SELECT 1 FROM DUAL\n\n", {}, false, "", ""}, "CREATE OR REPLACE VIEW V\nAS\nSELECT 1 FROM DUAL"},
      {{"V_DETAILS", "SELECT a || b, c FROM t", {"FULL_NAME", "c"}, false, "", ""},
       "CREATE OR REPLACE VIEW V_DETAILS (FULL_NAME, \"c\")\nAS\nSELECT a || b, c FROM t"},
      {{"V", "SELECT a FROM t", {"A"}, true, "READ ONLY", ""},
       "CREATE OR REPLACE FORCE VIEW V (A)\nAS\nSELECT a FROM t\nWITH READ ONLY"},
      {{"V", "SELECT a FROM t WHERE a > 0 -- positive", {"A"}, false, "CHECK OPTION", "V_POSITIVE"},
       "CREATE OR REPLACE VIEW V (A)\nAS\nSELECT a FROM t WHERE a > 0 -- positive\nWITH CHECK OPTION CONSTRAINT "
       "V_POSITIVE"},
  };
  for (const Case& c : cases) EXPECT_EQ(ViewStatement(c.view), c.expected);
}

TEST(ViewStatement, LongColumnListsAreBrokenIntoLines) {
  ViewDefinition view{"V", "SELECT * FROM t", {}, false, "", ""};
  for (int i = 0; i < 200; ++i) view.Columns.push_back("COLUMN_NUMBER_" + std::to_string(i));
  const std::string s = ViewStatement(view);
  size_t start = 0, longest = 0;
  for (size_t at = s.find('\n'); at != std::string::npos; start = at + 1, at = s.find('\n', start))
    longest = std::max(longest, at - start);
  EXPECT_LE(longest, 200u);
  EXPECT_NE(s.find("COLUMN_NUMBER_0, COLUMN_NUMBER_1,"), std::string::npos);
  EXPECT_NE(s.find("COLUMN_NUMBER_199)\nAS\n"), std::string::npos);
}

TEST(TriggerStatement, HeaderFromTheDictionaryRow) {
  struct Case {
    TriggerDefinition t;
    const char* expected;
  };
  const std::string body = "BEGIN\n  NULL;\nEND;\n\n";
  const Case cases[] = {
      {{"T1", "BEFORE EACH ROW", "INSERT OR UPDATE", {}, "TABLE", "EMP", "REFERENCING NEW AS NEW OLD AS OLD", "",
        {}, {}, body},
       "CREATE OR REPLACE TRIGGER T1\nBEFORE INSERT OR UPDATE ON EMP\nFOR EACH ROW\nBEGIN\n  NULL;\nEND;"},
      {{"T2", "AFTER STATEMENT", "DELETE", {}, "TABLE", "EMP", "REFERENCING NEW AS NEW OLD AS OLD", "", {}, {}, body},
       "CREATE OR REPLACE TRIGGER T2\nAFTER DELETE ON EMP\nBEGIN\n  NULL;\nEND;"},
      {{"T3", "AFTER EACH ROW", "INSERT OR UPDATE OR DELETE", {"SAL", "DEPT"}, "TABLE", "EMP",
        "REFERENCING NEW AS N OLD AS O", "n.sal > 0 -- raise", {"T1", "t0"}, {}, body},
       "CREATE OR REPLACE TRIGGER T3\nAFTER INSERT OR UPDATE OF SAL, DEPT OR DELETE ON EMP\n"
       "REFERENCING NEW AS N OLD AS O\nFOR EACH ROW\nFOLLOWS T1, \"t0\"\nWHEN (n.sal > 0 -- raise\n)\n"
       "BEGIN\n  NULL;\nEND;"},
      {{"T4", "INSTEAD OF", "INSERT", {}, "VIEW", "V_EMP", "REFERENCING NEW AS NEW OLD AS OLD", "", {}, {}, body},
       "CREATE OR REPLACE TRIGGER T4\nINSTEAD OF INSERT ON V_EMP\nFOR EACH ROW\nBEGIN\n  NULL;\nEND;"},
      {{"T5", "AFTER EVENT", "LOGON ", {}, "SCHEMA", "", "REFERENCING NEW AS NEW OLD AS OLD", "", {}, {}, body},
       "CREATE OR REPLACE TRIGGER T5\nAFTER LOGON ON SCHEMA\nBEGIN\n  NULL;\nEND;"},
      {{"T6", "COMPOUND", "INSERT", {}, "TABLE", "EMP", "", "", {}, {}, "COMPOUND TRIGGER\nEND T6;"},
       "CREATE OR REPLACE TRIGGER T6\nFOR INSERT ON EMP\nCOMPOUND TRIGGER\nEND T6;"},
      {{"T7", "BEFORE EACH ROW", "INSERT", {}, "TABLE", "EMP", "", "", {}, {}, "CALL log_it\n"},
       "CREATE OR REPLACE TRIGGER T7\nBEFORE INSERT ON EMP\nFOR EACH ROW\nCALL log_it"},
  };
  for (const Case& c : cases) EXPECT_EQ(TriggerStatement(c.t), c.expected) << c.t.Name;
}

TEST(TriggerStatement, WhatItCannotWriteIsNamed) {
  std::string why;
  EXPECT_EQ(TriggerStatement({"T", "BEFORE EACH ROW", "INSERT", {}, "NESTED TABLE", "EMP", "", "", {}, {}, "x"}, &why),
            "");
  EXPECT_NE(why.find("NESTED TABLE"), std::string::npos);
  EXPECT_EQ(TriggerStatement({"T", "SOMETHING NEW", "INSERT", {}, "TABLE", "EMP", "", "", {}, {}, "x"}, &why), "");
  EXPECT_NE(why.find("SOMETHING NEW"), std::string::npos);
}

}  // namespace
