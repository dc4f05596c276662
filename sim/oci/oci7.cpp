// The OCI7 calls: logon data areas (LDA) and cursor data areas (CDA) over
// the OCI8 handles.  An LDA's private pointer names a service context, a
// CDA's a Cursor7 holding a statement and an error handle.  Both pointers
// are looked up in a registry before use, since a data area the caller
// never initialised holds anything there.
//
// Every call sets the data area's return code (rc and v2_rc) and returns
// it: 0 for success, else the Oracle error number; 1403 marks the end of
// the rows.  The message of the last error on a connection is kept for
// oerhms.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "oci/common.h"

namespace ocisim::oci {
namespace {

struct Cursor7 {
  ub4 magic = kCursorMagic;
  SvcCtx* svc = nullptr;
  Stmt* st = nullptr;
  Error* err = nullptr;
};

std::mutex registryMutex;
std::unordered_set<const void*>& registry() {
  static std::unordered_set<const void*> live;
  return live;
}
void enlist(const void* p) {
  std::lock_guard<std::mutex> lock(registryMutex);
  registry().insert(p);
}
void delist(const void* p) {
  std::lock_guard<std::mutex> lock(registryMutex);
  registry().erase(p);
}
bool listed(const void* p) {
  std::lock_guard<std::mutex> lock(registryMutex);
  return registry().count(p) != 0;
}

SvcCtx* ldaSvc(const Lda_Def* lda) {
  if (lda == nullptr || !listed(lda->rcsp)) return nullptr;
  return handleAs<SvcCtx>(lda->rcsp, OCI_HTYPE_SVCCTX);
}

Cursor7* cursorOf(const Cda_Def* cda) {
  if (cda == nullptr || !listed(cda->rcsp)) return nullptr;
  auto* c = static_cast<Cursor7*>(cda->rcsp);
  return c->magic == kCursorMagic ? c : nullptr;
}

// Sets the data area's return code and, for an error, keeps its message.
sword setRc(Cda_Def* cda, SvcCtx* svc, int code, const std::string& text) {
  cda->rc = static_cast<ub2>(code);
  cda->v2_rc = static_cast<sb2>(code);
  if (code != 0 && svc) {
    svc->last7.code = code;
    svc->last7.text = text;
  }
  return code;
}

// Carries the outcome of an OCI8 call into the data area.
sword fromStatus(Cda_Def* cda, SvcCtx* svc, Error* err, sword status) {
  if (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO) return setRc(cda, svc, 0, {});
  if (status == OCI_NO_DATA) return setRc(cda, svc, 1403, oraText(1403, "no data found"));
  if (err && !err->rec.empty()) return setRc(cda, svc, err->rec.code, err->rec.text);
  return setRc(cda, svc, 1041, oraText(1041, "internal error. hostdef extension doesn't exist"));
}

sword notLoggedOn(Cda_Def* cda) {
  cda->rc = 1012;
  cda->v2_rc = 1012;
  return 1012;
}

sword invalidCursor(Cda_Def* cda) {
  if (cda == nullptr) return 1001;
  cda->rc = 1001;
  cda->v2_rc = 1001;
  return 1001;
}

// "user/password@database"; a separate password or database wins.
void splitConnect(const std::string& s, std::string* user, std::string* password, std::string* db) {
  size_t at = s.find('@');
  std::string head = at == std::string::npos ? s : s.substr(0, at);
  if (at != std::string::npos) *db = s.substr(at + 1);
  size_t slash = head.find('/');
  *user = slash == std::string::npos ? head : head.substr(0, slash);
  if (slash != std::string::npos) *password = head.substr(slash + 1);
}

void freeLdaSvc(SvcCtx* svc) {
  delist(svc);
  if (svc->ownedByLda) {
    Env* env = svc->env;
    // Statements before the server whose connection they were parsed on.
    for (auto& c : env->children)
      if (c->type == OCI_HTYPE_STMT) c.reset();
    env->children.clear();
    delete env;
  }
}

sword logon7(Lda_Def* lda, const std::string& uid, const std::string& pswd, bool pswdGiven, const std::string& conn,
             bool connGiven) {
  if (lda == nullptr) return 1001;
  // A previous failed logon on this area left its context behind.
  if (SvcCtx* old = ldaSvc(lda); old && old->ownedByLda && connectionOf(old) == nullptr) freeLdaSvc(old);
  std::string user, password, db;
  splitConnect(uid, &user, &password, &db);
  if (pswdGiven) password = pswd;
  if (connGiven) db = conn;
  auto* env = new Env(OCI_DEFAULT);
  Error* err = env->adopt(std::make_unique<Error>(env));
  SvcCtx* svc = nullptr;
  sword rc = logonInternal(env, err, &svc, user, password, db);
  if (svc == nullptr) {
    // Keep a bare context so that oerhms finds the message of the failure.
    svc = env->adopt(std::make_unique<SvcCtx>(env));
  }
  svc->ownedByLda = true;
  lda->rcsp = svc;
  enlist(svc);
  std::memset(lda->rid, 0, sizeof lda->rid);
  lda->rpc = 0;
  lda->ft = 0;
  if (rc == OCI_SUCCESS) return setRc(lda, svc, 0, {});
  return setRc(lda, svc, err->rec.code, err->rec.text);
}

struct KnownMessage {
  int code;
  const char* text;
};
const KnownMessage kMessages[] = {
    {0, "normal, successful completion"},
    {1001, "invalid cursor"},
    {1002, "fetch out of sequence"},
    {1003, "no statement parsed"},
    {1007, "variable not in select list"},
    {1008, "not all variables bound"},
    {1012, "not logged on"},
    {1017, "invalid username/password; logon denied"},
    {1403, "no data found"},
    {1405, "fetched column value is NULL"},
    {1406, "fetched column value was truncated"},
    {1013, "user requested cancel of current operation"},
    {3001, "unimplemented feature"},
    {3114, "not connected to ORACLE"},
    {12154, "TNS:could not resolve the connect identifier specified"},
    {28000, "the account is locked"},
    {28002, "the password will expire within 7 days"},
};

}  // namespace

SvcCtx::~SvcCtx() { delist(this); }

sword unimplemented7(Cda_Def* cda) {
  if (cda == nullptr) return 3001;
  SvcCtx* svc = nullptr;
  if (Cursor7* c = cursorOf(cda)) svc = c->svc;
  else svc = ldaSvc(cda);
  return setRc(cda, svc, 3001, oraText(3001, "unimplemented feature"));
}

Stmt* stmtOfCursorArea(void* cda) {
  Cursor7* c = cursorOf(static_cast<const Cda_Def*>(cda));
  return c ? c->st : nullptr;
}

}  // namespace ocisim::oci

