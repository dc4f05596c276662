// CREATE [UNIQUE | BITMAP] INDEX: plain, descending and function-based keys,
// REVERSE and COMPRESS n, held in the catalog the way the dictionary shows
// them.  A descending column or an expression becomes a hidden column
// SYS_NCnnnnn$ in USER_IND_COLUMNS with its text in USER_IND_EXPRESSIONS,
// and the index is FUNCTION-BASED.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "engine/dict.h"
#include "engine/table_kinds.h"

namespace ocisim::dict {

namespace {

struct KeyPart {
  IndexColumn column;      // name: the table's column, or the hidden column
  std::string expression;  // empty for a plain ascending column
};

// The next free hidden column number of a table: after its columns and the
// hidden columns its other indexes already use.
int nextHiddenColumn(Session& s, const std::string& owner, const std::string& table) {
  int n = static_cast<int>(tableColumns(s.db, owner, table).size());
  Query q(s.db, "SELECT COLUMN_NAME FROM cat_ind_columns WHERE TABLE_OWNER = ? AND TABLE_NAME = ?"
                " AND COLUMN_NAME LIKE 'SYS\\_NC%' ESCAPE '\\'");
  q.bind(owner).bind(table);
  while (q.step()) n = std::max(n, std::atoi(q.text(0).c_str() + 6));
  return n + 1;
}

std::string hiddenName(int n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "SYS_NC%05d$", n);
  return buf;
}

// One key item: a column name alone (then ASC / DESC), or an expression.
KeyPart keyPart(Session& s, Cursor& c, const std::string& owner, const std::string& table) {
  KeyPart k;
  const Token& t = c.peek();
  const bool named = (t.kind == Token::Kind::Word || t.kind == Token::Kind::QuotedName) &&
                     (c.isOp(",", 1) || c.isOp(")", 1) || c.isWord("ASC", 1) || c.isWord("DESC", 1));
  if (named) {
    k.column.name = requireColumn(s.db, owner, table, c.name(904, "invalid identifier"));
  } else {
    size_t from = c.pos();
    c.skipExpression({"ASC", "DESC"});
    if (c.pos() == from) throw OraError(936, "missing expression");
    k.expression = c.textBetween(from, c.pos());
    while (!k.expression.empty() && (k.expression.back() == ' ' || k.expression.back() == '\n'))
      k.expression.pop_back();
  }
  if (c.acceptWord("DESC")) k.column.descending = true;
  else c.acceptWord("ASC");
  // A descending column is kept as an expression naming it.
  if (k.expression.empty() && k.column.descending) k.expression = quoteName(k.column.name);
  return k;
}

}  // namespace

void createIndex(Session& s, Cursor& c, bool unique, bool bitmap) {
  auto [owner, name] = c.qualifiedName(s.user);
  c.expectWord("ON", 969, "missing ON keyword");
  auto [tOwner, table] = c.qualifiedName(s.user);
  if (tOwner != owner) throw OraError(1031, "insufficient privileges");
  requireTable(s.db, tOwner, table);
  if (scalar(s.db, "SELECT 1 FROM cat_indexes WHERE OWNER = ? AND INDEX_NAME = ?", {owner, name}))
    throw OraError(955, "name is already used by an existing object");
  std::vector<KeyPart> parts;
  c.expectOp("(");
  do {
    KeyPart k = keyPart(s, c, tOwner, table);
    for (const auto& e : parts)
      if ((k.expression.empty() ? k.column.name : k.expression) ==
          (e.expression.empty() ? e.column.name : e.expression))
        throw OraError(957, "duplicate column name");
    parts.push_back(k);
  } while (c.acceptOp(","));
  c.expectOp(")");

  bool reverse = false;
  long long compress = 0;  // the prefix length; 0: not compressed
  bool compressAll = false;
  Storage st;
  std::optional<IndexPartitioning> partitioning;
  for (;;) {
    if (!partitioning && (partitioning = parseIndexPartitioning(c))) {
    } else if (c.acceptWord("REVERSE")) {
      reverse = true;
    } else if (c.acceptWord("NOREVERSE")) {
      reverse = false;
    } else if (c.acceptWord("NOCOMPRESS")) {
      compress = 0;
      compressAll = false;
    } else if (c.acceptWord("COMPRESS")) {
      if (c.acceptWord("ADVANCED")) {
        if (!c.acceptWord("LOW")) c.acceptWord("HIGH");
        compressAll = true;
      } else if (c.peek().kind == Token::Kind::Number) {
        compress = std::stoll(c.next().text);
        if (compress < 1) throw OraError(25194, "invalid COMPRESS prefix length value");
      } else {
        compressAll = true;
      }
    } else if (!parsePhysical(c, st)) {
      break;
    }
  }
  c.expectEnd();

  const long long keys = static_cast<long long>(parts.size());
  if (compressAll) compress = unique ? keys - 1 : keys;
  if (compress || compressAll) {
    if (unique && keys == 1) throw OraError(25193, "cannot use COMPRESS option for a single column key");
    if (compress > (unique ? keys - 1 : keys))
      throw OraError(25194, "invalid COMPRESS prefix length value");
  }
  if (bitmap && reverse) throw OraError(2158, "invalid CREATE INDEX option");

  bool functionBased = false;
  int hidden = nextHiddenColumn(s, tOwner, table);
  std::vector<IndexColumn> cols;
  for (auto& k : parts) {
    if (!k.expression.empty()) {
      functionBased = true;
      k.column.name = hiddenName(hidden++);
    }
    cols.push_back(k.column);
  }
  {
    Query q(s.db, "SELECT INDEX_NAME FROM cat_indexes WHERE TABLE_OWNER = ? AND TABLE_NAME = ?");
    q.bind(tOwner).bind(table);
    std::vector<std::string> names;
    for (const auto& ic : cols) names.push_back(ic.name);
    if (!functionBased)
      while (q.step())
        if (indexColumns(s.db, owner, q.text(0)) == names) throw OraError(1408, "such column list already indexed");
  }
  std::string type = bitmap ? "BITMAP" : "NORMAL";
  if (functionBased) type = "FUNCTION-BASED " + type;
  if (reverse) type += "/REV";
  // The expressions go in first: the storage index is built from them.
  for (size_t i = 0; i < parts.size(); ++i)
    if (!parts[i].expression.empty())
      Query(s.db, "INSERT INTO cat_ind_expressions(INDEX_OWNER, INDEX_NAME, TABLE_OWNER, TABLE_NAME,"
                  " COLUMN_EXPRESSION, COLUMN_POSITION) VALUES(?,?,?,?,?,?)")
          .bind(owner).bind(name).bind(tOwner).bind(table).bind(parts[i].expression)
          .bind(static_cast<long long>(i + 1)).run();
  createCatalogIndex(s, owner, name, table, cols, unique, st, false, type);
  Query q(s.db, "UPDATE cat_indexes SET COMPRESSION = ?, PREFIX_LENGTH = ?, FUNCIDX_STATUS = ?"
                " WHERE OWNER = ? AND INDEX_NAME = ?");
  q.bind(compress ? "ENABLED" : "DISABLED");
  if (compress) q.bind(compress); else q.bindNull();
  if (functionBased) q.bind("ENABLED"); else q.bindNull();
  q.bind(owner).bind(name).run();
  if (partitioning) recordIndexPartitioning(s, owner, name, table, *partitioning);
}

}  // namespace ocisim::dict
