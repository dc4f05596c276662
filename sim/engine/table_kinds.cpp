// Global temporary tables' rows and columns of object types.
//
// A temporary table's rows live in its SQLite table like any other's and go
// when Oracle lets them go: at each commit for ON COMMIT DELETE ROWS, at the
// end of the session for ON COMMIT PRESERVE ROWS.  Sessions do not each get
// rows of their own: a second session sees the first one's committed rows of
// a PRESERVE ROWS table until that session ends.
#include <set>

#include "engine/table_kinds.h"

namespace ocisim::dict {

namespace {

void emptyTables(Session& s, const char* duration) {
  std::vector<std::pair<std::string, std::string>> tables;
  {
    Query q(s.db, "SELECT OWNER, TABLE_NAME FROM cat_tables WHERE DURATION = ?");
    q.bind(duration);
    while (q.step()) tables.emplace_back(q.text(0), q.text(1));
  }
  for (const auto& [owner, table] : tables) exec(s.db, "DELETE FROM " + quoteName(storageName(owner, table)));
}

}  // namespace

void emptyTransactionTables(Session& s) { emptyTables(s, "SYS$TRANSACTION"); }

void emptySessionTables(Session& s) { emptyTables(s, "SYS$SESSION"); }

std::optional<ColumnDef> parseObjectType(Session& s, Cursor& c) {
  const size_t start = c.pos();
  const Token& t = c.peek();
  if (t.kind != Token::Kind::Word && t.kind != Token::Kind::QuotedName) return std::nullopt;
  std::string owner, name = t.kind == Token::Kind::Word ? t.upper : t.text;
  // The built-in types never need the catalog.
  static const std::set<std::string> builtIn = {
      "NUMBER", "VARCHAR2", "VARCHAR", "CHAR", "CHARACTER", "NCHAR", "NVARCHAR2", "DATE", "TIMESTAMP", "INTERVAL",
      "INTEGER", "INT", "SMALLINT", "FLOAT", "REAL", "DOUBLE", "DECIMAL", "DEC", "NUMERIC", "CLOB", "NCLOB",
      "BLOB", "BFILE", "RAW", "LONG", "ROWID", "UROWID", "BINARY_FLOAT", "BINARY_DOUBLE"};
  if (t.kind == Token::Kind::Word && builtIn.count(name)) return std::nullopt;
  c.next();
  if (c.isOp(".")) {
    c.next();
    owner = name;
    const Token& n = c.peek();
    if (n.kind != Token::Kind::Word && n.kind != Token::Kind::QuotedName) {
      c.seek(start);
      return std::nullopt;
    }
    name = n.kind == Token::Kind::Word ? n.upper : n.text;
    c.next();
  }
  ColumnDef d;
  d.dataType = name;
  d.dataLength = 2000;
  if (name == "XMLTYPE" && (owner.empty() || owner == "SYS" || owner == "PUBLIC")) {
    d.dataTypeOwner = "SYS";
  } else if (name == "SDO_GEOMETRY" && (owner.empty() || owner == "MDSYS" || owner == "PUBLIC")) {
    d.dataTypeOwner = "MDSYS";
  } else {
    const std::string typeOwner = owner.empty() ? s.user : owner;
    auto code = scalar(s.db, "SELECT TYPECODE FROM cat_types WHERE OWNER = ? AND TYPE_NAME = ?", {typeOwner, name});
    if (!code) {
      c.seek(start);
      return std::nullopt;
    }
    // A nested table column needs a storage table of its own, which this
    // engine does not make.
    if (*code == "COLLECTION" &&
        scalar(s.db, "SELECT 1 FROM cat_source WHERE OWNER = ? AND NAME = ? AND TYPE = 'TYPE'"
                     " AND UPPER(TEXT) LIKE '% TABLE OF %'", {typeOwner, name}))
      throw OraError(22913, "must specify table name for nested table column or attribute");
    d.dataTypeOwner = typeOwner;
  }
  d.decl = "OBJECT " + d.dataTypeOwner + "." + name;
  return d;
}

}  // namespace ocisim::dict

