// Helpers shared by the SQL core's files: number and date texts, the SQL
// functions registered on every connection, and the translator's entry
// points used by the statements.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"
#include "engine/internal.h"

namespace ocisim {

// ---- numbers ---------------------------------------------------------------

// Oracle's canonical text of a decimal number given in any plain or exponent
// notation ("0.50" -> ".5", "-0.5" -> "-.5", "1e3" -> "1000").  Leading and
// trailing blanks are allowed.  Returns false when the text is no number.
bool canonicalNumber(std::string_view text, std::string& out);
std::string canonicalFromDouble(double d);
// The double nearest to a number's text (canonical or plain digits), read
// with '.' as the decimal point whatever the process locale; 0 for no number.
double doubleFromNumberText(const std::string& text);
std::string canonicalFromInt(int64_t v);
// Binds a canonical number the way it is stored: INTEGER when integral and in
// range, REAL when the double holds exactly these digits, TEXT otherwise.
void bindCanonicalNumber(sqlite3_stmt* st, int index, const std::string& canonical);
void resultCanonicalNumber(sqlite3_context* ctx, const std::string& canonical);
// The canonical text of an SQLite value read as a number; false when it is
// text that is no number.
bool numberOfValue(sqlite3_value* v, std::string& out);
bool numberOfColumn(sqlite3_stmt* st, int col, std::string& out);

// TO_CHAR(number, format) for the common format models (9, 0, ., ,, D, G,
// $, S, MI, FM, EEEE, X).  Throws OraError 1481 for a bad model.
std::string formatNumber(const std::string& canonical, const std::string& format);

// ---- dates -----------------------------------------------------------------

// Dates are stored as 'YYYY-MM-DD HH:MM:SS'.
std::string storedDate(const DateTime& d);
bool parseStoredDate(std::string_view text, DateTime& d);
// TO_CHAR(date, format); throws OraError 1821 for a bad format.
std::string formatDate(const DateTime& d, const std::string& format);
// TO_DATE(text, format); throws ORA-01843, 01858, 01861, 01847, 01839 ...
DateTime parseDate(const std::string& text, const std::string& format);
DateTime currentDate();

// ---- functions -------------------------------------------------------------

// Registers Oracle's SQL functions (under private names the translator
// uses) on a connection, and makes double-quoted names always names.  The
// session must outlive the connection.
void registerFunctions(sqlite3* db, Session* s);

// ---- SQLite helpers --------------------------------------------------------

// Runs SQL that returns no rows; throws OraError 600-style internal errors
// with SQLite's message.
void execSql(sqlite3* db, const char* sql);
// Sets a new connection's page cache, memory map and syncing so that work
// over a large schema reads its pages from memory.
void configureStorage(sqlite3* db);
// Throws the Oracle error for an SQLite failure code on the session.
[[noreturn]] void throwSqlite(Session& s, int rc, const char* msg);

// The translated form of an Oracle SELECT, INSERT, UPDATE or DELETE.
struct Translation {
  std::string sql;                       // SQLite text
  std::vector<std::string> bindNames;    // placeholders in order of first appearance
  std::vector<int> bindSlots;            // for each ?NNN slot (1-based index - 1): index into bindNames
  std::vector<ColumnInfo> columns;       // select list, as far as the translator knows it
  std::vector<bool> columnKnown;         // whether columns[i] came from the query's own text
  std::vector<bool> starColumn;          // columns produced by a * (described from SQLite)
  StatementKind kind = StatementKind::Unknown;
};
Translation translateStatement(Session& s, const std::vector<Token>& tokens, const std::string& sql);

}  // namespace ocisim
