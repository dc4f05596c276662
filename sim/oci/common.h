// The stand-in client library's handles and the helpers every entry point
// shares: handle validation, error records, the OCI7 data areas.
//
// Each handle is a C++ object whose first member is a magic number and its
// handle type, so that a null pointer, a freed handle or a handle of the
// wrong type is answered with OCI_INVALID_HANDLE instead of being used.
// Handles allocated on an environment belong to it and are freed with it;
// defines, binds and describe parameters belong to their statement.
#pragma once

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "oci/api.h"
#include "oracle/oci.h"

namespace ocisim::oci {

constexpr ub4 kHandleMagic = 0x0C15A11Du;
constexpr ub4 kCursorMagic = 0x0C15C7D7u;

struct Env;
struct Stmt;

struct Handle {
  ub4 magic = kHandleMagic;
  ub4 type;
  Env* env;
  std::vector<char> userMem;  // the caller's extra memory (xtramem_sz)

  Handle(ub4 t, Env* e) : type(t), env(e) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  virtual ~Handle() { magic = 0; }
};

// The handle behind p when it is a live handle of the given type, else null.
template <class T>
T* handleAs(const void* p, ub4 type) {
  if (p == nullptr) return nullptr;
  auto* h = static_cast<Handle*>(const_cast<void*>(p));
  if (h->magic != kHandleMagic || h->type != type) return nullptr;
  return static_cast<T*>(h);
}

// The last error (or warning) that a call reported through an error handle.
struct ErrorRecord {
  int code = 0;
  std::string text;  // the whole message, "ORA-01017: invalid username/password; logon denied"
  bool empty() const { return code == 0 && text.empty(); }
  void clear() {
    code = 0;
    text.clear();
  }
};

struct Error : Handle {
  ErrorRecord rec;
  explicit Error(Env* e) : Handle(OCI_HTYPE_ERROR, e) {}
};

struct Env : Handle {
  ub4 mode;
  ErrorRecord rec;  // failures of calls that take no error handle
  std::vector<std::unique_ptr<Handle>> children;
  // Threads sharing the environment allocate and free handles at once.
  std::recursive_mutex lock;
  explicit Env(ub4 m) : Handle(OCI_HTYPE_ENV, this), mode(m) {}

