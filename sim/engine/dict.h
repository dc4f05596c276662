// Helpers shared by the dictionary's files: running SQL on the catalog, the
// token cursor the DDL parsers use, catalog look-ups and the constraint
// enforcement that DDL installs on user tables.
//
// The catalog tables (cat_*) are the truth about every user object; the
// SQLite tables, indexes and triggers that hold and guard user rows are
// derived from them and can be rebuilt from them at any time.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/internal.h"

namespace ocisim::dict {

// ---- SQLite helpers -------------------------------------------------------

// SQL text quoting.
std::string quoteName(const std::string& name);     // "name" with inner quotes doubled
std::string quoteLiteral(const std::string& text);  // 'text' with inner quotes doubled

// One prepared statement with positional text/integer binds.
class Query {
 public:
  Query(sqlite3* db, const std::string& sql);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  Query& bind(const std::string& text);
  Query& bind(long long v);
  Query& bindNull();
  bool step();                 // true while a row is there
  void run();                  // steps to the end
  std::string text(int col) const;
  long long integer(int col) const;
  bool isNull(int col) const;
  sqlite3_stmt* handle() { return st_; }

 private:
  sqlite3* db_;
  sqlite3_stmt* st_ = nullptr;
  int next_ = 1;
};

// Runs SQL without rows; failures become ORA-00600 with SQLite's message.
void exec(sqlite3* db, const std::string& sql);
// The first column of the first row as text (empty when there is no row).
std::optional<std::string> scalar(sqlite3* db, const std::string& sql,
                                  const std::vector<std::string>& args = {});

std::string now();  // the current date as dates are stored

// ---- token cursor ---------------------------------------------------------

class Cursor {
 public:
  Cursor(const std::vector<Token>& tokens, const std::string& sql) : t_(tokens), sql_(sql) {}

  const Token& peek(size_t ahead = 0) const;
  bool atEnd() const { return peek().kind == Token::Kind::End; }
  bool isWord(const char* w, size_t ahead = 0) const;
  bool isOp(const char* op, size_t ahead = 0) const;
  bool acceptWord(const char* w);
  bool acceptOp(const char* op);
  void expectWord(const char* w, int code = 905, const char* text = "missing keyword");
  void expectOp(const char* op);
  const Token& next();
  size_t pos() const { return i_; }
  void seek(size_t p) { i_ = p; }
  // An identifier: an unquoted word (upper-cased) or a quoted name (as written).
  std::string name(int code = 903, const char* text = "invalid table name");
  // [owner.]name; owner defaults to `defaultOwner`.
  std::pair<std::string, std::string> qualifiedName(const std::string& defaultOwner,
                                                    int code = 903,
                                                    const char* text = "invalid table name");
  // Skips a parenthesised group starting at the current "(".
  void skipGroup();
  // Skips tokens up to (not including) a "," or ")" at depth 0, or the end,
  // or one of the stop words at depth 0.
  void skipExpression(const std::vector<const char*>& stopWords = {});
  // The statement text from token `from` up to (not including) token `to`.
  std::string textBetween(size_t from, size_t to) const;
  // The statement text from token `from` to the end.
  std::string textFrom(size_t from) const;
  // Number value of the current token (accepting a leading sign), or throws.
  std::string number();
  void expectEnd();  // ORA-00933 when tokens remain
  const std::string& sql() const { return sql_; }

