// A logged-on session (Connection) and its statements: logon, transactions
// with statement-level atomicity, DDL's implicit commits, ALTER SESSION,
// anonymous blocks, and the select/DML path over translated SQLite.
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <cstring>
#include <optional>

#include "engine/core.h"
#include "engine/dict.h"
#include "engine/modern_types.h"
#include "engine/plsql.h"
#include "engine/table_kinds.h"
#include "platform/ascii.h"

namespace ocisim {

std::string databaseFile(const std::string& dataDir, const std::string& name);

namespace {

std::string upperCase(std::string s) {
  for (char& c : s) c = platform::asciiUpper(c);
  return s;
}

// Runs a statement that is not a query inside a savepoint of the session's
// transaction, so that a failure leaves nothing of it behind.
class Atomic {
 public:
  explicit Atomic(Session& s) : s_(s) {
    if (!s_.inTransaction) {
      execSql(s_.db, "BEGIN");
      s_.inTransaction = true;
      began_ = true;
    }
    execSql(s_.db, "SAVEPOINT ocisim_stmt");
  }
  void done() {
    execSql(s_.db, "RELEASE ocisim_stmt");
    finished_ = true;
  }
  ~Atomic() {
    if (finished_) return;
    if (sqlite3_get_autocommit(s_.db)) {  // SQLite gave the transaction up itself
      s_.inTransaction = false;
      return;
    }
    sqlite3_exec(s_.db, "ROLLBACK TO ocisim_stmt", nullptr, nullptr, nullptr);
    sqlite3_exec(s_.db, "RELEASE ocisim_stmt", nullptr, nullptr, nullptr);
    if (began_) {
      // Nothing else is in this transaction: give it up entirely.
      sqlite3_exec(s_.db, "ROLLBACK", nullptr, nullptr, nullptr);
      s_.inTransaction = false;
    }
  }

