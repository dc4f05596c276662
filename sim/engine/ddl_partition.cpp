// PARTITION BY clauses of CREATE TABLE and LOCAL / GLOBAL clauses of CREATE
// INDEX: their catalog rows (USER_PART_TABLES, USER_TAB_PARTITIONS,
// USER_TAB_SUBPARTITIONS, USER_PART_KEY_COLUMNS, USER_SUBPART_KEY_COLUMNS,
// USER_PART_INDEXES, USER_IND_PARTITIONS) and the trigger that refuses a
// row no partition takes.  A partitioned table's rows stay in one SQLite
// table: partitions decide where a row may go, not where it is kept.
#include <algorithm>
#include <set>

#include "engine/table_kinds.h"
#include "platform/ascii.h"

namespace ocisim::dict {

namespace {

std::string trimmed(std::string text) {
  while (!text.empty() && platform::isAsciiSpace(text.back())) text.pop_back();
  size_t b = 0;
  while (b < text.size() && platform::isAsciiSpace(text[b])) ++b;
  return text.substr(b);
}

std::vector<std::string> columnNames(Cursor& c) {
  std::vector<std::string> out;
  c.expectOp("(");
  do out.push_back(c.name(904, "invalid identifier"));
  while (c.acceptOp(","));
  c.expectOp(")");
  return out;
}

// "(v1, v2, ...)": each value's text as written, joined by ", " as the
// dictionary's HIGH_VALUE shows them.
std::string valueList(Cursor& c) {
  c.expectOp("(");
  std::string out;
  do {
    size_t from = c.pos();
    c.skipExpression();
    if (c.pos() == from) throw OraError(936, "missing expression");
    out += (out.empty() ? "" : ", ") + trimmed(c.textBetween(from, c.pos()));
  } while (c.acceptOp(","));
  c.expectOp(")");
  return out;
}

// The values of a HIGH_VALUE text, split at the commas between them.
std::vector<std::string> splitValues(const std::string& text) {
  std::vector<Token> tokens = tokenize(text);
  Cursor c(tokens, text);
  std::vector<std::string> out;
  while (!c.atEnd()) {
    size_t from = c.pos();
    c.skipExpression();
    out.push_back(trimmed(c.textBetween(from, c.pos())));
    if (!c.acceptOp(",")) break;
  }
  return out;
}

std::string nameOf(Cursor& c) { return c.name(904, "invalid identifier"); }

// STORE IN (ts, ...): accepted; the partitions take the first tablespace.
std::optional<std::string> storeIn(Cursor& c) {
  if (!c.acceptWord("STORE")) return std::nullopt;
  c.expectWord("IN", 905, "missing keyword");
  c.expectOp("(");
  std::string first = c.name(959, "tablespace does not exist");
  while (c.acceptOp(",")) c.name(959, "tablespace does not exist");
  c.expectOp(")");
  return first;
}

// SUBPARTITION name [VALUES (...) | VALUES LESS THAN (...)] [TABLESPACE ts]
PartitionDef subpartitionDef(Cursor& c, const std::string& subType) {
  PartitionDef d;
  c.expectWord("SUBPARTITION", 905, "missing keyword");
  if (!c.isWord("VALUES") && !c.isWord("TABLESPACE") && !c.isOp(",") && !c.isOp(")")) d.name = nameOf(c);
  if (c.acceptWord("VALUES")) {
    if (subType == "RANGE") {
      c.expectWord("LESS", 14310, "VALUES LESS THAN or AT clause expected");
      c.expectWord("THAN", 14310, "VALUES LESS THAN or AT clause expected");
    } else if (subType != "LIST") {
      throw OraError(14183, "TABLESPACE was not specified for a previous subpartition");
    }
    d.highValue = valueList(c);
  } else if (subType == "RANGE" || subType == "LIST") {
    throw OraError(14217, "VALUES clause expected");
  }
  while (parsePhysical(c, d.storage)) {
  }
  return d;
}

std::vector<PartitionDef> subpartitionList(Cursor& c, const std::string& subType) {
  std::vector<PartitionDef> out;
  c.expectOp("(");
  do out.push_back(subpartitionDef(c, subType));
  while (c.acceptOp(","));
  c.expectOp(")");
  return out;
}

PartitionDef partitionDef(Cursor& c, const TablePartitioning& scheme) {
  PartitionDef d;
  c.expectWord("PARTITION", 14020, "this physical attribute may not be specified for a table partition");
  if (!c.isWord("VALUES") && !c.isWord("TABLESPACE") && !c.isOp(",") && !c.isOp(")") && !c.isOp("("))
    d.name = nameOf(c);
  if (scheme.type == "RANGE") {
    c.expectWord("VALUES", 14310, "VALUES LESS THAN or AT clause expected");
    c.expectWord("LESS", 14310, "VALUES LESS THAN or AT clause expected");
    c.expectWord("THAN", 14310, "VALUES LESS THAN or AT clause expected");
    d.highValue = valueList(c);
    if (splitValues(d.highValue).size() != scheme.columns.size())
      throw OraError(14036, "partition bound value too large for column");
  } else if (scheme.type == "LIST") {
    c.expectWord("VALUES", 14310, "VALUES LESS THAN or AT clause expected");
    d.highValue = valueList(c);
  }
  for (;;) {
    if (parsePhysical(c, d.storage)) continue;
    if (c.isOp("(") && c.isWord("SUBPARTITION", 1)) {
      if (scheme.subType.empty()) throw OraError(14160, "this physical attribute may not be specified for a table subpartition");
      d.subpartitions = subpartitionList(c, scheme.subType);
      continue;
    }
    if (c.acceptWord("SUBPARTITIONS")) {
      long long n = std::stoll(c.number());
      std::optional<std::string> ts = storeIn(c);
      for (long long i = 0; i < n; ++i) {
        PartitionDef sub;
        if (ts) sub.storage.tablespace = ts;
        d.subpartitions.push_back(sub);
      }
      continue;
    }
    break;
  }
  return d;
}

long long nextSystemNumber(Session& s) {
  auto v = scalar(s.db, "SELECT value FROM cat_meta WHERE name = 'partition_next'");
  long long n = v ? std::stoll(*v) : 100;
  Query(s.db, "INSERT OR REPLACE INTO cat_meta(name, value) VALUES('partition_next', ?)")
      .bind(std::to_string(n + 1)).run();
  return n;
}

// One segment's attributes: its own, else the table's, else the defaults a
// partition gets in a locally managed tablespace.
struct Segment {
  std::string tablespace;
  long long pctFree, iniTrans, maxTrans, initial, next, minExtents, maxExtents;
  std::optional<long long> pctUsed, pctIncrease;
};

Segment segmentOf(const Storage& own, const Segment& parent) {
  Segment g = parent;
  if (own.tablespace) g.tablespace = *own.tablespace;
  if (own.pctFree) g.pctFree = *own.pctFree;
  if (own.pctUsed) g.pctUsed = own.pctUsed;
  if (own.iniTrans) g.iniTrans = *own.iniTrans;
  if (own.maxTrans) g.maxTrans = *own.maxTrans;
  if (own.initial) g.initial = *own.initial;
  if (own.next) g.next = *own.next;
  if (own.minExtents) g.minExtents = *own.minExtents;
  if (own.maxExtents) g.maxExtents = *own.maxExtents;
  if (own.pctIncrease) g.pctIncrease = own.pctIncrease;
  return g;
}

void bindSegment(Query& q, const Segment& g) {
  q.bind(g.tablespace).bind(g.pctFree);
  if (g.pctUsed) q.bind(*g.pctUsed); else q.bindNull();
  q.bind(g.iniTrans).bind(g.maxTrans).bind(g.initial).bind(g.next).bind(g.minExtents).bind(g.maxExtents);
  if (g.pctIncrease) q.bind(*g.pctIncrease); else q.bindNull();
}

void insertKeyColumns(Session& s, const char* catalog, const std::string& owner, const std::string& name,
                      const char* objectType, const std::vector<std::string>& columns) {
  long long pos = 0;
  for (const auto& col : columns)
    Query(s.db, std::string("INSERT INTO ") + catalog +
                    "(OWNER, NAME, OBJECT_TYPE, COLUMN_NAME, COLUMN_POSITION) VALUES(?,?,?,?,?)")
        .bind(owner).bind(name).bind(objectType).bind(col).bind(++pos).run();
}

std::vector<std::string> keyColumns(sqlite3* db, const char* catalog, const std::string& owner,
                                    const std::string& name) {
  std::vector<std::string> out;
  Query q(db, std::string("SELECT COLUMN_NAME FROM ") + catalog +
                  " WHERE OWNER = ? AND NAME = ? ORDER BY COLUMN_POSITION");
  q.bind(owner).bind(name);
  while (q.step()) out.push_back(q.text(0));
  return out;
}

std::string routingTriggerName(const std::string& owner, const std::string& table) {
  return "ocisim:part:" + owner + "." + table;
}

// The Oracle condition under which a row's key is below a RANGE bound:
// compared column by column, MAXVALUE above every value and null.
std::string belowBound(const std::vector<std::string>& columns, const std::vector<std::string>& bound, size_t i) {
  if (i >= columns.size() || i >= bound.size()) return "1 = 0";
  std::string upper = bound[i];
  for (char& ch : upper) ch = platform::asciiUpper(ch);
  if (upper == "MAXVALUE") return "1 = 1";
  const std::string col = quoteName(columns[i]);
  std::string below = "(" + col + " < " + bound[i] + ")";
  if (i + 1 == columns.size()) return below;
  return "(" + below + " OR (" + col + " = " + bound[i] + " AND " + belowBound(columns, bound, i + 1) + "))";
}

// The Oracle condition under which some partition of the list takes a row,
// or "" when every row has a place (HASH, a MAXVALUE or DEFAULT partition).
std::string takenCondition(const std::string& type, const std::vector<std::string>& columns,
                           const std::vector<std::string>& highValues) {
  if (type == "HASH" || highValues.empty()) return {};
  if (type == "RANGE") return belowBound(columns, splitValues(highValues.back()), 0);
  std::string any;
  for (const auto& hv : highValues)
    for (const auto& v : splitValues(hv)) {
      std::string upper = v;
      for (char& ch : upper) ch = platform::asciiUpper(ch);
      if (upper == "DEFAULT") return {};
      const std::string col = quoteName(columns.at(0));
      any += (any.empty() ? "" : " OR ") + (upper == "NULL" ? col + " IS NULL" : col + " = " + v);
    }
  return any.empty() ? std::string() : "(" + any + ")";
}

void checkRangeOrder(Session& s, const TablePartitioning& scheme) {
  // Bounds must rise: each is compared with the one before by the engine itself.
  for (size_t i = 1; i < scheme.partitions.size(); ++i) {
    std::vector<std::string> prev = splitValues(scheme.partitions[i - 1].highValue);
    std::vector<std::string> cur = splitValues(scheme.partitions[i].highValue);
    std::vector<std::string> names;
    for (size_t k = 0; k < prev.size(); ++k) names.push_back("K" + std::to_string(k));
    std::string cond = belowBound(names, cur, 0);
    // Replace the key names by the previous bound's values.
    std::string probe = "SELECT CASE WHEN " + cond + " THEN 1 ELSE 0 END FROM (SELECT ";
    bool allMax = true;
    for (size_t k = 0; k < prev.size(); ++k) {
      std::string upper = prev[k];
      for (char& ch : upper) ch = platform::asciiUpper(ch);
      if (upper != "MAXVALUE") allMax = false;
      probe += (k ? ", " : "") + (upper == "MAXVALUE" ? std::string("NULL") : prev[k]) + " AS " + quoteName(names[k]);
    }
    if (allMax) throw OraError(14037, "partition bound of partition \"" + scheme.partitions[i].name + "\" is too high");
    probe += " FROM DUAL)";
    std::string translated;
    try {
      translated = translateQuery(s, probe);
    } catch (const OraError&) {
      continue;  // bounds the engine cannot evaluate are taken as written
    }
    auto v = scalar(s.db, translated);
    if (v && *v == "0")
      throw OraError(14037, "partition bound of partition \"" + scheme.partitions[i].name + "\" is too high");
  }
}

}  // namespace

std::optional<TablePartitioning> parsePartitioning(Cursor& c) {
  if (!(c.isWord("PARTITION") && c.isWord("BY", 1))) return std::nullopt;
  c.next();
  c.next();
  TablePartitioning scheme;
  if (c.acceptWord("RANGE")) scheme.type = "RANGE";
  else if (c.acceptWord("LIST")) scheme.type = "LIST";
  else if (c.acceptWord("HASH")) scheme.type = "HASH";
  else if (c.isWord("REFERENCE") || c.isWord("SYSTEM"))
    throw OraError(14183, "feature not supported here: " + c.peek().upper + " partitioning");
  else throw OraError(14151, "invalid table partitioning method");
  scheme.columns = columnNames(c);
  if (scheme.columns.size() > 16) throw OraError(14105, "too many partitioning columns");
  if (scheme.type == "LIST" && scheme.columns.size() > 1)
    throw OraError(14304, "List partitioning method expects a single partitioning column");
  if (c.acceptWord("INTERVAL")) {
    if (scheme.type != "RANGE") throw OraError(14151, "invalid table partitioning method");
    c.expectOp("(");
    size_t from = c.pos();
    c.skipExpression();
    scheme.interval = trimmed(c.textBetween(from, c.pos()));
    c.expectOp(")");
    if (scheme.columns.size() != 1)
      throw OraError(14750, "Range partitioned table with INTERVAL clause has more than one column");
    storeIn(c);
  }
  if (c.isWord("SUBPARTITION") && c.isWord("BY", 1)) {
    c.next();
    c.next();
    if (c.acceptWord("RANGE")) scheme.subType = "RANGE";
    else if (c.acceptWord("LIST")) scheme.subType = "LIST";
    else if (c.acceptWord("HASH")) scheme.subType = "HASH";
    else throw OraError(14151, "invalid table partitioning method");
    if (scheme.type == "HASH") throw OraError(14151, "invalid table partitioning method");
    scheme.subColumns = columnNames(c);
    if (c.acceptWord("SUBPARTITION")) {
      c.expectWord("TEMPLATE", 905, "missing keyword");
      scheme.subTemplate = subpartitionList(c, scheme.subType);
    } else if (c.acceptWord("SUBPARTITIONS")) {
      scheme.subCount = std::stoll(c.number());
      storeIn(c);
    }
  }
  if (scheme.type == "HASH" && c.acceptWord("PARTITIONS")) {
    long long n = std::stoll(c.number());
    if (n < 1 || n > 1048575) throw OraError(14005, "missing RANGE keyword");
    std::optional<std::string> ts = storeIn(c);
    for (long long i = 0; i < n; ++i) {
      PartitionDef d;
      if (ts) d.storage.tablespace = ts;
      scheme.partitions.push_back(d);
    }
    return scheme;
  }
  c.expectOp("(");
  do scheme.partitions.push_back(partitionDef(c, scheme));
  while (c.acceptOp(","));
  c.expectOp(")");
  return scheme;
}

void recordPartitioning(Session& s, const std::string& owner, const std::string& table, TablePartitioning scheme,
                        const Storage& st) {
  for (auto* list : {&scheme.columns, &scheme.subColumns})
    for (auto& col : *list) {
      auto n = scalar(s.db, "SELECT COLUMN_NAME FROM cat_columns WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?",
                      {owner, table, col});
      if (!n) throw OraError(904, "\"" + col + "\": invalid identifier");
      auto type = scalar(s.db, "SELECT DATA_TYPE FROM cat_columns WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?",
                         {owner, table, col}).value_or("");
      if (type == "LONG" || type == "LONG RAW" || type == "CLOB" || type == "BLOB" || type == "NCLOB" || type == "BFILE")
        throw OraError(14135, "a LOB column cannot serve as a partitioning column");
    }
  if (scheme.partitions.empty()) throw OraError(14020, "this physical attribute may not be specified for a table partition");
  std::set<std::string> names;
  for (auto& p : scheme.partitions) {
    if (p.name.empty()) p.name = "SYS_P" + std::to_string(nextSystemNumber(s));
    if (!names.insert(p.name).second) throw OraError(14012, "resulting partition name conflicts with that of an existing partition");
    if (!scheme.subType.empty() && p.subpartitions.empty()) {
      if (!scheme.subTemplate.empty()) {
        p.subpartitions = scheme.subTemplate;
        for (auto& sp : p.subpartitions) sp.name = p.name + "_" + sp.name;
      } else {
        p.subpartitions.resize(static_cast<size_t>(std::max<long long>(scheme.subCount, 1)));
      }
    }
    for (auto& sp : p.subpartitions) {
      if (sp.name.empty()) sp.name = "SYS_SUBP" + std::to_string(nextSystemNumber(s));
      if (!names.insert(sp.name).second)
        throw OraError(14159, "duplicate subpartition name");
    }
  }
  if (scheme.type == "RANGE") checkRangeOrder(s, scheme);

  Query pt(s.db,
           "INSERT INTO cat_part_tables(OWNER, TABLE_NAME, PARTITIONING_TYPE, SUBPARTITIONING_TYPE, PARTITION_COUNT,"
           " DEF_SUBPARTITION_COUNT, PARTITIONING_KEY_COUNT, SUBPARTITIONING_KEY_COUNT, DEF_TABLESPACE_NAME,"
           " DEF_PCT_FREE, DEF_PCT_USED, DEF_INI_TRANS, DEF_MAX_TRANS, DEF_INITIAL_EXTENT, DEF_NEXT_EXTENT,"
           " DEF_LOGGING, \"INTERVAL\") VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  pt.bind(owner).bind(table).bind(scheme.type).bind(scheme.subType.empty() ? "NONE" : scheme.subType);
  // An interval-partitioned table counts every partition it may ever make.
  pt.bind(scheme.interval.empty() ? static_cast<long long>(scheme.partitions.size()) : 1048575LL);
  long long defSub = scheme.subType.empty() ? 0 : !scheme.subTemplate.empty() ? static_cast<long long>(scheme.subTemplate.size())
                                                                          : std::max<long long>(scheme.subCount, 1);
  pt.bind(defSub).bind(static_cast<long long>(scheme.columns.size())).bind(static_cast<long long>(scheme.subColumns.size()));
  if (st.tablespace) pt.bind(*st.tablespace); else pt.bindNull();
  pt.bind(st.pctFree.value_or(10));
  if (st.pctUsed) pt.bind(*st.pctUsed); else pt.bindNull();
  pt.bind(st.iniTrans.value_or(1)).bind(st.maxTrans.value_or(255));
  pt.bind(st.initial ? std::to_string(*st.initial) : std::string("DEFAULT"));
  pt.bind(st.next ? std::to_string(*st.next) : std::string("DEFAULT"));
  pt.bind("NONE");
  if (scheme.interval.empty()) pt.bindNull(); else pt.bind(scheme.interval);
  pt.run();

  // The table itself has no segment: its attributes are its partitions' defaults.
  Query(s.db,
        "UPDATE cat_tables SET PARTITIONED = 'YES', TABLESPACE_NAME = NULL, PCT_FREE = NULL, PCT_USED = NULL,"
        " INI_TRANS = NULL, MAX_TRANS = NULL, INITIAL_EXTENT = NULL, NEXT_EXTENT = NULL, MIN_EXTENTS = NULL,"
        " MAX_EXTENTS = NULL, PCT_INCREASE = NULL, FREELISTS = NULL, FREELIST_GROUPS = NULL, LOGGING = NULL"
        " WHERE OWNER = ? AND TABLE_NAME = ?")
      .bind(owner).bind(table).run();
  Query(s.db, "UPDATE cat_objects SET DATA_OBJECT_ID = NULL WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE = 'TABLE'")
      .bind(owner).bind(table).run();

  Segment base{st.tablespace.value_or("USERS"), st.pctFree.value_or(10), st.iniTrans.value_or(1),
               st.maxTrans.value_or(255), st.initial.value_or(8388608), st.next.value_or(1048576),
               st.minExtents.value_or(1), st.maxExtents.value_or(2147483645), st.pctUsed, st.pctIncrease};
  long long position = 0;
  for (const auto& p : scheme.partitions) {
    ++position;
    Segment g = segmentOf(p.storage, base);
    Query q(s.db,
            "INSERT INTO cat_tab_partitions(OWNER, TABLE_NAME, COMPOSITE, PARTITION_NAME, SUBPARTITION_COUNT,"
            " HIGH_VALUE, HIGH_VALUE_LENGTH, PARTITION_POSITION, TABLESPACE_NAME, PCT_FREE, PCT_USED, INI_TRANS,"
            " MAX_TRANS, INITIAL_EXTENT, NEXT_EXTENT, MIN_EXTENT, MAX_EXTENT, PCT_INCREASE, LOGGING)"
            " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    q.bind(owner).bind(table).bind(scheme.subType.empty() ? "NO" : "YES").bind(p.name);
    q.bind(static_cast<long long>(p.subpartitions.size()));
    if (p.highValue.empty()) q.bindNull(); else q.bind(p.highValue);
    q.bind(static_cast<long long>(p.highValue.size())).bind(position);
    bindSegment(q, g);
    q.bind(scheme.subType.empty() ? "YES" : "NONE");
    q.run();
    long long subPosition = 0;
    for (const auto& sp : p.subpartitions) {
      Segment sg = segmentOf(sp.storage, g);
      Query sq(s.db,
               "INSERT INTO cat_tab_subpartitions(OWNER, TABLE_NAME, PARTITION_NAME, SUBPARTITION_NAME, HIGH_VALUE,"
               " HIGH_VALUE_LENGTH, PARTITION_POSITION, SUBPARTITION_POSITION, TABLESPACE_NAME, PCT_FREE, PCT_USED,"
               " INI_TRANS, MAX_TRANS, INITIAL_EXTENT, NEXT_EXTENT, MIN_EXTENT, MAX_EXTENT, PCT_INCREASE)"
               " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
      sq.bind(owner).bind(table).bind(p.name).bind(sp.name);
      if (sp.highValue.empty()) sq.bindNull(); else sq.bind(sp.highValue);
      sq.bind(static_cast<long long>(sp.highValue.size())).bind(position).bind(++subPosition);
      bindSegment(sq, sg);
      sq.run();
    }
  }
  long long templatePosition = 0;
  for (const auto& sp : scheme.subTemplate) {
    Query q(s.db, "INSERT INTO cat_subpartition_templates(OWNER, TABLE_NAME, SUBPARTITION_NAME, SUBPARTITION_POSITION,"
                  " TABLESPACE_NAME, HIGH_BOUND) VALUES(?,?,?,?,?,?)");
    q.bind(owner).bind(table).bind(sp.name).bind(++templatePosition);
    if (sp.storage.tablespace) q.bind(*sp.storage.tablespace); else q.bindNull();
    if (sp.highValue.empty()) q.bindNull(); else q.bind(sp.highValue);
    q.run();
  }
  insertKeyColumns(s, "cat_part_key_columns", owner, table, "TABLE", scheme.columns);
  insertKeyColumns(s, "cat_subpart_key_columns", owner, table, "TABLE", scheme.subColumns);
  installPartitionRouting(s, owner, table);
}

void installPartitionRouting(Session& s, const std::string& owner, const std::string& table) {
  const std::string trigger = routingTriggerName(owner, table);
  exec(s.db, "DROP TRIGGER IF EXISTS " + quoteName(trigger));
  auto type = scalar(s.db, "SELECT PARTITIONING_TYPE FROM cat_part_tables WHERE OWNER = ? AND TABLE_NAME = ?"
                           " AND \"INTERVAL\" IS NULL",
                     {owner, table});
  if (!type) return;  // not partitioned, or interval partitioning: every row has a place
  std::vector<std::string> highValues;
  {
    Query q(s.db, "SELECT HIGH_VALUE FROM cat_tab_partitions WHERE OWNER = ? AND TABLE_NAME = ?"
                  " ORDER BY PARTITION_POSITION");
    q.bind(owner).bind(table);
    while (q.step()) highValues.push_back(q.text(0));
  }
  const std::string cond = takenCondition(*type, keyColumns(s.db, "cat_part_key_columns", owner, table), highValues);
  if (cond.empty()) return;
  std::string expr;
  try {
    expr = translateExpression(s, cond);
  } catch (const OraError&) {
    return;  // bounds the engine cannot evaluate: rows are taken as they come
  }
  std::string row;
  for (const auto& col : tableColumns(s.db, owner, table))
    row += (row.empty() ? "" : ", ") + std::string("NEW.") + quoteName(col.name) + " AS " + quoteName(col.name);
  const std::string t = quoteName(storageName(owner, table));
  const std::string body = "SELECT RAISE(ABORT, 'ORA-14400: inserted partition key does not map to any partition')"
                           " FROM (SELECT " + row + ") WHERE NOT coalesce((" + expr + "), 0)";
  try {
    exec(s.db, "CREATE TRIGGER " + quoteName(trigger) + " BEFORE INSERT ON " + t + " BEGIN " + body + "; END");
  } catch (const OraError&) {
  }
}

void dropPartitioning(Session& s, const std::string& owner, const std::string& table) {
  exec(s.db, "DROP TRIGGER IF EXISTS " + quoteName(routingTriggerName(owner, table)));
  for (const char* t : {"cat_part_tables", "cat_tab_partitions", "cat_tab_subpartitions", "cat_subpartition_templates"})
    Query(s.db, std::string("DELETE FROM ") + t + " WHERE OWNER = ? AND TABLE_NAME = ?").bind(owner).bind(table).run();
  for (const char* t : {"cat_part_key_columns", "cat_subpart_key_columns"})
    Query(s.db, std::string("DELETE FROM ") + t + " WHERE OWNER = ? AND NAME = ? AND OBJECT_TYPE = 'TABLE'")
        .bind(owner).bind(table).run();
}

// ---- indexes -----------------------------------------------------------------

std::optional<IndexPartitioning> parseIndexPartitioning(Cursor& c) {
  IndexPartitioning p;
  if (c.acceptWord("LOCAL")) {
    p.local = true;
    if (c.isOp("(") && c.isWord("PARTITION", 1)) {
      c.expectOp("(");
      do {
        c.expectWord("PARTITION", 905, "missing keyword");
        PartitionDef d;
        if (!c.isOp(",") && !c.isOp(")") && !c.isWord("TABLESPACE")) d.name = nameOf(c);
        while (parsePhysical(c, d.storage)) {
        }
        p.localPartitions.push_back(d);
      } while (c.acceptOp(","));
      c.expectOp(")");
    }
    return p;
  }
  if (c.isWord("GLOBAL") && c.isWord("PARTITION", 1)) {
    c.next();
    p.global = parsePartitioning(c);
    if (!p.global->subType.empty() || p.global->type == "LIST")
      throw OraError(14151, "invalid table partitioning method");
    return p;
  }
  return std::nullopt;
}

void recordIndexPartitioning(Session& s, const std::string& owner, const std::string& index, const std::string& table,
                             const IndexPartitioning& p) {
  std::vector<std::string> indexCols = indexColumns(s.db, owner, index);
  TablePartitioning scheme;
  std::string locality = p.local ? "LOCAL" : "GLOBAL";
  if (p.local) {
    auto type = scalar(s.db, "SELECT PARTITIONING_TYPE FROM cat_part_tables WHERE OWNER = ? AND TABLE_NAME = ?",
                       {owner, table});
    if (!type) throw OraError(14016, "underlying table of a LOCAL partitioned index must be partitioned");
    scheme.type = *type;
    scheme.columns = keyColumns(s.db, "cat_part_key_columns", owner, table);
    Query q(s.db, "SELECT PARTITION_NAME, HIGH_VALUE, TABLESPACE_NAME FROM cat_tab_partitions WHERE OWNER = ?"
                  " AND TABLE_NAME = ? ORDER BY PARTITION_POSITION");
    q.bind(owner).bind(table);
    while (q.step()) {
      PartitionDef d;
      d.name = q.text(0);
      d.highValue = q.text(1);
      d.storage.tablespace = q.text(2);
      scheme.partitions.push_back(d);
    }
    if (!p.localPartitions.empty() && p.localPartitions.size() != scheme.partitions.size())
      throw OraError(14024, "number of partitions of LOCAL index must equal that of the underlying table");
    for (size_t i = 0; i < p.localPartitions.size(); ++i) {
      if (!p.localPartitions[i].name.empty()) scheme.partitions[i].name = p.localPartitions[i].name;
      if (p.localPartitions[i].storage.tablespace) scheme.partitions[i].storage = p.localPartitions[i].storage;
    }
  } else {
    scheme = *p.global;
    if (scheme.columns.size() > indexCols.size() ||
        !std::equal(scheme.columns.begin(), scheme.columns.end(), indexCols.begin()))
      throw OraError(14038, "GLOBAL partitioned index must be prefixed");
    if (scheme.type == "RANGE") {
      std::string last = scheme.partitions.empty() ? "" : scheme.partitions.back().highValue;
      std::string upper;
      for (const auto& v : splitValues(last)) upper += v + ",";
      for (char& ch : upper) ch = platform::asciiUpper(ch);
      if (upper.find("MAXVALUE") == std::string::npos)
        throw OraError(14021, "MAXVALUE must be specified for all columns");
    }
  }
  bool prefixed = scheme.columns.size() <= indexCols.size() &&
                  std::equal(scheme.columns.begin(), scheme.columns.end(), indexCols.begin());
  Query pi(s.db,
           "INSERT INTO cat_part_indexes(OWNER, INDEX_NAME, TABLE_NAME, PARTITIONING_TYPE, PARTITION_COUNT,"
           " PARTITIONING_KEY_COUNT, LOCALITY, ALIGNMENT, DEF_PCT_FREE, DEF_INI_TRANS, DEF_MAX_TRANS)"
           " VALUES(?,?,?,?,?,?,?,?,10,2,255)");
  pi.bind(owner).bind(index).bind(table).bind(scheme.type).bind(static_cast<long long>(scheme.partitions.size()));
  pi.bind(static_cast<long long>(scheme.columns.size())).bind(locality).bind(prefixed ? "PREFIXED" : "NON_PREFIXED").run();
  Query(s.db, "UPDATE cat_indexes SET PARTITIONED = 'YES' WHERE OWNER = ? AND INDEX_NAME = ?").bind(owner).bind(index).run();
  std::set<std::string> names;
  long long position = 0;
  for (auto& d : scheme.partitions) {
    if (d.name.empty()) d.name = "SYS_P" + std::to_string(nextSystemNumber(s));
    if (!names.insert(d.name).second) throw OraError(14012, "resulting partition name conflicts with that of an existing partition");
    Query q(s.db,
            "INSERT INTO cat_ind_partitions(OWNER, INDEX_NAME, PARTITION_NAME, HIGH_VALUE, HIGH_VALUE_LENGTH,"
            " PARTITION_POSITION, TABLESPACE_NAME, PCT_FREE, INI_TRANS, MAX_TRANS, INITIAL_EXTENT, NEXT_EXTENT,"
            " MIN_EXTENT, MAX_EXTENT) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    q.bind(owner).bind(index).bind(d.name);
    if (d.highValue.empty()) q.bindNull(); else q.bind(d.highValue);
    q.bind(static_cast<long long>(d.highValue.size())).bind(++position);
    q.bind(d.storage.tablespace.value_or("USERS")).bind(d.storage.pctFree.value_or(10));
    q.bind(d.storage.iniTrans.value_or(2)).bind(d.storage.maxTrans.value_or(255));
    q.bind(d.storage.initial.value_or(8388608)).bind(d.storage.next.value_or(1048576));
    q.bind(d.storage.minExtents.value_or(1)).bind(d.storage.maxExtents.value_or(2147483645)).run();
  }
  insertKeyColumns(s, "cat_part_key_columns", owner, index, "INDEX", scheme.columns);
}

void dropIndexPartitioning(Session& s, const std::string& owner, const std::string& index) {
  for (const char* t : {"cat_part_indexes", "cat_ind_partitions"})
    Query(s.db, std::string("DELETE FROM ") + t + " WHERE OWNER = ? AND INDEX_NAME = ?").bind(owner).bind(index).run();
  Query(s.db, "DELETE FROM cat_part_key_columns WHERE OWNER = ? AND NAME = ? AND OBJECT_TYPE = 'INDEX'")
      .bind(owner).bind(index).run();
}

}  // namespace ocisim::dict
