// The stand-in database engine as the stand-in client library sees it.
//
// A database is an SQLite file named after its net service name in the
// folder that OCISIM_DATA names.  A Connection is one logged-on user of one
// database; a Statement is one parsed SQL text on it.  Everything Oracle
// would report as an error is thrown as OraError with Oracle's number and
// text, so the client library can hand it on unchanged.
//
// Values cross this boundary in Oracle's terms (Value below); converting
// them to the external types that defines and binds ask for is the client
// library's job, not the engine's.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace ocisim {

// An error as Oracle reports it.  message() is the whole text, for example
// "ORA-00942: table or view does not exist"; code() is 942.
class OraError : public std::runtime_error {
 public:
  OraError(int code, const std::string& text);  // text without the "ORA-nnnnn: " prefix
  int code() const { return code_; }

 private:
  int code_;
};

// Internal data type codes, as a describe reports them.
enum class SqlType : int {
  Varchar2 = 1,
  Number = 2,   // also FLOAT (binary precision, scale -127) and INTEGER (scale 0)
  Long = 8,
  Date = 12,
  Raw = 23,
  LongRaw = 24,
  RowId = 11,
  Char = 96,
  Clob = 112,
  Blob = 113,
  Bfile = 114,
  BinaryFloat = 100,
  BinaryDouble = 101,
  Timestamp = 187,
  TimestampTz = 188,
  IntervalYM = 189,
  IntervalDS = 190,
  URowId = 208,
  TimestampLtz = 232,
  Object = 108,  // a column of an object type (XMLTYPE, a user's type): described, not fetched
};

// One select-list column as a describe reports it.
struct ColumnInfo {
  std::string name;       // upper case unless it was quoted; Oracle cuts it to 30 characters
  SqlType type = SqlType::Varchar2;
  int size = 0;           // bytes: declared length of character and RAW columns, 22 for
                          // NUMBER, 7 for DATE, 0 for LONG, 4000 for LOB columns
  int precision = 0;      // NUMBER precision, 0 when not given; FLOAT binary precision
  int scale = 0;          // NUMBER scale; -127 for FLOAT; 0 otherwise
  bool nullable = true;
  bool charUsed = false;  // character length semantics
  bool national = false;  // NCHAR, NVARCHAR2, NCLOB: the national character set
  std::string typeName, typeSchema;  // the type of an Object column and its owner
};

// A date as Oracle's DATE holds it: no fraction of seconds, no zone.
struct DateTime {
  int year = 1, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  bool operator==(const DateTime&) const = default;
};

// One value read from or sent to the database.
struct Value {
  enum class Kind {
    Null, Number, Text, Date, Binary,
    Timestamp, TimestampTz, TimestampLtz, IntervalYM, IntervalDS, BinaryFloat, BinaryDouble
  };
  Kind kind = Kind::Null;
  // Number: the number as Oracle's TO_CHAR writes it, every digit kept:
  //         "12", ".5", "-.5", "100", "1.25", "-12345678901234567.89".  Plain
  //         digits while the text fits 40 characters; past that the mantissa
  //         and exponent as Oracle writes them ("1E+40", "1.5E-45").
  // Text:   UTF-8 characters (VARCHAR2, CHAR, LONG, CLOB).
  // Binary: raw bytes (RAW, LONG RAW, BLOB).
  // Timestamp, TimestampTz, TimestampLtz: "[-]YYYY-MM-DD HH:MI:SS.fffffffff",
  //         nine fractional digits, then for TimestampTz a blank and the zone
  //         ("+05:30", "-12:00" or a region name such as "Europe/Paris");
  //         TimestampLtz is in the session's time zone, which is UTC here.
  // IntervalYM: "+Y-MM" ("-1-06"); IntervalDS: "+D HH:MI:SS.fffffffff".
  // BinaryFloat, BinaryDouble: the shortest text that reads back as the
  //         same value ("1.5", "-0", "1E+300"), or "NaN", "Inf", "-Inf".
  std::string data;
  DateTime date;          // Date only

  static Value null() { return {}; }
  static Value number(std::string canonical) { return {Kind::Number, std::move(canonical), {}}; }
  static Value text(std::string s) { return {Kind::Text, std::move(s), {}}; }
  static Value binary(std::string bytes) { return {Kind::Binary, std::move(bytes), {}}; }
  static Value fromDate(const DateTime& d) { return {Kind::Date, {}, d}; }
  static Value of(Kind k, std::string text) { return {k, std::move(text), {}}; }
  bool isNull() const { return kind == Kind::Null; }
};

// Statement kinds, numbered as OCI_ATTR_STMT_TYPE numbers them.
enum class StatementKind : int {
  Unknown = 0, Select = 1, Update = 2, Delete = 3, Insert = 4,
  Create = 5, Drop = 6, Alter = 7, Begin = 8, Declare = 9,
};

class Statement {
 public:
  virtual ~Statement() = default;

  virtual StatementKind kind() const = 0;
  // The OCI7 SQL function code of the statement (3 insert, 4 select, 5 update,
  // 9 delete, 1 create table, ...), as the cursor data area reports it.
  virtual int functionCode() const = 0;

