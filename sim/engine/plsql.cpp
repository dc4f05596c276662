// The anonymous block interpreter.
//
// A block is read twice.  The first reading only parses: it declares every
// variable, checks every PL/SQL name and prepares every static SQL statement,
// so that a block Oracle would not compile fails before any of it runs
// (ORA-06550 with the PLS- error and where it is).  The second reading runs
// it, walking the same tokens; a branch not taken is parsed without running.
//
// SQL statements inside the block are prepared as statements of their own,
// with each PL/SQL variable they name turned into a placeholder.  A name that
// is also a column of a table the statement names is the column, as PL/SQL
// resolves it.
#include "engine/plsql.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <set>
#include <tuple>

#include "engine/plsql_values.h"

namespace ocisim {

namespace {

using plsql::Datum;
using plsql::Lob;
using plsql::Type;
using plsql::TypeSpec;

constexpr int kMaxVarchar = 32767;

bool isOp(const Token& t, const char* op) { return t.kind == Token::Kind::Operator && t.text == op; }
bool isWord(const Token& t, const char* w) { return t.kind == Token::Kind::Word && t.upper == w; }

std::string quoteIdent(const std::string& n) {
  std::string out = "\"";
  for (char c : n) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

struct Var {
  std::string name;       // upper case unless quoted
  TypeSpec declType;
  Datum value;
  bool constant = false;
  bool notNull = false;
  bool isException = false;
  int errorCode = 0;      // an exception tied to an Oracle error by PRAGMA EXCEPTION_INIT
  bool record = false;    // a cursor FOR loop's record; its fields are variables named "R.FIELD"
  size_t id = 0;          // unique within the run: its placeholder is :"#<id>"
};

// The named exceptions of package STANDARD and the errors they stand for.
const std::map<std::string, int>& namedExceptions() {
  static const std::map<std::string, int> m = {
      {"NO_DATA_FOUND", 1403},    {"TOO_MANY_ROWS", 1422},  {"DUP_VAL_ON_INDEX", 1},
      {"VALUE_ERROR", 6502},      {"ZERO_DIVIDE", 1476},    {"INVALID_NUMBER", 1722},
      {"INVALID_CURSOR", 1001},   {"CURSOR_ALREADY_OPEN", 6511}, {"LOGIN_DENIED", 1017},
      {"NOT_LOGGED_ON", 1012},    {"TIMEOUT_ON_RESOURCE", 51}, {"STORAGE_ERROR", 6500},
      {"PROGRAM_ERROR", 6501},    {"ROWTYPE_MISMATCH", 6504}, {"CASE_NOT_FOUND", 6592},
  };
  return m;
}

// A user-defined exception raised by RAISE: ORA-06510 carrying its name.
class UserException : public OraError {
 public:
  explicit UserException(size_t id) : OraError(6510, "PL/SQL: unhandled user-defined exception"), id_(id) {}
  size_t id() const { return id_; }

 private:
  size_t id_;
};

struct ExitSignal {
  std::string label;
};
struct ReturnSignal {};

class Interpreter {
 public:
  Interpreter(Session& s, const std::string& sql, const std::vector<Token>& tokens, HostBinds host)
      : s_(s), sql_(sql), t_(tokens), host_(host) {}

  uint64_t run() {
    skip_ = true;
    checking_ = true;
    p_ = 0;
    topBlock();
    checking_ = false;
    skip_ = false;
    scopes_.clear();
    p_ = 0;
    try {
      topBlock();
    } catch (const ReturnSignal&) {
    }
    flushLobs();
    return rows_;
  }

 private:
  // ---- tokens ---------------------------------------------------------------
  const Token& peek(size_t k = 0) const { return t_[std::min(p_ + k, t_.size() - 1)]; }
  const Token& next() {
    const Token& t = t_[p_];
    if (p_ + 1 < t_.size()) ++p_;
    return t;
  }
  bool acceptWord(const char* w) {
    if (!isWord(peek(), w)) return false;
    next();
    return true;
  }
  bool acceptOp(const char* op) {
    if (!isOp(peek(), op)) return false;
    next();
    return true;
  }
  std::string shown(const Token& t) const {
    if (t.kind == Token::Kind::End) return "end-of-file";
    if (t.kind == Token::Kind::String) return "'" + t.text + "'";
    return t.upper;
  }
  [[noreturn]] void unexpected(const char* expecting) {
    throw error(peek(), "PLS-00103: Encountered the symbol \"" + shown(peek()) +
                            "\" when expecting one of the following:\n\n   " + expecting);
  }
  void expectWord(const char* w) {
    if (!acceptWord(w)) unexpected(w);
  }
  void expectOp(const char* op) {
    if (!acceptOp(op)) unexpected(op);
  }
  bool isName(const Token& t) const { return t.kind == Token::Kind::Word || t.kind == Token::Kind::QuotedName; }
  std::string nameOf(const Token& t) const { return t.kind == Token::Kind::QuotedName ? t.text : t.upper; }
  std::string name() {
    if (!isName(peek())) unexpected("<an identifier>");
    return nameOf(next());
  }

  // ORA-06550 at a token, with the PLS- error text, as PL/SQL reports a block
  // it cannot compile.
  OraError error(const Token& at, const std::string& detail, const std::string& ignored = "Statement ignored") const {
    size_t line = 1, col = 1;
    for (size_t k = 0; k < at.offset && k < sql_.size(); ++k) {
      if (sql_[k] == '\n') {
        line = line + 1;
        col = 1;
      } else {
        ++col;
      }
    }
    std::string where = "line " + std::to_string(line) + ", column " + std::to_string(col) + ":\n";
    return OraError(6550, where + detail + "\nORA-06550: " + where + "PL/SQL: " + ignored);
  }
  // An error of a value or conversion met while running, placed at a token
  // when it is one PL/SQL finds at compile time.
  OraError undeclared(const Token& at, const std::string& n) const {
    return error(at, "PLS-00201: identifier '" + n + "' must be declared");
  }

  // ---- scopes -------------------------------------------------------------
  struct Scope {
    std::vector<std::shared_ptr<Var>> vars;
  };
  std::vector<Scope> scopes_;
  size_t nextId_ = 0;

  struct ScopeGuard {
    explicit ScopeGuard(Interpreter& in) : in_(in) { in_.scopes_.emplace_back(); }
    ~ScopeGuard() { in_.scopes_.pop_back(); }
    Interpreter& in_;
  };
  struct SkipGuard {
    SkipGuard(Interpreter& in, bool skip) : in_(in), old_(in.skip_) { in_.skip_ = in_.skip_ || skip; }
    ~SkipGuard() { in_.skip_ = old_; }
    Interpreter& in_;
    bool old_;
  };

  Var* lookup(const std::string& n) {
    for (auto sc = scopes_.rbegin(); sc != scopes_.rend(); ++sc)
      for (auto it = sc->vars.rbegin(); it != sc->vars.rend(); ++it)
        if ((*it)->name == n) return it->get();
    return nullptr;
  }
  Var* varById(size_t id) {
    for (auto& sc : scopes_)
      for (auto& v : sc.vars)
        if (v->id == id) return v.get();
    return nullptr;
  }
  int hostIndex(const std::string& n) const {
    if (!host_.names) return -1;
    for (size_t i = 0; i < host_.names->size(); ++i)
      if ((*host_.names)[i] == n) return static_cast<int>(i);
    return -1;
  }
  // 'C', 'B' or 'F' for a placeholder bound as a CLOB, BLOB or BFILE locator.
  char hostLobKind(int i) const {
    if (i < 0 || !host_.lobKinds || static_cast<size_t>(i) >= host_.lobKinds->size()) return 0;
    return (*host_.lobKinds)[static_cast<size_t>(i)];
  }
  Datum hostValue(const std::string& n) {
    int i = hostIndex(n);
    if (i < 0 || !host_.values) return Datum::scalar(Value::null());
    const Value& v = (*host_.values)[static_cast<size_t>(i)];
    char lobKind = hostLobKind(i);
    if (!lobKind) return Datum::scalar(v);
    // A LOB placeholder reads as a locator: of the BFILE the block left in
    // it, or of a LOB holding the value that came in.
    if (host_.files && (*host_.files)[static_cast<size_t>(i)]) {
      auto lob = std::make_shared<Lob>();
      lob->binary = lob->file = true;
      lob->directory = (*host_.files)[static_cast<size_t>(i)]->first;
      lob->fileName = (*host_.files)[static_cast<size_t>(i)]->second;
      return Datum::locator(lob);
    }
    if (v.isNull()) return Datum::locator(nullptr);
    auto lob = std::make_shared<Lob>();
    lob->binary = lobKind != 'C';
    lob->data = v.data;
    return Datum::locator(lob);
  }
  // Leaves a value in a placeholder: the block's OUT value.
  void setHost(int i, const Datum& d) {
    if (host_.assigned) (*host_.assigned)[static_cast<size_t>(i)] = 1;
    if (host_.files) (*host_.files)[static_cast<size_t>(i)].reset();
    if (d.kind == Datum::Kind::Lob && d.lob && d.lob->file) {
      if (hostLobKind(i) != 'F') throw OraError(6550, "PLS-00382: expression is of wrong type");
      if (host_.files) (*host_.files)[static_cast<size_t>(i)] = std::make_pair(d.lob->directory, d.lob->fileName);
      (*host_.values)[static_cast<size_t>(i)] = Value::binary({});
      return;
    }
    (*host_.values)[static_cast<size_t>(i)] = plsql::sqlValue(d);
  }

  // ---- blocks ---------------------------------------------------------------
  struct BlockShape {
    size_t handlers = 0;  // the EXCEPTION keyword, 0 when there is none
    size_t end = 0;       // the END keyword
  };
  std::map<size_t, BlockShape> blocks_;  // by the position after BEGIN
  std::map<size_t, size_t> loops_;       // loop body start -> its END LOOP

  void topBlock() {
    std::string label = blockLabel();
    block(label);
    if (peek().kind != Token::Kind::End) unexpected("end-of-file");
  }

  std::string blockLabel() {
    if (isOp(peek(), "<") && isOp(peek(1), "<") && isName(peek(2)) && isOp(peek(3), ">") && isOp(peek(4), ">")) {
      next();
      next();
      std::string l = name();
      next();
      next();
      return l;
    }
    return {};
  }

  // [DECLARE declarations] BEGIN statements [EXCEPTION handlers] END [label];
  void block(const std::string& label) {
    ScopeGuard scope(*this);
    if (acceptWord("DECLARE")) declarations();
    if (!acceptWord("BEGIN")) unexpected("begin function pragma procedure subtype type <an identifier>");
    size_t bodyStart = p_;
    if (skip_) {
      statements();
      BlockShape shape;
      if (isWord(peek(), "EXCEPTION")) {
        shape.handlers = p_;
        next();
        handlers(nullptr);
      }
      shape.end = p_;
      if (checking_) blocks_[bodyStart] = shape;
      endOf(label);
      return;
    }
    const BlockShape shape = blocks_.at(bodyStart);
    if (shape.handlers == 0) {
      statements();
    } else {
      try {
        statements();
      } catch (const OraError& e) {
        if (e.code() == 1013) throw;  // a cancel is no error of the block's own
        // The failing statement undid itself; what went before it stays, as
        // a handled exception keeps it.
        p_ = shape.handlers + 1;
        if (!handlers(&e)) throw;
      }
    }
    p_ = shape.end;
    endOf(label);
  }

  void endOf(const std::string& label) {
    expectWord("END");
    if (isName(peek()) && !isOp(peek(), ";")) {
      std::string l = name();
      if (!label.empty() && l != label) throw error(t_[p_ - 1], "PLS-00113: END identifier '" + l + "' must match '" + label + "' at line 1, column 1");
    }
    expectOp(";");
  }

  // WHEN name [OR name ...] THEN statements ...  With `raised`, runs the
  // first handler that names the error and returns whether one did.
  bool handlers(const OraError* raised) {
    bool handled = false;
    if (!isWord(peek(), "WHEN")) unexpected("when");
    while (acceptWord("WHEN")) {
      bool matches = false;
      while (true) {
        const Token& at = peek();
        std::string n = name();
        if (acceptOp(".")) n += "." + name();
        if (n == "OTHERS") {
          matches = true;
        } else if (auto it = namedExceptions().find(n); it != namedExceptions().end()) {
          matches = matches || (raised && raised->code() == it->second);
        } else if (Var* v = lookup(n); v && v->isException) {
          auto* user = dynamic_cast<const UserException*>(raised);
          matches = matches || (user && user->id() == v->id) ||
                    (v->errorCode != 0 && raised && !user && raised->code() == v->errorCode);
        } else {
          throw undeclared(at, n);
        }
        if (!acceptWord("OR")) break;
      }
      expectWord("THEN");
      bool runIt = raised && !handled && matches;
      ++handlerDepth_;
      struct Leave {
        ~Leave() { --depth; }
        int& depth;
      } leave{handlerDepth_};
      if (runIt) {
        handled = true;
        reopenBlockTransaction(s_);
        errors_.push_back(*raised);
        struct Pop {
          ~Pop() { v.pop_back(); }
          std::vector<OraError>& v;
        } pop{errors_};
        statements();
      } else {
        SkipGuard skip(*this, true);
        statements();
      }
    }
    return handled;
  }
  std::vector<OraError> errors_;  // errors being handled, for SQLCODE and SQLERRM

  // ---- declarations -------------------------------------------------------
  void declarations() {
    while (!isWord(peek(), "BEGIN")) {
      if (peek().kind == Token::Kind::End) unexpected("begin");
      if (acceptWord("PRAGMA")) {
        exceptionInit();
        continue;
      }
      if (isWord(peek(), "PROCEDURE") || isWord(peek(), "FUNCTION") || isWord(peek(), "TYPE") ||
          isWord(peek(), "CURSOR") || isWord(peek(), "SUBTYPE"))
        throw error(peek(), "PLS-00999: implementation restriction (may be temporary) " + peek().upper +
                                " declarations in anonymous blocks",
                    "Item ignored");
      const Token& at = peek();
      auto v = std::make_shared<Var>();
      v->name = name();
      v->id = nextId_++;
      if (acceptWord("EXCEPTION")) {
        v->isException = true;
        expectOp(";");
        scopes_.back().vars.push_back(v);
        continue;
      }
      v->constant = acceptWord("CONSTANT");
      v->declType = typeSpec();
      if (acceptWord("NOT")) {
        expectWord("NULL");
        v->notNull = true;
      }
      v->value = initialValue(v->declType);
      if (acceptOp(":=") || acceptWord("DEFAULT")) {
        Datum d = expression();
        if (!skip_) v->value = plsql::convertTo(s_, v->declType, d);
      } else if (v->constant) {
        throw error(at, "PLS-00322: declaration of a constant '" + v->name + "' must contain an initialization assignment",
                    "Item '" + v->name + "' ignored");
      } else if (v->notNull) {
        throw error(at, "PLS-00218: a variable declared NOT NULL must have an initialization assignment",
                    "Item '" + v->name + "' ignored");
      }
      if (!skip_ && v->notNull && v->value.isNull()) throw plsql::valueError("");
      expectOp(";");
      scopes_.back().vars.push_back(v);
    }
  }

  // PRAGMA EXCEPTION_INIT(name, -code); ties a declared exception to an
  // Oracle error, so that its handler catches that error.  Other pragmas
  // change how the block runs and are refused rather than ignored.
  void exceptionInit() {
    const Token& at = peek();
    if (!acceptWord("EXCEPTION_INIT"))
      throw error(at, "PLS-00999: implementation restriction (may be temporary) PRAGMA " + shown(at), "Item ignored");
    expectOp("(");
    const Token& nt = peek();
    std::string n = name();
    Var* v = lookup(n);
    if (!v || !v->isException) throw undeclared(nt, n);
    expectOp(",");
    bool negative = acceptOp("-");
    const Token& code = peek();
    if (code.kind != Token::Kind::Number) unexpected("<an integer>");
    next();
    long value = std::strtol(code.text.c_str(), nullptr, 10) * (negative ? -1 : 1);
    // Error numbers are negative, except 100 for "no data found".
    if (value != 100 && (value >= 0 || value < -1000000))
      throw error(code, "PLS-00701: illegal ORACLE error number " + std::to_string(value) + " for PRAGMA EXCEPTION_INIT",
                  "Item ignored");
    expectOp(")");
    expectOp(";");
    v->errorCode = value == 100 ? 1403 : static_cast<int>(-value);
  }

  Datum initialValue(const TypeSpec& declType) const {
    if (declType.type == Type::Boolean) return Datum::nullBoolean();
    if (declType.type == Type::Clob || declType.type == Type::Blob) return Datum::locator(nullptr);
    return Datum::scalar(Value::null());
  }

  int lengthIn(int max) {
    const Token& at = peek();
    if (!acceptOp("(")) {
      throw error(at, "PLS-00215: String length constraints must be in range (1 .. " + std::to_string(max) + ")",
                  "Item ignored");
    }
    const Token& n = peek();
    if (n.kind != Token::Kind::Number) unexpected("<an integer>");
    next();
    long v = std::strtol(n.text.c_str(), nullptr, 10);
    if (v < 1 || v > max)
      throw error(n, "PLS-00215: String length constraints must be in range (1 .. " + std::to_string(max) + ")",
                  "Item ignored");
    if (!acceptWord("BYTE")) acceptWord("CHAR");
    expectOp(")");
    return static_cast<int>(v);
  }

  TypeSpec typeSpec() {
    const Token& at = peek();
    std::string w = name();
    TypeSpec declType;
    if (acceptOp("%")) {
      // table.column%TYPE
      return columnType(at, w);
    }
    if (isOp(peek(), ".") && isName(peek(1)) && isOp(peek(2), "%")) {
      next();
      std::string column = name();
      next();
      return columnType(at, w + "." + column);
    }
    if (w == "NUMBER" || w == "FLOAT" || w == "DECIMAL" || w == "NUMERIC" || w == "DEC" || w == "REAL" ||
        w == "BINARY_DOUBLE" || w == "BINARY_FLOAT" || w == "DOUBLE") {
      if (w == "DOUBLE") expectWord("PRECISION");
      declType.type = Type::Number;
      if (acceptOp("(")) {
        while (!isOp(peek(), ")") && peek().kind != Token::Kind::End) next();
        expectOp(")");
      }
    } else if (w == "INTEGER" || w == "INT" || w == "SMALLINT" || w == "PLS_INTEGER" || w == "BINARY_INTEGER" ||
               w == "NATURAL" || w == "NATURALN" || w == "POSITIVE" || w == "POSITIVEN" || w == "SIMPLE_INTEGER") {
      declType.type = Type::Integer;
    } else if (w == "VARCHAR2" || w == "VARCHAR" || w == "NVARCHAR2" || w == "STRING") {
      declType.type = Type::Varchar2;
      declType.size = lengthIn(kMaxVarchar);
    } else if (w == "CHAR" || w == "NCHAR" || w == "CHARACTER") {
      declType.type = Type::Char;
      declType.size = isOp(peek(), "(") ? lengthIn(kMaxVarchar) : 1;
    } else if (w == "RAW") {
      declType.type = Type::Raw;
      declType.size = lengthIn(kMaxVarchar);
    } else if (w == "LONG") {
      declType.type = acceptWord("RAW") ? Type::LongRaw : Type::Long;
      declType.size = 32760;
    } else if (w == "DATE") {
      declType.type = Type::Date;
    } else if (w == "CLOB" || w == "NCLOB") {
      declType.type = Type::Clob;
    } else if (w == "BLOB") {
      declType.type = Type::Blob;
    } else if (w == "BOOLEAN") {
      declType.type = Type::Boolean;
    } else {
      throw undeclared(at, w);
    }
    return declType;
  }

  TypeSpec columnType(const Token& at, const std::string& ref) {
    expectWord("TYPE");
    if (Var* v = lookup(ref)) return v->declType;
    size_t dot = ref.find('.');
    if (dot == std::string::npos) throw undeclared(at, ref);
    std::vector<ColumnInfo> cols;
    try {
      cols = describeQuery(s_, "SELECT " + quoteIdent(ref.substr(dot + 1)) + " FROM " + quoteIdent(ref.substr(0, dot)));
    } catch (const OraError&) {
      throw undeclared(at, ref);
    }
    return typeOfColumn(cols.at(0));
  }

  static TypeSpec typeOfColumn(const ColumnInfo& c) {
    TypeSpec declType;
    switch (c.type) {
      case SqlType::Number: declType.type = Type::Number; break;
      case SqlType::Date: declType.type = Type::Date; break;
      case SqlType::Raw: declType = {Type::Raw, c.size}; break;
      case SqlType::LongRaw: declType = {Type::LongRaw, 32760}; break;
      case SqlType::Long: declType = {Type::Long, 32760}; break;
      case SqlType::Clob: declType.type = Type::Clob; break;
      case SqlType::Blob: declType.type = Type::Blob; break;
      default: declType = {Type::Varchar2, std::max(c.size, 1)}; break;
    }
    return declType;
  }

  // ---- statements -----------------------------------------------------------
  bool atStatementsEnd() const {
    const Token& t = peek();
    return t.kind == Token::Kind::End || isWord(t, "END") || isWord(t, "ELSE") || isWord(t, "ELSIF") ||
           isWord(t, "EXCEPTION") || isWord(t, "WHEN");
  }

  void statements() {
    size_t count = 0;
    while (!atStatementsEnd()) {
      statement();
      ++count;
    }
    if (count == 0)
      unexpected("begin case declare exit for goto if loop mod null pragma raise return select update while with "
                 "<an identifier>");
  }

  void statement() {
    std::string label = blockLabel();
    const Token& first = peek();
    const std::string& w = first.kind == Token::Kind::Word ? first.upper : std::string();
    if (w == "NULL" && isOp(peek(1), ";")) {
      next();
      next();
    } else if (w == "BEGIN" || w == "DECLARE") {
      block(label);
    } else if (w == "IF") {
      ifStatement();
    } else if (w == "LOOP" || w == "WHILE" || w == "FOR") {
      loopStatement(label);
    } else if (w == "EXIT") {
      if (loopDepth_ == 0)
        throw error(first, "PLS-00376: illegal EXIT/CONTINUE statement; it must appear inside a loop");
      next();
      std::string target;
      if (isName(peek()) && !isWord(peek(), "WHEN")) target = name();
      bool leave = true;
      if (acceptWord("WHEN")) leave = condition();
      expectOp(";");
      if (!skip_ && leave) throw ExitSignal{target};
    } else if (w == "RETURN") {
      next();
      expectOp(";");
      if (!skip_) throw ReturnSignal{};
    } else if (w == "RAISE") {
      raiseStatement();
    } else if (w == "EXECUTE" && isWord(peek(1), "IMMEDIATE")) {
      executeImmediate();
    } else if (w == "SELECT" || w == "WITH" || w == "INSERT" || w == "UPDATE" || w == "DELETE" || w == "MERGE" ||
               w == "LOCK" || w == "COMMIT" || w == "ROLLBACK" || w == "SAVEPOINT" ||
               (w == "SET" && isWord(peek(1), "TRANSACTION"))) {
      sqlStatement();
    } else if (w == "OPEN" && peek(1).kind == Token::Kind::Bind) {
      openCursor();
    } else if (w == "CLOSE" && peek(1).kind == Token::Kind::Bind) {
      next();
      int host = hostIndex(next().upper);
      expectOp(";");
      if (!skip_ && host >= 0 && host_.cursors) (*host_.cursors)[static_cast<size_t>(host)].reset();
    } else if (w == "GOTO" || w == "CASE" || w == "FORALL" || w == "OPEN" || w == "FETCH" || w == "CLOSE" ||
               w == "PIPE") {
      throw error(first, "PLS-00999: implementation restriction (may be temporary) " + w + " statements");
    } else if (first.kind == Token::Kind::Bind || isName(first)) {
      if (isOp(peek(1), ":=") || (first.kind == Token::Kind::Bind && isOp(peek(1), "("))) assignment();
      else call();
    } else {
      unexpected("begin case declare exit for goto if loop mod null pragma raise return select update while with "
                 "<an identifier>");
    }
  }

  // An assignment target: a variable or a host variable.
  struct Target {
    Var* var = nullptr;
    int host = -1;
    int64_t element = 0;  // a PL/SQL table element (from 1); 0 for the whole value
    const Token* at = nullptr;
  };
  Target target() {
    Target tg;
    tg.at = &peek();
    if (peek().kind == Token::Kind::Bind) {
      tg.host = hostIndex(next().upper);
      if (acceptOp("(")) {
        tg.element = elementIndex(expression());
        expectOp(")");
      }
      return tg;
    }
    std::string n = name();
    tg.var = lookup(n);
    if (!tg.var || tg.var->isException) throw undeclared(*tg.at, n);
    return tg;
  }
  void store(const Target& tg, const Datum& d) {
    if (skip_) return;
    if (tg.var) {
      if (tg.var->constant)
        throw error(*tg.at, "PLS-00363: expression '" + tg.var->name + "' cannot be used as an assignment target");
      Datum v = plsql::convertTo(s_, tg.var->declType, d);
      if (tg.var->notNull && v.isNull()) throw plsql::valueError("");
      tg.var->value = std::move(v);
    } else if (tg.host >= 0 && tg.element > 0) {
      if (host_.assigned) (*host_.assigned)[static_cast<size_t>(tg.host)] = 1;
      std::vector<Value>& table = hostTable(*tg.at, tg.host);
      if (table.size() < static_cast<size_t>(tg.element)) table.resize(static_cast<size_t>(tg.element));
      table[static_cast<size_t>(tg.element - 1)] = plsql::sqlValue(d);
    } else if (tg.host >= 0 && host_.values) {
      setHost(tg.host, d);
    }
  }

  // A PL/SQL table index: an integer from 1 (0 while only parsing).
  int64_t elementIndex(const Datum& d) {
    if (skip_) return 0;
    std::string n;
    if (!plsql::toNumber(d, n)) throw plsql::valueError("NULL index table key value");
    long double v = std::strtold(n.c_str(), nullptr);
    if (v < 1 || v > 2147483647) throw OraError(1403, "no data found");
    return static_cast<int64_t>(std::llround(v));
  }
  std::vector<Value>& hostTable(const Token& at, int host) {
    if (host < 0 || !host_.isTable || !(*host_.isTable)[static_cast<size_t>(host)])
      throw error(at, "PLS-00487: Invalid reference to variable '" + at.text + "'");
    return (*host_.tables)[static_cast<size_t>(host)];
  }

  // OPEN :cursor FOR select [USING values]; or OPEN :cursor FOR text [USING values];
  void openCursor() {
    next();  // OPEN
    const Token& at = next();
    int host = hostIndex(at.upper);
    expectWord("FOR");
    size_t from = p_;
    std::unique_ptr<Statement> st;
    if (isWord(peek(), "SELECT") || isWord(peek(), "WITH")) {
      size_t semi = statementEnd(from);
      BindValues binds;
      std::string text = sqlText(from, semi, binds);
      p_ = semi;
      expectOp(";");
      if (skip_) {
        if (checking_) prepareSql(text, t_[from]);
        return;
      }
      flushLobs();
      st = prepareSql(text, t_[from]);
      bindAll(*st, binds);
    } else {
      Datum text = expression();
      std::vector<Datum> usingValues;
      if (acceptWord("USING")) {
        do usingValues.push_back(expression());
        while (acceptOp(","));
      }
      expectOp(";");
      if (skip_) return;
      std::string sql;
      plsql::toText(s_, text, sql);
      if (sql.empty()) throw OraError(6535, "statement string in OPEN is NULL or 0 length");
      flushLobs();
      st = prepareStatement(s_, sql);
      if (st->kind() != StatementKind::Select) throw OraError(1001, "invalid cursor");
      const auto& names = st->bindNames();
      if (usingValues.size() < names.size()) throw OraError(1008, "not all variables bound");
      for (size_t i = 0; i < names.size() && i < usingValues.size(); ++i) st->bind(i, plsql::sqlValue(usingValues[i]));
    }
    st->execute();
    if (host >= 0 && host_.cursors) (*host_.cursors)[static_cast<size_t>(host)] = std::move(st);
  }
  void checkAssignable(const Target& tg) {
    if (tg.var && tg.var->constant)
      throw error(*tg.at, "PLS-00363: expression '" + tg.var->name + "' cannot be used as an assignment target");
  }

  void assignment() {
    Target tg = target();
    checkAssignable(tg);
    expectOp(":=");
    Datum d = expression();
    expectOp(";");
    store(tg, d);
  }

  void ifStatement() {
    next();  // IF
    bool done = false;
    bool cond = condition();
    expectWord("THEN");
    {
      SkipGuard skip(*this, !cond);
      statements();
    }
    done = cond;
    while (acceptWord("ELSIF")) {
      bool c;
      {
        SkipGuard skip(*this, done);
        c = condition();
      }
      expectWord("THEN");
      SkipGuard skip(*this, done || !c);
      statements();
      done = done || c;
    }
    if (acceptWord("ELSE")) {
      SkipGuard skip(*this, done);
      statements();
    }
    expectWord("END");
    expectWord("IF");
    expectOp(";");
  }

  // LOOP ... END LOOP; WHILE cond LOOP ... END LOOP; FOR i IN [REVERSE] a .. b LOOP ... END LOOP;
  void loopStatement(const std::string& label) {
    const Token& first = next();
    ScopeGuard scope(*this);
    size_t condAt = p_;
    Var* counter = nullptr;
    std::string from, to;
    bool reverse = false;
    if (first.upper == "WHILE") {
      condition();
    } else if (first.upper == "FOR") {
      auto v = std::make_shared<Var>();
      v->name = name();
      v->id = nextId_++;
      v->declType.type = Type::Integer;
      v->constant = true;
      expectWord("IN");
      reverse = acceptWord("REVERSE");
      if (!reverse && isOp(peek(), "(") && (isWord(peek(1), "SELECT") || isWord(peek(1), "WITH"))) {
        cursorLoop(v, label);
        return;
      }
      if (isOp(peek(), "(") || (isName(peek()) && !lookup(nameOf(peek())) && isWord(peek(1), "LOOP")))
        throw error(peek(), "PLS-00999: implementation restriction (may be temporary) cursor FOR loops");
      Datum a = expression();
      expectOp("..");
      Datum b = expression();
      if (!skip_) {
        if (!plsql::toNumber(a, from) || !plsql::toNumber(b, to)) throw plsql::valueError("");
      }
      v->value = Datum::scalar(Value::null());
      scopes_.back().vars.push_back(v);
      counter = v.get();
    }
    if (first.upper != "LOOP") expectWord("LOOP");
    loopBody(label, [&](auto& iteration) {
      if (counter) {
        int64_t lo = integerOf(from), hi = integerOf(to);
        for (int64_t i = reverse ? hi : lo; reverse ? i >= lo : i <= hi; i += reverse ? -1 : 1) {
          counter->value = Datum::scalar(Value::number(canonicalFromInt(i)));
          if (!iteration()) break;
        }
      } else if (first.upper == "WHILE") {
        while (true) {
          p_ = condAt;
          if (!condition()) break;
          if (!iteration()) break;
        }
      } else {
        while (iteration()) {
        }
      }
    });
  }

  // The body of a loop, from after LOOP to END LOOP [label];  `drive` runs
  // the iterations, each through the function it is handed, which answers
  // false when EXIT left the loop.  While only parsing, the body is read once.
  template <class Drive>
  void loopBody(const std::string& label, Drive drive) {
    size_t bodyStart = p_;
    ++loopDepth_;
    struct Leave {
      ~Leave() { --depth; }
      int& depth;
    } leave{loopDepth_};
    if (skip_) {
      statements();
      if (checking_) loops_[bodyStart] = p_;
    } else {
      size_t bodyEnd = loops_.at(bodyStart);
      auto iteration = [&]() -> bool {
        p_ = bodyStart;
        try {
          statements();
        } catch (const ExitSignal& e) {
          if (!e.label.empty() && e.label != label) throw;
          return false;
        }
        return true;
      };
      drive(iteration);
      p_ = bodyEnd;
    }
    expectWord("END");
    expectWord("LOOP");
    if (isName(peek())) name();
    expectOp(";");
  }

  // FOR r IN (select) LOOP ... END LOOP;  The record r has a field per
  // column of the select, read-only, filled from one row per iteration.
  void cursorLoop(const std::shared_ptr<Var>& rec, const std::string& label) {
    rec->record = true;
    rec->constant = true;
    size_t open = p_;
    size_t close = matchingParen(open) - 1;
    if (!isOp(t_[close], ")")) unexpected(")");
    BindValues binds;
    std::string text = sqlText(open + 1, close, binds);
    p_ = close;
    expectOp(")");
    std::unique_ptr<Statement> st;
    if (!skip_) flushLobs();
    if (!skip_ || checking_) st = prepareSql(text, t_[open + 1]);
    std::vector<std::shared_ptr<Var>> fields;
    std::vector<TypeSpec> types;
    if (st) {
      for (const ColumnInfo& c : st->describe()) {
        auto f = std::make_shared<Var>();
        f->name = rec->name + "." + c.name;
        f->id = nextId_++;
        f->declType = typeOfColumn(c);
        f->constant = true;
        f->value = initialValue(f->declType);
        fields.push_back(f);
      }
    } else {
      // A branch not taken: the fields are known from the checking reading.
      fields = recordFields_.at(open);
    }
    if (checking_) recordFields_[open] = fields;
    scopes_.back().vars.push_back(rec);
    for (auto& f : fields) scopes_.back().vars.push_back(f);
    expectWord("LOOP");
    loopBody(label, [&](auto& iteration) {
      bindAll(*st, binds);
      st->execute();
      std::vector<Value> row;
      while (st->fetch(row)) {
        for (size_t k = 0; k < fields.size() && k < row.size(); ++k)
          fields[k]->value = plsql::fromSql(s_, fields[k]->declType, row[k]);
        if (!iteration()) break;
      }
    });
  }
  std::map<size_t, std::vector<std::shared_ptr<Var>>> recordFields_;  // by the select's opening parenthesis

  // A record's field: "r.field" as one variable, or null.
  Var* fieldAt(size_t k) {
    if (k + 2 >= t_.size() || !isName(t_[k]) || !isOp(t_[k + 1], ".") || !isName(t_[k + 2])) return nullptr;
    Var* rec = lookup(nameOf(t_[k]));
    if (!rec || !rec->record) return nullptr;
    return lookup(rec->name + "." + nameOf(t_[k + 2]));
  }

  // Seconds from 1970 of a date, and back; dates stay within Oracle's years.
  static int64_t secondsOf(const DateTime& d) {
    using namespace std::chrono;
    sys_days day = year_month_day{year{d.year}, month{static_cast<unsigned>(d.month)},
                                  std::chrono::day{static_cast<unsigned>(d.day)}};
    return static_cast<int64_t>(day.time_since_epoch().count()) * 86400 + d.hour * 3600 + d.minute * 60 + d.second;
  }
  static DateTime dateOf(int64_t seconds) {
    using namespace std::chrono;
    int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    int64_t rest = seconds - days * 86400;
    year_month_day ymd{sys_days{std::chrono::days{days}}};
    DateTime d;
    d.year = static_cast<int>(ymd.year());
    if (d.year < -4712 || d.year > 9999 || d.year == 0)
      throw OraError(1841, "(full) year must be between -4713 and +9999, and not be 0");
    d.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    d.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    d.hour = static_cast<int>(rest / 3600);
    d.minute = static_cast<int>(rest / 60 % 60);
    d.second = static_cast<int>(rest % 60);
    return d;
  }

  static int64_t integerOf(const std::string& canonical) {
    // FOR bounds are rounded to integers, as PL/SQL does.
    return static_cast<int64_t>(std::llround(std::strtold(canonical.c_str(), nullptr)));
  }

  void raiseStatement() {
    const Token& at = next();  // RAISE
    if (acceptOp(";")) {
      if (checking_ && !inHandler(at)) {
        // Oracle allows a bare RAISE only inside a handler.
        throw error(at, "PLS-00367: a RAISE statement with no exception name must be inside an exception handler");
      }
      if (!skip_) throw errors_.back();
      return;
    }
    const Token& nt = peek();
    std::string n = name();
    if (acceptOp(".")) n += "." + name();
    expectOp(";");
    if (auto it = namedExceptions().find(n); it != namedExceptions().end()) {
      if (skip_) return;
      int code = it->second;
      throw OraError(code, standardText(code));
    }
    Var* v = lookup(n);
    if (!v || !v->isException) throw undeclared(nt, n);
    if (skip_) return;
    if (v->errorCode != 0) throw OraError(v->errorCode, standardText(v->errorCode));
    throw UserException(v->id);
  }

  bool inHandler(const Token&) const { return handlerDepth_ > 0; }
  int handlerDepth_ = 0;
  int loopDepth_ = 0;

  static std::string standardText(int code) {
    switch (code) {
      case 1403: return "no data found";
      case 1422: return "exact fetch returns more than requested number of rows";
      case 1: return "unique constraint violated";
      case 6502: return "PL/SQL: numeric or value error";
      case 1476: return "divisor is equal to zero";
      case 1722: return "invalid number";
      case 1001: return "invalid cursor";
      case 6511: return "PL/SQL: cursor already open";
      default: return "user-defined exception";
    }
  }

  // ---- procedure calls ------------------------------------------------------
  struct Arg {
    size_t at = 0;  // token position of the argument
    Datum value;
  };

  void call() {
    const Token& at = peek();
    std::string pkg, proc = name();
    if (acceptOp(".")) {
      pkg = proc;
      proc = name();
    }
    if (pkg.empty() && proc == "RAISE_APPLICATION_ERROR") {
      std::vector<Arg> a = arguments();
      expectOp(";");
      arity(at, proc, a, 2, 3);
      if (skip_) return;
      std::string n, msg;
      if (!plsql::toNumber(a[0].value, n)) throw plsql::valueError("");
      long code = std::strtol(n.c_str(), nullptr, 10);
      if (code > -20000 || code < -20999)
        throw OraError(21000, "error number argument to raise_application_error of " + n + " is out of range");
      plsql::toText(s_, a[1].value, msg);
      throw OraError(static_cast<int>(-code), msg);
    }
    if (pkg == "DBMS_LOB") return lobCall(at, proc);
    if (pkg == "DBMS_OUTPUT") return outputCall(at, proc);
    throw undeclared(at, pkg.empty() ? proc : pkg);
  }

  // DBMS_OUTPUT: lines written while the session has it enabled wait in the
  // session's buffer until GET_LINE reads them.
  void outputCall(const Token& at, const std::string& proc) {
    if (proc == "GET_LINE") {
      expectOp("(");
      Target line = target();
      checkAssignable(line);
      expectOp(",");
      Target status = target();
      checkAssignable(status);
      expectOp(")");
      expectOp(";");
      if (skip_) return;
      if (s_.outputRead < s_.outputLines.size()) {
        store(line, Datum::scalar(Value::text(s_.outputLines[s_.outputRead++])));
        store(status, Datum::scalar(Value::number("0")));
      } else {
        store(line, Datum::scalar(Value::null()));
        store(status, Datum::scalar(Value::number("1")));
      }
      if (s_.outputRead == s_.outputLines.size()) {
        s_.outputLines.clear();
        s_.outputRead = 0;
      }
      return;
    }
    static const std::map<std::string, std::pair<size_t, size_t>> counts = {
        {"PUT_LINE", {1, 1}}, {"PUT", {1, 1}}, {"NEW_LINE", {0, 0}}, {"ENABLE", {0, 1}}, {"DISABLE", {0, 0}}};
    auto it = counts.find(proc);
    if (it == counts.end()) throw error(at, "PLS-00302: component '" + proc + "' must be declared");
    std::vector<Arg> a = arguments();
    expectOp(";");
    arity(at, proc, a, it->second.first, it->second.second);
    if (skip_) return;
    if (proc == "ENABLE") {
      s_.outputEnabled = true;
    } else if (proc == "DISABLE") {
      s_.outputEnabled = false;
      s_.outputLines.clear();
      s_.outputRead = 0;
      s_.outputPending.clear();
    } else if (s_.outputEnabled) {
      std::string text;
      if (!a.empty()) plsql::toText(s_, a[0].value, text);
      if (text.size() > static_cast<size_t>(kMaxVarchar))
        throw OraError(20000, "ORU-10028: line length overflow, limit of 32767 bytes per line");
      s_.outputPending += text;
      if (proc != "PUT") {
        s_.outputLines.push_back(std::move(s_.outputPending));
        s_.outputPending.clear();
      }
    }
  }

  std::vector<Arg> arguments() {
    std::vector<Arg> a;
    if (!acceptOp("(")) return a;
    if (acceptOp(")")) return a;
    while (true) {
      Arg arg;
      arg.at = p_;
      arg.value = expression();
      a.push_back(std::move(arg));
      if (!acceptOp(",")) break;
    }
    expectOp(")");
    return a;
  }

  void arity(const Token& at, const std::string& n, const std::vector<Arg>& a, size_t lo, size_t hi) {
    if (a.size() < lo || a.size() > hi)
      throw error(at, "PLS-00306: wrong number or types of arguments in call to '" + n + "'");
  }

  // DBMS_LOB's procedures on a LOB variable.
  void lobCall(const Token& at, const std::string& proc) {
    static const std::set<std::string> known = {"APPEND", "WRITEAPPEND", "WRITE", "TRIM", "ERASE",
                                                "CREATETEMPORARY", "FREETEMPORARY", "OPEN", "CLOSE"};
    if (!known.count(proc)) throw error(at, "PLS-00302: component '" + proc + "' must be declared");
    expectOp("(");
    Target lobVar = target();
    // A LOB variable, or a placeholder bound as a CLOB or BLOB locator.
    char hostKind = lobVar.element == 0 ? hostLobKind(lobVar.host) : 0;
    bool isLobVar = lobVar.var && (lobVar.var->declType.type == Type::Clob || lobVar.var->declType.type == Type::Blob);
    if (!isLobVar && hostKind != 'C' && hostKind != 'B')
      throw error(*lobVar.at, "PLS-00306: wrong number or types of arguments in call to '" + proc + "'");
    std::vector<Arg> rest;
    while (acceptOp(",")) {
      Arg arg;
      arg.at = p_;
      arg.value = expression();
      rest.push_back(std::move(arg));
    }
    expectOp(")");
    expectOp(";");
    static const std::map<std::string, std::pair<size_t, size_t>> counts = {
        {"APPEND", {1, 1}}, {"WRITEAPPEND", {2, 2}}, {"WRITE", {3, 3}}, {"TRIM", {1, 1}},
        {"ERASE", {2, 2}},  {"CREATETEMPORARY", {1, 2}}, {"FREETEMPORARY", {0, 0}},
        {"OPEN", {1, 1}},   {"CLOSE", {0, 0}}};
    auto [lo, hi] = counts.at(proc);
    if (rest.size() < lo || rest.size() > hi)
      throw error(at, "PLS-00306: wrong number or types of arguments in call to '" + proc + "'");
    if (skip_) return;
    // A placeholder's locator is worked on here and left in it again.
    Datum hostLocator;
    if (!isLobVar) hostLocator = hostValue(lobVar.at->upper);
    Datum& value = isLobVar ? lobVar.var->value : hostLocator;
    lobProcedure(proc, value, isLobVar ? lobVar.var->declType.type == Type::Blob : hostKind == 'B', rest);
    if (!isLobVar) setHost(lobVar.host, value);
  }

  void lobProcedure(const std::string& proc, Datum& value, bool binary, const std::vector<Arg>& rest) {
    if (proc == "CREATETEMPORARY") {
      auto lob = std::make_shared<Lob>();
      lob->binary = binary;
      value = Datum::locator(lob);
      return;
    }
    if (proc == "FREETEMPORARY") {
      value = Datum::locator(nullptr);
      return;
    }
    Lob* lob = value.lob.get();
    if (!lob) throw plsql::valueError("invalid LOB locator specified: ORA-22275");
    if (proc == "OPEN" || proc == "CLOSE") return;
    if (lob->onRow && !lob->locked) throw OraError(22920, "row containing the LOB value is not locked");
    auto number = [&](const Arg& a, int argNo) -> int64_t {
      std::string n;
      if (!plsql::toNumber(a.value, n)) throw argumentError(argNo);
      long double d = std::strtold(n.c_str(), nullptr);
      if (d < 0) throw argumentError(argNo);
      return static_cast<int64_t>(d);
    };
    auto piece = [&](const Datum& d) {
      std::string out;
      if (binary) plsql::toBinary(d, out);
      else plsql::toText(s_, d, out);
      return out;
    };
    auto length = [&](const std::string& data) { return binary ? data.size() : plsql::utf8Length(data); };
    auto prefix = [&](const std::string& data, size_t units) {
      return binary ? data.substr(0, units) : data.substr(0, plsql::utf8Offset(data, units));
    };
    if (proc == "APPEND") {
      if (rest[0].value.isNull()) throw plsql::valueError("invalid LOB locator specified: ORA-22275");
      lob->data += piece(rest[0].value);
    } else if (proc == "WRITEAPPEND" || proc == "WRITE") {
      int64_t amount = number(rest[0], 2);
      const Datum& buffer = rest.back().value;
      std::string data = piece(buffer);
      if (amount < 1 || static_cast<size_t>(amount) > length(data) || amount > kMaxVarchar) throw argumentError(2);
      data = prefix(data, static_cast<size_t>(amount));
      if (proc == "WRITEAPPEND") {
        lob->data += data;
      } else {
        int64_t offset = number(rest[1], 3);
        if (offset < 1) throw argumentError(3);
        size_t have = length(lob->data);
        size_t at0 = static_cast<size_t>(offset - 1);
        if (at0 > have) lob->data.append(at0 - have, binary ? '\0' : ' ');
        size_t start = binary ? at0 : plsql::utf8Offset(lob->data, at0);
        size_t endUnits = std::min(length(lob->data), at0 + length(data));
        size_t stop = binary ? endUnits : plsql::utf8Offset(lob->data, endUnits);
        lob->data.replace(start, stop - start, data);
      }
    } else if (proc == "TRIM") {
      int64_t n = number(rest[0], 2);
      if (static_cast<size_t>(n) > length(lob->data)) throw argumentError(2);
      lob->data = prefix(lob->data, static_cast<size_t>(n));
    } else if (proc == "ERASE") {
      int64_t amount = number(rest[0], 2), offset = number(rest[1], 3);
      if (offset < 1) throw argumentError(3);
      size_t have = length(lob->data);
      size_t from = std::min(have, static_cast<size_t>(offset - 1));
      size_t to = std::min(have, from + static_cast<size_t>(amount));
      std::string filler(to - from, binary ? '\0' : ' ');
      size_t a = binary ? from : plsql::utf8Offset(lob->data, from);
      size_t b = binary ? to : plsql::utf8Offset(lob->data, to);
      lob->data.replace(a, b - a, filler);
    }
    markDirty(value.lob);
  }

  static OraError argumentError(int n) {
    return OraError(21560, "argument " + std::to_string(n) + " is null, invalid, or out of range");
  }

  std::vector<std::shared_ptr<Lob>> dirty_;
  void markDirty(const std::shared_ptr<Lob>& lob) {
    if (!lob->onRow || lob->dirty) return;
    lob->dirty = true;
    dirty_.push_back(lob);
  }
  // Writes the changed row LOBs back to their rows.
  void flushLobs() {
    for (auto& lob : dirty_) {
      if (!lob->dirty) continue;
      std::string sql = "UPDATE " + quoteIdent(lob->storage) + " SET " + quoteIdent(lob->column) + " = ?1 WHERE rowid = ?2";
      sqlite3_stmt* st = nullptr;
      int rc = sqlite3_prepare_v2(s_.db, sql.c_str(), -1, &st, nullptr);
      if (rc == SQLITE_OK) {
        if (lob->binary) sqlite3_bind_blob(st, 1, lob->data.data(), static_cast<int>(lob->data.size()), SQLITE_STATIC);
        else sqlite3_bind_text(st, 1, lob->data.data(), static_cast<int>(lob->data.size()), SQLITE_STATIC);
        sqlite3_bind_int64(st, 2, lob->rowid);
        rc = sqlite3_step(st);
        if (rc == SQLITE_DONE) rc = SQLITE_OK;
      }
      if (rc != SQLITE_OK) {
        std::string msg = sqlite3_errmsg(s_.db);
        sqlite3_finalize(st);
        throwSqlite(s_, rc, msg.c_str());
      }
      sqlite3_finalize(st);
      lob->dirty = false;
      s_.inTransaction = true;
    }
    dirty_.clear();
  }

  // ---- SQL ----------------------------------------------------------------
  // The position of the ';' that ends the statement starting at p_.
  size_t statementEnd(size_t from) const {
    int depth = 0;
    size_t j = from;
    while (j < t_.size() && t_[j].kind != Token::Kind::End) {
      if (isOp(t_[j], "(")) ++depth;
      if (isOp(t_[j], ")")) --depth;
      if (depth <= 0 && isOp(t_[j], ";")) return j;
      ++j;
    }
    return j;
  }

  // Placeholder values for a prepared SQL text: by bind name.
  using BindValues = std::map<std::string, Value>;

  // Columns of the tables a statement names, so that a name that is a
  // column is not taken for a variable.
  std::set<std::string> columnsNamed(size_t from, size_t to) {
    std::set<std::string> out;
    for (size_t k = from; k + 1 < to; ++k) {
      // The target of INSERT is left out: its columns are not in scope in
      // the VALUES list.
      if (!(isWord(t_[k], "FROM") || isWord(t_[k], "UPDATE") || isWord(t_[k], "JOIN") ||
            (isOp(t_[k], ",") && inFromList(from, k))))
        continue;
      size_t n = k + 1;
      if (!isName(t_[n])) continue;
      std::string rel = quoteIdent(nameOf(t_[n]));
      if (n + 2 < to && isOp(t_[n + 1], ".") && isName(t_[n + 2])) rel += "." + quoteIdent(nameOf(t_[n + 2]));
      const auto& names = columnsOf(rel);
      out.insert(names.begin(), names.end());
    }
    return out;
  }
  // The columns of a table or view (quoted name), none when there is no such.
  const std::vector<std::string>& columnsOf(const std::string& rel) {
    auto cached = tableColumns_.find(rel);
    if (cached == tableColumns_.end()) {
      std::vector<std::string> names;
      try {
        for (const ColumnInfo& c : describeQuery(s_, "SELECT * FROM " + rel)) names.push_back(c.name);
      } catch (const OraError&) {
      }
      cached = tableColumns_.emplace(rel, std::move(names)).first;
    }
    return cached->second;
  }
  bool inFromList(size_t from, size_t k) const {
    int depth = 0;
    for (size_t j = k; j > from; --j) {
      const Token& t = t_[j - 1];
      if (isOp(t, ")")) ++depth;
      if (isOp(t, "(")) {
        if (depth == 0) return false;
        --depth;
      }
      if (depth == 0 && t.kind == Token::Kind::Word) {
        if (t.upper == "FROM") return true;
        if (t.upper == "WHERE" || t.upper == "SELECT" || t.upper == "SET" || t.upper == "VALUES" || t.upper == "BY")
          return false;
      }
    }
    return false;
  }
  std::map<std::string, std::vector<std::string>> tableColumns_;

  // The SQL text of tokens [from, to) with the block's variables turned into
  // placeholders, the skipped ranges left out and `extra` texts inserted.
  struct Edit {
    size_t from, to;       // tokens replaced
    std::string text;      // by this
  };
  // `columnsIn` names the columns in scope; by default those of the tables
  // the text itself names.
  std::string sqlText(size_t from, size_t to, BindValues& binds, std::vector<Edit> edits = {},
                      const std::set<std::string>* columnsIn = nullptr) {
    std::set<std::string> columns = columnsIn ? *columnsIn : columnsNamed(from, to);
    // INSERT INTO t (columns ...): names of columns only.
    if (isWord(t_[from], "INSERT")) {
      size_t open = from + 2;
      while (open < to && isName(t_[open]) && !isWord(t_[open], "VALUES") && !isWord(t_[open], "SELECT")) ++open;
      while (open < to && isOp(t_[open], ".")) open += 2;
      if (open < to && isName(t_[open]) && !isWord(t_[open], "VALUES") && !isWord(t_[open], "SELECT")) ++open;
      if (open < to && isOp(t_[open], "(") && !isWord(t_[open + 1], "SELECT") && !isWord(t_[open + 1], "WITH")) {
        size_t close = matchingParen(open);
        edits.push_back({open, close, sql_.substr(t_[open].offset, t_[close].offset - t_[open].offset)});
      }
    }
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.from < b.from; });
    std::string out;
    size_t copied = t_[from].offset;
    size_t e = 0;
    for (size_t k = from; k < to; ++k) {
      if (e < edits.size() && edits[e].from == k) {
        out.append(sql_, copied, t_[k].offset - copied);
        out += " " + edits[e].text + " ";
        k = edits[e].to - 1;
        copied = t_[edits[e].to].offset;
        ++e;
        continue;
      }
      const Token& t = t_[k];
      if (t.kind == Token::Kind::Bind) {
        binds[t.upper] = skip_ ? Value::null() : plsql::sqlValue(hostValue(t.upper));
        continue;
      }
      if (t.kind != Token::Kind::Word) continue;
      if (t.upper == "SQL" && isOp(t_[k + 1], "%") && isWord(t_[k + 2], "ROWCOUNT")) {
        out.append(sql_, copied, t.offset - copied);
        out += ":\"#rowcount\"";
        copied = t_[k + 2].offset + t_[k + 2].text.size();
        binds["#rowcount"] = Value::number(std::to_string(rows_));
        k += 2;
        continue;
      }
      if (k > from && isOp(t_[k - 1], ".")) continue;
      if (Var* f = k + 2 < to ? fieldAt(k) : nullptr) {
        out.append(sql_, copied, t.offset - copied);
        std::string bind = "#" + std::to_string(f->id);
        out += ":\"" + bind + "\"";
        copied = t_[k + 2].offset + t_[k + 2].text.size();
        binds[bind] = skip_ ? Value::null() : plsql::sqlValue(f->value);
        k += 2;
        continue;
      }
      if (isOp(t_[k + 1], ".") || isOp(t_[k + 1], "(")) continue;
      Var* v = lookup(t.upper);
      if (!v || v->isException || columns.count(t.upper)) continue;
      out.append(sql_, copied, t.offset - copied);
      std::string bind = "#" + std::to_string(v->id);
      out += ":\"" + bind + "\"";
      copied = t.offset + t.text.size();
      binds[bind] = skip_ ? Value::null() : plsql::sqlValue(v->value);
    }
    out.append(sql_, copied, t_[to].offset - copied);
    return out;
  }

