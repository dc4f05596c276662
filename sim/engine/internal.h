// The seam inside the stand-in engine between its two halves:
//  - the SQL core (lexer, session state, translation of Oracle queries and
//    DML to SQLite, functions, values, logon, transactions), and
//  - the dictionary (catalog tables, DDL, USER_* and ALL_* views, constraint
//    metadata, stored PL/SQL units, sequences' catalog, script running).
// Each half owns its .cpp files; this header is the contract between them.
#pragma once

#include <sqlite3.h>

#include <map>
#include <map>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace ocisim {

// ---- provided by the SQL core ------------------------------------------------

struct Token {
  enum class Kind { Word, QuotedName, String, Number, Bind, Operator, End };
  Kind kind = Kind::End;
  std::string text;   // as written (a String without its quotes, '' undoubled;
                      // a QuotedName without its double quotes)
  std::string upper;  // Word: upper case; others: same as text
  size_t offset = 0;  // byte offset in the statement text
  char suffix = 0;    // Number: 'F' or 'D' for a BINARY_FLOAT or BINARY_DOUBLE literal
};
// Splits one statement into tokens; comments are dropped.  Throws OraError
// for an unterminated literal or quoted name (ORA-01756, ORA-01740).
std::vector<Token> tokenize(const std::string& sql);

// One logged-on session: its SQLite connection, user and session settings.
struct Session {
  sqlite3* db = nullptr;
  std::string dataDir;
  std::string database;            // upper case service name
  std::string user;                // upper case
  std::string nlsDateFormat = "DD-MON-RR";
  bool inTransaction = false;      // a DML statement has run since the last COMMIT/ROLLBACK
  std::map<std::string, std::string> currval;  // "OWNER.SEQ" -> the session's CURRVAL
  // DBMS_OUTPUT's buffer: complete lines not yet read, the line being built.
  bool outputEnabled = false;
  std::vector<std::string> outputLines;
  size_t outputRead = 0;
  std::string outputPending;
};

// Tables every database holds beside the catalog (created by createDatabase):
//   ocisim_users(username TEXT PRIMARY KEY, password TEXT, account_status TEXT
//                ('OPEN', 'LOCKED', 'EXPIRING'), user_id INTEGER, created TEXT)
//   ocisim_meta(key TEXT PRIMARY KEY, value TEXT): 'banner', and 'sys_c_next',
//                the next number for a SYS_Cnnnnnnn name (its start is drawn at
//                random when the database is created).
// SQL functions the core registers on every connection, for the catalog's
// views and triggers:
//   ocisim_user()  the session's user (upper case); NULL before logon.
// initCatalog() is called inside a transaction on a connection that has them.

// Translates one Oracle expression (a DEFAULT value, a CHECK condition) to
// SQLite's dialect, for columns of the table `table` of the session's user.
std::string translateExpression(Session& s, const std::string& oracleExpr);
// A translated default that draws on a sequence: SQLite takes no such
// default, so each INSERT supplies it.
inline bool isSequenceDefault(const std::string& sqliteExpr) {
  return sqliteExpr.find("ocisim_nextval(") != std::string::npos ||
         sqliteExpr.find("ocisim_currval(") != std::string::npos;
}
// The columns of a user's table that a DML statement treats apart: hidden
// (invisible), virtual, identity, DEFAULT ON NULL, or defaulting to a
// sequence.  Empty for a table without any (and for anything not a table).
struct SpecialColumn {
  std::string name;
  bool hidden = false, virtualColumn = false, defaultOnNull = false;
  std::string identity;       // "ALWAYS", "BY DEFAULT" or empty
  std::string defaultText;    // Oracle text of the default or the virtual expression
};
std::vector<SpecialColumn> specialColumns(Session& s, const std::string& owner, const std::string& table);
// The names of a table's visible columns in order, when it has hidden ones
// (otherwise empty: SELECT * needs no list then).
std::vector<std::pair<std::string, std::string>> visibleColumnsIfHidden(Session& s, const std::string& owner,
                                                                        const std::string& table);
// Translates a whole Oracle SELECT (a view's query) to SQLite.  Throws
// OraError as executing it would.
std::string translateQuery(Session& s, const std::string& oracleSelect);
// The select list of an Oracle SELECT as a describe reports it (names, Oracle
// types, sizes), e.g. for a view's columns in the dictionary.  Throws as
// preparing the query would.
std::vector<ColumnInfo> describeQuery(Session& s, const std::string& oracleSelect);

// ---- provided by the dictionary ----------------------------------------------

// The SQLite name of a user's table or view: "OWNER.NAME" (quote it in SQL).
std::string storageName(const std::string& owner, const std::string& name);

// Creates the catalog tables and dictionary views in a new database file.
void initCatalog(sqlite3* db);
// Adds the catalog's lookup indexes to a database made without them.
void ensureCatalogIndexes(sqlite3* db);

// Whether a statement (its tokens) is one the dictionary half runs: CREATE,
// ALTER, DROP, COMMENT, TRUNCATE, RENAME, GRANT/REVOKE (accepted).
bool isDictionaryStatement(const std::vector<Token>& tokens);
// Whether a statement creates a stored PL/SQL unit (CREATE [OR REPLACE]
// PROCEDURE, FUNCTION, PACKAGE [BODY], TRIGGER, TYPE): its text holds
// semicolons of its own.
bool isStoredUnitStatement(const std::vector<Token>& tokens);
// Runs such a statement; throws OraError.  The caller wraps it in a
// savepoint, so a failure leaves nothing behind.
void executeDictionaryStatement(Session& s, const std::vector<Token>& tokens,
                                const std::string& sql);

// Resolves a name used in a query (TABLE, OWNER.TABLE, a synonym-free
// dictionary view such as USER_TABLES or SYS.USER_TABLES, DUAL) to the
// SQLite name to select from; throws ORA-00942 when there is none.
std::string resolveRelation(Session& s, const std::string& owner, const std::string& name);

// USER_ and ALL_ dictionary views: whether a name is one, and SELECT on one
// taken away (REVOKE) or given back (GRANT) for the whole database.
bool isDictionaryViewName(const std::string& name);
void setDictionaryViewReadable(Session& s, const std::string& view, bool readable);

// Oracle's declared type of a stored column, as a describe reports it.
// A declared type may end in " STORED AS BLOB" or " STORED AS TEXT": that
// tail only steers SQLite's column affinity, so that NUMBER columns keep
// every digit of a number held as text and LONG columns keep texts that
// look like numbers ("007") unchanged; it is no part of the Oracle type.
// `decl` is the column's declared type text in the SQLite schema, which the
// dictionary half writes in Oracle's words: "NUMBER(8,2)", "VARCHAR2(30)",
// "VARCHAR2(30 CHAR)", "DATE", "LONG", "CLOB", "FLOAT(126)".
ColumnInfo columnInfoFromDecl(const std::string& name, const std::string& decl);

// Sequences: the next value and the session's current value.
std::string sequenceNextval(Session& s, const std::string& owner, const std::string& name);
std::string sequenceCurrval(Session& s, const std::string& owner, const std::string& name);

// Turns a failed SQLite constraint on a user table into Oracle's error,
// naming the constraint: ORA-00001, ORA-01400, ORA-02290, ORA-02291, ORA-02292.
OraError constraintError(Session& s, const std::string& sqliteMessage);

}  // namespace ocisim
