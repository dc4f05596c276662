// Sequences: CREATE, ALTER and DROP SEQUENCE, NEXTVAL and CURRVAL.
//
// Values are whole numbers of up to 28 digits (Oracle's default MAXVALUE is
// 10^28 - 1), held as text in the catalog and computed in 128 bits.
// LAST_NUMBER follows Oracle: with a cache it is the first number beyond the
// cached block, without one the next number to be handed out.
#include "engine/dict.h"

namespace ocisim {

namespace dict {

namespace {

using Int = __int128;

const char* kMaxAsc = "9999999999999999999999999999";
const char* kMinDesc = "-999999999999999999999999999";

Int parseInt(const std::string& text) {
  std::string t = text;
  bool neg = false;
  size_t i = 0;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) neg = t[i++] == '-';
  if (i >= t.size()) throw OraError(1722, "invalid number");
  Int v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] == '.') {
      // a fraction of zeros is still a whole number
      for (size_t k = i + 1; k < t.size(); ++k)
        if (t[k] != '0') throw OraError(4002, "INCREMENT must be a non-zero integer");
      break;
    }
    if (t[i] < '0' || t[i] > '9') throw OraError(1722, "invalid number");
    v = v * 10 + (t[i] - '0');
    if (v > static_cast<Int>(1e30)) throw OraError(1426, "numeric overflow");
  }
  return neg ? -v : v;
}

std::string toText(Int v) {
  if (v == 0) return "0";
  bool neg = v < 0;
  std::string out;
  while (v != 0) {
    int d = static_cast<int>(v % 10);
    out.insert(out.begin(), static_cast<char>('0' + (d < 0 ? -d : d)));
    v /= 10;
  }
  return neg ? "-" + out : out;
}

struct Seq {
  Int min = 1, max = 0, inc = 1, last = 0, next = 0;
  bool cycle = false, order = false;
  long long cache = 20;
};

std::optional<Seq> load(sqlite3* db, const std::string& owner, const std::string& name) {
  Query q(db, "SELECT MIN_VALUE, MAX_VALUE, INCREMENT_BY, CYCLE_FLAG, ORDER_FLAG, CACHE_SIZE, LAST_NUMBER, NEXT_VALUE"
              " FROM cat_sequences WHERE SEQUENCE_OWNER = ? AND SEQUENCE_NAME = ?");
  q.bind(owner).bind(name);
  if (!q.step()) return std::nullopt;
  Seq sq;
  sq.min = parseInt(q.text(0));
  sq.max = parseInt(q.text(1));
  sq.inc = parseInt(q.text(2));
  sq.cycle = q.text(3) == "Y";
  sq.order = q.text(4) == "Y";
  sq.cache = q.integer(5);
  sq.last = parseInt(q.text(6));
  sq.next = parseInt(q.text(7));
  return sq;
}

void save(sqlite3* db, const std::string& owner, const std::string& name, const Seq& sq, bool insert) {
  std::string sql = insert ? "INSERT INTO cat_sequences(MIN_VALUE, MAX_VALUE, INCREMENT_BY, CYCLE_FLAG, ORDER_FLAG,"
                             " CACHE_SIZE, LAST_NUMBER, NEXT_VALUE, SEQUENCE_OWNER, SEQUENCE_NAME)"
                             " VALUES(?,?,?,?,?,?,?,?,?,?)"
                           : "UPDATE cat_sequences SET MIN_VALUE = ?, MAX_VALUE = ?, INCREMENT_BY = ?, CYCLE_FLAG = ?,"
                             " ORDER_FLAG = ?, CACHE_SIZE = ?, LAST_NUMBER = ?, NEXT_VALUE = ?"
                             " WHERE SEQUENCE_OWNER = ? AND SEQUENCE_NAME = ?";
  Query q(db, sql);
  // Numbers that fit 64 bits are stored as integers, wider ones as their digits.
  auto num = [&](Int v) {
    if (v >= INT64_MIN && v <= INT64_MAX) q.bind(static_cast<long long>(v));
    else q.bind(toText(v));
  };
  num(sq.min);
  num(sq.max);
  num(sq.inc);
  q.bind(sq.cycle ? "Y" : "N").bind(sq.order ? "Y" : "N").bind(sq.cache);
  num(sq.last);
  q.bind(toText(sq.next)).bind(owner).bind(name).run();
}

struct Options {
  std::optional<Int> start, inc, min, max;
  bool noMin = false, noMax = false;
  std::optional<bool> cycle, order;
  std::optional<long long> cache;
};