  // Prepares SQL text of the block; while checking, an error is the block's
  // compile error at `at`.
  std::unique_ptr<Statement> prepareSql(const std::string& text, const Token& at) {
    try {
      return prepareStatement(s_, text);
    } catch (const OraError& e) {
      if (!checking_ || e.code() == 6550) throw;
      throw error(at, std::string("PL/SQL: ") + e.what(), "SQL Statement ignored");
    }
  }

  void bindAll(Statement& st, const BindValues& binds) {
    const auto& names = st.bindNames();
    for (size_t i = 0; i < names.size(); ++i) {
      auto it = binds.find(names[i]);
      if (it != binds.end()) st.bind(i, it->second);
    }
  }

  // INTO targets: name [, name ...]
  std::vector<Target> intoTargets() {
    std::vector<Target> out;
    do {
      out.push_back(target());
      checkAssignable(out.back());
    } while (acceptOp(","));
    return out;
  }

  // The single table a query or DML statement works on (its SQLite name), and
  // the column each select item names when it is a plain column.
  struct RowSource {
    std::string relation;  // as written, quoted: "OWNER"."T"
    bool single = false;
  };
  RowSource singleTable(size_t kw, size_t to) const {
    RowSource r;
    size_t n = kw + 1;
    if (n >= to || !isName(t_[n])) return r;
    r.relation = quoteIdent(nameOf(t_[n]));
    ++n;
    if (n + 1 < to && isOp(t_[n], ".") && isName(t_[n + 1])) {
      r.relation += "." + quoteIdent(nameOf(t_[n + 1]));
      n += 2;
    }
    if (n < to && isName(t_[n]) && !isWord(t_[n], "WHERE") && !isWord(t_[n], "FOR") && !isWord(t_[n], "ORDER") &&
        !isWord(t_[n], "GROUP") && !isWord(t_[n], "VALUES") && !isWord(t_[n], "SET") && !isWord(t_[n], "SELECT") &&
        !isWord(t_[n], "RETURNING") && !isWord(t_[n], "RETURN") && !isWord(t_[n], "CONNECT") &&
        !isWord(t_[n], "START") && !isWord(t_[n], "HAVING") && !isWord(t_[n], "UNION"))
      ++n;  // alias
    r.single = n >= to || !(isOp(t_[n], ",") || isWord(t_[n], "JOIN") || isWord(t_[n], "NATURAL") ||
                            isWord(t_[n], "INNER") || isWord(t_[n], "LEFT") || isWord(t_[n], "RIGHT") ||
                            isWord(t_[n], "FULL") || isWord(t_[n], "CROSS") || isWord(t_[n], "UNION"));
    return r;
  }
  // The column a select-list item [from, to) names, or "" for an expression.
  std::string plainColumn(size_t from, size_t to) const {
    if (to == from + 1 && isName(t_[from])) return nameOf(t_[from]);
    if (to == from + 3 && isName(t_[from]) && isOp(t_[from + 1], ".") && isName(t_[from + 2]))
      return nameOf(t_[from + 2]);
    return {};
  }
  // Select-list items between two positions, split at top-level commas.
  std::vector<std::pair<size_t, size_t>> items(size_t from, size_t to) const {
    std::vector<std::pair<size_t, size_t>> out;
    int depth = 0;
    size_t start = from;
    for (size_t k = from; k < to; ++k) {
      if (isOp(t_[k], "(")) ++depth;
      if (isOp(t_[k], ")")) --depth;
      if (depth == 0 && isOp(t_[k], ",")) {
        out.emplace_back(start, k);
        start = k + 1;
      }
    }
    out.emplace_back(start, to);
    return out;
  }
  size_t findTopLevel(size_t from, size_t to, const char* word) const {
    int depth = 0;
    for (size_t k = from; k < to; ++k) {
      if (isOp(t_[k], "(")) ++depth;
      if (isOp(t_[k], ")")) --depth;
      if (depth == 0 && isWord(t_[k], word)) return k;
    }
    return to;
  }

