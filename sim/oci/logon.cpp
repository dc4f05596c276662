// Server attach, sessions, simple logon, transactions, service contexts
// as OCI7 logon data areas.
#include <cstdlib>
#include <cstring>

#include "oci/common.h"

namespace ocisim::oci {
namespace {

// A net service name as the client resolves it: an empty name means the
// local default database, which TWO_TASK (or else ORACLE_SID) names.
std::string serviceName(std::string name) {
  size_t b = name.find_first_not_of(" \t\r\n");
  size_t e = name.find_last_not_of(" \t\r\n");
  name = b == std::string::npos ? std::string() : name.substr(b, e - b + 1);
  if (name.empty()) {
    if (const char* t = std::getenv("TWO_TASK"); t && *t) return t;
    if (const char* s = std::getenv("ORACLE_SID"); s && *s) return s;
  }
  return name;
}

void detach(Server* srv) {
  if (!srv->conn) return;
  // Statements parsed on this connection and sessions logged on through it
  // lose it with the server.
  Env* env = srv->env;
  std::lock_guard<std::recursive_mutex> guard(env->lock);
  for (auto& c : env->children) {
    if (c->type == OCI_HTYPE_STMT) {
      auto* st = static_cast<Stmt*>(c.get());
      if (st->parsedOn == srv->conn.get()) {
        st->st.reset();
        st->parsedOn = nullptr;
        st->cols = nullptr;
        st->open = false;
      }
    } else if (c->type == OCI_HTYPE_SESSION) {
      auto* s = static_cast<Session*>(c.get());
      if (s->server == srv) s->server = nullptr;
    }
  }
  srv->conn.reset();
}

sword attachServer(Server* srv, Error* e, const std::string& dblink) {
  if (srv->conn) return fail(e, 24309, "already connected to a server");
  return guarded(e, [&] {
    std::string name = serviceName(dblink);
    srv->conn = ocisim::attach(name);
    srv->service = name;
    return succeed(e);
  });
}

sword beginSession(SvcCtx* svc, Error* e, Session* usr, ub4 credt, ub4 mode) {
  if (svc->server == nullptr || !svc->server->conn)
    return fail(e, 24327, "need explicit attach before authenticating a user");
  if (mode & (OCI_SYSDBA | OCI_SYSOPER)) return fail(e, 1031, "insufficient privileges");
  // The stand-in has no operating-system authenticated users.
  if (credt != OCI_CRED_RDBMS) return fail(e, 1017, "invalid username/password; logon denied");
  return guarded(e, [&] {
    std::string warning;
    int rc = svc->server->conn->logon(usr->user, usr->password, &warning);
    usr->server = svc->server;
    svc->session = usr;
    if (rc != 0) {
      std::string text = warning.rfind("ORA-", 0) == 0 ? warning : oraText(rc, warning);
      return warn(e, rc, text);
    }
    return succeed(e);
  });
}

sword endSession(SvcCtx* svc, Error* e, Session* usr) {
  if (usr == nullptr) usr = svc->session;
  if (usr == nullptr || usr->server == nullptr || !usr->server->conn)
    return fail(e, 1012, "not logged on");
  return guarded(e, [&] {
    Server* srv = usr->server;
    usr->server = nullptr;
    // A session that ends normally commits its work, as the server does on
    // an orderly logoff.
    srv->conn->commit();
    return succeed(e);
  });
}

}  // namespace

sword endSessionInternal(SvcCtx* svc, Error* err, Session* usr) { return endSession(svc, err, usr); }

sword logonInternal(Env* env, Error* err, SvcCtx** svcOut, const std::string& user,
                    const std::string& password, const std::string& db) {
  auto* svc = env->adopt(std::make_unique<SvcCtx>(env));
  auto* srv = env->adopt(std::make_unique<Server>(env));
  auto* usr = env->adopt(std::make_unique<Session>(env));
  svc->server = srv;
  svc->ownsLogon = true;
  usr->user = user;
  usr->password = password;
  sword rc = attachServer(srv, err, db);
  if (rc == OCI_SUCCESS) rc = beginSession(svc, err, usr, OCI_CRED_RDBMS, OCI_DEFAULT);
  if (rc != OCI_SUCCESS && rc != OCI_SUCCESS_WITH_INFO) {
    env->release(usr);
    env->release(srv);
    env->release(svc);
    *svcOut = nullptr;
    return rc;
  }
  *svcOut = svc;
  return rc;
}

sword logoffInternal(SvcCtx* svc, Error* err) {
  Env* env = svc->env;
  sword rc = OCI_SUCCESS;
  if (svc->session && svc->session->server) rc = endSession(svc, err, svc->session);
  if (svc->ownsLogon) {
    Session* usr = svc->session;
    Server* srv = svc->server;
    if (srv) detach(srv);
    if (usr) env->release(usr);
    if (srv) env->release(srv);
    env->release(svc);
  }
  return rc;
}

}  // namespace ocisim::oci

using namespace ocisim::oci;

#define OCISIM_ERR(errhp)                                   \
  Error* e = handleAs<Error>(errhp, OCI_HTYPE_ERROR);       \
  if (e == nullptr) return OCI_INVALID_HANDLE

OCISIM_API_OCI8 sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink, sb4 dblink_len,
                                      ub4 mode) {
  (void)mode;
  OCISIM_ERR(errhp);
  auto* srv = handleAs<Server>(srvhp, OCI_HTYPE_SERVER);
  if (srv == nullptr) return OCI_INVALID_HANDLE;
  return attachServer(srv, e, argText(dblink, dblink_len));
}