  // Takes ownership of a new child handle and returns it.
  template <class T>
  T* adopt(std::unique_ptr<T> h) {
    T* raw = h.get();
    std::lock_guard<std::recursive_mutex> guard(lock);
    children.push_back(std::move(h));
    return raw;
  }
  // Frees a child; false when it is not one of this environment's.
  bool release(Handle* h);
};

struct Server : Handle {
  std::unique_ptr<ocisim::Connection> conn;
  std::string service;
  explicit Server(Env* e) : Handle(OCI_HTYPE_SERVER, e) {}
};

struct Session : Handle {
  std::string user;
  std::string password;
  Server* server = nullptr;  // the server it is logged on to, null when not logged on
  explicit Session(Env* e) : Handle(OCI_HTYPE_SESSION, e) {}
};

struct SvcCtx : Handle {
  Server* server = nullptr;
  Session* session = nullptr;
  // OCILogon made the server and session handles and OCILogoff frees them.
  bool ownsLogon = false;
  // olog/orlon made the whole environment; ologof frees it.
  bool ownedByLda = false;
  bool autoCommit = false;          // ocon / ocof
  ErrorRecord last7;                // the last OCI7 error on this connection, for oerhms
  explicit SvcCtx(Env* e) : Handle(OCI_HTYPE_SVCCTX, e) {}
  ~SvcCtx() override;  // an OCI7 data area naming it stops doing so
};

// A select-list column as OCIParamGet hands it out.
struct Param : Handle {
  ocisim::ColumnInfo col;
  bool ownedByStmt = false;
  explicit Param(Env* e) : Handle(OCI_DTYPE_PARAM, e) {}
};

// A LOB or BFILE locator.  The stand-in keeps the whole value in the
// locator: a fetch copies the column's value into it.
struct LobLocator : Handle {
  ub2 lobType = SQLT_BLOB;  // SQLT_CLOB, SQLT_BLOB or SQLT_BFILEE
  bool initialized = false;
  bool fileOpen = false;
  std::string data;         // UTF-8 text for a CLOB, bytes otherwise
  bool ownedByStmt = false;
  LobLocator(ub4 dtype, Env* e) : Handle(dtype, e) {}
};

// A TIMESTAMP [WITH [LOCAL] TIME ZONE] or INTERVAL descriptor (OCIDateTime,
// OCIInterval): the value in the engine's text form (see Value).
struct DateTimeDesc : Handle {
  ocisim::Value value;
  DateTimeDesc(ub4 dtype, Env* e) : Handle(dtype, e) {}
};
// Whether an external type is one that a define fills through such a
// descriptor, and the descriptor type it takes.
bool isDateTimeType(ub2 dty);
ub4 descriptorTypeOf(ub2 dty);

struct Define : Handle {
  Stmt* stmt;
  ub4 pos = 0;
  void* buf = nullptr;
  sb4 size = 0;
  ub2 dty = 0;
  sb2* ind = nullptr;
  ub2* rlen = nullptr;
  ub2* rcode = nullptr;
  ub4 mode = OCI_DEFAULT;
  ub4 bufSkip = 0, indSkip = sizeof(sb2), rlenSkip = sizeof(ub2), rcodeSkip = sizeof(ub2);
  void* cbctx = nullptr;
  OCICallbackDefine cb = nullptr;
  Define(Env* e, Stmt* s) : Handle(OCI_HTYPE_DEFINE, e), stmt(s) {}
};

struct Bind : Handle {
  Stmt* stmt;
  std::string name;  // upper case without the colon; empty for a bind by position
  ub4 pos = 0;
  void* buf = nullptr;
  sb4 size = 0;
  ub2 dty = 0;
  sb2* ind = nullptr;
  ub2* alen = nullptr;
  ub2* rcode = nullptr;
  ub4 maxarr = 0;       // PL/SQL table: its capacity; 0 for a plain or array bind
  ub4* curele = nullptr;
  ub4 bufSkip = 0, indSkip = sizeof(sb2), alenSkip = sizeof(ub2), rcodeSkip = sizeof(ub2);
  Bind(Env* e, Stmt* s) : Handle(OCI_HTYPE_BIND, e), stmt(s) {}
};

struct Stmt : Handle {
  std::string sql;
  bool prepared = false;
  ub2 stmtType = OCI_STMT_UNKNOWN;
  ub2 fnCode = 0;
  // The engine's statement, parsed on the connection of the first execute.
  std::unique_ptr<ocisim::Statement> st;
  ocisim::Connection* parsedOn = nullptr;
  const std::vector<ocisim::ColumnInfo>* cols = nullptr;  // after describe
  bool open = false;       // an executed select with rows left to fetch
  bool exhausted = false;  // the select has returned its last row
  ub4 rowCount = 0;        // rows fetched since execute, or rows a DML changed
  ub4 rowsFetched = 0;     // rows the last fetch returned
  bool oci7 = false;       // the statement of an OCI7 cursor
  ub2 lastInfoCode = 0;    // 1405 or 1406 when the last fetch cut or missed a value
  ub4 prefetchRows = 1, prefetchMemory = 0;
  std::vector<ocisim::Value> row;  // the last row fetched
  std::vector<std::unique_ptr<Define>> defines;  // index = position - 1
  std::vector<std::unique_ptr<Bind>> binds;
  std::vector<std::unique_ptr<Param>> params;    // index = position - 1
  std::vector<std::unique_ptr<LobLocator>> lobs; // locators the fetch made itself
  explicit Stmt(Env* e) : Handle(OCI_HTYPE_STMT, e) {}
};

// ---- error records ------------------------------------------------------
// "ORA-nnnnn: " followed by the text.
std::string oraText(int code, const std::string& text);
sword fail(Error* e, int code, const std::string& text);
sword fail(Error* e, const ocisim::OraError& x);
sword warn(Error* e, int code, const std::string& fullText);
inline sword succeed(Error* e) {
  if (e) e->rec.clear();
  return OCI_SUCCESS;
}
// The statement behind an OCI7 cursor data area (a cursor variable bound
// with SQLT_CUR); null when the area is no open cursor.
Stmt* stmtOfCursorArea(void* cda);

// The record of entry points that are not implemented.
sword unimplemented(OCIError* err);
sword unimplemented7(Cda_Def* cda);

// Runs body, turning escaping exceptions into error records: OraError as
// the engine raised it, anything else as an internal error.  Nothing
// escapes to the caller's C code.
template <class F>
sword guarded(Error* e, F&& body) {
  try {
    return body();
  } catch (const ocisim::OraError& x) {
    return fail(e, x);
  } catch (const std::bad_alloc&) {
    return fail(e, 4030, "out of process memory when trying to allocate memory");
  } catch (const std::exception& x) {
    return fail(e, 600, std::string("internal error code, arguments: [ocisim], [") + x.what() + "]");
  }
}

// Text of a length-counted or (negative length) zero-terminated argument.
std::string argText(const void* p, sb4 len);

// The connection of a service context whose session is logged on, or null.
ocisim::Connection* connectionOf(SvcCtx* svc);

// ---- internal forms of the calls the OCI7 layer builds on ------------------
sword logonInternal(Env* env, Error* err, SvcCtx** svcOut, const std::string& user,
                    const std::string& password, const std::string& db);
sword logoffInternal(SvcCtx* svc, Error* err);
sword prepareInternal(Stmt* st, Error* err, const std::string& sql);
sword executeInternal(SvcCtx* svc, Stmt* st, Error* err, ub4 iters, ub4 rowoff, ub4 mode);
sword fetchInternal(Stmt* st, Error* err, ub4 nrows);
Define* defineInternal(Stmt* st, ub4 pos);
Bind* bindInternal(Stmt* st, const std::string& name, ub4 pos);
sword defineCommon(Stmt* st, OCIDefine** defnp, Error* e, ub4 position, void* valuep, sb4 value_sz, ub2 dty,
                   void* indp, ub2* rlenp, ub2* rcodep, ub4 mode);
sword bindCommon(Stmt* st, OCIBind** bindp, Error* e, const std::string& name, ub4 position, void* valuep,
                 sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len, ub4* curelep);
bool unsupportedType(ub2 dty);
// A placeholder name as the engine reports it: no colon, upper case unless quoted.
std::string placeholderName(std::string name);
sword endSessionInternal(SvcCtx* svc, Error* err, Session* usr);
// Ensures the engine statement is parsed and, for a select, described.
sword describeInternal(SvcCtx* svc, Stmt* st, Error* err);

// Upper-case ASCII.
std::string upper(std::string s);

}  // namespace ocisim::oci