using namespace ocisim::oci;

OCISIM_API_OCI7 sword opinit(ub4 mode) {
  (void)mode;
  return 0;
}

OCISIM_API_OCI7 sword olog(Lda_Def* lda, ub1* hda, OraText* uid, sword uidl, OraText* pswd, sword pswdl,
                           OraText* conn, sword connl, ub4 mode) {
  (void)hda, (void)mode;
  bool pswdGiven = pswd != nullptr && pswdl != 0 && !(pswdl < 0 && *pswd == 0);
  bool connGiven = conn != nullptr && connl != 0 && !(connl < 0 && *conn == 0);
  return logon7(lda, argText(uid, uidl), pswdGiven ? argText(pswd, pswdl) : std::string(), pswdGiven,
                connGiven ? argText(conn, connl) : std::string(), connGiven);
}

OCISIM_API_OCI7 sword orlon(Lda_Def* lda, ub1* hda, OraText* uid, sword uidl, OraText* pswd, sword pswdl,
                            sword audit) {
  (void)hda, (void)audit;
  bool pswdGiven = pswd != nullptr && pswdl != 0 && !(pswdl < 0 && *pswd == 0);
  return logon7(lda, argText(uid, uidl), pswdGiven ? argText(pswd, pswdl) : std::string(), pswdGiven,
                std::string(), false);
}

OCISIM_API_OCI7 sword ologof(Lda_Def* lda) {
  if (lda == nullptr) return 1001;
  SvcCtx* svc = ldaSvc(lda);
  if (svc == nullptr || connectionOf(svc) == nullptr) return notLoggedOn(lda);
  Error err(svc->env);
  sword rc = OCI_SUCCESS;
  if (svc->ownedByLda) {
    // The whole environment goes with the area: end the session, then free it.
    rc = endSessionInternal(svc, &err, svc->session) == OCI_SUCCESS ? 0 : err.rec.code;
    freeLdaSvc(svc);
  } else {
    // An area made from an OCI8 service context: end that session.
    Session* usr = svc->session;
    rc = endSessionInternal(svc, &err, usr) == OCI_SUCCESS ? 0 : err.rec.code;
    delist(svc);
  }
  lda->rcsp = nullptr;
  lda->rc = static_cast<ub2>(rc);
  lda->v2_rc = static_cast<sb2>(rc);
  return rc;
}

