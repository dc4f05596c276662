#include "script/column_attributes.h"

#include <cctype>
#include <exception>

#include "script/sql_names.h"

namespace tarlow {

namespace {

using Whole = __int128;  // sequence numbers have up to 28 digits

bool ParseWhole(const std::string& text, Whole& out) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i >= text.size() || text.size() - i > 36) return false;
  Whole v = 0;
  for (; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    v = v * 10 + (text[i] - '0');
  }
  out = negative ? -v : v;
  return true;
}

std::string WholeText(Whole v) {
  if (v == 0) return "0";
  const bool negative = v < 0;
  std::string digits;
  for (; v != 0; v /= 10) {
    const int d = static_cast<int>(v % 10);
    digits.insert(digits.begin(), static_cast<char>('0' + (d < 0 ? -d : d)));
  }
  return negative ? "-" + digits : digits;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
}

}  // namespace

std::map<std::string, ColumnAttributes> ReadColumnAttributes(TOracleQuery& q, const std::string& table) {
  std::map<std::string, ColumnAttributes> out;
  try {
    q.SetSQLText("SELECT COLUMN_NAME, HIDDEN_COLUMN, VIRTUAL_COLUMN, IDENTITY_COLUMN, DEFAULT_ON_NULL, USER_GENERATED"
                 " FROM SYS.USER_TAB_COLS WHERE TABLE_NAME = '" + SqlText(table) +
                 "' AND (HIDDEN_COLUMN = 'YES' OR VIRTUAL_COLUMN = 'YES' OR IDENTITY_COLUMN = 'YES'"
                 " OR DEFAULT_ON_NULL = 'YES')");
    q.Execute();
    for (; !q.Eof(); q.Next()) {
      ColumnAttributes a;
      a.hidden = q.FieldAsText("HIDDEN_COLUMN") == "YES";
      a.virtualColumn = q.FieldAsText("VIRTUAL_COLUMN") == "YES";
      a.identity = q.FieldAsText("IDENTITY_COLUMN") == "YES";
      a.defaultOnNull = q.FieldAsText("DEFAULT_ON_NULL") == "YES";
      a.userGenerated = q.FieldAsText("USER_GENERATED") != "NO";
      out[q.FieldAsText("COLUMN_NAME")] = a;
    }
  } catch (const std::exception&) {
    // A server before these columns: none of its columns is any of these.
    out.clear();
  }
  return out;
}

bool HasHiddenOrVirtual(const std::map<std::string, ColumnAttributes>& columns) {
  for (const auto& [name, a] : columns)
    if (a.hidden || a.virtualColumn) return true;
  return false;
}

std::map<std::string, IdentityColumn> ReadIdentityColumns(TOracleQuery& q, const std::string& table) {
  std::map<std::string, IdentityColumn> out;
  try {
    q.SetSQLText("SELECT i.COLUMN_NAME, i.GENERATION_TYPE, s.MIN_VALUE, s.MAX_VALUE, s.INCREMENT_BY, s.CYCLE_FLAG,"
                 " s.ORDER_FLAG, s.CACHE_SIZE, s.LAST_NUMBER FROM SYS.USER_TAB_IDENTITY_COLS i, SYS.USER_SEQUENCES s"
                 " WHERE s.SEQUENCE_NAME = i.SEQUENCE_NAME AND i.TABLE_NAME = '" + SqlText(table) + "'");
    q.Execute();
    for (; !q.Eof(); q.Next()) {
      IdentityColumn c;
      c.generation = q.FieldAsText("GENERATION_TYPE");
      c.sequence = {q.FieldAsText("MIN_VALUE"),  q.FieldAsText("MAX_VALUE"),  q.FieldAsText("INCREMENT_BY"),
                    q.FieldAsText("CYCLE_FLAG"), q.FieldAsText("ORDER_FLAG"), q.FieldAsText("CACHE_SIZE"),
                    q.FieldAsText("LAST_NUMBER")};
      out[q.FieldAsText("COLUMN_NAME")] = c;
    }
  } catch (const std::exception&) {
    out.clear();
  }
  return out;
}

