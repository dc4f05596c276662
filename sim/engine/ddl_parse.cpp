// The token cursor the DDL statements are parsed with.
#include "engine/dict.h"

namespace ocisim::dict {

const Token& Cursor::peek(size_t ahead) const {
  size_t k = i_ + ahead;
  return k < t_.size() ? t_[k] : t_.back();
}

bool Cursor::isWord(const char* w, size_t ahead) const {
  const Token& t = peek(ahead);
  return t.kind == Token::Kind::Word && t.upper == w;
}

bool Cursor::isOp(const char* op, size_t ahead) const {
  const Token& t = peek(ahead);
  return t.kind == Token::Kind::Operator && t.text == op;
}

bool Cursor::acceptWord(const char* w) {
  if (!isWord(w)) return false;
  ++i_;
  return true;
}

bool Cursor::acceptOp(const char* op) {
  if (!isOp(op)) return false;
  ++i_;
  return true;
}

void Cursor::expectWord(const char* w, int code, const char* text) {
  if (!acceptWord(w)) throw OraError(code, text);
}

void Cursor::expectOp(const char* op) {
  if (acceptOp(op)) return;
  std::string o = op;
  if (o == "(") throw OraError(906, "missing left parenthesis");
  if (o == ")") throw OraError(907, "missing right parenthesis");
  if (o == ",") throw OraError(917, "missing comma");
  throw OraError(933, "SQL command not properly ended");
}

const Token& Cursor::next() {
  const Token& t = peek();
  if (i_ < t_.size() - 1) ++i_;
  return t;
}

std::string Cursor::name(int code, const char* text) {
  const Token& t = peek();
  if (t.kind == Token::Kind::Word) {
    ++i_;
    checkName(t.upper);
    return t.upper;
  }
  if (t.kind == Token::Kind::QuotedName) {
    ++i_;
    checkName(t.text);
    return t.text;
  }
  throw OraError(code, text);
}

std::pair<std::string, std::string> Cursor::qualifiedName(const std::string& defaultOwner, int code,
                                                          const char* text) {
  std::string first = name(code, text);
  if (acceptOp(".")) return {first, name(code, text)};
  return {defaultOwner, first};
}

void Cursor::skipGroup() {
  expectOp("(");
  int depth = 1;
  while (depth > 0) {
    if (atEnd()) throw OraError(907, "missing right parenthesis");
    const Token& t = next();
    if (t.kind == Token::Kind::Operator) {
      if (t.text == "(") ++depth;
      else if (t.text == ")") --depth;
    }
  }
}

void Cursor::skipExpression(const std::vector<const char*>& stopWords) {
  int cases = 0;
  while (!atEnd()) {
    const Token& t = peek();
    if (t.kind == Token::Kind::Operator && (t.text == "," || t.text == ")")) return;
    if (t.kind == Token::Kind::Operator && t.text == "(") {
      skipGroup();
      continue;
    }
    if (t.kind == Token::Kind::Word) {
      if (t.upper == "CASE") ++cases;
      else if (t.upper == "END" && cases > 0) --cases;
      else if (cases == 0)
        for (const char* w : stopWords)
          if (t.upper == w) return;
    }
    next();
  }
}

std::string Cursor::textBetween(size_t from, size_t to) const {
  size_t a = peekAt(from).offset, b = peekAt(to).offset;
  return b > a ? sql_.substr(a, b - a) : std::string();
}

std::string Cursor::textFrom(size_t from) const {
  size_t a = peekAt(from).offset;
  return a < sql_.size() ? sql_.substr(a) : std::string();
}

const Token& Cursor::peekAt(size_t k) const { return k < t_.size() ? t_[k] : t_.back(); }

std::string Cursor::number() {
  std::string sign;
  if (isOp("-") || isOp("+")) {
    if (next().text == "-") sign = "-";
  }
  const Token& t = peek();
  if (t.kind != Token::Kind::Number) throw OraError(2017, "integer value required");
  ++i_;
  return sign + t.text;
}

void Cursor::expectEnd() {
  acceptOp(";");
  if (!atEnd()) throw OraError(933, "SQL command not properly ended");
}

}  // namespace ocisim::dict