OCISIM_API_OCI7 sword oerhms(Lda_Def* lda, sb2 rcode, OraText* buf, sword bufsiz) {
  if (buf == nullptr || bufsiz <= 0) return 0;
  int code = static_cast<ub2>(rcode);
  std::string text;
  if (SvcCtx* svc = ldaSvc(lda); svc && svc->last7.code == code && !svc->last7.text.empty()) {
    text = svc->last7.text;
  } else {
    for (const auto& m : kMessages)
      if (m.code == code) text = oraText(code, m.text);
    if (text.empty()) {
      char b[96];
      std::snprintf(b, sizeof b, "Message %d not found; product=RDBMS; facility=ORA", code);
      text = oraText(code, b);
    }
  }
  size_t n = std::min<size_t>(text.size(), static_cast<size_t>(bufsiz) - 1);
  std::memcpy(buf, text.data(), n);
  buf[n] = '\0';
  return static_cast<sword>(n);
}

OCISIM_API_OCI8 sword OCISvcCtxToLda(OCISvcCtx* svchp, OCIError* errhp, Lda_Def* ldap) {
  Error* e = handleAs<Error>(errhp, OCI_HTYPE_ERROR);
  auto* svc = handleAs<SvcCtx>(svchp, OCI_HTYPE_SVCCTX);
  if (e == nullptr || svc == nullptr || ldap == nullptr) return OCI_INVALID_HANDLE;
  if (connectionOf(svc) == nullptr) return fail(e, 1012, "not logged on");
  std::memset(ldap, 0, sizeof *ldap);
  ldap->rcsp = svc;
  enlist(svc);
  return succeed(e);
}

OCISIM_API_OCI8 sword OCILdaToSvcCtx(OCISvcCtx** svchpp, OCIError* errhp, Lda_Def* ldap) {
  Error* e = handleAs<Error>(errhp, OCI_HTYPE_ERROR);
  if (e == nullptr || svchpp == nullptr || ldap == nullptr) return OCI_INVALID_HANDLE;
  SvcCtx* svc = ldaSvc(ldap);
  if (svc == nullptr) return fail(e, 1012, "not logged on");
  *svchpp = reinterpret_cast<OCISvcCtx*>(svc);
  if (!svc->ownedByLda) {
    // The context goes back to OCI8 use: the area no longer names it.
    delist(svc);
    ldap->rcsp = nullptr;
  }
  return succeed(e);
}

// ---- cursors ----------------------------------------------------------------

OCISIM_API_OCI7 sword oopen(Cda_Def* cursor, Lda_Def* lda, OraText* dbn, sword dbnl, sword arsize, OraText* uid,
                            sword uidl) {
  (void)dbn, (void)dbnl, (void)arsize, (void)uid, (void)uidl;
  if (cursor == nullptr) return 1001;
  SvcCtx* svc = ldaSvc(lda);
  if (svc == nullptr || connectionOf(svc) == nullptr) return notLoggedOn(cursor);
  if (Cursor7* old = cursorOf(cursor)) {
    delist(old);
    if (listed(old->svc)) {
      old->svc->env->release(old->st);
      old->svc->env->release(old->err);
    }
    old->magic = 0;
    delete old;
  }
  auto* c = new Cursor7;
  c->svc = svc;
  c->st = svc->env->adopt(std::make_unique<Stmt>(svc->env));
  c->st->oci7 = true;
  c->err = svc->env->adopt(std::make_unique<Error>(svc->env));
  std::memset(cursor, 0, sizeof *cursor);
  cursor->rcsp = c;
  enlist(c);
  return setRc(cursor, svc, 0, {});
}

OCISIM_API_OCI7 sword oclose(Cda_Def* cursor) {
  Cursor7* c = cursorOf(cursor);
  if (c == nullptr) return invalidCursor(cursor);
  delist(c);
  if (listed(c->svc)) {
    c->svc->env->release(c->st);
    c->svc->env->release(c->err);
  }
  c->magic = 0;
  delete c;
  std::memset(cursor, 0, sizeof *cursor);
  return 0;
}

