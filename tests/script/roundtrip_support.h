// Round trips compared database against database: the dictionary and the
// rows of a user's schema read into one text per part, so a schema that was
// scripted and loaded again can be compared with the one it came from.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "writers_support.h"

namespace writers_test {

// Every box but the DROP ones: a script for an empty schema.
inline void TickAllButDrops(tarlow::OptionBoxes& b) {
  TickAll(b);
  b.SetChecked(tarlow::OptionBox::DropTables, false);
  b.SetChecked(tarlow::OptionBox::DropSeq, false);
}

// Runs one statement; a failure fails the test and names the statement.
inline void Exec(TOracleSession& s, const std::string& sql) {
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
inline std::string Dump(TOracleSession& s, const std::string& sql) {
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

// Dictionary queries a test adds to the common ones: part name -> query.
// Features the common queries do not read (constraint states, identity
// options, partitions, ...) are compared this way.
using ExtraParts = std::map<std::string, std::string>;

// The dictionary and the rows of the user's schema, one text per part.
inline std::map<std::string, std::string> Snapshot(TOracleSession& s, const ExtraParts& extra = {}) {
  std::map<std::string, std::string> parts = {
      {"columns", Dump(s, "SELECT TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, "
                          "NULLABLE, DATA_DEFAULT FROM USER_TAB_COLUMNS ORDER BY TABLE_NAME, COLUMN_ID")},
      {"table comments", Dump(s, "SELECT TABLE_NAME, COMMENTS FROM USER_TAB_COMMENTS ORDER BY 1")},
      {"column comments", Dump(s, "SELECT TABLE_NAME, COLUMN_NAME, COMMENTS FROM USER_COL_COMMENTS ORDER BY 1, 2")},
      {"constraints", Dump(s, "SELECT CONSTRAINT_NAME, CONSTRAINT_TYPE, TABLE_NAME, SEARCH_CONDITION FROM "
                              "USER_CONSTRAINTS WHERE GENERATED = 'USER NAME' ORDER BY 1")},
      {"views", Dump(s, "SELECT VIEW_NAME, TEXT FROM USER_VIEWS ORDER BY 1")},
      // A trigger's source is its header as it was typed (owner prefixes,
      // layout); the script writes the header anew from the dictionary, so
      // triggers are compared by their USER_TRIGGERS rows instead.
      {"source", Dump(s, "SELECT NAME, TYPE, LINE, TEXT FROM USER_SOURCE WHERE TYPE <> 'TRIGGER' ORDER BY 1, 2, 3")},
      {"triggers", Dump(s, "SELECT TRIGGER_NAME, TRIGGER_TYPE, TRIGGERING_EVENT, TABLE_NAME, WHEN_CLAUSE, "
                           "TRIGGER_BODY, STATUS FROM USER_TRIGGERS ORDER BY 1")},
      // The indexes of keys Oracle named are named anew by the server that
      // loads the script: compared as such.
      {"indexes", Dump(s, "SELECT CASE WHEN GENERATED = 'Y' THEN 'system-named' ELSE INDEX_NAME END, TABLE_NAME, "
                          "UNIQUENESS FROM USER_INDEXES ORDER BY 2, 1, 3")},
  };
  for (const auto& [part, query] : extra) parts[part] = Dump(s, query);
  // An identity's sequence is named after its table's object number, which
  // another database gives out differently: compared as "system-named".
  static const std::regex identitySequence(R"(ISEQ\$\$_[0-9]+)");
  for (auto& [part, text] : parts) text = std::regex_replace(text, identitySequence, "ISEQ$$$$_n");
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
inline void ExpectSameSchema(const std::map<std::string, std::string>& a,
                             const std::map<std::string, std::string>& b) {
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

// Scripts the user's schema of TESTDB with the boxes `setup` leaves, keeps
// the script as build/tests/script/roundtrip/<name>.sql, loads it strictly
// into a fresh database AGAIN and compares the two.  Returns the script.
template <typename Setup>
std::string ExpectRoundTrip(WritersDb& db, const std::string& name, Setup&& setup, const ExtraParts& extra = {}) {
  const auto original = Snapshot(db.Session(), extra);
  const std::string script = db.Script(setup);
  ExpectShortLines(script);
  const auto out = std::filesystem::path(TARLOW_BUILD_DIR) / "tests" / "script" / "roundtrip";
  std::filesystem::create_directories(out);
  WriteFile((out / (name + ".sql")).string(), script);
  if (!db.CreateDatabase("AGAIN")) {
    ADD_FAILURE() << "cannot create the database AGAIN";
    return script;
  }
  const std::string file = db.Dir() + "/" + name + ".sql";
  WriteFile(file, script);
  const std::string failed = db.Run({file}, "AGAIN");
  EXPECT_EQ(failed, "") << "the script does not load strictly; it is in " << out;
  if (failed.empty()) ExpectSameSchema(original, Snapshot(db.Session("AGAIN"), extra));
  return script;
}

}  // namespace writers_test
