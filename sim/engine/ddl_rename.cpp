// Renaming: RENAME old TO new (tables, views, sequences), and ALTER TABLE's
// RENAME TO, RENAME COLUMN and RENAME CONSTRAINT.
//
// As in Oracle, views and stored units that use a renamed table or view
// are left invalid (they still name the old one); constraints, indexes,
// comments and triggers go with the table.
#include "engine/dict.h"

namespace ocisim::dict {

namespace {

void requireFree(Session& s, const std::string& owner, const std::string& name) {
  checkName(name);
  if (!objectType(s.db, owner, name).empty()) throw OraError(955, "name is already used by an existing object");
}

void invalidateDependents(Session& s, const std::string& owner, const std::string& name) {
  Query(s.db,
        "UPDATE cat_objects SET STATUS = 'INVALID' WHERE (OWNER, OBJECT_NAME, OBJECT_TYPE) IN ("
        "SELECT OWNER, NAME, TYPE FROM cat_dependencies WHERE REFERENCED_OWNER = ? AND REFERENCED_NAME = ?)")
      .bind(owner).bind(name).run();
}

void renameObjectRow(Session& s, const std::string& owner, const std::string& from, const std::string& to,
                     const std::string& type) {
  Query(s.db, "UPDATE cat_objects SET OBJECT_NAME = ? WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE = ?")
      .bind(to).bind(owner).bind(from).bind(type).run();
  Query(s.db, "UPDATE cat_dependencies SET NAME = ? WHERE OWNER = ? AND NAME = ? AND TYPE = ?")
      .bind(to).bind(owner).bind(from).bind(type).run();
  touchObject(s, owner, to, type);
}

// Foreign keys that reference a table's keys, with the table's own constraints.
std::vector<ConstraintDef> constraintsOnAndOf(Session& s, const std::string& owner, const std::string& table) {
  std::vector<ConstraintDef> all = tableConstraints(s.db, owner, table);
  Query q(s.db, "SELECT OWNER, CONSTRAINT_NAME FROM cat_constraints WHERE CONSTRAINT_TYPE = 'R' AND"
                " (R_OWNER, R_CONSTRAINT_NAME) IN (SELECT OWNER, CONSTRAINT_NAME FROM cat_constraints"
                " WHERE OWNER = ? AND TABLE_NAME = ?) AND NOT (OWNER = ? AND TABLE_NAME = ?)");
  q.bind(owner).bind(table).bind(owner).bind(table);
  std::vector<std::pair<std::string, std::string>> refs;
  while (q.step()) refs.emplace_back(q.text(0), q.text(1));
  for (const auto& [o, n] : refs)
    if (auto d = loadConstraint(s.db, o, n)) all.push_back(*d);
  return all;
}

void renameTable(Session& s, const std::string& owner, const std::string& from, const std::string& to) {
  requireFree(s, owner, to);
  auto affected = constraintsOnAndOf(s, owner, from);
  for (const auto& d : affected) removeEnforcement(s, d);
  // Views keep naming the old table, as Oracle's do: SQLite must not rewrite them.
  exec(s.db, "PRAGMA legacy_alter_table = ON");
  try {
    exec(s.db, "ALTER TABLE " + quoteName(storageName(owner, from)) + " RENAME TO " + quoteName(storageName(owner, to)));
  } catch (...) {
    exec(s.db, "PRAGMA legacy_alter_table = OFF");
    throw;
  }
  exec(s.db, "PRAGMA legacy_alter_table = OFF");
  for (const char* t : {"cat_tables", "cat_columns", "cat_tab_comments", "cat_col_comments", "cat_constraints",
                        "cat_cons_columns"})
    Query(s.db, std::string("UPDATE ") + t + " SET TABLE_NAME = ? WHERE OWNER = ? AND TABLE_NAME = ?")
        .bind(to).bind(owner).bind(from).run();
  for (const char* t : {"cat_indexes", "cat_ind_columns", "cat_triggers", "cat_ind_expressions", "cat_trigger_cols"})
    Query(s.db, std::string("UPDATE ") + t + " SET TABLE_NAME = ? WHERE TABLE_OWNER = ? AND TABLE_NAME = ?")
        .bind(to).bind(owner).bind(from).run();
  renameObjectRow(s, owner, from, to, "TABLE");
  invalidateDependents(s, owner, from);
  reinstallTableEnforcement(s, owner, to);
}

void renameView(Session& s, const std::string& owner, const std::string& from, const std::string& to) {
  requireFree(s, owner, to);
  auto sql = scalar(s.db, "SELECT sql FROM sqlite_master WHERE type = 'view' AND name = ?", {storageName(owner, from)});
  exec(s.db, "DROP VIEW IF EXISTS " + quoteName(storageName(owner, from)));
  if (sql) {
    // The stored definition begins CREATE VIEW "OWNER.FROM": only the name changes.
    std::string head = "CREATE VIEW " + quoteName(storageName(owner, from));
    if (sql->rfind(head, 0) == 0)
      exec(s.db, "CREATE VIEW " + quoteName(storageName(owner, to)) + sql->substr(head.size()));
  }
  Query(s.db, "UPDATE cat_views SET VIEW_NAME = ? WHERE OWNER = ? AND VIEW_NAME = ?").bind(to).bind(owner).bind(from).run();
  for (const char* t : {"cat_columns", "cat_tab_comments", "cat_col_comments", "cat_constraints", "cat_cons_columns"})
    Query(s.db, std::string("UPDATE ") + t + " SET TABLE_NAME = ? WHERE OWNER = ? AND TABLE_NAME = ?")
        .bind(to).bind(owner).bind(from).run();
  Query(s.db, "UPDATE cat_triggers SET TABLE_NAME = ? WHERE TABLE_OWNER = ? AND TABLE_NAME = ?")
      .bind(to).bind(owner).bind(from).run();
  renameObjectRow(s, owner, from, to, "VIEW");
  invalidateDependents(s, owner, from);
}

void renameSequence(Session& s, const std::string& owner, const std::string& from, const std::string& to) {
  requireFree(s, owner, to);
  Query(s.db, "UPDATE cat_sequences SET SEQUENCE_NAME = ? WHERE SEQUENCE_OWNER = ? AND SEQUENCE_NAME = ?")
      .bind(to).bind(owner).bind(from).run();
  renameObjectRow(s, owner, from, to, "SEQUENCE");
  invalidateDependents(s, owner, from);
  auto it = s.currval.find(owner + "." + from);
  if (it != s.currval.end()) {
    s.currval[owner + "." + to] = it->second;
    s.currval.erase(owner + "." + from);
  }
}

// The condition text with one column name replaced, token by token.
std::string renameInCondition(const std::string& cond, const std::string& from, const std::string& to) {
  std::vector<Token> toks;
  try {
    toks = tokenize(cond);
  } catch (const OraError&) {
    return cond;
  }
  std::string out;
  size_t last = 0;
  for (const auto& t : toks) {
    bool hit = (t.kind == Token::Kind::Word && t.upper == from) || (t.kind == Token::Kind::QuotedName && t.text == from);
    if (!hit) continue;
    size_t len = t.kind == Token::Kind::QuotedName ? t.text.size() + 2 : t.text.size();
    out += cond.substr(last, t.offset - last);
    out += t.kind == Token::Kind::QuotedName ? "\"" + to + "\"" : to;
    last = t.offset + len;
  }
  return out + cond.substr(last);
}

void renameColumn(Session& s, const std::string& owner, const std::string& table, const std::string& fromIn,
                  const std::string& to) {
  std::string from = requireColumn(s.db, owner, table, fromIn);
  checkName(to);
  if (scalar(s.db, "SELECT 1 FROM cat_columns WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?",
             {owner, table, to}))
    throw OraError(957, "duplicate column name");
  auto affected = constraintsOnAndOf(s, owner, table);
  for (const auto& d : affected) removeEnforcement(s, d);
  for (const char* t : {"cat_columns", "cat_col_comments", "cat_cons_columns"})
    Query(s.db, std::string("UPDATE ") + t + " SET COLUMN_NAME = ? WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?")
        .bind(to).bind(owner).bind(table).bind(from).run();
  Query(s.db, "UPDATE cat_ind_columns SET COLUMN_NAME = ? WHERE TABLE_OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?")
      .bind(to).bind(owner).bind(table).bind(from).run();
  Query(s.db, "UPDATE cat_constraints SET NOT_NULL_COLUMN = ? WHERE OWNER = ? AND TABLE_NAME = ? AND NOT_NULL_COLUMN = ?")
      .bind(to).bind(owner).bind(table).bind(from).run();
  Query q(s.db, "SELECT CONSTRAINT_NAME, SEARCH_CONDITION FROM cat_constraints WHERE OWNER = ? AND TABLE_NAME = ?"
                " AND CONSTRAINT_TYPE = 'C'");
  q.bind(owner).bind(table);
  std::vector<std::pair<std::string, std::string>> conds;
  while (q.step()) conds.emplace_back(q.text(0), q.text(1));
  for (const auto& [name, cond] : conds)
    Query(s.db, "UPDATE cat_constraints SET SEARCH_CONDITION = ? WHERE OWNER = ? AND CONSTRAINT_NAME = ?")
        .bind(renameInCondition(cond, from, to)).bind(owner).bind(name).run();
  // The table is made again under the new column name, its rows carried over.
  rebuildTable(s, owner, table, {{from, to}});
}

void renameConstraint(Session& s, const std::string& owner, const std::string& table, const std::string& from,
                      const std::string& to) {
  auto d = loadConstraint(s.db, owner, from);
  if (!d || d->table != table) throw OraError(23292, "The constraint does not exist");
  checkName(to);
  if (loadConstraint(s.db, owner, to)) throw OraError(2264, "name already used by an existing constraint");
  removeEnforcement(s, *d);
  Query(s.db, "UPDATE cat_constraints SET CONSTRAINT_NAME = ?, GENERATED = 'USER NAME' WHERE OWNER = ?"
              " AND CONSTRAINT_NAME = ?")
      .bind(to).bind(owner).bind(from).run();
  Query(s.db, "UPDATE cat_cons_columns SET CONSTRAINT_NAME = ? WHERE OWNER = ? AND CONSTRAINT_NAME = ?")
      .bind(to).bind(owner).bind(from).run();
  Query(s.db, "UPDATE cat_constraints SET R_CONSTRAINT_NAME = ? WHERE R_OWNER = ? AND R_CONSTRAINT_NAME = ?")
      .bind(to).bind(owner).bind(from).run();
  reinstallTableEnforcement(s, owner, table);
}

}  // namespace

void renameStatement(Session& s, Cursor& c) {
  std::string from = c.name();
  c.expectWord("TO", 946, "missing TO keyword");
  std::string to = c.name();
  c.expectEnd();
  std::string type = objectType(s.db, s.user, from);
  if (type == "TABLE") renameTable(s, s.user, from, to);
  else if (type == "VIEW") renameView(s, s.user, from, to);
  else if (type == "SEQUENCE") renameSequence(s, s.user, from, to);
  else if (type.empty()) throw OraError(4043, "object " + from + " does not exist");
  else throw OraError(2220, "invalid object type for rename");  // units are not renamed
}

void alterTableRename(Session& s, Cursor& c, const std::string& owner, const std::string& table) {
  if (c.acceptWord("TO")) {
    std::string to = c.name();
    renameTable(s, owner, table, to);
  } else if (c.acceptWord("COLUMN")) {
    std::string from = c.name(904, "invalid identifier");
    c.expectWord("TO", 946, "missing TO keyword");
    renameColumn(s, owner, table, from, c.name(904, "invalid identifier"));
  } else if (c.acceptWord("CONSTRAINT")) {
    std::string from = c.name(904, "invalid identifier");
    c.expectWord("TO", 946, "missing TO keyword");
    renameConstraint(s, owner, table, from, c.name(904, "invalid identifier"));
  } else {
    throw OraError(14155, "missing PARTITION or SUBPARTITION keyword");
  }
}

}  // namespace ocisim::dict
