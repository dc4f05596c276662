#include "tool/sqlplus_reader.h"

#include <set>
#include <utility>
#include <vector>

#include "platform/ascii.h"

namespace ocisim::tool {

namespace {

bool isBlank(char c) { return platform::isAsciiSpace(c); }

std::string upper(std::string s) { return platform::asciiUpper(std::move(s)); }

std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string rtrim(std::string s) {
  while (!s.empty() && isBlank(s.back())) s.pop_back();
  return s;
}

// Characters of a UTF-8 line (continuation bytes not counted).
size_t characterCount(const std::string& line) {
  size_t n = 0;
  for (unsigned char c : line)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string firstWord(const std::string& trimmed) {
  size_t e = 0;
  while (e < trimmed.size() && !isBlank(trimmed[e]) && trimmed[e] != ';') ++e;
  return upper(trimmed.substr(0, e));
}

bool isNameChar(char c) {
  return platform::isAsciiAlnum(c) || c == '_' || c == '$' || c == '#' || static_cast<unsigned char>(c) >= 0x80;
}

// The words that begin a SQL statement; any other first word that is no
// SQL*Plus command is SQL*Plus's unknown command.
bool beginsSql(const std::string& word) {
  static const std::set<std::string> words = {
      "SELECT",   "INSERT",     "UPDATE",    "DELETE",      "MERGE",        "CREATE", "ALTER",   "DROP",
      "GRANT",    "REVOKE",     "COMMENT",   "COMMIT",      "ROLLBACK",     "SAVEPOINT", "TRUNCATE", "LOCK",
      "RENAME",   "AUDIT",      "NOAUDIT",   "ANALYZE",     "EXPLAIN",      "CALL",   "WITH",    "PURGE",
      "FLASHBACK", "ASSOCIATE", "DISASSOCIATE", "ADMINISTER", "SET",       "DECLARE", "BEGIN"};
  if (words.count(word)) return true;
  return !word.empty() && (word[0] == '(' || word.rfind("<<", 0) == 0);
}

// A SET option's name matches when it is a prefix of the full name at least
// as long as SQL*Plus's shortest abbreviation.
bool optionIs(const std::string& word, const char* full, size_t shortest) {
  const std::string f = full;
  return word.size() >= shortest && word.size() <= f.size() && f.compare(0, word.size(), word) == 0;
}

// A SET value: the word, without the quotes around it.
std::string unquote(const std::string& v) {
  if (v.size() >= 2 && (v[0] == '\'' || v[0] == '"') && v.back() == v[0]) return v.substr(1, v.size() - 2);
  return v;
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && isBlank(text[i])) ++i;
    if (i >= text.size()) break;
    size_t s = i;
    if (text[i] == '\'' || text[i] == '"') {
      const char q = text[i];
      size_t e = text.find(q, i + 1);
      i = e == std::string::npos ? text.size() : e + 1;
    } else {
      while (i < text.size() && !isBlank(text[i])) ++i;
    }
    out.push_back(text.substr(s, i - s));
  }
  return out;
}

}  // namespace

// One file's reading: the statement being entered and the line counter.
class SqlPlusReader::Pass {
 public:
  Pass(SqlPlusReader& r, const ScriptReaderEvents& ev) : r_(r), ev_(ev) {}

  void run(const std::string& text) {
    size_t p = 0;
    while (p < text.size() && !r_.exited_) {
      size_t e = text.find('\n', p);
      std::string line = text.substr(p, e == std::string::npos ? std::string::npos : e - p);
      p = e == std::string::npos ? text.size() : e + 1;
      ++lineNo_;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (characterCount(line) > kMaxLineCharacters) {
        problem("SP2-0027: Input is too long (> 2499 characters) - line ignored");
        continue;
      }
      if (continuing_) {
        // A SQL*Plus command continued with " -" at the end of its lines.
        continuing_ = endsWithContinuation(line);
        continue;
      }
      onLine(line);
    }
    // At the end of the file a statement being entered is not run.
    if (mode_ != Mode::None && !current_.empty()) keepUnrun();
  }