 private:
  const Token& peekAt(size_t k) const;
  const std::vector<Token>& t_;
  const std::string& sql_;
  size_t i_ = 0;
};

// Oracle-style name length check.
void checkName(const std::string& name);

// ---- catalog look-ups -----------------------------------------------------

// The object type of OWNER.NAME in the table/view/sequence/unit namespace, or "".
std::string objectType(sqlite3* db, const std::string& owner, const std::string& name);
void addObject(Session& s, const std::string& owner, const std::string& name,
               const std::string& type, const std::string& status = "VALID");
void touchObject(Session& s, const std::string& owner, const std::string& name,
                 const std::string& type);
void removeObject(Session& s, const std::string& owner, const std::string& name,
                  const std::string& type);
// A table of the user or ORA-00942.
void requireTable(sqlite3* db, const std::string& owner, const std::string& table);

struct ColumnDef {
  std::string name;
  std::string dataType;        // DATA_TYPE as the dictionary reports it
  long long dataLength = 0;
  std::optional<long long> precision, scale;
  long long charLength = 0;
  std::string charUsed;        // "B", "C" or "" (not a character type)
  std::string defaultText;     // as written; empty when none
  std::string decl;            // SQLite declared type
  std::string dataTypeOwner;   // DATA_TYPE_OWNER of a column of an object type
  bool invisible = false;      // INVISIBLE: left out of SELECT * and of INSERTs without a column list
  bool virtualColumn = false;  // GENERATED ALWAYS AS (expr) VIRTUAL: defaultText holds the expression
  bool defaultOnNull = false;  // DEFAULT ON NULL: an explicit NULL takes the default too
  std::string identity;        // "ALWAYS" or "BY DEFAULT" for an identity column, else empty
  std::string identityOptions; // the sequence options an identity column was given, as written
};
std::vector<ColumnDef> tableColumns(sqlite3* db, const std::string& owner, const std::string& table);
// The GENERATED ... AS IDENTITY / AS (expr) [VIRTUAL] clause of a column at
// the cursor (at GENERATED or AS); false when the cursor is not at one.
bool parseGeneratedClause(Cursor& c, ColumnDef& col);
// The identity's system sequence ISEQ$$_<table's object id> and its
// dictionary row; the column's default then names that sequence.
void createIdentity(Session& s, const std::string& owner, const std::string& table, ColumnDef& col);
// ALTER TABLE ... MODIFY col GENERATED ... AS IDENTITY [(options)], the
// cursor at GENERATED.
void modifyIdentity(Session& s, Cursor& c, const std::string& owner, const std::string& table,
                    const std::string& column);
// Drops the system sequences of a table's identity columns (of one column
// when `column` is given).
void dropIdentities(Session& s, const std::string& owner, const std::string& table,
                    const std::string& column = "");
// Sequence options for an identity: created with them, or changed by them
// (START WITH allowed, the sequence then restarts there).
void createSequenceNamed(Session& s, const std::string& owner, const std::string& name, Cursor& options);
void alterSequenceRestart(Session& s, const std::string& owner, const std::string& name, Cursor& options,
                          std::string* startWith);
// Parses a data type at the cursor.
ColumnDef parseDataType(Cursor& c);
// The columns an SQLite SELECT yields, with the Oracle types their declared
// types give (VARCHAR2(4000) for computed ones).  Throws OraError as
// preparing it does.
std::vector<ColumnDef> describeSelect(Session& s, const std::string& sqliteSelect);
// Upper-case column name as stored, or ORA-00904.
std::string requireColumn(sqlite3* db, const std::string& owner, const std::string& table,
                          const std::string& column);

// A SYS_Cnnnnnnn name no constraint or index of any user carries, nor one
// of `reserved` (names the same statement gives).
std::string generatedConstraintName(Session& s, const std::vector<std::string>& reserved = {});

// Re-creates the SQLite table of a user table from the catalog, keeping
// its rows, then re-installs the indexes and enforcement.
// `renamed` maps a column's old name to its new one when a column is renamed.
void rebuildTable(Session& s, const std::string& owner, const std::string& table,
                  const std::vector<std::pair<std::string, std::string>>& renamed = {});

// ---- constraints ----------------------------------------------------------

struct ConstraintDef {
  std::string owner, name, type, table;   // type: P U R C
  std::vector<std::string> columns;
  std::string refOwner, refTable;         // R as written: the referenced table
  std::vector<std::string> refColumns;    //   and its columns (empty: its primary key)
  std::string searchCondition;            // C
  std::string rOwner, rName;              // R: the referenced key
  std::string deleteRule = "NO ACTION";   // R
  bool enabled = true;
  bool validate = true;                   // check the rows already there (not NOVALIDATE)
  bool generated = false;
  bool notNull = false;                   // C constraint of the form "COL" IS NOT NULL
  bool deferrable = false;                // DEFERRABLE: checked at COMMIT while deferred
  bool initiallyDeferred = false;         // INITIALLY DEFERRED
  bool rely = false;                      // RELY
  std::string indexName;                  // P U
};
std::optional<ConstraintDef> loadConstraint(sqlite3* db, const std::string& owner,
                                            const std::string& name);
std::vector<ConstraintDef> tableConstraints(sqlite3* db, const std::string& owner,
                                            const std::string& table);
// Records a new constraint: checks names and keys, validates the rows (when
// enabled), creates the supporting index, installs enforcement.
void addConstraint(Session& s, ConstraintDef def);
void dropConstraint(Session& s, const std::string& owner, const std::string& name);
void setConstraintEnabled(Session& s, const std::string& owner, const std::string& name,
                          bool enabled, bool validate = true);
// SQLite triggers and hidden indexes that enforce one constraint.
void installEnforcement(Session& s, const ConstraintDef& def);
void removeEnforcement(Session& s, const ConstraintDef& def);
// Re-installs enforcement of every enabled constraint of or on a table.
void reinstallTableEnforcement(Session& s, const std::string& owner, const std::string& table);
// Pieces of the SQL that enforces constraints: the name of one enforcement
// object ("ocisim:OWNER.NAME:what"), a table's storage as an SQL name,
// "p.A, p.B", "l.A = r.X AND ...", "p.A IS NOT NULL AND ...".
std::string enforcementName(const ConstraintDef& def, const char* what);
std::string storageOf(const std::string& owner, const std::string& table);
std::string columnList(const std::vector<std::string>& cols, const std::string& prefix = "");
std::string matchList(const std::string& leftPrefix, const std::vector<std::string>& left,
                      const std::string& rightPrefix, const std::vector<std::string>& right);
std::string allNotNull(const std::string& prefix, const std::vector<std::string>& cols);
// Deferrable constraints: enforcement that a transaction may put off to its
// COMMIT (SET CONSTRAINTS), and the check made then.
void ensureConstraintStateTables(sqlite3* db);
void installDeferrableEnforcement(Session& s, const ConstraintDef& def);
// SET CONSTRAINT[S] {ALL | name, ...} {IMMEDIATE | DEFERRED}.
void setConstraintsMode(Session& s, Cursor& c);
// Checks the constraints this transaction deferred; on a violation rolls
// the transaction back and throws ORA-02091 with the violation behind it.
void checkDeferredConstraints(Session& s);
// NULLABLE of the table's columns from its enabled NOT NULL and PK constraints.
void refreshNullable(sqlite3* db, const std::string& owner, const std::string& table);

// ---- storage and indexes ---------------------------------------------------

// Segment attributes a CREATE TABLE or CREATE INDEX gives; unset ones take
// the defaults of a locally managed tablespace.
struct Storage {
  std::optional<std::string> tablespace;
  std::optional<long long> pctFree, pctUsed, iniTrans, maxTrans, initial, next, minExtents, maxExtents,
      pctIncrease, freelists, freelistGroups;
};
// Parses one physical attribute clause at the cursor (TABLESPACE, PCTFREE,
// STORAGE (...), LOGGING, ...); false when the cursor is not at one.
bool parsePhysical(Cursor& c, Storage& st);

struct IndexColumn {
  std::string name;
  bool descending = false;
};
void createCatalogIndex(Session& s, const std::string& owner, const std::string& name,
                        const std::string& table, const std::vector<IndexColumn>& columns, bool unique,
                        const Storage& st, bool generated, const std::string& indexType = "NORMAL");
void dropCatalogIndex(Session& s, const std::string& owner, const std::string& name);
std::vector<std::string> indexColumns(sqlite3* db, const std::string& owner, const std::string& index);
std::string sqliteIndexName(const std::string& owner, const std::string& index);
// The expression of a function-based index's key at `position`, if it has one.
std::optional<std::string> indexExpression(Session& s, const std::string& owner, const std::string& index,
                                           long long position);
// The table columns of an index's keys, a descending column's under its own name.
std::vector<std::string> indexKeyColumns(Session& s, const std::string& owner, const std::string& index);
// Creates the SQLite index of a catalog index.
void createStorageIndex(Session& s, const std::string& owner, const std::string& index);

// ---- statements ------------------------------------------------------------

void createTable(Session& s, Cursor& c, bool temporary = false);
void alterTable(Session& s, Cursor& c);
void dropTable(Session& s, Cursor& c);
void truncateTable(Session& s, Cursor& c);
void createIndex(Session& s, Cursor& c, bool unique, bool bitmap = false);
void dropIndex(Session& s, Cursor& c);
void createView(Session& s, Cursor& c, bool orReplace, bool force);
void dropView(Session& s, Cursor& c);
void createSequence(Session& s, Cursor& c);
void alterSequence(Session& s, Cursor& c);
void dropSequence(Session& s, Cursor& c);
void commentOn(Session& s, Cursor& c);
void createUnit(Session& s, Cursor& c, bool orReplace, size_t unitStart);
void dropUnit(Session& s, Cursor& c, const std::string& type);
void alterTrigger(Session& s, Cursor& c);
// Drops the triggers defined on a table or view, as dropping it does.
void dropTriggersOn(Session& s, const std::string& owner, const std::string& object);
void renameStatement(Session& s, Cursor& c);
// ALTER TABLE ... RENAME TO | COLUMN | CONSTRAINT, the cursor after RENAME.
void alterTableRename(Session& s, Cursor& c, const std::string& owner, const std::string& table);
void recordDependencies(Session& s, const std::string& owner, const std::string& name,
                        const std::string& type, const std::string& text);

}  // namespace ocisim::dict
