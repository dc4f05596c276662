// Splits Oracle SQL into tokens.
#include <cctype>

#include "engine/core.h"
#include "platform/ascii.h"

namespace ocisim {

namespace {
bool wordStart(unsigned char c) { return platform::isAsciiAlpha(c) || c >= 0x80; }
bool wordChar(unsigned char c) { return platform::isAsciiAlnum(c) || c == '_' || c == '$' || c == '#' || c >= 0x80; }
}  // namespace

std::vector<Token> tokenize(const std::string& sql) {
  std::vector<Token> out;
  size_t i = 0, n = sql.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(sql[i]);
    if (platform::isAsciiSpace(c)) { ++i; continue; }
    if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      while (i < n && sql[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      size_t e = sql.find("*/", i + 2);
      i = e == std::string::npos ? n : e + 2;
      continue;
    }
    Token t;
    t.offset = i;
    const bool national = (c == 'n' || c == 'N') && i + 1 < n && sql[i + 1] == '\'';
    if (wordStart(c) && !national) {
      size_t s = i;
      while (i < n && wordChar(static_cast<unsigned char>(sql[i]))) ++i;
      t.kind = Token::Kind::Word;
      t.text = sql.substr(s, i - s);
      t.upper = t.text;
      for (char& ch : t.upper) ch = platform::asciiUpper(ch);
    } else if (c == '\'' || ((c == 'n' || c == 'N') && i + 1 < n && sql[i + 1] == '\'')) {
      if (c != '\'') ++i;
      ++i;
      std::string v;
      bool closed = false;
      while (i < n) {
        if (sql[i] == '\'') {
          if (i + 1 < n && sql[i + 1] == '\'') { v += '\''; i += 2; continue; }
          ++i;
          closed = true;
          break;
        }
        v += sql[i++];
      }
      if (!closed) throw OraError(1756, "quoted string not properly terminated");
      t.kind = Token::Kind::String;
      t.text = t.upper = v;
    } else if (c == '"') {
      size_t e = sql.find('"', i + 1);
      if (e == std::string::npos) throw OraError(1740, "missing double quote in identifier");
      t.kind = Token::Kind::QuotedName;
      t.text = t.upper = sql.substr(i + 1, e - i - 1);
      if (t.text.empty()) throw OraError(1741, "illegal zero-length identifier");
      i = e + 1;
    } else if (platform::isAsciiDigit(c) || (c == '.' && i + 1 < n && platform::isAsciiDigit(sql[i + 1]))) {
      size_t s = i;
      while (i < n && platform::isAsciiDigit(sql[i])) ++i;
      if (i < n && sql[i] == '.' && !(i + 1 < n && sql[i + 1] == '.')) {
        ++i;
        while (i < n && platform::isAsciiDigit(sql[i])) ++i;
      }
      if (i < n && (sql[i] == 'e' || sql[i] == 'E')) {
        size_t k = i + 1;
        if (k < n && (sql[k] == '+' || sql[k] == '-')) ++k;
        if (k < n && platform::isAsciiDigit(sql[k])) {
          i = k;
          while (i < n && platform::isAsciiDigit(sql[i])) ++i;
        }
      }
      t.kind = Token::Kind::Number;
      t.text = t.upper = sql.substr(s, i - s);
      // Oracle's binary float suffixes
      if (i < n && (sql[i] == 'f' || sql[i] == 'F' || sql[i] == 'd' || sql[i] == 'D') &&
          !(i + 1 < n && wordChar(static_cast<unsigned char>(sql[i + 1])))) {
        t.suffix = platform::asciiUpper(sql[i]);
        ++i;
      }
    } else if (c == ':' && i + 1 < n &&
               (wordChar(static_cast<unsigned char>(sql[i + 1])) || sql[i + 1] == '"')) {
      ++i;
      t.kind = Token::Kind::Bind;
      if (sql[i] == '"') {
        size_t e = sql.find('"', i + 1);
        if (e == std::string::npos) throw OraError(1740, "missing double quote in identifier");
        t.text = t.upper = sql.substr(i + 1, e - i - 1);
        i = e + 1;
      } else {
        size_t s = i;
        while (i < n && wordChar(static_cast<unsigned char>(sql[i]))) ++i;
        t.text = sql.substr(s, i - s);
        t.upper = t.text;
        for (char& ch : t.upper) ch = platform::asciiUpper(ch);
      }
    } else {
      static const char* const two[] = {"||", "<=", ">=", "<>", "!=", "^=", ":=", "=>", "..", "**"};
      t.kind = Token::Kind::Operator;
      t.text = std::string(1, static_cast<char>(c));
      for (const char* op : two) {
        if (i + 1 < n && sql[i] == op[0] && sql[i + 1] == op[1]) { t.text = op; break; }
      }
      if (t.text == "(" && i + 2 < n && sql[i + 1] == '+' && sql[i + 2] == ')') t.text = "(+)";
      t.upper = t.text;
      i += t.text.size();
    }
    out.push_back(std::move(t));
  }
  Token end;
  end.kind = Token::Kind::End;
  end.offset = n;
  out.push_back(end);
  return out;
}

}  // namespace ocisim