  // Stores one fetched row into the INTO targets.  LOB targets of plain
  // columns get a locator of the row (its rowid is the row's last value).
  void storeRow(const std::vector<Target>& targets, const std::vector<Value>& row,
                const std::vector<std::string>& lobColumns, const std::string& storage, bool locked) {
    for (size_t k = 0; k < targets.size(); ++k) {
      const Target& tg = targets[k];
      bool lobTarget = tg.var && (tg.var->declType.type == Type::Clob || tg.var->declType.type == Type::Blob);
      if (lobTarget && !row[k].isNull()) {
        auto lob = std::make_shared<Lob>();
        lob->binary = tg.var->declType.type == Type::Blob;
        std::string data = row[k].data;
        if (lob->binary != (row[k].kind == Value::Kind::Binary)) {
          Datum conv = plsql::convertTo(s_, tg.var->declType, Datum::scalar(row[k]));
          data = conv.lob ? conv.lob->data : std::string();
        }
        lob->data = std::move(data);
        if (!storage.empty() && !lobColumns[k].empty()) {
          lob->onRow = true;
          lob->locked = locked;
          lob->storage = storage;
          lob->column = lobColumns[k];
          lob->rowid = std::strtoll(row.back().data.c_str(), nullptr, 10);
        }
        tg.var->value = Datum::locator(lob);
        continue;
      }
      store(tg, Datum::scalar(row[k]));
    }
  }