 private:
  enum class Mode { None, Sql, Block, Comment };

  void problem(const std::string& message) {
    if (ev_.onProblem) ev_.onProblem({message, lineNo_});
  }

  static bool endsWithContinuation(const std::string& line) {
    const std::string t = rtrim(line);
    return t.size() >= 2 && t.back() == '-' && isBlank(t[t.size() - 2]);
  }

  // Replaces the substitution variables of a line; false (after reporting)
  // when one is not defined.
  bool substitute(std::string& line) {
    if (!r_.define_ || line.find(r_.define_) == std::string::npos) return true;
    std::string out;
    bool ok = true;
    for (size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (r_.escape_ && c == r_.escape_ && i + 1 < line.size() && line[i + 1] == r_.define_) {
        out += r_.define_;
        ++i;
        continue;
      }
      if (c != r_.define_) {
        out += c;
        continue;
      }
      size_t j = i + 1;
      const bool keep = j < line.size() && line[j] == r_.define_;
      if (keep) ++j;
      size_t nameEnd = j;
      while (nameEnd < line.size() && isNameChar(line[nameEnd])) ++nameEnd;
      if (nameEnd == j) {  // no name follows: the character stands for itself
        out.append(line, i, j - i);
        i = j - 1;
        continue;
      }
      const std::string name = line.substr(j, nameEnd - j);
      auto found = r_.variables_.find(upper(name));
      if (found == r_.variables_.end()) {
        problem("substitution variable \"" + line.substr(i, nameEnd - i) +
                "\" has no value (a script run cannot prompt for it)");
        ok = false;
        out.append(line, i, nameEnd - i);
      } else {
        out += found->second;
      }
      if (r_.concat_ && nameEnd < line.size() && line[nameEnd] == r_.concat_) ++nameEnd;
      i = nameEnd - 1;
    }
    line = out;
    return ok;
  }

  void onLine(std::string line) {
    if (mode_ == Mode::Comment) {
      const size_t close = line.find("*/");
      if (close == std::string::npos) return;
      mode_ = Mode::None;
      line = line.substr(close + 2);
      if (trim(line).empty()) return;
    }
    if (mode_ == Mode::None) {
      between(line);
      return;
    }
    inStatement(line);
  }

  // A line while no statement is being entered.
  void between(std::string line) {
    std::string trimmed = trim(line);
    if (trimmed.empty()) return;
    if (firstWord(trimmed) == "REM" || firstWord(trimmed) == "REMA" || firstWord(trimmed) == "REMAR" ||
        firstWord(trimmed) == "REMARK")
      return;  // no substitution in a remark
    if (!substitute(line)) return;
    trimmed = trim(line);
    if (trimmed.empty()) return;
    if (trimmed[0] == r_.prefix_) {
      command(trim(trimmed.substr(1)));
      return;
    }
    if (trimmed.rfind("--", 0) == 0) return;
    if (trimmed.rfind("/*", 0) == 0) {
      const size_t close = trimmed.find("*/", 2);
      if (close == std::string::npos) {
        mode_ = Mode::Comment;
        return;
      }
      const std::string rest = trim(trimmed.substr(close + 2));
      if (!rest.empty()) between(rest);
      return;
    }
    if (trimmed == "/") {
      runBuffer();
      return;
    }
    if (r_.blockTerminator_ && trimmed == std::string(1, r_.blockTerminator_)) return;
    const std::string word = firstWord(trimmed);
    if (trimmed[0] == '@' || word == "START" || word == "STA" || word == "STAR") {
      include(trimmed, word);
      return;
    }
    if (word == "EXEC" || word == "EXECUTE") {
      std::string call = trim(trimmed.substr(word.size()));
      while (!call.empty() && call.back() == ';') call.pop_back();
      emit("BEGIN " + call + "; END;", lineNo_);
      return;
    }
    if (isSqlPlusCommand(word, upper(trimmed))) {
      command(trimmed);
      return;
    }
    if (!beginsSql(word)) {
      const std::string shown = characterCount(trimmed) > 10 ? trimmed.substr(0, 10) : trimmed;
      problem("SP2-0734: unknown command beginning \"" + shown + "...\" - rest of line ignored.");
      return;
    }
    start_ = lineNo_;
    current_.clear();
    mode_ = Mode::Sql;
    appendLine(line);
  }

