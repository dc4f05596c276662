// The rest of the DDL a schema script holds: indexes, views, comments,
// stored PL/SQL units and triggers (kept as text, never run), their
// dependencies, and the statement dispatcher of the dictionary half.
#include <algorithm>
#include <set>

#include "engine/dict.h"
#include "engine/table_kinds.h"
#include "engine/unrunnable_views.h"
#include "platform/ascii.h"

namespace ocisim {

namespace dict {

namespace {

std::string trimRight(std::string s) {
  while (!s.empty() && platform::isAsciiSpace(s.back())) s.pop_back();
  return s;
}

std::string trimBoth(std::string s) {
  s = trimRight(std::move(s));
  size_t b = 0;
  while (b < s.size() && platform::isAsciiSpace(s[b])) ++b;
  return s.substr(b);
}

void dropSqliteView(Session& s, const std::string& owner, const std::string& name) {
  exec(s.db, "DROP VIEW IF EXISTS " + quoteName(storageName(owner, name)));
}

// The names a query selects from: FROM lists and JOINs at every depth.
std::vector<std::pair<std::string, std::string>> relationsOf(const std::vector<Token>& toks,
                                                             const std::string& user) {
  std::vector<std::pair<std::string, std::string>> out;
  // depth -> whether we are in that depth's FROM list, expecting a name
  std::vector<int> inFrom(1, 0);
  bool expectName = false;
  int depth = 0;
  static const std::set<std::string> ends = {"WHERE", "GROUP", "ORDER", "HAVING", "UNION", "INTERSECT", "MINUS",
                                             "CONNECT", "START", "WITH", "ON", "USING", "FOR"};
  for (size_t i = 0; i < toks.size(); ++i) {
    const Token& t = toks[i];
    if (t.kind == Token::Kind::Operator && t.text == "(") {
      ++depth;
      inFrom.push_back(0);
      expectName = false;
      continue;
    }
    if (t.kind == Token::Kind::Operator && t.text == ")") {
      if (depth > 0) {
        --depth;
        inFrom.pop_back();
      }
      expectName = false;
      continue;
    }
    if (t.kind == Token::Kind::Word && (t.upper == "FROM" || t.upper == "JOIN")) {
      inFrom[depth] = 1;
      expectName = true;
      continue;
    }
    if (t.kind == Token::Kind::Operator && t.text == "," && inFrom[depth]) {
      expectName = true;
      continue;
    }
    if (t.kind == Token::Kind::Word && ends.count(t.upper)) {
      inFrom[depth] = t.upper == "ON" || t.upper == "USING" ? inFrom[depth] : 0;
      expectName = false;
      continue;
    }
    if (expectName && (t.kind == Token::Kind::Word || t.kind == Token::Kind::QuotedName)) {
      std::string a = t.kind == Token::Kind::Word ? t.upper : t.text;
      if (i + 2 < toks.size() && toks[i + 1].kind == Token::Kind::Operator && toks[i + 1].text == "." &&
          (toks[i + 2].kind == Token::Kind::Word || toks[i + 2].kind == Token::Kind::QuotedName)) {
        std::string b = toks[i + 2].kind == Token::Kind::Word ? toks[i + 2].upper : toks[i + 2].text;
        out.emplace_back(a, b);
        i += 2;
      } else {
        out.emplace_back(user, a);
      }
      expectName = false;
    }
  }
  return out;
}

// Oracle's view columns in USER_TAB_COLUMNS: from the SQLite view's declared types.
void recordViewColumns(Session& s, const std::string& owner, const std::string& view) {
  Query(s.db, "DELETE FROM cat_columns WHERE OWNER = ? AND TABLE_NAME = ?").bind(owner).bind(view).run();
  std::vector<ColumnDef> cols;
  try {
    cols = describeSelect(s, "SELECT * FROM " + quoteName(storageName(owner, view)));
  } catch (const OraError&) {
    return;
  }
  long long id = 0;
  for (const auto& col : cols) {
    Query q(s.db, "INSERT INTO cat_columns(OWNER, TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION,"
                  " DATA_SCALE, NULLABLE, COLUMN_ID, CHAR_LENGTH, CHAR_USED, DECL) VALUES(?,?,?,?,?,?,?,'Y',?,?,?,?)");
    q.bind(owner).bind(view).bind(col.name).bind(col.dataType).bind(col.dataLength);
    if (col.precision) q.bind(*col.precision); else q.bindNull();
    if (col.scale) q.bind(*col.scale); else q.bindNull();
    q.bind(++id).bind(col.charLength);
    if (col.charUsed.empty()) q.bindNull(); else q.bind(col.charUsed);
    q.bind(col.decl).run();
  }
}

// The columns of a view Oracle compiles and this engine cannot run, by the
// names its text gives; their types are unknown here, so they are
// described as the engine describes computed columns.
void recordNamedViewColumns(Session& s, const std::string& owner, const std::string& view,
                            const std::vector<std::string>& names) {
  long long id = 0;
  for (const auto& column : names) {
    Query(s.db, "INSERT INTO cat_columns(OWNER, TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, NULLABLE, COLUMN_ID,"
                " CHAR_LENGTH, CHAR_USED, DECL) VALUES(?,?,?,'VARCHAR2',4000,'Y',?,4000,'B','VARCHAR2(4000)')")
        .bind(owner).bind(view).bind(column).bind(++id).run();
  }
}

void addDependency(Session& s, const std::string& owner, const std::string& name, const std::string& type,
                   const std::string& rOwner, const std::string& rName, const std::string& rType) {
  if (scalar(s.db,
             "SELECT 1 FROM cat_dependencies WHERE OWNER = ? AND NAME = ? AND TYPE = ? AND REFERENCED_OWNER = ?"
             " AND REFERENCED_NAME = ? AND REFERENCED_TYPE = ?",
             {owner, name, type, rOwner, rName, rType}))
    return;
  long long schema = std::stoll(
      scalar(s.db, "SELECT coalesce(max(user_id), 0) FROM ocisim_users WHERE username = ?", {owner}).value_or("0"));
  Query(s.db, "INSERT INTO cat_dependencies(OWNER, NAME, TYPE, REFERENCED_OWNER, REFERENCED_NAME, REFERENCED_TYPE,"
              " SCHEMAID) VALUES(?,?,?,?,?,?,?)")
      .bind(owner).bind(name).bind(type).bind(rOwner).bind(rName).bind(rType).bind(schema).run();
}

void clearUnit(Session& s, const std::string& owner, const std::string& name, const std::string& type) {
  Query(s.db, "DELETE FROM cat_source WHERE OWNER = ? AND NAME = ? AND TYPE = ?").bind(owner).bind(name).bind(type).run();
  Query(s.db, "DELETE FROM cat_dependencies WHERE OWNER = ? AND NAME = ? AND TYPE = ?")
      .bind(owner).bind(name).bind(type).run();
}

void storeSource(Session& s, const std::string& owner, const std::string& name, const std::string& type,
                 const std::string& text) {
  long long line = 1;
  size_t p = 0;
  while (p <= text.size()) {
    size_t e = text.find('\n', p);
    std::string piece = e == std::string::npos ? text.substr(p) : text.substr(p, e - p + 1);
    Query(s.db, "INSERT INTO cat_source(OWNER, NAME, TYPE, LINE, TEXT) VALUES(?,?,?,?,?)")
        .bind(owner).bind(name).bind(type).bind(line++).bind(piece).run();
    if (e == std::string::npos) break;
    p = e + 1;
    if (p == text.size()) break;
  }
}

// A trigger's dictionary rows but its object and source.
void clearTrigger(Session& s, const std::string& owner, const std::string& name) {
  for (const char* table : {"cat_triggers", "cat_trigger_cols", "cat_trigger_ordering"}) {
    const std::string ownerColumn = std::string(table) == "cat_triggers" ? "OWNER" : "TRIGGER_OWNER";
    Query(s.db, std::string("DELETE FROM ") + table + " WHERE " + ownerColumn + " = ? AND TRIGGER_NAME = ?")
        .bind(owner).bind(name).run();
  }
}

// Creates or replaces the object row of a unit; false when the name is taken by another kind.
void claimName(Session& s, const std::string& owner, const std::string& name, const std::string& type,
               bool orReplace, const std::string& status = "VALID") {
  std::string existing;
  if (type == "PACKAGE BODY" || type == "TRIGGER") {
    existing = scalar(s.db, "SELECT OBJECT_TYPE FROM cat_objects WHERE OWNER = ? AND OBJECT_NAME = ?"
                            " AND OBJECT_TYPE = ?", {owner, name, type}).value_or("");
  } else {
    existing = objectType(s.db, owner, name);
  }
  if (!existing.empty()) {
    if (existing != type || !orReplace) throw OraError(955, "name is already used by an existing object");
    touchObject(s, owner, name, type);
    Query(s.db, "UPDATE cat_objects SET STATUS = ? WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE = ?")
        .bind(status).bind(owner).bind(name).bind(type).run();
    return;
  }
  addObject(s, owner, name, type, status);
}

}  // namespace

void recordDependencies(Session& s, const std::string& owner, const std::string& name, const std::string& type,
                        const std::string& text) {
  std::vector<Token> toks;
  try {
    toks = tokenize(text);
  } catch (const OraError&) {
    return;
  }
  std::set<std::string> seen;
  for (size_t i = 0; i < toks.size(); ++i) {
    const Token& t = toks[i];
    if (t.kind != Token::Kind::Word && t.kind != Token::Kind::QuotedName) continue;
    if (i > 0 && toks[i - 1].kind == Token::Kind::Operator && (toks[i - 1].text == "." || toks[i - 1].text == ":"))
      continue;
    std::string n = t.kind == Token::Kind::Word ? t.upper : t.text;
    if (n == name || !seen.insert(n).second) continue;
    std::string rt = objectType(s.db, owner, n);
    if (rt.empty()) continue;
    addDependency(s, owner, name, type, owner, n, rt);
  }
}

// ---- indexes -----------------------------------------------------------------

void dropIndex(Session& s, Cursor& c) {
  auto [owner, name] = c.qualifiedName(s.user);
  c.acceptWord("ONLINE");
  c.acceptWord("FORCE");
  c.expectEnd();
  if (!scalar(s.db, "SELECT 1 FROM cat_indexes WHERE OWNER = ? AND INDEX_NAME = ?", {owner, name}))
    throw OraError(1418, "specified index does not exist");
  if (scalar(s.db, "SELECT 1 FROM cat_constraints WHERE INDEX_OWNER = ? AND INDEX_NAME = ? AND STATUS = 'ENABLED'",
             {owner, name}))
    throw OraError(2429, "cannot drop index used for enforcement of unique/primary key");
  Query(s.db, "UPDATE cat_constraints SET INDEX_NAME = NULL, INDEX_OWNER = NULL WHERE INDEX_OWNER = ? AND INDEX_NAME = ?")
      .bind(owner).bind(name).run();
  dropCatalogIndex(s, owner, name);
}

// ---- views -----------------------------------------------------------------------

namespace {

// Whether an "invalid identifier" message names a function or package of
// the owner's ("F" or "PKG.F").
bool namesStoredCode(Session& s, const std::string& owner, const std::string& message) {
  const std::string name = quotedIdentifier(message);
  if (name.empty()) return false;
  const std::string type = objectType(s.db, owner, name);
  return type == "FUNCTION" || type == "PACKAGE";
}

// Whether a query selects from JSON_TABLE or XMLTABLE, which Oracle
// compiles and this engine cannot run.
bool usesTableFunction(const std::string& query) {
  std::vector<Token> toks;
  try {
    toks = tokenize(query);
  } catch (const OraError&) {
    return false;
  }
  for (size_t i = 0; i + 1 < toks.size(); ++i)
    if (toks[i].kind == Token::Kind::Word && (toks[i].upper == "JSON_TABLE" || toks[i].upper == "XMLTABLE") &&
        toks[i + 1].kind == Token::Kind::Operator && toks[i + 1].text == "(")
      return true;
  return false;
}

}  // namespace

void createView(Session& s, Cursor& c, bool orReplace, bool force) {
  auto [owner, name] = c.qualifiedName(s.user);
  if (owner != s.user) throw OraError(1031, "insufficient privileges");
  std::vector<std::string> columns;
  if (c.acceptOp("(")) {
    do {
      columns.push_back(c.name(904, "invalid identifier"));
      // column constraints of object views are not kept
      while (!c.isOp(",") && !c.isOp(")") && !c.atEnd()) c.next();
    } while (c.acceptOp(","));
    c.expectOp(")");
  }
  c.expectWord("AS", 905, "missing keyword");
  size_t from = c.pos();
  // The query runs to WITH READ ONLY / WITH CHECK OPTION at depth 0, or the end.
  size_t to = from;
  int depth = 0;
  bool readOnly = false, checkOption = false;
  std::string restrictName;
  while (!c.atEnd()) {
    if (c.isOp("(")) ++depth;
    else if (c.isOp(")")) --depth;
    else if (depth == 0 && c.isWord("WITH") && (c.isWord("READ", 1) || c.isWord("CHECK", 1))) {
      to = c.pos();
      c.next();
      if (c.acceptWord("READ")) {
        c.expectWord("ONLY", 905, "missing keyword");
        readOnly = true;
      } else {
        c.expectWord("CHECK");
        c.expectWord("OPTION", 905, "missing keyword");
        checkOption = true;
      }
      if (c.acceptWord("CONSTRAINT")) restrictName = c.name(904, "invalid identifier");
      c.expectEnd();
      break;
    }
    if (c.isOp(";") && c.peek(1).kind == Token::Kind::End) break;
    c.next();
    to = c.pos();
  }
  std::string text = trimRight(c.textBetween(from, to));
  if (!text.empty() && text.back() == ';') text = trimRight(text.substr(0, text.size() - 1));
  if (text.empty()) throw OraError(936, "missing expression");
  std::string existing = objectType(s.db, owner, name);
  if (!existing.empty() && (existing != "VIEW" || !orReplace))
    throw OraError(955, "name is already used by an existing object");

  // Compile the query; a query the engine cannot run still makes a view
  // (with errors), as Oracle keeps views that do not compile.
  std::string status = "VALID";
  std::string translated;
  // Set when Oracle would compile the query and only this engine cannot
  // run it: the view then keeps the columns its text names.
  bool engineCannotRun = false;
  try {
    if (usesTableFunction(text)) throw OraError(3001, "unimplemented feature");
    translated = translateQuery(s, text);
  } catch (const OraError& e) {
    // A missing table, column or function is refused unless FORCE; a call
    // of the schema's own stored code, or of one of Oracle's own functions
    // this engine lacks, compiles in Oracle, so that view is kept with
    // errors.
    const bool genuine = e.code() == 942 || (e.code() == 904 && !namesStoredCode(s, owner, e.what()) &&
                                             !isOracleBuiltinFunction(quotedIdentifier(e.what())));
    if (!force && genuine) throw;
    status = "INVALID";
    engineCannotRun = !genuine;
  }
  if (existing == "VIEW") {
    dropSqliteView(s, owner, name);
    for (const auto& d : tableConstraints(s.db, owner, name)) dropConstraint(s, owner, d.name);
    Query(s.db, "DELETE FROM cat_views WHERE OWNER = ? AND VIEW_NAME = ?").bind(owner).bind(name).run();
    Query(s.db, "DELETE FROM cat_dependencies WHERE OWNER = ? AND NAME = ? AND TYPE = 'VIEW'").bind(owner).bind(name).run();
    // Replacing a view drops the INSTEAD OF triggers defined on it.
    dropTriggersOn(s, owner, name);
  }
  if (status == "VALID") {
    std::string cols;
    for (const auto& col : columns) cols += (cols.empty() ? "" : ", ") + quoteName(col);
    std::string sql = "CREATE VIEW " + quoteName(storageName(owner, name)) + (cols.empty() ? "" : "(" + cols + ")") +
                      " AS " + translated;
    if (sqlite3_exec(s.db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) status = "INVALID";
    else {
      // Make sure SQLite can read it (column count mismatches surface here).
      sqlite3_stmt* st = nullptr;
      std::string probe = "SELECT * FROM " + quoteName(storageName(owner, name));
      if (sqlite3_prepare_v2(s.db, probe.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        std::string msg = sqlite3_errmsg(s.db);
        sqlite3_finalize(st);
        dropSqliteView(s, owner, name);
        if (!force) {
          // What Oracle itself refuses to create a view over.
          const std::string noColumn = "no such column: ";
          if (msg.rfind(noColumn, 0) == 0) {
            std::string col = msg.substr(noColumn.size());
            size_t dot = col.rfind('.');
            if (dot != std::string::npos) col = col.substr(dot + 1);
            throw OraError(904, "\"" + col + "\": invalid identifier");
          }
          if (msg.rfind("no such table", 0) == 0) throw OraError(942, "table or view does not exist");
          if (msg.find(" columns for ") != std::string::npos)
            throw OraError(1730, "invalid number of column names specified");
        }
        status = "INVALID";
      } else {
        sqlite3_finalize(st);
      }
    }
  }
  if (existing.empty()) addObject(s, owner, name, "VIEW", status);
  else {
    touchObject(s, owner, name, "VIEW");
    Query(s.db, "UPDATE cat_objects SET STATUS = ? WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE = 'VIEW'")
        .bind(status).bind(owner).bind(name).run();
  }
  Query(s.db, "INSERT INTO cat_views(OWNER, VIEW_NAME, TEXT_LENGTH, TEXT, READ_ONLY, COLUMN_LIST) VALUES(?,?,?,?,?,?)")
      .bind(owner).bind(name).bind(static_cast<long long>(text.size())).bind(text).bind(readOnly ? "Y" : "N")
      .bind(std::to_string(columns.size())).run();
  if (status == "VALID") recordViewColumns(s, owner, name);
  else {
    Query(s.db, "DELETE FROM cat_columns WHERE OWNER = ? AND TABLE_NAME = ?").bind(owner).bind(name).run();
    if (engineCannotRun) recordNamedViewColumns(s, owner, name, viewColumnNames(columns, text));
  }
  try {
    std::vector<Token> toks = tokenize(text);
    for (const auto& [o, n] : relationsOf(toks, s.user)) {
      std::string t = objectType(s.db, o, n);
      if (t == "TABLE" || t == "VIEW") addDependency(s, owner, name, "VIEW", o, n, t);
    }
    // The functions and packages it calls.
    for (size_t i = 0; i < toks.size(); ++i) {
      const Token& t = toks[i];
      if (t.kind != Token::Kind::Word && t.kind != Token::Kind::QuotedName) continue;
      if (i > 0 && toks[i - 1].kind == Token::Kind::Operator && toks[i - 1].text == ".") continue;
      const bool called = i + 1 < toks.size() && toks[i + 1].kind == Token::Kind::Operator &&
                          (toks[i + 1].text == "(" || toks[i + 1].text == ".");
      if (!called) continue;
      const std::string n = t.kind == Token::Kind::Word ? t.upper : t.text;
      const std::string type = objectType(s.db, owner, n);
      if (type == "FUNCTION" || type == "PACKAGE") addDependency(s, owner, name, "VIEW", owner, n, type);
    }
  } catch (const OraError&) {
  }
  if (readOnly || checkOption) {
    std::string cname = restrictName.empty() ? generatedConstraintName(s) : restrictName;
    Query(s.db, "INSERT INTO cat_constraints(OWNER, CONSTRAINT_NAME, CONSTRAINT_TYPE, TABLE_NAME, STATUS, VALIDATED,"
                " GENERATED, LAST_CHANGE) VALUES(?,?,?,?,'ENABLED','NOT VALIDATED',?,?)")
        .bind(owner).bind(cname).bind(readOnly ? "O" : "V").bind(name)
        .bind(restrictName.empty() ? "GENERATED NAME" : "USER NAME").bind(now()).run();
  }
}

void dropView(Session& s, Cursor& c) {
  auto [owner, name] = c.qualifiedName(s.user);
  c.acceptWord("CASCADE") && c.acceptWord("CONSTRAINTS");
  c.expectEnd();
  if (objectType(s.db, owner, name) != "VIEW") throw OraError(942, "table or view does not exist");
  dropSqliteView(s, owner, name);
  for (const auto& d : tableConstraints(s.db, owner, name)) dropConstraint(s, owner, d.name);
  for (const char* t : {"cat_columns", "cat_tab_comments", "cat_col_comments"})
    Query(s.db, std::string("DELETE FROM ") + t + " WHERE OWNER = ? AND TABLE_NAME = ?").bind(owner).bind(name).run();
  Query(s.db, "DELETE FROM cat_views WHERE OWNER = ? AND VIEW_NAME = ?").bind(owner).bind(name).run();
  dropTriggersOn(s, owner, name);
  removeObject(s, owner, name, "VIEW");
  Query(s.db,
        "UPDATE cat_objects SET STATUS = 'INVALID' WHERE (OWNER, OBJECT_NAME, OBJECT_TYPE) IN ("
        "SELECT OWNER, NAME, TYPE FROM cat_dependencies WHERE REFERENCED_OWNER = ? AND REFERENCED_NAME = ?)")
      .bind(owner).bind(name).run();
}

// ---- comments --------------------------------------------------------------------

void commentOn(Session& s, Cursor& c) {
  bool column = false;
  if (c.acceptWord("COLUMN")) column = true;
  else if (!c.acceptWord("TABLE")) {
    if (c.acceptWord("MATERIALIZED")) c.expectWord("VIEW");
    else throw OraError(905, "missing keyword");
  }
  std::string a = c.name(), b, d;
  if (c.acceptOp(".")) b = c.name(904, "invalid identifier");
  if (column && c.acceptOp(".")) d = c.name(904, "invalid identifier");
  std::string owner = s.user, table, col;
  if (column) {
    if (!d.empty()) {
      owner = a;
      table = b;
      col = d;
    } else {
      if (b.empty()) throw OraError(904, "invalid identifier");
      table = a;
      col = b;
    }
  } else if (!b.empty()) {
    owner = a;
    table = b;
  } else {
    table = a;
  }
  c.expectWord("IS", 905, "missing keyword");
  if (c.peek().kind != Token::Kind::String) throw OraError(1780, "string literal required");
  std::string text = c.next().text;
  c.expectEnd();
  std::string type = objectType(s.db, owner, table);
  if (type != "TABLE" && type != "VIEW") throw OraError(942, "table or view does not exist");
  if (column) {
    col = requireColumn(s.db, owner, table, col);
    Query(s.db, "DELETE FROM cat_col_comments WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?")
        .bind(owner).bind(table).bind(col).run();
    Query q(s.db, "INSERT INTO cat_col_comments(OWNER, TABLE_NAME, COLUMN_NAME, COMMENTS) VALUES(?,?,?,?)");
    q.bind(owner).bind(table).bind(col);
    if (text.empty()) q.bindNull(); else q.bind(text);
    q.run();
  } else {
    Query(s.db, "DELETE FROM cat_tab_comments WHERE OWNER = ? AND TABLE_NAME = ?").bind(owner).bind(table).run();
    Query q(s.db, "INSERT INTO cat_tab_comments(OWNER, TABLE_NAME, COMMENTS) VALUES(?,?,?)");
    q.bind(owner).bind(table);
    if (text.empty()) q.bindNull(); else q.bind(text);
    q.run();
  }
}

// ---- stored units ------------------------------------------------------------------

namespace {

bool startsWithWord(const std::string& text, const char* word) {
  const size_t n = std::char_traits<char>::length(word);
  if (text.size() < n || platform::asciiUpper(text.substr(0, n)) != word) return false;
  return text.size() == n || !(platform::isAsciiAlnum(text[n]) || text[n] == '_' || text[n] == '$' || text[n] == '#');
}

void createTrigger(Session& s, Cursor& c, bool orReplace, size_t unitStart) {
  size_t nameStart = c.pos();
  auto [owner, name] = c.qualifiedName(s.user);
  if (owner != s.user) throw OraError(1031, "insufficient privileges");
  std::string timing;
  if (c.acceptWord("BEFORE")) timing = "BEFORE";
  else if (c.acceptWord("AFTER")) timing = "AFTER";
  else if (c.acceptWord("INSTEAD")) {
    c.expectWord("OF", 905, "missing keyword");
    timing = "INSTEAD OF";
  } else if (c.acceptWord("FOR")) {
    timing = "COMPOUND";
  } else {
    throw OraError(969, "missing ON keyword");
  }
  bool ins = false, upd = false, del = false;
  std::vector<std::string> ddlEvents;
  std::vector<std::string> updateOf;  // the UPDATE OF columns, in their order
  do {
    if (c.acceptWord("INSERT")) ins = true;
    else if (c.acceptWord("DELETE")) del = true;
    else if (c.acceptWord("UPDATE")) {
      upd = true;
      if (c.acceptWord("OF")) {
        do updateOf.push_back(c.name(904, "invalid identifier"));
        while (c.acceptOp(","));
      }
    } else if (c.peek().kind == Token::Kind::Word && !c.isWord("ON")) {
      ddlEvents.push_back(c.next().upper);  // LOGON, CREATE, ... on a schema or database
    } else {
      throw OraError(969, "missing ON keyword");
    }
  } while (c.acceptWord("OR"));
  c.expectWord("ON", 969, "missing ON keyword");
  std::string baseType = "TABLE", tOwner = owner, table;
  if (c.acceptWord("SCHEMA")) baseType = "SCHEMA";
  else if (c.acceptWord("DATABASE")) baseType = "DATABASE";
  else {
    auto q = c.qualifiedName(s.user);
    tOwner = q.first;
    table = q.second;
    std::string t = objectType(s.db, tOwner, table);
    if (t != "TABLE" && t != "VIEW") throw OraError(942, "table or view does not exist");
    baseType = t;
    if (timing == "INSTEAD OF" && t == "TABLE") throw OraError(25002, "cannot create INSTEAD OF triggers on tables");
    if (timing != "INSTEAD OF" && t == "VIEW") throw OraError(25001, "cannot create this trigger type on views");
    for (auto& col : updateOf) col = requireColumn(s.db, tOwner, table, col);
  }
  if (!updateOf.empty() && table.empty()) throw OraError(4073, "column list not valid for this trigger type");
  std::string refNew = "NEW", refOld = "OLD", refParent;
  if (c.acceptWord("REFERENCING")) {
    for (;;) {
      if (c.acceptWord("NEW")) {
        c.acceptWord("AS");
        refNew = c.name(904, "invalid identifier");
      } else if (c.acceptWord("OLD")) {
        c.acceptWord("AS");
        refOld = c.name(904, "invalid identifier");
      } else if (c.acceptWord("PARENT")) {
        c.acceptWord("AS");
        refParent = c.name(904, "invalid identifier");
      } else {
        break;
      }
    }
  }
  bool eachRow = false;
  if (c.isWord("FOR") && c.isWord("EACH", 1)) {
    c.next();
    c.next();
    c.expectWord("ROW", 905, "missing keyword");
    eachRow = true;
  }
  bool enabled = true, crossedition = false;
  struct Ordering {
    std::string type, owner, name;
  };
  std::vector<Ordering> orderings;
  for (;;) {
    if (c.isWord("FOLLOWS") || c.isWord("PRECEDES")) {
      const std::string type = c.next().upper;
      do {
        auto [o, n] = c.qualifiedName(s.user);
        orderings.push_back({type, o, n});
      } while (c.acceptOp(","));
    } else if (c.acceptWord("ENABLE")) {
      enabled = true;
    } else if (c.acceptWord("DISABLE")) {
      enabled = false;
    } else if (c.acceptWord("FORWARD") || c.acceptWord("REVERSE")) {
      c.expectWord("CROSSEDITION", 905, "missing keyword");
      crossedition = true;
    } else {
      break;
    }
  }
  // A trigger runs after the ones it follows: they must exist and fire on
  // the same object.  Only crossedition triggers may precede others.
  for (const Ordering& o : orderings) {
    if (o.type == "PRECEDES" && !crossedition) throw OraError(25025, "cannot specify PRECEDES clause");
    auto on = scalar(s.db, "SELECT coalesce(TABLE_OWNER, '') || '.' || coalesce(TABLE_NAME, BASE_OBJECT_TYPE)"
                           " FROM cat_triggers WHERE OWNER = ? AND TRIGGER_NAME = ?", {o.owner, o.name});
    if (!on) throw OraError(4080, "trigger '" + o.name + "' does not exist");
    if (*on != tOwner + "." + (table.empty() ? baseType : table))
      throw OraError(25021, "cannot reference a trigger defined on another table");
  }
  size_t descEnd = c.pos();
  std::string when;
  if (c.acceptWord("WHEN")) {
    c.expectOp("(");
    size_t from = c.pos();
    c.seek(from - 1);
    c.skipGroup();
    when = trimBoth(c.textBetween(from, c.pos() - 1));
  }
  size_t bodyStart = c.pos();
  if (c.atEnd()) throw OraError(6550, "line 1, column 1:\nPLS-00103: Encountered the symbol \"end-of-file\"");
  std::string description = c.textBetween(nameStart, descEnd);
  std::string body = trimRight(c.textFrom(bodyStart));
  std::string unitText = trimRight(c.textFrom(unitStart));

  std::string type;
  if (timing == "INSTEAD OF") type = "INSTEAD OF";
  else if (timing == "COMPOUND") type = "COMPOUND";
  else type = timing + (eachRow ? " EACH ROW" : " STATEMENT");
  if (baseType == "SCHEMA" || baseType == "DATABASE") type = timing + " EVENT";
  std::string event;
  if (ins) event = "INSERT";
  if (upd) event += std::string(event.empty() ? "" : " OR ") + "UPDATE";
  if (del) event += std::string(event.empty() ? "" : " OR ") + "DELETE";
  for (const auto& e : ddlEvents) event += (event.empty() ? "" : " OR ") + e;
  std::string referencing = "REFERENCING NEW AS " + refNew + " OLD AS " + refOld;
  if (!refParent.empty()) referencing += " PARENT AS " + refParent;

  // A CALL trigger's action is one call of a routine, not a block.
  const std::string actionType = startsWithWord(body, "CALL") ? "CALL" : "PL/SQL";

  claimName(s, owner, name, "TRIGGER", orReplace);
  clearTrigger(s, owner, name);
  clearUnit(s, owner, name, "TRIGGER");
  Query q(s.db, "INSERT INTO cat_triggers(OWNER, TRIGGER_NAME, TRIGGER_TYPE, TRIGGERING_EVENT, TABLE_OWNER,"
                " BASE_OBJECT_TYPE, TABLE_NAME, REFERENCING_NAMES, WHEN_CLAUSE, STATUS, DESCRIPTION, ACTION_TYPE,"
                " TRIGGER_BODY) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)");
  q.bind(owner).bind(name).bind(type).bind(event).bind(tOwner).bind(baseType);
  if (table.empty()) q.bindNull(); else q.bind(table);
  q.bind(referencing);
  if (when.empty()) q.bindNull(); else q.bind(when);
  q.bind(enabled ? "ENABLED" : "DISABLED").bind(description).bind(actionType).bind(body).run();
  long long position = 0;
  for (const auto& col : updateOf)
    Query(s.db, "INSERT INTO cat_trigger_cols(TRIGGER_OWNER, TRIGGER_NAME, TABLE_OWNER, TABLE_NAME, COLUMN_NAME,"
                " COLUMN_LIST, COLUMN_POSITION) VALUES(?,?,?,?,?,'YES',?)")
        .bind(owner).bind(name).bind(tOwner).bind(table).bind(col).bind(++position).run();
  position = 0;
  for (const Ordering& o : orderings)
    Query(s.db, "INSERT INTO cat_trigger_ordering(TRIGGER_OWNER, TRIGGER_NAME, REFERENCED_TRIGGER_OWNER,"
                " REFERENCED_TRIGGER_NAME, ORDERING_TYPE, ORDERING_POSITION) VALUES(?,?,?,?,?,?)")
        .bind(owner).bind(name).bind(o.owner).bind(o.name).bind(o.type).bind(++position).run();
  storeSource(s, owner, name, "TRIGGER", unitText);
  if (!table.empty()) addDependency(s, owner, name, "TRIGGER", tOwner, table, baseType);
  recordDependencies(s, owner, name, "TRIGGER", body);
}

}  // namespace

void createUnit(Session& s, Cursor& c, bool orReplace, size_t unitStart) {
  std::string kind = c.next().upper;  // PROCEDURE FUNCTION PACKAGE TRIGGER TYPE
  if (kind == "TRIGGER") {
    createTrigger(s, c, orReplace, unitStart);
    return;
  }
  std::string type = kind;
  if ((kind == "PACKAGE" || kind == "TYPE") && c.acceptWord("BODY")) type += " BODY";
  auto [owner, name] = c.qualifiedName(s.user, 6550, "line 1, column 1:\nPLS-00103: Encountered an invalid name");
  if (owner != s.user) throw OraError(1031, "insufficient privileges");
  std::string text = trimRight(c.textFrom(unitStart));
  if (text.find(';') == std::string::npos && kind != "TYPE")
    throw OraError(6550, "line 1, column " + std::to_string(text.size() + 1) +
                             ":\nPLS-00103: Encountered the symbol \"end-of-file\"");
  std::string status = "VALID";
  if (type == "PACKAGE BODY" &&
      !scalar(s.db, "SELECT 1 FROM cat_objects WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE = 'PACKAGE'",
              {owner, name}))
    status = "INVALID";
  claimName(s, owner, name, type, orReplace, status);
  clearUnit(s, owner, name, type);
  storeSource(s, owner, name, type, text);
  addDependency(s, owner, name, type, "SYS", "STANDARD", "PACKAGE");
  if (type == "PACKAGE BODY" && status == "VALID") addDependency(s, owner, name, type, owner, name, "PACKAGE");
  recordDependencies(s, owner, name, type, text);
}

void dropUnit(Session& s, Cursor& c, const std::string& typeIn) {
  std::string type = typeIn;
  if ((type == "PACKAGE" || type == "TYPE") && c.acceptWord("BODY")) type += " BODY";
  auto [owner, name] = c.qualifiedName(s.user);
  c.acceptWord("FORCE");
  c.expectEnd();
  bool exists = scalar(s.db, "SELECT 1 FROM cat_objects WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE = ?",
                       {owner, name, type}).has_value();
  if (!exists) {
    if (type == "TRIGGER") throw OraError(4080, "trigger '" + name + "' does not exist");
    throw OraError(4043, "object " + name + " does not exist");
  }
  std::vector<std::string> types = {type};
  if (type == "PACKAGE") types.push_back("PACKAGE BODY");
  if (type == "TYPE") types.push_back("TYPE BODY");
  for (const auto& t : types) {
    clearUnit(s, owner, name, t);
    removeObject(s, owner, name, t);
  }
  if (type == "TRIGGER") clearTrigger(s, owner, name);
  Query(s.db,
        "UPDATE cat_objects SET STATUS = 'INVALID' WHERE (OWNER, OBJECT_NAME, OBJECT_TYPE) IN ("
        "SELECT OWNER, NAME, TYPE FROM cat_dependencies WHERE REFERENCED_OWNER = ? AND REFERENCED_NAME = ?)")
      .bind(owner).bind(name).run();
}

void dropTriggersOn(Session& s, const std::string& owner, const std::string& object) {
  std::vector<std::pair<std::string, std::string>> triggers;
  Query q(s.db, "SELECT OWNER, TRIGGER_NAME FROM cat_triggers WHERE TABLE_OWNER = ? AND TABLE_NAME = ?");
  q.bind(owner).bind(object);
  while (q.step()) triggers.emplace_back(q.text(0), q.text(1));
  for (const auto& [o, n] : triggers) {
    clearTrigger(s, o, n);
    clearUnit(s, o, n, "TRIGGER");
    removeObject(s, o, n, "TRIGGER");
  }
}

void alterTrigger(Session& s, Cursor& c) {
  auto [owner, name] = c.qualifiedName(s.user);
  std::string status;
  if (c.acceptWord("ENABLE")) status = "ENABLED";
  else if (c.acceptWord("DISABLE")) status = "DISABLED";
  else if (c.acceptWord("COMPILE")) {
    while (!c.atEnd() && !c.isOp(";")) c.next();
  } else if (c.acceptWord("RENAME")) {
    throw OraError(1031, "insufficient privileges");
  } else {
    throw OraError(922, "missing or invalid option");
  }
  c.expectEnd();
  if (!scalar(s.db, "SELECT 1 FROM cat_triggers WHERE OWNER = ? AND TRIGGER_NAME = ?", {owner, name}))
    throw OraError(4080, "trigger '" + name + "' does not exist");
  if (!status.empty())
    Query(s.db, "UPDATE cat_triggers SET STATUS = ? WHERE OWNER = ? AND TRIGGER_NAME = ?")
        .bind(status).bind(owner).bind(name).run();
  touchObject(s, owner, name, "TRIGGER");
}

}  // namespace dict

// ---- the seam ----------------------------------------------------------------------

bool isDictionaryStatement(const std::vector<Token>& tokens) {
  if (tokens.empty() || tokens[0].kind != Token::Kind::Word) return false;
  static const std::set<std::string> words = {"CREATE", "ALTER",  "DROP",    "COMMENT", "TRUNCATE",
                                              "RENAME", "GRANT",  "REVOKE",  "ANALYZE", "PURGE",
                                              "AUDIT",  "NOAUDIT"};
  return words.count(tokens[0].upper) > 0;
}

bool isStoredUnitStatement(const std::vector<Token>& tokens) {
  size_t i = 0;
  auto word = [&](const char* w) {
    return i < tokens.size() && tokens[i].kind == Token::Kind::Word && tokens[i].upper == w;
  };
  if (!word("CREATE")) return false;
  ++i;
  if (word("OR")) i += 2;
  while (word("EDITIONABLE") || word("NONEDITIONABLE") || word("FORCE") || word("NOFORCE")) ++i;
  return word("PROCEDURE") || word("FUNCTION") || word("PACKAGE") || word("TRIGGER") || word("TYPE");
}

void executeDictionaryStatement(Session& s, const std::vector<Token>& tokens, const std::string& sql) {
  using namespace dict;
  Cursor c(tokens, sql);
  std::string verb = c.next().upper;
  if (verb == "GRANT" || verb == "REVOKE") {
    // SELECT on a dictionary view is the one privilege kept: a view taken
    // away answers ORA-00942, as a server's does for a view the user may
    // not see.
    const size_t start = c.pos();
    if (c.acceptWord("SELECT") && c.acceptWord("ON")) {
      auto [owner, view] = c.qualifiedName("SYS");
      if (owner == "SYS" && isDictionaryViewName(view)) {
        setDictionaryViewReadable(s, view, verb == "GRANT");
        return;
      }
    }
    c.seek(start);
    recordObjectGrant(s, c, verb == "GRANT");
    return;
  }
  if (verb == "ANALYZE" || verb == "PURGE" || verb == "AUDIT" || verb == "NOAUDIT")
    return;  // accepted: one user owns everything here and keeps no statistics
  if (verb == "COMMENT") {
    c.expectWord("ON", 905, "missing keyword");
    commentOn(s, c);
    return;
  }
  if (verb == "TRUNCATE") {
    c.expectWord("TABLE", 905, "missing keyword");
    truncateTable(s, c);
    return;
  }
  if (verb == "RENAME") return renameStatement(s, c);
  if (verb == "CREATE") {
    bool orReplace = false, force = false;
    if (c.isWord("OR") && c.isWord("REPLACE", 1)) {
      c.next();
      c.next();
      orReplace = true;
    }
    for (;;) {
      if (c.acceptWord("FORCE")) force = true;
      else if (c.isWord("NO") && c.isWord("FORCE", 1)) {
        c.next();
        c.next();
      } else if (c.acceptWord("NOFORCE") || c.acceptWord("EDITIONABLE") || c.acceptWord("NONEDITIONABLE") ||
                 c.acceptWord("EDITIONING")) {
      } else {
        break;
      }
    }
    size_t unitStart = c.pos();
    if (c.isWord("PROCEDURE") || c.isWord("FUNCTION") || c.isWord("PACKAGE") || c.isWord("TRIGGER") ||
        c.isWord("TYPE")) {
      createUnit(s, c, orReplace, unitStart);
      return;
    }
    if (c.acceptWord("VIEW")) {
      createView(s, c, orReplace, force);
      return;
    }
    if (orReplace) throw OraError(922, "missing or invalid option");
    if (c.acceptWord("MATERIALIZED")) {
      c.expectWord("VIEW", 905, "missing keyword");
      createMaterializedView(s, c);
      return;
    }
    if (c.acceptWord("GLOBAL")) {
      c.expectWord("TEMPORARY", 922, "missing or invalid option");
      c.expectWord("TABLE", 905, "missing keyword");
      createTable(s, c, true);
      return;
    }
    if (c.acceptWord("TABLE")) {
      createTable(s, c);
      return;
    }
    bool unique = false, bitmap = false;
    if (c.acceptWord("UNIQUE")) unique = true;
    else bitmap = c.acceptWord("BITMAP");
    if (c.acceptWord("INDEX")) {
      createIndex(s, c, unique, bitmap);
      return;
    }
    if (unique) throw OraError(901, "invalid CREATE command");
    if (c.acceptWord("SEQUENCE")) {
      createSequence(s, c);
      return;
    }
    if (c.isWord("USER") || c.isWord("ROLE") || c.isWord("TABLESPACE") || c.isWord("DATABASE") ||
        c.isWord("PUBLIC") || c.isWord("SYNONYM") || c.isWord("DIRECTORY"))
      throw OraError(1031, "insufficient privileges");
    throw OraError(901, "invalid CREATE command");
  }
  if (verb == "DROP") {
    if (c.acceptWord("TABLE")) return dropTable(s, c);
    if (c.acceptWord("INDEX")) return dropIndex(s, c);
    if (c.acceptWord("VIEW")) return dropView(s, c);
    if (c.acceptWord("SEQUENCE")) return dropSequence(s, c);
    for (const char* t : {"PROCEDURE", "FUNCTION", "PACKAGE", "TRIGGER", "TYPE"})
      if (c.acceptWord(t)) return dropUnit(s, c, t);
    if (c.isWord("USER") || c.isWord("ROLE") || c.isWord("TABLESPACE") || c.isWord("PUBLIC") ||
        c.isWord("SYNONYM") || c.isWord("DIRECTORY"))
      throw OraError(1031, "insufficient privileges");
    throw OraError(950, "invalid DROP option");
  }
  if (verb == "ALTER") {
    if (c.acceptWord("TABLE")) return alterTable(s, c);
    if (c.acceptWord("TRIGGER")) return alterTrigger(s, c);
    if (c.acceptWord("SEQUENCE")) return alterSequence(s, c);
    if (c.acceptWord("INDEX") || c.acceptWord("VIEW") || c.acceptWord("PROCEDURE") || c.acceptWord("FUNCTION") ||
        c.acceptWord("PACKAGE")) {
      auto [owner, name] = c.qualifiedName(s.user);
      if (objectType(s.db, owner, name).empty() &&
          !scalar(s.db, "SELECT 1 FROM cat_indexes WHERE OWNER = ? AND INDEX_NAME = ?", {owner, name}))
        throw OraError(4043, "object " + name + " does not exist");
      return;  // COMPILE, REBUILD and the like change nothing here
    }
    if (c.isWord("USER") || c.isWord("SYSTEM") || c.isWord("DATABASE") || c.isWord("TABLESPACE"))
      throw OraError(1031, "insufficient privileges");
    throw OraError(940, "invalid ALTER command");
  }
  throw OraError(900, "invalid SQL statement");
}

}  // namespace ocisim
