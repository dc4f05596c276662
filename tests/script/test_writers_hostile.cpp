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

#include "roundtrip_support.h"

namespace {

using writers_test::Exec;
using writers_test::Dump;

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
  // The client reads the text with its NUL (so both sides of the comparison
  // see it).
  ASSERT_EQ(Dump(db.Session(), "SELECT V FROM HOSTILE WHERE ID = 2"), std::string("a\0b\x1f\x1e", 5));
  writers_test::ExpectRoundTrip(db, "hostile", writers_test::TickAllButDrops);
}

}  // namespace
