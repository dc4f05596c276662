#include "engine/unrunnable_views.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace ocisim::dict {

bool isOracleBuiltinFunction(const std::string& upperName) {
  // Sorted: looked up by binary search.
  static constexpr std::array<std::string_view, 64> kNames = {
      "APPROX_COUNT_DISTINCT", "APPROX_MEDIAN", "APPROX_PERCENTILE", "CORR",       "COVAR_POP",
      "COVAR_SAMP",            "CUME_DIST",     "DENSE_RANK",        "FIRST",      "FIRST_VALUE",
      "GROUPING",              "GROUPING_ID",   "GROUP_ID",          "JSON_ARRAY", "JSON_ARRAYAGG",
      "JSON_EXISTS",           "JSON_OBJECT",   "JSON_OBJECTAGG",    "JSON_QUERY", "JSON_SERIALIZE",
      "JSON_TABLE",            "JSON_VALUE",    "LAG",               "LAST",       "LAST_VALUE",
      "LEAD",                  "LISTAGG",       "MEDIAN",            "NTH_VALUE",  "NTILE",
      "PERCENTILE_CONT",       "PERCENTILE_DISC", "PERCENT_RANK",    "RANK",       "RATIO_TO_REPORT",
      "REGEXP_COUNT",          "REGEXP_INSTR",  "REGEXP_LIKE",       "REGEXP_REPLACE", "REGEXP_SUBSTR",
      "REGR_AVGX",             "REGR_AVGY",     "REGR_COUNT",        "REGR_INTERCEPT", "REGR_R2",
      "REGR_SLOPE",            "ROW_NUMBER",    "STATS_MODE",        "STDDEV",     "STDDEV_POP",
      "STDDEV_SAMP",           "SYS_CONNECT_BY_PATH", "VARIANCE",    "VAR_POP",    "VAR_SAMP",
      "WIDTH_BUCKET",          "XMLAGG",        "XMLCAST",           "XMLELEMENT", "XMLFOREST",
      "XMLQUERY",              "XMLSERIALIZE",  "XMLTABLE",          "XMLTYPE"};
  return std::binary_search(kNames.begin(), kNames.end(), std::string_view(upperName));
}

std::string quotedIdentifier(const std::string& message) {
  const size_t open = message.find('"');
  if (open == std::string::npos) return {};
  const size_t close = message.find('"', open + 1);
  if (close == std::string::npos) return {};
  const std::string name = message.substr(open + 1, close - open - 1);
  return name.substr(0, name.find('.'));
}

namespace {

bool isOp(const Token& t, const char* op) { return t.kind == Token::Kind::Operator && t.text == op; }
bool isWord(const Token& t, const char* w) { return t.kind == Token::Kind::Word && t.upper == w; }
bool isName(const Token& t) { return t.kind == Token::Kind::Word || t.kind == Token::Kind::QuotedName; }
std::string nameOf(const Token& t) { return t.kind == Token::Kind::Word ? t.upper : t.text; }

// The name one select-list item gives its column, or "" when it has none.
std::string itemName(const std::vector<Token>& toks, size_t from, size_t to) {
  if (from >= to) return {};
  const Token& last = toks[to - 1];
  if (!isName(last)) return {};
  const size_t n = to - from;
  // expression AS alias, expression alias
  if (n >= 2 && isWord(toks[to - 2], "AS")) return nameOf(last);
  if (n >= 2 && !isOp(toks[to - 2], ".")) return nameOf(last);
  // column, table.column, owner.table.column
  for (size_t i = from; i < to; ++i) {
    const bool expectName = (i - from) % 2 == 0;
    if (expectName ? !isName(toks[i]) : !isOp(toks[i], ".")) return {};
  }
  return nameOf(last);
}

}  // namespace

std::vector<std::string> viewColumnNames(const std::vector<std::string>& columnList, const std::string& query) {
  if (!columnList.empty()) return columnList;
  std::vector<Token> toks;
  try {
    toks = tokenize(query);
  } catch (const OraError&) {
    return {};
  }
  // The main query's SELECT: the first one outside parentheses (a WITH
  // clause's queries stand in parentheses).
  size_t at = 0;
  int depth = 0;
  for (; at < toks.size(); ++at) {
    if (isOp(toks[at], "(")) ++depth;
    else if (isOp(toks[at], ")")) --depth;
    else if (depth == 0 && isWord(toks[at], "SELECT")) break;
  }
  if (at == toks.size()) return {};
  ++at;
  if (at < toks.size() && (isWord(toks[at], "DISTINCT") || isWord(toks[at], "UNIQUE") || isWord(toks[at], "ALL"))) ++at;
  std::vector<std::string> names;
  size_t itemStart = at;
  depth = 0;
  for (size_t i = at; i < toks.size(); ++i) {
    const Token& t = toks[i];
    if (isOp(t, "(")) ++depth;
    else if (isOp(t, ")")) --depth;
    if (depth != 0) continue;
    const bool end = isWord(t, "FROM") || t.kind == Token::Kind::End;
    if (isOp(t, ",") || end) {
      const std::string name = itemName(toks, itemStart, i);
      if (name.empty()) return {};
      names.push_back(name);
      itemStart = i + 1;
      if (end) return names;
    }
  }
  return {};
}

}  // namespace ocisim::dict
