// Constraints: their catalog rows, the checks made when one is added or
// enabled, and the SQLite triggers and indexes that enforce them with
// Oracle's errors.
//
// Every enabled constraint is enforced by objects named "ocisim:OWNER.NAME:x"
// that are derived from the catalog: NOT NULL and CHECK by BEFORE triggers
// that RAISE Oracle's text, primary and unique keys by a unique SQLite index
// (the supporting index itself when it is unique), foreign keys by triggers
// on the child table (parent key not found) and on the parent table (child
// record found, ON DELETE CASCADE, ON DELETE SET NULL).  Disabling a
// constraint removes them; enabling it first checks the rows.
#include <algorithm>
#include <set>

#include "engine/dict.h"
#include "engine/table_kinds.h"

namespace ocisim {

namespace dict {

std::string enforcementName(const ConstraintDef& d, const char* what) {
  return "ocisim:" + d.owner + "." + d.name + ":" + what;
}

namespace {

const char* kTriggerKinds[] = {"ins", "upd", "pdel", "pupd", "key"};

std::string qualifiedMessage(const std::string& owner, const std::string& name) { return owner + "." + name; }

// A literal for RAISE: single quotes doubled.
std::string raise(const std::string& text) { return "SELECT RAISE(ABORT, " + quoteLiteral(text) + ")"; }

}  // namespace

std::string storageOf(const std::string& owner, const std::string& table) {
  return quoteName(storageName(owner, table));
}

std::string columnList(const std::vector<std::string>& cols, const std::string& prefix) {
  std::string out;
  for (size_t i = 0; i < cols.size(); ++i) out += (i ? ", " : "") + prefix + quoteName(cols[i]);
  return out;
}

// "a.X = b.Y AND ..." over two column lists.
std::string matchList(const std::string& leftPrefix, const std::vector<std::string>& left,
                      const std::string& rightPrefix, const std::vector<std::string>& right) {
  std::string out;
  for (size_t i = 0; i < left.size() && i < right.size(); ++i)
    out += (i ? " AND " : "") + leftPrefix + quoteName(left[i]) + " = " + rightPrefix + quoteName(right[i]);
  return out;
}

std::string allNotNull(const std::string& prefix, const std::vector<std::string>& cols) {
  std::string out;
  for (size_t i = 0; i < cols.size(); ++i) out += (i ? " AND " : "") + prefix + quoteName(cols[i]) + " IS NOT NULL";
  return out;
}

namespace {

std::set<std::string> asSet(const std::vector<std::string>& v) { return {v.begin(), v.end()}; }

std::vector<std::string> consColumns(sqlite3* db, const std::string& owner, const std::string& name) {
  std::vector<std::string> out;
  Query q(db,
          "SELECT COLUMN_NAME FROM cat_cons_columns WHERE OWNER = ? AND CONSTRAINT_NAME = ?"
          " ORDER BY POSITION, rowid");
  q.bind(owner).bind(name);
  while (q.step()) out.push_back(q.text(0));
  return out;
}

ConstraintDef rowToDef(sqlite3* db, Query& q) {
  ConstraintDef d;
  d.owner = q.text(0);
  d.name = q.text(1);
  d.type = q.text(2);
  d.table = q.text(3);
  d.searchCondition = q.text(4);
  d.rOwner = q.text(5);
  d.rName = q.text(6);
  d.deleteRule = q.text(7);
  d.enabled = q.text(8) == "ENABLED";
  d.generated = q.text(9) == "GENERATED NAME";
  d.notNull = !q.isNull(10);
  d.indexName = q.text(11);
  d.deferrable = q.text(12) == "DEFERRABLE";
  d.initiallyDeferred = q.text(13) == "DEFERRED";
  d.rely = q.text(14) == "RELY";
  d.columns = consColumns(db, d.owner, d.name);
  return d;
}

const char* kConstraintSelect =
    "SELECT OWNER, CONSTRAINT_NAME, CONSTRAINT_TYPE, TABLE_NAME, SEARCH_CONDITION, R_OWNER,"
    " R_CONSTRAINT_NAME, DELETE_RULE, STATUS, GENERATED, NOT_NULL_COLUMN, INDEX_NAME, \"DEFERRABLE\", DEFERRED,"
    " RELY FROM cat_constraints";

bool exists(sqlite3* db, const std::string& sql) { return scalar(db, sql).has_value(); }

// The columns of a table, for the subquery that lets a CHECK condition see NEW's values.
std::string newRow(sqlite3* db, const std::string& owner, const std::string& table) {
  std::string out;
  for (const auto& c : tableColumns(db, owner, table))
    out += (out.empty() ? "" : ", ") + std::string("NEW.") + quoteName(c.name) + " AS " + quoteName(c.name);
  return out;
}

void validate(Session& s, const ConstraintDef& d) {
  std::string t = storageOf(d.owner, d.table);
  std::string who = qualifiedMessage(d.owner, d.name);
  if (d.type == "C") {
    if (d.notNull) {
      if (exists(s.db, "SELECT 1 FROM " + t + " WHERE " + quoteName(d.columns.at(0)) + " IS NULL LIMIT 1"))
        throw OraError(2296, "cannot enable (" + who + ") - null values found");
      return;
    }
    std::string expr;
    try {
      expr = translateExpression(s, d.searchCondition);
    } catch (const OraError&) {
      return;  // a condition the engine cannot evaluate is not checked
    }
    bool bad = false;
    try {
      bad = exists(s.db, "SELECT 1 FROM " + t + " WHERE NOT (" + expr + ") LIMIT 1");
    } catch (const OraError&) {
      return;
    }
    if (bad) throw OraError(2293, "cannot validate (" + who + ") - check constraint violated");
    return;
  }
  if (d.type == "P" || d.type == "U") {
    if (d.type == "P") {
      std::string anyNull;
      for (size_t i = 0; i < d.columns.size(); ++i)
        anyNull += (i ? " OR " : "") + quoteName(d.columns[i]) + " IS NULL";
      if (exists(s.db, "SELECT 1 FROM " + t + " WHERE " + anyNull + " LIMIT 1"))
        throw OraError(1449, "column contains NULL values; cannot alter to NOT NULL");
    }
    std::string cols = columnList(d.columns);
    if (exists(s.db, "SELECT 1 FROM " + t + " WHERE " + allNotNull("", d.columns) + " GROUP BY " + cols +
                         " HAVING count(*) > 1 LIMIT 1")) {
      if (d.type == "P") throw OraError(2437, "cannot validate (" + who + ") - primary key violated");
      throw OraError(2299, "cannot validate (" + who + ") - duplicate keys found");
    }
    return;
  }
  if (d.type == "R") {
    auto key = loadConstraint(s.db, d.rOwner, d.rName);
    if (!key) return;
    std::string sql = "SELECT 1 FROM " + t + " c WHERE " + allNotNull("c.", d.columns) +
                      " AND NOT EXISTS (SELECT 1 FROM " + storageOf(key->owner, key->table) + " p WHERE " +
                      matchList("p.", key->columns, "c.", d.columns) + ") LIMIT 1";
    if (exists(s.db, sql)) throw OraError(2298, "cannot validate (" + who + ") - parent keys not found");
  }
}

void insertConsColumns(Session& s, const ConstraintDef& d, bool positions) {
  for (size_t i = 0; i < d.columns.size(); ++i) {
    Query q(s.db, "INSERT INTO cat_cons_columns(OWNER, CONSTRAINT_NAME, TABLE_NAME, COLUMN_NAME, POSITION)"
                  " VALUES(?, ?, ?, ?, ?)");
    q.bind(d.owner).bind(d.name).bind(d.table).bind(d.columns[i]);
    if (positions) q.bind(static_cast<long long>(i + 1)); else q.bindNull();
    q.run();
  }
}

// Whether a catalog index covers exactly these columns in this order.
std::optional<std::string> indexOn(sqlite3* db, const std::string& owner, const std::string& table,
                                   const std::vector<std::string>& cols) {
  Query q(db, "SELECT INDEX_NAME FROM cat_indexes WHERE TABLE_OWNER = ? AND TABLE_NAME = ? ORDER BY rowid");
  q.bind(owner).bind(table);
  while (q.step()) {
    std::string name = q.text(0);
    if (indexColumns(db, owner, name) == cols) return name;
  }
  return std::nullopt;
}

}  // namespace

std::optional<ConstraintDef> loadConstraint(sqlite3* db, const std::string& owner, const std::string& name) {
  Query q(db, std::string(kConstraintSelect) + " WHERE OWNER = ? AND CONSTRAINT_NAME = ?");
  q.bind(owner).bind(name);
  if (!q.step()) return std::nullopt;
  return rowToDef(db, q);
}

std::vector<ConstraintDef> tableConstraints(sqlite3* db, const std::string& owner, const std::string& table) {
  std::vector<ConstraintDef> out;
  Query q(db, std::string(kConstraintSelect) + " WHERE OWNER = ? AND TABLE_NAME = ? ORDER BY rowid");
  q.bind(owner).bind(table);
  while (q.step()) out.push_back(rowToDef(db, q));
  return out;
}

void removeEnforcement(Session& s, const ConstraintDef& d) {
  for (const char* k : kTriggerKinds) {
    if (std::string(k) == "key") exec(s.db, "DROP INDEX IF EXISTS " + quoteName(enforcementName(d, k)));
    else exec(s.db, "DROP TRIGGER IF EXISTS " + quoteName(enforcementName(d, k)));
  }
}

void installEnforcement(Session& s, const ConstraintDef& d) {
  removeEnforcement(s, d);
  if (!d.enabled) return;
  if (d.deferrable) {
    installDeferrableEnforcement(s, d);
    return;
  }
  std::string t = storageOf(d.owner, d.table);
  std::string who = qualifiedMessage(d.owner, d.name);
  auto notNullTriggers = [&](const std::string& col, const char* insName, const char* updName) {
    std::string target = "(\"" + d.owner + "\".\"" + d.table + "\".\"" + col + "\")";
    exec(s.db, "CREATE TRIGGER " + quoteName(enforcementName(d, insName)) + " BEFORE INSERT ON " + t +
                   " WHEN NEW." + quoteName(col) + " IS NULL BEGIN " +
                   raise("ORA-01400: cannot insert NULL into " + target) + "; END");
    exec(s.db, "CREATE TRIGGER " + quoteName(enforcementName(d, updName)) + " BEFORE UPDATE OF " +
                   quoteName(col) + " ON " + t + " WHEN NEW." + quoteName(col) + " IS NULL BEGIN " +
                   raise("ORA-01407: cannot update " + target + " to NULL") + "; END");
  };
  if (d.type == "C") {
    if (d.notNull) {
      notNullTriggers(d.columns.at(0), "ins", "upd");
      return;
    }
    std::string expr;
    try {
      expr = translateExpression(s, d.searchCondition);
    } catch (const OraError&) {
      return;
    }
    std::string body = raise("ORA-02290: check constraint (" + who + ") violated") + " FROM (SELECT " +
                       newRow(s.db, d.owner, d.table) + ") WHERE NOT (" + expr + ")";
    try {
      exec(s.db, "CREATE TRIGGER " + quoteName(enforcementName(d, "ins")) + " BEFORE INSERT ON " + t +
                     " BEGIN " + body + "; END");
      exec(s.db, "CREATE TRIGGER " + quoteName(enforcementName(d, "upd")) + " BEFORE UPDATE ON " + t +
                     " BEGIN " + body + "; END");
    } catch (const OraError&) {
      removeEnforcement(s, d);  // not evaluable here: stored, not enforced
    }
    return;
  }
  if (d.type == "P" || d.type == "U") {
    if (d.type == "P") {
      // A primary key column takes no null; the unique index alone would let one through.
      std::string insBody, updBody;
      for (const auto& col : d.columns) {
        std::string target = "(\"" + d.owner + "\".\"" + d.table + "\".\"" + col + "\")";
        insBody += raise("ORA-01400: cannot insert NULL into " + target) + " WHERE NEW." + quoteName(col) +
                   " IS NULL; ";
        updBody += raise("ORA-01407: cannot update " + target + " to NULL") + " WHERE NEW." + quoteName(col) +
                   " IS NULL; ";
      }
      exec(s.db, "CREATE TRIGGER " + quoteName(enforcementName(d, "ins")) + " BEFORE INSERT ON " + t + " BEGIN " +
                     insBody + "END");
      exec(s.db, "CREATE TRIGGER " + quoteName(enforcementName(d, "upd")) + " BEFORE UPDATE OF " +
                     columnList(d.columns) + " ON " + t + " BEGIN " + updBody + "END");
    }
    bool uniqueIndex = false;
    if (!d.indexName.empty())
      uniqueIndex = scalar(s.db, "SELECT UNIQUENESS FROM cat_indexes WHERE OWNER = ? AND INDEX_NAME = ?",
                           {d.owner, d.indexName})
                        .value_or("") == "UNIQUE";
    if (!uniqueIndex)
      exec(s.db, "CREATE UNIQUE INDEX " + quoteName(enforcementName(d, "key")) + " ON " + t + "(" +
                     columnList(d.columns) + ")");
    return;
  }
  if (d.type == "R") {
    auto key = loadConstraint(s.db, d.rOwner, d.rName);
    if (!key) return;
    std::string p = storageOf(key->owner, key->table);
    std::string childCols = columnList(d.columns);
    std::string missing = raise("ORA-02291: integrity constraint (" + who + ") violated - parent key not found");
    std::string found = raise("ORA-02292: integrity constraint (" + who + ") violated - child record found");
    std::string parentMissing = " WHEN " + allNotNull("NEW.", d.columns) + " AND NOT EXISTS (SELECT 1 FROM " + p +
                                " WHERE " + matchList("", key->columns, "NEW.", d.columns) + ")";
    exec(s.db, "CREATE TRIGGER " + quoteName(enforcementName(d, "ins")) + " BEFORE INSERT ON " + t +
                   parentMissing + " BEGIN " + missing + "; END");
    exec(s.db, "CREATE TRIGGER " + quoteName(enforcementName(d, "upd")) + " BEFORE UPDATE OF " + childCols +
                   " ON " + t + parentMissing + " BEGIN " + missing + "; END");
    bool selfRef = key->owner == d.owner && key->table == d.table;
    std::string children = "SELECT 1 FROM " + t + " c WHERE " + matchList("c.", d.columns, "OLD.", key->columns) +
                           (selfRef ? " AND c.rowid <> OLD.rowid" : "");
    if (d.deleteRule == "CASCADE") {
      exec(s.db, "CREATE TRIGGER " + quoteName(enforcementName(d, "pdel")) + " AFTER DELETE ON " + p +
                     " BEGIN DELETE FROM " + t + " WHERE " + matchList("", d.columns, "OLD.", key->columns) +
                     "; END");
    } else if (d.deleteRule == "SET NULL") {
      std::string sets;
      for (size_t i = 0; i < d.columns.size(); ++i) sets += (i ? ", " : "") + quoteName(d.columns[i]) + " = NULL";
      exec(s.db, "CREATE TRIGGER " + quoteName(enforcementName(d, "pdel")) + " AFTER DELETE ON " + p +
                     " BEGIN UPDATE " + t + " SET " + sets + " WHERE " +
                     matchList("", d.columns, "OLD.", key->columns) + "; END");
    } else {
      exec(s.db, "CREATE TRIGGER " + quoteName(enforcementName(d, "pdel")) + " BEFORE DELETE ON " + p +
                     " WHEN EXISTS (" + children + ") BEGIN " + found + "; END");
    }
    std::string changed;
    for (size_t i = 0; i < key->columns.size(); ++i)
      changed += (i ? " OR " : "") + std::string("OLD.") + quoteName(key->columns[i]) + " IS NOT NEW." +
                 quoteName(key->columns[i]);
    exec(s.db, "CREATE TRIGGER " + quoteName(enforcementName(d, "pupd")) + " BEFORE UPDATE OF " +
                   columnList(key->columns) + " ON " + p + " WHEN (" + changed + ") AND EXISTS (" + children +
                   ") BEGIN " + found + "; END");
  }
}

void refreshNullable(sqlite3* db, const std::string& owner, const std::string& table) {
  Query(db, "UPDATE cat_columns SET NULLABLE = 'Y' WHERE OWNER = ? AND TABLE_NAME = ?").bind(owner).bind(table).run();
  Query(db,
        "UPDATE cat_columns SET NULLABLE = 'N' WHERE OWNER = ?1 AND TABLE_NAME = ?2 AND COLUMN_NAME IN ("
        " SELECT cc.COLUMN_NAME FROM cat_constraints k JOIN cat_cons_columns cc ON cc.OWNER = k.OWNER"
        " AND cc.CONSTRAINT_NAME = k.CONSTRAINT_NAME WHERE k.OWNER = ?1 AND k.TABLE_NAME = ?2"
        " AND k.STATUS = 'ENABLED' AND (k.CONSTRAINT_TYPE = 'P' OR k.NOT_NULL_COLUMN IS NOT NULL))")
      .bind(owner).bind(table).run();
}

void addConstraint(Session& s, ConstraintDef d) {
  if (d.name.empty()) {
    d.name = generatedConstraintName(s);
    d.generated = true;
  }
  checkName(d.name);
  if (exists(s.db, "SELECT 1 FROM cat_constraints WHERE OWNER = " + quoteLiteral(d.owner) +
                       " AND CONSTRAINT_NAME = " + quoteLiteral(d.name)))
    throw OraError(2264, "name already used by an existing constraint");
  for (auto& c : d.columns) c = requireColumn(s.db, d.owner, d.table, c);
  {
    std::set<std::string> seen;
    for (const auto& c : d.columns)
      if (!seen.insert(c).second) throw OraError(957, "duplicate column name");
  }
  auto existing = tableConstraints(s.db, d.owner, d.table);
  bool ownIndex = false;
  if (d.type == "P" || d.type == "U") {
    if (d.columns.size() > 32) throw OraError(2256, "number of referencing columns must match referenced columns");
    for (const auto& e : existing) {
      if (d.type == "P" && e.type == "P") throw OraError(2260, "table can have only one primary key");
      if ((e.type == "P" || e.type == "U") && asSet(e.columns) == asSet(d.columns))
        throw OraError(2261, "such unique or primary key already exists in the table");
    }
  } else if (d.type == "R") {
    std::string rt = objectType(s.db, d.refOwner, d.refTable);
    if (rt != "TABLE") throw OraError(942, "table or view does not exist");
    std::optional<ConstraintDef> key;
    auto refCons = (d.refOwner == d.owner && d.refTable == d.table) ? existing
                                                                     : tableConstraints(s.db, d.refOwner, d.refTable);
    if (d.refColumns.empty()) {
      for (const auto& e : refCons)
        if (e.type == "P") key = e;
      if (!key) throw OraError(2268, "referenced table does not have a primary key");
    } else {
      for (auto& c : d.refColumns) c = requireColumn(s.db, d.refOwner, d.refTable, c);
      for (const auto& e : refCons)
        if ((e.type == "P" || e.type == "U") && asSet(e.columns) == asSet(d.refColumns) &&
            e.columns.size() == d.refColumns.size()) {
          // The child's columns pair with the key's columns in the order written.
          std::vector<std::string> ordered;
          for (const auto& kc : e.columns) {
            auto it = std::find(d.refColumns.begin(), d.refColumns.end(), kc);
            ordered.push_back(d.columns.at(static_cast<size_t>(it - d.refColumns.begin())));
          }
          if (d.columns.size() == d.refColumns.size()) d.columns = ordered;
          key = e;
        }
      if (!key) throw OraError(2270, "no matching unique or primary key for this column-list");
    }
    if (key->columns.size() != d.columns.size())
      throw OraError(2256, "number of referencing columns must match referenced columns");
    d.rOwner = key->owner;
    d.rName = key->name;
  }
  // Keys are always checked: their unique index cannot hold duplicates.
  if (d.enabled && (d.validate || d.type == "P" || d.type == "U")) validate(s, d);
  if (d.type == "P" || d.type == "U") {
    if (auto idx = indexOn(s.db, d.owner, d.table, d.columns)) {
      d.indexName = *idx;
    } else if (d.enabled) {
      if (exists(s.db, "SELECT 1 FROM cat_indexes WHERE OWNER = " + quoteLiteral(d.owner) +
                           " AND INDEX_NAME = " + quoteLiteral(d.name)))
        throw OraError(955, "name is already used by an existing object");
      std::vector<IndexColumn> cols;
      for (const auto& c : d.columns) cols.push_back({c, false});
      // A deferrable key may hold duplicates until COMMIT: its index is not unique.
      createCatalogIndex(s, d.owner, d.name, d.table, cols, !d.deferrable, Storage{}, d.generated);
      d.indexName = d.name;
      ownIndex = true;
    }
  }
  std::string nnColumn;
  if (d.type == "C" && d.notNull) nnColumn = d.columns.at(0);
  Query q(s.db,
          "INSERT INTO cat_constraints(OWNER, CONSTRAINT_NAME, CONSTRAINT_TYPE, TABLE_NAME, SEARCH_CONDITION,"
          " R_OWNER, R_CONSTRAINT_NAME, DELETE_RULE, STATUS, VALIDATED, GENERATED, LAST_CHANGE, INDEX_OWNER,"
          " INDEX_NAME, NOT_NULL_COLUMN, OWN_INDEX, \"DEFERRABLE\", DEFERRED, RELY)"
          " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  q.bind(d.owner).bind(d.name).bind(d.type).bind(d.table);
  if (d.type == "C") q.bind(d.searchCondition); else q.bindNull();
  if (d.type == "R") q.bind(d.rOwner).bind(d.rName).bind(d.deleteRule); else q.bindNull().bindNull().bindNull();
  q.bind(d.enabled ? "ENABLED" : "DISABLED").bind(d.enabled && d.validate ? "VALIDATED" : "NOT VALIDATED");
  q.bind(d.generated ? "GENERATED NAME" : "USER NAME").bind(now());
  if (!d.indexName.empty()) q.bind(d.owner).bind(d.indexName); else q.bindNull().bindNull();
  if (!nnColumn.empty()) q.bind(nnColumn); else q.bindNull();
  q.bind(ownIndex ? 1 : 0);
  q.bind(d.deferrable ? "DEFERRABLE" : "NOT DEFERRABLE").bind(d.initiallyDeferred ? "DEFERRED" : "IMMEDIATE");
  if (d.rely) q.bind("RELY"); else q.bindNull();
  q.run();
  insertConsColumns(s, d, d.type != "C");
  installEnforcement(s, d);
  refreshNullable(s.db, d.owner, d.table);
}

void dropConstraint(Session& s, const std::string& owner, const std::string& name) {
  auto d = loadConstraint(s.db, owner, name);
  if (!d) throw OraError(2443, "Cannot drop constraint  - nonexistent constraint");
  removeEnforcement(s, *d);
  bool ownIndex = scalar(s.db, "SELECT OWN_INDEX FROM cat_constraints WHERE OWNER = ? AND CONSTRAINT_NAME = ?",
                         {owner, name}).value_or("0") == "1";
  Query(s.db, "DELETE FROM cat_constraints WHERE OWNER = ? AND CONSTRAINT_NAME = ?").bind(owner).bind(name).run();
  Query(s.db, "DELETE FROM cat_cons_columns WHERE OWNER = ? AND CONSTRAINT_NAME = ?").bind(owner).bind(name).run();
  if (ownIndex && !d->indexName.empty()) dropCatalogIndex(s, owner, d->indexName);
  refreshNullable(s.db, owner, d->table);
}

void setConstraintEnabled(Session& s, const std::string& owner, const std::string& name, bool enabled,
                          bool validateRows) {
  auto d = loadConstraint(s.db, owner, name);
  if (!d) {
    if (enabled) throw OraError(2430, "cannot enable constraint (" + name + ") - no such constraint");
    throw OraError(2431, "cannot disable constraint (" + name + ") - no such constraint");
  }
  if (d->enabled == enabled && (!enabled || !validateRows ||
                                 scalar(s.db, "SELECT VALIDATED FROM cat_constraints WHERE OWNER = ? AND"
                                              " CONSTRAINT_NAME = ?", {owner, name}).value_or("") == "VALIDATED"))
    return;
  bool ownIndex = scalar(s.db, "SELECT OWN_INDEX FROM cat_constraints WHERE OWNER = ? AND CONSTRAINT_NAME = ?",
                         {owner, name}).value_or("0") == "1";
  if (!enabled) {
    if (d->type == "P" || d->type == "U") {
      // Keys referenced by enabled foreign keys stay enabled.
      if (exists(s.db, "SELECT 1 FROM cat_constraints WHERE R_OWNER = " + quoteLiteral(owner) +
                           " AND R_CONSTRAINT_NAME = " + quoteLiteral(name) + " AND STATUS = 'ENABLED'"))
        throw OraError(2297, "cannot disable constraint (" + owner + "." + name + ") - dependencies exist");
    }
    removeEnforcement(s, *d);
    d->enabled = false;
    std::string index = d->indexName;
    if (ownIndex && !index.empty()) {
      dropCatalogIndex(s, owner, index);
      index.clear();
    }
    Query q(s.db, "UPDATE cat_constraints SET STATUS = 'DISABLED', VALIDATED = 'NOT VALIDATED', LAST_CHANGE = ?,"
                  " INDEX_NAME = ?, INDEX_OWNER = ? WHERE OWNER = ? AND CONSTRAINT_NAME = ?");
    q.bind(now());
    if (index.empty()) q.bindNull().bindNull(); else q.bind(index).bind(owner);
    q.bind(owner).bind(name).run();
  } else {
    d->enabled = true;
    if (validateRows || d->type == "P" || d->type == "U") validate(s, *d);
    if ((d->type == "P" || d->type == "U") && d->indexName.empty()) {
      if (auto idx = indexOn(s.db, owner, d->table, d->columns)) {
        d->indexName = *idx;
      } else {
        std::vector<IndexColumn> cols;
        for (const auto& c : d->columns) cols.push_back({c, false});
        createCatalogIndex(s, owner, name, d->table, cols, !d->deferrable, Storage{}, d->generated);
        d->indexName = name;
        ownIndex = true;
      }
    }
    Query q(s.db, "UPDATE cat_constraints SET STATUS = 'ENABLED', VALIDATED = ?, LAST_CHANGE = ?,"
                  " INDEX_NAME = ?, INDEX_OWNER = ?, OWN_INDEX = ? WHERE OWNER = ? AND CONSTRAINT_NAME = ?");
    q.bind(validateRows ? "VALIDATED" : "NOT VALIDATED").bind(now());
    if (d->indexName.empty()) q.bindNull().bindNull(); else q.bind(d->indexName).bind(owner);
    q.bind(ownIndex ? 1 : 0).bind(owner).bind(name).run();
    installEnforcement(s, *d);
  }
  refreshNullable(s.db, owner, d->table);
}

void reinstallTableEnforcement(Session& s, const std::string& owner, const std::string& table) {
  std::vector<ConstraintDef> all = tableConstraints(s.db, owner, table);
  // Foreign keys of other tables whose parent side lives on this table.
  Query q(s.db, std::string(kConstraintSelect) +
                    " WHERE CONSTRAINT_TYPE = 'R' AND (R_OWNER, R_CONSTRAINT_NAME) IN (SELECT OWNER, CONSTRAINT_NAME"
                    " FROM cat_constraints WHERE OWNER = ? AND TABLE_NAME = ?) AND NOT (OWNER = ? AND TABLE_NAME = ?)");
  q.bind(owner).bind(table).bind(owner).bind(table);
  while (q.step()) all.push_back(rowToDef(s.db, q));
  for (const auto& d : all) installEnforcement(s, d);
}

// ---- indexes ---------------------------------------------------------------------

std::string sqliteIndexName(const std::string& owner, const std::string& index) {
  return "ocisim:ix:" + owner + "." + index;
}

std::vector<std::string> indexColumns(sqlite3* db, const std::string& owner, const std::string& index) {
  std::vector<std::string> out;
  Query q(db, "SELECT COLUMN_NAME FROM cat_ind_columns WHERE INDEX_OWNER = ? AND INDEX_NAME = ?"
              " ORDER BY COLUMN_POSITION");
  q.bind(owner).bind(index);
  while (q.step()) out.push_back(q.text(0));
  return out;
}

std::optional<std::string> indexExpression(Session& s, const std::string& owner, const std::string& index,
                                           long long position) {
  return scalar(s.db, "SELECT COLUMN_EXPRESSION FROM cat_ind_expressions WHERE INDEX_OWNER = ? AND INDEX_NAME = ?"
                      " AND COLUMN_POSITION = ?", {owner, index, std::to_string(position)});
}

namespace {

// A key expression that only names a column, in double quotes: what a
// descending column's key is.
bool isPlainColumn(const std::string& e) {
  return e.size() > 2 && e.front() == '"' && e.back() == '"' && e.find('"', 1) == e.size() - 1;
}

}  // namespace

std::vector<std::string> indexKeyColumns(Session& s, const std::string& owner, const std::string& index) {
  std::vector<std::string> out = indexColumns(s.db, owner, index);
  for (size_t i = 0; i < out.size(); ++i)
    if (auto e = indexExpression(s, owner, index, static_cast<long long>(i + 1)); e && isPlainColumn(*e))
      out[i] = e->substr(1, e->size() - 2);
  return out;
}

void createStorageIndex(Session& s, const std::string& owner, const std::string& index) {
  Query q(s.db, "SELECT TABLE_OWNER, TABLE_NAME, UNIQUENESS FROM cat_indexes WHERE OWNER = ? AND INDEX_NAME = ?");
  q.bind(owner).bind(index);
  if (!q.step()) return;
  std::string tOwner = q.text(0), table = q.text(1);
  bool unique = q.text(2) == "UNIQUE";
  std::string cols;
  Query c(s.db, "SELECT COLUMN_NAME, DESCEND, COLUMN_POSITION FROM cat_ind_columns WHERE INDEX_OWNER = ? AND"
                " INDEX_NAME = ? ORDER BY COLUMN_POSITION");
  c.bind(owner).bind(index);
  while (c.step()) {
    std::string key = quoteName(c.text(0));
    auto expression = indexExpression(s, owner, index, c.integer(2));
    if (expression && isPlainColumn(*expression)) {
      key = *expression;  // a descending column: the column itself
    } else if (expression) {
      // A key SQLite cannot compute is left out of its index: it only
      // speeds look-ups up, and a unique one is not enforced.
      try {
        key = "(" + translateExpression(s, *expression) + ")";
      } catch (const OraError&) {
        return;
      }
    }
    cols += (cols.empty() ? "" : ", ") + key + (c.text(1) == "DESC" ? " DESC" : "");
  }
  exec(s.db, "DROP INDEX IF EXISTS " + quoteName(sqliteIndexName(owner, index)));
  const bool functionBased = scalar(s.db, "SELECT 1 FROM cat_ind_expressions WHERE INDEX_OWNER = ? AND"
                                          " INDEX_NAME = ?", {owner, index}).has_value();
  try {
    exec(s.db, std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " +
                   quoteName(sqliteIndexName(owner, index)) + " ON " + storageOf(tOwner, table) + "(" + cols + ")");
  } catch (const OraError&) {
    if (unique && (!functionBased || scalar(s.db, "SELECT 1 FROM " + storageOf(tOwner, table) + " GROUP BY " +
                                                      cols + " HAVING count(*) > 1 LIMIT 1")))
      throw OraError(1452, "cannot CREATE UNIQUE INDEX; duplicate keys found");
    if (!functionBased) throw;
  }
}

void createCatalogIndex(Session& s, const std::string& owner, const std::string& name, const std::string& table,
                        const std::vector<IndexColumn>& columns, bool unique, const Storage& st, bool generated,
                        const std::string& indexType) {
  Query q(s.db,
          "INSERT INTO cat_indexes(OWNER, INDEX_NAME, INDEX_TYPE, TABLE_OWNER, TABLE_NAME, UNIQUENESS,"
          " TABLESPACE_NAME, INI_TRANS, MAX_TRANS, INITIAL_EXTENT, NEXT_EXTENT, MIN_EXTENTS, MAX_EXTENTS,"
          " PCT_INCREASE, FREELISTS, FREELIST_GROUPS, PCT_FREE, GENERATED)"
          " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  q.bind(owner).bind(name).bind(indexType).bind(owner).bind(table).bind(unique ? "UNIQUE" : "NONUNIQUE");
  q.bind(st.tablespace.value_or("USERS"));
  q.bind(st.iniTrans.value_or(2)).bind(st.maxTrans.value_or(255));
  q.bind(st.initial.value_or(65536)).bind(st.next.value_or(1048576)).bind(st.minExtents.value_or(1));
  q.bind(st.maxExtents.value_or(2147483645));
  auto opt = [&](const std::optional<long long>& v) {
    if (v) q.bind(*v); else q.bindNull();
  };
  opt(st.pctIncrease);
  opt(st.freelists);
  opt(st.freelistGroups);
  q.bind(st.pctFree.value_or(10)).bind(generated ? "Y" : "N");
  q.run();
  auto defs = tableColumns(s.db, owner, table);
  for (size_t i = 0; i < columns.size(); ++i) {
    long long len = 0, clen = 0;
    for (const auto& d : defs)
      if (d.name == columns[i].name) {
        len = d.dataLength;
        clen = d.charLength;
      }
    Query c(s.db, "INSERT INTO cat_ind_columns(INDEX_OWNER, INDEX_NAME, TABLE_OWNER, TABLE_NAME, COLUMN_NAME,"
                  " COLUMN_POSITION, COLUMN_LENGTH, CHAR_LENGTH, DESCEND) VALUES(?,?,?,?,?,?,?,?,?)");
    c.bind(owner).bind(name).bind(owner).bind(table).bind(columns[i].name).bind(static_cast<long long>(i + 1));
    c.bind(len).bind(clen).bind(columns[i].descending ? "DESC" : "ASC").run();
  }
  addObject(s, owner, name, "INDEX");
  createStorageIndex(s, owner, name);
}

void dropCatalogIndex(Session& s, const std::string& owner, const std::string& name) {
  exec(s.db, "DROP INDEX IF EXISTS " + quoteName(sqliteIndexName(owner, name)));
  Query(s.db, "DELETE FROM cat_indexes WHERE OWNER = ? AND INDEX_NAME = ?").bind(owner).bind(name).run();
  Query(s.db, "DELETE FROM cat_ind_columns WHERE INDEX_OWNER = ? AND INDEX_NAME = ?").bind(owner).bind(name).run();
  dropIndexPartitioning(s, owner, name);
  Query(s.db, "DELETE FROM cat_ind_expressions WHERE INDEX_OWNER = ? AND INDEX_NAME = ?").bind(owner).bind(name).run();
  removeObject(s, owner, name, "INDEX");
}

}  // namespace dict

OraError constraintError(Session& s, const std::string& msg) {
  using namespace dict;
  if (msg.rfind("ORA-", 0) == 0 && msg.size() > 11) return OraError(std::atoi(msg.c_str() + 4), msg.substr(11));
  const std::string unique = "UNIQUE constraint failed: ";
  const std::string uniqueIndex = unique + "index 'ocisim:ix:";
  if (msg.rfind(uniqueIndex, 0) == 0) {
    // An index on expressions: SQLite names the index, which names Oracle's.
    std::string index = msg.substr(uniqueIndex.size());
    if (!index.empty() && index.back() == '\'') index.pop_back();
    return OraError(1, "unique constraint (" + index + ") violated");
  }
  if (msg.rfind(unique, 0) == 0) {
    // "UNIQUE constraint failed: OWNER.TABLE.COL, OWNER.TABLE.COL"
    std::vector<std::string> cols;
    std::string storage;
    size_t p = unique.size();
    while (p < msg.size()) {
      size_t e = msg.find(", ", p);
      std::string item = msg.substr(p, e == std::string::npos ? std::string::npos : e - p);
      size_t dot = item.rfind('.');
      if (dot != std::string::npos) {
        storage = item.substr(0, dot);
        cols.push_back(item.substr(dot + 1));
      }
      if (e == std::string::npos) break;
      p = e + 2;
    }
    size_t dot = storage.find('.');
    if (dot != std::string::npos) {
      std::string owner = storage.substr(0, dot), table = storage.substr(dot + 1);
      std::set<std::string> want(cols.begin(), cols.end());
      try {
        for (const auto& d : tableConstraints(s.db, owner, table))
          if ((d.type == "P" || d.type == "U") && d.enabled && std::set<std::string>(d.columns.begin(), d.columns.end()) == want)
            return OraError(1, "unique constraint (" + owner + "." + d.name + ") violated");
        Query q(s.db, "SELECT INDEX_NAME FROM cat_indexes WHERE TABLE_OWNER = ? AND TABLE_NAME = ?"
                      " AND UNIQUENESS = 'UNIQUE'");
        q.bind(owner).bind(table);
        while (q.step()) {
          auto ic = indexKeyColumns(s, owner, q.text(0));
          if (std::set<std::string>(ic.begin(), ic.end()) == want)
            return OraError(1, "unique constraint (" + owner + "." + q.text(0) + ") violated");
        }
      } catch (const OraError&) {
      }
      return OraError(1, "unique constraint (" + owner + "." + table + ") violated");
    }
    return OraError(1, "unique constraint violated");
  }
  const std::string notNull = "NOT NULL constraint failed: ";
  if (msg.rfind(notNull, 0) == 0) {
    std::string item = msg.substr(notNull.size());
    size_t dot = item.rfind('.');
    std::string storage = dot == std::string::npos ? item : item.substr(0, dot);
    std::string col = dot == std::string::npos ? std::string() : item.substr(dot + 1);
    size_t d2 = storage.find('.');
    std::string owner = d2 == std::string::npos ? s.user : storage.substr(0, d2);
    std::string table = d2 == std::string::npos ? storage : storage.substr(d2 + 1);
    return OraError(1400, "cannot insert NULL into (\"" + owner + "\".\"" + table + "\".\"" + col + "\")");
  }
  const std::string check = "CHECK constraint failed: ";
  if (msg.rfind(check, 0) == 0) return OraError(2290, "check constraint (" + s.user + "." + msg.substr(check.size()) + ") violated");
  if (msg.find("FOREIGN KEY") != std::string::npos)
    return OraError(2291, "integrity constraint violated - parent key not found");
  return OraError(600, "internal error code, arguments: [ocisim], [" + msg + "]");
}

}  // namespace ocisim
