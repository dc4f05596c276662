// Environments, handles, descriptors, attributes and error records.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "oci/common.h"

namespace ocisim::oci {

bool Env::release(Handle* h) {
  std::lock_guard<std::recursive_mutex> guard(lock);
  for (auto it = children.begin(); it != children.end(); ++it) {
    if (it->get() == h) {
      // Nothing else may keep pointing at a handle that is gone.
      for (auto& c : children) {
        if (c->type == OCI_HTYPE_SVCCTX) {
          auto* svc = static_cast<SvcCtx*>(c.get());
          if (svc->server == h) svc->server = nullptr;
          if (svc->session == h) svc->session = nullptr;
        } else if (c->type == OCI_HTYPE_SESSION) {
          auto* s = static_cast<Session*>(c.get());
          if (s->server == h) s->server = nullptr;
        } else if (c->type == OCI_HTYPE_STMT && h->type == OCI_HTYPE_SERVER) {
          auto* st = static_cast<Stmt*>(c.get());
          auto* srv = static_cast<Server*>(h);
          if (srv->conn && st->parsedOn == srv->conn.get()) {
            st->st.reset();
            st->parsedOn = nullptr;
            st->cols = nullptr;
            st->open = false;
          }
        }
      }
      children.erase(it);
      return true;
    }
  }
  return false;
}

std::string oraText(int code, const std::string& text) {
  char prefix[24];
  std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
  return prefix + text;
}

sword fail(Error* e, int code, const std::string& text) {
  if (e) {
    e->rec.code = code;
    e->rec.text = oraText(code, text);
  }
  return OCI_ERROR;
}

sword fail(Error* e, const ocisim::OraError& x) {
  if (e) {
    e->rec.code = x.code();
    e->rec.text = x.what();
  }
  return OCI_ERROR;
}

sword warn(Error* e, int code, const std::string& fullText) {
  if (e) {
    e->rec.code = code;
    e->rec.text = fullText;
  }
  return OCI_SUCCESS_WITH_INFO;
}

sword unimplemented(OCIError* err) {
  auto* e = handleAs<Error>(err, OCI_HTYPE_ERROR);
  if (err != nullptr && e == nullptr) return OCI_INVALID_HANDLE;
  return fail(e, 3001, "unimplemented feature");
}

std::string argText(const void* p, sb4 len) {
  if (p == nullptr) return {};
  const char* s = static_cast<const char*>(p);
  if (len < 0) return std::string(s);
  return std::string(s, static_cast<size_t>(len));
}

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

ocisim::Connection* connectionOf(SvcCtx* svc) {
  if (svc == nullptr || svc->server == nullptr || !svc->server->conn) return nullptr;
  if (svc->session == nullptr || svc->session->server != svc->server) return nullptr;
  return svc->server->conn.get();
}

namespace {

Env* newEnv(ub4 mode, size_t xtramem, void** usrmempp) {
  auto* env = new Env(mode);
  if (xtramem > 0) {
    env->userMem.resize(xtramem);
    if (usrmempp) *usrmempp = env->userMem.data();
  }
  return env;
}

template <class T>
void writeAttr(void* attributep, ub4* sizep, T value) {
  std::memcpy(attributep, &value, sizeof value);
  if (sizep) *sizep = sizeof value;
}

void writeText(void* attributep, ub4* sizep, const std::string& s) {
  *static_cast<const char**>(attributep) = s.c_str();
  if (sizep) *sizep = static_cast<ub4>(s.size());
}

// Resolves the error handle argument: null is allowed (nothing is
// recorded), anything else must be a live error handle.
bool errorArg(OCIError* errhp, Error** out) {
  *out = handleAs<Error>(errhp, OCI_HTYPE_ERROR);
  return errhp == nullptr || *out != nullptr;
}

}  // namespace

}  // namespace ocisim::oci

using namespace ocisim::oci;

OCISIM_API_OCI8 sword OCIInitialize(ub4 mode, void* ctxp, OCIMallocFunc malocfp, OCIReallocFunc ralocfp,
                                    OCIFreeFunc mfreefp) {
  (void)mode, (void)ctxp, (void)malocfp, (void)ralocfp, (void)mfreefp;
  return OCI_SUCCESS;
}

OCISIM_API_OCI8 sword OCIEnvInit(OCIEnv** envp, ub4 mode, size_t xtramem_sz, void** usrmempp) {
  if (envp == nullptr) return OCI_INVALID_HANDLE;
  *envp = reinterpret_cast<OCIEnv*>(newEnv(mode, xtramem_sz, usrmempp));
  return OCI_SUCCESS;
}