  // A line of the SQL statement or PL/SQL unit being entered.
  void inStatement(std::string line) {
    if (!substitute(line)) failed_ = true;
    const std::string trimmed = trim(line);
    if (!trimmed.empty() && trimmed[0] == r_.prefix_) {
      command(trim(trimmed.substr(1)));
      return;
    }
    if (trimmed == "/") {
      finish(true);
      return;
    }
    if (r_.blockTerminator_ && trimmed == std::string(1, r_.blockTerminator_)) {
      keepUnrun();
      return;
    }
    if (mode_ != Mode::Block && trimmed.empty() && !r_.blankLines_) {
      keepUnrun();
      return;
    }
    appendLine(line);
  }

  void appendLine(const std::string& line) {
    if (!current_.empty() || lines_ > 0) current_ += '\n';
    current_ += line;
    ++lines_;
    if (mode_ == Mode::Sql && !decided_) {
      const Kind k = kindOf(current_);
      if (k == Kind::Undecided) return;
      decided_ = true;
      if (k == Kind::Block) mode_ = Mode::Block;
    }
    if (mode_ == Mode::Block) return;
    const std::string t = rtrim(line);
    if (r_.terminator_ && !t.empty() && t.back() == r_.terminator_) {
      // The terminator and the blanks after it are not part of the statement.
      current_ = rtrim(current_);
      current_.pop_back();
      finish(true);
    }
  }

  void reset() {
    current_.clear();
    lines_ = 0;
    mode_ = Mode::None;
    failed_ = false;
    decided_ = false;
  }

  // The statement goes into the buffer; with `run` it is also run.
  void finish(bool run) {
    const bool block = mode_ == Mode::Block;
    std::string text = block ? current_ : rtrim(current_);
    const bool failed = failed_;
    const int start = start_;
    reset();
    r_.buffer_ = text;
    if (!run) return;
    if (failed) return;  // already reported: a variable had no value
    emit(text, start);
  }
  void keepUnrun() { finish(false); }

  void runBuffer() {
    if (trim(r_.buffer_).empty()) {
      problem("SP2-0103: Nothing in SQL buffer to run.");
      return;
    }
    emit(r_.buffer_, lineNo_);
  }

  void emit(const std::string& text, int line) {
    if (ev_.onStatement) ev_.onStatement({text, line});
  }

  void include(const std::string& trimmed, const std::string& word) {
    std::string path = trimmed[0] == '@' ? trimmed.substr(trimmed.rfind('@', 1) == 1 ? 2 : 1)
                                         : trim(trimmed.substr(word.size()));
    path = trim(path);
    while (!path.empty() && path.back() == ';') path.pop_back();
    const size_t sp = path.find_first_of(" \t");
    if (sp != std::string::npos) path.resize(sp);
    if (path.empty()) {
      problem("SP2-1506: START, @ or @@ command has no arguments");
      return;
    }
    if (ev_.onInclude) ev_.onInclude({path, lineNo_});
  }

