// CREATE TABLE, ALTER TABLE, DROP TABLE and TRUNCATE: the catalog rows of a
// table and its columns, the SQLite table that holds its rows, and the
// constraints written with it.
#include <algorithm>
#include <set>

#include "engine/core.h"
#include "engine/dict.h"
#include "engine/table_kinds.h"
#include "platform/ascii.h"

namespace ocisim::dict {

namespace {

const std::vector<const char*> kColumnStops = {"CONSTRAINT", "NOT",    "NULL",   "UNIQUE",  "PRIMARY",
                                               "REFERENCES", "CHECK",  "ENABLE", "DISABLE", "SORT",
                                               "VISIBLE",    "INVISIBLE", "GENERATED"};

long long sizeValue(Cursor& c) {
  std::string n = c.number();
  long double v = doubleFromNumberText(n);
  if (c.acceptWord("K")) v *= 1024;
  else if (c.acceptWord("M")) v *= 1024 * 1024;
  else if (c.acceptWord("G")) v *= 1024.0L * 1024 * 1024;
  else if (c.acceptWord("T")) v *= 1024.0L * 1024 * 1024 * 1024;
  return static_cast<long long>(v);
}

long long intValue(Cursor& c, int code, const char* text) {
  try {
    return std::stoll(c.number());
  } catch (const OraError&) {
    throw OraError(code, text);
  }
}

// A table holds at most one LONG or LONG RAW column.
void checkOneLong(const std::vector<ColumnDef>& cols) {
  int longs = 0;
  for (const auto& c : cols) longs += c.dataType == "LONG" || c.dataType == "LONG RAW";
  if (longs > 1) throw OraError(1754, "a table may contain only one column of type LONG");
}

bool isConstraintStart(const Cursor& c) {
  return c.isWord("CONSTRAINT") || c.isWord("PRIMARY") || c.isWord("UNIQUE") || c.isWord("FOREIGN") ||
         c.isWord("CHECK");
}

// ENABLE / DISABLE / VALIDATE / DEFERRABLE ... after a constraint; returns the
// enabled state.  The deferral and RELY go into `def` when one is given.
bool constraintState(Cursor& c, bool enabled = true, bool* validate = nullptr, ConstraintDef* def = nullptr) {
  ConstraintDef ignored;
  ConstraintDef& d = def ? *def : ignored;
  bool notDeferrable = false;
  for (;;) {
    if (c.acceptWord("ENABLE")) enabled = true;
    else if (c.acceptWord("DISABLE")) enabled = false;
    else if (c.acceptWord("NOVALIDATE")) {
      if (validate) *validate = false;
    } else if (c.acceptWord("VALIDATE")) {
      if (validate) *validate = true;
    } else if (c.acceptWord("RELY")) {
      d.rely = true;
    } else if (c.acceptWord("NORELY")) {
      d.rely = false;
    } else if (c.acceptWord("DEFERRABLE")) {
      d.deferrable = true;
    } else if (c.isWord("NOT") && c.isWord("DEFERRABLE", 1)) {
      c.next();
      c.next();
      notDeferrable = true;
      d.deferrable = false;
    } else if (c.acceptWord("INITIALLY")) {
      if (c.acceptWord("IMMEDIATE")) {
        d.initiallyDeferred = false;
      } else {
        c.expectWord("DEFERRED", 922, "missing or invalid option");
        if (notDeferrable) throw OraError(2447, "cannot defer a constraint that is not deferrable");
        d.initiallyDeferred = true;
        d.deferrable = true;  // INITIALLY DEFERRED alone makes the constraint deferrable
      }
    } else if (c.acceptWord("USING")) {
      c.expectWord("INDEX", 922, "missing or invalid option");
      if (c.isOp("(")) c.skipGroup();
      Storage ignored;
      while (parsePhysical(c, ignored)) {
      }
    } else if (c.acceptWord("EXCEPTIONS")) {
      c.expectWord("INTO", 922, "missing or invalid option");
      c.qualifiedName("");
    } else {
      return enabled;
    }
  }
}

// ALTER TABLE ... MODIFY CONSTRAINT name <state>, the name already read.
void modifyConstraintState(Session& s, Cursor& c, const std::string& owner, const std::string& name) {
  auto current = loadConstraint(s.db, owner, name);
  if (!current) throw OraError(2430, "cannot enable constraint (" + name + ") - no such constraint");
  ConstraintDef changed = *current;
  const size_t from = c.pos();
  bool validate = true;
  const bool enable = constraintState(c, current->enabled, &validate, &changed);
  const size_t to = c.pos();
  // Only the words written change anything: RELY alone leaves a disabled
  // constraint disabled.
  bool status = false;
  for (c.seek(from); c.pos() < to; c.next())
    status = status || c.isWord("ENABLE") || c.isWord("DISABLE") || c.isWord("VALIDATE") || c.isWord("NOVALIDATE");
  if (changed.deferrable != current->deferrable)
    throw OraError(2447, "cannot defer a constraint that is not deferrable");
  if (changed.rely != current->rely || changed.initiallyDeferred != current->initiallyDeferred) {
    Query q(s.db, "UPDATE cat_constraints SET RELY = ?, DEFERRED = ? WHERE OWNER = ? AND CONSTRAINT_NAME = ?");
    if (changed.rely) q.bind("RELY"); else q.bindNull();
    q.bind(changed.initiallyDeferred ? "DEFERRED" : "IMMEDIATE").bind(owner).bind(name).run();
    installEnforcement(s, changed);
  }
  if (status) setConstraintEnabled(s, owner, name, enable, validate);
}

std::vector<std::string> nameList(Cursor& c) {
  std::vector<std::string> out;
  c.expectOp("(");
  do {
    out.push_back(c.name(904, "invalid identifier"));
  } while (c.acceptOp(","));
  c.expectOp(")");
  return out;
}

void referencesClause(Cursor& c, ConstraintDef& d, const std::string& user) {
  auto [o, t] = c.qualifiedName(user);
  d.refOwner = o;
  d.refTable = t;
  if (c.isOp("(")) d.refColumns = nameList(c);
  if (c.acceptWord("ON")) {
    c.expectWord("DELETE", 905, "missing keyword");
    if (c.acceptWord("CASCADE")) d.deleteRule = "CASCADE";
    else if (c.acceptWord("SET")) {
      c.expectWord("NULL", 905, "missing keyword");
      d.deleteRule = "SET NULL";
    } else {
      throw OraError(905, "missing keyword");
    }
  }
}

std::string conditionText(Cursor& c) {
  c.expectOp("(");
  size_t from = c.pos();
  c.seek(from - 1);
  c.skipGroup();
  size_t to = c.pos() - 1;  // the closing ")"
  std::string text = c.textBetween(from, to);
  while (!text.empty() && platform::isAsciiSpace(text.back())) text.pop_back();
  size_t b = 0;
  while (b < text.size() && platform::isAsciiSpace(text[b])) ++b;
  return text.substr(b);
}

// An out-of-line constraint: [CONSTRAINT name] PRIMARY KEY (..) | UNIQUE (..) |
// FOREIGN KEY (..) REFERENCES .. | CHECK (..), with its state.
ConstraintDef outOfLine(Cursor& c, const std::string& owner, const std::string& table) {
  ConstraintDef d;
  d.owner = owner;
  d.table = table;
  if (c.acceptWord("CONSTRAINT")) d.name = c.name(904, "invalid identifier");
  if (c.acceptWord("PRIMARY")) {
    c.expectWord("KEY");
    d.type = "P";
    d.columns = nameList(c);
  } else if (c.acceptWord("UNIQUE")) {
    d.type = "U";
    d.columns = nameList(c);
  } else if (c.acceptWord("FOREIGN")) {
    c.expectWord("KEY");
    d.type = "R";
    d.columns = nameList(c);
    c.expectWord("REFERENCES", 905, "missing keyword");
    referencesClause(c, d, owner);
  } else if (c.acceptWord("CHECK")) {
    d.type = "C";
    d.searchCondition = conditionText(c);
  } else {
    throw OraError(902, "invalid datatype");
  }
  d.enabled = constraintState(c, true, &d.validate, &d);
  return d;
}

// The columns a CHECK condition names.
std::vector<std::string> conditionColumns(const std::string& cond, const std::vector<ColumnDef>& cols) {
  std::vector<std::string> out;
  for (const auto& t : tokenize(cond)) {
    std::string n = t.kind == Token::Kind::Word ? t.upper : t.kind == Token::Kind::QuotedName ? t.text : "";
    if (n.empty()) continue;
    for (const auto& c : cols)
      if (c.name == n && std::find(out.begin(), out.end(), n) == out.end()) out.push_back(n);
  }
  return out;
}

// Column definition: name type [DEFAULT expr] [inline constraints].
ColumnDef columnDef(Session& s, Cursor& c, const std::string& owner, const std::string& table,
                    std::vector<ConstraintDef>& constraints) {
  ColumnDef col;
  col.name = c.name(904, "invalid identifier");
  std::optional<ColumnDef> object = parseObjectType(s, c);
  ColumnDef type = object ? *object : parseDataType(c);
  type.name = col.name;
  col = type;
  for (;;) {
    if (c.acceptWord("DEFAULT")) {
      if (c.isWord("ON") && c.isWord("NULL", 1)) {
        c.next();
        c.next();
        col.defaultOnNull = true;
      }
      size_t from = c.pos();
      if (c.atEnd() || c.isOp(",") || c.isOp(")")) throw OraError(936, "missing expression");
      // The default is at least one token; NULL and NOT may start it.
      if (c.isOp("(")) c.skipGroup();
      else c.next();
      if (c.isOp("(")) c.skipGroup();
      c.skipExpression(kColumnStops);
      col.defaultText = c.textBetween(from, c.pos());
      continue;
    }
    if (c.acceptWord("INVISIBLE")) {
      col.invisible = true;
      continue;
    }
    if (c.acceptWord("SORT") || c.acceptWord("VISIBLE")) continue;
    if (parseGeneratedClause(c, col)) continue;
    std::string cname;
    size_t save = c.pos();
    if (c.acceptWord("CONSTRAINT")) cname = c.name(904, "invalid identifier");
    ConstraintDef d;
    d.owner = owner;
    d.table = table;
    d.name = cname;
    d.columns = {col.name};
    if (c.isWord("NOT") && c.isWord("NULL", 1)) {
      c.next();
      c.next();
      d.type = "C";
      d.notNull = true;
      d.searchCondition = "\"" + col.name + "\" IS NOT NULL";
    } else if (c.acceptWord("NULL")) {
      if (!cname.empty()) throw OraError(2253, "constraint specification not allowed here");
      continue;
    } else if (c.acceptWord("UNIQUE")) {
      d.type = "U";
    } else if (c.acceptWord("PRIMARY")) {
      c.expectWord("KEY");
      d.type = "P";
    } else if (c.acceptWord("REFERENCES")) {
      d.type = "R";
      referencesClause(c, d, owner);
    } else if (c.acceptWord("CHECK")) {
      d.type = "C";
      d.searchCondition = conditionText(c);
      d.columns.clear();
    } else {
      if (!cname.empty()) throw OraError(2253, "constraint specification not allowed here");
      c.seek(save);
      break;
    }
    d.enabled = constraintState(c, true, &d.validate, &d);
    constraints.push_back(std::move(d));
  }
  return col;
}

void insertColumn(Session& s, const std::string& owner, const std::string& table, const ColumnDef& col,
                  long long id) {
  Query q(s.db,
          "INSERT INTO cat_columns(OWNER, TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION,"
          " DATA_SCALE, NULLABLE, COLUMN_ID, DEFAULT_LENGTH, DATA_DEFAULT, CHARACTER_SET_NAME,"
          " CHAR_COL_DECL_LENGTH, CHAR_LENGTH, CHAR_USED, DECL, HIDDEN_COLUMN, VIRTUAL_COLUMN, DEFAULT_ON_NULL,"
          " IDENTITY_COLUMN) VALUES(?,?,?,?,?,?,?,'Y',?,?,?,?,?,?,?,?,?,?,?,?)");
  q.bind(owner).bind(table).bind(col.name).bind(col.dataType).bind(col.dataLength);
  if (col.precision) q.bind(*col.precision); else q.bindNull();
  if (col.scale) q.bind(*col.scale); else q.bindNull();
  q.bind(id);
  if (col.defaultText.empty()) q.bindNull().bindNull();
  else q.bind(static_cast<long long>(col.defaultText.size())).bind(col.defaultText);
  bool chars = !col.charUsed.empty();
  bool national = col.dataType == "NCHAR" || col.dataType == "NVARCHAR2" || col.dataType == "NCLOB";
  bool charset = chars || col.dataType == "CLOB" || col.dataType == "LONG" || national;
  if (charset) q.bind(national ? "NCHAR_CS" : "CHAR_CS"); else q.bindNull();
  if (chars) q.bind(col.dataLength); else q.bindNull();
  q.bind(col.charLength);
  if (chars) q.bind(col.charUsed); else q.bindNull();
  auto yes = [](bool b) { return b ? "YES" : "NO"; };
  q.bind(col.decl).bind(yes(col.invisible)).bind(yes(col.virtualColumn)).bind(yes(col.defaultOnNull));
  q.bind(yes(!col.identity.empty())).run();
  if (!col.dataTypeOwner.empty())
    Query(s.db, "UPDATE cat_columns SET DATA_TYPE_OWNER = ? WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?")
        .bind(col.dataTypeOwner).bind(owner).bind(table).bind(col.name).run();
}

// Identity and DEFAULT ON NULL columns are NOT NULL without being told so.
void addImplicitNotNulls(const std::string& owner, const std::string& table, const std::vector<ColumnDef>& columns,
                         std::vector<ConstraintDef>& constraints) {
  for (const auto& col : columns) {
    if (col.identity.empty() && !col.defaultOnNull) continue;
    bool given = false;
    for (const auto& d : constraints) given = given || (d.notNull && d.columns.at(0) == col.name);
    if (given) continue;
    ConstraintDef d;
    d.owner = owner;
    d.table = table;
    d.type = "C";
    d.notNull = true;
    d.columns = {col.name};
    d.searchCondition = "\"" + col.name + "\" IS NOT NULL";
    constraints.push_back(std::move(d));
  }
}

void insertTable(Session& s, const std::string& owner, const std::string& table, const Storage& st, bool iot) {
  Query q(s.db,
          "INSERT INTO cat_tables(OWNER, TABLE_NAME, TABLESPACE_NAME, PCT_FREE, PCT_USED, INI_TRANS, MAX_TRANS,"
          " INITIAL_EXTENT, NEXT_EXTENT, MIN_EXTENTS, MAX_EXTENTS, PCT_INCREASE, FREELISTS, FREELIST_GROUPS,"
          " LOGGING, IOT_TYPE) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  auto opt = [&](const std::optional<long long>& v) {
    if (v) q.bind(*v); else q.bindNull();
  };
  q.bind(owner).bind(table);
  if (iot) {
    // An index-organized table has no segment of its own: its rows live in
    // the primary key's index, which carries the storage.
    q.bindNull().bind(0LL).bind(0LL).bind(0LL).bind(0LL);
    q.bindNull().bindNull().bindNull().bindNull().bindNull().bindNull().bindNull();
    q.bindNull().bind("IOT");
  } else {
    q.bind(st.tablespace.value_or("USERS")).bind(st.pctFree.value_or(10));
    opt(st.pctUsed);
    q.bind(st.iniTrans.value_or(1)).bind(st.maxTrans.value_or(255));
    q.bind(st.initial.value_or(65536)).bind(st.next.value_or(1048576)).bind(st.minExtents.value_or(1));
    q.bind(st.maxExtents.value_or(2147483645));
    opt(st.pctIncrease);
    opt(st.freelists);
    opt(st.freelistGroups);
    q.bind("YES").bindNull();
  }
  q.run();
}

void createStorageTable(Session& s, const std::string& owner, const std::string& table) {
  std::string sql = "CREATE TABLE " + quoteName(storageName(owner, table)) + "(";
  bool first = true;
  for (const auto& col : tableColumns(s.db, owner, table)) {
    sql += (first ? "" : ", ") + quoteName(col.name) + " " + quoteName(col.decl);
    first = false;
    if (col.defaultText.empty()) continue;
    const std::string value = translateExpression(s, col.defaultText);
    if (col.virtualColumn) sql += " GENERATED ALWAYS AS (" + value + ") VIRTUAL";
    // A default that draws on a sequence is supplied by each INSERT.
    else if (!isSequenceDefault(value)) sql += " DEFAULT (" + value + ")";
  }
  sql += ")";
  exec(s.db, sql);
}

// Adds constraints in the order keys need: keys first, so that a foreign key
// of the same statement can reference them.
void addConstraints(Session& s, std::vector<ConstraintDef>& defs) {
  std::vector<std::string> given;
  for (const auto& d : defs)
    if (!d.name.empty()) given.push_back(d.name);
  for (auto& d : defs)
    if (d.name.empty()) {
      d.name = generatedConstraintName(s, given);
      d.generated = true;
    }
  for (const char* type : {"P", "U", "C", "R"})
    for (auto& d : defs)
      if (d.type == type) {
        if (d.type == "C" && !d.notNull && d.columns.empty())
          d.columns = conditionColumns(d.searchCondition, tableColumns(s.db, d.owner, d.table));
        addConstraint(s, d);
      }
}

void dropConstraintsReferencing(Session& s, const std::string& owner, const std::string& table, bool cascade) {
  Query q(s.db,
          "SELECT r.OWNER, r.CONSTRAINT_NAME FROM cat_constraints r JOIN cat_constraints k ON k.OWNER = r.R_OWNER"
          " AND k.CONSTRAINT_NAME = r.R_CONSTRAINT_NAME WHERE k.OWNER = ? AND k.TABLE_NAME = ?"
          " AND NOT (r.OWNER = k.OWNER AND r.TABLE_NAME = k.TABLE_NAME)");
  q.bind(owner).bind(table);
  std::vector<std::pair<std::string, std::string>> refs;
  while (q.step()) refs.emplace_back(q.text(0), q.text(1));
  if (!refs.empty() && !cascade) throw OraError(2449, "unique/primary keys in table referenced by foreign keys");
  for (const auto& [o, n] : refs) dropConstraint(s, o, n);
}

void markDependentsInvalid(Session& s, const std::string& owner, const std::string& name) {
  Query(s.db,
        "UPDATE cat_objects SET STATUS = 'INVALID' WHERE (OWNER, OBJECT_NAME, OBJECT_TYPE) IN ("
        "SELECT OWNER, NAME, TYPE FROM cat_dependencies WHERE REFERENCED_OWNER = ? AND REFERENCED_NAME = ?)")
      .bind(owner).bind(name).run();
}

std::optional<ConstraintDef> findKey(Session& s, const std::string& owner, const std::string& table,
                                     const std::string& type, const std::vector<std::string>& cols) {
  for (auto& d : tableConstraints(s.db, owner, table))
    if (d.type == type && (cols.empty() || std::set<std::string>(d.columns.begin(), d.columns.end()) ==
                                               std::set<std::string>(cols.begin(), cols.end())))
      return d;
  return std::nullopt;
}

void dropKey(Session& s, const ConstraintDef& key, bool cascade) {
  Query q(s.db, "SELECT OWNER, CONSTRAINT_NAME FROM cat_constraints WHERE R_OWNER = ? AND R_CONSTRAINT_NAME = ?");
  q.bind(key.owner).bind(key.name);
  std::vector<std::pair<std::string, std::string>> refs;
  while (q.step()) refs.emplace_back(q.text(0), q.text(1));
  if (!refs.empty() && !cascade) throw OraError(2273, "this unique/primary key is referenced by some foreign keys");
  for (const auto& [o, n] : refs) dropConstraint(s, o, n);
  dropConstraint(s, key.owner, key.name);
}

// The constraint an ENABLE / DISABLE / DROP clause names.
std::string constraintNamed(Session& s, Cursor& c, const std::string& owner, const std::string& table,
                            bool enabling) {
  if (c.acceptWord("CONSTRAINT")) return c.name(904, "invalid identifier");
  if (c.acceptWord("PRIMARY")) {
    c.expectWord("KEY");
    auto k = findKey(s, owner, table, "P", {});
    if (!k) throw OraError(2441, "Cannot drop nonexistent primary key");
    return k->name;
  }
  if (c.acceptWord("UNIQUE")) {
    auto cols = nameList(c);
    auto k = findKey(s, owner, table, "U", cols);
    if (!k) throw OraError(enabling ? 2430 : 2431, "no such unique constraint");
    return k->name;
  }
  throw OraError(905, "missing keyword");
}

void setEnabled(Session& s, Cursor& c, const std::string& owner, const std::string& table, bool enable) {
  bool validate = true;
  if (c.acceptWord("NOVALIDATE")) validate = false;
  else c.acceptWord("VALIDATE");
  if (c.acceptWord("ALL")) {
    c.expectWord("TRIGGERS", 905, "missing keyword");
    Query(s.db, "UPDATE cat_triggers SET STATUS = ? WHERE TABLE_OWNER = ? AND TABLE_NAME = ?")
        .bind(enable ? "ENABLED" : "DISABLED").bind(owner).bind(table).run();
    return;
  }
  if (c.acceptWord("TABLE")) {
    c.expectWord("LOCK", 905, "missing keyword");
    return;
  }
  std::string name = constraintNamed(s, c, owner, table, enable);
  auto d = loadConstraint(s.db, owner, name);
  if (!d || d->table != table) {
    if (enable) throw OraError(2430, "cannot enable constraint (" + name + ") - no such constraint");
    throw OraError(2431, "cannot disable constraint (" + name + ") - no such constraint");
  }
  bool cascade = c.acceptWord("CASCADE");
  if (c.acceptWord("KEEP") || c.acceptWord("DROP")) c.expectWord("INDEX", 905, "missing keyword");
  if (!enable && cascade) {
    Query q(s.db, "SELECT OWNER, CONSTRAINT_NAME FROM cat_constraints WHERE R_OWNER = ? AND R_CONSTRAINT_NAME = ?");
    q.bind(owner).bind(name);
    std::vector<std::pair<std::string, std::string>> refs;
    while (q.step()) refs.emplace_back(q.text(0), q.text(1));
    for (const auto& [o, n] : refs) setConstraintEnabled(s, o, n, false);
  }
  setConstraintEnabled(s, owner, name, enable, validate);
}

void dropColumns(Session& s, const std::string& owner, const std::string& table,
                 const std::vector<std::string>& names) {
  auto cols = tableColumns(s.db, owner, table);
  std::vector<std::string> drop;
  for (const auto& n : names) drop.push_back(requireColumn(s.db, owner, table, n));
  if (drop.size() >= cols.size()) throw OraError(12983, "cannot drop all columns in a table");
  for (const auto& d : tableConstraints(s.db, owner, table))
    for (const auto& col : d.columns)
      if (std::find(drop.begin(), drop.end(), col) != drop.end()) {
        if (d.type == "P" || d.type == "U") dropKey(s, d, true);
        else dropConstraint(s, owner, d.name);
        break;
      }
  for (const auto& col : drop) {
    dropIdentities(s, owner, table, col);
    std::vector<std::string> gone;
    Query q(s.db, "SELECT DISTINCT INDEX_NAME FROM cat_ind_columns WHERE TABLE_OWNER = ? AND TABLE_NAME = ?"
                  " AND COLUMN_NAME = ?");
    q.bind(owner).bind(table).bind(col);
    while (q.step()) gone.push_back(q.text(0));
    for (const auto& g : gone) dropCatalogIndex(s, owner, g);
    Query(s.db, "DELETE FROM cat_columns WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?")
        .bind(owner).bind(table).bind(col).run();
    Query(s.db, "DELETE FROM cat_col_comments WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?")
        .bind(owner).bind(table).bind(col).run();
  }
  // Column numbers close up, as Oracle renumbers them.
  long long id = 1;
  for (const auto& c : tableColumns(s.db, owner, table))
    Query(s.db, "UPDATE cat_columns SET COLUMN_ID = ? WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?")
        .bind(id++).bind(owner).bind(table).bind(c.name).run();
  rebuildTable(s, owner, table);
}

bool tableHasRows(Session& s, const std::string& owner, const std::string& table) {
  return scalar(s.db, "SELECT 1 FROM " + quoteName(storageName(owner, table)) + " LIMIT 1").has_value();
}

void modifyColumn(Session& s, Cursor& c, const std::string& owner, const std::string& table) {
  std::string col = requireColumn(s.db, owner, table, c.name(904, "invalid identifier"));
  bool rebuild = false;
  std::vector<ConstraintDef> added;
  if (c.peek().kind == Token::Kind::Word && !c.isWord("DEFAULT") && !c.isWord("NOT") && !c.isWord("NULL") &&
      !c.isWord("GENERATED") && !c.isWord("VISIBLE") && !c.isWord("INVISIBLE") &&
      !c.isWord("CONSTRAINT") && !c.isWord("UNIQUE") && !c.isWord("PRIMARY") && !c.isWord("CHECK") &&
      !c.isWord("REFERENCES")) {
    ColumnDef t = parseDataType(c);
    Query q(s.db, "UPDATE cat_columns SET DATA_TYPE = ?, DATA_LENGTH = ?, DATA_PRECISION = ?, DATA_SCALE = ?,"
                  " CHAR_LENGTH = ?, CHAR_USED = ?, CHAR_COL_DECL_LENGTH = ?, DECL = ?"
                  " WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?");
    q.bind(t.dataType).bind(t.dataLength);
    if (t.precision) q.bind(*t.precision); else q.bindNull();
    if (t.scale) q.bind(*t.scale); else q.bindNull();
    q.bind(t.charLength);
    if (t.charUsed.empty()) q.bindNull().bindNull(); else q.bind(t.charUsed).bind(t.dataLength);
    q.bind(t.decl).bind(owner).bind(table).bind(col).run();
    rebuild = true;
  }
  for (;;) {
    if (c.isWord("GENERATED")) {
      modifyIdentity(s, c, owner, table, col);
      continue;
    }
    if (c.isWord("VISIBLE") || c.isWord("INVISIBLE")) {
      Query(s.db, "UPDATE cat_columns SET HIDDEN_COLUMN = ? WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?")
          .bind(c.next().upper == "INVISIBLE" ? "YES" : "NO").bind(owner).bind(table).bind(col).run();
      continue;
    }
    if (c.acceptWord("DEFAULT")) {
      bool onNull = c.isWord("ON") && c.isWord("NULL", 1);
      if (onNull) {
        c.next();
        c.next();
      }
      Query(s.db, "UPDATE cat_columns SET DEFAULT_ON_NULL = ? WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?")
          .bind(onNull ? "YES" : "NO").bind(owner).bind(table).bind(col).run();
      size_t from = c.pos();
      if (c.atEnd() || c.isOp(",") || c.isOp(")")) throw OraError(936, "missing expression");
      if (c.isOp("(")) c.skipGroup();
      else c.next();
      if (c.isOp("(")) c.skipGroup();
      c.skipExpression(kColumnStops);
      std::string text = c.textBetween(from, c.pos());
      Query(s.db, "UPDATE cat_columns SET DATA_DEFAULT = ?, DEFAULT_LENGTH = ? WHERE OWNER = ? AND TABLE_NAME = ?"
                  " AND COLUMN_NAME = ?")
          .bind(text).bind(static_cast<long long>(text.size())).bind(owner).bind(table).bind(col).run();
      rebuild = true;
      continue;
    }
    std::string cname;
    size_t save = c.pos();
    if (c.acceptWord("CONSTRAINT")) cname = c.name(904, "invalid identifier");
    if (c.isWord("NOT") && c.isWord("NULL", 1)) {
      c.next();
      c.next();
      bool already = scalar(s.db,
                            "SELECT 1 FROM cat_constraints WHERE OWNER = ? AND TABLE_NAME = ? AND NOT_NULL_COLUMN = ?"
                            " AND STATUS = 'ENABLED'",
                            {owner, table, col}).has_value();
      if (already) throw OraError(1442, "column to be modified to NOT NULL is already NOT NULL");
      ConstraintDef d;
      d.owner = owner;
      d.table = table;
      d.name = cname;
      d.type = "C";
      d.notNull = true;
      d.columns = {col};
      d.searchCondition = "\"" + col + "\" IS NOT NULL";
      d.enabled = constraintState(c, true, &d.validate, &d);
      added.push_back(d);
      continue;
    }
    if (c.acceptWord("NULL")) {
      std::vector<std::string> nn;
      Query q(s.db, "SELECT CONSTRAINT_NAME FROM cat_constraints WHERE OWNER = ? AND TABLE_NAME = ?"
                    " AND NOT_NULL_COLUMN = ?");
      q.bind(owner).bind(table).bind(col);
      while (q.step()) nn.push_back(q.text(0));
      if (nn.empty()) throw OraError(1451, "column to be modified to NULL cannot be modified to NULL");
      for (const auto& n : nn) dropConstraint(s, owner, n);
      continue;
    }
    if (c.isWord("UNIQUE") || c.isWord("PRIMARY") || c.isWord("CHECK") || c.isWord("REFERENCES")) {
      c.seek(save);
      std::vector<ConstraintDef> inl;
      // Reuse the column parser's inline constraints by parsing them here.
      ConstraintDef d;
      d.owner = owner;
      d.table = table;
      if (c.acceptWord("CONSTRAINT")) d.name = c.name(904, "invalid identifier");
      d.columns = {col};
      if (c.acceptWord("UNIQUE")) d.type = "U";
      else if (c.acceptWord("PRIMARY")) {
        c.expectWord("KEY");
        d.type = "P";
      } else if (c.acceptWord("CHECK")) {
        d.type = "C";
        d.searchCondition = conditionText(c);
      } else {
        c.expectWord("REFERENCES");
        d.type = "R";
        referencesClause(c, d, owner);
      }
      d.enabled = constraintState(c, true, &d.validate, &d);
      added.push_back(d);
      continue;
    }
    c.seek(save);
    break;
  }
  if (rebuild) rebuildTable(s, owner, table);
  addConstraints(s, added);
}

void addItems(Session& s, Cursor& c, const std::string& owner, const std::string& table, bool grouped) {
  std::vector<ConstraintDef> constraints;
  std::vector<ColumnDef> columns;
  do {
    if (isConstraintStart(c)) constraints.push_back(outOfLine(c, owner, table));
    else columns.push_back(columnDef(s, c, owner, table, constraints));
  } while (grouped && c.acceptOp(","));
  if (!columns.empty()) {
    auto existing = tableColumns(s.db, owner, table);
    bool rows = tableHasRows(s, owner, table);
    long long id = static_cast<long long>(existing.size());
    std::vector<ColumnDef> all = existing;
    all.insert(all.end(), columns.begin(), columns.end());
    checkOneLong(all);
    for (const auto& col : columns) {
      for (const auto& e : existing)
        if (e.name == col.name) throw OraError(1430, "column being added already exists in table");
      bool mandatory = false;
      for (const auto& d : constraints)
        if (d.notNull && d.columns.at(0) == col.name && d.enabled) mandatory = true;
      if (mandatory && rows && col.defaultText.empty() && col.identity.empty())
        throw OraError(1758, "table must be empty to add mandatory (NOT NULL) column");
    }
    for (auto& col : columns) {
      if (!col.identity.empty()) createIdentity(s, owner, table, col);
      insertColumn(s, owner, table, col, ++id);
    }
    addImplicitNotNulls(owner, table, columns, constraints);
    rebuildTable(s, owner, table);
    // The rows already there take their values from the new columns' defaults.
    for (const auto& col : columns)
      if (rows && !col.virtualColumn && !col.defaultText.empty())
        exec(s.db, "UPDATE " + quoteName(storageName(owner, table)) + " SET " + quoteName(col.name) + " = (" +
                       translateExpression(s, col.defaultText) + ")");
  }
  addConstraints(s, constraints);
}

}  // namespace

bool parsePhysical(Cursor& c, Storage& st) {
  if (c.acceptWord("TABLESPACE")) {
    st.tablespace = c.name(959, "tablespace does not exist");
    return true;
  }
  if (c.acceptWord("PCTFREE")) {
    st.pctFree = intValue(c, 2211, "invalid value for PCTFREE or PCTUSED");
    return true;
  }
  if (c.acceptWord("PCTUSED")) {
    st.pctUsed = intValue(c, 2211, "invalid value for PCTFREE or PCTUSED");
    return true;
  }
  if (c.acceptWord("INITRANS")) {
    st.iniTrans = intValue(c, 2207, "invalid INITRANS option value");
    return true;
  }
  if (c.acceptWord("MAXTRANS")) {
    st.maxTrans = intValue(c, 2209, "invalid MAXTRANS option value");
    return true;
  }
  if (c.acceptWord("STORAGE")) {
    c.expectOp("(");
    while (!c.acceptOp(")")) {
      if (c.atEnd()) throw OraError(907, "missing right parenthesis");
      if (c.acceptWord("INITIAL")) st.initial = sizeValue(c);
      else if (c.acceptWord("NEXT")) st.next = sizeValue(c);
      else if (c.acceptWord("MINEXTENTS")) st.minExtents = intValue(c, 2217, "duplicate storage option specification");
      else if (c.acceptWord("MAXEXTENTS")) {
        if (c.acceptWord("UNLIMITED")) st.maxExtents = 2147483645;
        else st.maxExtents = intValue(c, 2226, "invalid MAXEXTENTS value (max allowed: 2147483645)");
      } else if (c.acceptWord("PCTINCREASE")) st.pctIncrease = intValue(c, 2217, "invalid PCTINCREASE value");
      else if (c.acceptWord("FREELISTS")) st.freelists = intValue(c, 2217, "invalid FREELISTS value");
      else if (c.acceptWord("FREELIST")) {
        c.expectWord("GROUPS", 2143, "invalid STORAGE option");
        st.freelistGroups = intValue(c, 2217, "invalid FREELIST GROUPS value");
      } else if (c.acceptWord("OPTIMAL")) {
        if (!c.acceptWord("NULL")) sizeValue(c);
      } else if (c.acceptWord("BUFFER_POOL") || c.acceptWord("FLASH_CACHE") || c.acceptWord("CELL_FLASH_CACHE")) {
        c.next();
      } else if (c.acceptWord("MAXSIZE")) {
        if (!c.acceptWord("UNLIMITED")) sizeValue(c);
      } else if (c.acceptWord("ENCRYPT")) {
      } else {
        throw OraError(2143, "invalid STORAGE option");
      }
    }
    return true;
  }
  static const char* const flags[] = {"LOGGING",     "NOLOGGING",     "NOCOMPRESS",      "CACHE",
                                      "NOCACHE",     "MONITORING",    "NOMONITORING",    "NOPARALLEL",
                                      "ROWDEPENDENCIES", "NOROWDEPENDENCIES", "ONLINE",  "REVERSE",
                                      "NOSORT",      "VISIBLE",       "INVISIBLE",       "OVERFLOW"};
  for (const char* f : flags)
    if (c.acceptWord(f)) return true;
  if (c.acceptWord("COMPRESS") || c.acceptWord("PARALLEL")) {
    if (c.peek().kind == Token::Kind::Number) c.next();
    else if (c.acceptWord("FOR")) {
      while (c.peek().kind == Token::Kind::Word && !c.isWord("TABLESPACE") && !c.isWord("PCTFREE")) c.next();
    } else if (c.isOp("(")) c.skipGroup();
    return true;
  }
  if (c.acceptWord("COMPUTE")) {
    c.expectWord("STATISTICS", 922, "missing or invalid option");
    return true;
  }
  if (c.acceptWord("SEGMENT")) {
    c.expectWord("CREATION", 922, "missing or invalid option");
    if (!c.acceptWord("IMMEDIATE")) c.expectWord("DEFERRED", 922, "missing or invalid option");
    return true;
  }
  if ((c.isWord("ENABLE") || c.isWord("DISABLE")) && c.isWord("ROW", 1)) {
    c.next();
    c.next();
    c.expectWord("MOVEMENT", 922, "missing or invalid option");
    return true;
  }
  if (c.acceptWord("PCTTHRESHOLD")) {
    c.number();
    return true;
  }
  if (c.acceptWord("INCLUDING")) {
    c.name(904, "invalid identifier");
    return true;
  }
  if (c.acceptWord("LOB")) {
    c.skipGroup();
    c.expectWord("STORE", 922, "missing or invalid option");
    c.expectWord("AS", 922, "missing or invalid option");
    if (c.acceptWord("SECUREFILE") || c.acceptWord("BASICFILE")) {
    }
    if (c.peek().kind == Token::Kind::Word || c.peek().kind == Token::Kind::QuotedName)
      if (!c.isOp("(")) c.name();
    if (c.isOp("(")) c.skipGroup();
    return true;
  }
  return false;
}

void rebuildTable(Session& s, const std::string& owner, const std::string& table,
                  const std::vector<std::pair<std::string, std::string>>& renamed) {
  std::string t = quoteName(storageName(owner, table));
  std::vector<std::string> old;
  {
    Query q(s.db, "SELECT name FROM pragma_table_info(?)");
    q.bind(storageName(owner, table));
    while (q.step()) old.push_back(q.text(0));
  }
  std::string common, sources;
  for (const auto& c : tableColumns(s.db, owner, table)) {
    std::string source = c.name;
    for (const auto& [from, to] : renamed)
      if (to == c.name) source = from;
    if (std::find(old.begin(), old.end(), source) == old.end()) continue;
    common += (common.empty() ? "" : ", ") + quoteName(c.name);
    sources += (sources.empty() ? "" : ", ") + quoteName(source);
  }
  exec(s.db, "DROP TABLE IF EXISTS temp.ocisim_rebuild");
  exec(s.db, "CREATE TEMP TABLE ocisim_rebuild AS SELECT * FROM " + t);
  exec(s.db, "DROP TABLE " + t);
  createStorageTable(s, owner, table);
  if (!common.empty())
    exec(s.db, "INSERT INTO " + t + "(" + common + ") SELECT " + sources + " FROM temp.ocisim_rebuild");
  exec(s.db, "DROP TABLE temp.ocisim_rebuild");
  Query q(s.db, "SELECT OWNER, INDEX_NAME FROM cat_indexes WHERE TABLE_OWNER = ? AND TABLE_NAME = ?");
  q.bind(owner).bind(table);
  std::vector<std::pair<std::string, std::string>> idx;
  while (q.step()) idx.emplace_back(q.text(0), q.text(1));
  for (const auto& [o, n] : idx) createStorageIndex(s, o, n);
  reinstallTableEnforcement(s, owner, table);
  installPartitionRouting(s, owner, table);
  touchObject(s, owner, table, "TABLE");
}

// CREATE TABLE ... AS SELECT: the columns and rows of the query.
void createTableAsSelect(Session& s, Cursor& c, const std::string& owner, const std::string& table,
                         const std::vector<std::string>& names, const Storage& st) {
  std::string query = c.textFrom(c.pos());
  while (!query.empty() && (platform::isAsciiSpace(query.back()) || query.back() == ';'))
    query.pop_back();
  if (query.empty()) throw OraError(936, "missing expression");
  std::string translated = translateQuery(s, query);
  std::vector<ColumnDef> cols = describeSelect(s, "SELECT * FROM (" + translated + ")");
  if (!names.empty()) {
    if (names.size() != cols.size()) throw OraError(1730, "invalid number of column names specified");
    for (size_t i = 0; i < cols.size(); ++i) cols[i].name = names[i];
  }
  for (size_t i = 0; i < cols.size(); ++i) {
    checkName(cols[i].name);
    for (size_t k = 0; k < i; ++k)
      if (cols[k].name == cols[i].name) throw OraError(957, "duplicate column name");
  }
  addObject(s, owner, table, "TABLE");
  insertTable(s, owner, table, st, false);
  long long id = 0;
  for (const auto& col : cols) insertColumn(s, owner, table, col, ++id);
  createStorageTable(s, owner, table);
  exec(s.db, "INSERT INTO " + quoteName(storageName(owner, table)) + " SELECT * FROM (" + translated + ")");
}

void createTable(Session& s, Cursor& c, bool temporary) {
  auto [owner, table] = c.qualifiedName(s.user);
  if (owner != s.user) throw OraError(1031, "insufficient privileges");
  if (!objectType(s.db, owner, table).empty()) throw OraError(955, "name is already used by an existing object");
  if (c.acceptWord("AS")) return createTableAsSelect(s, c, owner, table, {}, Storage{});
  // CREATE TABLE t (a, b) AS SELECT ...: names without types
  if (c.isOp("(") && (c.peek(1).kind == Token::Kind::Word || c.peek(1).kind == Token::Kind::QuotedName) &&
      (c.isOp(",", 2) || c.isOp(")", 2))) {
    std::vector<std::string> names = nameList(c);
    Storage st;
    while (parsePhysical(c, st)) {
    }
    c.expectWord("AS", 905, "missing keyword");
    return createTableAsSelect(s, c, owner, table, names, st);
  }
  c.expectOp("(");
  std::vector<ColumnDef> columns;
  std::vector<ConstraintDef> constraints;
  do {
    if (isConstraintStart(c)) {
      constraints.push_back(outOfLine(c, owner, table));
    } else {
      ColumnDef col = columnDef(s, c, owner, table, constraints);
      for (const auto& e : columns)
        if (e.name == col.name) throw OraError(957, "duplicate column name");
      columns.push_back(std::move(col));
    }
  } while (c.acceptOp(","));
  c.expectOp(")");
  if (columns.empty()) throw OraError(904, "invalid identifier");
  checkOneLong(columns);
  if (columns.size() > 1000) throw OraError(1792, "maximum number of columns in a table or view is 1000");
  Storage st;
  bool iot = false;
  std::optional<Storage> overflow;
  std::optional<TablePartitioning> partitioning;
  std::string duration;
  for (;;) {
    if (iot && c.acceptWord("OVERFLOW")) {
      // The overflow segment's own attributes follow the word.
      overflow = Storage{};
      while (parsePhysical(c, *overflow)) {
      }
      continue;
    }
    if (parsePhysical(c, st)) continue;
    if (c.acceptWord("ORGANIZATION")) {
      if (c.acceptWord("INDEX")) iot = true;
      else c.expectWord("HEAP", 922, "missing or invalid option");
      continue;
    }
    if (temporary && c.acceptWord("ON")) {  // ON COMMIT DELETE|PRESERVE ROWS
      c.expectWord("COMMIT", 922, "missing or invalid option");
      if (c.acceptWord("DELETE")) duration = "SYS$TRANSACTION";
      else if (c.acceptWord("PRESERVE")) duration = "SYS$SESSION";
      else throw OraError(922, "missing or invalid option");
      c.expectWord("ROWS", 922, "missing or invalid option");
      continue;
    }
    if (auto scheme = parsePartitioning(c)) {
      partitioning = std::move(scheme);
      continue;
    }
    break;
  }
  if (temporary) {
    // A temporary table has no segment of its own until a session writes
    // to it, and none that could be partitioned or organized otherwise.
    const bool segment = st.pctFree || st.pctUsed || st.iniTrans || st.maxTrans || st.initial || st.next ||
                         st.minExtents || st.maxExtents || st.pctIncrease || st.freelists || st.freelistGroups;
    if (segment || partitioning || iot) throw OraError(14451, "unsupported feature with temporary table");
    for (const auto& d : constraints)
      if (d.type == "R") throw OraError(14455, "attempt to create referential integrity constraint on temporary table");
    if (duration.empty()) duration = "SYS$TRANSACTION";
  }
  if (partitioning && iot) throw OraError(25198, "only range, list, and hash partitioning are supported for index-organized table");
  if (c.acceptWord("AS")) {
    if (!columns.empty()) throw OraError(1773, "may not specify column datatypes in this CREATE TABLE");
    return createTableAsSelect(s, c, owner, table, {}, st);
  }
  c.expectEnd();
  if (iot) {
    bool hasKey = false;
    for (const auto& d : constraints) hasKey = hasKey || d.type == "P";
    if (!hasKey) throw OraError(25175, "no PRIMARY KEY constraint found");
  }
  addObject(s, owner, table, "TABLE");
  insertTable(s, owner, table, st, iot);
  long long id = 0;
  for (auto& col : columns) {
    if (!col.identity.empty()) createIdentity(s, owner, table, col);
    insertColumn(s, owner, table, col, ++id);
  }
  addImplicitNotNulls(owner, table, columns, constraints);
  createStorageTable(s, owner, table);
  addConstraints(s, constraints);
  if (temporary) {
    Query(s.db, "UPDATE cat_tables SET TEMPORARY = 'Y', DURATION = ?, TABLESPACE_NAME = NULL, PCT_USED = NULL,"
                " INITIAL_EXTENT = NULL, NEXT_EXTENT = NULL, MIN_EXTENTS = NULL, MAX_EXTENTS = NULL, LOGGING = 'NO'"
                " WHERE OWNER = ? AND TABLE_NAME = ?")
        .bind(duration).bind(owner).bind(table).run();
    Query(s.db, "UPDATE cat_objects SET TEMPORARY = 'Y' WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE = 'TABLE'")
        .bind(owner).bind(table).run();
  }
  if (partitioning) recordPartitioning(s, owner, table, std::move(*partitioning), st);
  if (overflow) {
    // Oracle names the overflow segment after the table's object number.
    const std::string id = scalar(s.db, "SELECT OBJECT_ID FROM cat_objects WHERE OWNER = ? AND OBJECT_NAME = ?"
                                        " AND OBJECT_TYPE = 'TABLE'", {owner, table}).value_or("0");
    const std::string name = "SYS_IOT_OVER_" + id;
    addObject(s, owner, name, "TABLE");
    insertTable(s, owner, name, *overflow, false);
    Query(s.db, "UPDATE cat_tables SET IOT_TYPE = 'IOT_OVERFLOW', IOT_NAME = ? WHERE OWNER = ? AND TABLE_NAME = ?")
        .bind(table).bind(owner).bind(name).run();
  }
  if (iot) {
    // The key's index holds the rows and the storage the statement gave.
    for (const auto& d : tableConstraints(s.db, owner, table))
      if (d.type == "P" && !d.indexName.empty()) {
        Query q(s.db, "UPDATE cat_indexes SET INDEX_TYPE = 'IOT - TOP', TABLESPACE_NAME = ?, PCT_FREE = ?,"
                      " INI_TRANS = ?, MAX_TRANS = ?, INITIAL_EXTENT = ?, NEXT_EXTENT = ?, MIN_EXTENTS = ?,"
                      " MAX_EXTENTS = ? WHERE OWNER = ? AND INDEX_NAME = ?");
        q.bind(st.tablespace.value_or("USERS")).bind(st.pctFree.value_or(10)).bind(st.iniTrans.value_or(2));
        q.bind(st.maxTrans.value_or(255)).bind(st.initial.value_or(65536)).bind(st.next.value_or(1048576));
        q.bind(st.minExtents.value_or(1)).bind(st.maxExtents.value_or(2147483645)).bind(owner).bind(d.indexName);
        q.run();
      }
  }
}

void alterTable(Session& s, Cursor& c) {
  auto [owner, table] = c.qualifiedName(s.user);
  requireTable(s.db, owner, table);
  bool any = false;
  for (;;) {
    c.acceptOp(";");
    if (c.atEnd()) break;
    any = true;
    if (c.acceptWord("ADD")) {
      if (c.acceptOp("(")) {
        addItems(s, c, owner, table, true);
        c.expectOp(")");
      } else {
        addItems(s, c, owner, table, false);
      }
    } else if (c.acceptWord("MODIFY")) {
      if (c.isWord("CONSTRAINT") || c.isWord("PRIMARY") || (c.isWord("UNIQUE") && c.isOp("(", 1))) {
        std::string name = constraintNamed(s, c, owner, table, true);
        modifyConstraintState(s, c, owner, name);
      } else if (c.acceptOp("(")) {
        do modifyColumn(s, c, owner, table);
        while (c.acceptOp(","));
        c.expectOp(")");
      } else {
        modifyColumn(s, c, owner, table);
      }
    } else if (c.acceptWord("DROP")) {
      if (c.acceptWord("COLUMN")) {
        std::vector<std::string> n = {c.name(904, "invalid identifier")};
        if (c.acceptWord("CASCADE")) c.expectWord("CONSTRAINTS");
        dropColumns(s, owner, table, n);
      } else if (c.isOp("(")) {
        auto n = nameList(c);
        if (c.acceptWord("CASCADE")) c.expectWord("CONSTRAINTS");
        dropColumns(s, owner, table, n);
      } else if (c.acceptWord("CONSTRAINT")) {
        std::string name = c.name(904, "invalid identifier");
        bool cascade = c.acceptWord("CASCADE");
        auto d = loadConstraint(s.db, owner, name);
        if (!d || d->table != table) throw OraError(2443, "Cannot drop constraint  - nonexistent constraint");
        if (d->type == "P" || d->type == "U") dropKey(s, *d, cascade);
        else dropConstraint(s, owner, name);
      } else if (c.acceptWord("PRIMARY")) {
        c.expectWord("KEY");
        bool cascade = c.acceptWord("CASCADE");
        auto k = findKey(s, owner, table, "P", {});
        if (!k) throw OraError(2441, "Cannot drop nonexistent primary key");
        dropKey(s, *k, cascade);
      } else if (c.acceptWord("UNIQUE")) {
        auto cols = nameList(c);
        for (auto& col : cols) col = requireColumn(s.db, owner, table, col);
        bool cascade = c.acceptWord("CASCADE");
        auto k = findKey(s, owner, table, "U", cols);
        if (!k) throw OraError(2442, "Cannot drop nonexistent unique key");
        dropKey(s, *k, cascade);
      } else {
        throw OraError(905, "missing keyword");
      }
      if (c.acceptWord("KEEP") || c.acceptWord("DROP")) c.expectWord("INDEX", 905, "missing keyword");
    } else if (c.acceptWord("RENAME")) {
      bool wholeTable = c.isWord("TO");
      alterTableRename(s, c, owner, table);
      if (wholeTable) {
        c.expectEnd();
        return;
      }
    } else if (c.acceptWord("ENABLE")) {
      setEnabled(s, c, owner, table, true);
    } else if (c.acceptWord("DISABLE")) {
      setEnabled(s, c, owner, table, false);
    } else {
      Storage st;
      if (!parsePhysical(c, st)) throw OraError(1735, "invalid ALTER TABLE option");
      while (parsePhysical(c, st)) {
      }
      auto set = [&](const char* col, const std::optional<long long>& v) {
        if (v)
          Query(s.db, std::string("UPDATE cat_tables SET ") + col + " = ? WHERE OWNER = ? AND TABLE_NAME = ?")
              .bind(*v).bind(owner).bind(table).run();
      };
      set("PCT_FREE", st.pctFree);
      set("PCT_USED", st.pctUsed);
      set("INI_TRANS", st.iniTrans);
      set("MAX_TRANS", st.maxTrans);
      set("NEXT_EXTENT", st.next);
      set("MAX_EXTENTS", st.maxExtents);
      set("PCT_INCREASE", st.pctIncrease);
    }
  }
  if (!any) throw OraError(1735, "invalid ALTER TABLE option");
  touchObject(s, owner, table, "TABLE");
}

void dropTable(Session& s, Cursor& c) {
  auto [owner, table] = c.qualifiedName(s.user);
  bool cascade = false;
  if (c.acceptWord("CASCADE")) {
    c.expectWord("CONSTRAINTS", 905, "missing keyword");
    cascade = true;
  }
  c.acceptWord("PURGE");
  c.expectEnd();
  requireTable(s.db, owner, table);
  dropConstraintsReferencing(s, owner, table, cascade);
  for (const auto& d : tableConstraints(s.db, owner, table)) {
    removeEnforcement(s, d);
    Query(s.db, "DELETE FROM cat_constraints WHERE OWNER = ? AND CONSTRAINT_NAME = ?").bind(d.owner).bind(d.name).run();
    Query(s.db, "DELETE FROM cat_cons_columns WHERE OWNER = ? AND CONSTRAINT_NAME = ?").bind(d.owner).bind(d.name).run();
  }
  {
    std::vector<std::pair<std::string, std::string>> idx;
    Query q(s.db, "SELECT OWNER, INDEX_NAME FROM cat_indexes WHERE TABLE_OWNER = ? AND TABLE_NAME = ?");
    q.bind(owner).bind(table);
    while (q.step()) idx.emplace_back(q.text(0), q.text(1));
    for (const auto& [o, n] : idx) dropCatalogIndex(s, o, n);
  }
  dropTriggersOn(s, owner, table);
  dropIdentities(s, owner, table);
  dropPartitioning(s, owner, table);
  {
    std::vector<std::string> overflow;
    Query q(s.db, "SELECT TABLE_NAME FROM cat_tables WHERE OWNER = ? AND IOT_NAME = ? AND IOT_TYPE = 'IOT_OVERFLOW'");
    q.bind(owner).bind(table);
    while (q.step()) overflow.push_back(q.text(0));
    for (const auto& o : overflow) {
      Query(s.db, "DELETE FROM cat_tables WHERE OWNER = ? AND TABLE_NAME = ?").bind(owner).bind(o).run();
      removeObject(s, owner, o, "TABLE");
    }
  }
  for (const char* t : {"cat_columns", "cat_tab_comments", "cat_col_comments", "cat_tables"})
    Query(s.db, std::string("DELETE FROM ") + t + " WHERE OWNER = ? AND TABLE_NAME = ?").bind(owner).bind(table).run();
  removeObject(s, owner, table, "TABLE");
  markDependentsInvalid(s, owner, table);
  exec(s.db, "DROP TABLE " + quoteName(storageName(owner, table)));
}

void truncateTable(Session& s, Cursor& c) {
  auto [owner, table] = c.qualifiedName(s.user);
  while (c.acceptWord("DROP") || c.acceptWord("REUSE") || c.acceptWord("STORAGE") || c.acceptWord("PRESERVE") ||
         c.acceptWord("PURGE") || c.acceptWord("MATERIALIZED") || c.acceptWord("VIEW") || c.acceptWord("LOG")) {
  }
  c.expectEnd();
  requireTable(s.db, owner, table);
  if (scalar(s.db,
             "SELECT 1 FROM cat_constraints r JOIN cat_constraints k ON k.OWNER = r.R_OWNER AND"
             " k.CONSTRAINT_NAME = r.R_CONSTRAINT_NAME WHERE k.OWNER = ? AND k.TABLE_NAME = ?"
             " AND r.STATUS = 'ENABLED' AND NOT (r.OWNER = k.OWNER AND r.TABLE_NAME = k.TABLE_NAME)",
             {owner, table}))
    throw OraError(2266, "unique/primary keys in table referenced by enabled foreign keys");
  // Rows go without row checks: a table's references to itself go with them.
  auto own = tableConstraints(s.db, owner, table);
  for (const auto& d : own)
    if (d.type == "R") removeEnforcement(s, d);
  exec(s.db, "DELETE FROM " + quoteName(storageName(owner, table)));
  for (const auto& d : own)
    if (d.type == "R") installEnforcement(s, d);
}

}  // namespace ocisim::dict
