// Translation of Oracle's SELECT, INSERT, UPDATE and DELETE into SQLite.
//
// A recursive-descent parser walks the Oracle tokens and writes SQLite text
// as it goes, keeping for every expression the Oracle type it has (where the
// text shows it) so that describes report Oracle's types and the operators
// that differ between the two (||, /, date arithmetic) are written as calls
// of the session's functions.  Names are resolved through the dictionary:
// tables become their storage names under an alias of their Oracle name.
#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "engine/core.h"
#include "engine/dict.h"
#include "engine/modern_types.h"
#include "platform/ascii.h"

namespace ocisim {

namespace {

struct Type {
  SqlType type = SqlType::Varchar2;
  int size = 0;
  int precision = 0;
  int scale = 0;
  bool known = false;  // the expression's text decides its type
};

struct Expr {
  std::string sql;
  Type type;
  bool isColumn = false;  // a plain column reference
  std::string columnName; // its name, for select-list naming
};

// A computed number has no declared precision: Oracle describes it with
// precision 0 and scale -127, as a NUMBER column declared without precision.
Type numberType() { return {SqlType::Number, 22, 0, -127, true}; }
Type dateType() { return {SqlType::Date, 7, 0, 0, true}; }
Type varcharType(int size) { return {SqlType::Varchar2, size, 0, 0, true}; }
Type modernType(SqlType t) {
  ColumnInfo c;
  switch (t) {
    case SqlType::Timestamp: modernColumnInfo("TIMESTAMP(9)", c); break;
    case SqlType::TimestampTz: modernColumnInfo("TIMESTAMP(9) WITH TIME ZONE", c); break;
    case SqlType::IntervalYM: modernColumnInfo("INTERVAL YEAR(9) TO MONTH", c); break;
    case SqlType::IntervalDS: modernColumnInfo("INTERVAL DAY(9) TO SECOND(9)", c); break;
    case SqlType::BinaryFloat: modernColumnInfo("BINARY_FLOAT", c); break;
    default: modernColumnInfo("BINARY_DOUBLE", c); break;
  }
  return {c.type, c.size, c.precision, c.scale, true};
}

bool isCharType(SqlType t) {
  return t == SqlType::Varchar2 || t == SqlType::Char || t == SqlType::Long || t == SqlType::Clob;
}

std::string quoteName(const std::string& n) {
  std::string out = "\"";
  for (char c : n) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string quoteText(const std::string& t) {
  std::string out = "'";
  for (char c : t) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

// Words that end an expression or a list; never taken for an alias.
const std::set<std::string>& reservedWords() {
  static const std::set<std::string> words = {
      "ACCESS", "ADD", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "BETWEEN", "BY", "CHECK", "CLUSTER",
      "COLUMN", "COMPRESS", "CONNECT", "CREATE", "CROSS", "CURRENT", "DEFAULT", "DELETE", "DESC",
      "DISTINCT", "DROP", "ELSE", "END", "ESCAPE", "EXCLUSIVE", "EXISTS", "FOR", "FROM", "FULL", "GRANT",
      "GROUP", "HAVING", "IDENTIFIED", "IN", "INDEX", "INNER", "INSERT", "INTERSECT", "INTO", "IS", "JOIN",
      "LEFT", "LIKE", "LOCK", "MINUS", "MODE", "NATURAL", "NOCOMPRESS", "NOT", "NOWAIT", "NULL", "OF",
      "ON", "OPTION", "OR", "ORDER", "OUTER", "PRIOR", "RIGHT", "SELECT", "SET", "SHARE", "START", "THEN",
      "TO", "UNION", "UNIQUE", "UPDATE", "USING", "VALUES", "WHEN", "WHERE", "WITH", "FETCH", "OFFSET"};
  return words;
}

// One relation in a FROM list: the alias the query uses and where its
// columns' declared types come from.
struct Relation {
  std::string alias;    // upper case unless quoted
  std::string storage;  // SQLite name, empty for a subquery
  std::string owner, table;  // the Oracle table behind it, when there is one
  std::map<std::string, std::string> decls;  // upper-case column name -> declared type
  bool loaded = false;
};

class Parser {
 public:
  Parser(Session& s, const std::vector<Token>& t, const std::string& sql, Translation& out)
      : s_(s), t_(t), sql_(sql), out_(out) {}

  void statement() {
    const Token& first = peek();
    if (first.upper == "SELECT" || first.upper == "WITH" || first.text == "(") {
      out_.kind = StatementKind::Select;
      out_.sql = query(true, nullptr);
    } else if (first.upper == "INSERT") {
      out_.kind = StatementKind::Insert;
      out_.sql = insert();
    } else if (first.upper == "UPDATE") {
      out_.kind = StatementKind::Update;
      out_.sql = update();
    } else if (first.upper == "DELETE") {
      out_.kind = StatementKind::Delete;
      out_.sql = remove();
    } else {
      throw OraError(900, "invalid SQL statement");
    }
    if (peek().kind != Token::Kind::End) {
      if (peek().text == ";") throw OraError(911, "invalid character");
      throw OraError(933, "SQL command not properly ended");
    }
  }

  std::string expressionOnly() {
    Expr e = expr();
    if (peek().kind != Token::Kind::End) throw OraError(933, "SQL command not properly ended");
    return e.sql;
  }

 private:
  // ---- token helpers --------------------------------------------------------
  const Token& peek(size_t k = 0) const {
    size_t i = std::min(p_ + k, t_.size() - 1);
    return t_[i];
  }
  const Token& next() {
    const Token& t = t_[p_];
    if (p_ + 1 < t_.size()) ++p_;
    return t;
  }
  bool isWord(const Token& t, const char* w) const { return t.kind == Token::Kind::Word && t.upper == w; }
  bool isOp(const Token& t, const char* op) const { return t.kind == Token::Kind::Operator && t.text == op; }
  bool acceptWord(const char* w) {
    if (isWord(peek(), w)) { next(); return true; }
    return false;
  }
  bool acceptOp(const char* op) {
    if (isOp(peek(), op)) { next(); return true; }
    return false;
  }
  void expectOp(const char* op) {
    if (!acceptOp(op)) {
      if (std::strcmp(op, ")") == 0) throw OraError(907, "missing right parenthesis");
      if (std::strcmp(op, "(") == 0) throw OraError(906, "missing left parenthesis");
      if (std::strcmp(op, ",") == 0) throw OraError(917, "missing comma");
      throw OraError(933, "SQL command not properly ended");
    }
  }
  void expectWord(const char* w, int code, const char* text) {
    if (!acceptWord(w)) throw OraError(code, text);
  }
  bool isName(const Token& t) const {
    return t.kind == Token::Kind::QuotedName ||
           (t.kind == Token::Kind::Word && !reservedWords().count(t.upper));
  }
  std::string nameOf(const Token& t) const {
    const std::string& n = t.kind == Token::Kind::QuotedName ? t.text : t.upper;
    if (n.size() > 30) throw OraError(972, "identifier is too long");
    return n;
  }
  std::string name(int missingCode = 903, const char* missingText = "invalid table name") {
    if (!isName(peek())) throw OraError(missingCode, missingText);
    return nameOf(next());
  }
  // Oracle's column heading for an unaliased expression: its text in upper
  // case with the blanks removed.
  std::string headingOf(size_t from, size_t to) const {
    std::string out;
    size_t b = t_[from].offset;
    size_t e = to < t_.size() ? t_[to].offset : sql_.size();
    for (size_t i = b; i < e && i < sql_.size(); ++i) {
      char c = sql_[i];
      if (platform::isAsciiSpace(c)) continue;
      out += platform::asciiUpper(c);
    }
    return out;
  }

  std::string bindSlot(const std::string& name) {
    auto& names = out_.bindNames;
    auto it = std::find(names.begin(), names.end(), name);
    size_t idx = static_cast<size_t>(it - names.begin());
    if (it == names.end()) names.push_back(name);
    return "?" + std::to_string(idx + 1);
  }

  // ---- scopes ---------------------------------------------------------------
  std::vector<std::vector<Relation>> scopes_;

  const std::string* declOf(const std::string& qualifier, const std::string& column) {
    for (auto sc = scopes_.rbegin(); sc != scopes_.rend(); ++sc) {
      for (Relation& r : *sc) {
        if (!qualifier.empty() && r.alias != qualifier) continue;
        if (r.storage.empty()) continue;
        if (!r.loaded) loadDecls(r);
        auto it = r.decls.find(column);
        if (it != r.decls.end()) return &it->second;
        if (!qualifier.empty()) return nullptr;
      }
    }
    return nullptr;
  }

  void loadDecls(Relation& r) {
    r.loaded = true;
    // table_xinfo: virtual columns too.
    std::string q = "SELECT name, type FROM pragma_table_xinfo(" + quoteText(r.storage) + ")";
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(s_.db, q.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      sqlite3_finalize(st);
      return;
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
      const char* n = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
      const char* d = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
      std::string un = n ? n : "";
      for (char& c : un) c = platform::asciiUpper(c);
      r.decls[un] = d ? d : "";
    }
    sqlite3_finalize(st);
  }

  static Type typeOfDecl(const std::string& decl) {
    if (decl.empty()) return {};
    ColumnInfo c = columnInfoFromDecl("X", decl);
    Type t;
    t.type = c.type;
    t.size = c.size;
    t.precision = c.precision;
    t.scale = c.scale;
    t.known = true;
    return t;
  }

  // ---- queries --------------------------------------------------------------

  // query := block { UNION [ALL] | INTERSECT | MINUS block } [ORDER BY ...]
  std::string query(bool top, const std::vector<std::string>* targets) {
    // A ROWNUM limit belongs to the query whose WHERE holds it.
    std::string outerLimit = limit_;
    limit_.clear();
    std::string sql = queryBody(top, targets);
    limit_ = outerLimit;
    return sql;
  }

  std::string queryBody(bool top, const std::vector<std::string>* targets) {
    std::string sql;
    if (isWord(peek(), "WITH")) {
      next();
      sql += "WITH ";
      while (true) {
        std::string n = name(904, "invalid identifier");
        sql += quoteName(n);
        if (isOp(peek(), "(")) {
          next();
          sql += "(";
          bool firstCol = true;
          while (true) {
            if (!firstCol) sql += ", ";
            firstCol = false;
            sql += quoteName(name(904, "invalid identifier"));
            if (!acceptOp(",")) break;
          }
          expectOp(")");
          sql += ")";
        }
        expectWord("AS", 905, "missing keyword");
        expectOp("(");
        sql += " AS (" + query(false, nullptr) + ")";
        expectOp(")");
        withNames_.insert(n);
        if (!acceptOp(",")) break;
        sql += ", ";
      }
      sql += " ";
    }
    sql += block(top, targets);
    while (true) {
      if (acceptWord("UNION")) {
        sql += acceptWord("ALL") ? " UNION ALL " : " UNION ";
      } else if (acceptWord("INTERSECT")) {
        sql += " INTERSECT ";
      } else if (acceptWord("MINUS")) {
        sql += " EXCEPT ";
      } else {
        break;
      }
      sql += block(false, targets);
    }
    if (isWord(peek(), "ORDER")) {
      next();
      expectWord("BY", 924, "missing BY keyword");
      sql += " ORDER BY " + orderList();
    }
    if (!limit_.empty()) {
      sql += " LIMIT " + limit_;
      limit_.clear();
    }
    if (isWord(peek(), "FOR")) {
      // FOR UPDATE [OF cols] [NOWAIT | WAIT n]: one session holds the file, nothing to lock.
      next();
      expectWord("UPDATE", 905, "missing keyword");
      if (acceptWord("OF")) {
        do { expr(); } while (acceptOp(","));
      }
      if (!acceptWord("NOWAIT") && acceptWord("WAIT")) next();
      acceptWord("SKIP") && acceptWord("LOCKED");
    }
    return sql;
  }

  std::string orderList() {
    std::string sql;
    while (true) {
      Expr e = expr();
      sql += e.sql;
      if (acceptWord("DESC")) sql += " DESC";
      else if (acceptWord("ASC")) sql += " ASC";
      // Oracle sorts NULLs last ascending and first descending.
      if (acceptWord("NULLS")) {
        if (acceptWord("FIRST")) sql += " NULLS FIRST";
        else if (acceptWord("LAST")) sql += " NULLS LAST";
        else throw OraError(933, "SQL command not properly ended");
      } else {
        bool desc = sql.size() >= 5 && sql.compare(sql.size() - 5, 5, " DESC") == 0;
        sql += desc ? " NULLS FIRST" : " NULLS LAST";
      }
      if (!acceptOp(",")) break;
      sql += ", ";
    }
    return sql;
  }

  struct Item {
    size_t start = 0, end = 0;  // token range of the item
    bool star = false;
    std::string starQualifier;
  };

  std::string block(bool top, const std::vector<std::string>* targets) {
    if (isOp(peek(), "(")) {
      next();
      std::string inner = query(false, targets);
      expectOp(")");
      return "SELECT * FROM (" + inner + ")";
    }
    expectWord("SELECT", 928, "missing SELECT keyword");
    std::string sql = "SELECT ";
    if (acceptWord("DISTINCT") || acceptWord("UNIQUE")) sql += "DISTINCT ";
    else acceptWord("ALL");
    // The select list is read after the FROM clause, so that its columns'
    // types are known while it is translated.
    size_t listStart = p_;
    if (peek().kind == Token::Kind::End || isWord(peek(), "FROM")) throw OraError(936, "missing expression");
    skipSelectList();
    size_t listEnd = p_;
    if (!isWord(peek(), "FROM")) throw OraError(923, "FROM keyword not found where expected");
    next();
    scopes_.emplace_back();
    std::string from = fromList();
    size_t afterFrom = p_;
    // Translate the select list now.
    p_ = listStart;
    std::string list = selectList(top, targets);
    if (p_ != listEnd) throw OraError(923, "FROM keyword not found where expected");
    p_ = afterFrom;
    sql += list + " FROM " + from;
    if (acceptWord("WHERE")) {
      std::string cond = whereCondition(top);
      if (!cond.empty()) sql += " WHERE " + cond;
    }
    if (isWord(peek(), "CONNECT") || isWord(peek(), "START"))
      throw OraError(3001, "unimplemented feature");
    if (isWord(peek(), "GROUP")) {
      next();
      expectWord("BY", 924, "missing BY keyword");
      sql += " GROUP BY ";
      while (true) {
        sql += expr().sql;
        if (!acceptOp(",")) break;
        sql += ", ";
      }
    }
    if (acceptWord("HAVING")) sql += " HAVING " + expr().sql;
    scopes_.pop_back();
    return sql;
  }

  // Walks over the select list without translating it: up to FROM at depth 0.
  void skipSelectList() {
    int depth = 0;
    while (true) {
      if (peek().kind == Token::Kind::End) {
        if (depth > 0) throw OraError(907, "missing right parenthesis");
        return;
      }
      const Token& t = peek();
      if (isOp(t, "(")) ++depth;
      else if (isOp(t, ")")) {
        if (depth == 0) return;
        --depth;
      } else if (depth == 0 && (isWord(t, "FROM") || isWord(t, "UNION") || isWord(t, "MINUS") ||
                                isWord(t, "INTERSECT") || isWord(t, "ORDER"))) {
        return;
      }
      next();
    }
  }

  std::string selectList(bool top, const std::vector<std::string>* targets) {
    std::string sql;
    size_t index = 0;
    while (true) {
      if (index > 0) sql += ", ";
      const Token& t = peek();
      if (isOp(t, "*")) {
        next();
        if (!starWithoutHidden("", sql, top)) {
          sql += "*";
          if (top) addColumn("*", {}, true);
        }
      } else if (isName(t) && isOp(peek(1), ".") && isOp(peek(2), "*")) {
        std::string q = nameOf(next());
        next();
        next();
        if (!starWithoutHidden(q, sql, top)) {
          sql += quoteName(q) + ".*";
          if (top) addColumn(q + ".*", {}, true);
        }
      } else {
        size_t start = p_;
        Expr e = expr();
        size_t end = p_;
        std::string alias;
        if (acceptWord("AS")) {
          if (!isName(peek()) && peek().kind != Token::Kind::Word) throw OraError(923, "FROM keyword not found where expected");
          alias = nameOf(next());
        } else if (isName(peek())) {
          alias = nameOf(next());
        }
        if (alias.empty()) alias = e.isColumn ? e.columnName : headingOf(start, end);
        if (alias.size() > 30) alias.resize(30);
        std::string valueSql = e.sql;
        if (targets && index < targets->size())
          valueSql = convertFor((*targets)[index], e,
                                targetLabels_ && index < targetLabels_->size() ? (*targetLabels_)[index] : std::string());
        sql += valueSql + " AS " + quoteName(alias);
        if (top) {
          ColumnInfo c;
          c.name = alias;
          c.type = e.type.type;
          c.size = e.type.size;
          c.precision = e.type.precision;
          c.scale = e.type.scale;
          addColumn(alias, c, false, e.type.known && !e.isColumn);
        }
      }
      ++index;
      if (!acceptOp(",")) break;
    }
    return sql;
  }

  // "*" (or "q.*") over a table with invisible columns: its visible columns
  // by name.  False when no relation in reach has invisible columns.
  bool starWithoutHidden(const std::string& qualifier, std::string& sql, bool top) {
    if (scopes_.empty()) return false;
    std::vector<std::vector<std::pair<std::string, std::string>>> lists;
    bool any = false;
    for (const Relation& r : scopes_.back()) {
      if (!qualifier.empty() && r.alias != qualifier) continue;
      lists.push_back(r.table.empty() ? std::vector<std::pair<std::string, std::string>>{}
                                      : visibleColumnsIfHidden(s_, r.owner, r.table));
      any = any || !lists.back().empty();
      if (r.alias.empty()) return false;  // an unnamed subquery cannot be qualified
    }
    if (!any) return false;
    size_t k = 0;
    bool first = true;
    for (const Relation& r : scopes_.back()) {
      if (!qualifier.empty() && r.alias != qualifier) continue;
      const auto& list = lists[k++];
      if (list.empty()) {
        sql += (first ? "" : ", ") + quoteName(r.alias) + ".*";
        if (top) addColumn(r.alias + ".*", {}, true);
        first = false;
        continue;
      }
      for (const auto& [name, decl] : list) {
        sql += (first ? "" : ", ") + quoteName(r.alias) + "." + quoteName(name) + " AS " + quoteName(name);
        if (top) addColumn(name, columnInfoFromDecl(name, decl), false);
        first = false;
      }
    }
    return true;
  }

  void addColumn(const std::string& name, ColumnInfo c, bool star, bool known = false) {
    c.name = name;
    out_.columns.push_back(c);
    out_.starColumn.push_back(star);
    out_.columnKnown.push_back(known);
  }

  std::string fromList() {
    std::string sql = fromItem();
    while (true) {
      if (acceptOp(",")) {
        sql += ", " + fromItem();
        continue;
      }
      std::string join;
      if (isWord(peek(), "JOIN") || isWord(peek(), "INNER")) {
        acceptWord("INNER");
        join = " JOIN ";
      } else if (isWord(peek(), "LEFT")) {
        next();
        acceptWord("OUTER");
        join = " LEFT JOIN ";
      } else if (isWord(peek(), "RIGHT") || isWord(peek(), "FULL")) {
        bool full = peek().upper == "FULL";
        next();
        acceptWord("OUTER");
        join = full ? " FULL JOIN " : " RIGHT JOIN ";
      } else if (isWord(peek(), "CROSS")) {
        next();
        join = " CROSS JOIN ";
      } else if (isWord(peek(), "NATURAL")) {
        next();
        acceptWord("INNER");
        join = " NATURAL JOIN ";
      } else {
        break;
      }
      expectWord("JOIN", 905, "missing keyword");
      sql += join + fromItem();
      if (acceptWord("ON")) {
        sql += " ON " + expr().sql;
      } else if (acceptWord("USING")) {
        expectOp("(");
        sql += " USING (";
        while (true) {
          sql += quoteName(name(904, "invalid identifier"));
          if (!acceptOp(",")) break;
          sql += ", ";
        }
        expectOp(")");
        sql += ")";
      }
    }
    return sql;
  }

  std::string fromItem() {
    Relation r;
    std::string sql;
    if (isOp(peek(), "(")) {
      next();
      auto savedColumns = out_.columns.size();
      (void)savedColumns;
      std::string inner = query(false, nullptr);
      expectOp(")");
      sql = "(" + inner + ")";
    } else {
      if (!isName(peek())) throw OraError(903, "invalid table name");
      std::string owner, n = nameOf(next());
      if (acceptOp(".")) {
        owner = n;
        n = name();
      }
      if (isOp(peek(), "@")) throw OraError(2019, "connection description for remote database not found");
      if (owner.empty() && withNames_.count(n)) {
        r.alias = n;
        sql = quoteName(n);
      } else {
        r.storage = resolveRelation(s_, owner, n);
        r.alias = n;
        r.owner = owner.empty() ? s_.user : owner;
        r.table = n;
        sql = quoteName(r.storage);
      }
    }
    if (isName(peek()) && !isWord(peek(), "LEFT") && !isWord(peek(), "RIGHT") && !isWord(peek(), "FULL") &&
        !isWord(peek(), "CROSS") && !isWord(peek(), "NATURAL") && !isWord(peek(), "INNER") &&
        !isWord(peek(), "JOIN")) {
      r.alias = nameOf(next());
    }
    if (!r.alias.empty()) sql += " AS " + quoteName(r.alias);
    scopes_.back().push_back(std::move(r));
    return sql;
  }

  // WHERE of a query: a top-level ROWNUM limit becomes LIMIT.
  std::string whereCondition(bool top) {
    std::vector<std::string> parts;
    while (true) {
      if (isWord(peek(), "ROWNUM") && peek(2).kind == Token::Kind::Number &&
          (isOp(peek(1), "<") || isOp(peek(1), "<=") || isOp(peek(1), "=")) &&
          (isWord(peek(3), "AND") || peek(3).kind == Token::Kind::End || isWord(peek(3), "ORDER") ||
           isWord(peek(3), "GROUP") || isOp(peek(3), ")") || isWord(peek(3), "UNION") || isWord(peek(3), "FOR"))) {
        next();  // ROWNUM
        std::string op = next().text;
        std::string num = next().text;
        long n = std::atol(num.c_str());
        if (op == "<") n -= 1;
        if (op == "=") n = n == 1 ? 1 : 0;
        if (n < 0) n = 0;
        limit_ = std::to_string(n);
        if (!acceptWord("AND")) break;
        continue;
      }
      parts.push_back(notExpr().sql);
      if (!acceptWord("AND")) {
        if (isWord(peek(), "OR")) {
          // The conjunction so far is the left side of an OR.
          std::string left = joinAnd(parts);
          parts.clear();
          std::string sql = "(" + left + ")";
          while (acceptWord("OR")) sql += " OR (" + andExpr().sql + ")";
          parts.push_back(sql);
          if (acceptWord("AND")) continue;
        }
        break;
      }
    }
    (void)top;
    return joinAnd(parts);
  }
  static std::string joinAnd(const std::vector<std::string>& parts) {
    std::string s;
    for (size_t i = 0; i < parts.size(); ++i) s += (i ? " AND " : "") + std::string("(") + parts[i] + ")";
    return s;
  }

  // ---- DML ------------------------------------------------------------------

  struct Target {
    std::string storage, alias;
    std::string owner, table;
    std::vector<std::string> columns;                  // in table order
    std::map<std::string, std::string> decls;          // column -> declared type
  };

  Target target() {
    Target tg;
    std::string owner, n = name();
    if (acceptOp(".")) {
      owner = n;
      n = name();
    }
    tg.storage = resolveRelation(s_, owner, n);
    tg.alias = n;
    tg.owner = owner.empty() ? s_.user : owner;
    tg.table = n;
    if (isName(peek()) && !isWord(peek(), "SET") && !isWord(peek(), "VALUES") && !isWord(peek(), "WHERE"))
      tg.alias = nameOf(next());
    Relation r;
    r.alias = tg.alias;
    r.storage = tg.storage;
    loadDecls(r);
    std::string q = "SELECT name, type FROM pragma_table_info(" + quoteText(tg.storage) + ") ORDER BY cid";
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(s_.db, q.c_str(), -1, &st, nullptr) == SQLITE_OK) {
      while (sqlite3_step(st) == SQLITE_ROW) {
        const char* c = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        tg.columns.push_back(c ? c : "");
      }
    }
    sqlite3_finalize(st);
    tg.decls = r.decls;
    scopes_.emplace_back();
    scopes_.back().push_back(std::move(r));
    return tg;
  }

  std::string columnIn(const Target& tg) {
    std::string n = name(904, "invalid identifier");
    if (acceptOp(".")) n = name(904, "invalid identifier");  // alias.column
    std::string key = n;
    for (char& c : key) c = platform::asciiUpper(c);
    if (!tg.decls.count(key)) throw OraError(904, quoteName(n) + ": invalid identifier");
    return n;
  }

  // The value written into a column, converted to its type as Oracle does,
  // and held to the column's size: texts and RAWs no longer than declared,
  // numbers rounded to the scale and within the precision.  `label` names the
  // column in the error ("OWNER"."TABLE"."COLUMN").
  std::string convertFor(const std::string& decl, const Expr& e, const std::string& label = {}) {
    if (decl.empty()) return e.sql;
    Type t = typeOfDecl(decl);
    // The declared length in the unit the column counts in.
    int length = 0;
    bool chars = false;
    size_t lp = decl.find('(');
    if (lp != std::string::npos) {
      length = std::atoi(decl.c_str() + lp + 1);
      chars = decl.find("CHAR", lp) != std::string::npos;
    } else if (t.type == SqlType::Char) {
      length = 1;
    }
    if (decl.rfind("NCHAR", 0) == 0 || decl.rfind("NVARCHAR2", 0) == 0) chars = true;
    std::string lab = quoteText(label.empty() ? std::string("?") : label);
    switch (t.type) {
      case SqlType::Number: {
        bool plainNumber = t.precision == 0 && (t.scale == 0 || t.scale == -127);
        bool isFloat = t.scale == -127;
        if (plainNumber || isFloat) {
          if (decl.rfind("INTEGER", 0) == 0 || decl.rfind("INT", 0) == 0 || decl.rfind("SMALLINT", 0) == 0)
            return "ocisim_as_number(" + e.sql + ", 0, 0)";
          return e.type.known && e.type.type == SqlType::Number ? e.sql : "ocisim_as_number(" + e.sql + ")";
        }
        return "ocisim_as_number(" + e.sql + ", " + std::to_string(t.precision) + ", " + std::to_string(t.scale) + ")";
      }
      case SqlType::Date:
        return e.type.known && e.type.type == SqlType::Date ? e.sql : "ocisim_as_date(" + e.sql + ")";
      case SqlType::Char:
        return "ocisim_as_text(" + e.sql + ", " + std::to_string(length) + ", " + std::to_string(length) + ", " +
               (chars ? "1" : "0") + ", " + lab + ")";
      case SqlType::Varchar2: {
        std::string v = e.sql;
        if (e.type.known && e.type.type == SqlType::Date) v = "ocisim_datetext(" + v + ")";
        return "ocisim_as_text(" + v + ", 0, " + std::to_string(length) + ", " + (chars ? "1" : "0") + ", " + lab + ")";
      }
      case SqlType::Long:
      case SqlType::Clob:
        if (e.type.known && isCharType(e.type.type)) return e.sql;
        if (e.type.known && e.type.type == SqlType::Date) return "ocisim_datetext(" + e.sql + ")";
        return "ocisim_as_text(" + e.sql + ")";
      case SqlType::Raw:
        return "ocisim_as_raw(" + e.sql + ", " + std::to_string(length) + ", " + lab + ")";
      case SqlType::LongRaw:
      case SqlType::Blob:
        if (e.type.known && (e.type.type == SqlType::Raw || e.type.type == SqlType::Blob)) return e.sql;
        return "ocisim_tobinary(" + e.sql + ")";
      default:
        if (isModernType(t.type)) return "ocisim_as_typed(" + e.sql + ", " + quoteText(decl) + ")";
        return e.sql;
    }
  }

  std::string labelFor(const Target& tg, const std::string& column) const {
    std::string owner = tg.storage, table;
    size_t dot = owner.find('.');
    if (dot != std::string::npos) {
      table = owner.substr(dot + 1);
      owner.resize(dot);
    }
    return quoteName(owner) + "." + quoteName(table) + "." + quoteName(column);
  }

  std::string declFor(const Target& tg, const std::string& column) {
    std::string key = column;
    for (char& c : key) c = platform::asciiUpper(c);
    auto it = tg.decls.find(key);
    return it == tg.decls.end() ? std::string() : it->second;
  }

  std::string insert() {
    next();  // INSERT
    expectWord("INTO", 925, "missing INTO keyword");
    Target tg = target();
    std::vector<std::string> cols;
    const bool explicitList = isOp(peek(), "(") && !(isWord(peek(1), "SELECT") || isWord(peek(1), "WITH"));
    if (explicitList) {
      next();
      while (true) {
        cols.push_back(columnIn(tg));
        if (!acceptOp(",")) break;
      }
      expectOp(")");
    } else {
      cols = tg.columns;
    }
    // Invisible, virtual and identity columns, and the defaults an INSERT
    // computes itself.
    const std::vector<SpecialColumn> special = specialColumns(s_, tg.owner, tg.table);
    std::vector<std::string> extraColumns, extraValues;
    std::map<std::string, std::string> onNull;  // column -> its default, for explicit NULLs
    for (const SpecialColumn& sc : special) {
      auto at = std::find(cols.begin(), cols.end(), sc.name);
      const bool listed = at != cols.end();
      if (listed && !explicitList && sc.hidden) {
        cols.erase(at);
        continue;
      }
      if (listed && sc.virtualColumn) throw OraError(54013, "INSERT operation disallowed on virtual columns");
      if (listed && sc.identity == "ALWAYS")
        throw OraError(32795, "cannot insert into a generated always identity column");
      if (sc.virtualColumn || sc.defaultText.empty()) continue;
      const std::string value = translateExpression(s_, sc.defaultText);
      if (listed && sc.defaultOnNull) onNull[sc.name] = value;
      if (!listed && isSequenceDefault(value)) {
        extraColumns.push_back(sc.name);
        extraValues.push_back(value);
      }
    }
    std::vector<std::string> decls, labels;
    for (const auto& c : cols) {
      decls.push_back(declFor(tg, c));
      labels.push_back(labelFor(tg, c));
    }
    std::string sql = "INSERT INTO " + quoteName(tg.storage) + " AS " + quoteName(tg.alias) + " (";
    for (size_t i = 0; i < cols.size(); ++i) sql += (i ? ", " : "") + quoteName(cols[i]);
    for (size_t i = 0; i < extraColumns.size(); ++i) sql += (cols.empty() && i == 0 ? "" : ", ") + quoteName(extraColumns[i]);
    sql += ") ";
    if (acceptWord("VALUES")) {
      expectOp("(");
      std::vector<std::string> values;
      while (true) {
        Expr e = expr();
        size_t k = values.size();
        values.push_back(k < decls.size() ? convertFor(decls[k], e, labels[k]) : e.sql);
        if (!acceptOp(",")) break;
      }
      expectOp(")");
      if (values.size() < cols.size()) throw OraError(947, "not enough values");
      if (values.size() > cols.size()) throw OraError(913, "too many values");
      sql += "VALUES (";
      for (size_t i = 0; i < values.size(); ++i) {
        auto def = onNull.find(cols[i]);
        sql += (i ? ", " : "") + (def == onNull.end() ? values[i] : "COALESCE(" + values[i] + ", " + def->second + ")");
      }
      for (const auto& v : extraValues) sql += (values.empty() ? "" : ", ") + v;
      sql += ")";
    } else if (isWord(peek(), "SELECT") || isWord(peek(), "WITH") || isOp(peek(), "(")) {
      size_t before = out_.columns.size();
      targetLabels_ = &labels;
      std::string rows = query(false, &decls);
      targetLabels_ = nullptr;
      if (extraValues.empty()) {
        sql += rows;
      } else {
        sql += "SELECT *";
        for (const auto& v : extraValues) sql += ", " + v;
        sql += " FROM (" + rows + ")";
      }
      out_.columns.resize(before);
      out_.starColumn.resize(before);
      out_.columnKnown.resize(before);
    } else {
      throw OraError(926, "missing VALUES keyword");
    }
    scopes_.pop_back();
    return sql;
  }

  std::string update() {
    next();  // UPDATE
    Target tg = target();
    expectWord("SET", 971, "missing SET keyword");
    std::string sql = "UPDATE " + quoteName(tg.storage) + " AS " + quoteName(tg.alias) + " SET ";
    bool first = true;
    while (true) {
      if (!first) sql += ", ";
      first = false;
      if (isOp(peek(), "(")) {
        // (a, b) = (SELECT ...)
        next();
        std::vector<std::string> cols;
        while (true) {
          cols.push_back(columnIn(tg));
          if (!acceptOp(",")) break;
        }
        expectOp(")");
        expectOp("=");
        expectOp("(");
        std::string q = query(false, nullptr);
        expectOp(")");
        sql += "(";
        for (size_t i = 0; i < cols.size(); ++i) sql += (i ? ", " : "") + quoteName(cols[i]);
        sql += ") = (" + q + ")";
      } else {
        std::string c = columnIn(tg);
        for (const SpecialColumn& sc : specialColumns(s_, tg.owner, tg.table)) {
          if (sc.name != c) continue;
          if (sc.virtualColumn) throw OraError(54017, "UPDATE operation disallowed on virtual columns");
          if (sc.identity == "ALWAYS") throw OraError(32796, "cannot update a generated always identity column");
        }
        if (!acceptOp("=")) throw OraError(927, "missing equal sign");
        Expr e = expr();
        sql += quoteName(c) + " = " + convertFor(declFor(tg, c), e, labelFor(tg, c));
      }
      if (!acceptOp(",")) break;
    }
    if (acceptWord("WHERE")) sql += " WHERE " + expr().sql;
    scopes_.pop_back();
    return sql;
  }

  std::string remove() {
    next();  // DELETE
    acceptWord("FROM");
    Target tg = target();
    std::string sql = "DELETE FROM " + quoteName(tg.storage) + " AS " + quoteName(tg.alias);
    if (acceptWord("WHERE")) sql += " WHERE " + expr().sql;
    scopes_.pop_back();
    return sql;
  }

  // ---- expressions ----------------------------------------------------------
 public:
  Expr expr() { return orExpr(); }

 private:
  Expr orExpr() {
    Expr l = andExpr();
    while (acceptWord("OR")) {
      Expr r = andExpr();
      l.sql = "(" + l.sql + " OR " + r.sql + ")";
      l.type = numberType();
      l.isColumn = false;
    }
    return l;
  }
  Expr andExpr() {
    Expr l = notExpr();
    while (acceptWord("AND")) {
      Expr r = notExpr();
      l.sql = "(" + l.sql + " AND " + r.sql + ")";
      l.type = numberType();
      l.isColumn = false;
    }
    return l;
  }
  Expr notExpr() {
    if (acceptWord("NOT")) {
      Expr e = notExpr();
      e.sql = "(NOT " + e.sql + ")";
      e.isColumn = false;
      return e;
    }
    return comparison();
  }

  Expr comparison() {
    if (isWord(peek(), "EXISTS")) {
      next();
      expectOp("(");
      std::string q = query(false, nullptr);
      expectOp(")");
      Expr e;
      e.sql = "EXISTS (" + q + ")";
      e.type = numberType();
      return e;
    }
    Expr l = additive();
    while (true) {
      const Token& t = peek();
      static const char* const ops[] = {"=", "<>", "!=", "^=", "<", ">", "<=", ">="};
      bool isCmp = false;
      for (const char* op : ops) isCmp = isCmp || isOp(t, op);
      if (isCmp) {
        std::string op = next().text;
        if (op == "!=" || op == "^=") op = "<>";
        std::string quant;
        if (isWord(peek(), "ANY") || isWord(peek(), "SOME") || isWord(peek(), "ALL")) {
          quant = next().upper;
          expectOp("(");
          if (!isWord(peek(), "SELECT")) {
            // x = ANY (a, b) is x IN (a, b)
            std::string list;
            while (true) {
              list += (list.empty() ? "" : ", ") + expr().sql;
              if (!acceptOp(",")) break;
            }
            expectOp(")");
            if (quant != "ALL" && op == "=") {
              l = boolean(l.sql + " IN (" + list + ")");
              continue;
            }
            throw OraError(3001, "unimplemented feature");
          }
          throw OraError(3001, "unimplemented feature");
        }
        Expr r = additive();
        l = boolean(compareSql(l, op, r));
        continue;
      }
      if (isWord(t, "IS")) {
        next();
        bool neg = acceptWord("NOT");
        expectWord("NULL", 908, "missing NULL keyword");
        l = boolean(l.sql + (neg ? " IS NOT NULL" : " IS NULL"));
        continue;
      }
      bool neg = false;
      if (isWord(t, "NOT") && (isWord(peek(1), "LIKE") || isWord(peek(1), "IN") || isWord(peek(1), "BETWEEN"))) {
        next();
        neg = true;
      }
      if (acceptWord("LIKE")) {
        Expr r = additive();
        std::string sql = l.sql + (neg ? " NOT LIKE " : " LIKE ") + textOperand(r);
        if (acceptWord("ESCAPE")) sql += " ESCAPE " + additive().sql;
        l = boolean(sql);
        continue;
      }
      if (acceptWord("BETWEEN")) {
        Expr a = additive();
        expectWord("AND", 905, "missing keyword");
        Expr b = additive();
        l = boolean(l.sql + (neg ? " NOT BETWEEN " : " BETWEEN ") + sideFor(l, a) + " AND " + sideFor(l, b));
        continue;
      }
      if (acceptWord("IN")) {
        expectOp("(");
        std::string sql;
        if (isWord(peek(), "SELECT") || isWord(peek(), "WITH")) {
          sql = query(false, nullptr);
        } else {
          while (true) {
            Expr e = expr();
            sql += (sql.empty() ? "" : ", ") + sideFor(l, e);
            if (!acceptOp(",")) break;
          }
        }
        expectOp(")");
        l = boolean(l.sql + (neg ? " NOT IN (" : " IN (") + sql + ")");
        continue;
      }
      if (neg) throw OraError(933, "SQL command not properly ended");
      break;
    }
    return l;
  }

  Expr boolean(const std::string& sql) {
    Expr e;
    e.sql = "(" + sql + ")";
    e.type = numberType();
    return e;
  }

  // A date column compared with a text converts the text with the session's format.
  std::string sideFor(const Expr& other, const Expr& e) {
    if (other.type.type == SqlType::Date && other.type.known == false) {}
    if (typeKnownAs(other, SqlType::Date) && e.type.known && isCharType(e.type.type))
      return "ocisim_as_date(" + e.sql + ")";
    return e.sql;
  }
  bool typeKnownAs(const Expr& e, SqlType t) const { return (e.type.known || e.isColumn) && e.type.type == t; }

  std::string compareSql(const Expr& l, const std::string& op, const Expr& r) {
    // CHAR values compare blank-padded: 'ab' equals a CHAR(5) holding 'ab   '.
    bool lc = typeKnownAs(l, SqlType::Char) && l.isColumn, rc = typeKnownAs(r, SqlType::Char) && r.isColumn;
    bool lt = (l.type.known || l.isColumn) && isCharType(l.type.type);
    bool rt = (r.type.known || r.isColumn) && isCharType(r.type.type);
    if ((lc && (rt || !r.type.known)) || (rc && (lt || !l.type.known)))
      return "rtrim(" + l.sql + ", ' ') " + op + " rtrim(" + r.sql + ", ' ')";
    return sideFor(r, l) + " " + op + " " + sideFor(l, r);
  }

  std::string textOperand(const Expr& e) {
    if (typeKnownAs(e, SqlType::Date)) return "ocisim_datetext(" + e.sql + ")";
    return e.sql;
  }

  // A chain of "||" becomes one call with every operand, however long the
  // chain: nested calls would overflow SQLite's parser.  A chain with a CLOB
  // operand makes a CLOB; any other is VARCHAR2, held to 4,000 bytes.  (A
  // LONG operand, which Oracle refuses in expressions, lifts the limit too:
  // tests grow LONG values that way.)
  Expr additive() {
    Expr l = multiplicative();
    std::vector<std::string> chain;
    bool chainClob = false;
    int chainSize = 0;
    auto closeChain = [&]() {
      if (chain.empty()) return;
      // SQLite takes a limited number of arguments per call: long chains
      // are calls of calls, a hundred operands each.
      const std::string fn = chainClob ? "ocisim_concat_clob(" : "ocisim_concat(";
      constexpr size_t kPerCall = 100;
      std::vector<std::string> level = std::move(chain);
      do {
        std::vector<std::string> up;
        for (size_t at = 0; at < level.size(); at += kPerCall) {
          std::string call = fn;
          for (size_t i = at; i < std::min(level.size(), at + kPerCall); ++i) {
            if (i > at) call += ", ";
            call += level[i];
          }
          up.push_back(call + ")");
        }
        level = std::move(up);
      } while (level.size() > 1);
      Expr e;
      e.sql = level[0];
      e.type = chainClob ? Type{SqlType::Clob, 4000, 0, 0, true} : varcharType(std::min(4000, chainSize));
      chain.clear();
      chainClob = false;
      chainSize = 0;
      l = e;
    };
    while (true) {
      if (isOp(peek(), "||")) {
        next();
        Expr r = multiplicative();
        if (chain.empty()) {
          chain.push_back(textOperand(l));
          chainClob = typeKnownAs(l, SqlType::Clob) || typeKnownAs(l, SqlType::Long);
          chainSize = std::max(l.type.size, 1);
        }
        chain.push_back(textOperand(r));
        chainClob = chainClob || typeKnownAs(r, SqlType::Clob) || typeKnownAs(r, SqlType::Long);
        chainSize = std::min(4000, chainSize + std::max(r.type.size, 1));
      } else if (isOp(peek(), "+") || isOp(peek(), "-")) {
        closeChain();
        bool plus = next().text == "+";
        Expr r = multiplicative();
        Expr e;
        bool ld = typeKnownAs(l, SqlType::Date), rd = typeKnownAs(r, SqlType::Date);
        if (ld && rd && !plus) {
          e.sql = "ocisim_date_diff(" + l.sql + ", " + r.sql + ")";
          e.type = numberType();
        } else if (ld || rd) {
          if (ld && rd) throw OraError(975, "date + date not allowed");
          const Expr& d = ld ? l : r;
          const Expr& n = ld ? r : l;
          if (!plus && rd) throw OraError(932, "inconsistent datatypes: expected NUMBER got DATE");
          e.sql = "ocisim_date_add(" + d.sql + ", " + (plus ? "" : "-") + numOperand(n) + ")";
          e.type = dateType();
        } else {
          e.sql = "(" + numOperand(l) + (plus ? " + " : " - ") + numOperand(r) + ")";
          e.type = numberType();
        }
        l = e;
      } else {
        break;
      }
    }
    closeChain();
    return l;
  }

  std::string numOperand(const Expr& e) {
    if (e.type.known && isCharType(e.type.type)) return "ocisim_num(" + e.sql + ")";
    if (e.isColumn && isCharType(e.type.type)) return "ocisim_num(" + e.sql + ")";
    return e.sql;
  }

  Expr multiplicative() {
    Expr l = unary();
    while (isOp(peek(), "*") || isOp(peek(), "/")) {
      bool mul = next().text == "*";
      Expr r = unary();
      Expr e;
      e.sql = mul ? "(" + numOperand(l) + " * " + numOperand(r) + ")"
                  : "ocisim_div(" + numOperand(l) + ", " + numOperand(r) + ")";
      e.type = numberType();
      l = e;
    }
    return l;
  }

  Expr unary() {
    if (isOp(peek(), "-") && peek(1).kind == Token::Kind::Number && !peek(1).suffix) {
      // A negative literal keeps all its digits.
      next();
      return literalNumber("-" + next().text);
    }
    if (isOp(peek(), "-")) {
      next();
      Expr e = unary();
      if (e.type.known && (e.type.type == SqlType::BinaryDouble || e.type.type == SqlType::BinaryFloat)) {
        // -0 and the infinities keep their sign.
        e.sql = "ocisim_bneg(" + e.sql + ")";
        e.isColumn = false;
        return e;
      }
      e.sql = "(-" + numOperand(e) + ")";
      e.type = numberType();
      e.isColumn = false;
      return e;
    }
    if (isOp(peek(), "+")) {
      next();
      return unary();
    }
    if (isWord(peek(), "PRIOR")) throw OraError(3001, "unimplemented feature");
    return primary();
  }

  Expr literalNumber(const std::string& text) {
    Expr e;
    std::string c;
    canonicalNumber(text, c);
    e.type = numberType();
    bool integral = c.find('.') == std::string::npos && c.find('E') == std::string::npos;
    if (integral && c.size() < 19) {
      e.sql = c;
      return e;
    }
    double d = doubleFromNumberText(c);
    if (canonicalFromDouble(d) == c) {
      e.sql = c[0] == '.' ? "0" + c : (c.rfind("-.", 0) == 0 ? "-0" + c.substr(1) : c);
      return e;
    }
    // Digits a double cannot hold travel as a BLOB of their text.
    static const char* hex = "0123456789ABCDEF";
    e.sql = "X'";
    for (unsigned char ch : c) {
      e.sql += hex[ch >> 4];
      e.sql += hex[ch & 15];
    }
    e.sql += "'";
    return e;
  }

  Expr primary() {
    const Token& t = peek();
    Expr e;
    switch (t.kind) {
      case Token::Kind::Number:
        next();
        if (t.suffix) {
          // 1.5d, 2f: binary floats, read exactly
          e.sql = "ocisim_binary(" + quoteText(t.text) + ", " + (t.suffix == 'F' ? "1" : "0") + ")";
          e.type = modernType(t.suffix == 'F' ? SqlType::BinaryFloat : SqlType::BinaryDouble);
          return e;
        }
        return literalNumber(t.text);
      case Token::Kind::String:
        next();
        if (t.text.empty()) {
          // Oracle has no empty string: '' is NULL.
          e.sql = "NULL";
          e.type = {SqlType::Char, 0, 0, 0, true};
        } else {
          if (t.text.size() > 4000) throw OraError(1704, "string literal too long");
          e.sql = quoteText(t.text);
          e.type = {SqlType::Char, static_cast<int>(t.text.size()), 0, 0, true};
        }
        return e;
      case Token::Kind::Bind:
        next();
        e.sql = bindSlot(t.upper);
        return e;
      case Token::Kind::Operator:
        if (t.text == "(") {
          next();
          if (isWord(peek(), "SELECT") || isWord(peek(), "WITH")) {
            size_t before = out_.columns.size();
            std::string q = query(false, nullptr);
            out_.columns.resize(before);
            out_.starColumn.resize(before);
            out_.columnKnown.resize(before);
            expectOp(")");
            e.sql = "(" + q + ")";
            return e;
          }
          Expr inner = expr();
          if (isOp(peek(), ",")) {
            std::string sql = "(" + inner.sql;
            while (acceptOp(",")) sql += ", " + expr().sql;
            expectOp(")");
            e.sql = sql + ")";
            return e;
          }
          expectOp(")");
          inner.sql = "(" + inner.sql + ")";
          inner.isColumn = false;
          return inner;
        }
        if (t.text == "(+)") throw OraError(3001, "unimplemented feature");
        throw OraError(936, "missing expression");
      case Token::Kind::End:
        throw OraError(936, "missing expression");
      default: break;
    }
    // Words and quoted names.
    if (t.kind == Token::Kind::Word) {
      const std::string& w = t.upper;
      if (w == "NULL") {
        next();
        e.sql = "NULL";
        e.type = varcharType(0);
        return e;
      }
      if (w == "CASE") return caseExpr();
      if (w == "DATE" && peek(1).kind == Token::Kind::String) {
        next();
        std::string lit = next().text;
        e.sql = quoteText(storedDate(parseDate(lit, "YYYY-MM-DD")));
        e.type = dateType();
        return e;
      }
      if (w == "TIMESTAMP" && peek(1).kind == Token::Kind::String) {
        next();
        Timestamp ts = parseTimestamp(next().text);
        const bool zoned = ts.zone != Timestamp::Zone::None;
        e.sql = quoteText(storedTimestamp(ts, zoned));
        e.type = modernType(zoned ? SqlType::TimestampTz : SqlType::Timestamp);
        return e;
      }
      if (w == "INTERVAL" && peek(1).kind == Token::Kind::String) {
        next();
        std::string lit = next().text;
        auto field = [&](int& precision) {
          std::string f = next().upper;
          precision = -1;
          if (acceptOp("(")) {
            precision = std::atoi(next().text.c_str());
            expectOp(")");
          }
          return f;
        };
        int lead = -1, fraction = -1;
        std::string leading = field(lead), trailing;
        if (acceptWord("TO")) trailing = field(fraction);
        Interval iv = parseInterval(lit, leading, trailing, lead < 0 ? 2 : lead);
        e.sql = quoteText(storedInterval(iv));
        e.type = modernType(iv.yearToMonth ? SqlType::IntervalYM : SqlType::IntervalDS);
        return e;
      }
      if (w == "SYSTIMESTAMP" || w == "CURRENT_TIMESTAMP") {
        next();
        e.sql = "ocisim_systimestamp()";
        e.type = modernType(SqlType::TimestampTz);
        return e;
      }
      if (w == "BINARY_DOUBLE_NAN" || w == "BINARY_DOUBLE_INFINITY" || w == "BINARY_FLOAT_NAN" ||
          w == "BINARY_FLOAT_INFINITY") {
        next();
        const bool isFloat = w[7] == 'F';
        e.sql = std::string("ocisim_binary('") + (w.find("NAN") != std::string::npos ? "NaN" : "Inf") + "', " +
                (isFloat ? "1" : "0") + ")";
        e.type = modernType(isFloat ? SqlType::BinaryFloat : SqlType::BinaryDouble);
        return e;
      }
      if (w == "SYSDATE" || w == "CURRENT_DATE") {
        next();
        e.sql = "ocisim_sysdate()";
        e.type = dateType();
        return e;
      }
      if (w == "USER" && !isOp(peek(1), ".")) {
        next();
        e.sql = "ocisim_user()";
        e.type = varcharType(30);
        return e;
      }
      if (w == "UID") {
        next();
        e.sql = "0";
        e.type = numberType();
        return e;
      }
      if (w == "ROWNUM") {
        next();
        e.sql = "row_number() OVER ()";
        e.type = numberType();
        return e;
      }
      if (w == "LEVEL") throw OraError(3001, "unimplemented feature");
      if (reservedWords().count(w)) throw OraError(936, "missing expression");
    }
    // name [. name [. name]] [ ( args ) ]
    size_t start = p_;
    std::vector<std::string> parts;
    parts.push_back(nameOf(next()));
    while (isOp(peek(), ".") && (isName(peek(1)) || peek(1).kind == Token::Kind::Word)) {
      next();
      parts.push_back(nameOf(next()));
    }
    if (isOp(peek(), "(") && t.kind == Token::Kind::Word && parts.size() == 1) return call(parts[0], start);
    if (isOp(peek(), "(") && parts.size() == 2 && parts[0] == "UTL_RAW" && parts[1] == "CAST_TO_RAW") {
      std::vector<Expr> a = args();
      arity("UTL_RAW.CAST_TO_RAW", a, 1, 1);
      e.sql = "ocisim_cast_to_raw(" + textOperand(a[0]) + ")";
      e.type = {SqlType::Raw, 2000, 0, 0, true};
      return e;
    }
    if (isOp(peek(), "(")) {
      std::string full;
      for (auto& p : parts) full += (full.empty() ? "" : ".") + p;
      throw OraError(904, quoteName(full) + ": invalid identifier");
    }
    const std::string& last = parts.back();
    // seq.NEXTVAL, also as Oracle records it in a column's default:
    // "OWNER"."SEQ"."NEXTVAL".
    if ((last == "NEXTVAL" || last == "CURRVAL") && parts.size() >= 2 &&
        (t_[p_ - 1].kind == Token::Kind::Word ||
         dict::objectType(s_.db, parts.size() == 3 ? parts[0] : s_.user, parts[parts.size() - 2]) == "SEQUENCE")) {
      std::string owner = parts.size() == 3 ? parts[0] : s_.user;
      std::string seq = parts[parts.size() - 2];
      e.sql = std::string(last == "NEXTVAL" ? "ocisim_nextval(" : "ocisim_currval(") + quoteText(owner) + ", " +
              quoteText(seq) + ")";
      e.type = numberType();
      return e;
    }
    if (isOp(peek(), "(+)")) throw OraError(3001, "unimplemented feature");
    // A column: its declared type is looked up in the FROM lists in scope.
    std::string qualifier = parts.size() >= 2 ? parts[parts.size() - 2] : "";
    std::string column = parts.back();
    if (parts.size() == 1) e.sql = quoteName(column);
    else e.sql = quoteName(qualifier) + "." + quoteName(column);
    e.isColumn = true;
    e.columnName = column;
    std::string key = column;
    if (t_[p_ - 1].kind == Token::Kind::Word)
      for (char& c : key) c = platform::asciiUpper(c);
    if (const std::string* d = declOf(qualifier, key)) {
      e.type = typeOfDecl(*d);
      e.type.known = false;  // the describe takes it from SQLite, with nullability
    } else if (key == "ROWID" && t_[p_ - 1].kind == Token::Kind::Word) {
      // The pseudo-column: the row's address in its table.
      e.sql = (parts.size() == 1 ? std::string() : quoteName(qualifier) + ".") + "rowid";
      e.type = varcharType(18);
    }
    return e;
  }

  Expr caseExpr() {
    next();  // CASE
    Expr e;
    std::string sql = "CASE";
    if (!isWord(peek(), "WHEN")) sql += " " + expr().sql;
    bool firstResult = true;
    while (acceptWord("WHEN")) {
      sql += " WHEN " + expr().sql;
      expectWord("THEN", 905, "missing keyword");
      Expr r = expr();
      if (firstResult) e.type = r.type;
      firstResult = false;
      sql += " THEN " + r.sql;
    }
    if (firstResult) throw OraError(905, "missing keyword");
    if (acceptWord("ELSE")) sql += " ELSE " + expr().sql;
    expectWord("END", 905, "missing keyword");
    e.sql = sql + " END";
    e.type.known = e.type.known || e.type.type != SqlType::Varchar2;
    return e;
  }

  std::vector<Expr> args() {
    std::vector<Expr> a;
    expectOp("(");
    if (acceptOp(")")) return a;
    while (true) {
      a.push_back(expr());
      if (!acceptOp(",")) break;
    }
    expectOp(")");
    return a;
  }

  static std::string joinArgs(const std::vector<Expr>& a, size_t from = 0) {
    std::string s;
    for (size_t i = from; i < a.size(); ++i) s += (i > from ? ", " : "") + a[i].sql;
    return s;
  }

  void arity(const std::string& fn, const std::vector<Expr>& a, size_t lo, size_t hi) {
    if (a.size() < lo) throw OraError(938, "not enough arguments for function");
    if (a.size() > hi) throw OraError(939, "too many arguments for function");
    (void)fn;
  }

  Expr call(const std::string& fn, size_t start) {
    Expr e;
    // Aggregates take DISTINCT and COUNT takes *.
    if (fn == "COUNT" || fn == "SUM" || fn == "MIN" || fn == "MAX" || fn == "AVG") {
      next();  // (
      std::string inner;
      if (fn == "COUNT" && acceptOp("*")) {
        inner = "*";
      } else {
        bool distinct = acceptWord("DISTINCT") || acceptWord("UNIQUE");
        if (!distinct) acceptWord("ALL");
        Expr a = expr();
        inner = (distinct ? "DISTINCT " : "") + a.sql;
        if (fn == "MIN" || fn == "MAX") e.type = a.type;
      }
      expectOp(")");
      e.sql = (fn == "AVG" ? std::string("avg") : fn) + "(" + inner + ")";
      if (fn == "COUNT" || fn == "SUM" || fn == "AVG") e.type = numberType();
      else e.type.known = e.type.known || e.type.type != SqlType::Varchar2 || e.type.size > 0;
      return e;
    }
    if (fn == "TRIM") {
      next();  // (
      int mode = 0;
      if (acceptWord("LEADING")) mode = 1;
      else if (acceptWord("TRAILING")) mode = 2;
      else acceptWord("BOTH");
      std::string set = "' '";
      Expr first;
      bool haveFirst = false;
      if (!isWord(peek(), "FROM")) {
        first = expr();
        haveFirst = true;
      }
      if (acceptWord("FROM")) {
        if (haveFirst) set = first.sql;
        first = expr();
      } else if (!haveFirst) {
        throw OraError(936, "missing expression");
      }
      expectOp(")");
      e.sql = "ocisim_trim(" + std::to_string(mode) + ", " + set + ", " + textOperand(first) + ")";
      e.type = varcharType(first.type.size ? first.type.size : 4000);
      return e;
    }
    if (fn == "CAST") {
      next();
      Expr a = expr();
      expectWord("AS", 905, "missing keyword");
      std::string type = name(902, "invalid datatype");
      int size = 0;
      if (acceptOp("(")) {
        size = std::atoi(next().text.c_str());
        if (acceptOp(",")) next();
        acceptWord("CHAR") || acceptWord("BYTE");
        expectOp(")");
      }
      if (type == "NUMBER" || type == "INTEGER" || type == "INT" || type == "FLOAT") {
        e.sql = "ocisim_to_number(" + a.sql + ")";
        e.type = numberType();
      } else if (type == "DATE") {
        e.sql = "ocisim_as_date(" + a.sql + ")";
        e.type = dateType();
      } else if (type == "VARCHAR2" || type == "VARCHAR" || type == "CHAR" || type == "CLOB" || type == "NVARCHAR2") {
        e.sql = typeKnownAs(a, SqlType::Date) ? "ocisim_datetext(" + a.sql + ")" : "ocisim_as_text(" + a.sql + ")";
        e.type = varcharType(size ? size : 4000);
      } else {
        throw OraError(902, "invalid datatype");
      }
      return e;
    }
    std::vector<Expr> a = args();
    auto textArg = [&](size_t i) { return textOperand(a[i]); };
    if (fn == "NVL") {
      arity(fn, a, 2, 2);
      e.sql = "coalesce(" + a[0].sql + ", " + a[1].sql + ")";
      e.type = a[0].type.known || a[0].isColumn ? a[0].type : a[1].type;
      e.type.known = e.type.known || a[0].isColumn;
      if (!a[0].isColumn && !a[0].type.known) e.type.known = false;
      return e;
    }
    if (fn == "NVL2") {
      arity(fn, a, 3, 3);
      e.sql = "CASE WHEN " + a[0].sql + " IS NOT NULL THEN " + a[1].sql + " ELSE " + a[2].sql + " END";
      e.type = a[1].type;
      e.type.known = a[1].type.known || a[1].isColumn;
      return e;
    }
    if (fn == "COALESCE") {
      if (a.empty()) throw OraError(938, "not enough arguments for function");
      e.sql = a.size() == 1 ? a[0].sql : "coalesce(" + joinArgs(a) + ")";
      e.type = a[0].type;
      e.type.known = a[0].type.known || a[0].isColumn;
      return e;
    }
    if (fn == "NULLIF") {
      arity(fn, a, 2, 2);
      e.sql = "nullif(" + a[0].sql + ", " + a[1].sql + ")";
      e.type = a[0].type;
      e.type.known = a[0].type.known || a[0].isColumn;
      return e;
    }
    if (fn == "DECODE") {
      if (a.size() < 3) throw OraError(938, "not enough arguments for function");
      // DECODE compares with NULL = NULL, which is SQLite's IS.
      std::string sql = "CASE";
      size_t i = 1;
      for (; i + 1 < a.size(); i += 2) sql += " WHEN " + a[0].sql + " IS " + a[i].sql + " THEN " + a[i + 1].sql;
      if (i < a.size()) sql += " ELSE " + a[i].sql;
      e.sql = sql + " END";
      e.type = a[2].type;
      e.type.known = a[2].type.known || a[2].isColumn;
      if (e.type.known && e.type.type == SqlType::Char) e.type.type = SqlType::Varchar2;
      return e;
    }
    if (fn == "TO_CHAR") {
      arity(fn, a, 1, 3);
      bool isDate = typeKnownAs(a[0], SqlType::Date);
      if (isDate) e.sql = "ocisim_to_char(" + a[0].sql + (a.size() > 1 ? ", " + a[1].sql : std::string(", NULL")) + ")";
      else e.sql = "ocisim_to_char(" + a[0].sql + (a.size() > 1 ? ", " + a[1].sql : std::string()) + ")";
      if (isDate && a.size() == 1) e.sql = "ocisim_datetext(" + a[0].sql + ")";
      int size = isDate ? 75 : (a.size() > 1 ? 64 : 40);
      if (a[0].type.known && isCharType(a[0].type.type)) size = a[0].type.size ? a[0].type.size : 4000;
      e.type = varcharType(size);
      return e;
    }
    if (fn == "TO_DATE") {
      arity(fn, a, 1, 3);
      e.sql = "ocisim_to_date(" + textArg(0) + (a.size() > 1 ? ", " + a[1].sql : std::string()) + ")";
      e.type = dateType();
      return e;
    }
    if (fn == "TO_TIMESTAMP" || fn == "TO_TIMESTAMP_TZ") {
      arity(fn, a, 1, 3);
      const bool zoned = fn == "TO_TIMESTAMP_TZ";
      e.sql = "ocisim_to_timestamp(" + textArg(0) + ", " + (a.size() > 1 ? a[1].sql : std::string("NULL")) + ", " +
              (zoned ? "1" : "0") + ")";
      e.type = modernType(zoned ? SqlType::TimestampTz : SqlType::Timestamp);
      return e;
    }
    if (fn == "TO_YMINTERVAL" || fn == "TO_DSINTERVAL") {
      arity(fn, a, 1, 1);
      const bool ym = fn == "TO_YMINTERVAL";
      e.sql = "ocisim_to_interval(" + textArg(0) + ", " + (ym ? "1" : "0") + ")";
      e.type = modernType(ym ? SqlType::IntervalYM : SqlType::IntervalDS);
      return e;
    }
    if (fn == "TO_BINARY_DOUBLE" || fn == "TO_BINARY_FLOAT") {
      arity(fn, a, 1, 1);
      const bool isFloat = fn == "TO_BINARY_FLOAT";
      e.sql = "ocisim_binary(" + a[0].sql + ", " + (isFloat ? "1" : "0") + ")";
      e.type = modernType(isFloat ? SqlType::BinaryFloat : SqlType::BinaryDouble);
      return e;
    }
    if (fn == "UNISTR") {
      arity(fn, a, 1, 1);
      e.sql = "ocisim_unistr(" + textArg(0) + ")";
      e.type = varcharType(4000);
      return e;
    }
    if (fn == "TO_NUMBER") {
      arity(fn, a, 1, 3);
      e.sql = "ocisim_to_number(" + a[0].sql + (a.size() > 1 ? ", " + a[1].sql : std::string()) + ")";
      e.type = numberType();
      return e;
    }
    if (fn == "TO_CLOB" || fn == "TO_NCLOB") {
      arity(fn, a, 1, 1);
      e.sql = typeKnownAs(a[0], SqlType::Date) ? "ocisim_datetext(" + a[0].sql + ")" : "ocisim_as_text(" + a[0].sql + ")";
      e.type = {SqlType::Clob, 4000, 0, 0, true};
      return e;
    }
    if (fn == "EMPTY_CLOB") {
      arity(fn, a, 0, 0);
      e.sql = "''";  // an empty LOB is not NULL
      e.type = {SqlType::Clob, 4000, 0, 0, true};
      return e;
    }
    if (fn == "EMPTY_BLOB") {
      arity(fn, a, 0, 0);
      e.sql = "X''";
      e.type = {SqlType::Blob, 4000, 0, 0, true};
      return e;
    }
    struct Simple { const char* oracle; const char* mine; size_t lo, hi; int result; };
    // result: 0 number, 1 text of the first argument's size, 2 text 4000, 3 date, 4 raw, 5 first argument's type
    static const Simple simple[] = {
        {"CHR", "ocisim_chr", 1, 1, 6},          {"LENGTH", "ocisim_length", 1, 1, 0},
        {"LENGTHB", "ocisim_length", 1, 1, 0},   {"UPPER", "ocisim_upper", 1, 1, 1},
        {"LOWER", "ocisim_lower", 1, 1, 1},      {"INITCAP", "ocisim_initcap", 1, 1, 1},
        {"SUBSTR", "ocisim_substr", 2, 3, 1},    {"SUBSTRB", "ocisim_substr", 2, 3, 1},
        {"INSTR", "ocisim_instr", 2, 4, 0},      {"LPAD", "ocisim_lpad", 2, 3, 2},
        {"RPAD", "ocisim_rpad", 2, 3, 2},        {"REPLACE", "ocisim_replace", 2, 3, 2},
        {"HEXTORAW", "ocisim_hextoraw", 1, 1, 4},{"RAWTOHEX", "ocisim_rawtohex", 1, 1, 2},
        {"MOD", "ocisim_mod", 2, 2, 0},          {"ROUND", "ocisim_round", 1, 2, 5},
        {"TRUNC", "ocisim_trunc", 1, 2, 5},      {"ADD_MONTHS", "ocisim_add_months", 2, 2, 3},
        {"LAST_DAY", "ocisim_last_day", 1, 1, 3},{"MONTHS_BETWEEN", "ocisim_months_between", 2, 2, 0},
        {"ASCII", "ocisim_ascii", 1, 1, 0},      {"SIGN", "ocisim_sign", 1, 1, 0},
        {"FLOOR", "ocisim_floor", 1, 1, 0},      {"CEIL", "ocisim_ceil", 1, 1, 0},
        {"ABS", "ocisim_abs", 1, 1, 0},          {"SQRT", "ocisim_sqrt", 1, 1, 0},
        {"POWER", "ocisim_power", 2, 2, 0},      {"GREATEST", "ocisim_greatest", 1, 255, 5},
        {"LEAST", "ocisim_least", 1, 255, 5},    {"CONCAT", "ocisim_concat", 2, 2, 2},
        {"LTRIM", nullptr, 1, 2, 1},             {"RTRIM", nullptr, 1, 2, 1},
    };
    for (const Simple& f : simple) {
      if (fn != f.oracle) continue;
      arity(fn, a, f.lo, f.hi);
      if (!f.mine) {
        int mode = fn == "LTRIM" ? 1 : 2;
        e.sql = "ocisim_trim(" + std::to_string(mode) + ", " + (a.size() > 1 ? a[1].sql : std::string("' '")) + ", " +
                textArg(0) + ")";
      } else {
        std::string list;
        for (size_t i = 0; i < a.size(); ++i) {
          bool textual = f.result == 1 || f.result == 2 || fn == "INSTR" || fn == "LENGTH";
          list += (i ? ", " : "") + ((textual && i == 0) || fn == "CONCAT" ? textArg(i) : a[i].sql);
        }
        e.sql = std::string(f.mine) + "(" + list + ")";
      }
      switch (f.result) {
        case 0: e.type = numberType(); break;
        case 1: e.type = varcharType(a[0].type.size > 0 ? a[0].type.size : 4000); break;
        case 2: e.type = varcharType(4000); break;
        case 3: e.type = dateType(); break;
        case 4: e.type = {SqlType::Raw, 2000, 0, 0, true}; break;
        case 5:
          e.type = a[0].type;
          e.type.known = a[0].type.known || a[0].isColumn;
          if (!e.type.known || (e.type.type != SqlType::Date && e.type.type != SqlType::Number &&
                                f.result == 5 && (fn == "ROUND" || fn == "TRUNC")))
            e.type = fn == "ROUND" || fn == "TRUNC" ? (typeKnownAs(a[0], SqlType::Date) ? dateType() : numberType()) : e.type;
          break;
        case 6: e.type = varcharType(1); break;
      }
      return e;
    }
    (void)start;
    throw OraError(904, quoteName(fn) + ": invalid identifier");
  }

  Session& s_;
  const std::vector<Token>& t_;
  const std::string& sql_;
  Translation& out_;
  size_t p_ = 0;
  std::string limit_;
  std::set<std::string> withNames_;
  const std::vector<std::string>* targetLabels_ = nullptr;  // INSERT ... SELECT: the target columns' names

};

}  // namespace

Translation translateStatement(Session& s, const std::vector<Token>& tokens, const std::string& sql) {
  Translation out;
  Parser p(s, tokens, sql, out);
  p.statement();
  return out;
}

std::string translateQuery(Session& s, const std::string& oracleSelect) {
  std::vector<Token> tokens = tokenize(oracleSelect);
  Translation out;
  Parser p(s, tokens, oracleSelect, out);
  p.statement();
  if (out.kind != StatementKind::Select) throw OraError(928, "missing SELECT keyword");
  return out.sql;
}

std::string translateExpression(Session& s, const std::string& oracleExpr) {
  std::vector<Token> tokens = tokenize(oracleExpr);
  Translation out;
  Parser p(s, tokens, oracleExpr, out);
  return p.expressionOnly();
}

}  // namespace ocisim