  // A SQL*Plus command line (without its SQLPREFIX character).
  void command(std::string text) {
    continuing_ = endsWithContinuation(text);
    const std::string word = firstWord(text);
    if (word == "EXIT" || word == "QUIT") {
      r_.exited_ = true;
      return;
    }
    // SQL*Plus accepts a ";" after its commands.
    if (word != "PROMPT" && word != "PRO" && word != "PROM" && word != "PROMP") {
      text = rtrim(text);
      if (!text.empty() && text.back() == ';') text.pop_back();
    }
    if (word == "SET") set(words(text.substr(3)));
    else if (word == "DEF" || word == "DEFI" || word == "DEFIN" || word == "DEFINE") define(trim(text.substr(word.size())));
    else if (word == "UNDEF" || word == "UNDEFI" || word == "UNDEFIN" || word == "UNDEFINE")
      for (const auto& w : words(text.substr(word.size()))) r_.variables_.erase(upper(w));
    else if (word == "WHENEVER") {
      const std::vector<std::string> w = words(upper(text.substr(word.size())));
      if (w.size() >= 2 && w[0] == "SQLERROR") r_.exitOnError_ = w[1] == "EXIT";
    }
    // Every other command (PROMPT, SPOOL, COLUMN, ...) has no
    // effect on what the script runs.
  }

  // ON, OFF or a character: the setting's new character (0 for OFF).
  static char switchOrChar(const std::string& value, char onValue, char current) {
    const std::string v = upper(unquote(value));
    if (v == "ON") return onValue;
    if (v == "OFF") return 0;
    const std::string raw = unquote(value);
    return raw.size() == 1 ? raw[0] : current;
  }

  void set(const std::vector<std::string>& w) {
    for (size_t i = 0; i < w.size(); i += 2) {
      const std::string option = upper(w[i]);
      const std::string value = i + 1 < w.size() ? w[i + 1] : std::string();
      if (optionIs(option, "SQLBLANKLINES", 5)) {
        r_.blankLines_ = upper(value) == "ON";
      } else if (optionIs(option, "DEFINE", 3)) {
        r_.define_ = switchOrChar(value, '&', r_.define_);
      } else if (optionIs(option, "SQLTERMINATOR", 4)) {
        r_.terminator_ = switchOrChar(value, ';', r_.terminator_);
      } else if (optionIs(option, "SQLPREFIX", 6)) {
        const std::string v = unquote(value);
        if (v.size() == 1) r_.prefix_ = v[0];
      } else if (optionIs(option, "BLOCKTERMINATOR", 3)) {
        r_.blockTerminator_ = switchOrChar(value, '.', r_.blockTerminator_);
      } else if (optionIs(option, "CONCAT", 3)) {
        r_.concat_ = switchOrChar(value, '.', r_.concat_);
      } else if (optionIs(option, "ESCAPE", 3)) {
        r_.escape_ = switchOrChar(value, '\\', r_.escape_);
      } else {
        return;  // an option without effect here; its values run to the end of the line
      }
    }
  }

  // DEFINE name = value (a quoted value without its quotes).
  void define(const std::string& rest) {
    const size_t eq = rest.find('=');
    if (eq == std::string::npos) return;  // DEFINE or DEFINE name: a listing
    const std::string name = upper(trim(rest.substr(0, eq)));
    const std::string value = trim(rest.substr(eq + 1));
    if (name.empty()) return;
    r_.variables_[name] = unquote(value);
  }

  SqlPlusReader& r_;
  const ScriptReaderEvents& ev_;
  Mode mode_ = Mode::None;
  std::string current_;
  size_t lines_ = 0;
  int start_ = 0;
  int lineNo_ = 0;
  bool failed_ = false;
  bool decided_ = false;  // whether the statement is known to be SQL or a unit
  bool continuing_ = false;
};

void SqlPlusReader::read(const std::string& text, const ScriptReaderEvents& events) {
  if (exited_) return;
  Pass(*this, events).run(text);
}

std::vector<std::string> SqlPlusReader::readAll(const std::string& text) {
  std::vector<std::string> out;
  SqlPlusReader reader;
  ScriptReaderEvents ev;
  ev.onStatement = [&](const ScriptStatement& s) { out.push_back(std::to_string(s.line) + ":" + s.text); };
  ev.onProblem = [&](const ScriptProblem& p) { out.push_back(std::to_string(p.line) + ":" + p.message); };
  reader.read(text, ev);
  return out;
}

}  // namespace ocisim::tool