OCISIM_API_OCI81 sword OCIEnvCreate(OCIEnv** envhpp, ub4 mode, const void* ctxp, OCIMallocFunc malocfp,
                                    OCIReallocFunc ralocfp, OCIFreeFunc mfreefp, size_t xtramemsz,
                                    void** usrmempp) {
  (void)ctxp, (void)malocfp, (void)ralocfp, (void)mfreefp;
  if (envhpp == nullptr) return OCI_INVALID_HANDLE;
  *envhpp = reinterpret_cast<OCIEnv*>(newEnv(mode, xtramemsz, usrmempp));
  return OCI_SUCCESS;
}

OCISIM_API_OCI8 sword OCIHandleAlloc(const void* parenth, void** hndlpp, ub4 type, size_t xtramem_sz,
                                     void** usrmempp) {
  Env* env = handleAs<Env>(parenth, OCI_HTYPE_ENV);
  if (env == nullptr || hndlpp == nullptr) return OCI_INVALID_HANDLE;
  Handle* h = nullptr;
  switch (type) {
    case OCI_HTYPE_ERROR: h = env->adopt(std::make_unique<Error>(env)); break;
    case OCI_HTYPE_SVCCTX: h = env->adopt(std::make_unique<SvcCtx>(env)); break;
    case OCI_HTYPE_STMT: h = env->adopt(std::make_unique<Stmt>(env)); break;
    case OCI_HTYPE_SERVER: h = env->adopt(std::make_unique<Server>(env)); break;
    case OCI_HTYPE_SESSION: h = env->adopt(std::make_unique<Session>(env)); break;
    case OCI_HTYPE_DESCRIBE:
    case OCI_HTYPE_TRANS: h = env->adopt(std::make_unique<Handle>(type, env)); break;
    default:
      env->rec.code = 24315;
      env->rec.text = oraText(24315, "illegal attribute type");
      return OCI_INVALID_HANDLE;
  }
  if (xtramem_sz > 0) {
    h->userMem.resize(xtramem_sz);
    if (usrmempp) *usrmempp = h->userMem.data();
  }
  *hndlpp = h;
  return OCI_SUCCESS;
}

OCISIM_API_OCI8 sword OCIHandleFree(void* hndlp, ub4 type) {
  if (type == OCI_HTYPE_ENV) {
    Env* env = handleAs<Env>(hndlp, OCI_HTYPE_ENV);
    if (env == nullptr) return OCI_INVALID_HANDLE;
    // Statements go before the servers whose connections they were parsed on.
    for (auto& c : env->children)
      if (c->type == OCI_HTYPE_STMT) c.reset();
    env->children.clear();
    delete env;
    return OCI_SUCCESS;
  }
  Handle* h = handleAs<Handle>(hndlp, type);
  if (h == nullptr) return OCI_INVALID_HANDLE;
  // Binds and defines belong to their statement and go with it.
  if (type == OCI_HTYPE_BIND || type == OCI_HTYPE_DEFINE) return OCI_SUCCESS;
  return h->env->release(h) ? OCI_SUCCESS : OCI_INVALID_HANDLE;
}

OCISIM_API_OCI8 sword OCIDescriptorAlloc(const void* parenth, void** descpp, ub4 type, size_t xtramem_sz,
                                         void** usrmempp) {
  Env* env = handleAs<Env>(parenth, OCI_HTYPE_ENV);
  if (env == nullptr || descpp == nullptr) return OCI_INVALID_HANDLE;
  Handle* h = nullptr;
  switch (type) {
    case OCI_DTYPE_LOB:
    case OCI_DTYPE_FILE: {
      auto loc = std::make_unique<LobLocator>(type, env);
      loc->lobType = type == OCI_DTYPE_FILE ? SQLT_BFILEE : SQLT_BLOB;
      h = env->adopt(std::move(loc));
      break;
    }
    case OCI_DTYPE_PARAM: h = env->adopt(std::make_unique<Param>(env)); break;
    case OCI_DTYPE_TIMESTAMP:
    case OCI_DTYPE_TIMESTAMP_TZ:
    case OCI_DTYPE_TIMESTAMP_LTZ:
    case OCI_DTYPE_INTERVAL_YM:
    case OCI_DTYPE_INTERVAL_DS: h = env->adopt(std::make_unique<DateTimeDesc>(type, env)); break;
    case OCI_DTYPE_SNAP:
    case OCI_DTYPE_ROWID: h = env->adopt(std::make_unique<Handle>(type, env)); break;
    default: return OCI_INVALID_HANDLE;
  }
  if (xtramem_sz > 0) {
    h->userMem.resize(xtramem_sz);
    if (usrmempp) *usrmempp = h->userMem.data();
  }
  *descpp = h;
  return OCI_SUCCESS;
}