  std::string storageOf(const std::string& relation) {
    // relation is "NAME" or "OWNER"."NAME", quoted.
    auto unq = [](std::string q) { return q.substr(1, q.size() - 2); };
    size_t dot = relation.find("\".\"");
    if (dot == std::string::npos) return resolveRelation(s_, "", unq(relation));
    return resolveRelation(s_, unq(relation.substr(0, dot + 1)), unq(relation.substr(dot + 2)));
  }

  void sqlStatement() {
    const Token& first = peek();
    size_t from = p_;
    size_t semi = statementEnd(from);
    if (t_[semi].kind == Token::Kind::End) {
      p_ = semi;
      unexpected(";");
    }
    const std::string w = first.upper;
    if (w == "SELECT" || w == "WITH") return selectInto(from, semi);
    size_t ret = findTopLevel(from, semi, "RETURNING");
    if (ret == semi) ret = findTopLevel(from, semi, "RETURN");
    if (ret != semi && (w == "INSERT" || w == "UPDATE" || w == "DELETE")) return dmlReturning(from, ret, semi);
    BindValues binds;
    std::string text = sqlText(from, semi, binds);
    p_ = semi + 1;
    if (skip_) {
      if (checking_ && (w == "INSERT" || w == "UPDATE" || w == "DELETE" || w == "MERGE")) prepareSql(text, first);
      return;
    }
    flushLobs();
    auto st = prepareSql(text, first);
    bindAll(*st, binds);
    st->execute();
    rows_ = st->rowCount();
    found_ = rows_ > 0;
    if (w == "COMMIT" || w == "ROLLBACK") reopenBlockTransaction(s_);
  }