  // Placeholder names in order of first appearance, without the colon,
  // upper case unless quoted ("1" for :1).
  virtual const std::vector<std::string>& bindNames() const = 0;
  // Sets a placeholder's value for the next execute; index into bindNames().
  virtual void bind(size_t index, const Value& value) = 0;

  // Describes a select without running it (throws as execute would for a
  // missing table or column).
  virtual const std::vector<ColumnInfo>& describe() = 0;

  // Runs the statement once with the bound values.  For a select it opens
  // the result; rows are then read with fetch().  Each execute of DML, DDL
  // or a block is atomic: on error nothing it did remains.
  virtual void execute() = 0;

  // Next row of an executed select; false at the end.
  virtual bool fetch(std::vector<Value>& row) = 0;

  // Rows processed: rows changed by the last DML execute, or rows fetched
  // so far for a select.
  virtual uint64_t rowCount() const = 0;

  // PL/SQL blocks' host variables beyond single IN values.
  // A placeholder bound as a PL/SQL table (index-by table): elements 1..n.
  virtual void bindTable(size_t index, const std::vector<Value>& values) {
    (void)index, (void)values;
    throw OraError(6550, "PLS-00418: array bind type must match PL/SQL table row type");
  }
  // After execute: whether the block assigned the placeholder (an OUT or IN
  // OUT one), and its value as the block left it.
  virtual bool boundAssigned(size_t index) const {
    (void)index;
    return false;
  }
  virtual Value boundValue(size_t index) const {
    (void)index;
    return Value::null();
  }
  // After execute: a PL/SQL table placeholder's elements as the block left them.
  virtual std::vector<Value> boundTable(size_t index) const {
    (void)index;
    return {};
  }
  // A block's LOB placeholder: the value goes in as the contents of a CLOB
  // ('C'), BLOB ('B') or BFILE ('F') locator, so that the block can work on it
  // with DBMS_LOB and hand a locator back.
  virtual void bindLob(size_t index, char lobKind, const Value& value) {
    (void)lobKind;
    bind(index, value);
  }
  // After execute: the directory alias and file name of the BFILE a block
  // left in a placeholder; false when it left none.
  virtual bool boundFile(size_t index, std::string& directory, std::string& file) const {
    (void)index, (void)directory, (void)file;
    return false;
  }
  // After execute: the cursor a block opened on a placeholder (OPEN :c FOR
  // select), ready to fetch; null when it opened none.
  virtual std::unique_ptr<Statement> takeCursor(size_t index) {
    (void)index;
    return nullptr;
  }
};

class Connection {
 public:
  virtual ~Connection() = default;

  // Logs a user on.  Throws OraError 1017 for a wrong user or password, 28000
  // for a locked account.  Returns 28002 (with the text in *warning) when
  // the password is about to expire, 0 otherwise.
  virtual int logon(const std::string& user, const std::string& password, std::string* warning) = 0;
  virtual std::string user() const = 0;                 // upper case
  virtual std::string versionBanner() const = 0;

  // Parses a statement.  Syntax errors are thrown here (ORA-00900 and kin).
  virtual std::unique_ptr<Statement> prepare(const std::string& sql) = 0;

  virtual void commit() = 0;
  virtual void rollback() = 0;
  // Interrupts a running statement from another thread (OCIBreak).
  virtual void interrupt() = 0;

  // A date as the session writes it when a DATE is fetched as text: in the
  // session's NLS_DATE_FORMAT.  This default knows only DD-MON-RR, the
  // format of a new session ("05-JAN-24"); a session that honours ALTER
  // SESSION SET NLS_DATE_FORMAT overrides it.
  virtual std::string formatDate(const DateTime& d) const {
    static const char* const months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    std::string out;
    out += static_cast<char>('0' + d.day / 10 % 10);
    out += static_cast<char>('0' + d.day % 10);
    out += '-';
    out += (d.month >= 1 && d.month <= 12) ? months[d.month - 1] : "???";
    out += '-';
    int yy = ((d.year % 100) + 100) % 100;
    out += static_cast<char>('0' + yy / 10);
    out += static_cast<char>('0' + yy % 10);
    return out;
  }
};

// Resolves a net service name to a database in $OCISIM_DATA.  Throws
// OraError 12154 when no such database exists.
std::unique_ptr<Connection> attach(const std::string& serviceName);

// Administration, used by the ocisim tool and tests.
void createDatabase(const std::string& dataDir, const std::string& name);
void addUser(const std::string& dataDir, const std::string& database, const std::string& user,
             const std::string& password);
// Account states for logon tests: "OPEN", "LOCKED", "EXPIRING" (logon warns 28002).
void setUserStatus(const std::string& dataDir, const std::string& database, const std::string& user,
                   const std::string& status);
// Sets the banner OCIServerVersion answers, for old-server tests.
void setVersionBanner(const std::string& dataDir, const std::string& database,
                      const std::string& banner);
std::unique_ptr<Connection> attachIn(const std::string& dataDir, const std::string& serviceName);

}  // namespace ocisim