OCISIM_API_OCI8 sword OCIDescriptorFree(void* descp, ub4 type) {
  Handle* h = handleAs<Handle>(descp, type);
  if (h == nullptr) return OCI_INVALID_HANDLE;
  // Describe parameters and the locators a fetch made belong to their
  // statement; freeing them here would leave the statement pointing at them.
  if (type == OCI_DTYPE_PARAM && static_cast<Param*>(h)->ownedByStmt) return OCI_SUCCESS;
  if ((type == OCI_DTYPE_LOB || type == OCI_DTYPE_FILE) && static_cast<LobLocator*>(h)->ownedByStmt)
    return OCI_SUCCESS;
  return h->env->release(h) ? OCI_SUCCESS : OCI_INVALID_HANDLE;
}

OCISIM_API_OCI8 sword OCIErrorGet(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep, OraText* bufp,
                                  ub4 bufsiz, ub4 type) {
  (void)sqlstate;  // not supported since release 8
  const ErrorRecord* rec = nullptr;
  if (type == OCI_HTYPE_ERROR) {
    auto* e = handleAs<Error>(hndlp, OCI_HTYPE_ERROR);
    if (e == nullptr) return OCI_INVALID_HANDLE;
    rec = &e->rec;
  } else if (type == OCI_HTYPE_ENV) {
    auto* env = handleAs<Env>(hndlp, OCI_HTYPE_ENV);
    if (env == nullptr) return OCI_INVALID_HANDLE;
    rec = &env->rec;
  } else {
    return OCI_INVALID_HANDLE;
  }
  if (recordno != 1 || rec->empty()) return OCI_NO_DATA;
  if (errcodep) *errcodep = rec->code;
  if (bufp && bufsiz > 0) {
    size_t n = std::min<size_t>(rec->text.size(), bufsiz - 1);
    std::memcpy(bufp, rec->text.data(), n);
    bufp[n] = '\0';
  }
  return OCI_SUCCESS;
}

OCISIM_API_OCI8 sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep,
                                 ub4 attrtype, OCIError* errhp) {
  Error* e = nullptr;
  if (!errorArg(errhp, &e)) return OCI_INVALID_HANDLE;
  Handle* h = handleAs<Handle>(trgthndlp, trghndltyp);
  if (h == nullptr || attributep == nullptr) return OCI_INVALID_HANDLE;
  if (attrtype == OCI_ATTR_ENV && trghndltyp < OCI_DTYPE_LOB) {
    writeAttr(attributep, sizep, reinterpret_cast<OCIEnv*>(h->env));
    return succeed(e);
  }
  switch (trghndltyp) {
    case OCI_HTYPE_SVCCTX: {
      auto* svc = static_cast<SvcCtx*>(h);
      if (attrtype == OCI_ATTR_SERVER) {
        writeAttr(attributep, sizep, reinterpret_cast<OCIServer*>(svc->server));
        return succeed(e);
      }
      if (attrtype == OCI_ATTR_SESSION) {
        writeAttr(attributep, sizep, reinterpret_cast<OCISession*>(svc->session));
        return succeed(e);
      }
      break;
    }
    case OCI_HTYPE_SESSION: {
      auto* s = static_cast<Session*>(h);
      if (attrtype == OCI_ATTR_USERNAME) {
        writeText(attributep, sizep, s->user);
        return succeed(e);
      }
      break;
    }
    case OCI_HTYPE_STMT: {
      auto* st = static_cast<Stmt*>(h);
      switch (attrtype) {
        case OCI_ATTR_STMT_TYPE: writeAttr<ub2>(attributep, sizep, st->stmtType); return succeed(e);
        case OCI_ATTR_ROW_COUNT: writeAttr<ub4>(attributep, sizep, st->rowCount); return succeed(e);
        case OCI_ATTR_ROWS_FETCHED: writeAttr<ub4>(attributep, sizep, st->rowsFetched); return succeed(e);
        case OCI_ATTR_SQLFNCODE: writeAttr<ub2>(attributep, sizep, st->fnCode); return succeed(e);
        case OCI_ATTR_PREFETCH_ROWS: writeAttr<ub4>(attributep, sizep, st->prefetchRows); return succeed(e);
        case OCI_ATTR_PREFETCH_MEMORY: writeAttr<ub4>(attributep, sizep, st->prefetchMemory); return succeed(e);
        case OCI_ATTR_PARAM_COUNT:
          if (st->cols == nullptr && st->stmtType == OCI_STMT_SELECT)
            return fail(e, 24338, "statement handle not executed");
          writeAttr<ub4>(attributep, sizep, st->cols ? static_cast<ub4>(st->cols->size()) : 0);
          return succeed(e);
        default: break;
      }
      break;
    }
    case OCI_DTYPE_PARAM: {
      const ocisim::ColumnInfo& c = static_cast<Param*>(h)->col;
      bool character = c.type == ocisim::SqlType::Varchar2 || c.type == ocisim::SqlType::Char;
      switch (attrtype) {
        case OCI_ATTR_DATA_SIZE: writeAttr<ub2>(attributep, sizep, static_cast<ub2>(c.size)); return succeed(e);
        case OCI_ATTR_DATA_TYPE: writeAttr<ub2>(attributep, sizep, static_cast<ub2>(c.type)); return succeed(e);
        case OCI_ATTR_DISP_SIZE: writeAttr<ub2>(attributep, sizep, static_cast<ub2>(c.size)); return succeed(e);
        case OCI_ATTR_NAME: writeText(attributep, sizep, c.name); return succeed(e);
        // Select-list precision is a signed two-byte value since release 8.1.
        case OCI_ATTR_PRECISION: writeAttr<sb2>(attributep, sizep, static_cast<sb2>(c.precision)); return succeed(e);
        case OCI_ATTR_SCALE: writeAttr<sb1>(attributep, sizep, static_cast<sb1>(c.scale)); return succeed(e);
        case OCI_ATTR_IS_NULL: writeAttr<ub1>(attributep, sizep, c.nullable ? 1 : 0); return succeed(e);
        case OCI_ATTR_CHAR_USED: writeAttr<ub1>(attributep, sizep, c.charUsed ? 1 : 0); return succeed(e);
        // 2 (SQLCS_NCHAR) for NCHAR, NVARCHAR2 and NCLOB, 1 (SQLCS_IMPLICIT) otherwise.
        case OCI_ATTR_CHARSET_FORM: writeAttr<ub1>(attributep, sizep, c.national ? 2 : 1); return succeed(e);
        case OCI_ATTR_CHAR_SIZE:
          writeAttr<ub2>(attributep, sizep, static_cast<ub2>(character ? c.size : 0));
          return succeed(e);
        case OCI_ATTR_TYPE_NAME: writeText(attributep, sizep, c.typeName); return succeed(e);
        case OCI_ATTR_SCHEMA_NAME: writeText(attributep, sizep, c.typeSchema); return succeed(e);
        default: break;
      }
      break;
    }
    default: break;
  }
  return fail(e, 24315, "illegal attribute type");
}

