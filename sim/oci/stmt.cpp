// Statements: prepare, bind, execute, describe, define, fetch.
//
// OCIStmtPrepare has no service context, so the statement is only
// classified there (OCI_ATTR_STMT_TYPE from its first word, as the client
// does); the engine parses it on the connection of the first execute.
// Parse errors therefore come from OCIStmtExecute, as with Oracle's
// deferred parse.
//
// Binds are input only: the engine's blocks hand nothing back, so OUT
// placeholders keep the caller's values, and a PL/SQL table bind must hold
// exactly one element (anything else answers ORA-03001).  Cursor, object and
// reference types are not offered.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "oci/common.h"
#include "oci/convert.h"
#include "platform/ascii.h"

namespace ocisim::oci {
namespace {

ub2 classify(const std::string& sql) {
  size_t i = 0, n = sql.size();
  for (;;) {
    while (i < n && (platform::isAsciiSpace(sql[i]) || sql[i] == '(')) ++i;
    if (i + 1 < n && sql[i] == '-' && sql[i + 1] == '-') {
      while (i < n && sql[i] != '\n') ++i;
    } else if (i + 1 < n && sql[i] == '/' && sql[i + 1] == '*') {
      size_t end = sql.find("*/", i + 2);
      i = end == std::string::npos ? n : end + 2;
    } else {
      break;
    }
  }
  size_t j = i;
  while (j < n && (platform::isAsciiAlpha(sql[j]))) ++j;
  std::string word = upper(sql.substr(i, j - i));
  if (word == "SELECT" || word == "WITH") return OCI_STMT_SELECT;
  if (word == "UPDATE") return OCI_STMT_UPDATE;
  if (word == "DELETE") return OCI_STMT_DELETE;
  if (word == "INSERT") return OCI_STMT_INSERT;
  if (word == "CREATE") return OCI_STMT_CREATE;
  if (word == "DROP") return OCI_STMT_DROP;
  if (word == "ALTER") return OCI_STMT_ALTER;
  if (word == "BEGIN") return OCI_STMT_BEGIN;
  if (word == "DECLARE") return OCI_STMT_DECLARE;
  return OCI_STMT_UNKNOWN;
}

}  // namespace

std::string placeholderName(std::string name) {
  if (!name.empty() && name[0] == ':') name.erase(0, 1);
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') return name.substr(1, name.size() - 2);
  return upper(name);
}

namespace {

template <class T>
T* at(void* base, ub4 skip, ub4 i) {
  return reinterpret_cast<T*>(static_cast<char*>(base) + static_cast<size_t>(skip) * i);
}

// Parses the statement on the service context's connection when it has not
// been parsed there yet.
void ensureParsed(SvcCtx* svc, Stmt* st) {
  ocisim::Connection* conn = connectionOf(svc);
  if (conn == nullptr) throw ocisim::OraError(3114, "not connected to ORACLE");
  if (!st->prepared) throw ocisim::OraError(24337, "statement handle not prepared");
  if (!st->st || st->parsedOn != conn) {
    st->st.reset();
    st->cols = nullptr;
    st->open = false;
    st->parsedOn = nullptr;
    st->st = conn->prepare(st->sql);
    st->parsedOn = conn;
    st->stmtType = static_cast<ub2>(st->st->kind());
  }
}

ocisim::Value bindValue(Bind* b, ub4 iter) {
  if (b->ind && *at<sb2>(b->ind, b->indSkip, iter) == -1) return ocisim::Value::null();
  void* elem = b->buf ? at<char>(b->buf, b->bufSkip, iter) : nullptr;
  if (elem == nullptr) return ocisim::Value::null();
  // An actual length of zero is a null value, whatever the type.
  if (b->alen && *at<ub2>(b->alen, b->alenSkip, iter) == 0) return ocisim::Value::null();
  if (b->dty == SQLT_CLOB || b->dty == SQLT_BLOB || b->dty == SQLT_BFILEE) {
    auto* loc = handleAs<LobLocator>(*static_cast<void**>(elem), OCI_DTYPE_LOB);
    if (loc == nullptr) loc = handleAs<LobLocator>(*static_cast<void**>(elem), OCI_DTYPE_FILE);
    if (loc == nullptr) throw ocisim::OraError(22275, "invalid LOB locator specified");
    if (!loc->initialized) return ocisim::Value::null();
    return b->dty == SQLT_CLOB ? ocisim::Value::text(loc->data) : ocisim::Value::binary(loc->data);
  }
  ub4 len = b->alen ? *at<ub2>(b->alen, b->alenSkip, iter) : static_cast<ub4>(b->size > 0 ? b->size : 0);
  return readExternal(b->dty, elem, len);
}

// Hands every placeholder its value for one iteration of an execute.
void applyBinds(Stmt* st, ub4 iter) {
  const auto& names = st->st->bindNames();
  for (auto& b : st->binds) {
    if (b->name.empty() ? b->pos > names.size() : std::find(names.begin(), names.end(), b->name) == names.end())
      throw ocisim::OraError(1036, "illegal variable name/number");
  }
  for (size_t k = 0; k < names.size(); ++k) {
    Bind* found = nullptr;
    for (auto& b : st->binds) {
      if (b->name.empty() ? b->pos == k + 1 : b->name == names[k]) {
        found = b.get();
        break;
      }
    }
    if (found == nullptr) throw ocisim::OraError(1008, "not all variables bound");
    if (found->dty == SQLT_RSET || found->dty == SQLT_CUR) {
      // A cursor variable: the block opens it; nothing goes in.
      if (st->st->kind() != ocisim::StatementKind::Begin && st->st->kind() != ocisim::StatementKind::Declare)
        throw ocisim::OraError(1008, "not all variables bound");
    } else if (found->maxarr > 0) {
      // A PL/SQL table: its elements in use go in, from index 1.
      ub4 count = found->curele ? *found->curele : 0;
      if (count > found->maxarr) throw ocisim::OraError(6513, "PL/SQL: index for PL/SQL table out of range for host language array");
      std::vector<ocisim::Value> elements;
      for (ub4 e = 0; e < count; ++e) elements.push_back(bindValue(found, e));
      st->st->bindTable(k, elements);
    } else {
      st->st->bind(k, bindValue(found, iter));
    }
    if (found->rcode) *at<ub2>(found->rcode, found->rcodeSkip, iter) = 0;
  }
}

// Writes one value a block left in a placeholder into element `i` of its bind.
void writeBound(Bind* b, ub4 i, const ocisim::Value& v, const ocisim::Connection* conn) {
  sb2* ind = b->ind ? at<sb2>(b->ind, b->indSkip, i) : nullptr;
  ub2* alen = b->alen ? at<ub2>(b->alen, b->alenSkip, i) : nullptr;
  ub2* rcode = b->rcode ? at<ub2>(b->rcode, b->rcodeSkip, i) : nullptr;
  if (v.isNull()) {
    if (ind) *ind = -1;
    if (alen) *alen = 0;
    if (rcode) *rcode = 1405;
    return;
  }
  if (b->buf == nullptr || b->size <= 0) throw ocisim::OraError(6502, "PL/SQL: numeric or value error: character string buffer too small");
  ub4 full = 0;
  ub2 rc = writeExternal(v, b->dty, at<char>(b->buf, b->bufSkip, i), b->size, &full, conn);
  if (rc == 1406 && !ind)
    throw ocisim::OraError(6502, "PL/SQL: numeric or value error: character string buffer too small");
  if (ind) *ind = rc == 1406 ? (full <= 0x7FFF ? static_cast<sb2>(full) : -2) : 0;
  ub4 written = rc == 1406 ? static_cast<ub4>(b->size) - (b->dty == SQLT_STR ? 1 : 0) : full;
  if (alen) *alen = static_cast<ub2>(written <= 0xFFFF ? written : 0xFFFF);
  if (rcode) *rcode = rc;
}

// After a block ran: OUT and IN OUT placeholders get the values it left,
// PL/SQL tables their elements and count, cursor variables the cursor it
// opened, ready to fetch on the statement they name.
void returnBinds(Stmt* st, ocisim::Connection* conn) {
  const auto& names = st->st->bindNames();
  for (size_t k = 0; k < names.size(); ++k) {
    for (auto& owned : st->binds) {
      Bind* b = owned.get();
      if (!(b->name.empty() ? b->pos == k + 1 : b->name == names[k])) continue;
      if (b->dty == SQLT_CLOB || b->dty == SQLT_BLOB || b->dty == SQLT_BFILEE) break;
      if (b->dty == SQLT_RSET || b->dty == SQLT_CUR) {
        Stmt* target = nullptr;
        if (b->dty == SQLT_RSET && b->buf) target = handleAs<Stmt>(*static_cast<void**>(b->buf), OCI_HTYPE_STMT);
        if (b->dty == SQLT_CUR) target = stmtOfCursorArea(b->buf);
        if (target == nullptr) throw ocisim::OraError(1001, "invalid cursor");
        std::unique_ptr<ocisim::Statement> cursor = st->st->takeCursor(k);
        if (!cursor) {
          // The block opened no cursor here: the statement stays closed, and
          // a fetch from it fails.
          target->st.reset();
          target->cols = nullptr;
          target->open = false;
          break;
        }
        target->st = std::move(cursor);
        target->parsedOn = conn;
        target->prepared = true;
        target->stmtType = OCI_STMT_SELECT;
        target->fnCode = 4;
        target->cols = &target->st->describe();
        target->open = true;
        target->exhausted = false;
        target->rowCount = 0;
        target->rowsFetched = 0;
        break;
      }
      // Placeholders the block only read are IN binds: nothing comes back.
      if (!st->st->boundAssigned(k)) break;
      if (b->maxarr > 0) {
        std::vector<ocisim::Value> elements = st->st->boundTable(k);
        if (elements.size() > b->maxarr)
          throw ocisim::OraError(6513, "PL/SQL: index for PL/SQL table out of range for host language array");
        for (ub4 e = 0; e < elements.size(); ++e) writeBound(b, e, elements[e], conn);
        if (b->curele) *b->curele = static_cast<ub4>(elements.size());
        break;
      }
      writeBound(b, 0, st->st->boundValue(k), conn);
      break;
    }
  }
}

// Bytes of a value as a piecewise (LONG) fetch delivers them.
std::string_view pieceBytes(const ocisim::Value& v, ub2 dty, const ocisim::Connection* conn, std::string& scratch) {
  switch (v.kind) {
    case ocisim::Value::Kind::Binary:
      if (dty == SQLT_LBI || dty == SQLT_BIN) return v.data;
      scratch = hexText(v.data);
      return scratch;
    case ocisim::Value::Kind::Date:
      scratch = conn ? conn->formatDate(v.date) : std::string();
      return scratch;
    default: return v.data;
  }
}

// Column return code of one row written into a define; 0 when it went in whole.
struct CellResult {
  bool info = false;  // truncated, or null without an indicator
  ub2 infoCode = 0;
};

// The piecewise fetch of one value: the define's callback hands out a
// buffer per piece (OCI_FIRST_PIECE, then OCI_NEXT_PIECE) and receives the
// length of what was written into it.
void fetchPieces(Define* d, ub4 row, std::string_view data) {
  size_t off = 0;
  ub1 piece = OCI_FIRST_PIECE;
  int emptyPieces = 0;
  do {
    void* buf = nullptr;
    ub4* alen = nullptr;
    void* ind = nullptr;
    ub2* rcode = nullptr;
    ub1 p = piece;
    sb4 r = d->cb(d->cbctx, reinterpret_cast<OCIDefine*>(d), row, &buf, &alen, &p, &ind, &rcode);
    if (r != OCI_CONTINUE) throw ocisim::OraError(24343, "user defined callback error");
    size_t cap = alen ? *alen : 0;
    size_t n = std::min(cap, data.size() - off);
    if (buf && n) std::memcpy(buf, data.data() + off, n);
    off += n;
    if (alen) *alen = static_cast<ub4>(n);
    if (ind) *static_cast<sb2*>(ind) = 0;
    if (rcode) *rcode = 0;
    piece = OCI_NEXT_PIECE;
    // A callback that keeps handing out no room would never finish.
    if (n == 0 && off < data.size() && ++emptyPieces > 16)
      throw ocisim::OraError(24343, "user defined callback error");
  } while (off < data.size());
}

void writeCell(Stmt* st, Define* d, ub4 row, const ocisim::Value& v, const ocisim::Connection* conn,
               CellResult& res) {
  sb2* ind = d->ind ? at<sb2>(d->ind, d->indSkip, row) : nullptr;
  ub2* rlen = d->rlen ? at<ub2>(d->rlen, d->rlenSkip, row) : nullptr;
  ub2* rcode = d->rcode ? at<ub2>(d->rcode, d->rcodeSkip, row) : nullptr;
  bool lob = d->dty == SQLT_CLOB || d->dty == SQLT_BLOB || d->dty == SQLT_BFILEE;
  if (v.isNull()) {
    if (lob && d->buf) {
      void* slot = *at<void*>(d->buf, d->bufSkip, row);
      LobLocator* loc = handleAs<LobLocator>(slot, OCI_DTYPE_LOB);
      if (loc == nullptr) loc = handleAs<LobLocator>(slot, OCI_DTYPE_FILE);
      if (loc) {
        loc->initialized = false;
        loc->data.clear();
      }
    }
    if (rlen) *rlen = 0;
    if (ind) {
      *ind = -1;
      if (rcode) *rcode = 0;
    } else {
      if (rcode) *rcode = 1405;
      res.info = true;
      res.infoCode = res.infoCode ? res.infoCode : 1405;
    }
    return;
  }
  if (d->mode & OCI_DYNAMIC_FETCH && d->cb) {
    std::string scratch;  // no thread_local in this library: see writeExternal
    std::string_view bytes = pieceBytes(v, d->dty, conn, scratch);
    fetchPieces(d, row, bytes);
    if (ind) *ind = 0;
    if (rlen) *rlen = static_cast<ub2>(bytes.size() <= 0xFFFF ? bytes.size() : 0xFFFF);
    if (rcode) *rcode = 0;
    return;
  }
  if (isDateTimeType(d->dty)) {
    DateTimeDesc* desc = d->buf ? handleAs<DateTimeDesc>(*at<void*>(d->buf, d->bufSkip, row), descriptorTypeOf(d->dty))
                                : nullptr;
    if (desc == nullptr) throw ocisim::OraError(24323, "value not allowed");
    desc->value = datetimeFor(v, d->dty);
    if (ind) *ind = 0;
    if (rlen) *rlen = sizeof(void*);
    if (rcode) *rcode = 0;
    return;
  }
  if (lob) {
    if (d->buf == nullptr) throw ocisim::OraError(22275, "invalid LOB locator specified");
    void** slot = at<void*>(d->buf, d->bufSkip, row);
    LobLocator* loc = handleAs<LobLocator>(*slot, OCI_DTYPE_LOB);
    if (loc == nullptr) loc = handleAs<LobLocator>(*slot, OCI_DTYPE_FILE);
    if (loc == nullptr) {
      if (*slot != nullptr) throw ocisim::OraError(22275, "invalid LOB locator specified");
      // No locator given: the statement makes one and keeps it.
      auto made = std::make_unique<LobLocator>(d->dty == SQLT_BFILEE ? OCI_DTYPE_FILE : OCI_DTYPE_LOB, st->env);
      made->ownedByStmt = true;
      loc = made.get();
      st->lobs.push_back(std::move(made));
      *slot = loc;
    }
    loc->lobType = d->dty;
    loc->initialized = true;
    loc->fileOpen = false;
    loc->data = v.data;
    if (ind) *ind = 0;
    if (rlen) *rlen = sizeof(void*);
    if (rcode) *rcode = 0;
    return;
  }
  ub4 full = 0;
  ub2 rc;
  if (d->buf == nullptr) {
    rc = 1406;
  } else {
    rc = writeExternal(v, d->dty, at<char>(d->buf, d->bufSkip, row), d->size, &full, conn);
  }
  bool longType = d->dty == SQLT_LNG || d->dty == SQLT_LBI;
  if (rc == 1406 && !(st->oci7 && longType)) {
    // An OCI7 LONG define holds the first part of the value, and oflng
    // reads the rest: for it a cut value is no warning.
    res.info = true;
    res.infoCode = 1406;
  }
  if (rc == 1406) {
    // A truncated value's indicator holds its whole length (-2 when that
    // does not fit), as Oracle reports it.
    if (ind) *ind = full <= 0x7FFF ? static_cast<sb2>(full) : -2;
  } else if (ind) {
    *ind = 0;
  }
  // OCI8 reports a cut value's whole length, OCI7 the length it wrote.
  ub4 written = rc == 1406 ? static_cast<ub4>(d->size > 0 ? d->size : 0) : full;
  if (rc == 1406 && d->dty == SQLT_STR && written > 0) --written;
  ub4 reported = st->oci7 ? written : (full <= 0xFFFF ? full : written);
  if (rlen) *rlen = static_cast<ub2>(reported <= 0xFFFF ? reported : 0xFFFF);
  if (rcode) *rcode = rc;
}

}  // namespace

// Objects and references: the engine has none to give.
bool unsupportedType(ub2 dty) {
  return dty == SQLT_NTY || dty == SQLT_REF;
}

// The end of the rows: OCI_NO_DATA, with ORA-01403 as its record.
sword noData(Error* err) {
  fail(err, 1403, "no data found");
  return OCI_NO_DATA;
}

sword prepareInternal(Stmt* st, Error* err, const std::string& sql) {
  st->sql = sql;
  st->prepared = true;
  st->st.reset();
  st->parsedOn = nullptr;
  st->cols = nullptr;
  st->open = false;
  st->exhausted = false;
  st->rowCount = 0;
  st->rowsFetched = 0;
  st->fnCode = 0;
  // Binds and defines name positions and placeholders of the old text.
  st->defines.clear();
  st->binds.clear();
  st->params.clear();
  st->stmtType = classify(sql);
  return succeed(err);
}

sword describeInternal(SvcCtx* svc, Stmt* st, Error* err) {
  return guarded(err, [&] {
    ensureParsed(svc, st);
    if (st->st->kind() == ocisim::StatementKind::Select && st->cols == nullptr) st->cols = &st->st->describe();
    return succeed(err);
  });
}

sword executeInternal(SvcCtx* svc, Stmt* st, Error* err, ub4 iters, ub4 rowoff, ub4 mode) {
  ocisim::Connection* conn = connectionOf(svc);
  sword rc = guarded(err, [&] {
    ensureParsed(svc, st);
    st->open = false;
    st->exhausted = false;
    st->rowCount = 0;
    st->rowsFetched = 0;
    if (st->st->kind() == ocisim::StatementKind::Select) {
      if (st->cols == nullptr) st->cols = &st->st->describe();
      for (auto& d : st->defines)
        if (d && d->pos > st->cols->size()) throw ocisim::OraError(1007, "variable not in select list");
      if (mode & OCI_DESCRIBE_ONLY) return succeed(err);
      applyBinds(st, 0);
      st->st->execute();
      st->fnCode = static_cast<ub2>(st->st->functionCode());
      st->open = true;
      return succeed(err);
    }
    if (mode & OCI_DESCRIBE_ONLY) return succeed(err);
    if (iters == 0) throw ocisim::OraError(24333, "zero iteration count");
    // Elements rowoff .. iters - 1, each its own execution: a failing one
    // leaves the rows of those before it, and the row count says how many.
    bool block = st->st->kind() == ocisim::StatementKind::Begin || st->st->kind() == ocisim::StatementKind::Declare;
    for (ub4 i = rowoff; i < iters; ++i) {
      applyBinds(st, i);
      st->st->execute();
      st->rowCount += static_cast<ub4>(st->st->rowCount());
      if (block) returnBinds(st, conn);
    }
    st->fnCode = static_cast<ub2>(st->st->functionCode());
    if (mode & OCI_COMMIT_ON_SUCCESS) conn->commit();
    return succeed(err);
  });
  if (rc != OCI_SUCCESS) {
    if (st->st) st->fnCode = static_cast<ub2>(st->st->functionCode());
    return rc;
  }
  // A select executed with a row count fetches its first rows at once.
  if (st->open && iters > 0) return fetchInternal(st, err, iters);
  return rc;
}

sword fetchInternal(Stmt* st, Error* err, ub4 nrows) {
  if (!st->open) {
    st->rowsFetched = 0;
    if (st->exhausted) return noData(err);
    return fail(err, 1002, "fetch out of sequence");
  }
  if (nrows == 0) {  // cancels the cursor
    st->open = false;
    st->rowsFetched = 0;
    return succeed(err);
  }
  const ocisim::Connection* conn = st->parsedOn;
  CellResult res;
  ub4 got = 0;
  sword rc = guarded(err, [&] {
    // The defines in column order, looked up once per fetch.
    Define* defs[1024];
    std::vector<Define*> many;
    Define** list = defs;
    size_t count = 0;
    if (st->defines.size() > 1024) {
      many.resize(st->defines.size());
      list = many.data();
    }
    for (auto& d : st->defines)
      if (d) list[count++] = d.get();
    for (; got < nrows; ++got) {
      if (!st->st->fetch(st->row)) {
        st->open = false;
        st->exhausted = true;
        break;
      }
      for (size_t k = 0; k < count; ++k) {
        Define* d = list[k];
        writeCell(st, d, got, st->row[d->pos - 1], conn, res);
      }
    }
    return OCI_SUCCESS;
  });
  st->rowsFetched = got;
  st->rowCount += got;
  st->lastInfoCode = res.infoCode;
  if (rc != OCI_SUCCESS) {
    if (rc == OCI_ERROR) st->open = false;
    return rc;
  }
  if (got < nrows) return noData(err);
  if (res.info) return warn(err, 24345, oraText(24345, "A Truncation or null fetch error occurred"));
  return succeed(err);
}

Define* defineInternal(Stmt* st, ub4 pos) {
  if (st->defines.size() < pos) st->defines.resize(pos);
  auto& slot = st->defines[pos - 1];
  if (!slot) slot = std::make_unique<Define>(st->env, st);
  slot->pos = pos;
  return slot.get();
}

Bind* bindInternal(Stmt* st, const std::string& name, ub4 pos) {
  for (auto& b : st->binds)
    if (name.empty() ? (b->name.empty() && b->pos == pos) : b->name == name) return b.get();
  st->binds.push_back(std::make_unique<Bind>(st->env, st));
  Bind* b = st->binds.back().get();
  b->name = name;
  b->pos = pos;
  return b;
}

}  // namespace ocisim::oci