 private:
  Session& s_;
  bool began_ = false;
  bool finished_ = false;
};

void commitSession(Session& s) {
  if (s.inTransaction && !sqlite3_get_autocommit(s.db)) {
    dict::checkDeferredConstraints(s);
    dict::emptyTransactionTables(s);
    int rc = sqlite3_exec(s.db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throwSqlite(s, rc, sqlite3_errmsg(s.db));
  }
  s.inTransaction = false;
}

void rollbackSession(Session& s) {
  if (!sqlite3_get_autocommit(s.db)) sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
  s.inTransaction = false;
}

int functionCodeFor(const std::vector<Token>& t, StatementKind kind) {
  switch (kind) {
    case StatementKind::Select: return 4;
    case StatementKind::Insert: return 3;
    case StatementKind::Update: return 5;
    case StatementKind::Delete: return 9;
    case StatementKind::Begin:
    case StatementKind::Declare: return 34;
    default: break;
  }
  const std::string& w0 = t[0].upper;
  std::string w1 = t.size() > 1 ? t[1].upper : "";
  std::string obj = w1;
  if (w0 == "CREATE" && w1 == "OR" && t.size() > 3) obj = t[3].upper;
  if (w0 == "CREATE" && (w1 == "UNIQUE" || w1 == "BITMAP")) obj = "INDEX";
  if (obj == "PACKAGE" && t.size() > 4 && (t[2].upper == "BODY" || (t.size() > 4 && t[4].upper == "BODY")))
    obj = "PACKAGE BODY";
  struct Code { const char* verb; const char* object; int code; };
  static const Code codes[] = {
      {"CREATE", "TABLE", 1},     {"DROP", "VIEW", 7},          {"DROP", "TABLE", 8},
      {"CREATE", "VIEW", 10},     {"DROP", "USER", 11},         {"CREATE", "SEQUENCE", 13},
      {"ALTER", "SEQUENCE", 14},  {"DROP", "SEQUENCE", 16},     {"CREATE", "USER", 19},
      {"CREATE", "INDEX", 20},    {"DROP", "INDEX", 21},        {"CREATE", "PROCEDURE", 24},
      {"ALTER", "PROCEDURE", 25}, {"ALTER", "TABLE", 26},       {"CREATE", "SYNONYM", 30},
      {"DROP", "SYNONYM", 31},    {"ALTER", "INDEX", 41},       {"ALTER", "SESSION", 52},
      {"ALTER", "USER", 53},      {"CREATE", "TRIGGER", 59},    {"ALTER", "TRIGGER", 60},
      {"DROP", "TRIGGER", 61},    {"DROP", "PROCEDURE", 68},    {"CREATE", "FUNCTION", 91},
      {"ALTER", "FUNCTION", 92},  {"DROP", "FUNCTION", 93},     {"CREATE", "PACKAGE", 94},
      {"ALTER", "PACKAGE", 95},   {"DROP", "PACKAGE", 96},      {"CREATE", "PACKAGE BODY", 97},
      {"DROP", "PACKAGE BODY", 99},
  };
  for (const Code& c : codes)
    if (w0 == c.verb && obj == c.object) return c.code;
  if (w0 == "GRANT") return 28;
  if (w0 == "REVOKE") return 29;
  if (w0 == "RENAME") return 37;
  if (w0 == "COMMENT") return 38;
  if (w0 == "TRUNCATE") return 85;
  if (w0 == "COMMIT") return 54;
  if (w0 == "ROLLBACK") return 55;
  if (w0 == "SAVEPOINT") return 56;
  if (w0 == "SET") return 33;
  if (w0 == "LOCK") return 35;
  return 0;
}

StatementKind kindOf(const std::vector<Token>& t) {
  const std::string& w = t[0].upper;
  if (t[0].kind == Token::Kind::Operator && t[0].text == "(") return StatementKind::Select;
  if (w == "SELECT" || w == "WITH") return StatementKind::Select;
  if (w == "INSERT") return StatementKind::Insert;
  if (w == "UPDATE") return StatementKind::Update;
  if (w == "DELETE") return StatementKind::Delete;
  if (w == "CREATE") return StatementKind::Create;
  if (w == "DROP") return StatementKind::Drop;
  if (w == "ALTER") return StatementKind::Alter;
  if (w == "BEGIN") return StatementKind::Begin;
  if (w == "DECLARE") return StatementKind::Declare;
  return StatementKind::Unknown;
}

// Strips one trailing ';' the way Oracle's parser would not: a trailing
// semicolon on SQL is ORA-00911, but PL/SQL blocks keep theirs.
void checkTrailingSemicolon(const std::vector<Token>& t, StatementKind kind) {
  if (kind == StatementKind::Begin || kind == StatementKind::Declare) return;
  // A stored unit's text (CREATE PROCEDURE ... END;) holds its own semicolons.
  if (isStoredUnitStatement(t)) return;
  for (size_t i = 0; i + 1 < t.size(); ++i) {
    if (t[i].kind == Token::Kind::Operator && t[i].text == ";") {
      throw OraError(911, "invalid character");
    }
  }
}

std::string errorFor(const std::string& sqlite) { return sqlite; }

}  // namespace

[[noreturn]] void throwSqlite(Session& s, int rc, const char* msgC) {
  std::string msg = msgC ? msgC : "";
  int primary = rc & 0xff;
  if (primary == SQLITE_INTERRUPT) throw OraError(1013, "user requested cancel of current operation");
  // Errors raised by our own functions and triggers carry Oracle's text.
  if (msg.rfind("ORA-", 0) == 0 && msg.size() > 11) {
    int code = std::atoi(msg.c_str() + 4);
    throw OraError(code, msg.substr(11));
  }
  if (primary == SQLITE_CONSTRAINT) throw constraintError(s, msg);
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
    throw OraError(54, "resource busy and acquire with NOWAIT specified or timeout expired");
  // The database file itself failing: what a server says of a data file it
  // cannot open, read or write.
  if (primary == SQLITE_CANTOPEN || primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
    throw OraError(1116, "error in opening database file " + s.database);
  const int extended = s.db ? sqlite3_extended_errcode(s.db) : rc;
  if (extended == SQLITE_IOERR_READ || extended == SQLITE_IOERR_SHORT_READ)
    throw OraError(1115, "IO error reading block from file " + s.database);
  if (primary == SQLITE_IOERR || primary == SQLITE_FULL || primary == SQLITE_READONLY)
    throw OraError(1114, "IO error writing block to file " + s.database);
  const char* nsc = "no such column: ";
  if (msg.rfind(nsc, 0) == 0) {
    std::string name = msg.substr(std::strlen(nsc));
    std::string out;
    size_t dot = name.find('.');
    if (dot != std::string::npos) out = "\"" + name.substr(0, dot) + "\".\"" + name.substr(dot + 1) + "\"";
    else out = "\"" + name + "\"";
    throw OraError(904, out + ": invalid identifier");
  }
  if (msg.rfind("no such table", 0) == 0) throw OraError(942, "table or view does not exist");
  if (msg.rfind("ambiguous column name", 0) == 0) throw OraError(918, "column ambiguously defined");
  if (msg.rfind("no such function", 0) == 0 || msg.find("wrong number of arguments") != std::string::npos)
    throw OraError(904, "invalid identifier");
  if (msg.find("misuse of aggregate") != std::string::npos) throw OraError(934, "group function is not allowed here");
  if (msg.find("GROUP BY") != std::string::npos || msg.find("aggregate") != std::string::npos)
    throw OraError(979, "not a GROUP BY expression");
  if (msg.find("SELECTs to the left and right") != std::string::npos)
    throw OraError(1789, "query block has incorrect number of result columns");
  if (msg.find("syntax error") != std::string::npos || msg.find("incomplete input") != std::string::npos)
    throw OraError(900, "invalid SQL statement");
  if (msg.find("view") != std::string::npos && msg.find("may not be modified") != std::string::npos)
    throw OraError(1732, "data manipulation operation not legal on this view");
  if (msg.find("cannot modify") != std::string::npos && msg.find("view") != std::string::npos)
    throw OraError(1732, "data manipulation operation not legal on this view");
  if (primary == SQLITE_TOOBIG) throw OraError(1489, "result of string concatenation is too long");
  throw OraError(600, "internal error code, arguments: [ocisim], [" + errorFor(msg) + "]");
}

namespace {

class ConnectionImpl;

// A date bound by the client must be one Oracle could hold.
void checkDate(const DateTime& d) {
  static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d.year < -4712 || d.year > 9999 || d.year == 0)
    throw OraError(1841, "(full) year must be between -4713 and +9999, and not be 0");
  if (d.month < 1 || d.month > 12) throw OraError(1843, "not a valid month");
  bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
  if (d.day < 1 || d.day > days[d.month - 1] || (d.month == 2 && d.day == 29 && !leap))
    throw OraError(1847, "day of month must be between 1 and last day of month");
  if (d.hour < 0 || d.hour > 23) throw OraError(1850, "hour must be between 0 and 23");
  if (d.minute < 0 || d.minute > 59) throw OraError(1851, "minutes must be between 0 and 59");
  if (d.second < 0 || d.second > 59) throw OraError(1852, "seconds must be between 0 and 59");
}

// The select list of a prepared query as a describe reports it.  Items of
// the query's own text come in order; a * in the list stands for columns
// that SQLite names, typed by their declared types.  `dynamic` marks columns
// whose type only their values tell (a bind, an expression over one).
void describeResult(sqlite3_stmt* st, const Translation& t, std::vector<ColumnInfo>& columns,
                    std::vector<bool>& dynamic) {
  int n = sqlite3_column_count(st);
  size_t item = 0;
  columns.clear();
  dynamic.clear();
  for (int i = 0; i < n; ++i) {
    const char* nm = sqlite3_column_name(st, i);
    std::string name = nm ? nm : "";
    const char* decl = sqlite3_column_decltype(st, i);
    const ColumnInfo* mine = nullptr;
    bool known = false;
    if (item < t.columns.size() && !t.starColumn[item] && t.columns[item].name == name) {
      mine = &t.columns[item];
      known = t.columnKnown[item];
      ++item;
    } else if (item < t.columns.size() && t.starColumn[item]) {
      ++item;
    }
    ColumnInfo c;
    if (decl && *decl && !known) {
      c = columnInfoFromDecl(name, decl);
    } else if (mine) {
      c = *mine;
    } else {
      c.type = SqlType::Varchar2;
      c.size = 4000;
    }
    c.name = name.size() > 30 ? name.substr(0, 30) : name;
    if (mine && !decl) c.nullable = true;
    columns.push_back(c);
    dynamic.push_back(mine && !known && !decl);
  }
}

class StatementImpl : public Statement {
 public:
  StatementImpl(Session& s, std::string sql, std::vector<Token> tokens)
      : s_(s), sql_(std::move(sql)), tokens_(std::move(tokens)) {
    kind_ = kindOf(tokens_);
    fnCode_ = functionCodeFor(tokens_, kind_);
    checkTrailingSemicolon(tokens_, kind_);
    const std::string& w = tokens_[0].upper;
    if (kind_ == StatementKind::Select || kind_ == StatementKind::Insert || kind_ == StatementKind::Update ||
        kind_ == StatementKind::Delete) {
      compile();
    } else if (kind_ == StatementKind::Begin || kind_ == StatementKind::Declare) {
      route_ = Route::Block;
      collectBlockBinds();
    } else if (w == "COMMIT" || w == "ROLLBACK" || w == "SAVEPOINT") {
      route_ = Route::Transaction;
    } else if (w == "ALTER" && tokens_.size() > 1 && tokens_[1].upper == "SESSION") {
      route_ = Route::AlterSession;
    } else if (w == "SET" && tokens_.size() > 1 && tokens_[1].upper == "TRANSACTION") {
      route_ = Route::Transaction;
    } else if (w == "SET" && tokens_.size() > 1 &&
               (tokens_[1].upper == "CONSTRAINT" || tokens_[1].upper == "CONSTRAINTS")) {
      route_ = Route::Transaction;
    } else if (w == "LOCK") {
      route_ = Route::Transaction;
    } else if (isDictionaryStatement(tokens_)) {
      route_ = Route::Dictionary;
    } else {
      throw OraError(900, "invalid SQL statement");
    }
  }
  ~StatementImpl() override { sqlite3_finalize(st_); }

  StatementKind kind() const override { return kind_; }
  int functionCode() const override { return fnCode_; }
  const std::vector<std::string>& bindNames() const override { return binds_; }
  void bind(size_t index, const Value& value) override {
    if (index >= values_.size()) throw OraError(1036, "illegal variable name/number");
    values_[index] = value;
    // A plain value: no longer a table or a LOB from an earlier bind.
    if (index < isTable_.size()) isTable_[index] = 0;
    if (index < lobKinds_.size()) lobKinds_[index] = 0;
  }
  void bindTable(size_t index, const std::vector<Value>& values) override {
    if (route_ != Route::Block)
      throw OraError(6550, "PLS-00418: array bind type must match PL/SQL table row type");
    if (index >= values_.size()) throw OraError(1036, "illegal variable name/number");
    isTable_[index] = 1;
    tables_[index] = values;
  }
  void bindLob(size_t index, char lobKind, const Value& value) override {
    bind(index, value);
    if (route_ == Route::Block) lobKinds_[index] = lobKind;
  }
  bool boundFile(size_t index, std::string& directory, std::string& file) const override {
    if (index >= files_.size() || !files_[index]) return false;
    directory = files_[index]->first;
    file = files_[index]->second;
    return true;
  }
  bool boundAssigned(size_t index) const override { return index < assigned_.size() && assigned_[index]; }
  Value boundValue(size_t index) const override { return index < values_.size() ? values_[index] : Value::null(); }
  std::vector<Value> boundTable(size_t index) const override {
    return index < tables_.size() ? tables_[index] : std::vector<Value>{};
  }
  std::unique_ptr<Statement> takeCursor(size_t index) override {
    return index < cursors_.size() ? std::move(cursors_[index]) : nullptr;
  }
  const std::vector<ColumnInfo>& describe() override { return columns_; }
  void execute() override;
  bool fetch(std::vector<Value>& row) override;
  uint64_t rowCount() const override { return rows_; }

 private:
  enum class Route { Sql, Block, Transaction, AlterSession, Dictionary };
  enum class Conv { Number, Text, Date, Binary, Dynamic, Modern };

  void compile();
  void describeColumns(const Translation& t);
  void bindAll();
  void readRow(std::vector<Value>& row);
  void alterSession();
  void collectBlockBinds();

  Session& s_;
  std::string sql_;
  std::vector<Token> tokens_;
  StatementKind kind_ = StatementKind::Unknown;
  int fnCode_ = 0;
  Route route_ = Route::Sql;
  sqlite3_stmt* st_ = nullptr;
  std::vector<std::string> binds_;
  std::vector<Value> values_;
  std::vector<char> isTable_;                    // blocks: placeholders bound as PL/SQL tables
  std::vector<std::vector<Value>> tables_;
  std::vector<std::unique_ptr<Statement>> cursors_;  // blocks: cursors opened on placeholders
  std::vector<char> assigned_;                       // blocks: placeholders the last run assigned
  std::vector<char> lobKinds_;                       // blocks: 'C', 'B' or 'F' for LOB placeholders
  std::vector<std::optional<std::pair<std::string, std::string>>> files_;  // blocks: BFILEs left in placeholders
  std::vector<ColumnInfo> columns_;
  std::vector<Conv> conv_;
  uint64_t rows_ = 0;
  bool open_ = false;      // a select result is open
  bool pending_ = false;   // st_ holds a row not yet handed out
  bool executed_ = false;  // a select has been executed at least once
};

void StatementImpl::compile() {
  Translation t = translateStatement(s_, tokens_, sql_);
  binds_ = t.bindNames;
  values_.assign(binds_.size(), Value::null());
  int rc = sqlite3_prepare_v3(s_.db, t.sql.c_str(), static_cast<int>(t.sql.size()), SQLITE_PREPARE_PERSISTENT,
                              &st_, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = sqlite3_errmsg(s_.db);
    sqlite3_finalize(st_);
    st_ = nullptr;
    throwSqlite(s_, rc, msg.c_str());
  }
  if (kind_ == StatementKind::Select) describeColumns(t);
}

void StatementImpl::describeColumns(const Translation& t) {
  std::vector<bool> dynamic;
  describeResult(st_, t, columns_, dynamic);
  conv_.clear();
  for (size_t i = 0; i < columns_.size(); ++i) {
    Conv v = Conv::Text;
    switch (columns_[i].type) {
      case SqlType::Number: v = Conv::Number; break;
      case SqlType::Date: v = Conv::Date; break;
      case SqlType::Raw:
      case SqlType::LongRaw:
      case SqlType::Blob:
      case SqlType::Bfile: v = Conv::Binary; break;
      default: v = isModernType(columns_[i].type) ? Conv::Modern : Conv::Text; break;
    }
    if (dynamic[i]) v = Conv::Dynamic;
    conv_.push_back(v);
  }
}

void StatementImpl::bindAll() {
  sqlite3_reset(st_);
  sqlite3_clear_bindings(st_);
  int n = sqlite3_bind_parameter_count(st_);
  for (int i = 1; i <= n; ++i) {
    size_t idx = static_cast<size_t>(i - 1);
    if (idx >= values_.size()) break;
    const Value& v = values_[idx];
    switch (v.kind) {
      case Value::Kind::Null: sqlite3_bind_null(st_, i); break;
      case Value::Kind::Number: {
        // The client sends digits; whatever it sends is checked before it is stored.
        std::string c;
        if (!canonicalNumber(v.data, c)) throw OraError(1722, "invalid number");
        bindCanonicalNumber(st_, i, c);
        break;
      }
      case Value::Kind::Text:
        // Oracle has no empty string: '' is NULL.
        if (v.data.empty()) sqlite3_bind_null(st_, i);
        else sqlite3_bind_text(st_, i, v.data.data(), static_cast<int>(v.data.size()), SQLITE_TRANSIENT);
        break;
      case Value::Kind::Date: {
        checkDate(v.date);
        std::string d = storedDate(v.date);
        sqlite3_bind_text(st_, i, d.data(), static_cast<int>(d.size()), SQLITE_TRANSIENT);
        break;
      }
      case Value::Kind::Binary:
        if (v.data.empty()) sqlite3_bind_null(st_, i);
        else sqlite3_bind_blob(st_, i, v.data.data(), static_cast<int>(v.data.size()), SQLITE_TRANSIENT);
        break;
      default:
        // The later types travel as their stored texts; a column converts them.
        sqlite3_bind_text(st_, i, v.data.data(), static_cast<int>(v.data.size()), SQLITE_TRANSIENT);
        break;
    }
  }
}

void StatementImpl::execute() {
  rows_ = 0;
  open_ = pending_ = false;
  switch (route_) {
    case Route::Transaction: {
      const std::string& w = tokens_[0].upper;
      if (w == "COMMIT") commitSession(s_);
      else if (w == "ROLLBACK") {
        // ROLLBACK TO [SAVEPOINT] name
        if (tokens_.size() > 3 && tokens_[1].upper == "TO") {
          size_t k = tokens_[2].upper == "SAVEPOINT" ? 3 : 2;
          std::string sp = "ROLLBACK TO \"sp_" + tokens_[k].upper + "\"";
          int rc = sqlite3_exec(s_.db, sp.c_str(), nullptr, nullptr, nullptr);
          if (rc != SQLITE_OK) throw OraError(1086, "savepoint '" + tokens_[k].upper + "' never established in this session or is invalid");
        } else {
          rollbackSession(s_);
        }
      } else if (w == "SET" && tokens_[1].upper != "TRANSACTION") {
        // SET CONSTRAINTS: its choice lasts until the transaction ends.
        Atomic a(s_);
        dict::Cursor c(tokens_, sql_);
        c.next();
        c.next();
        dict::setConstraintsMode(s_, c);
        a.done();
      } else if (w == "SAVEPOINT") {
        if (tokens_.size() < 3) throw OraError(900, "invalid SQL statement");
        if (!s_.inTransaction) {
          execSql(s_.db, "BEGIN");
          s_.inTransaction = true;
        }
        std::string sp = "SAVEPOINT \"sp_" + tokens_[1].upper + "\"";
        execSql(s_.db, sp.c_str());
      }
      return;
    }
    case Route::AlterSession: alterSession(); return;
    case Route::Dictionary: {
      // DDL commits what went before it, and itself.
      commitSession(s_);
      {
        Atomic a(s_);
        executeDictionaryStatement(s_, tokens_, sql_);
        a.done();
      }
      commitSession(s_);
      return;
    }
    case Route::Block: {
      Atomic a(s_);
      for (auto& c : cursors_) c.reset();
      assigned_.assign(binds_.size(), 0);
      files_.assign(binds_.size(), std::nullopt);
      rows_ = runAnonymousBlock(s_, sql_, tokens_,
                                HostBinds{&binds_, &values_, &isTable_, &tables_, &cursors_, &assigned_,
                                          &lobKinds_, &files_});
      a.done();
      return;
    }
    case Route::Sql: break;
  }
  bindAll();
  if (kind_ == StatementKind::Select) {
    int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) {
      pending_ = true;
    } else if (rc != SQLITE_DONE) {
      std::string msg = sqlite3_errmsg(s_.db);
      sqlite3_reset(st_);
      throwSqlite(s_, rc, msg.c_str());
    }
    open_ = true;
    executed_ = true;
    return;
  }
  Atomic a(s_);
  int rc;
  while ((rc = sqlite3_step(st_)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) {
    std::string msg = sqlite3_errmsg(s_.db);
    sqlite3_reset(st_);
    throwSqlite(s_, rc, msg.c_str());
  }
  rows_ = static_cast<uint64_t>(sqlite3_changes64(s_.db));
  sqlite3_reset(st_);
  a.done();
}

void StatementImpl::readRow(std::vector<Value>& row) {
  size_t n = conv_.size();
  if (row.size() != n) row.resize(n);
  for (size_t i = 0; i < n; ++i) {
    int col = static_cast<int>(i);
    Value& v = row[i];
    int type = sqlite3_column_type(st_, col);
    if (type == SQLITE_NULL) {
      v.kind = Value::Kind::Null;
      v.data.clear();
      continue;
    }
    Conv c = conv_[i];
    if (c == Conv::Dynamic) {
      if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) c = Conv::Number;
      else if (type == SQLITE_BLOB) c = Conv::Binary;
      else c = Conv::Text;
    }
    switch (c) {
      case Conv::Number:
        v.kind = Value::Kind::Number;
        if (type == SQLITE_INTEGER) {
          char buf[24];
          auto r = std::to_chars(buf, buf + sizeof buf, static_cast<int64_t>(sqlite3_column_int64(st_, col)));
          v.data.assign(buf, r.ptr);
        } else if (!numberOfColumn(st_, col, v.data)) {
          const unsigned char* p = sqlite3_column_text(st_, col);
          v.kind = Value::Kind::Text;
          v.data.assign(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(st_, col)));
        }
        break;
      case Conv::Date: {
        const unsigned char* p = sqlite3_column_text(st_, col);
        std::string_view t(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(st_, col)));
        if (parseStoredDate(t, v.date)) {
          v.kind = Value::Kind::Date;
          v.data.clear();
        } else {
          v.kind = Value::Kind::Text;
          v.data.assign(t);
        }
        break;
      }
      case Conv::Modern:
        v = modernValue(columns_[i].type, st_, col);
        break;
      case Conv::Binary: {
        const void* p = sqlite3_column_blob(st_, col);
        v.kind = Value::Kind::Binary;
        v.data.assign(static_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(st_, col)));
        break;
      }
      default: {
        if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
          // A number in a character column reads as Oracle's text of it.
          std::string num;
          numberOfColumn(st_, col, num);
          v.kind = Value::Kind::Text;
          v.data = num;
          break;
        }
        const unsigned char* p = sqlite3_column_text(st_, col);
        v.kind = Value::Kind::Text;
        v.data.assign(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(st_, col)));
        break;
      }
    }
  }
}

