// A schema whose dictionary texts and values are hostile to SQL*Plus: blank
// lines, "&", lines ending in ";", "--" endings, "." "/" and "#" lines, CR LF
// and overlong lines in texts, long values (LONG beyond a literal, BLOBs of
// 100,000 bytes, CLOBs of 40,000), quotes, NUL characters.  It is scripted with every box and the
// data, the script is loaded with the strict `ocisim run` into a fresh
// database without a failed statement, and the two databases' dictionaries
// and rows are compared (not only the two scripts).
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "writers_support.h"

namespace {

using writers_test::WriteFile;

void NoDrops(tarlow::OptionBoxes& b) {
  writers_test::TickAll(b);
  b.SetChecked(tarlow::OptionBox::DropTables, false);
  b.SetChecked(tarlow::OptionBox::DropSeq, false);
}

void Exec(TOracleSession& s, const std::string& sql) {
  TOracleQuery q(&s);
  q.SetSQLText(sql);
  try {
    q.Execute();
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what() << "\nin: " << sql.substr(0, 300);
  }
}

// Every row of a query as one text: each value as stored (LOBs whole,
// binary values as bytes), nulls marked.
std::string Dump(TOracleSession& s, const std::string& sql) {
  TOracleQuery q(&s);
  q.SetExactValues(true);
  q.SetSQLText(sql);
  q.Execute();
  std::string out;
  for (; !q.Eof(); q.Next()) {
    for (int i = 0; i < q.FieldCount(); ++i) {
      if (q.FieldIsNull(i)) {
        out += "<null>";
      } else {
        const int type = q.FieldInternalType(i);
        if (type == 112 || type == 113) out += q.FieldAsLOB(i).ReadAll();
        else if (type == 24) out += q.FieldValue(i).AsString();
        else out += q.FieldAsText(i);
      }
      out += '\x1f';
    }
    out += '\x1e';
  }
  return out;
}

// The dictionary and the rows of the user's schema, one text per part.
std::map<std::string, std::string> Snapshot(TOracleSession& s) {
  std::map<std::string, std::string> parts = {
      {"columns", Dump(s, "SELECT TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, "
                          "NULLABLE, DATA_DEFAULT FROM USER_TAB_COLUMNS ORDER BY TABLE_NAME, COLUMN_ID")},
      {"table comments", Dump(s, "SELECT TABLE_NAME, COMMENTS FROM USER_TAB_COMMENTS ORDER BY 1")},
      {"column comments", Dump(s, "SELECT TABLE_NAME, COLUMN_NAME, COMMENTS FROM USER_COL_COMMENTS ORDER BY 1, 2")},
      {"constraints", Dump(s, "SELECT CONSTRAINT_NAME, CONSTRAINT_TYPE, TABLE_NAME, SEARCH_CONDITION FROM "
                              "USER_CONSTRAINTS WHERE GENERATED = 'USER NAME' ORDER BY 1")},
      {"views", Dump(s, "SELECT VIEW_NAME, TEXT FROM USER_VIEWS ORDER BY 1")},
      {"source", Dump(s, "SELECT NAME, TYPE, LINE, TEXT FROM USER_SOURCE ORDER BY 1, 2, 3")},
      {"triggers", Dump(s, "SELECT TRIGGER_NAME, TRIGGER_TYPE, TRIGGERING_EVENT, TABLE_NAME, WHEN_CLAUSE, "
                           "TRIGGER_BODY, STATUS FROM USER_TRIGGERS ORDER BY 1")},
      {"indexes", Dump(s, "SELECT INDEX_NAME, TABLE_NAME, UNIQUENESS FROM USER_INDEXES ORDER BY 1")},
  };
  TOracleQuery tables(&s);
  tables.SetSQLText("SELECT TABLE_NAME FROM USER_TABLES ORDER BY 1");
  tables.Execute();
  std::vector<std::string> names;
  for (; !tables.Eof(); tables.Next()) names.push_back(tables.FieldAsText(0));
  for (const auto& t : names) parts["rows of " + t] = Dump(s, "SELECT * FROM \"" + t + "\" ORDER BY 1");
  return parts;
}

// Compares two snapshots part by part: a checksum each, and on a mismatch
// where the two first differ.
void ExpectSameSchema(const std::map<std::string, std::string>& a, const std::map<std::string, std::string>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [part, text] : a) {
    auto other = b.find(part);
    ASSERT_NE(other, b.end()) << part;
    if (std::hash<std::string>{}(text) == std::hash<std::string>{}(other->second) && text == other->second) continue;
    size_t at = 0;
    while (at < text.size() && at < other->second.size() && text[at] == other->second[at]) ++at;
    ADD_FAILURE() << part << " differ at byte " << at << " (sizes " << text.size() << " and "
                  << other->second.size() << "):\n  original: " << text.substr(at >= 40 ? at - 40 : 0, 120)
                  << "\n  reloaded: " << other->second.substr(at >= 40 ? at - 40 : 0, 120);
  }
}