using namespace ocisim::oci;

#define OCISIM_ERR(errhp)                               \
  Error* e = handleAs<Error>(errhp, OCI_HTYPE_ERROR);   \
  if (e == nullptr) return OCI_INVALID_HANDLE

OCISIM_API_OCI8_BROKEN sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt, ub4 stmt_len,
                                            ub4 language, ub4 mode) {
  (void)language, (void)mode;
  OCISIM_ERR(errhp);
  auto* st = handleAs<Stmt>(stmtp, OCI_HTYPE_STMT);
  if (st == nullptr) return OCI_INVALID_HANDLE;
  if (stmt == nullptr) return fail(e, 900, "invalid SQL statement");
  return prepareInternal(st, e, argText(stmt, static_cast<sb4>(stmt_len)));
}

OCISIM_API_OCI8 sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff,
                                     const OCISnapshot* snap_in, OCISnapshot* snap_out, ub4 mode) {
  (void)snap_in, (void)snap_out;
  OCISIM_ERR(errhp);
  auto* svc = handleAs<SvcCtx>(svchp, OCI_HTYPE_SVCCTX);
  auto* st = handleAs<Stmt>(stmtp, OCI_HTYPE_STMT);
  if (svc == nullptr || st == nullptr) return OCI_INVALID_HANDLE;
  return executeInternal(svc, st, e, iters, rowoff, mode);
}

