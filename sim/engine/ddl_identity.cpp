// Generated columns: identity columns with their system sequences, and
// virtual columns whose values are computed from the row.
//
// An identity column's sequence is named ISEQ$$_<object id of the table>,
// as Oracle names it; the column's default names that sequence, and the
// sequence goes when the column or its table goes.
#include "engine/dict.h"

namespace ocisim::dict {

namespace {

// The parenthesised sequence options after AS IDENTITY, as their text.
std::string identityOptionsText(Cursor& c) {
  if (!c.isOp("(")) return {};
  size_t from = c.pos() + 1;
  c.skipGroup();
  return c.textBetween(from, c.pos() - 1);
}

std::string identitySequenceName(Session& s, const std::string& owner, const std::string& table) {
  auto id = scalar(s.db, "SELECT OBJECT_ID FROM cat_objects WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE = 'TABLE'",
                   {owner, table});
  if (!id) throw OraError(942, "table or view does not exist");
  return "ISEQ$$_" + *id;
}

bool isNumeric(const ColumnDef& col) {
  return col.dataType == "NUMBER" || col.dataType == "FLOAT" || col.dataType == "INTEGER";
}

}  // namespace

bool parseGeneratedClause(Cursor& c, ColumnDef& col) {
  if (c.acceptWord("GENERATED")) {
    if (c.acceptWord("ALWAYS")) {
      col.identity = "ALWAYS";
    } else {
      c.expectWord("BY", 905, "missing keyword");
      c.expectWord("DEFAULT", 905, "missing keyword");
      col.identity = "BY DEFAULT";
      if (c.acceptWord("ON")) {
        c.expectWord("NULL", 905, "missing keyword");
        col.defaultOnNull = true;
      }
    }
    c.expectWord("AS", 905, "missing keyword");
    if (c.acceptWord("IDENTITY")) {
      col.identityOptions = identityOptionsText(c);
      return true;
    }
    // GENERATED ALWAYS AS (expr): a virtual column.
    if (col.identity != "ALWAYS") throw OraError(905, "missing keyword");
    col.identity.clear();
  } else if (c.isWord("AS") && c.isOp("(", 1)) {
    c.next();
  } else {
    return false;
  }
  if (!c.isOp("(")) throw OraError(906, "missing left parenthesis");
  size_t from = c.pos() + 1;
  c.skipGroup();
  std::string expr = c.textBetween(from, c.pos() - 1);
  while (!expr.empty() && (expr.back() == ' ' || expr.back() == '\n' || expr.back() == '\r')) expr.pop_back();
  size_t b = expr.find_first_not_of(" \r\n\t");
  col.defaultText = b == std::string::npos ? std::string() : expr.substr(b);
  if (col.defaultText.empty()) throw OraError(936, "missing expression");
  col.virtualColumn = true;
  c.acceptWord("VIRTUAL");
  return true;
}

void createIdentity(Session& s, const std::string& owner, const std::string& table, ColumnDef& col) {
  if (!isNumeric(col)) throw OraError(30675, "identity column must be a numeric type");
  if (!col.defaultText.empty() && !col.virtualColumn)
    throw OraError(30665, "invalid NOT NULL constraint specified on an identity column");
  if (scalar(s.db, "SELECT 1 FROM cat_identity_cols WHERE OWNER = ? AND TABLE_NAME = ?", {owner, table}))
    throw OraError(30669, "table can have only one identity column");
  const std::string seq = identitySequenceName(s, owner, table);
  std::vector<Token> tokens = tokenize(col.identityOptions);
  Cursor options(tokens, col.identityOptions);
  createSequenceNamed(s, owner, seq, options);
  auto start = scalar(s.db, "SELECT NEXT_VALUE FROM cat_sequences WHERE SEQUENCE_OWNER = ? AND SEQUENCE_NAME = ?",
                      {owner, seq});
  Query(s.db, "INSERT INTO cat_identity_cols(OWNER, TABLE_NAME, COLUMN_NAME, GENERATION_TYPE, SEQUENCE_NAME,"
              " START_WITH) VALUES(?,?,?,?,?,?)")
      .bind(owner).bind(table).bind(col.name).bind(col.identity).bind(seq).bind(start.value_or("1")).run();
  col.defaultText = "\"" + owner + "\".\"" + seq + "\".nextval";
}

void modifyIdentity(Session& s, Cursor& c, const std::string& owner, const std::string& table,
                    const std::string& column) {
  ColumnDef wanted;
  if (!parseGeneratedClause(c, wanted) || wanted.identity.empty())
    throw OraError(54016, "Invalid column expression was specified");
  Query q(s.db, "SELECT SEQUENCE_NAME FROM cat_identity_cols WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?");
  q.bind(owner).bind(table).bind(column);
  if (!q.step()) throw OraError(30673, "column to be modified is not an identity column");
  const std::string seq = q.text(0);
  std::vector<Token> tokens = tokenize(wanted.identityOptions);
  Cursor options(tokens, wanted.identityOptions);
  std::string start;
  alterSequenceRestart(s, owner, seq, options, &start);
  {
    Query u(s.db, "UPDATE cat_identity_cols SET GENERATION_TYPE = ?, START_WITH = COALESCE(?, START_WITH)"
                  " WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?");
    u.bind(wanted.identity);
    if (start.empty()) u.bindNull(); else u.bind(start);
    u.bind(owner).bind(table).bind(column).run();
  }
  Query(s.db, "UPDATE cat_columns SET DEFAULT_ON_NULL = ? WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?")
      .bind(wanted.defaultOnNull ? "YES" : "NO").bind(owner).bind(table).bind(column).run();
}

void dropIdentities(Session& s, const std::string& owner, const std::string& table, const std::string& column) {
  std::vector<std::string> sequences;
  {
    Query q(s.db, "SELECT SEQUENCE_NAME FROM cat_identity_cols WHERE OWNER = ? AND TABLE_NAME = ?"
                  " AND (? = '' OR COLUMN_NAME = ?)");
    q.bind(owner).bind(table).bind(column).bind(column);
    while (q.step()) sequences.push_back(q.text(0));
  }
  for (const auto& seq : sequences) {
    Query(s.db, "DELETE FROM cat_sequences WHERE SEQUENCE_OWNER = ? AND SEQUENCE_NAME = ?").bind(owner).bind(seq).run();
    removeObject(s, owner, seq, "SEQUENCE");
    s.currval.erase(owner + "." + seq);
  }
  Query(s.db, "DELETE FROM cat_identity_cols WHERE OWNER = ? AND TABLE_NAME = ? AND (? = '' OR COLUMN_NAME = ?)")
      .bind(owner).bind(table).bind(column).bind(column).run();
}

}  // namespace ocisim::dict
