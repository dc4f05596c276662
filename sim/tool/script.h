// SQL*Plus-style script splitting for the ocisim tool, the forgiving reading
// that `ocisim run --lenient` keeps (the strict one is sqlplus_reader.h).
//
// A script is read line by line.  Between statements, blank lines, comment
// lines and SQL*Plus commands (REM, PROMPT, SET, SPOOL, WHENEVER, ...) are
// skipped.  An SQL statement ends with ";" at the end of a line (outside
// quotes and comments) or with a line holding only "/"; a PL/SQL unit
// (CREATE PROCEDURE / FUNCTION / PACKAGE / TRIGGER / TYPE) or an anonymous
// block (DECLARE, BEGIN) ends with a line holding only "/".  CR LF and LF
// line ends are read alike.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ocisim::tool {

struct ScriptStatement {
  std::string text;  // without the terminating ";" of an SQL statement or the "/" line
  int line = 0;      // first line, counted from 1
};

// A script item that is not a statement: a file to run in its place (@file, START file).
struct ScriptInclude {
  std::string path;
  int line = 0;
};

// Splits a script's text.  `onStatement` is called for each statement,
// `onInclude` for each @file / @@file / START file command.
void splitScript(const std::string& text, const std::function<void(const ScriptStatement&)>& onStatement,
                 const std::function<void(const ScriptInclude&)>& onInclude);

// What a statement's leading words make it: a SQL statement, a PL/SQL unit
// (CREATE PROCEDURE / FUNCTION / PACKAGE / TRIGGER / TYPE / LIBRARY / JAVA,
// DECLARE, BEGIN), or not yet known (CREATE OR REPLACE with the rest on the
// next line).
enum class Kind { Undecided, Sql, Block };
Kind kindOf(const std::string& text);

// Whether `word` (upper case) is a SQL*Plus command; `trimmedUpper` is the
// whole line, which tells SET TRANSACTION (SQL) from SET (SQL*Plus).
bool isSqlPlusCommand(const std::string& word, const std::string& trimmedUpper);

// Convenience for tests: the statements of a script, includes ignored.
std::vector<ScriptStatement> splitScript(const std::string& text);

}  // namespace ocisim::tool