OCISIM_API_OCI8 sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, ub4 mode) {
  (void)orientation, (void)mode;
  OCISIM_ERR(errhp);
  auto* st = handleAs<Stmt>(stmtp, OCI_HTYPE_STMT);
  if (st == nullptr) return OCI_INVALID_HANDLE;
  return fetchInternal(st, e, nrows);
}

OCISIM_API_OCI8 sword OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp, ub4 pos) {
  OCISIM_ERR(errhp);
  if (htype != OCI_HTYPE_STMT) return OCI_INVALID_HANDLE;
  auto* st = handleAs<Stmt>(hndlp, OCI_HTYPE_STMT);
  if (st == nullptr || parmdpp == nullptr) return OCI_INVALID_HANDLE;
  if (st->cols == nullptr) return fail(e, 24338, "statement handle not executed");
  if (pos < 1 || pos > st->cols->size()) return fail(e, 24334, "no descriptor for this position");
  if (st->params.size() < st->cols->size()) st->params.resize(st->cols->size());
  auto& p = st->params[pos - 1];
  if (!p) {
    p = std::make_unique<Param>(st->env);
    p->ownedByStmt = true;
    p->col = (*st->cols)[pos - 1];
  }
  *parmdpp = p.get();
  return succeed(e);
}

namespace ocisim::oci {
sword defineCommon(Stmt* st, OCIDefine** defnp, Error* e, ub4 position, void* valuep, sb4 value_sz, ub2 dty,
                   void* indp, ub2* rlenp, ub2* rcodep, ub4 mode) {
  if (position == 0 || position > 65535 || (st->cols && position > st->cols->size()))
    return fail(e, 1007, "variable not in select list");
  // No select list holds cursors here, so no column is fetched as one.
  if (unsupportedType(dty) || dty == SQLT_RSET || dty == SQLT_CUR) return fail(e, 3001, "unimplemented feature");
  Define* d = defineInternal(st, position);
  d->buf = valuep;
  d->size = value_sz;
  d->dty = dty;
  d->ind = static_cast<sb2*>(indp);
  d->rlen = rlenp;
  d->rcode = rcodep;
  d->mode = mode;
  d->cb = nullptr;
  d->cbctx = nullptr;
  d->bufSkip = value_sz > 0 ? static_cast<ub4>(value_sz) : 0;
  if (dty == SQLT_CLOB || dty == SQLT_BLOB || dty == SQLT_BFILEE || isDateTimeType(dty)) d->bufSkip = sizeof(void*);
  d->indSkip = sizeof(sb2);
  d->rlenSkip = sizeof(ub2);
  d->rcodeSkip = sizeof(ub2);
  if (defnp) *defnp = reinterpret_cast<OCIDefine*>(d);
  return succeed(e);
}
}  // namespace ocisim::oci

