#include "script/sqlplus_layout.h"

#include <vector>

#include "script/script_writer.h"
#include "script/sql_names.h"

namespace tarlow {

namespace {

constexpr const char* CRLF = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

std::string_view TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> out;
  size_t at = 0;
  while (true) {
    const size_t nl = text.find('\n', at);
    out.push_back(text.substr(at, nl == std::string_view::npos ? std::string_view::npos : nl - at));
    if (nl == std::string_view::npos) break;
    at = nl + 1;
  }
  return out;
}

size_t Characters(std::string_view line) {
  size_t n = 0;
  for (unsigned char c : line)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

// The SQLPREFIX characters the script may switch to, in order of preference.
constexpr char kPrefixes[] = {'~', '!', '^', '%', '`', '|', '$', '?'};

std::string WithCRLF(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (char c : text) {
    if (c == '\n') out += CRLF;
    else out += c;
  }
  return out;
}

// Where a piece of `value` may end: at most `max` bytes from `from`, never
// inside a UTF-8 character (unless the bytes are no UTF-8 at all).
size_t PieceEnd(std::string_view value, size_t from, size_t max) {
  size_t end = std::min(value.size(), from + max);
  if (end == value.size()) return end;
  size_t e = end;
  while (e > from && (static_cast<unsigned char>(value[e]) & 0xC0) == 0x80) --e;
  return e > from ? e : end;
}

// A line SQL*Plus would take for a command of its own ("/" or "." alone, a
// "#" first) gets "- " before it.
void DefuseLastLine(std::string& out) {
  const size_t start = out.rfind('\n') == std::string::npos ? 0 : out.rfind('\n') + 1;
  const std::string_view t = TrimBlanks(std::string_view(out).substr(start));
  if (t == "/" || t == "." || (!t.empty() && t.front() == '#')) out.insert(start, "- ");
}

}  // namespace

std::string ScriptHeader() {
  return BannerComment("*  SQL*Plus settings: no substitution variables, blank lines kept") + CRLF +
         "SET DEFINE OFF" + CRLF + "SET SQLBLANKLINES ON";
}

std::string BreakAfter(std::string_view text) {
  const size_t nl = text.find_last_of("\r\n");
  const std::string_view last = nl == std::string_view::npos ? text : text.substr(nl + 1);
  return last.find("--") == std::string_view::npos ? std::string() : std::string("\n");
}

std::string WrappedText(std::string_view text, size_t maxLine) {
  std::string out;
  out.reserve(text.size() + text.size() / maxLine + 1);
  size_t lineLength = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      DefuseLastLine(out);
      out += '\n';
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lineLength = 0;
      continue;
    }
    if (lineLength >= maxLine && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      out += '\n';
      lineLength = 0;
    }
    out += c;
    ++lineLength;
  }
  DefuseLastLine(out);
  return out;
}

std::string CommentBlock(std::string_view text) {
  return WithCRLF("/* " + WrappedText(CommentText(text)) + " */");
}

std::string LiteralPieces(std::string_view value, size_t lineBytes) {
  if (value.empty()) return "''";
  // The pieces: quoted runs short enough for a line even with every quote
  // doubled, and CHR calls for the characters a literal line cannot hold.
  const size_t maxRun = std::max<size_t>(lineBytes / 2 - 4, 1);
  std::vector<std::string> pieces;
  size_t i = 0;
  while (i < value.size()) {
    const char c = value[i];
    if (c == '\r' || c == '\n' || c == '\0') {
      pieces.push_back(c == '\r' ? "CHR(13)" : c == '\n' ? "CHR(10)" : "CHR(0)");
      ++i;
      continue;
    }
    size_t runEnd = i;
    while (runEnd < value.size() && value[runEnd] != '\r' && value[runEnd] != '\n' && value[runEnd] != '\0' &&
           runEnd - i < maxRun)
      ++runEnd;
    if (runEnd < value.size() && runEnd - i == maxRun) runEnd = PieceEnd(value, i, maxRun);
    std::string piece = "'";
    for (size_t k = i; k < runEnd; ++k) {
      piece += value[k];
      if (value[k] == '\'') piece += '\'';
    }
    pieces.push_back(piece + "'");
    i = runEnd;
  }
  std::string out;
  size_t lineLength = 0;
  for (size_t k = 0; k < pieces.size(); ++k) {
    if (k) {
      out += "||";
      lineLength += 2;
      if (lineLength + pieces[k].size() + 2 > lineBytes) {
        out += CRLF;
        lineLength = 0;
      }
    }
    out += pieces[k];
    lineLength += pieces[k].size();
  }
  return out;
}

std::string ExecuteImmediateBlock(std::string_view statement) {
  // A text beyond what a VARCHAR2 expression holds in PL/SQL is assembled
  // as a CLOB.
  const bool large = statement.size() > 32000;
  std::string pieces = LiteralPieces(statement);
  if (large) pieces = "TO_CLOB(" + pieces + ")";
  return std::string("BEGIN") + CRLF + "EXECUTE IMMEDIATE" + CRLF + pieces + ";" + CRLF + "END;" + CRLF + "/";
}

std::string SqlPlusStatement(std::string_view statement, StatementForm form) {
  bool semicolonEnd = false, periodLine = false;
  bool prefixUsed[sizeof kPrefixes] = {};
  bool hashStart = false;
  for (std::string_view line : Lines(statement)) {
    const std::string_view t = TrimBlanks(line);
    if (line.find('\r') != std::string_view::npos || Characters(line) > kMaxScriptLine - 2 || t == "/")
      return ExecuteImmediateBlock(statement);
    if (!t.empty() && t.back() == ';') semicolonEnd = true;
    if (t == ".") periodLine = true;
    if (!t.empty()) {
      if (t.front() == '#') hashStart = true;
      for (size_t k = 0; k < sizeof kPrefixes; ++k)
        if (t.front() == kPrefixes[k]) prefixUsed[k] = true;
    }
  }
  char prefix = 0;
  if (hashStart) {
    for (size_t k = 0; k < sizeof kPrefixes && !prefix; ++k)
      if (!prefixUsed[k]) prefix = kPrefixes[k];
    if (!prefix) return ExecuteImmediateBlock(statement);
  }
  const bool terminatorOff = form == StatementForm::Sql && semicolonEnd;
  std::string before, after;
  if (prefix) {
    before += std::string("SET SQLPREFIX ") + prefix + CRLF;
    after += std::string(CRLF) + "SET SQLPREFIX #";
  }
  if (periodLine) {
    before += std::string("SET BLOCKTERMINATOR OFF") + CRLF;
    after += std::string(CRLF) + "SET BLOCKTERMINATOR ON";
  }
  if (terminatorOff) {
    before += std::string("SET SQLTERMINATOR OFF") + CRLF;
    after += std::string(CRLF) + "SET SQLTERMINATOR ON";
  }
  std::string out = before + WithCRLF(statement);
  if (form == StatementForm::Block || terminatorOff) out += std::string(CRLF) + "/";
  else if (!BreakAfter(statement).empty()) out += std::string(CRLF) + ";";  // not inside the "--" comment
  else out += ";";
  return out + after;
}

}  // namespace tarlow
