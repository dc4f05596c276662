#include "script/sql_names.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace tarlow {

namespace {

// Oracle's reserved words (the ones that cannot name an object unquoted),
// sorted for binary search.
constexpr std::string_view kReserved[] = {
    "ACCESS",    "ADD",        "ALL",       "ALTER",      "AND",        "ANY",      "AS",
    "ASC",       "AUDIT",      "BETWEEN",   "BY",         "CHAR",       "CHECK",    "CLUSTER",
    "COLUMN",    "COLUMN_VALUE", "COMMENT", "COMPRESS",   "CONNECT",    "CREATE",   "CURRENT",
    "DATE",      "DECIMAL",    "DEFAULT",   "DELETE",     "DESC",       "DISTINCT", "DROP",
    "ELSE",      "EXCLUSIVE",  "EXISTS",    "FILE",       "FLOAT",      "FOR",      "FROM",
    "GRANT",     "GROUP",      "HAVING",    "IDENTIFIED", "IMMEDIATE",  "IN",       "INCREMENT",
    "INDEX",     "INITIAL",    "INSERT",    "INTEGER",    "INTERSECT",  "INTO",     "IS",
    "LEVEL",     "LIKE",       "LOCK",      "LONG",       "MAXEXTENTS", "MINUS",    "MLSLABEL",
    "MODE",      "MODIFY",     "NESTED_TABLE_ID", "NOAUDIT", "NOCOMPRESS", "NOT",   "NOWAIT",
    "NULL",      "NUMBER",     "OF",        "OFFLINE",    "ON",         "ONLINE",   "OPTION",
    "OR",        "ORDER",      "PCTFREE",   "PRIOR",      "PUBLIC",     "RAW",      "RENAME",
    "RESOURCE",  "REVOKE",     "ROW",       "ROWID",      "ROWNUM",     "ROWS",     "SELECT",
    "SESSION",   "SET",        "SHARE",     "SIZE",       "SMALLINT",   "START",    "SUCCESSFUL",
    "SYNONYM",   "SYSDATE",    "TABLE",     "THEN",       "TO",         "TRIGGER",  "UID",
    "UNION",     "UNIQUE",     "UPDATE",    "USER",       "VALIDATE",   "VALUES",   "VARCHAR",
    "VARCHAR2",  "VIEW",       "WHENEVER",  "WHERE",      "WITH",       "PRIVILEGES"};

const std::vector<std::string_view>& SortedReserved() {
  static const auto sorted = [] {
    std::vector<std::string_view> a(std::begin(kReserved), std::end(kReserved));
    std::sort(a.begin(), a.end());
    return a;
  }();
  return sorted;
}

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsReservedWord(std::string_view word) {
  const auto& r = SortedReserved();
  return std::binary_search(r.begin(), r.end(), word);
}

bool IsPlainIdentifier(std::string_view name) {
  if (name.empty() || !IsUpper(name[0])) return false;
  for (char c : name)
    if (!IsUpper(c) && !IsDigit(c) && c != '_' && c != '$' && c != '#') return false;
  return !IsReservedWord(name);
}

std::string SqlName(std::string_view name) {
  if (IsPlainIdentifier(name)) return std::string(name);
  std::string out;
  out.reserve(name.size() + 2);
  out += '"';
  out += name;
  out += '"';
  return out;
}

std::string SqlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

std::string SqlLiteral(std::string_view text) { return "'" + SqlText(text) + "'"; }

std::string CommentText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '*' && i + 1 < text.size() && text[i + 1] == '/') out += ' ';
  }
  return out;
}

}  // namespace tarlow
