// Reads a script line by line the way SQL*Plus 19c does when it runs a
// script file, so that a script that loads here loads there too.
//
// From SQL*Plus's default settings, changed by the SET commands the script
// gives (SQLBLANKLINES, DEFINE, SQLTERMINATOR, SQLPREFIX, BLOCKTERMINATOR,
// CONCAT, ESCAPE; every other SET option is accepted and has no effect):
//  - a line longer than 2,499 characters is refused (SP2-0027) and ignored;
//  - a SQL statement ends at a line whose last non-blank character is the
//    terminator (wherever that is: in a literal or a comment too), and runs;
//    at a blank line (unless SQLBLANKLINES is ON) or a "." line, it ends
//    unrun and stays in the buffer; "/" alone runs the buffer;
//  - a PL/SQL unit (DECLARE, BEGIN, CREATE [OR REPLACE] PROCEDURE, FUNCTION,
//    PACKAGE [BODY], TRIGGER, TYPE [BODY], LIBRARY, JAVA) runs at "/" alone
//    or ends unrun at "." alone; blank lines and ";" line ends belong to it;
//  - a line starting with the SQLPREFIX character is a SQL*Plus command, also
//    in the middle of a statement;
//  - while DEFINE is on, "&name" and "&&name" are replaced by the variable's
//    value; an undefined variable is an error (nobody answers a prompt);
//  - between statements, REM, PROMPT, SET, DEFINE, SPOOL, WHENEVER and the
//    other SQL*Plus commands are commands, "@file" runs a file, EXIT stops
//    (and so does a failed statement under WHENEVER SQLERROR EXIT);
//    any other line that does not begin a SQL statement or a PL/SQL unit is
//    SQL*Plus's unknown command (SP2-0734).
#pragma once

#include <functional>
#include <map>
#include <string>

#include "tool/script.h"

namespace ocisim::tool {

// Something the reader itself refuses; it counts as a failure of the run.
struct ScriptProblem {
  std::string message;  // "SP2-0027: Input is too long (> 2499 characters) - line ignored"
  int line = 0;
};

struct ScriptReaderEvents {
  std::function<void(const ScriptStatement&)> onStatement;
  std::function<void(const ScriptInclude&)> onInclude;
  std::function<void(const ScriptProblem&)> onProblem;
};

// One SQL*Plus session's reading: its settings and substitution variables
// carry from one script to the scripts it runs and to the next file.
class SqlPlusReader {
 public:
  static constexpr size_t kMaxLineCharacters = 2499;

  void read(const std::string& text, const ScriptReaderEvents& events);
  // After EXIT or QUIT nothing more is read.
  bool exited() const { return exited_; }
  // The run tells the reader that a statement failed: under WHENEVER
  // SQLERROR EXIT the reading ends there, as SQL*Plus exits.
  void statementFailed() {
    if (exitOnError_) exited_ = true;
  }

  // The statements and problems of one text, as "LINE:TEXT" and "LINE:MESSAGE";
  // for tests.
  static std::vector<std::string> readAll(const std::string& text);

 private:
  class Pass;
  friend class Pass;

  bool blankLines_ = false;         // SQLBLANKLINES
  char define_ = '&';               // DEFINE; 0 when off
  char terminator_ = ';';           // SQLTERMINATOR; 0 when off
  char prefix_ = '#';               // SQLPREFIX
  char blockTerminator_ = '.';      // BLOCKTERMINATOR; 0 when off
  char concat_ = '.';               // CONCAT; 0 when off
  char escape_ = 0;                 // ESCAPE; 0 when off
  std::map<std::string, std::string> variables_;  // by upper-case name
  std::string buffer_;              // the SQL buffer: the last statement entered
  bool exited_ = false;
  bool exitOnError_ = false;        // WHENEVER SQLERROR EXIT
};

}  // namespace ocisim::tool
