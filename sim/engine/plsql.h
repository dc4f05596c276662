// Anonymous PL/SQL blocks: the part of PL/SQL that scripts and clients send
// as one statement (declarations, assignments, IF and loops, SQL with
// variables, SELECT ... INTO, RETURNING ... INTO, EXECUTE IMMEDIATE,
// DBMS_LOB on a row's LOB, exception handlers).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/core.h"

namespace ocisim {

// A block's host variables (":name" placeholders): their names in order of
// first appearance and their values, which the block may assign.
struct HostBinds {
  const std::vector<std::string>* names = nullptr;
  std::vector<Value>* values = nullptr;
  // Per placeholder: whether it is bound as a PL/SQL table, its elements
  // (index 1 first), and the cursor the block opened on it.
  std::vector<char>* isTable = nullptr;
  std::vector<std::vector<Value>>* tables = nullptr;
  std::vector<std::unique_ptr<Statement>>* cursors = nullptr;
  std::vector<char>* assigned = nullptr;  // set for each placeholder the block assigns
  // Per placeholder: 'C', 'B' or 'F' when it is bound as a CLOB, BLOB or
  // BFILE locator, 0 otherwise; and the BFILE the block left in it.
  const std::vector<char>* lobKinds = nullptr;
  std::vector<std::optional<std::pair<std::string, std::string>>>* files = nullptr;
};

// Runs the block whose text is `sql` (tokens from tokenize).  Throws OraError
// as Oracle reports it: ORA-06550 with the PLS- error for a block it cannot
// compile, the failing statement's own error otherwise.  The caller makes
// the whole run atomic.  Returns the rows the last SQL statement processed.
uint64_t runAnonymousBlock(Session& s, const std::string& sql, const std::vector<Token>& tokens, HostBinds host);

// ---- provided by the session ---------------------------------------------------

// Prepares one statement of the session as Connection::prepare does.
std::unique_ptr<Statement> prepareStatement(Session& s, const std::string& sql);
// After a COMMIT, a ROLLBACK or DDL inside a block, the block goes on in a
// new transaction with its statement savepoint in place again.
void reopenBlockTransaction(Session& s);

}  // namespace ocisim