Options parseOptions(Cursor& c, bool allowStart) {
  Options o;
  auto value = [&]() { return parseInt(c.number()); };
  while (!c.atEnd() && !c.isOp(";")) {
    if (c.acceptWord("START")) {
      c.expectWord("WITH", 905, "missing keyword");
      if (!allowStart) throw OraError(2283, "cannot alter starting sequence number");
      o.start = value();
    } else if (c.acceptWord("INCREMENT")) {
      c.expectWord("BY", 905, "missing keyword");
      o.inc = value();
    } else if (c.acceptWord("MAXVALUE")) {
      o.max = value();
    } else if (c.acceptWord("NOMAXVALUE")) {
      o.noMax = true;
    } else if (c.acceptWord("MINVALUE")) {
      o.min = value();
    } else if (c.acceptWord("NOMINVALUE")) {
      o.noMin = true;
    } else if (c.acceptWord("CYCLE")) {
      o.cycle = true;
    } else if (c.acceptWord("NOCYCLE")) {
      o.cycle = false;
    } else if (c.acceptWord("CACHE")) {
      o.cache = static_cast<long long>(value());
    } else if (c.acceptWord("NOCACHE")) {
      o.cache = 0;
    } else if (c.acceptWord("ORDER")) {
      o.order = true;
    } else if (c.acceptWord("NOORDER")) {
      o.order = false;
    } else if (c.acceptWord("KEEP") || c.acceptWord("NOKEEP") || c.acceptWord("NOSCALE") ||
               c.acceptWord("NOSHARD") || c.acceptWord("SESSION") || c.acceptWord("GLOBAL")) {
    } else {
      throw OraError(933, "SQL command not properly ended");
    }
  }
  c.expectEnd();
  return o;
}

void check(const Seq& sq, Int start) {
  if (sq.inc == 0) throw OraError(4002, "INCREMENT must be a non-zero integer");
  if (sq.min >= sq.max) throw OraError(4004, "MINVALUE must be less than MAXVALUE");
  if (start < sq.min) throw OraError(4006, "START WITH cannot be less than MINVALUE");
  if (start > sq.max) throw OraError(4008, "START WITH cannot be more than MAXVALUE");
  if (sq.cache == 1 || sq.cache < 0) throw OraError(4010, "the number of values to CACHE must be greater than 1");
  if (sq.cycle && sq.cache > 0) {
    Int span = (sq.max - sq.min) / (sq.inc < 0 ? -sq.inc : sq.inc) + 1;
    if (static_cast<Int>(sq.cache) > span) throw OraError(4013, "number to CACHE must be less than one cycle");
  }
}

}  // namespace

void alterSequence(Session& s, Cursor& c, const std::string& owner, const std::string& name);

void createSequence(Session& s, Cursor& c) {
  auto [owner, name] = c.qualifiedName(s.user);
  if (owner != s.user) throw OraError(1031, "insufficient privileges");
  createSequenceNamed(s, owner, name, c);
}

void createSequenceNamed(Session& s, const std::string& owner, const std::string& name, Cursor& c) {
  Options o = parseOptions(c, true);
  if (!objectType(s.db, owner, name).empty()) throw OraError(955, "name is already used by an existing object");
  Seq sq;
  sq.inc = o.inc.value_or(1);
  bool asc = sq.inc > 0;
  sq.min = o.min && !o.noMin ? *o.min : (asc ? 1 : parseInt(kMinDesc));
  sq.max = o.max && !o.noMax ? *o.max : (asc ? parseInt(kMaxAsc) : -1);
  sq.cycle = o.cycle.value_or(false);
  sq.order = o.order.value_or(false);
  sq.cache = o.cache.value_or(20);
  Int start = o.start ? *o.start : (asc ? sq.min : sq.max);
  check(sq, start);
  sq.next = start;
  sq.last = start;
  save(s.db, owner, name, sq, true);
  addObject(s, owner, name, "SEQUENCE");
}

void alterSequence(Session& s, Cursor& c) {
  auto [owner, name] = c.qualifiedName(s.user);
  alterSequence(s, c, owner, name);
}