namespace ocisim::dict {

namespace {

// Runs CREATE TABLE on a statement text of our own.
void createTableFrom(Session& s, const std::string& sql) {
  std::vector<Token> tokens = tokenize(sql);
  Cursor c(tokens, sql);
  c.next();  // CREATE
  c.next();  // TABLE
  createTable(s, c);
}

}  // namespace

void createMaterializedView(Session& s, Cursor& c) {
  if (c.acceptWord("LOG")) {
    c.expectWord("ON", 969, "missing ON keyword");
    auto [owner, table] = c.qualifiedName(s.user);
    requireTable(s.db, owner, table);
    const std::string log = "MLOG$_" + table.substr(0, 24);
    if (!objectType(s.db, owner, log).empty())
      throw OraError(12000, "a materialized view log already exists on table '" + table + "'");
    createTableFrom(s, "CREATE TABLE " + quoteName(owner) + "." + quoteName(log) +
                           " (SNAPTIME$$ DATE, DMLTYPE$$ VARCHAR2(1), OLD_NEW$$ VARCHAR2(1),"
                           " CHANGE_VECTOR$$ RAW(255), XID$$ NUMBER)");
    return;
  }
  auto [owner, name] = c.qualifiedName(s.user);
  if (owner != s.user) throw OraError(1031, "insufficient privileges");
  // BUILD, REFRESH, ENABLE QUERY REWRITE and the like: taken as given.
  while (!c.atEnd() && !c.isWord("AS")) {
    if (c.isOp("(")) c.skipGroup();
    else c.next();
  }
  c.expectWord("AS", 905, "missing keyword");
  std::string query = c.textFrom(c.pos());
  while (!query.empty() && (query.back() == ';' || query.back() == ' ' || query.back() == '\n' || query.back() == '\r'))
    query.pop_back();
  createTableFrom(s, "CREATE TABLE " + quoteName(owner) + "." + quoteName(name) + " AS " + query);
  addObject(s, owner, name, "MATERIALIZED VIEW");
  Query(s.db, "INSERT INTO cat_mviews(OWNER, MVIEW_NAME, CONTAINER_NAME, QUERY, QUERY_LEN, LAST_REFRESH_DATE)"
              " VALUES(?,?,?,?,?,?)")
      .bind(owner).bind(name).bind(name).bind(query).bind(static_cast<long long>(query.size())).bind(now()).run();
}

void recordObjectGrant(Session& s, Cursor& c, bool grant) {
  try {
    std::vector<std::string> privileges;
    while (!c.atEnd() && !c.isWord("ON")) {
      if (c.acceptOp(",")) continue;
      std::string p = c.next().upper;
      if (p == "ALL") {
        c.acceptWord("PRIVILEGES");
        for (const char* each : {"ALTER", "DELETE", "INDEX", "INSERT", "REFERENCES", "SELECT", "UPDATE"})
          privileges.push_back(each);
        continue;
      }
      if (c.isOp("(")) c.skipGroup();  // column lists: the privilege covers the table here
      privileges.push_back(p);
    }
    if (!c.acceptWord("ON")) return;  // a system privilege or a role
    auto [owner, object] = c.qualifiedName(s.user);
    if (owner != s.user || objectType(s.db, owner, object).empty()) return;
    if (!c.acceptWord(grant ? "TO" : "FROM")) return;
    std::vector<std::string> grantees;
    do grantees.push_back(c.name());
    while (c.acceptOp(","));
    const bool option = grant && c.acceptWord("WITH") && c.acceptWord("GRANT") && c.acceptWord("OPTION");
    const std::string type = objectType(s.db, owner, object);
    for (const auto& g : grantees)
      for (const auto& p : privileges) {
        if (grant)
          Query(s.db, "INSERT OR REPLACE INTO cat_tab_privs(OWNER, GRANTEE, TABLE_NAME, GRANTOR, PRIVILEGE, GRANTABLE,"
                      " TYPE) VALUES(?,?,?,?,?,?,?)")
              .bind(owner).bind(g).bind(object).bind(s.user).bind(p).bind(option ? "YES" : "NO").bind(type).run();
        else
          Query(s.db, "DELETE FROM cat_tab_privs WHERE OWNER = ? AND GRANTEE = ? AND TABLE_NAME = ? AND PRIVILEGE = ?")
              .bind(owner).bind(g).bind(object).bind(p).run();
      }
  } catch (const OraError&) {
    // Forms this engine does not follow stay accepted, as before.
  }
}

}  // namespace ocisim::dict