std::string Repeat(const std::string& piece, size_t bytes) {
  std::string out;
  while (out.size() < bytes) out += piece;
  out.resize(bytes);
  return out;
}

std::string Hex(const std::string& bytes) {
  static const char d[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += d[c >> 4];
    out += d[c & 15];
  }
  return out;
}

std::string Bytes(size_t n) {
  std::string out(n, '\0');
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>((i * 37 + 11) % 256);
  return out;
}

// The hostile schema, made through the client (not through a script).
void MakeHostileSchema(TOracleSession& s) {
  Exec(s,
       "CREATE TABLE HOSTILE (\n"
       "  ID NUMBER,\n"
       "  NOTE VARCHAR2(200) DEFAULT 'semi;' -- the default's own comment\n,\n"
       "  V VARCHAR2(4000),\n"
       "  L LONG,\n"
       "  C CLOB,\n"
       "  R RAW(2000),\n"
       "  B BLOB)");
  Exec(s, "COMMENT ON TABLE HOSTILE IS 'Hostile & text;\n\nsecond paragraph;\n.\n#hash line\n  -- dashes\nend'");
  Exec(s, "COMMENT ON COLUMN HOSTILE.NOTE IS 'a note;\n\n&amp;'");
  // Texts no layout of lines can keep: a "/" line, a CR LF, a line longer
  // than SQL*Plus reads.  They come back through EXECUTE IMMEDIATE.
  Exec(s, "COMMENT ON COLUMN HOSTILE.V IS 'first\r\n/\nlast'");
  Exec(s, "COMMENT ON COLUMN HOSTILE.C IS '" + std::string(3000, 'c') + "'");
  Exec(s, "CREATE OR REPLACE VIEW HOSTILE_W AS SELECT ID /* " + std::string(3000, 'w') + " */\nFROM HOSTILE\n/\n"
          "WHERE ID > 0");
  Exec(s, "ALTER TABLE HOSTILE ADD CONSTRAINT HOSTILE_PK PRIMARY KEY (ID)");
  Exec(s, "ALTER TABLE HOSTILE ADD CONSTRAINT HOSTILE_NOTE CHECK (NOTE <> 'x;\n.\n#y' -- not that\n)");
  Exec(s, "CREATE OR REPLACE VIEW HOSTILE_V AS SELECT ID, -- the key;\n  V\n\n/*\n#not a command\n.\n*/\n"
          "FROM HOSTILE -- & the end");
  Exec(s, "CREATE OR REPLACE PROCEDURE HOSTILE_P IS\n  s VARCHAR2(100) := 'line one   \n\n.\n#two;   ';\nBEGIN\n"
          "  NULL; -- & done   \n\nEND;   ");
  Exec(s, "CREATE OR REPLACE TRIGGER HOSTILE_T BEFORE INSERT ON HOSTILE FOR EACH ROW\nBEGIN\n  NULL; -- a & b;\n\n"
          "  -- .\nEND;");
  Exec(s, "CREATE OR REPLACE FUNCTION HOSTILE_F RETURN VARCHAR2 IS\nBEGIN\n  RETURN 'a\n/\nb';\nEND;");
  Exec(s, "CREATE OR REPLACE PACKAGE HOSTILE_PK IS\n  -- #one\n  PROCEDURE GO;   \n\n.\nEND;");

  const std::string v4000 = Repeat("it's & 'quoted'; ", 4000);
  const std::string long3800 = Repeat("abcdefghij", 3800);
  const std::string clobFlat = Repeat("0123456789", 9000);
  std::string clobLines;
  while (clobLines.size() < 9000) clobLines += Repeat("line of text ", 70) + "\n";
  std::string clobQuotes;
  for (int i = 0; i < 60; ++i) clobQuotes += "'&'' \"quoted\" & more '';\r\n";
  auto insert = [&](int id, const std::string& v, const std::string& l, const std::string& c, const std::string& r,
                    const std::string& b) {
    Exec(s, "INSERT INTO HOSTILE (ID, V, L, C, R, B) VALUES (" + std::to_string(id) + ", " + v + ", " + l + ", " + c +
                ", " + r + ", " + b + ")");
  };
  auto text = [](const std::string& t) {
    std::string q = "'";
    for (char c : t) q += c == '\'' ? std::string("''") : std::string(1, c);
    return q + "'";
  };
  insert(1, text(v4000), text(long3800), writers_test::ClobPieces(clobFlat), "HEXTORAW('" + Hex(Bytes(2000)) + "')",
         "HEXTORAW('" + Hex(Bytes(1500)) + "')");
  insert(2, "'a'||CHR(0)||'b'", text("one\ntwo;\n\n.\n#three"), writers_test::ClobPieces(clobLines), "NULL", "EMPTY_BLOB()");
  insert(3, text("&x &&y"), writers_test::ClobPieces(Repeat("long & long; ", 20000)),
         writers_test::ClobPieces(clobQuotes), "HEXTORAW('00')", writers_test::ClobPieces(Hex(Bytes(100000))));
  insert(4, "NULL", "NULL", writers_test::ClobPieces(Repeat("big clob;\n", 40000)), "NULL", "NULL");
  // A LONG RAW value beyond what one hexadecimal text of PL/SQL holds
  // (16,383 bytes) must still come back whole.
  Exec(s, "CREATE TABLE HOSTILE_LR (ID NUMBER, LR LONG RAW)");
  const std::string raw = Bytes(20000);
  std::string block = "DECLARE v RAW(32760); BEGIN v := HEXTORAW('" + Hex(raw.substr(0, 2000)) + "');";
  for (size_t at = 2000; at < raw.size(); at += 2000)
    block += " v := UTL_RAW.CONCAT(v, HEXTORAW('" + Hex(raw.substr(at, 2000)) + "'));";
  Exec(s, block + " INSERT INTO HOSTILE_LR (ID, LR) VALUES (1, v); END;");
  Exec(s, "COMMIT");
}