OCISIM_API_OCI8 sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position, void* valuep,
                                     sb4 value_sz, ub2 dty, void* indp, ub2* rlenp, ub2* rcodep, ub4 mode) {
  OCISIM_ERR(errhp);
  auto* st = handleAs<Stmt>(stmtp, OCI_HTYPE_STMT);
  if (st == nullptr || defnp == nullptr) return OCI_INVALID_HANDLE;
  return defineCommon(st, defnp, e, position, valuep, value_sz, dty, indp, rlenp, rcodep, mode);
}

OCISIM_API_OCI8 sword OCIDefineArrayOfStruct(OCIDefine* defnp, OCIError* errhp, ub4 pvskip, ub4 indskip,
                                             ub4 rlskip, ub4 rcskip) {
  OCISIM_ERR(errhp);
  auto* d = handleAs<Define>(defnp, OCI_HTYPE_DEFINE);
  if (d == nullptr) return OCI_INVALID_HANDLE;
  d->bufSkip = pvskip;
  d->indSkip = indskip;
  d->rlenSkip = rlskip;
  d->rcodeSkip = rcskip;
  return succeed(e);
}

OCISIM_API_OCI8 sword OCIDefineDynamic(OCIDefine* defnp, OCIError* errhp, void* octxp, OCICallbackDefine ocbfp) {
  OCISIM_ERR(errhp);
  auto* d = handleAs<Define>(defnp, OCI_HTYPE_DEFINE);
  if (d == nullptr) return OCI_INVALID_HANDLE;
  d->cbctx = octxp;
  d->cb = ocbfp;
  d->mode |= OCI_DYNAMIC_FETCH;
  return succeed(e);
}