namespace {
ub2 functionCodeOf(ub2 stmtType) {
  switch (stmtType) {
    case OCI_STMT_SELECT: return 4;
    case OCI_STMT_INSERT: return 3;
    case OCI_STMT_UPDATE: return 5;
    case OCI_STMT_DELETE: return 9;
    case OCI_STMT_BEGIN:
    case OCI_STMT_DECLARE: return 34;
    case OCI_STMT_CREATE: return 1;
    case OCI_STMT_DROP: return 12;
    case OCI_STMT_ALTER: return 15;
    default: return 0;
  }
}

// A cursor that is open on a connection that is still logged on.
Cursor7* liveCursor(Cda_Def* cursor, sword* rc) {
  Cursor7* c = cursorOf(cursor);
  if (c == nullptr) {
    *rc = invalidCursor(cursor);
    return nullptr;
  }
  if (!listed(c->svc) || connectionOf(c->svc) == nullptr) {
    *rc = notLoggedOn(cursor);
    return nullptr;
  }
  return c;
}

void afterStatement(Cda_Def* cursor, Cursor7* c) {
  cursor->ft = c->st->fnCode;
  cursor->rpc = c->st->rowCount;
}

// The return code of a fetch that cut or missed values.
sword fetchRc(Cda_Def* cursor, Cursor7* c, sword status) {
  if (status == OCI_SUCCESS_WITH_INFO && c->st->lastInfoCode) {
    int code = c->st->lastInfoCode;
    return setRc(cursor, c->svc, code,
                 oraText(code, code == 1405 ? "fetched column value is NULL" : "fetched column value was truncated"));
  }
  return fromStatus(cursor, c->svc, c->err, status);
}
}  // namespace

OCISIM_API_OCI7 sword oparse(Cda_Def* cursor, OraText* sqlstm, sb4 sqllen, sword defflg, ub4 lngflg) {
  (void)lngflg;
  sword rc = 0;
  Cursor7* c = liveCursor(cursor, &rc);
  if (c == nullptr) return rc;
  if (sqlstm == nullptr) return setRc(cursor, c->svc, 900, oraText(900, "invalid SQL statement"));
  prepareInternal(c->st, c->err, argText(sqlstm, sqllen));
  // The engine parses at once so that the function code is known; with a
  // deferred parse its error waits for the describe or execute.
  sword status = describeInternal(c->svc, c->st, c->err);
  cursor->ft = status == OCI_SUCCESS ? static_cast<ub2>(c->st->st->functionCode()) : functionCodeOf(c->st->stmtType);
  cursor->rpc = 0;
  if (status != OCI_SUCCESS && defflg != 0) {
    c->st->st.reset();
    c->st->parsedOn = nullptr;
    c->st->cols = nullptr;
    return setRc(cursor, c->svc, 0, {});
  }
  return fromStatus(cursor, c->svc, c->err, status);
}

OCISIM_API_OCI7 sword odescr(Cda_Def* cursor, sword pos, sb4* dbsize, sb2* dbtype, sb1* cbuf, sb4* cbufl,
                             sb4* dsize, sb2* prec, sb2* scale, sb2* nullok) {
  sword rc = 0;
  Cursor7* c = liveCursor(cursor, &rc);
  if (c == nullptr) return rc;
  sword status = describeInternal(c->svc, c->st, c->err);
  if (status != OCI_SUCCESS) return fromStatus(cursor, c->svc, c->err, status);
  if (c->st->cols == nullptr || pos < 1 || static_cast<size_t>(pos) > c->st->cols->size())
    return setRc(cursor, c->svc, 1007, oraText(1007, "variable not in select list"));
  const ocisim::ColumnInfo& col = (*c->st->cols)[static_cast<size_t>(pos) - 1];
  if (dbsize) *dbsize = col.size;
  if (dbtype) *dbtype = static_cast<sb2>(col.type);
  if (cbuf && cbufl) {
    size_t n = std::min<size_t>(col.name.size(), *cbufl > 0 ? static_cast<size_t>(*cbufl) : 0);
    std::memcpy(cbuf, col.name.data(), n);
    *cbufl = static_cast<sb4>(n);
  } else if (cbufl) {
    *cbufl = static_cast<sb4>(col.name.size());
  }
  if (dsize) *dsize = col.size;
  if (prec) *prec = static_cast<sb2>(col.precision);
  if (scale) *scale = static_cast<sb2>(col.scale);
  if (nullok) *nullok = col.nullable ? 1 : 0;
  return setRc(cursor, c->svc, 0, {});
}