bool StatementImpl::fetch(std::vector<Value>& row) {
  if (!open_) {
    // Before the first execute there is nothing to fetch from; after the
    // last row every further fetch finds no data.
    if (kind_ == StatementKind::Select && !executed_) throw OraError(1002, "fetch out of sequence");
    return false;
  }
  if (!pending_) {
    int rc = sqlite3_step(st_);
    if (rc == SQLITE_DONE) {
      open_ = false;
      sqlite3_reset(st_);
      return false;
    }
    if (rc != SQLITE_ROW) {
      std::string msg = sqlite3_errmsg(s_.db);
      open_ = false;
      sqlite3_reset(st_);
      throwSqlite(s_, rc, msg.c_str());
    }
  }
  pending_ = false;
  readRow(row);
  ++rows_;
  return true;
}

void StatementImpl::alterSession() {
  // ALTER SESSION SET name = value [name = value ...]
  size_t i = 2;
  if (tokens_.size() < 4 || tokens_[i].upper != "SET") {
    // ALTER SESSION ENABLE/DISABLE ..., CLOSE DATABASE LINK ...: accepted.
    if (tokens_.size() < 3) throw OraError(922, "missing or invalid option");
    return;
  }
  ++i;
  while (tokens_[i].kind != Token::Kind::End) {
    if (tokens_[i].kind != Token::Kind::Word) throw OraError(922, "missing or invalid option");
    std::string name = tokens_[i].upper;
    ++i;
    if (tokens_[i].text != "=") throw OraError(922, "missing or invalid option");
    ++i;
    if (tokens_[i].kind == Token::Kind::End) throw OraError(922, "missing or invalid option");
    const Token& v = tokens_[i];
    if (name == "NLS_DATE_FORMAT") {
      if (v.kind != Token::Kind::String) throw OraError(922, "missing or invalid option");
      // A bad format is refused here, as Oracle does.
      formatDate(DateTime{}, v.text);
      s_.nlsDateFormat = v.text;
    } else if (name == "CURRENT_SCHEMA") {
      // accepted; the session keeps its own schema
    }
    ++i;
  }
}

