// The catalog: the tables that describe every user object, the dictionary
// views over them, the names of user tables in SQLite, and the declared
// types that describes read.
//
// Dictionary views of one user (USER_*) are temporary views of the session,
// made on first use with the user's name written into them, so that a view
// column stays a plain column of a catalog table and SQLite reports its
// declared type (the Oracle type word) to describes.  ALL_* views are
// ordinary views over every user's rows.
#include <cstring>
#include <ctime>
#include <map>

#include "engine/dict.h"
#include "engine/table_kinds.h"
#include "engine/modern_types.h"
#include "platform/ascii.h"

namespace ocisim {

namespace dict {

std::string quoteName(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string quoteLiteral(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

[[noreturn]] static void internalError(sqlite3* db, const std::string& what) {
  throw OraError(600, "internal error code, arguments: [ocisim], [" + what + ": " + sqlite3_errmsg(db) + "]");
}

Query::Query(sqlite3* db, const std::string& sql) : db_(db) {
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st_, nullptr) != SQLITE_OK) internalError(db, sql);
}
Query::~Query() { sqlite3_finalize(st_); }
Query& Query::bind(const std::string& text) {
  sqlite3_bind_text(st_, next_++, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  return *this;
}
Query& Query::bind(long long v) {
  sqlite3_bind_int64(st_, next_++, v);
  return *this;
}
Query& Query::bindNull() {
  sqlite3_bind_null(st_, next_++);
  return *this;
}
bool Query::step() {
  int rc = sqlite3_step(st_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  std::string msg = sqlite3_errmsg(db_);
  if (msg.rfind("ORA-", 0) == 0 && msg.size() > 11) throw OraError(std::atoi(msg.c_str() + 4), msg.substr(11));
  internalError(db_, sqlite3_sql(st_));
}
void Query::run() {
  while (step()) {
  }
}
std::string Query::text(int col) const {
  const unsigned char* p = sqlite3_column_text(st_, col);
  return p ? std::string(reinterpret_cast<const char*>(p), sqlite3_column_bytes(st_, col)) : std::string();
}
long long Query::integer(int col) const { return sqlite3_column_int64(st_, col); }
bool Query::isNull(int col) const { return sqlite3_column_type(st_, col) == SQLITE_NULL; }

void exec(sqlite3* db, const std::string& sql) {
  char* err = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
  if (rc != SQLITE_OK) {
    std::string msg = err ? err : sqlite3_errmsg(db);
    sqlite3_free(err);
    if (msg.rfind("ORA-", 0) == 0 && msg.size() > 11) throw OraError(std::atoi(msg.c_str() + 4), msg.substr(11));
    // A table that an open cursor of the session still reads cannot be dropped or rebuilt.
    if ((rc & 0xff) == SQLITE_LOCKED || (rc & 0xff) == SQLITE_BUSY)
      throw OraError(54, "resource busy and acquire with NOWAIT specified or timeout expired");
    throw OraError(600, "internal error code, arguments: [ocisim], [" + msg + "]");
  }
}

std::optional<std::string> scalar(sqlite3* db, const std::string& sql, const std::vector<std::string>& args) {
  Query q(db, sql);
  for (const auto& a : args) q.bind(a);
  if (!q.step()) return std::nullopt;
  return q.text(0);
}

std::string now() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

void checkName(const std::string& name) {
  if (name.empty()) throw OraError(1741, "illegal zero-length identifier");
  if (name.size() > 30) throw OraError(972, "identifier is too long");
}

// ---- objects -----------------------------------------------------------------

std::string objectType(sqlite3* db, const std::string& owner, const std::string& name) {
  auto t = scalar(db,
                  "SELECT OBJECT_TYPE FROM cat_objects WHERE OWNER = ? AND OBJECT_NAME = ?"
                  " AND OBJECT_TYPE NOT IN ('INDEX', 'TRIGGER', 'PACKAGE BODY') ORDER BY OBJECT_ID LIMIT 1",
                  {owner, name});
  return t ? *t : std::string();
}

void addObject(Session& s, const std::string& owner, const std::string& name, const std::string& type,
               const std::string& status) {
  long long id = std::stoll(scalar(s.db, "SELECT value FROM cat_meta WHERE name = 'object_id_next'").value_or("1000"));
  Query(s.db, "UPDATE cat_meta SET value = ? WHERE name = 'object_id_next'").bind(std::to_string(id + 1)).run();
  std::string t = now();
  bool hasData = type == "TABLE" || type == "INDEX";
  Query q(s.db,
          "INSERT INTO cat_objects(OWNER, OBJECT_NAME, OBJECT_ID, DATA_OBJECT_ID, OBJECT_TYPE, CREATED,"
          " LAST_DDL_TIME, TIMESTAMP, STATUS) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
  q.bind(owner).bind(name).bind(id);
  if (hasData) q.bind(id); else q.bindNull();
  q.bind(type).bind(t).bind(t).bind(t.substr(0, 10) + ":" + t.substr(11)).bind(status).run();
}

void touchObject(Session& s, const std::string& owner, const std::string& name, const std::string& type) {
  std::string t = now();
  Query(s.db,
        "UPDATE cat_objects SET LAST_DDL_TIME = ?, TIMESTAMP = ? WHERE OWNER = ? AND OBJECT_NAME = ?"
        " AND OBJECT_TYPE = ?")
      .bind(t).bind(t.substr(0, 10) + ":" + t.substr(11)).bind(owner).bind(name).bind(type).run();
}

void removeObject(Session& s, const std::string& owner, const std::string& name, const std::string& type) {
  Query(s.db, "DELETE FROM cat_objects WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE = ?")
      .bind(owner).bind(name).bind(type).run();
  Query(s.db, "DELETE FROM cat_dependencies WHERE OWNER = ? AND NAME = ? AND TYPE = ?")
      .bind(owner).bind(name).bind(type).run();
}

void requireTable(sqlite3* db, const std::string& owner, const std::string& table) {
  if (objectType(db, owner, table) != "TABLE") throw OraError(942, "table or view does not exist");
}

std::vector<ColumnDef> tableColumns(sqlite3* db, const std::string& owner, const std::string& table) {
  std::vector<ColumnDef> out;
  Query q(db,
          "SELECT COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, CHAR_LENGTH, CHAR_USED,"
          " DATA_DEFAULT, DECL, HIDDEN_COLUMN, VIRTUAL_COLUMN, DEFAULT_ON_NULL, IDENTITY_COLUMN"
          " FROM cat_columns WHERE OWNER = ? AND TABLE_NAME = ? ORDER BY COLUMN_ID");
  q.bind(owner).bind(table);
  while (q.step()) {
    ColumnDef c;
    c.name = q.text(0);
    c.dataType = q.text(1);
    c.dataLength = q.integer(2);
    if (!q.isNull(3)) c.precision = q.integer(3);
    if (!q.isNull(4)) c.scale = q.integer(4);
    c.charLength = q.integer(5);
    c.charUsed = q.text(6);
    c.defaultText = q.text(7);
    c.decl = q.text(8);
    c.invisible = q.text(9) == "YES";
    c.virtualColumn = q.text(10) == "YES";
    c.defaultOnNull = q.text(11) == "YES";
    if (q.text(12) == "YES") c.identity = "BY DEFAULT";  // the dictionary row of cat_identity_cols says which
    out.push_back(std::move(c));
  }
  return out;
}

std::string requireColumn(sqlite3* db, const std::string& owner, const std::string& table,
                          const std::string& column) {
  auto n = scalar(db, "SELECT COLUMN_NAME FROM cat_columns WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?",
                  {owner, table, column});
  if (!n) throw OraError(904, "\"" + column + "\": invalid identifier");
  return *n;
}

std::string generatedConstraintName(Session& s, const std::vector<std::string>& reserved) {
  // The counter lives beside the database's other settings; its base was
  // drawn at random when the database was made.
  for (;;) {
    auto v = scalar(s.db, "SELECT value FROM ocisim_meta WHERE key = 'sys_c_next'");
    long long n = v ? std::stoll(*v) : 10000;
    Query(s.db, "INSERT OR REPLACE INTO ocisim_meta(key, value) VALUES('sys_c_next', ?)")
        .bind(std::to_string(n + 1)).run();
    char buf[32];
    std::snprintf(buf, sizeof buf, "SYS_C%07lld", n);
    bool taken = false;
    for (const auto& r : reserved) taken = taken || r == buf;
    if (!taken && !scalar(s.db, "SELECT 1 FROM cat_constraints WHERE CONSTRAINT_NAME = ?", {buf}) &&
        !scalar(s.db, "SELECT 1 FROM cat_indexes WHERE INDEX_NAME = ?", {buf}))
      return buf;
  }
}

// ---- data types --------------------------------------------------------------

namespace {

long long intOf(const std::string& s) {
  try {
    return std::stoll(s);
  } catch (...) {
    throw OraError(1727, "numeric precision specifier is out of range (1 to 38)");
  }
}

// "(n)" or "(n BYTE|CHAR)" after a character type; returns the length.
long long charLength(Cursor& c, long long dflt, std::string& used, bool required) {
  used = "B";
  if (!c.acceptOp("(")) {
    if (required) throw OraError(906, "missing left parenthesis");
    return dflt;
  }
  long long n = intOf(c.number());
  if (c.acceptWord("CHAR")) used = "C";
  else c.acceptWord("BYTE");
  c.expectOp(")");
  if (n < 1) throw OraError(1723, "zero-length columns are not allowed");
  return n;
}

// An optional "(n)" within [lo, hi]; ORA-30088 outside it.
long long datetimePrecision(Cursor& c, long long dflt) {
  if (!c.acceptOp("(")) return dflt;
  long long p = intOf(c.number());
  c.expectOp(")");
  if (p < 0 || p > 9) throw OraError(30088, "datetime/interval precision is out of range");
  return p;
}

// TIMESTAMP [(p)] [WITH [LOCAL] TIME ZONE], INTERVAL YEAR [(p)] TO MONTH,
// INTERVAL DAY [(p)] TO SECOND [(s)], BINARY_FLOAT, BINARY_DOUBLE and
// UROWID [(n)], described as 19c's dictionary shows them.
void parseModernType(Cursor& c, const std::string& w, ColumnDef& d) {
  if (w == "TIMESTAMP") {
    long long p = datetimePrecision(c, 6);
    std::string suffix;
    if (c.acceptWord("WITH")) {
      bool local = c.acceptWord("LOCAL");
      c.expectWord("TIME");
      c.expectWord("ZONE");
      suffix = local ? " WITH LOCAL TIME ZONE" : " WITH TIME ZONE";
    }
    d.dataType = "TIMESTAMP(" + std::to_string(p) + ")" + suffix;
    d.dataLength = suffix == " WITH TIME ZONE" ? 13 : 11;
    d.scale = p;
    d.decl = d.dataType + " STORED AS TEXT";
  } else if (w == "INTERVAL") {
    if (c.acceptWord("YEAR")) {
      long long p = datetimePrecision(c, 2);
      c.expectWord("TO");
      c.expectWord("MONTH");
      d.dataType = "INTERVAL YEAR(" + std::to_string(p) + ") TO MONTH";
      d.dataLength = 5;
      d.precision = p;
      d.scale = 0;
    } else {
      c.expectWord("DAY", 902, "invalid datatype");
      long long p = datetimePrecision(c, 2);
      c.expectWord("TO");
      c.expectWord("SECOND");
      long long s = datetimePrecision(c, 6);
      d.dataType = "INTERVAL DAY(" + std::to_string(p) + ") TO SECOND(" + std::to_string(s) + ")";
      d.dataLength = 11;
      d.precision = p;
      d.scale = s;
    }
    d.decl = d.dataType + " STORED AS TEXT";
  } else if (w == "UROWID") {
    long long n = 4000;
    if (c.acceptOp("(")) {
      n = intOf(c.number());
      c.expectOp(")");
      if (n < 1 || n > 4000) throw OraError(910, "specified length too long for its datatype");
    }
    d.dataType = "UROWID";
    d.dataLength = n;
    d.decl = "UROWID(" + std::to_string(n) + ") STORED AS TEXT";
  } else {
    // BLOB affinity keeps the REAL values and the "NaN" and "-0" texts as given.
    d.dataType = w;
    d.dataLength = w == "BINARY_FLOAT" ? 4 : 8;
    d.decl = w + " STORED AS BLOB";
  }
}

}  // namespace

ColumnDef parseDataType(Cursor& c) {
  ColumnDef d;
  const Token& t = c.peek();
  if (t.kind != Token::Kind::Word) throw OraError(902, "invalid datatype");
  std::string w = t.upper;
  c.next();
  auto numberType = [&](std::optional<long long> p, std::optional<long long> s) {
    d.dataType = "NUMBER";
    d.dataLength = 22;
    d.precision = p;
    d.scale = s;
    std::string decl = "NUMBER";
    if (p || s) decl += "(" + (p ? std::to_string(*p) : std::string("*")) + (s ? "," + std::to_string(*s) : "") + ")";
    d.decl = decl + " STORED AS BLOB";
  };
  if (w == "NUMBER" || w == "NUMERIC" || w == "DECIMAL" || w == "DEC") {
    std::optional<long long> p, s;
    if (c.acceptOp("(")) {
      if (c.acceptOp("*")) {
      } else {
        p = intOf(c.number());
        if (*p < 1 || *p > 38) throw OraError(1727, "numeric precision specifier is out of range (1 to 38)");
      }
      if (c.acceptOp(",")) {
        s = intOf(c.number());
        if (*s < -84 || *s > 127) throw OraError(1728, "numeric scale specifier is out of range (-84 to 127)");
      } else if (p) {
        s = 0;
      }
      c.expectOp(")");
    } else if (w != "NUMBER") {
      s = 0;  // DECIMAL without precision is NUMBER(*,0)
    }
    numberType(p, s);
  } else if (w == "INTEGER" || w == "INT" || w == "SMALLINT") {
    numberType(std::nullopt, 0);
  } else if (w == "FLOAT" || w == "REAL" || (w == "DOUBLE" && c.acceptWord("PRECISION"))) {
    long long p = w == "REAL" ? 63 : 126;
    if (w == "FLOAT" && c.acceptOp("(")) {
      p = intOf(c.number());
      if (p < 1 || p > 126) throw OraError(1724, "floating point precision is out of range (1 to 126)");
      c.expectOp(")");
    }
    d.dataType = "FLOAT";
    d.dataLength = 22;
    d.precision = p;
    d.decl = "FLOAT(" + std::to_string(p) + ") STORED AS BLOB";
  } else if (w == "VARCHAR2" || w == "VARCHAR" || w == "NVARCHAR2" ||
             ((w == "CHARACTER" || w == "CHAR") && c.isWord("VARYING"))) {
    if (c.acceptWord("VARYING")) w = "VARCHAR2";
    bool national = w == "NVARCHAR2";
    std::string used;
    long long n = charLength(c, 1, used, true);
    if (national) used = "C";
    if (n > 4000) throw OraError(910, "specified length too long for its datatype");
    d.dataType = national ? "NVARCHAR2" : "VARCHAR2";
    d.charLength = n;
    d.charUsed = used;
    d.dataLength = national ? n * 2 : (used == "C" ? std::min<long long>(n * 4, 4000) : n);
    d.decl = d.dataType + "(" + std::to_string(n) + (used == "C" && !national ? " CHAR" : "") + ")";
  } else if (w == "CHAR" || w == "CHARACTER" || w == "NCHAR") {
    bool national = w == "NCHAR";
    std::string used;
    long long n = charLength(c, 1, used, false);
    if (national) used = "C";
    if (n > 2000) throw OraError(910, "specified length too long for its datatype");
    d.dataType = national ? "NCHAR" : "CHAR";
    d.charLength = n;
    d.charUsed = used;
    d.dataLength = national ? n * 2 : (used == "C" ? std::min<long long>(n * 4, 2000) : n);
    d.decl = d.dataType + "(" + std::to_string(n) + (used == "C" && !national ? " CHAR" : "") + ")";
  } else if (w == "DATE") {
    d.dataType = "DATE";
    d.dataLength = 7;
    d.decl = "DATE";
  } else if (w == "TIMESTAMP" || w == "INTERVAL" || w == "BINARY_FLOAT" || w == "BINARY_DOUBLE" ||
             w == "UROWID") {
    parseModernType(c, w, d);
  } else if (w == "LONG") {
    if (c.acceptWord("RAW")) {
      d.dataType = "LONG RAW";
      d.decl = "LONG RAW";
    } else {
      c.acceptWord("VARCHAR");
      d.dataType = "LONG";
      d.decl = "LONG STORED AS TEXT";
    }
    d.dataLength = 0;
  } else if (w == "RAW") {
    std::string used;
    c.expectOp("(");
    long long n = intOf(c.number());
    c.expectOp(")");
    if (n < 1 || n > 2000) throw OraError(910, "specified length too long for its datatype");
    d.dataType = "RAW";
    d.dataLength = n;
    d.decl = "RAW(" + std::to_string(n) + ")";
  } else if (w == "CLOB" || w == "NCLOB" || w == "BLOB" || w == "BFILE") {
    d.dataType = w;
    d.dataLength = w == "BFILE" ? 530 : 4000;
    d.decl = w;
  } else if (w == "ROWID") {
    d.dataType = "ROWID";
    d.dataLength = 10;
    d.decl = "ROWID STORED AS TEXT";
  } else {
    throw OraError(902, "invalid datatype");
  }
  return d;
}

std::vector<ColumnDef> describeSelect(Session& s, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(s.db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    std::string msg = sqlite3_errmsg(s.db);
    sqlite3_finalize(st);
    const std::string noColumn = "no such column: ";
    if (msg.rfind(noColumn, 0) == 0) {
      std::string col = msg.substr(noColumn.size());
      size_t dot = col.rfind('.');
      if (dot != std::string::npos) col = col.substr(dot + 1);
      throw OraError(904, "\"" + col + "\": invalid identifier");
    }
    if (msg.rfind("no such table", 0) == 0) throw OraError(942, "table or view does not exist");
    if (msg.find(" columns for ") != std::string::npos)
      throw OraError(1730, "invalid number of column names specified");
    throw OraError(600, "internal error code, arguments: [ocisim], [" + msg + "]");
  }
  std::vector<ColumnDef> out;
  int n = sqlite3_column_count(st);
  for (int i = 0; i < n; ++i) {
    const char* declC = sqlite3_column_decltype(st, i);
    std::string oracle = declC ? declC : "VARCHAR2(4000)";
    size_t stored = oracle.find(" STORED AS ");
    if (stored != std::string::npos) oracle.resize(stored);
    ColumnDef col;
    try {
      std::vector<Token> toks = tokenize(oracle);
      Cursor c(toks, oracle);
      col = parseDataType(c);
    } catch (const OraError&) {
      col = ColumnDef{};
      col.dataType = "VARCHAR2";
      col.dataLength = 4000;
      col.charLength = 4000;
      col.charUsed = "B";
      col.decl = "VARCHAR2(4000)";
    }
    col.name = sqlite3_column_name(st, i);
    out.push_back(std::move(col));
  }
  sqlite3_finalize(st);
  return out;
}

}  // namespace dict

// ---- the seam ------------------------------------------------------------------

std::string storageName(const std::string& owner, const std::string& name) { return owner + "." + name; }

ColumnInfo columnInfoFromDecl(const std::string& name, const std::string& declIn) {
  ColumnInfo ci;
  ci.name = name;
  std::string decl = declIn;
  size_t stored = decl.find(" STORED AS ");
  if (stored != std::string::npos) decl.resize(stored);
  for (char& ch : decl) ch = platform::asciiUpper(ch);
  std::string base = decl, args;
  size_t lp = decl.find('(');
  if (lp != std::string::npos) {
    base = decl.substr(0, lp);
    size_t rp = decl.find(')', lp);
    args = decl.substr(lp + 1, rp == std::string::npos ? std::string::npos : rp - lp - 1);
  }
  while (!base.empty() && base.back() == ' ') base.pop_back();
  if (modernColumnInfo(decl, ci)) return ci;
  auto firstArg = [&]() -> int { return args.empty() || args[0] == '*' ? 0 : std::atoi(args.c_str()); };
  auto secondArg = [&]() -> int {
    size_t comma = args.find(',');
    return comma == std::string::npos ? 0 : std::atoi(args.c_str() + comma + 1);
  };
  if (base == "NUMBER") {
    ci.type = SqlType::Number;
    ci.size = 22;
    ci.precision = firstArg();
    ci.scale = secondArg();
    // NUMBER without a precision describes as Oracle's describe gives it:
    // precision 0, scale -127.
    if (args.empty()) ci.scale = -127;
  } else if (base == "FLOAT") {
    ci.type = SqlType::Number;
    ci.size = 22;
    ci.precision = args.empty() ? 126 : firstArg();
    ci.scale = -127;
  } else if (base == "VARCHAR2" || base == "NVARCHAR2" || base == "CHAR" || base == "NCHAR") {
    ci.type = (base == "CHAR" || base == "NCHAR") ? SqlType::Char : SqlType::Varchar2;
    int n = args.empty() ? 1 : firstArg();
    bool chars = args.find("CHAR") != std::string::npos || base[0] == 'N';
    ci.charUsed = args.find("CHAR") != std::string::npos;
    ci.national = base[0] == 'N';
    ci.size = base[0] == 'N' ? n * 2 : (chars ? std::min(n * 4, base == "CHAR" ? 2000 : 4000) : n);
  } else if (base == "DATE") {
    ci.type = SqlType::Date;
    ci.size = 7;
  } else if (base == "LONG") {
    ci.type = SqlType::Long;
  } else if (base == "LONG RAW") {
    ci.type = SqlType::LongRaw;
  } else if (base == "RAW") {
    ci.type = SqlType::Raw;
    ci.size = firstArg();
  } else if (base == "CLOB" || base == "NCLOB") {
    ci.type = SqlType::Clob;
    ci.national = base == "NCLOB";
    ci.size = 4000;
  } else if (base == "BLOB") {
    ci.type = SqlType::Blob;
    ci.size = 4000;
  } else if (base == "BFILE") {
    ci.type = SqlType::Bfile;
    ci.size = 530;
  } else if (base.rfind("OBJECT ", 0) == 0) {
    // "OBJECT OWNER.TYPE": a column of an object type.
    ci.type = SqlType::Object;
    const std::string qualified = base.substr(7);
    const size_t dot = qualified.find('.');
    ci.typeSchema = dot == std::string::npos ? std::string() : qualified.substr(0, dot);
    ci.typeName = dot == std::string::npos ? qualified : qualified.substr(dot + 1);
    ci.size = 2000;
  } else if (base == "ROWID") {
    ci.type = SqlType::RowId;
    ci.size = 10;
  } else if (base == "INTEGER" || base == "INT") {
    ci.type = SqlType::Number;
    ci.size = 22;
  } else if (base == "REAL") {
    ci.type = SqlType::Number;
    ci.size = 22;
    ci.precision = 126;
    ci.scale = -127;
  } else {
    // Columns of the engine's own tables (TEXT and the like) read as text.
    ci.type = SqlType::Varchar2;
    ci.size = 4000;
  }
  return ci;
}

namespace {

// One dictionary view: its Oracle name, the catalog table under it, its
// columns in Oracle's order, and the catalog column holding the owner.
struct ViewDef {
  const char* name;
  const char* from;
  const char* columns;
  const char* ownerColumn;
  bool userHasOwner;  // the USER_ form keeps the owner column (USER_CONSTRAINTS does)
};

const char* kTableColumns =
    "TABLE_NAME, TABLESPACE_NAME, CLUSTER_NAME, IOT_NAME, STATUS, PCT_FREE, PCT_USED, INI_TRANS, MAX_TRANS,"
    " INITIAL_EXTENT, NEXT_EXTENT, MIN_EXTENTS, MAX_EXTENTS, PCT_INCREASE, FREELISTS, FREELIST_GROUPS,"
    " LOGGING, BACKED_UP, NUM_ROWS, BLOCKS, EMPTY_BLOCKS, AVG_SPACE, CHAIN_CNT, AVG_ROW_LEN,"
    " AVG_SPACE_FREELIST_BLOCKS, NUM_FREELIST_BLOCKS, DEGREE, INSTANCES, CACHE, TABLE_LOCK, SAMPLE_SIZE,"
    " LAST_ANALYZED, PARTITIONED, IOT_TYPE, TEMPORARY, SECONDARY, NESTED, BUFFER_POOL, ROW_MOVEMENT,"
    " GLOBAL_STATS, USER_STATS, DURATION, SKIP_CORRUPT, MONITORING, CLUSTER_OWNER, DEPENDENCIES,"
    " COMPRESSION, DROPPED, READ_ONLY";
const char* kColumnColumns =
    "TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_TYPE_MOD, DATA_TYPE_OWNER, DATA_LENGTH, DATA_PRECISION,"
    " DATA_SCALE, NULLABLE, COLUMN_ID, DEFAULT_LENGTH, DATA_DEFAULT, NUM_DISTINCT, LOW_VALUE, HIGH_VALUE,"
    " DENSITY, NUM_NULLS, NUM_BUCKETS, LAST_ANALYZED, SAMPLE_SIZE, CHARACTER_SET_NAME,"
    " CHAR_COL_DECL_LENGTH, GLOBAL_STATS, USER_STATS, AVG_COL_LEN, CHAR_LENGTH, CHAR_USED,"
    " V80_FMT_IMAGE, DATA_UPGRADED, HISTOGRAM";
// USER_TAB_COLUMNS leaves the hidden (invisible) columns out; both views
// number only the visible ones, and USER_TAB_COLS shows the hidden ones
// without a COLUMN_ID.
const char* kVisibleColumnColumns = ", DEFAULT_ON_NULL, IDENTITY_COLUMN";
const char* kAllColumnColumns =
    ", HIDDEN_COLUMN, VIRTUAL_COLUMN, COLUMN_ID AS INTERNAL_COLUMN_ID, USER_GENERATED, DEFAULT_ON_NULL,"
    " IDENTITY_COLUMN";
const char* kConstraintColumns =
    "CONSTRAINT_NAME, CONSTRAINT_TYPE, TABLE_NAME, SEARCH_CONDITION, R_OWNER, R_CONSTRAINT_NAME,"
    " DELETE_RULE, STATUS, \"DEFERRABLE\", DEFERRED, VALIDATED, GENERATED, BAD, RELY, LAST_CHANGE,"
    " INDEX_OWNER, INDEX_NAME, INVALID, VIEW_RELATED";
const char* kConsColumnColumns = "CONSTRAINT_NAME, TABLE_NAME, COLUMN_NAME, POSITION";
const char* kIndexColumns =
    "INDEX_NAME, INDEX_TYPE, TABLE_OWNER, TABLE_NAME, TABLE_TYPE, UNIQUENESS, COMPRESSION,"
    " PREFIX_LENGTH, TABLESPACE_NAME, INI_TRANS, MAX_TRANS, INITIAL_EXTENT, NEXT_EXTENT, MIN_EXTENTS,"
    " MAX_EXTENTS, PCT_INCREASE, PCT_THRESHOLD, INCLUDE_COLUMN, FREELISTS, FREELIST_GROUPS, PCT_FREE,"
    " LOGGING, BLEVEL, LEAF_BLOCKS, DISTINCT_KEYS, AVG_LEAF_BLOCKS_PER_KEY, AVG_DATA_BLOCKS_PER_KEY,"
    " CLUSTERING_FACTOR, STATUS, NUM_ROWS, SAMPLE_SIZE, LAST_ANALYZED, DEGREE, INSTANCES, PARTITIONED,"
    " TEMPORARY, GENERATED, SECONDARY, BUFFER_POOL, USER_STATS, DURATION, PCT_DIRECT_ACCESS,"
    " ITYP_OWNER, ITYP_NAME, PARAMETERS, GLOBAL_STATS, DOMIDX_STATUS, DOMIDX_OPSTATUS, FUNCIDX_STATUS,"
    " JOIN_INDEX, IOT_REDUNDANT_PKEY_ELIM, DROPPED, VISIBILITY";
const char* kIndColumnColumns =
    "INDEX_NAME, TABLE_NAME, COLUMN_NAME, COLUMN_POSITION, COLUMN_LENGTH, CHAR_LENGTH, DESCEND";
const char* kIndExpressionColumns = "INDEX_NAME, TABLE_OWNER, TABLE_NAME, COLUMN_EXPRESSION, COLUMN_POSITION";
const char* kTriggerColumns =
    "TRIGGER_NAME, TRIGGER_TYPE, TRIGGERING_EVENT, TABLE_OWNER, BASE_OBJECT_TYPE, TABLE_NAME,"
    " COLUMN_NAME, REFERENCING_NAMES, WHEN_CLAUSE, STATUS, DESCRIPTION, ACTION_TYPE, TRIGGER_BODY";
const char* kTriggerColColumns =
    "TRIGGER_OWNER, TRIGGER_NAME, TABLE_OWNER, TABLE_NAME, COLUMN_NAME, COLUMN_LIST, COLUMN_USAGE";
const char* kTriggerOrderingColumns =
    "TRIGGER_NAME, REFERENCED_TRIGGER_OWNER, REFERENCED_TRIGGER_NAME, ORDERING_TYPE";
const char* kViewColumns =
    "VIEW_NAME, TEXT_LENGTH, TEXT, TYPE_TEXT_LENGTH, TYPE_TEXT, OID_TEXT_LENGTH, OID_TEXT,"
    " VIEW_TYPE_OWNER, VIEW_TYPE, SUPERVIEW_NAME, READ_ONLY";
const char* kSequenceColumns =
    "SEQUENCE_NAME, MIN_VALUE, MAX_VALUE, INCREMENT_BY, CYCLE_FLAG, ORDER_FLAG, CACHE_SIZE, LAST_NUMBER";
const char* kSourceColumns = "NAME, TYPE, LINE, TEXT";
const char* kObjectColumns =
    "OBJECT_NAME, SUBOBJECT_NAME, OBJECT_ID, DATA_OBJECT_ID, OBJECT_TYPE, CREATED, LAST_DDL_TIME,"
    " TIMESTAMP, STATUS, TEMPORARY, GENERATED, SECONDARY";
const char* kDependencyColumns =
    "NAME, TYPE, REFERENCED_OWNER, REFERENCED_NAME, REFERENCED_TYPE, REFERENCED_LINK_NAME, SCHEMAID,"
    " DEPENDENCY_TYPE";

const char* kPartTableColumns =
    "TABLE_NAME, PARTITIONING_TYPE, SUBPARTITIONING_TYPE, PARTITION_COUNT, DEF_SUBPARTITION_COUNT,"
    " PARTITIONING_KEY_COUNT, SUBPARTITIONING_KEY_COUNT, STATUS, DEF_TABLESPACE_NAME, DEF_PCT_FREE,"
    " DEF_PCT_USED, DEF_INI_TRANS, DEF_MAX_TRANS, DEF_INITIAL_EXTENT, DEF_NEXT_EXTENT, DEF_MIN_EXTENTS,"
    " DEF_MAX_EXTENTS, DEF_MAX_SIZE, DEF_PCT_INCREASE, DEF_FREELISTS, DEF_FREELIST_GROUPS, DEF_LOGGING,"
    " DEF_COMPRESSION, DEF_BUFFER_POOL, REF_PTN_CONSTRAINT_NAME, \"INTERVAL\"";
const char* kTabPartitionColumns =
    "TABLE_NAME, COMPOSITE, PARTITION_NAME, SUBPARTITION_COUNT, HIGH_VALUE, HIGH_VALUE_LENGTH,"
    " PARTITION_POSITION, TABLESPACE_NAME, PCT_FREE, PCT_USED, INI_TRANS, MAX_TRANS, INITIAL_EXTENT,"
    " NEXT_EXTENT, MIN_EXTENT, MAX_EXTENT, MAX_SIZE, PCT_INCREASE, FREELISTS, FREELIST_GROUPS, LOGGING,"
    " COMPRESSION, NUM_ROWS, BUFFER_POOL, \"INTERVAL\", SEGMENT_CREATED";
const char* kTabSubpartitionColumns =
    "TABLE_NAME, PARTITION_NAME, SUBPARTITION_NAME, HIGH_VALUE, HIGH_VALUE_LENGTH, PARTITION_POSITION,"
    " SUBPARTITION_POSITION, TABLESPACE_NAME, PCT_FREE, PCT_USED, INI_TRANS, MAX_TRANS, INITIAL_EXTENT,"
    " NEXT_EXTENT, MIN_EXTENT, MAX_EXTENT, MAX_SIZE, PCT_INCREASE, FREELISTS, FREELIST_GROUPS, LOGGING,"
    " COMPRESSION, NUM_ROWS, BUFFER_POOL, \"INTERVAL\", SEGMENT_CREATED";
const char* kSubpartitionTemplateColumns =
    "TABLE_NAME, SUBPARTITION_NAME, SUBPARTITION_POSITION, TABLESPACE_NAME, HIGH_BOUND";
const char* kPartKeyColumns = "NAME, OBJECT_TYPE, COLUMN_NAME, COLUMN_POSITION, COLLATED_COLUMN_ID";
const char* kPartIndexColumns =
    "INDEX_NAME, TABLE_NAME, PARTITIONING_TYPE, SUBPARTITIONING_TYPE, PARTITION_COUNT, DEF_SUBPARTITION_COUNT,"
    " PARTITIONING_KEY_COUNT, SUBPARTITIONING_KEY_COUNT, LOCALITY, ALIGNMENT, DEF_TABLESPACE_NAME,"
    " DEF_PCT_FREE, DEF_INI_TRANS, DEF_MAX_TRANS, DEF_LOGGING, DEF_BUFFER_POOL, \"INTERVAL\"";
const char* kIndPartitionColumns =
    "INDEX_NAME, COMPOSITE, PARTITION_NAME, SUBPARTITION_COUNT, HIGH_VALUE, HIGH_VALUE_LENGTH,"
    " PARTITION_POSITION, STATUS, TABLESPACE_NAME, PCT_FREE, INI_TRANS, MAX_TRANS, INITIAL_EXTENT,"
    " NEXT_EXTENT, MIN_EXTENT, MAX_EXTENT, MAX_SIZE, PCT_INCREASE, FREELISTS, FREELIST_GROUPS, LOGGING,"
    " COMPRESSION, BUFFER_POOL, \"INTERVAL\", SEGMENT_CREATED";
const char* kMviewColumns =
    "MVIEW_NAME, CONTAINER_NAME, QUERY, QUERY_LEN, UPDATABLE, UPDATE_LOG, MASTER_ROLLBACK_SEG, MASTER_LINK,"
    " REWRITE_ENABLED, REWRITE_CAPABILITY, REFRESH_MODE, REFRESH_METHOD, BUILD_MODE, FAST_REFRESHABLE,"
    " LAST_REFRESH_TYPE, LAST_REFRESH_DATE, STALENESS, COMPILE_STATE";
const char* kNestedTableColumns =
    "TABLE_NAME, TABLE_TYPE_OWNER, TABLE_TYPE_NAME, PARENT_TABLE_NAME, PARENT_TABLE_COLUMN, STORAGE_SPEC,"
    " RETURN_TYPE, ELEMENT_SUBSTITUTABLE";
const char* kTypeColumns =
    "TYPE_NAME, TYPE_OID, TYPECODE, ATTRIBUTES, METHODS, PREDEFINED, INCOMPLETE, FINAL, INSTANTIABLE,"
    " PERSISTABLE, SUPERTYPE_OWNER, SUPERTYPE_NAME, LOCAL_ATTRIBUTES, LOCAL_METHODS, TYPEID";
const char* kSynonymColumns = "SYNONYM_NAME, TABLE_OWNER, TABLE_NAME, DB_LINK";
const char* kTabPrivsMadeColumns =
    "GRANTEE, TABLE_NAME, GRANTOR, PRIVILEGE, GRANTABLE, HIERARCHY, COMMON, TYPE, INHERITED";
const char* kDbLinkColumns = "DB_LINK, USERNAME, PASSWORD, HOST, CREATED, HIDDEN";
const char* kSchedulerJobColumns =
    "JOB_NAME, JOB_SUBNAME, JOB_STYLE, JOB_CREATOR, JOB_TYPE, JOB_ACTION, REPEAT_INTERVAL, ENABLED, STATE,"
    " COMMENTS";

const ViewDef kViews[] = {
    {"TABLES", "cat_tables", kTableColumns, "OWNER", false},
    {"CONSTRAINTS", "cat_constraints", kConstraintColumns, "OWNER", true},
    {"CONS_COLUMNS", "cat_cons_columns", kConsColumnColumns, "OWNER", true},
    {"INDEXES", "cat_indexes", kIndexColumns, "OWNER", false},
    {"IND_COLUMNS", "cat_ind_columns", kIndColumnColumns, "INDEX_OWNER", false},
    {"IND_EXPRESSIONS", "cat_ind_expressions", kIndExpressionColumns, "INDEX_OWNER", false},
    {"TRIGGERS", "cat_triggers", kTriggerColumns, "OWNER", false},
    {"VIEWS", "cat_views", kViewColumns, "OWNER", false},
    {"SEQUENCES", "cat_sequences", kSequenceColumns, "SEQUENCE_OWNER", false},
    {"SOURCE", "cat_source", kSourceColumns, "OWNER", false},
    {"OBJECTS", "cat_objects", kObjectColumns, "OWNER", false},
    {"DEPENDENCIES", "cat_dependencies", kDependencyColumns, "OWNER", false},
    {"PART_TABLES", "cat_part_tables", kPartTableColumns, "OWNER", false},
    {"TAB_PARTITIONS", "cat_tab_partitions", kTabPartitionColumns, "OWNER", false},
    {"TAB_SUBPARTITIONS", "cat_tab_subpartitions", kTabSubpartitionColumns, "OWNER", false},
    {"PART_KEY_COLUMNS", "cat_part_key_columns", kPartKeyColumns, "OWNER", false},
    {"SUBPARTITION_TEMPLATES", "cat_subpartition_templates", kSubpartitionTemplateColumns, "OWNER", false},
    {"SUBPART_KEY_COLUMNS", "cat_subpart_key_columns", kPartKeyColumns, "OWNER", false},
    {"PART_INDEXES", "cat_part_indexes", kPartIndexColumns, "OWNER", false},
    {"IND_PARTITIONS", "cat_ind_partitions", kIndPartitionColumns, "OWNER", false},
    {"MVIEWS", "cat_mviews", kMviewColumns, "OWNER", true},
    {"NESTED_TABLES", "cat_nested_tables", kNestedTableColumns, "OWNER", false},
    {"TYPES", "cat_types", kTypeColumns, "OWNER", false},
    {"SYNONYMS", "cat_synonyms", kSynonymColumns, "OWNER", false},
    {"TAB_PRIVS_MADE", "cat_tab_privs", kTabPrivsMadeColumns, "OWNER", false},
    {"DB_LINKS", "cat_db_links", kDbLinkColumns, "OWNER", false},
    {"SCHEDULER_JOBS", "cat_scheduler_jobs", kSchedulerJobColumns, "OWNER", false},
    {"TRIGGER_COLS", "cat_trigger_cols", kTriggerColColumns, "TRIGGER_OWNER", false},
    {"TRIGGER_ORDERING", "cat_trigger_ordering", kTriggerOrderingColumns, "TRIGGER_OWNER", false},
};

const char* kCatalog = R"SQL(
CREATE TABLE cat_meta(name TEXT PRIMARY KEY, value TEXT);
INSERT INTO cat_meta VALUES('object_id_next', '73000');
CREATE TABLE DUAL(DUMMY "VARCHAR2(1)");
INSERT INTO DUAL VALUES('X');
CREATE TABLE cat_objects(
  OWNER "VARCHAR2(30)" NOT NULL, OBJECT_NAME "VARCHAR2(128)" NOT NULL, SUBOBJECT_NAME "VARCHAR2(30)",
  OBJECT_ID NUMBER, DATA_OBJECT_ID NUMBER, OBJECT_TYPE "VARCHAR2(19)", CREATED DATE, LAST_DDL_TIME DATE,
  TIMESTAMP "VARCHAR2(19)", STATUS "VARCHAR2(7)", TEMPORARY "VARCHAR2(1)" DEFAULT 'N',
  GENERATED "VARCHAR2(1)" DEFAULT 'N', SECONDARY "VARCHAR2(1)" DEFAULT 'N',
  UNIQUE(OWNER, OBJECT_NAME, OBJECT_TYPE));
CREATE TABLE cat_tables(
  OWNER "VARCHAR2(30)" NOT NULL, TABLE_NAME "VARCHAR2(30)" NOT NULL, TABLESPACE_NAME "VARCHAR2(30)",
  CLUSTER_NAME "VARCHAR2(30)", IOT_NAME "VARCHAR2(30)", STATUS "VARCHAR2(8)" DEFAULT 'VALID',
  PCT_FREE NUMBER, PCT_USED NUMBER, INI_TRANS NUMBER, MAX_TRANS NUMBER, INITIAL_EXTENT NUMBER,
  NEXT_EXTENT NUMBER, MIN_EXTENTS NUMBER, MAX_EXTENTS NUMBER, PCT_INCREASE NUMBER, FREELISTS NUMBER,
  FREELIST_GROUPS NUMBER, LOGGING "VARCHAR2(3)" DEFAULT 'YES', BACKED_UP "VARCHAR2(1)" DEFAULT 'N',
  NUM_ROWS NUMBER, BLOCKS NUMBER, EMPTY_BLOCKS NUMBER, AVG_SPACE NUMBER, CHAIN_CNT NUMBER,
  AVG_ROW_LEN NUMBER, AVG_SPACE_FREELIST_BLOCKS NUMBER, NUM_FREELIST_BLOCKS NUMBER,
  DEGREE "VARCHAR2(10)" DEFAULT '         1', INSTANCES "VARCHAR2(10)" DEFAULT '         1',
  CACHE "VARCHAR2(5)" DEFAULT '    N', TABLE_LOCK "VARCHAR2(8)" DEFAULT 'ENABLED', SAMPLE_SIZE NUMBER,
  LAST_ANALYZED DATE, PARTITIONED "VARCHAR2(3)" DEFAULT 'NO', IOT_TYPE "VARCHAR2(12)",
  TEMPORARY "VARCHAR2(1)" DEFAULT 'N', SECONDARY "VARCHAR2(1)" DEFAULT 'N', NESTED "VARCHAR2(3)" DEFAULT 'NO',
  BUFFER_POOL "VARCHAR2(7)" DEFAULT 'DEFAULT', ROW_MOVEMENT "VARCHAR2(8)" DEFAULT 'DISABLED',
  GLOBAL_STATS "VARCHAR2(3)" DEFAULT 'NO', USER_STATS "VARCHAR2(3)" DEFAULT 'NO', DURATION "VARCHAR2(15)",
  SKIP_CORRUPT "VARCHAR2(8)" DEFAULT 'DISABLED', MONITORING "VARCHAR2(3)" DEFAULT 'YES',
  CLUSTER_OWNER "VARCHAR2(30)", DEPENDENCIES "VARCHAR2(8)" DEFAULT 'DISABLED',
  COMPRESSION "VARCHAR2(8)" DEFAULT 'DISABLED', DROPPED "VARCHAR2(3)" DEFAULT 'NO',
  READ_ONLY "VARCHAR2(3)" DEFAULT 'NO',
  UNIQUE(OWNER, TABLE_NAME));
CREATE TABLE cat_columns(
  OWNER "VARCHAR2(30)" NOT NULL, TABLE_NAME "VARCHAR2(30)" NOT NULL, COLUMN_NAME "VARCHAR2(30)" NOT NULL,
  DATA_TYPE "VARCHAR2(106)", DATA_TYPE_MOD "VARCHAR2(3)", DATA_TYPE_OWNER "VARCHAR2(30)",
  DATA_LENGTH NUMBER, DATA_PRECISION NUMBER, DATA_SCALE NUMBER, NULLABLE "VARCHAR2(1)" DEFAULT 'Y',
  COLUMN_ID NUMBER, DEFAULT_LENGTH NUMBER, DATA_DEFAULT "LONG STORED AS TEXT", NUM_DISTINCT NUMBER,
  LOW_VALUE "RAW(32)", HIGH_VALUE "RAW(32)", DENSITY NUMBER, NUM_NULLS NUMBER, NUM_BUCKETS NUMBER,
  LAST_ANALYZED DATE, SAMPLE_SIZE NUMBER, CHARACTER_SET_NAME "VARCHAR2(44)", CHAR_COL_DECL_LENGTH NUMBER,
  GLOBAL_STATS "VARCHAR2(3)" DEFAULT 'NO', USER_STATS "VARCHAR2(3)" DEFAULT 'NO', AVG_COL_LEN NUMBER,
  CHAR_LENGTH NUMBER DEFAULT 0, CHAR_USED "VARCHAR2(1)", V80_FMT_IMAGE "VARCHAR2(3)" DEFAULT 'NO',
  DATA_UPGRADED "VARCHAR2(3)" DEFAULT 'YES', HISTOGRAM "VARCHAR2(15)" DEFAULT 'NONE',
  DECL TEXT,
  HIDDEN_COLUMN "VARCHAR2(3)" DEFAULT 'NO', VIRTUAL_COLUMN "VARCHAR2(3)" DEFAULT 'NO',
  USER_GENERATED "VARCHAR2(3)" DEFAULT 'YES', DEFAULT_ON_NULL "VARCHAR2(3)" DEFAULT 'NO',
  IDENTITY_COLUMN "VARCHAR2(3)" DEFAULT 'NO',
  UNIQUE(OWNER, TABLE_NAME, COLUMN_NAME));
CREATE TABLE cat_identity_cols(
  OWNER "VARCHAR2(30)" NOT NULL, TABLE_NAME "VARCHAR2(30)" NOT NULL, COLUMN_NAME "VARCHAR2(30)" NOT NULL,
  GENERATION_TYPE "VARCHAR2(10)", SEQUENCE_NAME "VARCHAR2(30)", START_WITH TEXT,
  UNIQUE(OWNER, TABLE_NAME, COLUMN_NAME));
CREATE TABLE cat_tab_comments(
  OWNER "VARCHAR2(30)" NOT NULL, TABLE_NAME "VARCHAR2(30)" NOT NULL, COMMENTS "VARCHAR2(4000)",
  UNIQUE(OWNER, TABLE_NAME));
CREATE TABLE cat_col_comments(
  OWNER "VARCHAR2(30)" NOT NULL, TABLE_NAME "VARCHAR2(30)" NOT NULL, COLUMN_NAME "VARCHAR2(30)" NOT NULL,
  COMMENTS "VARCHAR2(4000)", UNIQUE(OWNER, TABLE_NAME, COLUMN_NAME));
CREATE TABLE cat_constraints(
  OWNER "VARCHAR2(30)" NOT NULL, CONSTRAINT_NAME "VARCHAR2(30)" NOT NULL, CONSTRAINT_TYPE "VARCHAR2(1)",
  TABLE_NAME "VARCHAR2(30)", SEARCH_CONDITION "LONG STORED AS TEXT", R_OWNER "VARCHAR2(30)",
  R_CONSTRAINT_NAME "VARCHAR2(30)", DELETE_RULE "VARCHAR2(9)", STATUS "VARCHAR2(8)",
  "DEFERRABLE" "VARCHAR2(14)" DEFAULT 'NOT DEFERRABLE', DEFERRED "VARCHAR2(9)" DEFAULT 'IMMEDIATE',
  VALIDATED "VARCHAR2(13)", GENERATED "VARCHAR2(14)", BAD "VARCHAR2(3)", RELY "VARCHAR2(4)",
  LAST_CHANGE DATE, INDEX_OWNER "VARCHAR2(30)", INDEX_NAME "VARCHAR2(30)", INVALID "VARCHAR2(7)",
  VIEW_RELATED "VARCHAR2(14)",
  NOT_NULL_COLUMN TEXT, OWN_INDEX INTEGER DEFAULT 0,
  UNIQUE(OWNER, CONSTRAINT_NAME));
CREATE TABLE cat_cons_columns(
  OWNER "VARCHAR2(30)" NOT NULL, CONSTRAINT_NAME "VARCHAR2(30)" NOT NULL, TABLE_NAME "VARCHAR2(30)",
  COLUMN_NAME "VARCHAR2(4000)", POSITION NUMBER);
CREATE TABLE cat_indexes(
  OWNER "VARCHAR2(30)" NOT NULL, INDEX_NAME "VARCHAR2(30)" NOT NULL, INDEX_TYPE "VARCHAR2(27)" DEFAULT 'NORMAL',
  TABLE_OWNER "VARCHAR2(30)", TABLE_NAME "VARCHAR2(30)", TABLE_TYPE "VARCHAR2(11)" DEFAULT 'TABLE',
  UNIQUENESS "VARCHAR2(9)", COMPRESSION "VARCHAR2(8)" DEFAULT 'DISABLED', PREFIX_LENGTH NUMBER,
  TABLESPACE_NAME "VARCHAR2(30)", INI_TRANS NUMBER, MAX_TRANS NUMBER, INITIAL_EXTENT NUMBER,
  NEXT_EXTENT NUMBER, MIN_EXTENTS NUMBER, MAX_EXTENTS NUMBER, PCT_INCREASE NUMBER, PCT_THRESHOLD NUMBER,
  INCLUDE_COLUMN NUMBER, FREELISTS NUMBER, FREELIST_GROUPS NUMBER, PCT_FREE NUMBER,
  LOGGING "VARCHAR2(3)" DEFAULT 'YES', BLEVEL NUMBER, LEAF_BLOCKS NUMBER, DISTINCT_KEYS NUMBER,
  AVG_LEAF_BLOCKS_PER_KEY NUMBER, AVG_DATA_BLOCKS_PER_KEY NUMBER, CLUSTERING_FACTOR NUMBER,
  STATUS "VARCHAR2(8)" DEFAULT 'VALID', NUM_ROWS NUMBER, SAMPLE_SIZE NUMBER, LAST_ANALYZED DATE,
  DEGREE "VARCHAR2(40)" DEFAULT '1', INSTANCES "VARCHAR2(40)" DEFAULT '1',
  PARTITIONED "VARCHAR2(3)" DEFAULT 'NO', TEMPORARY "VARCHAR2(1)" DEFAULT 'N',
  GENERATED "VARCHAR2(1)" DEFAULT 'N', SECONDARY "VARCHAR2(1)" DEFAULT 'N',
  BUFFER_POOL "VARCHAR2(7)" DEFAULT 'DEFAULT', USER_STATS "VARCHAR2(3)" DEFAULT 'NO',
  DURATION "VARCHAR2(15)", PCT_DIRECT_ACCESS NUMBER, ITYP_OWNER "VARCHAR2(30)", ITYP_NAME "VARCHAR2(30)",
  PARAMETERS "VARCHAR2(1000)", GLOBAL_STATS "VARCHAR2(3)" DEFAULT 'NO', DOMIDX_STATUS "VARCHAR2(12)",
  DOMIDX_OPSTATUS "VARCHAR2(6)", FUNCIDX_STATUS "VARCHAR2(8)", JOIN_INDEX "VARCHAR2(3)" DEFAULT 'NO',
  IOT_REDUNDANT_PKEY_ELIM "VARCHAR2(3)" DEFAULT 'NO', DROPPED "VARCHAR2(3)" DEFAULT 'NO',
  VISIBILITY "VARCHAR2(9)" DEFAULT 'VISIBLE',
  UNIQUE(OWNER, INDEX_NAME));
CREATE TABLE cat_ind_columns(
  INDEX_OWNER "VARCHAR2(30)" NOT NULL, INDEX_NAME "VARCHAR2(30)" NOT NULL, TABLE_OWNER "VARCHAR2(30)",
  TABLE_NAME "VARCHAR2(30)", COLUMN_NAME "VARCHAR2(4000)", COLUMN_POSITION NUMBER, COLUMN_LENGTH NUMBER,
  CHAR_LENGTH NUMBER, DESCEND "VARCHAR2(4)" DEFAULT 'ASC');
CREATE TABLE cat_views(
  OWNER "VARCHAR2(30)" NOT NULL, VIEW_NAME "VARCHAR2(30)" NOT NULL, TEXT_LENGTH NUMBER,
  TEXT "LONG STORED AS TEXT", TYPE_TEXT_LENGTH NUMBER, TYPE_TEXT "VARCHAR2(4000)", OID_TEXT_LENGTH NUMBER,
  OID_TEXT "VARCHAR2(4000)", VIEW_TYPE_OWNER "VARCHAR2(30)", VIEW_TYPE "VARCHAR2(30)",
  SUPERVIEW_NAME "VARCHAR2(30)", READ_ONLY "VARCHAR2(1)" DEFAULT 'N',
  COLUMN_LIST TEXT,
  UNIQUE(OWNER, VIEW_NAME));
CREATE TABLE cat_sequences(
  SEQUENCE_OWNER "VARCHAR2(30)" NOT NULL, SEQUENCE_NAME "VARCHAR2(30)" NOT NULL,
  MIN_VALUE "NUMBER STORED AS BLOB", MAX_VALUE "NUMBER STORED AS BLOB", INCREMENT_BY "NUMBER STORED AS BLOB",
  CYCLE_FLAG "VARCHAR2(1)", ORDER_FLAG "VARCHAR2(1)", CACHE_SIZE NUMBER, LAST_NUMBER "NUMBER STORED AS BLOB",
  NEXT_VALUE TEXT,
  UNIQUE(SEQUENCE_OWNER, SEQUENCE_NAME));
CREATE TABLE cat_source(
  OWNER "VARCHAR2(30)" NOT NULL, NAME "VARCHAR2(30)" NOT NULL, TYPE "VARCHAR2(12)", LINE NUMBER,
  TEXT "VARCHAR2(4000)");
CREATE INDEX cat_source_unit ON cat_source(OWNER, NAME, TYPE, LINE);
CREATE TABLE cat_triggers(
  OWNER "VARCHAR2(30)" NOT NULL, TRIGGER_NAME "VARCHAR2(30)" NOT NULL, TRIGGER_TYPE "VARCHAR2(16)",
  TRIGGERING_EVENT "VARCHAR2(227)", TABLE_OWNER "VARCHAR2(30)", BASE_OBJECT_TYPE "VARCHAR2(16)",
  TABLE_NAME "VARCHAR2(30)", COLUMN_NAME "VARCHAR2(4000)", REFERENCING_NAMES "VARCHAR2(128)",
  WHEN_CLAUSE "VARCHAR2(4000)", STATUS "VARCHAR2(8)", DESCRIPTION "VARCHAR2(4000)",
  ACTION_TYPE "VARCHAR2(11)" DEFAULT 'PL/SQL', TRIGGER_BODY "LONG STORED AS TEXT",
  UNIQUE(OWNER, TRIGGER_NAME));
CREATE TABLE cat_dependencies(
  OWNER "VARCHAR2(30)" NOT NULL, NAME "VARCHAR2(30)" NOT NULL, TYPE "VARCHAR2(17)",
  REFERENCED_OWNER "VARCHAR2(30)", REFERENCED_NAME "VARCHAR2(64)", REFERENCED_TYPE "VARCHAR2(17)",
  REFERENCED_LINK_NAME "VARCHAR2(128)", SCHEMAID NUMBER, DEPENDENCY_TYPE "VARCHAR2(4)" DEFAULT 'HARD');
CREATE TABLE cat_trigger_cols(
  TRIGGER_OWNER "VARCHAR2(30)" NOT NULL, TRIGGER_NAME "VARCHAR2(30)" NOT NULL, TABLE_OWNER "VARCHAR2(30)",
  TABLE_NAME "VARCHAR2(30)", COLUMN_NAME "VARCHAR2(4000)", COLUMN_LIST "VARCHAR2(3)" DEFAULT 'NO',
  COLUMN_USAGE "VARCHAR2(17)" DEFAULT 'NONE', COLUMN_POSITION NUMBER);
CREATE TABLE cat_trigger_ordering(
  TRIGGER_OWNER "VARCHAR2(30)" NOT NULL, TRIGGER_NAME "VARCHAR2(30)" NOT NULL,
  REFERENCED_TRIGGER_OWNER "VARCHAR2(30)", REFERENCED_TRIGGER_NAME "VARCHAR2(30)",
  ORDERING_TYPE "VARCHAR2(8)", ORDERING_POSITION NUMBER);
)SQL";

bool startsWith(const std::string& s, const char* p) { return s.rfind(p, 0) == 0; }

// The SELECT behind a dictionary view; `user` empty for the ALL_ form.
std::string viewSelect(const ViewDef& v, const std::string& user) {
  std::string cols = v.columns;
  if (user.empty() || v.userHasOwner) cols = std::string(v.ownerColumn) + " AS OWNER, " + cols;
  std::string sql = "SELECT " + cols + " FROM main." + v.from;
  if (!user.empty()) sql += " WHERE " + std::string(v.ownerColumn) + " = " + dict::quoteLiteral(user);
  return sql;
}

// The dictionary's column views: the catalog's COLUMN_ID is the internal
// number, the visible number counts the visible columns before.
std::string columnsSelect(bool all, const std::string& user) {
  std::string cols = std::string(kColumnColumns) + (all ? kAllColumnColumns : kVisibleColumnColumns);
  const std::string visibleId =
      "CASE WHEN HIDDEN_COLUMN = 'YES' THEN NULL ELSE COLUMN_ID - (SELECT COUNT(*) FROM main.cat_columns h"
      " WHERE h.OWNER = cat_columns.OWNER AND h.TABLE_NAME = cat_columns.TABLE_NAME AND h.HIDDEN_COLUMN = 'YES'"
      " AND h.COLUMN_ID < cat_columns.COLUMN_ID) END AS COLUMN_ID";
  cols.replace(cols.find(" COLUMN_ID,"), 11, " " + visibleId + ",");
  if (user.empty()) cols = "OWNER, " + cols;
  std::string sql = "SELECT " + cols + " FROM main.cat_columns";
  std::vector<std::string> where;
  if (!user.empty()) where.push_back("OWNER = " + dict::quoteLiteral(user));
  if (!all) where.push_back("HIDDEN_COLUMN = 'NO'");
  for (size_t i = 0; i < where.size(); ++i) sql += (i ? " AND " : " WHERE ") + where[i];
  return sql;
}

// USER_TAB_IDENTITY_COLS: the identity columns, their generation and the
// options of their system sequence as one text.
std::string identityColumnsSelect(const std::string& user) {
  std::string sql = std::string("SELECT ") + (user.empty() ? "i.OWNER AS OWNER, " : "") +
                    "i.TABLE_NAME AS TABLE_NAME, i.COLUMN_NAME AS COLUMN_NAME, i.GENERATION_TYPE AS GENERATION_TYPE,"
                    " i.SEQUENCE_NAME AS SEQUENCE_NAME, 'START WITH: ' || i.START_WITH || ', INCREMENT BY: ' ||"
                    " q.INCREMENT_BY || ', MAX_VALUE: ' || q.MAX_VALUE || ', MIN_VALUE: ' || q.MIN_VALUE ||"
                    " ', CYCLE_FLAG: ' || q.CYCLE_FLAG || ', CACHE_SIZE: ' || q.CACHE_SIZE || ', ORDER_FLAG: ' ||"
                    " q.ORDER_FLAG || ', SCALE_FLAG: N, EXTEND_FLAG: N, SESSION_FLAG: N, KEEP_VALUE: N'"
                    " AS IDENTITY_OPTIONS FROM main.cat_identity_cols i JOIN main.cat_sequences q"
                    " ON q.SEQUENCE_OWNER = i.OWNER AND q.SEQUENCE_NAME = i.SEQUENCE_NAME";
  if (!user.empty()) sql += " WHERE i.OWNER = " + dict::quoteLiteral(user);
  return sql;
}

std::string commentsSelect(bool columns, const std::string& user) {
  std::string ownerCol = user.empty() ? "o.OWNER AS OWNER, " : "";
  std::string where = user.empty() ? "" : " WHERE o.OWNER = " + dict::quoteLiteral(user);
  if (!columns)
    return "SELECT " + ownerCol +
           "o.OBJECT_NAME AS TABLE_NAME, o.OBJECT_TYPE AS TABLE_TYPE, m.COMMENTS AS COMMENTS"
           " FROM main.cat_objects o LEFT JOIN main.cat_tab_comments m ON m.OWNER = o.OWNER AND"
           " m.TABLE_NAME = o.OBJECT_NAME" +
           (user.empty() ? std::string(" WHERE") : where + " AND") +
           " o.OBJECT_TYPE IN ('TABLE', 'VIEW')";
  std::string ownerCol2 = user.empty() ? "o.OWNER AS OWNER, " : "";
  std::string where2 = user.empty() ? "" : " WHERE o.OWNER = " + dict::quoteLiteral(user);
  return "SELECT " + ownerCol2 +
         "o.TABLE_NAME AS TABLE_NAME, o.COLUMN_NAME AS COLUMN_NAME, m.COMMENTS AS COMMENTS"
         " FROM main.cat_columns o LEFT JOIN main.cat_col_comments m ON m.OWNER = o.OWNER AND"
         " m.TABLE_NAME = o.TABLE_NAME AND m.COLUMN_NAME = o.COLUMN_NAME" +
         where2;
}

std::string usersSelect(const std::string& user) {
  std::string sql =
      "SELECT username AS USERNAME, user_id AS USER_ID,"
      " CASE account_status WHEN 'EXPIRING' THEN 'EXPIRED(GRACE)' ELSE account_status END AS ACCOUNT_STATUS,"
      " NULL AS LOCK_DATE, NULL AS EXPIRY_DATE, 'USERS' AS DEFAULT_TABLESPACE, 'TEMP' AS TEMPORARY_TABLESPACE,"
      " created AS CREATED, 'DEFAULT_CONSUMER_GROUP' AS INITIAL_RSRC_CONSUMER_GROUP, NULL AS EXTERNAL_NAME"
      " FROM main.ocisim_users";
  if (!user.empty()) sql += " WHERE username = " + dict::quoteLiteral(user);
  return sql;
}

// The Oracle name of a dictionary view without its USER_/ALL_ prefix, or "".
const ViewDef* findView(const std::string& bare) {
  for (const auto& v : kViews)
    if (bare == v.name) return &v;
  return nullptr;
}

bool tempViewExists(sqlite3* db, const std::string& name) {
  return dict::scalar(db, "SELECT 1 FROM temp.sqlite_master WHERE type = 'view' AND name = ?", {name}).has_value();
}

std::string userView(Session& s, const std::string& oracleName) {
  std::string name = s.user + ":" + oracleName;
  if (tempViewExists(s.db, name)) return name;
  std::string bare = oracleName.substr(5);
  std::string select;
  if (const ViewDef* v = findView(bare)) select = viewSelect(*v, s.user);
  else if (bare == "TAB_COLUMNS" || bare == "TAB_COLS") select = columnsSelect(bare == "TAB_COLS", s.user);
  else if (bare == "TAB_IDENTITY_COLS") select = identityColumnsSelect(s.user);
  else if (bare == "TAB_COMMENTS") select = commentsSelect(false, s.user);
  else if (bare == "COL_COMMENTS") select = commentsSelect(true, s.user);
  else if (bare == "USERS") select = usersSelect(s.user);
  else throw OraError(942, "table or view does not exist");
  dict::exec(s.db, "CREATE TEMP VIEW IF NOT EXISTS " + dict::quoteName(name) + " AS " + select);
  return name;
}

}  // namespace

// Lookups by table, constraint, index and referenced object: each dictionary
// query and each DDL statement finds its rows through an index, so their cost
// does not grow with the schema.  The USER_* views add OWNER = the user to
// every query, and the writers ask for one table's rows in name order: the
// per-table indexes therefore lead with the owner column the view filters on
// and end with the name the rows are ordered by, so that SQLite never prefers
// walking all of a user's rows in name order to a lookup by table.
const char* kCatalogIndexes = R"SQL(
DROP INDEX IF EXISTS cat_constraints_table;
DROP INDEX IF EXISTS cat_cons_columns_table;
CREATE INDEX IF NOT EXISTS cat_constraints_by_table ON cat_constraints(OWNER, TABLE_NAME, CONSTRAINT_NAME);
CREATE INDEX IF NOT EXISTS cat_constraints_name ON cat_constraints(CONSTRAINT_NAME);
CREATE INDEX IF NOT EXISTS cat_constraints_referenced ON cat_constraints(R_OWNER, R_CONSTRAINT_NAME);
CREATE INDEX IF NOT EXISTS cat_constraints_index ON cat_constraints(INDEX_OWNER, INDEX_NAME);
CREATE INDEX IF NOT EXISTS cat_cons_columns_constraint ON cat_cons_columns(OWNER, CONSTRAINT_NAME);
CREATE INDEX IF NOT EXISTS cat_cons_columns_by_table ON cat_cons_columns(OWNER, TABLE_NAME, CONSTRAINT_NAME, POSITION);
CREATE INDEX IF NOT EXISTS cat_indexes_table ON cat_indexes(TABLE_OWNER, TABLE_NAME);
CREATE INDEX IF NOT EXISTS cat_indexes_by_table ON cat_indexes(OWNER, TABLE_NAME, INDEX_NAME);
CREATE INDEX IF NOT EXISTS cat_indexes_name ON cat_indexes(INDEX_NAME);
CREATE INDEX IF NOT EXISTS cat_ind_columns_index ON cat_ind_columns(INDEX_OWNER, INDEX_NAME);
CREATE INDEX IF NOT EXISTS cat_ind_columns_table ON cat_ind_columns(TABLE_OWNER, TABLE_NAME);
CREATE INDEX IF NOT EXISTS cat_triggers_table ON cat_triggers(TABLE_OWNER, TABLE_NAME);
CREATE INDEX IF NOT EXISTS cat_triggers_by_table ON cat_triggers(OWNER, TABLE_NAME, TRIGGER_NAME);
CREATE INDEX IF NOT EXISTS cat_dependencies_object ON cat_dependencies(OWNER, NAME, TYPE);
CREATE INDEX IF NOT EXISTS cat_dependencies_referenced ON cat_dependencies(REFERENCED_OWNER, REFERENCED_NAME);
)SQL";

// Catalog tables added since the first databases were made: a database gets
// them on its next connection.
const char* kCatalogAdditions = R"SQL(
CREATE TABLE IF NOT EXISTS cat_ind_expressions(
  INDEX_OWNER "VARCHAR2(30)" NOT NULL, INDEX_NAME "VARCHAR2(30)" NOT NULL, TABLE_OWNER "VARCHAR2(30)",
  TABLE_NAME "VARCHAR2(30)", COLUMN_EXPRESSION "LONG STORED AS TEXT", COLUMN_POSITION NUMBER);
CREATE INDEX IF NOT EXISTS cat_ind_expressions_index ON cat_ind_expressions(INDEX_OWNER, INDEX_NAME);
)SQL";

void ensureCatalogIndexes(sqlite3* db) {
  // A database made before these indexes gets them on its next connection;
  // a file that cannot be written keeps working without them.
  sqlite3_exec(db, kCatalogAdditions, nullptr, nullptr, nullptr);
  sqlite3_exec(db, kCatalogIndexes, nullptr, nullptr, nullptr);
  dict::ensureKindsCatalog(db);
}

void initCatalog(sqlite3* db) {
  dict::exec(db, kCatalog);
  dict::exec(db, kCatalogAdditions);
  dict::exec(db, kCatalogIndexes);
  dict::exec(db, dict::kKindsCatalog);
  for (const auto& v : kViews)
    dict::exec(db, "CREATE VIEW " + dict::quoteName(std::string("ALL_") + v.name) + " AS " + viewSelect(v, ""));
  dict::exec(db, "CREATE VIEW ALL_TAB_COLUMNS AS " + columnsSelect(false, ""));
  dict::exec(db, "CREATE VIEW ALL_TAB_COLS AS " + columnsSelect(true, ""));
  dict::exec(db, "CREATE VIEW ALL_TAB_IDENTITY_COLS AS " + identityColumnsSelect(""));
  dict::exec(db, "CREATE VIEW ALL_TAB_COMMENTS AS " + commentsSelect(false, ""));
  dict::exec(db, "CREATE VIEW ALL_COL_COMMENTS AS " + commentsSelect(true, ""));
  dict::exec(db, "CREATE VIEW ALL_USERS AS SELECT username AS USERNAME, user_id AS USER_ID, created AS CREATED"
                 " FROM ocisim_users");
}

bool isDictionaryViewName(const std::string& name) {
  std::string bare;
  if (startsWith(name, "USER_")) bare = name.substr(5);
  else if (startsWith(name, "ALL_")) bare = name.substr(4);
  else return false;
  return findView(bare) || bare == "TAB_COLUMNS" || bare == "TAB_COLS" || bare == "TAB_IDENTITY_COLS" ||
         bare == "TAB_COMMENTS" || bare == "COL_COMMENTS" || bare == "USERS";
}

namespace {

std::string revokedKey(const std::string& view) { return "revoked:" + view; }

}  // namespace

void setDictionaryViewReadable(Session& s, const std::string& view, bool readable) {
  if (readable) dict::exec(s.db, "DELETE FROM cat_meta WHERE name = " + dict::quoteLiteral(revokedKey(view)));
  else dict::exec(s.db, "INSERT OR REPLACE INTO cat_meta VALUES(" + dict::quoteLiteral(revokedKey(view)) + ", 'Y')");
}

std::string resolveRelation(Session& s, const std::string& ownerIn, const std::string& name) {
  std::string owner = ownerIn;
  if (owner.empty() || owner == "SYS" || owner == "PUBLIC") {
    if (name == "DUAL") return "DUAL";
    if ((startsWith(name, "USER_") || startsWith(name, "ALL_")) &&
        dict::scalar(s.db, "SELECT 1 FROM cat_meta WHERE name = ?", {revokedKey(name)}))
      throw OraError(942, "table or view does not exist");
    if (startsWith(name, "USER_")) return userView(s, name);
    if (startsWith(name, "ALL_")) {
      if (dict::scalar(s.db, "SELECT 1 FROM main.sqlite_master WHERE type = 'view' AND name = ?", {name}))
        return name;
      throw OraError(942, "table or view does not exist");
    }
    if (owner == "SYS" || owner == "PUBLIC") throw OraError(942, "table or view does not exist");
    owner = s.user;
  }
  auto row = dict::scalar(s.db,
                          "SELECT STATUS FROM cat_objects WHERE OWNER = ? AND OBJECT_NAME = ?"
                          " AND OBJECT_TYPE IN ('TABLE', 'VIEW')",
                          {owner, name});
  if (!row) throw OraError(942, "table or view does not exist");
  if (startsWith(name, "SYS_IOT_OVER_") &&
      dict::scalar(s.db, "SELECT 1 FROM cat_tables WHERE OWNER = ? AND TABLE_NAME = ? AND IOT_TYPE = 'IOT_OVERFLOW'",
                   {owner, name}))
    throw OraError(25191, "cannot reference overflow table of an index-organized table");
  if (*row != "VALID") {
    // A view made invalid by a dropped table works again once the table is
    // back, as Oracle recompiles it on its next use.
    sqlite3_stmt* st = nullptr;
    std::string probe = "SELECT * FROM " + dict::quoteName(storageName(owner, name));
    bool works = sqlite3_prepare_v2(s.db, probe.c_str(), -1, &st, nullptr) == SQLITE_OK;
    sqlite3_finalize(st);
    if (!works) throw OraError(4063, "view \"" + owner + "." + name + "\" has errors");
    sqlite3_exec(s.db,
                 ("UPDATE cat_objects SET STATUS = 'VALID' WHERE OWNER = " + dict::quoteLiteral(owner) +
                  " AND OBJECT_NAME = " + dict::quoteLiteral(name) + " AND OBJECT_TYPE = 'VIEW'")
                     .c_str(),
                 nullptr, nullptr, nullptr);
  }
  return storageName(owner, name);
}

}  // namespace ocisim