OCISIM_API_OCI7 sword odefin(Cda_Def* cursor, sword pos, ub1* buf, sword bufl, sword ftype, sword scale, sb2* indp,
                             OraText* fmt, sword fmtl, sword fmtt, ub2* rlen, ub2* rcode) {
  (void)scale, (void)fmt, (void)fmtl, (void)fmtt;
  sword rc = 0;
  Cursor7* c = liveCursor(cursor, &rc);
  if (c == nullptr) return rc;
  if (pos < 1 || (c->st->cols && static_cast<size_t>(pos) > c->st->cols->size()))
    return setRc(cursor, c->svc, 1007, oraText(1007, "variable not in select list"));
  sword status = defineCommon(c->st, nullptr, c->err, static_cast<ub4>(pos), buf, bufl, static_cast<ub2>(ftype),
                              indp, rlen, rcode, OCI_DEFAULT);
  return fromStatus(cursor, c->svc, c->err, status);
}

OCISIM_API_OCI7 sword obndra(Cda_Def* cursor, OraText* sqlvar, sword sqlvl, ub1* progv, sword progvl, sword ftype,
                             sword scale, sb2* indp, ub2* alen, ub2* arcode, ub4 maxsiz, ub4* cursiz, OraText* fmt,
                             sword fmtl, sword fmtt) {
  (void)scale, (void)fmt, (void)fmtl, (void)fmtt;
  sword rc = 0;
  Cursor7* c = liveCursor(cursor, &rc);
  if (c == nullptr) return rc;
  std::string name = placeholderName(argText(sqlvar, sqlvl));
  if (name.empty()) return setRc(cursor, c->svc, 1036, oraText(1036, "illegal variable name/number"));
  sword status = bindCommon(c->st, nullptr, c->err, name, 0, progv, progvl, static_cast<ub2>(ftype), indp, alen,
                            arcode, cursiz ? maxsiz : 0, cursiz);
  return fromStatus(cursor, c->svc, c->err, status);
}

// A scalar bind by name: obndra without lengths, return codes or arrays.
OCISIM_API_OCI7 sword obndrv(Cda_Def* cursor, OraText* sqlvar, sword sqlvl, ub1* progv, sword progvl, sword ftype,
                             sword scale, sb2* indp, OraText* fmt, sword fmtl, sword fmtt) {
  return obndra(cursor, sqlvar, sqlvl, progv, progvl, ftype, scale, indp, nullptr, nullptr, 0, nullptr, fmt, fmtl,
                fmtt);
}

// A bind by number: the placeholder :n.  PL/SQL blocks take names only.
OCISIM_API_OCI7 sword obndrn(Cda_Def* cursor, sword sqlvn, ub1* progv, sword progvl, sword ftype, sword scale,
                             sb2* indp, OraText* fmt, sword fmtl, sword fmtt) {
  (void)scale, (void)fmt, (void)fmtl, (void)fmtt;
  sword rc = 0;
  Cursor7* c = liveCursor(cursor, &rc);
  if (c == nullptr) return rc;
  if (sqlvn < 1 || sqlvn > 255) return setRc(cursor, c->svc, 1036, oraText(1036, "illegal variable name/number"));
  if (c->st->stmtType == OCI_STMT_BEGIN || c->st->stmtType == OCI_STMT_DECLARE)
    return setRc(cursor, c->svc, 1036, oraText(1036, "illegal variable name/number"));
  sword status = bindCommon(c->st, nullptr, c->err, std::to_string(sqlvn), 0, progv, progvl, static_cast<ub2>(ftype),
                            indp, nullptr, nullptr, 0, nullptr);
  return fromStatus(cursor, c->svc, c->err, status);
}