void alterSequence(Session& s, Cursor& c, const std::string& owner, const std::string& name) {
  Options o = parseOptions(c, false);
  auto sq = load(s.db, owner, name);
  if (!sq) throw OraError(2289, "sequence does not exist");
  if (o.inc) sq->inc = *o.inc;
  bool asc = sq->inc > 0;
  if (o.min) sq->min = *o.min;
  if (o.noMin) sq->min = asc ? 1 : parseInt(kMinDesc);
  if (o.max) sq->max = *o.max;
  if (o.noMax) sq->max = asc ? parseInt(kMaxAsc) : -1;
  if (o.cycle) sq->cycle = *o.cycle;
  if (o.order) sq->order = *o.order;
  if (o.cache) sq->cache = *o.cache;
  if (sq->inc == 0) throw OraError(4002, "INCREMENT must be a non-zero integer");
  if (sq->min >= sq->max) throw OraError(4004, "MINVALUE must be less than MAXVALUE");
  if (asc && sq->max < sq->next - sq->inc) throw OraError(4009, "MAXVALUE cannot be made to be less than the current value");
  if (!asc && sq->min > sq->next - sq->inc) throw OraError(4007, "MINVALUE cannot be made to exceed the current value");
  // The cache is given up: the next value is written as the last number.
  sq->last = sq->next;
  save(s.db, owner, name, *sq, false);
  touchObject(s, owner, name, "SEQUENCE");
}

void alterSequenceRestart(Session& s, const std::string& owner, const std::string& name, Cursor& c,
                          std::string* startWith) {
  // The options as ALTER SEQUENCE takes them, and START WITH besides: the
  // sequence then hands out that number next.
  const size_t from = c.pos();
  std::optional<Int> start;
  {
    Options o = parseOptions(c, true);
    start = o.start;
  }
  if (!start) {
    c.seek(from);
    alterSequence(s, c, owner, name);
    return;
  }
  // Parse again without START WITH, then restart.
  std::string rest;
  c.seek(from);
  while (!c.atEnd()) {
    if (c.acceptWord("START")) {
      c.next();  // WITH
      c.number();
      continue;
    }
    rest += c.next().text + " ";
  }
  std::vector<Token> tokens = tokenize(rest);
  Cursor others(tokens, rest);
  alterSequence(s, others, owner, name);
  auto sq = load(s.db, owner, name);
  if (*start < sq->min) throw OraError(4006, "START WITH cannot be less than MINVALUE");
  if (*start > sq->max) throw OraError(4008, "START WITH cannot be more than MAXVALUE");
  sq->next = *start;
  sq->last = *start;
  save(s.db, owner, name, *sq, false);
  if (startWith) *startWith = toText(*start);
}

void dropSequence(Session& s, Cursor& c) {
  auto [owner, name] = c.qualifiedName(s.user);
  c.expectEnd();
  if (!load(s.db, owner, name)) throw OraError(2289, "sequence does not exist");
  Query(s.db, "DELETE FROM cat_sequences WHERE SEQUENCE_OWNER = ? AND SEQUENCE_NAME = ?").bind(owner).bind(name).run();
  removeObject(s, owner, name, "SEQUENCE");
  s.currval.erase(owner + "." + name);
}

}  // namespace dict

std::string sequenceNextval(Session& s, const std::string& ownerIn, const std::string& name) {
  using namespace dict;
  std::string owner = ownerIn.empty() ? s.user : ownerIn;
  auto sq = load(s.db, owner, name);
  if (!sq) throw OraError(2289, "sequence does not exist");
  Int v = sq->next;
  bool asc = sq->inc > 0;
  if ((asc && v > sq->max) || (!asc && v < sq->min)) {
    if (!sq->cycle)
      throw OraError(8004, "sequence " + name + ".NEXTVAL " + (asc ? "exceeds MAXVALUE" : "goes below MINVALUE") +
                               " and cannot be instantiated");
    v = asc ? sq->min : sq->max;
    sq->last = v;
  }
  sq->next = v + sq->inc;
  if (sq->cache == 0) {
    sq->last = sq->next;
  } else if ((asc && v >= sq->last) || (!asc && v <= sq->last)) {
    Int block = v + static_cast<Int>(sq->cache) * sq->inc;
    if (asc && block > sq->max) block = sq->max + 1;
    if (!asc && block < sq->min) block = sq->min - 1;
    sq->last = block;
  }
  save(s.db, owner, name, *sq, false);
  std::string text = toText(v);
  s.currval[owner + "." + name] = text;
  return text;
}

std::string sequenceCurrval(Session& s, const std::string& ownerIn, const std::string& name) {
  using namespace dict;
  std::string owner = ownerIn.empty() ? s.user : ownerIn;
  if (!load(s.db, owner, name)) throw OraError(2289, "sequence does not exist");
  auto it = s.currval.find(owner + "." + name);
  if (it == s.currval.end())
    throw OraError(8002, "sequence " + name + ".CURRVAL is not yet defined in this session");
  return it->second;
}

}  // namespace ocisim
