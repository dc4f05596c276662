#include "tool/script.h"

#include <cctype>
#include <set>
#include "platform/ascii.h"

namespace ocisim::tool {

namespace {

std::string upper(std::string s) {
  for (char& c : s) c = platform::asciiUpper(c);
  return s;
}

std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && platform::isAsciiSpace(s[b])) ++b;
  while (e > b && platform::isAsciiSpace(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string firstWord(const std::string& trimmed) {
  size_t e = 0;
  while (e < trimmed.size() && !platform::isAsciiSpace(trimmed[e]) && trimmed[e] != ';') ++e;
  return upper(trimmed.substr(0, e));
}

}  // namespace

// SQL*Plus commands and their shortest abbreviations that scripts use.
bool isSqlPlusCommand(const std::string& word, const std::string& trimmedUpper) {
  static const std::set<std::string> commands = {
      "REM",     "REMA",     "REMARK",  "PRO",      "PROM",     "PROMPT",  "SET",      "SPO",     "SPOOL",
      "WHENEVER", "EXIT",    "QUIT",    "DEF",      "DEFINE",   "UNDEF",   "UNDEFINE", "COL",     "COLUMN",
      "TTITLE",  "BTITLE",   "BREAK",   "CLEAR",    "CL",       "PAUSE",   "SHO",      "SHOW",    "HOST",
      "CONN",    "CONNECT",  "DISC",    "DISCONNECT", "ACC",    "ACCEPT",  "VAR",      "VARIABLE", "PRINT",
      "DESC",    "DESCRIBE", "TIMING",  "COMPUTE",  "REPHEADER", "REPFOOTER", "STORE",  "PASSWORD", "HELP",
      "ATTRIBUTE", "COPY",   "SAVE",    "GET",      "LIST",     "EDIT",    "ED",       "RUN",     "TTI",
      "BTI",     "PAU"};
  if (!commands.count(word)) return false;
  // SET TRANSACTION / SET ROLE / SET CONSTRAINTS are SQL.
  if (word == "SET") {
    std::string rest = trim(trimmedUpper.substr(3));
    for (const char* sql : {"TRANSACTION", "ROLE", "CONSTRAINT"})
      if (rest.rfind(sql, 0) == 0) return false;
  }
  return true;
}

namespace {

// Lexical state carried across lines of one statement.
struct Lex {
  bool inString = false, inQuoted = false, inComment = false;

  // Scans one line; returns the position of its last significant character
  // when that is a ";" outside quotes and comments, else npos.
  size_t endingSemicolon(const std::string& line) {
    char last = 0;
    size_t lastAt = std::string::npos;
    for (size_t i = 0; i < line.size(); ++i) {
      char c = line[i];
      if (inComment) {
        if (c == '*' && i + 1 < line.size() && line[i + 1] == '/') {
          inComment = false;
          ++i;
        }
        continue;
      }
      if (inString) {
        if (c == '\'') inString = false;  // a doubled quote closes and reopens
        last = c;
        lastAt = i;
        continue;
      }
      if (inQuoted) {
        if (c == '"') inQuoted = false;
        last = c;
        lastAt = i;
        continue;
      }
      if (c == '-' && i + 1 < line.size() && line[i + 1] == '-') break;
      if (c == '/' && i + 1 < line.size() && line[i + 1] == '*') {
        inComment = true;
        ++i;
        continue;
      }
      if (c == '\'') inString = true;
      else if (c == '"') inQuoted = true;
      if (!platform::isAsciiSpace(c)) {
        last = c;
        lastAt = i;
      }
    }
    return !inString && !inQuoted && !inComment && last == ';' ? lastAt : std::string::npos;
  }
};

// The leading words of a statement, comments skipped, up to `n` of them.
std::vector<std::string> leadingWords(const std::string& text, size_t n) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < text.size() && out.size() < n) {
    char c = text[i];
    if (platform::isAsciiSpace(c)) {
      ++i;
    } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      while (i < text.size() && text[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      size_t e = text.find("*/", i + 2);
      i = e == std::string::npos ? text.size() : e + 2;
    } else if (platform::isAsciiAlnum(c) || c == '_' || c == '$' || c == '#') {
      size_t s = i;
      while (i < text.size() && (platform::isAsciiAlnum(text[i]) || text[i] == '_' ||
                                 text[i] == '$' || text[i] == '#'))
        ++i;
      out.push_back(upper(text.substr(s, i - s)));
    } else {
      out.push_back(std::string(1, c));
      ++i;
    }
  }
  return out;
}

}  // namespace

Kind kindOf(const std::string& text) {
  auto w = leadingWords(text, 6);
  if (w.empty()) return Kind::Undecided;
  if (w[0] == "DECLARE" || w[0] == "BEGIN" || w[0] == "<") return Kind::Block;
  if (w[0] != "CREATE") return Kind::Sql;
  size_t i = 1;
  if (i < w.size() && w[i] == "OR") {
    if (i + 1 >= w.size()) return Kind::Undecided;
    i += 2;
  }
  while (i < w.size() && (w[i] == "EDITIONABLE" || w[i] == "NONEDITIONABLE" || w[i] == "AND" ||
                          w[i] == "COMPILE" || w[i] == "RESOLVE" || w[i] == "NOFORCE"))
    ++i;
  if (i >= w.size()) return Kind::Undecided;
  static const std::set<std::string> units = {"PROCEDURE", "FUNCTION", "PACKAGE", "TRIGGER",
                                              "TYPE",      "LIBRARY",  "JAVA"};
  return units.count(w[i]) ? Kind::Block : Kind::Sql;
}

void splitScript(const std::string& text, const std::function<void(const ScriptStatement&)>& onStatement,
                 const std::function<void(const ScriptInclude&)>& onInclude) {
  std::string buffer;
  int start = 0;
  Kind kind = Kind::Undecided;
  Lex lex;
  bool betweenComment = false;  // inside a /* */ comment between statements

  auto flush = [&]() {
    std::string t = buffer;
    while (!t.empty() && platform::isAsciiSpace(t.back())) t.pop_back();
    if (!leadingWords(t, 1).empty()) onStatement({t, start});
    buffer.clear();
    kind = Kind::Undecided;
    lex = Lex{};
  };

  size_t p = 0;
  int lineNo = 0;
  while (p <= text.size()) {
    size_t e = text.find('\n', p);
    if (e == std::string::npos && p == text.size()) break;
    std::string line = text.substr(p, e == std::string::npos ? std::string::npos : e - p);
    p = e == std::string::npos ? text.size() + 1 : e + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string trimmed = trim(line);

    if (buffer.empty()) {
      if (betweenComment) {
        size_t close = line.find("*/");
        if (close == std::string::npos) continue;
        betweenComment = false;
        line = line.substr(close + 2);
        trimmed = trim(line);
      }
      if (trimmed.empty() || trimmed.rfind("--", 0) == 0 || trimmed == "/" || trimmed == ".") continue;
      if (trimmed.rfind("/*", 0) == 0) {
        size_t close = trimmed.find("*/", 2);
        if (close == std::string::npos) {
          betweenComment = true;
          continue;
        }
        std::string rest = trim(trimmed.substr(close + 2));
        if (rest.empty()) continue;
        line = rest;
        trimmed = rest;
      }
      std::string tu = upper(trimmed);
      std::string word = firstWord(trimmed);
      if (trimmed[0] == '@' || word == "START" || word == "STA") {
        std::string path = trimmed[0] == '@' ? trimmed.substr(trimmed.rfind('@', 1) == 1 ? 2 : 1)
                                             : trim(trimmed.substr(word.size()));
        path = trim(path);
        while (!path.empty() && path.back() == ';') path.pop_back();
        size_t sp = path.find_first_of(" \t");
        if (sp != std::string::npos) path.resize(sp);
        if (!path.empty()) onInclude({path, lineNo});
        continue;
      }
      if (word == "EXEC" || word == "EXECUTE") {
        std::string call = trim(trimmed.substr(word.size()));
        while (!call.empty() && call.back() == ';') call.pop_back();
        onStatement({"BEGIN " + call + "; END;", lineNo});
        continue;
      }
      if (isSqlPlusCommand(word, tu)) continue;
      start = lineNo;
    }

    if (kind != Kind::Block && trimmed == "/") {
      flush();
      continue;
    }
    if (kind == Kind::Block && (trimmed == "/" || trimmed == ".")) {
      if (trimmed == "/") flush();
      else buffer.clear(), kind = Kind::Undecided, lex = Lex{};
      continue;
    }
    size_t lineAt = buffer.size();
    buffer += line;
    buffer += '\n';
    if (kind == Kind::Undecided) kind = kindOf(buffer);
    if (kind == Kind::Block) continue;
    size_t semi = lex.endingSemicolon(line);
    if (semi != std::string::npos) {
      buffer.erase(lineAt + semi);  // the terminator and what follows it on its line
      flush();
    }
  }
  if (!buffer.empty()) flush();
}

std::vector<ScriptStatement> splitScript(const std::string& text) {
  std::vector<ScriptStatement> out;
  splitScript(text, [&](const ScriptStatement& s) { out.push_back(s); }, [](const ScriptInclude&) {});
  return out;
}

}  // namespace ocisim::tool
