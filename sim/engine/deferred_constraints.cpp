// Deferrable constraints.  A DEFERRABLE constraint is checked row by row
// like any other while it is immediate; while a transaction defers it
// (INITIALLY DEFERRED, or SET CONSTRAINTS ... DEFERRED) a violating row is
// let through and noted in cat_deferred_checks, and COMMIT checks the noted
// rows again: those mended since pass, and rows older than the transaction
// are never looked at (a NOVALIDATE constraint leaves them be).  SET CONSTRAINTS keeps
// its choices in cat_constraint_modes; both tables are emptied at COMMIT and
// a rollback takes their rows away with the rest of the transaction.
//
// The triggers are named like the other enforcement objects
// ("ocisim:OWNER.NAME:ins", ...), so removing a constraint's enforcement
// removes these too.
#include <map>

#include "engine/dict.h"

namespace ocisim::dict {

namespace {

const char* kStateTables =
    "CREATE TABLE IF NOT EXISTS cat_constraint_modes(OWNER TEXT NOT NULL, CONSTRAINT_NAME TEXT NOT NULL,"
    " MODE TEXT, UNIQUE(OWNER, CONSTRAINT_NAME));"
    "CREATE TABLE IF NOT EXISTS cat_deferred_checks(OWNER TEXT NOT NULL, CONSTRAINT_NAME TEXT NOT NULL,"
    " PARENT_SIDE INTEGER NOT NULL, ROW_ID INTEGER, UNIQUE(OWNER, CONSTRAINT_NAME, PARENT_SIDE, ROW_ID));";

std::string triggerName(const ConstraintDef& d, const char* what) {
  return quoteName("ocisim:" + d.owner + "." + d.name + ":" + what);
}

std::string storageOf(const std::string& owner, const std::string& table) {
  return quoteName(storageName(owner, table));
}

std::string names(const std::vector<std::string>& cols, const std::string& prefix = "") {
  std::string out;
  for (size_t i = 0; i < cols.size(); ++i) out += (i ? ", " : "") + prefix + quoteName(cols[i]);
  return out;
}

std::string pairs(const std::string& lp, const std::vector<std::string>& l, const std::string& rp,
                  const std::vector<std::string>& r) {
  std::string out;
  for (size_t i = 0; i < l.size() && i < r.size(); ++i)
    out += (i ? " AND " : "") + lp + quoteName(l[i]) + " = " + rp + quoteName(r[i]);
  return out;
}

std::string notNulls(const std::string& prefix, const std::vector<std::string>& cols) {
  std::string out;
  for (size_t i = 0; i < cols.size(); ++i) out += (i ? " AND " : "") + prefix + quoteName(cols[i]) + " IS NOT NULL";
  return out;
}

// Whether the constraint is deferred at this moment of the transaction.
std::string deferredNow(const ConstraintDef& d) {
  std::string mode = "SELECT 1 FROM cat_constraint_modes WHERE OWNER = " + quoteLiteral(d.owner) +
                     " AND CONSTRAINT_NAME = " + quoteLiteral(d.name) + " AND MODE = ";
  if (d.initiallyDeferred) return "NOT EXISTS (" + mode + "'IMMEDIATE')";
  return "EXISTS (" + mode + "'DEFERRED')";
}

// The trigger body for a violation found in `from`/`where`: the rows
// (`rowid` of the constrained table) noted while the constraint is deferred,
// Oracle's error while it is immediate.
std::string violation(const ConstraintDef& d, const std::string& error, const std::string& from,
                      const std::string& where, const std::string& rowid, bool parentSide) {
  std::string cond = where.empty() ? "" : "(" + where + ") AND ";
  return "INSERT OR IGNORE INTO cat_deferred_checks(OWNER, CONSTRAINT_NAME, PARENT_SIDE, ROW_ID) SELECT " +
         quoteLiteral(d.owner) + ", " + quoteLiteral(d.name) + ", " + (parentSide ? "1" : "0") + ", " + rowid +
         from + " WHERE " + cond + deferredNow(d) + "; SELECT RAISE(ABORT, " + quoteLiteral(error) + ")" + from +
         " WHERE " + cond + "NOT " + deferredNow(d) + ";";
}

std::string qualified(const ConstraintDef& d) { return d.owner + "." + d.name; }

// The first violation among the rows noted for a constraint, as the error
// COMMIT reports behind ORA-02091; nullopt when they keep it now.
std::optional<OraError> violationOf(Session& s, const ConstraintDef& d, bool parentSide) {
  std::string t = storageOf(d.owner, d.table);
  const std::string noted = " rowid IN (SELECT ROW_ID FROM cat_deferred_checks WHERE OWNER = " +
                            quoteLiteral(d.owner) + " AND CONSTRAINT_NAME = " + quoteLiteral(d.name) + ") AND ";
  auto any = [&](const std::string& sql) { return scalar(s.db, sql).has_value(); };
  if (d.type == "C") {
    std::string expr;
    if (d.notNull) {
      expr = quoteName(d.columns.at(0)) + " IS NOT NULL";
    } else {
      try {
        expr = translateExpression(s, d.searchCondition);
      } catch (const OraError&) {
        return std::nullopt;  // a condition the engine cannot evaluate is not checked
      }
    }
    if (any("SELECT 1 FROM " + t + " WHERE" + noted + "NOT (" + expr + ") LIMIT 1"))
      return OraError(2290, "check constraint (" + qualified(d) + ") violated");
    return std::nullopt;
  }
  if (d.type == "P" || d.type == "U") {
    if (any("SELECT 1 FROM " + t + " a WHERE a." + noted.substr(1) + notNulls("a.", d.columns) +
            " AND (SELECT count(*) FROM " + t + " b WHERE " + pairs("b.", d.columns, "a.", d.columns) +
            ") > 1 LIMIT 1"))
      return OraError(1, "unique constraint (" + qualified(d) + ") violated");
    return std::nullopt;
  }
  if (d.type == "R") {
    auto key = loadConstraint(s.db, d.rOwner, d.rName);
    if (!key) return std::nullopt;
    if (any("SELECT 1 FROM " + t + " c WHERE c." + noted.substr(1) + notNulls("c.", d.columns) +
            " AND NOT EXISTS (SELECT 1 FROM " +
            storageOf(key->owner, key->table) + " p WHERE " + pairs("p.", key->columns, "c.", d.columns) +
            ") LIMIT 1"))
      return OraError(parentSide ? 2292 : 2291, "integrity constraint (" + qualified(d) + ") violated - " +
                                                    (parentSide ? "child record found" : "parent key not found"));
  }
  return std::nullopt;
}

// The constraints noted as violated while deferred, with whether a parent
// row's change was among the causes.
std::map<std::pair<std::string, std::string>, bool> noted(Session& s) {
  std::map<std::pair<std::string, std::string>, bool> out;
  if (!scalar(s.db, "SELECT 1 FROM sqlite_master WHERE name = 'cat_deferred_checks'")) return out;
  Query q(s.db, "SELECT OWNER, CONSTRAINT_NAME, max(PARENT_SIDE) FROM cat_deferred_checks"
                " GROUP BY OWNER, CONSTRAINT_NAME");
  while (q.step()) out[{q.text(0), q.text(1)}] = q.integer(2) != 0;
  return out;
}

}  // namespace

void ensureConstraintStateTables(sqlite3* db) { exec(db, kStateTables); }

void installDeferrableEnforcement(Session& s, const ConstraintDef& d) {
  ensureConstraintStateTables(s.db);
  const std::string t = storageOf(d.owner, d.table);
  const std::string who = qualified(d);
  auto trigger = [&](const char* kind, const std::string& event, const std::string& body) {
    exec(s.db, "CREATE TRIGGER " + triggerName(d, kind) + " " + event + " BEGIN " + body + " END");
  };
  if (d.type == "C") {
    std::string from, cond;
    std::string insError = "ORA-02290: check constraint (" + who + ") violated", updError = insError;
    if (d.notNull) {
      const std::string col = quoteName(d.columns.at(0));
      const std::string target = "(\"" + d.owner + "\".\"" + d.table + "\".\"" + d.columns.at(0) + "\")";
      insError = "ORA-01400: cannot insert NULL into " + target;
      updError = "ORA-01407: cannot update " + target + " to NULL";
      cond = "NEW." + col + " IS NULL";
    } else {
      std::string expr;
      try {
        expr = translateExpression(s, d.searchCondition);
      } catch (const OraError&) {
        return;  // stored, not enforced
      }
      std::string row;
      for (const auto& c : tableColumns(s.db, d.owner, d.table))
        row += (row.empty() ? "" : ", ") + std::string("NEW.") + quoteName(c.name) + " AS " + quoteName(c.name);
      from = " FROM (SELECT " + row + ")";
      cond = "NOT (" + expr + ")";
    }
    try {
      trigger("ins", "AFTER INSERT ON " + t, violation(d, insError, from, cond, "NEW.rowid", false));
      trigger("upd", "AFTER UPDATE ON " + t, violation(d, updError, from, cond, "NEW.rowid", false));
    } catch (const OraError&) {
      removeEnforcement(s, d);
    }
    return;
  }
  if (d.type == "P" || d.type == "U") {
    // Key columns take no null at once; duplicates wait for the check.
    std::string nulls;
    if (d.type == "P")
      for (const auto& col : d.columns)
        nulls += "SELECT RAISE(ABORT, " +
                 quoteLiteral("ORA-01400: cannot insert NULL into (\"" + d.owner + "\".\"" + d.table + "\".\"" +
                              col + "\")") +
                 ") WHERE NEW." + quoteName(col) + " IS NULL; ";
    const std::string duplicate = notNulls("NEW.", d.columns) + " AND (SELECT count(*) FROM " + t + " WHERE " +
                                  pairs("", d.columns, "NEW.", d.columns) + ") > 1";
    const std::string body =
        violation(d, "ORA-00001: unique constraint (" + who + ") violated", "", duplicate, "NEW.rowid", false);
    trigger("ins", "AFTER INSERT ON " + t, nulls + body);
    trigger("upd", "AFTER UPDATE OF " + names(d.columns) + " ON " + t, nulls + body);
    return;
  }
  if (d.type == "R") {
    auto key = loadConstraint(s.db, d.rOwner, d.rName);
    if (!key) return;
    const std::string p = storageOf(key->owner, key->table);
    const std::string missing = notNulls("NEW.", d.columns) + " AND NOT EXISTS (SELECT 1 FROM " + p + " WHERE " +
                                pairs("", key->columns, "NEW.", d.columns) + ")";
    const std::string notFound = "ORA-02291: integrity constraint (" + who + ") violated - parent key not found";
    trigger("ins", "AFTER INSERT ON " + t, violation(d, notFound, "", missing, "NEW.rowid", false));
    trigger("upd", "AFTER UPDATE OF " + names(d.columns) + " ON " + t,
            violation(d, notFound, "", missing, "NEW.rowid", false));
    const bool selfRef = key->owner == d.owner && key->table == d.table;
    // The child rows of the parent row at hand: they are what COMMIT checks.
    const std::string children = pairs("c.", d.columns, "OLD.", key->columns) +
                                 (selfRef ? " AND c.rowid <> OLD.rowid" : "");
    const std::string found = "ORA-02292: integrity constraint (" + who + ") violated - child record found";
    if (d.deleteRule == "CASCADE") {
      trigger("pdel", "AFTER DELETE ON " + p,
              "DELETE FROM " + t + " WHERE " + pairs("", d.columns, "OLD.", key->columns) + ";");
    } else if (d.deleteRule == "SET NULL") {
      std::string sets;
      for (size_t i = 0; i < d.columns.size(); ++i) sets += (i ? ", " : "") + quoteName(d.columns[i]) + " = NULL";
      trigger("pdel", "AFTER DELETE ON " + p,
              "UPDATE " + t + " SET " + sets + " WHERE " + pairs("", d.columns, "OLD.", key->columns) + ";");
    } else {
      trigger("pdel", "BEFORE DELETE ON " + p, violation(d, found, " FROM " + t + " c", children, "c.rowid", true));
    }
    std::string changed;
    for (size_t i = 0; i < key->columns.size(); ++i)
      changed += (i ? " OR " : "") + std::string("OLD.") + quoteName(key->columns[i]) + " IS NOT NEW." +
                 quoteName(key->columns[i]);
    trigger("pupd", "BEFORE UPDATE OF " + names(key->columns) + " ON " + p,
            violation(d, found, " FROM " + t + " c", "(" + changed + ") AND " + children, "c.rowid", true));
  }
}

void setConstraintsMode(Session& s, Cursor& c) {
  // SET CONSTRAINT[S] is already read.
  std::vector<std::pair<std::string, std::string>> named;
  bool all = false;
  if (c.acceptWord("ALL")) {
    all = true;
  } else {
    do {
      named.push_back(c.qualifiedName(s.user, 904, "invalid identifier"));
    } while (c.acceptOp(","));
  }
  bool deferred = false;
  if (!c.acceptWord("IMMEDIATE")) {
    c.expectWord("DEFERRED", 922, "missing or invalid option");
    deferred = true;
  }
  c.expectEnd();

  std::vector<ConstraintDef> targets;
  if (all) {
    Query q(s.db, "SELECT OWNER, CONSTRAINT_NAME FROM cat_constraints WHERE \"DEFERRABLE\" = 'DEFERRABLE'");
    std::vector<std::pair<std::string, std::string>> found;
    while (q.step()) found.emplace_back(q.text(0), q.text(1));
    for (const auto& [o, n] : found)
      if (auto d = loadConstraint(s.db, o, n)) targets.push_back(*d);
  } else {
    for (const auto& [o, n] : named) {
      auto d = loadConstraint(s.db, o, n);
      if (!d) throw OraError(2448, "constraint does not exist");
      if (!d->deferrable) throw OraError(2447, "cannot defer a constraint that is not deferrable");
      targets.push_back(*d);
    }
  }
  ensureConstraintStateTables(s.db);
  if (!deferred) {
    // Made immediate: what was put off is checked now, and a violation
    // leaves the constraint deferred and the transaction as it was.
    auto pending = noted(s);
    for (const auto& d : targets) {
      auto it = pending.find({d.owner, d.name});
      if (it == pending.end() || !d.enabled) continue;
      if (auto err = violationOf(s, d, it->second)) throw *err;
    }
  }
  for (const auto& d : targets) {
    Query(s.db, "INSERT OR REPLACE INTO cat_constraint_modes(OWNER, CONSTRAINT_NAME, MODE) VALUES(?, ?, ?)")
        .bind(d.owner).bind(d.name).bind(deferred ? "DEFERRED" : "IMMEDIATE").run();
    if (!deferred)
      Query(s.db, "DELETE FROM cat_deferred_checks WHERE OWNER = ? AND CONSTRAINT_NAME = ?").bind(d.owner).bind(d.name).run();
  }
}

void checkDeferredConstraints(Session& s) {
  auto pending = noted(s);
  std::optional<OraError> failure;
  for (const auto& [key, parentSide] : pending) {
    auto d = loadConstraint(s.db, key.first, key.second);
    if (!d || !d->enabled) continue;
    if ((failure = violationOf(s, *d, parentSide))) break;
  }
  if (failure) {
    sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
    s.inTransaction = false;
    throw OraError(2091, std::string("transaction rolled back\n") + failure->what());
  }
  if (!pending.empty()) exec(s.db, "DELETE FROM cat_deferred_checks");
  if (scalar(s.db, "SELECT 1 FROM sqlite_master WHERE name = 'cat_constraint_modes'") &&
      scalar(s.db, "SELECT 1 FROM cat_constraint_modes LIMIT 1"))
    exec(s.db, "DELETE FROM cat_constraint_modes");
}

}  // namespace ocisim::dict