OCISIM_API_OCI8 sword OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4 mode) {
  (void)mode;
  OCISIM_ERR(errhp);
  auto* srv = handleAs<Server>(srvhp, OCI_HTYPE_SERVER);
  if (srv == nullptr) return OCI_INVALID_HANDLE;
  if (!srv->conn) return fail(e, 24324, "service handle not initialized");
  detach(srv);
  return succeed(e);
}

OCISIM_API_OCI8 sword OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt,
                                      ub4 mode) {
  OCISIM_ERR(errhp);
  auto* svc = handleAs<SvcCtx>(svchp, OCI_HTYPE_SVCCTX);
  auto* usr = handleAs<Session>(usrhp, OCI_HTYPE_SESSION);
  if (svc == nullptr || usr == nullptr) return OCI_INVALID_HANDLE;
  return beginSession(svc, e, usr, credt, mode);
}

OCISIM_API_OCI8 sword OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 mode) {
  (void)mode;
  OCISIM_ERR(errhp);
  auto* svc = handleAs<SvcCtx>(svchp, OCI_HTYPE_SVCCTX);
  if (svc == nullptr) return OCI_INVALID_HANDLE;
  auto* usr = handleAs<Session>(usrhp, OCI_HTYPE_SESSION);
  if (usrhp != nullptr && usr == nullptr) return OCI_INVALID_HANDLE;
  return endSession(svc, e, usr);
}

OCISIM_API_OCI8 sword OCILogon(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp, const OraText* username,
                               ub4 uname_len, const OraText* password, ub4 passwd_len, const OraText* dbname,
                               ub4 dbname_len) {
  OCISIM_ERR(errhp);
  Env* env = handleAs<Env>(envhp, OCI_HTYPE_ENV);
  if (env == nullptr || svchp == nullptr) return OCI_INVALID_HANDLE;
  SvcCtx* svc = nullptr;
  sword rc = logonInternal(env, e, &svc, argText(username, static_cast<sb4>(uname_len)),
                           argText(password, static_cast<sb4>(passwd_len)),
                           argText(dbname, static_cast<sb4>(dbname_len)));
  *svchp = reinterpret_cast<OCISvcCtx*>(svc);
  return rc;
}

OCISIM_API_OCI8 sword OCILogoff(OCISvcCtx* svchp, OCIError* errhp) {
  OCISIM_ERR(errhp);
  auto* svc = handleAs<SvcCtx>(svchp, OCI_HTYPE_SVCCTX);
  if (svc == nullptr) return OCI_INVALID_HANDLE;
  return logoffInternal(svc, e);
}

OCISIM_API_OCI8 sword OCIServerVersion(void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz, ub1 hndltype) {
  OCISIM_ERR(errhp);
  Server* srv = nullptr;
  if (hndltype == OCI_HTYPE_SERVER) {
    srv = handleAs<Server>(hndlp, OCI_HTYPE_SERVER);
    if (srv == nullptr) return OCI_INVALID_HANDLE;
  } else if (hndltype == OCI_HTYPE_SVCCTX) {
    auto* svc = handleAs<SvcCtx>(hndlp, OCI_HTYPE_SVCCTX);
    if (svc == nullptr) return OCI_INVALID_HANDLE;
    srv = svc->server;
  } else {
    return OCI_INVALID_HANDLE;
  }
  if (srv == nullptr || !srv->conn) return fail(e, 3114, "not connected to ORACLE");
  if (bufp == nullptr || bufsz == 0) return succeed(e);
  return guarded(e, [&] {
    std::string banner = srv->conn->versionBanner();
    size_t n = banner.size() < bufsz - 1 ? banner.size() : bufsz - 1;
    std::memcpy(bufp, banner.data(), n);
    bufp[n] = '\0';
    return succeed(e);
  });
}

OCISIM_API_OCI8 sword OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4 flags) {
  (void)flags;
  OCISIM_ERR(errhp);
  auto* svc = handleAs<SvcCtx>(svchp, OCI_HTYPE_SVCCTX);
  if (svc == nullptr) return OCI_INVALID_HANDLE;
  ocisim::Connection* conn = connectionOf(svc);
  if (conn == nullptr) return fail(e, 1012, "not logged on");
  return guarded(e, [&] {
    conn->commit();
    return succeed(e);
  });
}

OCISIM_API_OCI8 sword OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4 flags) {
  (void)flags;
  OCISIM_ERR(errhp);
  auto* svc = handleAs<SvcCtx>(svchp, OCI_HTYPE_SVCCTX);
  if (svc == nullptr) return OCI_INVALID_HANDLE;
  ocisim::Connection* conn = connectionOf(svc);
  if (conn == nullptr) return fail(e, 1012, "not logged on");
  return guarded(e, [&] {
    conn->rollback();
    return succeed(e);
  });
}

OCISIM_API_OCI8 sword OCIBreak(void* hndlp, OCIError* errhp) {
  OCISIM_ERR(errhp);
  Server* srv = handleAs<Server>(hndlp, OCI_HTYPE_SERVER);
  if (srv == nullptr) {
    auto* svc = handleAs<SvcCtx>(hndlp, OCI_HTYPE_SVCCTX);
    if (svc == nullptr) return OCI_INVALID_HANDLE;
    srv = svc->server;
  }
  if (srv == nullptr || !srv->conn) return fail(e, 3114, "not connected to ORACLE");
  return guarded(e, [&] {
    srv->conn->interrupt();
    return succeed(e);
  });
}