  // SELECT items INTO targets FROM ... [FOR UPDATE]
  void selectInto(size_t from, size_t semi) {
    size_t into = findTopLevel(from, semi, "INTO");
    if (into == semi) throw error(t_[from], "PLS-00428: an INTO clause is expected in this SELECT statement");
    p_ = into + 1;
    std::vector<Target> targets = intoTargets();
    size_t afterInto = p_;
    p_ = semi + 1;
    size_t fromKw = findTopLevel(afterInto, semi, "FROM");
    auto list = items(from + 1, into);
    std::vector<std::string> lobColumns(targets.size());
    bool wantRow = false;
    RowSource src = singleTable(fromKw, semi);
    if (src.single && !isWord(t_[from], "WITH")) {
      for (size_t k = 0; k < targets.size() && k < list.size(); ++k) {
        const Target& tg = targets[k];
        if (tg.var && (tg.var->declType.type == Type::Clob || tg.var->declType.type == Type::Blob)) {
          lobColumns[k] = plainColumn(list[k].first, list[k].second);
          wantRow = wantRow || !lobColumns[k].empty();
        }
      }
    }
    BindValues binds;
    std::vector<Edit> edits{{into, afterInto, wantRow ? ", ROWID" : ""}};
    std::string text = sqlText(from, semi, binds, edits);
    if (skip_) {
      if (checking_) {
        auto st = prepareSql(text, t_[from]);
        size_t expected = targets.size() + (wantRow ? 1 : 0);
        if (st->describe().size() < expected)
          throw error(t_[into], "PL/SQL: ORA-00947: not enough values", "SQL Statement ignored");
        if (st->describe().size() > expected)
          throw error(t_[into], "PL/SQL: ORA-00913: too many values", "SQL Statement ignored");
      }
      return;
    }
    flushLobs();
    auto st = prepareSql(text, t_[from]);
    bindAll(*st, binds);
    st->execute();
    std::vector<Value> row, extra;
    if (!st->fetch(row)) throw OraError(1403, "no data found");
    if (st->fetch(extra)) throw OraError(1422, "exact fetch returns more than requested number of rows");
    rows_ = 1;
    found_ = true;
    bool locked = findTopLevel(fromKw, semi, "FOR") != semi;
    storeRow(targets, row, lobColumns, wantRow ? storageOf(src.relation) : std::string(), locked);
  }

