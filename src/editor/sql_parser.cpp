#include "editor/sql_parser.h"

#include <algorithm>

#include "editor/text_blanks.h"

namespace tarlow {

namespace {

// The keyword list in declaration order; the fourth entry carries a trailing
// blank that the sorted copy trims away.
const char* const kSqlKeywords[] = {
    "ACTIVE", "ALL", "AFTER", "ALTER ", "AND", "ANY", "AS", "ASC", "ASCENDING", "AT", "AUTO",
    "AUTOINC", "BASE_NAME", "BEFORE", "BEGIN", "BETWEEN", "BLOB", "BOOLEAN", "BOTH", "BY", "BYTES",
    "CACHE", "CAST", "CHARACTER", "CHECK", "COLUMN", "COMMIT", "COMMITTED", "COMPUTED", "CONDITIONAL",
    "CONNECT", "CONSTRAINT", "CONTAINING", "COUNT", "CREATE", "CURRENT", "CURSOR", "DATABASE", "DATE",
    "DEBUG", "DECIMAL", "DECLARE", "DEFAULT", "DELETE", "DESC", "DESCENDING", "DISTINCT", "DOMAIN",
    "DO", "DROP", "ELSE", "END", "ENTRY_POINT", "ESCAPE", "EXCEPTION", "EXECUTE", "EXISTS", "EXIT",
    "EXTERNAL", "EXTRACT", "FILTER", "FLOAT", "FOR", "FOREIGN", "FROM", "FULL", "FUNCTION",
    "GENERATOR", "GO", "GRANT", "GROUP", "HAVING", "IF", "IN", "INACTIVE", "INDEX", "INNER", "INSERT",
    "INTEGER", "INTO", "IS", "ISOLATION", "JOIN", "KEY", "NULL", "LEADING", "LEFT", "LEVEL", "LIKE",
    "MERGE", "MONEY", "NAMES", "NO", "NOT", "NUMERIC", "OF", "ON", "ONLY", "OR", "ORDER", "OUTER",
    "PARAMETER", "PASSWORD", "PIVOT", "PLAN", "POSITION", "PROCEDURE", "PROTECTED", "PRIMARY",
    "PRIVILEGES", "READ", "REFERENCES", "RETAIN", "RETURNING_VALUES", "RETURNS", "REVOKE", "RIGHT",
    "ROLLBACK", "SCHEMA", "SELECT", "SET", "SHARED", "SHADOW", "SMALLINT", "SNAPSHOT", "SOME",
    "SUSPEND", "TABLE", "THEN", "TIME", "TIMESTAMP", "TO", "TRAILING", "TRANSFORM", "TRANSACTION",
    "TRIGGER", "UNCOMMITTED", "UNION", "UNIQUE", "UPDATE", "USER", "USING", "VALUES", "VARCHAR",
    "VARIABLE", "VIEW", "WAIT", "WHEN", "WHERE", "WHILE", "WITH", "WORK",
};

constexpr char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }
constexpr bool IsLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'; }
constexpr bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
constexpr bool IsNameChar(char16_t c) { return IsLetter(c) || IsDigit(c); }
constexpr bool IsHexDigit(char16_t c) { return IsDigit(c) || (Upper(c) >= u'A' && Upper(c) <= u'F'); }
// Comments and strings stop at a control character other than tab.
constexpr bool StopsText(char16_t c) { return c < 32 && c != u'\t'; }

// Case-insensitive order of the keyword lists (ASCII names).
int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t x = Upper(static_cast<unsigned char>(a[i]));
    const char16_t y = Upper(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::u16string_view name, std::string_view keyword) {
  if (name.size() != keyword.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (Upper(name[i]) != Upper(static_cast<unsigned char>(keyword[i]))) return false;
  return true;
}

}  // namespace

TSqlParser::TSqlParser() {
  keywords_.assign(std::begin(kSqlKeywords), std::end(kSqlKeywords));
  // Default rules: every printable character a one-character token, and the
  // line-end entries of state 0.  Then the SQL rules, later ones winning.
  Install(kNormal, 33, 255, &TSqlParser::ScanDelimeter);
  Install(kNormal, '\r', '\r', &TSqlParser::ScanLineEnd);
  Install(kNormal, '\n', '\n', &TSqlParser::ScanLineEnd);
  Install(kNormal, '"', '"', &TSqlParser::ScanQuotedName);
  Install(kNormal, '\'', '\'', &TSqlParser::ScanString);
  Install(kNormal, 'A', 'Z', &TSqlParser::ScanName);
  Install(kNormal, 'a', 'z', &TSqlParser::ScanName);
  Install(kNormal, '_', '_', &TSqlParser::ScanName);
  Install(kNormal, '0', '9', &TSqlParser::ScanNumber);
  Install(kNormal, '/', '/', &TSqlParser::ScanSlash);
  Install(kInBlockComment, 33, 255, &TSqlParser::ScanCommentRest);
  Install(kNormal, '-', '-', &TSqlParser::ScanMinus);
  Install(kInBlockComment, '\r', '\r', &TSqlParser::ScanLineEnd);
  Install(kInBlockComment, '\n', '\n', &TSqlParser::ScanLineEnd);
  RebuildKeywordTables();
}

TSqlParser::~TSqlParser() = default;

TSqlParser::Table& TSqlParser::TableFor(std::uint32_t state) {
  if (state >= tables_.size()) tables_.resize(state + 1);
  auto& t = tables_[state];
  if (!t) {
    t = std::make_unique<Table>();
    t->fill(nullptr);
  }
  return *t;
}

void TSqlParser::Install(std::uint32_t state, int first, int last, Routine r) {
  Table& t = TableFor(state);
  for (int c = first; c <= last; ++c) t[static_cast<std::size_t>(c)] = r;
}

// ---- keywords -----------------------------------------------------------------

int TSqlParser::KeywordBucket(std::u16string_view name) {
  std::uint32_t h = static_cast<std::uint32_t>(name.size()) - 1u;
  for (char16_t c : name) h = (h ^ Upper(c)) * 2u;
  return static_cast<int>((h >> 1) & 255u);
}

void TSqlParser::RebuildKeywordTables() {
  sorted_.clear();
  for (auto it = keywords_.rbegin(); it != keywords_.rend(); ++it) {
    std::string k = TrimBlanks(*it);
    if (k.empty()) continue;
    auto pos = std::lower_bound(sorted_.begin(), sorted_.end(), k,
                                [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    if (pos != sorted_.end() && CompareText(*pos, k) == 0) continue;  // duplicates ignored
    sorted_.insert(pos, std::move(k));
  }
  for (auto& b : buckets_) b.clear();
  for (int i = static_cast<int>(sorted_.size()) - 1; i >= 0; --i) {
    const std::string& k = sorted_[static_cast<std::size_t>(i)];
    const std::u16string wide(k.begin(), k.end());
    buckets_[static_cast<std::size_t>(KeywordBucket(wide))].emplace_back(k, i);
  }
  for (auto& b : buckets_)
    std::sort(b.begin(), b.end(), [](const auto& x, const auto& y) { return CompareText(x.first, y.first) < 0; });
  ResetStoresColoring();
}

bool TSqlParser::IsKeyword(std::u16string_view name) const {
  if (name.empty()) return false;
  const auto& bucket = buckets_[static_cast<std::size_t>(KeywordBucket(name))];
  for (const auto& [keyword, index] : bucket) {
    if (!SameText(name, keyword)) continue;
    if (!caseSensitive_) return true;
    const std::string& stored = sorted_[static_cast<std::size_t>(index)];
    return std::equal(name.begin(), name.end(), stored.begin(), stored.end(),
                      [](char16_t a, char b) { return a == static_cast<unsigned char>(b); });
  }
  return false;
}

void TSqlParser::SetCaseSensitive(bool on) {
  if (on == caseSensitive_) return;
  caseSensitive_ = on;
  RebuildKeywordTables();
}

void TSqlParser::SetKeywords(std::vector<std::string> keywords) {
  keywords_ = std::move(keywords);
  RebuildKeywordTables();
}

// ---- colouring one line ---------------------------------------------------------

void TSqlParser::PrepareLine(std::u16string_view text, std::string& colorData) {
  colorData.assign(text.size(), '\0');
}

void TSqlParser::ColorLine(std::u16string_view line, std::uint32_t startState, std::string& colors,
                           std::uint32_t& endState) {
  PrepareLine(line, colors);
  endState = ColorLineData(line, startState, colors);
}

std::uint32_t TSqlParser::ColorLineData(std::u16string_view text, std::uint32_t startState,
                                        std::string& colorData) {
  if (text.empty() || colorData.empty()) return startState;
  Scan s{text, 0, startState};
  const std::size_t n = std::min(text.size(), colorData.size());
  const Table* table = &TableFor(s.State);
  std::uint32_t tableState = s.State;
  while (s.Pos < n) {
    const char16_t c = text[s.Pos];
    if (c == 0) break;  // a NUL ends the line
    if (s.State != tableState) {
      table = &TableFor(s.State);
      tableState = s.State;
    }
    const Routine r = (*table)[c < 256 ? c : 255];
    if (!r) {
      ++s.Pos;
      continue;
    }
    const std::size_t start = s.Pos;
    const std::uint8_t kind = (this->*r)(s);
    const std::size_t end = std::min(s.Pos, n);
    if (OnGetColorData) {
      std::string data(end - start, static_cast<char>(kind));
      OnGetColorData(*this, kind, text.substr(start, end - start), data);
      data.resize(end - start, static_cast<char>(kind));
      std::copy(data.begin(), data.end(), colorData.begin() + static_cast<std::ptrdiff_t>(start));
    } else {
      std::fill(colorData.begin() + static_cast<std::ptrdiff_t>(start),
                colorData.begin() + static_cast<std::ptrdiff_t>(end), static_cast<char>(kind));
    }
  }
  return s.State;
}

// ---- the SQL rules -----------------------------------------------------------------

std::uint8_t TSqlParser::ScanName(Scan& s) {
  const std::size_t start = s.Pos;
  while (s.Pos < s.Text.size() && IsNameChar(s.Text[s.Pos])) ++s.Pos;
  return IsKeyword(s.Text.substr(start, s.Pos - start)) ? text_style::Reserved : text_style::Identifier;
}

std::uint8_t TSqlParser::ScanNumber(Scan& s) {
  const auto& t = s.Text;
  auto at = [&](std::size_t i) -> char16_t { return i < t.size() ? t[i] : char16_t{0}; };
  while (IsDigit(at(s.Pos))) ++s.Pos;
  auto exponent = [&] {
    ++s.Pos;  // the E
    if (at(s.Pos) == u'+' || at(s.Pos) == u'-') ++s.Pos;
    while (IsDigit(at(s.Pos))) ++s.Pos;
  };
  if (at(s.Pos) == u'.' && IsDigit(at(s.Pos + 1))) {
    ++s.Pos;
    while (IsDigit(at(s.Pos))) ++s.Pos;
    if (Upper(at(s.Pos)) == u'E') exponent();
    return text_style::Float;
  }
  if (Upper(at(s.Pos)) == u'E') {
    exponent();
    return text_style::Float;
  }
  return text_style::Integer;
}

bool TSqlParser::ScanQuoted(Scan& s, char16_t quote) {
  ++s.Pos;  // the opening quote
  const auto& t = s.Text;
  while (s.Pos < t.size() && !StopsText(t[s.Pos])) {
    if (t[s.Pos] == quote) {
      if (s.Pos + 1 < t.size() && t[s.Pos + 1] == quote) {
        s.Pos += 2;  // a doubled quote stays inside
        continue;
      }
      ++s.Pos;
      return true;
    }
    ++s.Pos;
  }
  return false;
}

std::uint8_t TSqlParser::ScanString(Scan& s) {
  const auto& t = s.Text;
  auto at = [&](std::size_t i) -> char16_t { return i < t.size() ? t[i] : char16_t{0}; };
  // Character codes may follow a closing quote (#13, #$0D), chained with
  // further codes or strings, all one token.
  while (ScanQuoted(s, u'\'') && at(s.Pos) == u'#') {
    while (at(s.Pos) == u'#') {
      ++s.Pos;
      if (at(s.Pos) == u'$') {
        ++s.Pos;
        while (IsHexDigit(at(s.Pos))) ++s.Pos;
      } else {
        while (IsDigit(at(s.Pos))) ++s.Pos;
      }
    }
    if (at(s.Pos) != u'\'') break;
  }
  return text_style::String;
}

std::uint8_t TSqlParser::ScanQuotedName(Scan& s) {
  ScanQuoted(s, u'"');
  return text_style::String;
}

std::uint8_t TSqlParser::ScanMinus(Scan& s) {
  const auto& t = s.Text;
  if (s.Pos + 1 < t.size() && t[s.Pos + 1] == u'-') {
    while (s.Pos < t.size() && !StopsText(t[s.Pos])) ++s.Pos;
    return text_style::Comment;
  }
  ++s.Pos;
  return text_style::Delimeter;
}

void TSqlParser::ScanToCommentEnd(Scan& s) {
  const auto& t = s.Text;
  while (s.Pos < t.size() && !StopsText(t[s.Pos])) {
    if (t[s.Pos] == u'*' && s.Pos + 1 < t.size() && t[s.Pos + 1] == u'/') {
      s.Pos += 2;
      s.State = kNormal;
      return;
    }
    ++s.Pos;
  }
  s.State = kInBlockComment;
}

std::uint8_t TSqlParser::ScanSlash(Scan& s) {
  const auto& t = s.Text;
  const char16_t next = s.Pos + 1 < t.size() ? t[s.Pos + 1] : char16_t{0};
  if (next == u'*') {
    s.Pos += 2;
    ScanToCommentEnd(s);
    return text_style::Comment;
  }
  if (next == u'/') {
    while (s.Pos < t.size() && !StopsText(t[s.Pos])) ++s.Pos;
    return text_style::Comment;
  }
  ++s.Pos;
  return text_style::Delimeter;
}

std::uint8_t TSqlParser::ScanCommentRest(Scan& s) {
  ScanToCommentEnd(s);
  return text_style::Comment;
}

std::uint8_t TSqlParser::ScanDelimeter(Scan& s) {
  ++s.Pos;
  return text_style::Delimeter;
}

std::uint8_t TSqlParser::ScanLineEnd(Scan& s) {
  const auto& t = s.Text;
  const char16_t c = t[s.Pos];
  ++s.Pos;
  if (s.Pos < t.size() && (t[s.Pos] == u'\r' || t[s.Pos] == u'\n') && t[s.Pos] != c) ++s.Pos;
  return text_style::Whitespace;
}

}  // namespace tarlow