TEST(HostileText, ScriptsAndReloadsWithTheSameDictionaryAndRows) {
  writers_test::WritersDb db("HOSTILE", "HOSTILE");
  REQUIRE_WRITERS_DB(db);
  MakeHostileSchema(db.Session());
  if (HasFailure()) return;
  const auto original = Snapshot(db.Session());
  // The client reads the text with its NUL (so both sides of the comparison
  // see it).
  ASSERT_EQ(Dump(db.Session(), "SELECT V FROM HOSTILE WHERE ID = 2"), std::string("a\0b\x1f\x1e", 5));

  const std::string script = db.Script(NoDrops);
  writers_test::ExpectShortLines(script);
  const auto out = std::filesystem::path(TARLOW_BUILD_DIR) / "tests" / "script" / "roundtrip";
  std::filesystem::create_directories(out);
  WriteFile((out / "hostile.sql").string(), script);

  ASSERT_TRUE(db.CreateDatabase("AGAIN"));
  const std::string file = db.Dir() + "/hostile.sql";
  WriteFile(file, script);
  ASSERT_EQ(db.Run({file}, "AGAIN"), "") << "the script does not load strictly; it is in " << out;
  ExpectSameSchema(original, Snapshot(db.Session("AGAIN")));
}

}  // namespace