  // INSERT / UPDATE / DELETE ... RETURNING items INTO targets.  The rows the
  // statement touches are found by their rowids: for INSERT ... VALUES the row
  // it added, for UPDATE and DELETE the rows its WHERE clause selects.
  void dmlReturning(size_t from, size_t ret, size_t semi) {
    const std::string w = t_[from].upper;
    size_t into = findTopLevel(ret, semi, "INTO");
    if (into == semi) {
      p_ = semi;
      unexpected("into");
    }
    p_ = into + 1;
    std::vector<Target> targets = intoTargets();
    if (p_ != semi) unexpected(";");
    p_ = semi + 1;
    auto list = items(ret + 1, into);
    if (list.size() != targets.size())
      throw error(t_[into], list.size() < targets.size() ? "PL/SQL: ORA-00947: not enough values" : "PL/SQL: ORA-00913: too many values",
                  "SQL Statement ignored");
    size_t tableKw = from + 1;
    if (w == "INSERT") tableKw = findTopLevel(from, ret, "INTO");
    if (w == "DELETE" && isWord(t_[from + 1], "FROM")) tableKw = from + 1;
    if (w == "UPDATE" || (w == "DELETE" && !isWord(t_[from + 1], "FROM"))) tableKw = from;
    RowSource src = singleTable(tableKw, ret);
    if (w == "INSERT" && findTopLevel(from, ret, "VALUES") == ret)
      throw error(t_[ret], "PL/SQL: ORA-00933: SQL command not properly ended", "SQL Statement ignored");
    // The returned values, read by rowid.
    BindValues binds;
    std::string selectList;
    std::vector<std::string> lobColumns(targets.size());
    const auto& own = columnsOf(src.relation);
    std::set<std::string> columns(own.begin(), own.end());
    for (size_t k = 0; k < list.size(); ++k) {
      selectList += (k ? ", " : "") + sqlText(list[k].first, list[k].second, binds, {}, &columns);
      lobColumns[k] = plainColumn(list[k].first, list[k].second);
    }
    std::string byRow = "SELECT " + selectList + ", ROWID FROM " + src.relation + " WHERE ROWID = :\"#rowid\"";
    std::string dml = sqlText(from, ret, binds);
    std::string where;
    if (w != "INSERT") {
      size_t wh = findTopLevel(tableKw, ret, "WHERE");
      where = "SELECT ROWID FROM " + src.relation + (wh == ret ? std::string() : " " + sqlText(wh, ret, binds));
    }
    if (skip_) {
      if (checking_) {
        prepareSql(dml, t_[from]);
        prepareSql(byRow, t_[ret]);
      }
      return;
    }
    flushLobs();
    std::vector<std::string> rowids;
    if (w != "INSERT") {
      auto q = prepareSql(where, t_[from]);
      bindAll(*q, binds);
      q->execute();
      std::vector<Value> r;
      while (q->fetch(r)) rowids.push_back(r[0].data);
    }
    auto readRows = [&](std::vector<std::vector<Value>>& out) {
      auto q = prepareSql(byRow, t_[ret]);
      for (const std::string& id : rowids) {
        binds["#rowid"] = Value::number(id);
        bindAll(*q, binds);
        q->execute();
        std::vector<Value> r;
        if (q->fetch(r)) out.push_back(r);
      }
    };
    std::vector<std::vector<Value>> returned;
    if (w == "DELETE") readRows(returned);
    auto st = prepareSql(dml, t_[from]);
    bindAll(*st, binds);
    st->execute();
    rows_ = st->rowCount();
    found_ = rows_ > 0;
    if (w == "INSERT" && rows_ == 1) rowids.push_back(std::to_string(sqlite3_last_insert_rowid(s_.db)));
    if (w != "DELETE") readRows(returned);
    if (returned.size() > 1) throw OraError(1422, "exact fetch returns more than requested number of rows");
    if (returned.empty()) {
      for (const Target& tg : targets) store(tg, Datum::scalar(Value::null()));
      return;
    }
    storeRow(targets, returned[0], lobColumns, w == "DELETE" ? std::string() : storageOf(src.relation), true);
  }

  // EXECUTE IMMEDIATE text [INTO targets] [USING [IN] value, ...];
  void executeImmediate() {
    const Token& at = next();
    next();  // IMMEDIATE
    Datum text = expression();
    std::vector<Target> into;
    std::vector<Datum> usingValues;
    if (acceptWord("INTO")) into = intoTargets();
    if (acceptWord("USING")) {
      do {
        if (acceptWord("IN")) {
          if (acceptWord("OUT")) throw error(peek(), "PLS-00999: implementation restriction (may be temporary) OUT binds of dynamic SQL");
        } else if (isWord(peek(), "OUT")) {
          throw error(peek(), "PLS-00999: implementation restriction (may be temporary) OUT binds of dynamic SQL");
        }
        usingValues.push_back(expression());
      } while (acceptOp(","));
    }
    expectOp(";");
    if (skip_) return;
    std::string sql;
    if (text.kind == Datum::Kind::Boolean) throw error(at, "PLS-00382: expression is of wrong type");
    plsql::toText(s_, text, sql);
    if (sql.empty()) throw OraError(6535, "statement string in EXECUTE IMMEDIATE is NULL or 0 length");
    flushLobs();
    auto st = prepareStatement(s_, sql);
    const auto& names = st->bindNames();
    if (usingValues.size() < names.size()) throw OraError(1008, "not all variables bound");
    if (usingValues.size() > names.size()) throw OraError(1006, "bind variable does not exist");
    for (size_t i = 0; i < names.size(); ++i) st->bind(i, plsql::sqlValue(usingValues[i]));
    st->execute();
    rows_ = st->rowCount();
    if (!into.empty()) {
      std::vector<Value> row, extra;
      if (!st->fetch(row)) throw OraError(1403, "no data found");
      if (st->fetch(extra)) throw OraError(1422, "exact fetch returns more than requested number of rows");
      if (row.size() != into.size()) throw OraError(932, "inconsistent datatypes");
      for (size_t k = 0; k < into.size(); ++k) store(into[k], Datum::scalar(row[k]));
      rows_ = 1;
    }
    found_ = rows_ > 0;
    reopenBlockTransaction(s_);
  }

  // ---- expressions ----------------------------------------------------------
  bool condition() {
    const Token& at = peek();
    Datum d = expression();
    if (skip_) {
      if (d.kind != Datum::Kind::Boolean && checking_)
        throw error(at, "PLS-00382: expression is of wrong type");
      return false;
    }
    bool b = false;
    if (d.kind != Datum::Kind::Boolean) throw error(at, "PLS-00382: expression is of wrong type");
    return plsql::toTruth(d, b) && b;
  }

  Datum expression() { return orExpr(); }