void StatementImpl::collectBlockBinds() {
  for (const Token& t : tokens_) {
    if (t.kind != Token::Kind::Bind) continue;
    bool seen = false;
    for (const auto& b : binds_) seen = seen || b == t.upper;
    if (!seen) binds_.push_back(t.upper);
  }
  values_.assign(binds_.size(), Value::null());
  isTable_.assign(binds_.size(), 0);
  lobKinds_.assign(binds_.size(), 0);
  tables_.assign(binds_.size(), {});
  cursors_.clear();
  cursors_.resize(binds_.size());
}

class ConnectionImpl : public Connection {
 public:
  ConnectionImpl(const std::string& dataDir, const std::string& database) {
    s_.dataDir = dataDir;
    s_.database = database;
    std::string path = databaseFile(dataDir, database);
    if (sqlite3_open_v2(path.c_str(), &s_.db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      sqlite3_close(s_.db);
      s_.db = nullptr;
      // No such database is a name nobody knows; a file that is there but
      // will not open is the database's own fault.
      if (::access(path.c_str(), F_OK) != 0)
        throw OraError(12154, "TNS:could not resolve the connect identifier specified");
      throw OraError(1116, "error in opening database file " + database);
    }
    sqlite3_busy_timeout(s_.db, 10000);
    // A double-quoted name is always a name, never a string.
    sqlite3_db_config(s_.db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(s_.db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_exec(s_.db, "PRAGMA foreign_keys=OFF; PRAGMA recursive_triggers=ON", nullptr, nullptr, nullptr);
    configureStorage(s_.db);
    registerFunctions(s_.db, &s_);
    ensureCatalogIndexes(s_.db);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(s_.db, "SELECT value FROM ocisim_meta WHERE key = 'banner'", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
      banner_ = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    }
    sqlite3_finalize(st);
  }
  ~ConnectionImpl() override {
    if (s_.db) {
      rollbackSession(s_);
      try {
        dict::emptySessionTables(s_);
      } catch (const OraError&) {
      }
      sqlite3_close_v2(s_.db);
    }
  }

  int logon(const std::string& user, const std::string& password, std::string* warning) override {
    std::string u = upperCase(user);
    sqlite3_stmt* st = nullptr;
    std::string stored, status;
    bool found = false;
    int rc = sqlite3_prepare_v2(s_.db, "SELECT password, account_status FROM ocisim_users WHERE username = ?1", -1,
                                &st, nullptr);
    if (rc == SQLITE_OK) {
      sqlite3_bind_text(st, 1, u.c_str(), -1, SQLITE_TRANSIENT);
      rc = sqlite3_step(st);
      if (rc == SQLITE_ROW) {
        found = true;
        stored = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        const unsigned char* p = sqlite3_column_text(st, 1);
        status = p ? reinterpret_cast<const char*>(p) : "OPEN";
      }
    }
    sqlite3_finalize(st);
    // A database that cannot be read is not a wrong password.
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE) throwSqlite(s_, rc, sqlite3_errmsg(s_.db));
    if (!found || stored != password || u.empty())
      throw OraError(1017, "invalid username/password; logon denied");
    if (status == "LOCKED") throw OraError(28000, "the account is locked");
    s_.user = u;
    s_.nlsDateFormat = "DD-MON-RR";
    if (status == "EXPIRING") {
      if (warning) *warning = "ORA-28002: the password will expire within 7 days";
      return 28002;
    }
    if (warning) warning->clear();
    return 0;
  }
  std::string user() const override { return s_.user; }
  std::string versionBanner() const override { return banner_; }

  std::unique_ptr<Statement> prepare(const std::string& sql) override {
    if (s_.user.empty()) throw OraError(1012, "not logged on");
    return prepareStatement(s_, sql);
  }

  void commit() override { commitSession(s_); }
  void rollback() override { rollbackSession(s_); }
  void interrupt() override { sqlite3_interrupt(s_.db); }

  std::string formatDate(const DateTime& d) const override { return ocisim::formatDate(d, s_.nlsDateFormat); }

 private:
  Session s_;
  std::string banner_;
};

}  // namespace

std::unique_ptr<Connection> openConnection(const std::string& dataDir, const std::string& serviceName) {
  return std::make_unique<ConnectionImpl>(dataDir, serviceName);
}

std::unique_ptr<Statement> prepareStatement(Session& s, const std::string& sql) {
  std::vector<Token> tokens = tokenize(sql);
  if (tokens.size() == 1) throw OraError(900, "invalid SQL statement");
  return std::make_unique<StatementImpl>(s, sql, std::move(tokens));
}

void reopenBlockTransaction(Session& s) {
  if (!sqlite3_get_autocommit(s.db)) return;
  execSql(s.db, "BEGIN");
  s.inTransaction = true;
  execSql(s.db, "SAVEPOINT ocisim_stmt");
}

std::vector<ColumnInfo> describeQuery(Session& s, const std::string& oracleSelect) {
  std::vector<Token> tokens = tokenize(oracleSelect);
  Translation t = translateStatement(s, tokens, oracleSelect);
  if (t.kind != StatementKind::Select) throw OraError(928, "missing SELECT keyword");
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v2(s.db, t.sql.c_str(), static_cast<int>(t.sql.size()), &st, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = sqlite3_errmsg(s.db);
    sqlite3_finalize(st);
    throwSqlite(s, rc, msg.c_str());
  }
  std::vector<ColumnInfo> columns;
  std::vector<bool> dynamic;
  describeResult(st, t, columns, dynamic);
  sqlite3_finalize(st);
  return columns;
}

}  // namespace ocisim