namespace {
sword execute7(Cda_Def* cursor, ub4 iters, ub4 rowoff, bool fetchToo) {
  sword rc = 0;
  Cursor7* c = liveCursor(cursor, &rc);
  if (c == nullptr) return rc;
  bool select = c->st->stmtType == OCI_STMT_SELECT;
  ub4 mode = c->svc->autoCommit && !select ? OCI_COMMIT_ON_SUCCESS : OCI_DEFAULT;
  if (select && !fetchToo) iters = 0;
  sword status = executeInternal(c->svc, c->st, c->err, iters, rowoff, mode);
  afterStatement(cursor, c);
  return fetchRc(cursor, c, status);
}
}  // namespace

OCISIM_API_OCI7 sword oexec(Cda_Def* cursor) { return execute7(cursor, 1, 0, false); }

OCISIM_API_OCI7_BROKEN sword oexn(Cda_Def* cursor, sword iters, sword rowoff) {
  if (iters < 0 || rowoff < 0) {
    sword rc = 0;
    Cursor7* c = liveCursor(cursor, &rc);
    if (c == nullptr) return rc;
    return setRc(cursor, c->svc, 24333, oraText(24333, "zero iteration count"));
  }
  return execute7(cursor, static_cast<ub4>(iters), static_cast<ub4>(rowoff), false);
}

OCISIM_API_OCI7 sword oexfet(Cda_Def* cursor, ub4 nrows, sword cancel, sword exact) {
  (void)exact;
  sword rc = execute7(cursor, nrows, 0, true);
  if (cancel)
    if (Cursor7* c = cursorOf(cursor)) c->st->open = false;
  return rc;
}

OCISIM_API_OCI7 sword ofen(Cda_Def* cursor, sword nrows) {
  sword rc = 0;
  Cursor7* c = liveCursor(cursor, &rc);
  if (c == nullptr) return rc;
  sword status = fetchInternal(c->st, c->err, nrows > 0 ? static_cast<ub4>(nrows) : 1);
  cursor->rpc = c->st->rowCount;
  return fetchRc(cursor, c, status);
}

OCISIM_API_OCI7 sword oflng(Cda_Def* cursor, sword pos, ub1* buf, sb4 bufl, sword dtype, ub4* retl, sb4 offset) {
  (void)dtype;
  sword rc = 0;
  Cursor7* c = liveCursor(cursor, &rc);
  if (c == nullptr) return rc;
  const auto& row = c->st->row;
  if (pos < 1 || static_cast<size_t>(pos) > row.size())
    return setRc(cursor, c->svc, 1007, oraText(1007, "variable not in select list"));
  const ocisim::Value& v = row[static_cast<size_t>(pos) - 1];
  size_t len = v.isNull() ? 0 : v.data.size();
  size_t from = offset > 0 ? static_cast<size_t>(offset) : 0;
  size_t n = from < len ? std::min<size_t>(len - from, bufl > 0 ? static_cast<size_t>(bufl) : 0) : 0;
  if (n && buf) std::memcpy(buf, v.data.data() + from, n);
  if (retl) *retl = static_cast<ub4>(n);
  return setRc(cursor, c->svc, 0, {});
}

// ---- the connection ---------------------------------------------------------

namespace {
template <class F>
sword onLda(Lda_Def* lda, F&& body) {
  if (lda == nullptr) return 1001;
  SvcCtx* svc = ldaSvc(lda);
  ocisim::Connection* conn = connectionOf(svc);
  if (conn == nullptr) return notLoggedOn(lda);
  try {
    body(svc, conn);
    return setRc(lda, svc, 0, {});
  } catch (const ocisim::OraError& x) {
    return setRc(lda, svc, x.code(), x.what());
  }
}
}  // namespace

OCISIM_API_OCI7 sword ocom(Lda_Def* lda) {
  return onLda(lda, [](SvcCtx*, ocisim::Connection* conn) { conn->commit(); });
}

OCISIM_API_OCI7 sword orol(Lda_Def* lda) {
  return onLda(lda, [](SvcCtx*, ocisim::Connection* conn) { conn->rollback(); });
}

OCISIM_API_OCI7 sword ocon(Lda_Def* lda) {
  return onLda(lda, [](SvcCtx* svc, ocisim::Connection*) { svc->autoCommit = true; });
}

OCISIM_API_OCI7 sword ocof(Lda_Def* lda) {
  return onLda(lda, [](SvcCtx* svc, ocisim::Connection*) { svc->autoCommit = false; });
}

OCISIM_API_OCI7 sword obreak(Lda_Def* lda) {
  return onLda(lda, [](SvcCtx*, ocisim::Connection* conn) { conn->interrupt(); });
}