  Datum orExpr() {
    Datum a = andExpr();
    while (isWord(peek(), "OR")) {
      const Token& at = next();
      Datum b = andExpr();
      a = logical(at, a, b, true);
    }
    return a;
  }
  Datum andExpr() {
    Datum a = notExpr();
    while (isWord(peek(), "AND")) {
      const Token& at = next();
      Datum b = notExpr();
      a = logical(at, a, b, false);
    }
    return a;
  }
  Datum logical(const Token& at, const Datum& a, const Datum& b, bool isOr) {
    if (a.kind != Datum::Kind::Boolean || b.kind != Datum::Kind::Boolean)
      throw error(at, "PLS-00382: expression is of wrong type");
    if (skip_) return Datum::nullBoolean();
    bool x = false, y = false;
    bool hx = plsql::toTruth(a, x), hy = plsql::toTruth(b, y);
    if (isOr) {
      if ((hx && x) || (hy && y)) return Datum::boolean(true);
      if (hx && hy) return Datum::boolean(false);
    } else {
      if ((hx && !x) || (hy && !y)) return Datum::boolean(false);
      if (hx && hy) return Datum::boolean(true);
    }
    return Datum::nullBoolean();
  }
  Datum notExpr() {
    if (isWord(peek(), "NOT")) {
      const Token& at = next();
      Datum a = notExpr();
      if (a.kind != Datum::Kind::Boolean) throw error(at, "PLS-00382: expression is of wrong type");
      if (skip_) return Datum::nullBoolean();
      bool x = false;
      if (!plsql::toTruth(a, x)) return Datum::nullBoolean();
      return Datum::boolean(!x);
    }
    return comparison();
  }

  Datum comparison() {
    Datum a = concatenation();
    const Token& at = peek();
    if (isWord(at, "IS")) {
      next();
      bool negate = acceptWord("NOT");
      expectWord("NULL");
      if (skip_) return Datum::nullBoolean();
      return Datum::boolean(a.isNull() != negate);
    }
    static const char* const ops[] = {"=", "<>", "!=", "^=", "<", ">", "<=", ">="};
    for (const char* op : ops) {
      if (!isOp(at, op)) continue;
      next();
      Datum b = concatenation();
      if (skip_) return Datum::nullBoolean();
      if (a.isNull() || b.isNull()) return Datum::nullBoolean();
      int c = compare(a, b);
      std::string o = op;
      bool r = o == "=" ? c == 0 : o == "<" ? c < 0 : o == ">" ? c > 0 : o == "<=" ? c <= 0 : o == ">=" ? c >= 0 : c != 0;
      return Datum::boolean(r);
    }
    return a;
  }

  int compare(const Datum& a, const Datum& b) {
    auto kindOf = [](const Datum& d) {
      return d.kind == Datum::Kind::Scalar ? d.value.kind : d.kind == Datum::Kind::Lob
                                                                 ? (d.lob->binary ? Value::Kind::Binary : Value::Kind::Text)
                                                                 : Value::Kind::Number;
    };
    Value::Kind ka = kindOf(a), kb = kindOf(b);
    if (ka == Value::Kind::Number || kb == Value::Kind::Number) {
      std::string x, y;
      plsql::toNumber(a, x);
      plsql::toNumber(b, y);
      long double dx = std::strtold(x.c_str(), nullptr), dy = std::strtold(y.c_str(), nullptr);
      return dx < dy ? -1 : dx > dy ? 1 : 0;
    }
    if (ka == Value::Kind::Date && kb == Value::Kind::Date) {
      auto key = [](const DateTime& d) {
        return std::tie(d.year, d.month, d.day, d.hour, d.minute, d.second);
      };
      return key(a.value.date) < key(b.value.date) ? -1 : key(a.value.date) == key(b.value.date) ? 0 : 1;
    }
    std::string x, y;
    if (ka == Value::Kind::Binary && kb == Value::Kind::Binary) {
      plsql::toBinary(a, x);
      plsql::toBinary(b, y);
    } else {
      plsql::toText(s_, a, x);
      plsql::toText(s_, b, y);
    }
    return x.compare(y) < 0 ? -1 : x == y ? 0 : 1;
  }

  // + - || share one precedence level, left to right.
  Datum concatenation() {
    Datum a = term();
    bool owned = false;  // `a` is a value of this chain's own making
    while (isOp(peek(), "||") || isOp(peek(), "+") || isOp(peek(), "-")) {
      std::string op = next().text;
      Datum b = term();
      if (skip_) continue;
      if (op == "||") {
        a = concat(std::move(a), b, owned);
        owned = true;
      } else {
        a = arithmetic(op, a, b);
        owned = false;
      }
    }
    return a;
  }

  // A CLOB on either side makes a CLOB; otherwise the result is a VARCHAR2 of
  // at most 32,767 bytes.  NULL adds nothing.  The left value is extended in
  // place where it is the chain's own, so a long chain of pieces stays linear.
  Datum concat(Datum a, const Datum& b, bool owned) {
    auto isClob = [](const Datum& d) { return d.kind == Datum::Kind::Lob && d.lob && !d.lob->binary; };
    std::string y;
    plsql::toText(s_, b, y);
    if (isClob(a) || isClob(b)) {
      if (owned && isClob(a) && !a.lob->onRow) {
        a.lob->data += y;
        return a;
      }
      auto l = std::make_shared<Lob>();
      plsql::toText(s_, a, l->data);
      l->data += y;
      return Datum::locator(l);
    }
    if (a.kind == Datum::Kind::Scalar && a.value.kind == Value::Kind::Text) {
      if (a.value.data.size() + y.size() > static_cast<size_t>(kMaxVarchar))
        throw plsql::valueError("character string buffer too small");
      a.value.data += y;
      return a;
    }
    std::string x;
    plsql::toText(s_, a, x);
    if (x.size() + y.size() > static_cast<size_t>(kMaxVarchar)) throw plsql::valueError("character string buffer too small");
    if (x.empty() && y.empty()) return Datum::scalar(Value::null());
    return Datum::scalar(Value::text(x + y));
  }

  static bool smallInteger(const std::string& c, int64_t& out) {
    if (c.empty() || c.size() > 15) return false;
    size_t i = c[0] == '-' ? 1 : 0;
    if (i == c.size()) return false;
    for (size_t k = i; k < c.size(); ++k)
      if (c[k] < '0' || c[k] > '9') return false;
    out = std::strtoll(c.c_str(), nullptr, 10);
    return true;
  }

  Datum arithmetic(const std::string& op, const Datum& a, const Datum& b) {
    if (a.isNull() || b.isNull()) return Datum::scalar(Value::null());
    // Date arithmetic: a date plus or minus days (fractions are times of
    // day), and the days between two dates.
    bool da = a.kind == Datum::Kind::Scalar && a.value.kind == Value::Kind::Date;
    bool db = b.kind == Datum::Kind::Scalar && b.value.kind == Value::Kind::Date;
    if (da || db) {
      if (op == "*" || op == "/" || (db && op == "-" && !da))
        throw OraError(932, "inconsistent datatypes: expected NUMBER got DATE");
      if (da && db) {
        if (op == "+") throw OraError(975, "date + date not allowed");
        int64_t seconds = secondsOf(a.value.date) - secondsOf(b.value.date);
        return arithmetic("/", Datum::scalar(Value::number(canonicalFromInt(seconds))),
                          Datum::scalar(Value::number("86400")));
      }
      std::string days;
      plsql::toNumber(da ? b : a, days);
      int64_t shift = static_cast<int64_t>(std::llround(std::strtold(days.c_str(), nullptr) * 86400));
      return Datum::scalar(Value::fromDate(dateOf(secondsOf((da ? a : b).value.date) + (op == "-" ? -shift : shift))));
    }
    std::string x, y;
    plsql::toNumber(a, x);
    plsql::toNumber(b, y);
    int64_t i = 0, j = 0;
    if (op != "/" && smallInteger(x, i) && smallInteger(y, j)) {
      int64_t r = op == "+" ? i + j : op == "-" ? i - j : i * j;
      return Datum::scalar(Value::number(canonicalFromInt(r)));
    }
    // Anything else is worked out by the SQL engine, with Oracle's precision.
    BindValues binds{{"A", Value::number(x)}, {"B", Value::number(y)}};
    return evaluateSql("SELECT :a " + op + " :b FROM DUAL", binds, peek());
  }

  Datum term() {
    Datum a = unary();
    while (isOp(peek(), "*") || isOp(peek(), "/") || isWord(peek(), "MOD")) {
      std::string op = next().upper;
      Datum b = unary();
      if (skip_) continue;
      if (op == "MOD") {
        if (a.isNull() || b.isNull()) {
          a = Datum::scalar(Value::null());
          continue;
        }
        std::string x, y;
        plsql::toNumber(a, x);
        plsql::toNumber(b, y);
        BindValues binds{{"A", Value::number(x)}, {"B", Value::number(y)}};
        a = evaluateSql("SELECT MOD(:a, :b) FROM DUAL", binds, peek());
      } else {
        a = arithmetic(op, a, b);
      }
    }
    return a;
  }

  Datum unary() {
    if (isOp(peek(), "-")) {
      next();
      Datum a = unary();
      if (skip_ || a.isNull()) return Datum::scalar(Value::null());
      return arithmetic("-", Datum::scalar(Value::number("0")), a);
    }
    if (isOp(peek(), "+")) next();
    return primary();
  }

  Datum evaluateSql(const std::string& text, const BindValues& binds, const Token& at) {
    auto st = prepareSql(text, at);
    bindAll(*st, binds);
    st->execute();
    std::vector<Value> row;
    if (!st->fetch(row) || row.empty()) return Datum::scalar(Value::null());
    return Datum::scalar(row[0]);
  }

  // The position just after the parenthesised list starting at p_ ("(").
  size_t matchingParen(size_t open) const {
    int depth = 0;
    for (size_t k = open; k < t_.size(); ++k) {
      if (isOp(t_[k], "(")) ++depth;
      if (isOp(t_[k], ")") && --depth == 0) return k + 1;
      if (t_[k].kind == Token::Kind::End) break;
    }
    return t_.size() - 1;
  }

