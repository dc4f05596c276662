// Test support: the stand-in client library loaded with dlopen, a database
// in a temporary folder, and small helpers around the OCI8 calls.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "oracle/oci.h"

namespace ocitest {

// Every entry point, resolved by name; null where the library lacks it.
struct Client {
  void* lib = nullptr;
#define OCITEST_MEMBER(name, ret, params) name##_fn name = nullptr;
  OCI7_ENTRY_POINTS(OCITEST_MEMBER)
  OCI7_LOGON_ENTRY_POINTS(OCITEST_MEMBER)
  OCI7_PINIT_ENTRY_POINTS(OCITEST_MEMBER)
  OCI8_ENTRY_POINTS(OCITEST_MEMBER)
  OCI81_ENTRY_POINTS(OCITEST_MEMBER)
#undef OCITEST_MEMBER

  explicit Client(const std::string& file = "libocisim.so") {
    std::string path = std::string(TARLOW_LIB_DIR) + "/" + file;
    lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) return;
#define OCITEST_BIND(name, ret, params) name = reinterpret_cast<name##_fn>(dlsym(lib, #name));
    OCI7_ENTRY_POINTS(OCITEST_BIND)
    OCI7_LOGON_ENTRY_POINTS(OCITEST_BIND)
    OCI7_PINIT_ENTRY_POINTS(OCITEST_BIND)
    OCI8_ENTRY_POINTS(OCITEST_BIND)
    OCI81_ENTRY_POINTS(OCITEST_BIND)
#undef OCITEST_BIND
  }
  ~Client() {
    if (lib) dlclose(lib);
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;
};

// A database TESTDB with user SCOTT/tiger in a folder of its own, named by
// OCISIM_DATA for the library.
struct TempDatabase {
  std::string dir;
  TempDatabase() {
    char tmpl[] = "/tmp/ocisim-oci-XXXXXX";
    dir = mkdtemp(tmpl);
    setenv("OCISIM_DATA", dir.c_str(), 1);
    ocisim::createDatabase(dir, "TESTDB");
    ocisim::addUser(dir, "TESTDB", "scott", "tiger");
  }
  ~TempDatabase() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

// The text of an error handle's first record, or "" when it has none.
inline std::string errorText(Client& c, OCIError* err, sb4* code = nullptr) {
  char buf[1024] = {0};
  sb4 errcode = 0;
  sword rc = c.OCIErrorGet(err, 1, nullptr, &errcode, reinterpret_cast<OraText*>(buf), sizeof buf, OCI_HTYPE_ERROR);
  if (code) *code = rc == OCI_SUCCESS ? errcode : 0;
  return rc == OCI_SUCCESS ? std::string(buf) : std::string();
}

// Logs on to TESTDB the OCI7 way and opens one cursor; 0 when both worked.
inline sword logon7(Client& c, Lda_Def& lda, ub1* hda, Cda_Def& cda) {
  sword rc = c.olog(&lda, hda, reinterpret_cast<OraText*>(const_cast<char*>("scott/tiger@TESTDB")), -1, nullptr, -1,
                    nullptr, -1, 0);
  return rc != 0 ? rc : c.oopen(&cda, &lda, nullptr, -1, -1, nullptr, -1);
}
inline void logoff7(Client& c, Lda_Def& lda, Cda_Def& cda) {
  c.oclose(&cda);
  c.ologof(&lda);
}

// An OCI8 session on TESTDB, logged on the long way (attach, session begin).
struct Session {
  Client& c;
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCISvcCtx* svc = nullptr;
  OCIServer* srv = nullptr;
  OCISession* usr = nullptr;
  sword logonStatus = OCI_ERROR;

  explicit Session(Client& client, const std::string& user = "scott", const std::string& password = "tiger",
                   const std::string& db = "TESTDB")
      : c(client) {
    c.OCIEnvCreate(&env, OCI_OBJECT, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    c.OCIHandleAlloc(env, reinterpret_cast<void**>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr);
    c.OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
    c.OCIHandleAlloc(env, reinterpret_cast<void**>(&srv), OCI_HTYPE_SERVER, 0, nullptr);
    c.OCIHandleAlloc(env, reinterpret_cast<void**>(&usr), OCI_HTYPE_SESSION, 0, nullptr);
    logonStatus = c.OCIServerAttach(srv, err, reinterpret_cast<const OraText*>(db.data()),
                                    static_cast<sb4>(db.size()), OCI_DEFAULT);
    if (logonStatus != OCI_SUCCESS) return;
    c.OCIAttrSet(svc, OCI_HTYPE_SVCCTX, srv, 0, OCI_ATTR_SERVER, err);
    c.OCIAttrSet(svc, OCI_HTYPE_SVCCTX, usr, 0, OCI_ATTR_SESSION, err);
    c.OCIAttrSet(usr, OCI_HTYPE_SESSION, const_cast<char*>(user.data()), static_cast<ub4>(user.size()),
                 OCI_ATTR_USERNAME, err);
    c.OCIAttrSet(usr, OCI_HTYPE_SESSION, const_cast<char*>(password.data()), static_cast<ub4>(password.size()),
                 OCI_ATTR_PASSWORD, err);
    logonStatus = c.OCISessionBegin(svc, err, usr, OCI_CRED_RDBMS, OCI_DEFAULT);
  }
  ~Session() {
    if (env) c.OCIHandleFree(env, OCI_HTYPE_ENV);
  }
  std::string error(sb4* code = nullptr) { return errorText(c, err, code); }

  // A statement handle prepared with sql.
  OCIStmt* prepare(const std::string& sql) {
    OCIStmt* st = nullptr;
    c.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    c.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(sql.data()), static_cast<ub4>(sql.size()),
                     OCI_NTV_SYNTAX, OCI_DEFAULT);
    return st;
  }
  // Runs a statement without binds; returns the execute status.
  sword run(const std::string& sql, ub4 iters = 1) {
    OCIStmt* st = prepare(sql);
    sword rc = c.OCIStmtExecute(svc, st, err, iters, 0, nullptr, nullptr, OCI_DEFAULT);
    c.OCIHandleFree(st, OCI_HTYPE_STMT);
    return rc;
  }
};

}  // namespace ocitest