std::vector<std::string> SequenceOptions(const SequenceAttributes& s, const std::string& startWith) {
  const bool descending = !s.incrementBy.empty() && s.incrementBy[0] == '-';
  const bool defaultMax = descending ? s.maxValue == "-1" : s.maxValue == "9999999999999999999999999999";
  return {"START WITH " + startWith,
          "INCREMENT BY " + s.incrementBy,
          "MINVALUE " + s.minValue,
          defaultMax ? std::string("NOMAXVALUE") : "MAXVALUE " + s.maxValue,
          s.cycleFlag == "Y" ? "CYCLE" : "NOCYCLE",
          s.cacheSize.empty() || s.cacheSize == "0" ? std::string("NOCACHE") : "CACHE " + s.cacheSize,
          s.orderFlag == "Y" ? "ORDER" : "NOORDER"};
}

bool SequenceAtLimit(const SequenceAttributes& s, std::string* lastTaken) {
  Whole min = 0, max = 0, increment = 0, last = 0;
  if (!ParseWhole(s.minValue, min) || !ParseWhole(s.maxValue, max) || !ParseWhole(s.incrementBy, increment) ||
      !ParseWhole(s.lastNumber, last) || increment == 0)
    return false;
  const bool ascending = increment > 0;
  if (ascending ? last <= max : last >= min) return false;
  // LAST_NUMBER is one step beyond the last number handed out, or (with a
  // cache) the bound's neighbour; either way the last one is within bounds.
  Whole taken = last - increment;
  if (taken < min || taken > max) taken = ascending ? max : min;
  if (lastTaken) *lastTaken = WholeText(taken);
  return true;
}

std::string WithoutOwner(const std::string& text, const std::string& owner) {
  if (owner.empty()) return text;
  const std::string quoted = "\"" + owner + "\".";
  const std::string upperOwner = Upper(owner);
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '\'') {  // a literal, copied as it is
      size_t end = i + 1;
      while (end < text.size()) {
        if (text[end] == '\'' && end + 1 < text.size() && text[end + 1] == '\'') end += 2;
        else if (text[end] == '\'') break;
        else ++end;
      }
      out.append(text, i, end + 1 - i);
      i = end + 1;
      continue;
    }
    if (text.compare(i, quoted.size(), quoted) == 0) {
      i += quoted.size();
      continue;
    }
    if (c == '"') {  // another quoted name, copied as it is
      const size_t end = text.find('"', i + 1);
      const size_t stop = end == std::string::npos ? text.size() : end + 1;
      out.append(text, i, stop - i);
      i = stop;
      continue;
    }
    if (IsNameChar(c) && (i == 0 || !IsNameChar(text[i - 1]))) {
      size_t end = i;
      while (end < text.size() && IsNameChar(text[end])) ++end;
      if (end < text.size() && text[end] == '.' && Upper(text.substr(i, end - i)) == upperOwner) {
        i = end + 1;
        continue;
      }
      out.append(text, i, end - i);
      i = end;
      continue;
    }
    out += c;
    ++i;
  }
  return out;
}

bool UsesSequence(const std::string& text) {
  std::string bare;  // the text without literals, in upper case
  bool inLiteral = false;
  for (char c : text) {
    if (c == '\'') inLiteral = !inLiteral;
    else if (!inLiteral) bare += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  for (const char* word : {"NEXTVAL", "CURRVAL"}) {
    for (size_t at = bare.find(word); at != std::string::npos; at = bare.find(word, at + 1)) {
      const size_t end = at + std::string(word).size();
      const bool before = at > 0 && (bare[at - 1] == '.' || bare[at - 1] == '"');
      const bool after = end >= bare.size() || !IsNameChar(bare[end]);
      if (before && after) return true;
    }
  }
  return false;
}

}  // namespace tarlow