namespace ocisim::oci {
sword bindCommon(Stmt* st, OCIBind** bindp, Error* e, const std::string& name, ub4 position, void* valuep,
                 sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len, ub4* curelep) {
  if (unsupportedType(dty)) return fail(e, 3001, "unimplemented feature");
  Bind* b = bindInternal(st, name, position);
  b->buf = valuep;
  b->size = value_sz;
  b->dty = dty;
  b->ind = static_cast<sb2*>(indp);
  b->alen = alenp;
  b->rcode = rcodep;
  b->maxarr = maxarr_len;
  b->curele = curelep;
  b->bufSkip = value_sz > 0 ? static_cast<ub4>(value_sz) : 0;
  if (dty == SQLT_CLOB || dty == SQLT_BLOB || dty == SQLT_BFILEE) b->bufSkip = sizeof(void*);
  b->indSkip = sizeof(sb2);
  b->alenSkip = sizeof(ub2);
  b->rcodeSkip = sizeof(ub2);
  if (bindp) *bindp = reinterpret_cast<OCIBind*>(b);
  return succeed(e);
}
}  // namespace ocisim::oci

OCISIM_API_OCI8 sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position, void* valuep,
                                   sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len,
                                   ub4* curelep, ub4 mode) {
  (void)mode;
  OCISIM_ERR(errhp);
  auto* st = handleAs<Stmt>(stmtp, OCI_HTYPE_STMT);
  if (st == nullptr) return OCI_INVALID_HANDLE;
  if (position == 0) return fail(e, 1036, "illegal variable name/number");
  return bindCommon(st, bindp, e, std::string(), position, valuep, value_sz, dty, indp, alenp, rcodep, maxarr_len,
                    curelep);
}

OCISIM_API_OCI8 sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, const OraText* placeholder,
                                    sb4 placeh_len, void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                                    ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode) {
  (void)mode;
  OCISIM_ERR(errhp);
  auto* st = handleAs<Stmt>(stmtp, OCI_HTYPE_STMT);
  if (st == nullptr) return OCI_INVALID_HANDLE;
  std::string name = placeholderName(argText(placeholder, placeh_len));
  if (name.empty()) return fail(e, 1036, "illegal variable name/number");
  return bindCommon(st, bindp, e, name, 0, valuep, value_sz, dty, indp, alenp, rcodep, maxarr_len, curelep);
}

OCISIM_API_OCI8 sword OCIBindArrayOfStruct(OCIBind* bindp, OCIError* errhp, ub4 pvskip, ub4 indskip, ub4 alskip,
                                           ub4 rcskip) {
  OCISIM_ERR(errhp);
  auto* b = handleAs<Bind>(bindp, OCI_HTYPE_BIND);
  if (b == nullptr) return OCI_INVALID_HANDLE;
  b->bufSkip = pvskip;
  b->indSkip = indskip;
  b->alenSkip = alskip;
  b->rcodeSkip = rcskip;
  return succeed(e);
}