  Datum primary() {
    const Token& t = peek();
    switch (t.kind) {
      case Token::Kind::String:
        next();
        if (t.text.size() > static_cast<size_t>(kMaxVarchar))
          throw error(t, "PLS-00172: string literal too long");
        return Datum::scalar(t.text.empty() ? Value::null() : Value::text(t.text));
      case Token::Kind::Number: {
        next();
        std::string c;
        if (!canonicalNumber(t.text, c)) throw error(t, "PLS-00103: Encountered the symbol \"" + t.text + "\"");
        return Datum::scalar(Value::number(c));
      }
      case Token::Kind::Bind: {
        next();
        if (isOp(peek(), ".") && isWord(peek(1), "COUNT")) {
          next();
          next();
          if (skip_) return Datum::scalar(Value::null());
          return Datum::scalar(Value::number(std::to_string(hostTable(t, hostIndex(t.upper)).size())));
        }
        if (acceptOp("(")) {
          int64_t k = elementIndex(expression());
          expectOp(")");
          if (skip_) return Datum::scalar(Value::null());
          const std::vector<Value>& table = hostTable(t, hostIndex(t.upper));
          if (static_cast<size_t>(k) > table.size()) throw OraError(1403, "no data found");
          return Datum::scalar(table[static_cast<size_t>(k - 1)]);
        }
        return skip_ ? Datum::scalar(Value::null()) : hostValue(t.upper);
      }
      case Token::Kind::Operator:
        if (t.text == "(") {
          next();
          Datum d = expression();
          expectOp(")");
          return d;
        }
        unexpected("( - + case mod new not null <an identifier> <a double-quoted delimited-identifier> "
                   "<a bind variable> <a number> <a single-quoted SQL string>");
      case Token::Kind::End:
        unexpected("( - + case mod new not null <an identifier>");
      default: break;
    }
    if (t.kind == Token::Kind::Word) {
      const std::string& w = t.upper;
      if (w == "NULL") {
        next();
        return Datum::scalar(Value::null());
      }
      if (w == "TRUE" || w == "FALSE") {
        next();
        return Datum::boolean(w == "TRUE");
      }
      if (w == "SQL" && isOp(peek(1), "%")) {
        next();
        next();
        std::string attr = name();
        if (attr == "ROWCOUNT") return Datum::scalar(Value::number(std::to_string(rows_)));
        if (attr == "FOUND") return skip_ ? Datum::nullBoolean() : Datum::boolean(found_);
        if (attr == "NOTFOUND") return skip_ ? Datum::nullBoolean() : Datum::boolean(!found_);
        if (attr == "ISOPEN") return Datum::boolean(false);
        throw error(t_[p_ - 1], "PLS-00207: identifier '" + attr + "', applied to implicit cursor SQL, is not a legal cursor attribute");
      }
      if (w == "SQLCODE" && !isOp(peek(1), "(")) {
        next();
        if (errors_.empty()) return Datum::scalar(Value::number("0"));
        int code = errors_.back().code();
        return Datum::scalar(Value::number(canonicalFromInt(code == 1403 ? 100 : -code)));
      }
      if (w == "SQLERRM" && !isOp(peek(1), "(")) {
        next();
        return Datum::scalar(Value::text(errors_.empty() ? "ORA-0000: normal, successful completion"
                                                         : std::string(errors_.back().what())));
      }
      if (w == "CASE") throw error(t, "PLS-00999: implementation restriction (may be temporary) CASE expressions");
    }
    if (!isName(t)) unexpected("<an identifier>");
    std::string n = nameOf(t);
    if (!isOp(peek(1), "(") && !isOp(peek(1), ".")) {
      if (Var* v = lookup(n); v && !v->isException) {
        if (v->record) throw error(t, "PLS-00382: expression is of wrong type");
        next();
        return v->value;
      }
      static const std::set<std::string> sqlWords = {"SYSDATE", "USER", "SYSTIMESTAMP", "UID"};
      if (t.kind == Token::Kind::Word && sqlWords.count(n)) return sqlFunction(p_, p_ + 1);
      throw undeclared(t, n);
    }
    if (Var* f = fieldAt(p_)) {
      next();
      next();
      next();
      return f->value;
    }
    if (isOp(peek(1), ".") && isName(peek(2))) {
      if (Var* v = lookup(n); v && v->record)
        throw error(peek(2), "PLS-00302: component '" + nameOf(peek(2)) + "' must be declared");
      std::string pkg = n, fn = nameOf(peek(2));
      if (pkg == "DBMS_LOB" || pkg == "UTL_RAW") {
        next();
        next();
        next();
        std::vector<Arg> a = arguments();
        return pkg == "DBMS_LOB" ? lobFunction(t, fn, a) : rawFunction(t, fn, a);
      }
      throw undeclared(t, pkg);
    }
    static const std::set<std::string> own = {"TO_CLOB", "TO_NCLOB", "EMPTY_CLOB", "EMPTY_BLOB", "HEXTORAW", "CHR",
                                              "BFILENAME"};
    if (t.kind == Token::Kind::Word && own.count(n)) {
      next();
      std::vector<Arg> a = arguments();
      return builtin(t, n, a);
    }
    // A function of SQL's, run by the SQL engine over the values of its
    // arguments.
    return sqlFunction(p_, matchingParen(p_ + 1));
  }

  // The functions PL/SQL works out itself: LOB values beyond SQL's sizes, and
  // the pieces statement texts are built from.
  Datum builtin(const Token& at, const std::string& fn, const std::vector<Arg>& a) {
    if (fn == "BFILENAME") return fileLocator(at, a);
    bool noArgs = fn == "EMPTY_CLOB" || fn == "EMPTY_BLOB";
    arity(at, fn, a, noArgs ? 0 : 1, noArgs ? 0 : 1);
    if (skip_) return fn == "HEXTORAW" || fn == "CHR" ? Datum::scalar(Value::null()) : Datum::locator(nullptr);
    if (noArgs) {
      auto lob = std::make_shared<Lob>();
      lob->binary = fn == "EMPTY_BLOB";
      return Datum::locator(lob);
    }
    const Datum& v = a[0].value;
    if (v.isNull()) return fn == "HEXTORAW" || fn == "CHR" ? Datum::scalar(Value::null()) : Datum::locator(nullptr);
    if (fn == "HEXTORAW") {
      std::string bytes;
      plsql::toBinary(v, bytes);
      return Datum::scalar(Value::binary(bytes));
    }
    if (fn == "CHR") {
      std::string n;
      plsql::toNumber(v, n);
      int64_t code = static_cast<int64_t>(std::strtold(n.c_str(), nullptr));
      if (code < 0) throw plsql::valueError("");
      std::string out;
      if (code < 0x80) {
        out += static_cast<char>(code);
      } else if (code < 0x100) {
        // One byte of the database character set, read as Latin-1.
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
      } else {
        // Multi-byte codes are their UTF-8 bytes.
        for (; code > 0; code >>= 8) out.insert(out.begin(), static_cast<char>(code & 0xFF));
      }
      return Datum::scalar(Value::text(out));
    }
    auto lob = std::make_shared<Lob>();
    plsql::toText(s_, v, lob->data);
    return Datum::locator(lob);
  }

  // BFILENAME(directory, file): a locator naming a file; whether the
  // directory and the file exist is found out only when it is read.
  Datum fileLocator(const Token& at, const std::vector<Arg>& a) {
    arity(at, "BFILENAME", a, 2, 2);
    if (skip_) return Datum::locator(nullptr);
    auto lob = std::make_shared<Lob>();
    lob->binary = lob->file = true;
    plsql::toText(s_, a[0].value, lob->directory);
    plsql::toText(s_, a[1].value, lob->fileName);
    return Datum::locator(lob);
  }

  Datum sqlFunction(size_t from, size_t to) {
    const Token& at = t_[from];
    // Parse the arguments only, so that names inside are checked as PL/SQL
    // names; the SQL engine works out their values.
    next();
    if (isOp(peek(), "(")) {
      SkipGuard skip(*this, true);
      arguments();
    }
    p_ = to;
    if (skip_ && !checking_) return Datum::scalar(Value::null());
    BindValues binds;
    std::set<std::string> none;
    std::string text = "SELECT " + sqlText(from, to, binds, {}, &none) + " FROM DUAL";
    try {
      if (checking_) {
        prepareStatement(s_, text);
        return Datum::scalar(Value::null());
      }
      return evaluateSql(text, binds, at);
    } catch (const OraError& e) {
      if (e.code() == 904) throw undeclared(at, nameOf(at));
      throw;
    }
  }

  // UTL_RAW: RAW values as bytes, up to PL/SQL's 32,767.  CONCAT is how a
  // block joins RAW pieces ("||" would join their hexadecimal texts).
  Datum rawFunction(const Token& at, const std::string& fn, const std::vector<Arg>& a) {
    if (fn == "CONCAT") arity(at, fn, a, 1, 12);
    else if (fn == "CAST_TO_RAW" || fn == "CAST_TO_VARCHAR2" || fn == "LENGTH") arity(at, fn, a, 1, 1);
    else throw error(at, "PLS-00302: component '" + fn + "' must be declared");
    if (skip_) return Datum::scalar(Value::null());
    std::string out;
    if (fn == "CONCAT") {
      for (const Arg& arg : a) {
        std::string piece;
        plsql::toBinary(arg.value, piece);
        out += piece;
      }
      if (out.size() > static_cast<size_t>(kMaxVarchar)) throw plsql::valueError("raw variable length too long");
      return Datum::scalar(out.empty() ? Value::null() : Value::binary(out));
    }
    if (fn == "CAST_TO_RAW") {
      plsql::toText(s_, a[0].value, out);
      return Datum::scalar(out.empty() ? Value::null() : Value::binary(out));
    }
    plsql::toBinary(a[0].value, out);
    if (out.empty()) return Datum::scalar(Value::null());
    if (fn == "LENGTH") return Datum::scalar(Value::number(std::to_string(out.size())));
    return Datum::scalar(Value::text(out));
  }

  Datum lobFunction(const Token& at, const std::string& fn, const std::vector<Arg>& a) {
    if (fn != "GETLENGTH" && fn != "SUBSTR" && fn != "INSTR" && fn != "COMPARE")
      throw error(at, "PLS-00302: component '" + fn + "' must be declared");
    if (fn == "GETLENGTH") arity(at, fn, a, 1, 1);
    if (fn == "SUBSTR") arity(at, fn, a, 1, 3);
    if (fn == "INSTR") arity(at, fn, a, 2, 4);
    if (fn == "COMPARE") arity(at, fn, a, 2, 5);
    if (skip_) return Datum::scalar(Value::null());
    const Datum& l = a[0].value;
    if (l.isNull()) return Datum::scalar(Value::null());
    // The database has no directory objects, so no file can be reached.
    if (l.kind == Datum::Kind::Lob && l.lob->file)
      throw OraError(22285, "non-existent directory or file for " + fn + " operation");
    bool binary = l.kind == Datum::Kind::Lob ? l.lob->binary : l.value.kind == Value::Kind::Binary;
    std::string data;
    if (binary) plsql::toBinary(l, data);
    else plsql::toText(s_, l, data);
    auto length = [&](const std::string& d) { return binary ? d.size() : plsql::utf8Length(d); };
    auto offsetOf = [&](const std::string& d, size_t units) { return binary ? std::min(units, d.size()) : plsql::utf8Offset(d, units); };
    auto num = [&](size_t k, int64_t dflt) -> int64_t {
      if (k >= a.size()) return dflt;
      std::string n;
      if (!plsql::toNumber(a[k].value, n)) return -1;
      return static_cast<int64_t>(std::strtold(n.c_str(), nullptr));
    };
    if (fn == "GETLENGTH") return Datum::scalar(Value::number(std::to_string(length(data))));
    if (fn == "SUBSTR") {
      int64_t amount = num(1, 32767), offset = num(2, 1);
      if (amount < 1 || offset < 1) return Datum::scalar(Value::null());
      size_t from = offsetOf(data, static_cast<size_t>(offset - 1));
      size_t to = offsetOf(data, static_cast<size_t>(offset - 1 + amount));
      std::string piece = data.substr(from, to - from);
      if (piece.empty()) return Datum::scalar(Value::null());
      return Datum::scalar(binary ? Value::binary(piece) : Value::text(piece));
    }
    if (fn == "INSTR") {
      std::string pattern;
      if (binary) plsql::toBinary(a[1].value, pattern);
      else plsql::toText(s_, a[1].value, pattern);
      int64_t offset = num(2, 1), nth = num(3, 1);
      if (pattern.empty() || offset < 1 || nth < 1) return Datum::scalar(Value::null());
      size_t pos = offsetOf(data, static_cast<size_t>(offset - 1));
      for (int64_t k = 0; k < nth; ++k) {
        pos = data.find(pattern, k == 0 ? pos : pos + 1);
        if (pos == std::string::npos) return Datum::scalar(Value::number("0"));
      }
      return Datum::scalar(Value::number(std::to_string(length(data.substr(0, pos)) + 1)));
    }
    std::string other;
    if (binary) plsql::toBinary(a[1].value, other);
    else plsql::toText(s_, a[1].value, other);
    int c = data.compare(other);
    return Datum::scalar(Value::number(c < 0 ? "-1" : c > 0 ? "1" : "0"));
  }

  Session& s_;
  const std::string& sql_;
  const std::vector<Token>& t_;
  HostBinds host_;
  size_t p_ = 0;
  bool skip_ = false;       // parse without running
  bool checking_ = false;   // the first, checking reading
  uint64_t rows_ = 0;       // SQL%ROWCOUNT
  bool found_ = false;      // SQL%FOUND
};

}  // namespace

uint64_t runAnonymousBlock(Session& s, const std::string& sql, const std::vector<Token>& tokens, HostBinds host) {
  Interpreter in(s, sql, tokens, host);
  return in.run();
}

}  // namespace ocisim