OCISIM_API_OCI8 sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size, ub4 attrtype,
                                 OCIError* errhp) {
  Error* e = nullptr;
  if (!errorArg(errhp, &e)) return OCI_INVALID_HANDLE;
  Handle* h = handleAs<Handle>(trgthndlp, trghndltyp);
  if (h == nullptr) return OCI_INVALID_HANDLE;
  switch (trghndltyp) {
    case OCI_HTYPE_SVCCTX: {
      auto* svc = static_cast<SvcCtx*>(h);
      if (attrtype == OCI_ATTR_SERVER) {
        auto* srv = handleAs<Server>(attributep, OCI_HTYPE_SERVER);
        if (attributep != nullptr && srv == nullptr) return OCI_INVALID_HANDLE;
        svc->server = srv;
        return succeed(e);
      }
      if (attrtype == OCI_ATTR_SESSION) {
        auto* s = handleAs<Session>(attributep, OCI_HTYPE_SESSION);
        if (attributep != nullptr && s == nullptr) return OCI_INVALID_HANDLE;
        svc->session = s;
        return succeed(e);
      }
      break;
    }
    case OCI_HTYPE_SESSION: {
      auto* s = static_cast<Session*>(h);
      if (attrtype == OCI_ATTR_USERNAME) {
        s->user = argText(attributep, static_cast<sb4>(size));
        return succeed(e);
      }
      if (attrtype == OCI_ATTR_PASSWORD) {
        s->password = argText(attributep, static_cast<sb4>(size));
        return succeed(e);
      }
      break;
    }
    case OCI_HTYPE_STMT: {
      auto* st = static_cast<Stmt*>(h);
      // Prefetching is accepted and ignored: the stand-in has no round trips to save.
      if (attrtype == OCI_ATTR_PREFETCH_ROWS && attributep) {
        std::memcpy(&st->prefetchRows, attributep, sizeof(ub4));
        return succeed(e);
      }
      if (attrtype == OCI_ATTR_PREFETCH_MEMORY && attributep) {
        std::memcpy(&st->prefetchMemory, attributep, sizeof(ub4));
        return succeed(e);
      }
      break;
    }
    default: break;
  }
  return fail(e, 24315, "illegal attribute type");
}
