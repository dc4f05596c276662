// Logon through the stand-in client: OCI8 attach and session, errors and
// their records, handles, OCI7 logon data areas and their conversions.
#include <atomic>
#include <thread>

#include "oci_client.h"

using namespace ocitest;

namespace {

class OciLogon : public ::testing::Test {
 protected:
  TempDatabase db;
  Client c;
  void SetUp() override { ASSERT_NE(c.lib, nullptr) << dlerror(); }
};

struct LogonCase {
  const char* name;
  const char* status;  // account state set before the logon
  const char* user;
  const char* password;
  const char* db;
  sword rc;
  sb4 code;
  const char* text;
};

const LogonCase kLogonCases[] = {
    {"ok", "OPEN", "scott", "tiger", "TESTDB", OCI_SUCCESS, 0, ""},
    {"user name in any case", "OPEN", "SCOTT", "tiger", "testdb", OCI_SUCCESS, 0, ""},
    {"wrong password", "OPEN", "scott", "TIGER", "TESTDB", OCI_ERROR, 1017,
     "ORA-01017: invalid username/password; logon denied"},
    {"unknown user", "OPEN", "nobody", "tiger", "TESTDB", OCI_ERROR, 1017,
     "ORA-01017: invalid username/password; logon denied"},
    {"unknown service", "OPEN", "scott", "tiger", "NOSUCHDB", OCI_ERROR, 12154,
     "ORA-12154: TNS:could not resolve the connect identifier specified"},
    {"locked", "LOCKED", "scott", "tiger", "TESTDB", OCI_ERROR, 28000, "ORA-28000: the account is locked"},
    {"expiring", "EXPIRING", "scott", "tiger", "TESTDB", OCI_SUCCESS_WITH_INFO, 28002,
     "ORA-28002: the password will expire within 7 days"},
};

TEST_F(OciLogon, SessionBeginAnswersLikeOracle) {
  for (const auto& t : kLogonCases) {
    SCOPED_TRACE(t.name);
    ocisim::setUserStatus(db.dir, "TESTDB", "scott", t.status);
    Session s(c, t.user, t.password, t.db);
    EXPECT_EQ(s.logonStatus, t.rc);
    sb4 code = -1;
    EXPECT_EQ(s.error(&code), t.text);
    EXPECT_EQ(code, t.code);
    // Logged on (with or without the warning): the session works.
    if (t.rc != OCI_ERROR) {
      EXPECT_EQ(s.run("create table t_" + std::to_string(&t - kLogonCases) + " (a number)"), OCI_SUCCESS)
          << s.error();
    }
  }
}

TEST_F(OciLogon, ServerVersionAnswersTheBanner) {
  ocisim::setVersionBanner(db.dir, "TESTDB",
                           "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production");
  {
    Session s(c);
    ASSERT_EQ(s.logonStatus, OCI_SUCCESS);
    char buf[501] = {0};
    ASSERT_EQ(c.OCIServerVersion(s.srv, s.err, reinterpret_cast<OraText*>(buf), sizeof buf, OCI_HTYPE_SERVER),
              OCI_SUCCESS);
    EXPECT_STREQ(buf, "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production");
    // A small buffer gets the banner cut, zero-terminated.
    char small[7];
    std::memset(small, 'x', sizeof small);
    ASSERT_EQ(c.OCIServerVersion(s.svc, s.err, reinterpret_cast<OraText*>(small), sizeof small, OCI_HTYPE_SVCCTX),
              OCI_SUCCESS);
    EXPECT_STREQ(small, "Oracle");
  }
  ocisim::setVersionBanner(db.dir, "TESTDB", "Oracle7 Server Release 7.3.4.0.0 - Production");
  Session old(c);
  ASSERT_EQ(old.logonStatus, OCI_SUCCESS);
  char buf[501] = {0};
  ASSERT_EQ(c.OCIServerVersion(old.srv, old.err, reinterpret_cast<OraText*>(buf), sizeof buf, OCI_HTYPE_SERVER),
            OCI_SUCCESS);
  EXPECT_STREQ(buf, "Oracle7 Server Release 7.3.4.0.0 - Production");
}

TEST_F(OciLogon, ErrorRecordIsClearedBySuccessAndKeptByWarnings) {
  Session s(c, "scott", "wrong");
  ASSERT_EQ(s.logonStatus, OCI_ERROR);
  EXPECT_FALSE(s.error().empty());
  // A second record does not exist.
  sb4 code = 0;
  char buf[64];
  EXPECT_EQ(c.OCIErrorGet(s.err, 2, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf, OCI_HTYPE_ERROR),
            OCI_NO_DATA);
  // The message is cut to the buffer and stays zero-terminated.
  char tiny[10];
  ASSERT_EQ(c.OCIErrorGet(s.err, 1, nullptr, &code, reinterpret_cast<OraText*>(tiny), sizeof tiny, OCI_HTYPE_ERROR),
            OCI_SUCCESS);
  EXPECT_STREQ(tiny, "ORA-01017");
  // Trying again with the right password succeeds and clears the record.
  c.OCIAttrSet(s.usr, OCI_HTYPE_SESSION, const_cast<char*>("tiger"), 5, OCI_ATTR_PASSWORD, s.err);
  ASSERT_EQ(c.OCISessionBegin(s.svc, s.err, s.usr, OCI_CRED_RDBMS, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(c.OCIErrorGet(s.err, 1, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf, OCI_HTYPE_ERROR),
            OCI_NO_DATA);
  EXPECT_EQ(s.error(), "");
}

TEST_F(OciLogon, ExternalCredentialsAndPrivilegedModesAreRefused) {
  Session s(c);
  ASSERT_EQ(s.logonStatus, OCI_SUCCESS);
  OCISession* other = nullptr;
  c.OCIHandleAlloc(s.env, reinterpret_cast<void**>(&other), OCI_HTYPE_SESSION, 0, nullptr);
  sb4 code = 0;
  EXPECT_EQ(c.OCISessionBegin(s.svc, s.err, other, OCI_CRED_EXT, OCI_DEFAULT), OCI_ERROR);
  s.error(&code);
  EXPECT_EQ(code, 1017);
  c.OCIAttrSet(other, OCI_HTYPE_SESSION, const_cast<char*>("scott"), 5, OCI_ATTR_USERNAME, s.err);
  c.OCIAttrSet(other, OCI_HTYPE_SESSION, const_cast<char*>("tiger"), 5, OCI_ATTR_PASSWORD, s.err);
  EXPECT_EQ(c.OCISessionBegin(s.svc, s.err, other, OCI_CRED_RDBMS, OCI_SYSDBA), OCI_ERROR);
  s.error(&code);
  EXPECT_EQ(code, 1031);
}

TEST_F(OciLogon, SessionBeginWithoutAttachAndDetachTwiceFail) {
  OCIEnv* env = nullptr;
  ASSERT_EQ(c.OCIEnvInit(&env, OCI_DEFAULT, 0, nullptr), OCI_SUCCESS);
  OCIError* err = nullptr;
  OCISvcCtx* svc = nullptr;
  OCIServer* srv = nullptr;
  OCISession* usr = nullptr;
  c.OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
  c.OCIHandleAlloc(env, reinterpret_cast<void**>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr);
  c.OCIHandleAlloc(env, reinterpret_cast<void**>(&srv), OCI_HTYPE_SERVER, 0, nullptr);
  c.OCIHandleAlloc(env, reinterpret_cast<void**>(&usr), OCI_HTYPE_SESSION, 0, nullptr);
  c.OCIAttrSet(svc, OCI_HTYPE_SVCCTX, srv, 0, OCI_ATTR_SERVER, err);
  EXPECT_EQ(c.OCISessionBegin(svc, err, usr, OCI_CRED_RDBMS, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(c.OCIServerDetach(srv, err, OCI_DEFAULT), OCI_ERROR);
  ASSERT_EQ(c.OCIServerAttach(srv, err, reinterpret_cast<const OraText*>("TESTDB"), 6, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(c.OCIServerDetach(srv, err, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(c.OCIServerDetach(srv, err, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(c.OCIHandleFree(env, OCI_HTYPE_ENV), OCI_SUCCESS);
}

TEST_F(OciLogon, WrongOrFreedHandlesAreInvalid) {
  Session s(c);
  ASSERT_EQ(s.logonStatus, OCI_SUCCESS);
  ub4 n = 0;
  // Null, wrong type, freed.
  EXPECT_EQ(c.OCIAttrGet(nullptr, OCI_HTYPE_STMT, &n, nullptr, OCI_ATTR_ROW_COUNT, s.err), OCI_INVALID_HANDLE);
  EXPECT_EQ(c.OCIAttrGet(s.svc, OCI_HTYPE_STMT, &n, nullptr, OCI_ATTR_ROW_COUNT, s.err), OCI_INVALID_HANDLE);
  EXPECT_EQ(c.OCIServerVersion(s.err, s.err, nullptr, 0, OCI_HTYPE_SERVER), OCI_INVALID_HANDLE);
  EXPECT_EQ(c.OCIStmtExecute(s.svc, nullptr, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_INVALID_HANDLE);
  EXPECT_EQ(c.OCIHandleAlloc(nullptr, reinterpret_cast<void**>(&n), OCI_HTYPE_ERROR, 0, nullptr),
            OCI_INVALID_HANDLE);
  OCIError* err2 = nullptr;
  c.OCIHandleAlloc(s.env, reinterpret_cast<void**>(&err2), OCI_HTYPE_ERROR, 0, nullptr);
  EXPECT_EQ(c.OCIHandleFree(err2, OCI_HTYPE_ERROR), OCI_SUCCESS);
  EXPECT_EQ(c.OCIHandleFree(s.err, OCI_HTYPE_STMT), OCI_INVALID_HANDLE);
  EXPECT_EQ(c.OCIErrorGet(nullptr, 1, nullptr, nullptr, nullptr, 0, OCI_HTYPE_ERROR), OCI_INVALID_HANDLE);
  // An attribute a handle does not have is an error, not a crash.
  EXPECT_EQ(c.OCIAttrGet(s.svc, OCI_HTYPE_SVCCTX, &n, nullptr, OCI_ATTR_ROW_COUNT, s.err), OCI_ERROR);
  EXPECT_EQ(s.error(), "ORA-24315: illegal attribute type");
}

TEST_F(OciLogon, ThreadsShareAnEnvironment) {
  OCIEnv* env = nullptr;
  ASSERT_EQ(c.OCIEnvCreate(&env, OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
            OCI_SUCCESS);
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 500; ++i) {
        OCIError* err = nullptr;
        OCIStmt* st = nullptr;
        if (c.OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr) != OCI_SUCCESS ||
            c.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr) != OCI_SUCCESS ||
            c.OCIHandleFree(st, OCI_HTYPE_STMT) != OCI_SUCCESS || c.OCIHandleFree(err, OCI_HTYPE_ERROR) != OCI_SUCCESS)
          ++failures;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(c.OCIHandleFree(env, OCI_HTYPE_ENV), OCI_SUCCESS);
}

TEST_F(OciLogon, AttributesReadBack) {
  Session s(c);
  ASSERT_EQ(s.logonStatus, OCI_SUCCESS);
  OCIServer* srv = nullptr;
  OCISession* usr = nullptr;
  OCIEnv* env = nullptr;
  ASSERT_EQ(c.OCIAttrGet(s.svc, OCI_HTYPE_SVCCTX, &srv, nullptr, OCI_ATTR_SERVER, s.err), OCI_SUCCESS);
  ASSERT_EQ(c.OCIAttrGet(s.svc, OCI_HTYPE_SVCCTX, &usr, nullptr, OCI_ATTR_SESSION, s.err), OCI_SUCCESS);
  ASSERT_EQ(c.OCIAttrGet(s.svc, OCI_HTYPE_SVCCTX, &env, nullptr, OCI_ATTR_ENV, s.err), OCI_SUCCESS);
  EXPECT_EQ(srv, s.srv);
  EXPECT_EQ(usr, s.usr);
  EXPECT_EQ(env, s.env);
  OraText* name = nullptr;
  ub4 len = 0;
  ASSERT_EQ(c.OCIAttrGet(s.usr, OCI_HTYPE_SESSION, &name, &len, OCI_ATTR_USERNAME, s.err), OCI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name), len), "scott");
}

TEST_F(OciLogon, SimpleLogonAndLogoff) {
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCISvcCtx* svc = nullptr;
  ASSERT_EQ(c.OCIEnvCreate(&env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr), OCI_SUCCESS);
  c.OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
  EXPECT_EQ(c.OCILogon(env, err, &svc, reinterpret_cast<const OraText*>("scott"), 5,
                       reinterpret_cast<const OraText*>("bad"), 3, reinterpret_cast<const OraText*>("TESTDB"), 6),
            OCI_ERROR);
  EXPECT_EQ(svc, nullptr);
  ASSERT_EQ(c.OCILogon(env, err, &svc, reinterpret_cast<const OraText*>("scott"), 5,
                       reinterpret_cast<const OraText*>("tiger"), 5, reinterpret_cast<const OraText*>("TESTDB"), 6),
            OCI_SUCCESS);
  ASSERT_NE(svc, nullptr);
  EXPECT_EQ(c.OCITransCommit(svc, err, 0), OCI_SUCCESS);
  EXPECT_EQ(c.OCILogoff(svc, err), OCI_SUCCESS);
  EXPECT_EQ(c.OCIHandleFree(env, OCI_HTYPE_ENV), OCI_SUCCESS);
}

TEST_F(OciLogon, UnimplementedCallsSayTheyAre) {
  Session s(c);
  ASSERT_EQ(s.logonStatus, OCI_SUCCESS);
  EXPECT_EQ(c.OCIPasswordChange(s.svc, s.err, reinterpret_cast<const OraText*>("scott"), 5,
                                reinterpret_cast<const OraText*>("tiger"), 5, reinterpret_cast<const OraText*>("x"), 1,
                                OCI_DEFAULT),
            OCI_ERROR);
  EXPECT_EQ(s.error(), "ORA-03001: unimplemented feature");
  EXPECT_EQ(c.OCITransStart(s.svc, s.err, 0, 0), OCI_ERROR);
  EXPECT_EQ(s.error(), "ORA-03001: unimplemented feature");
  Lda_Def lda{};
  EXPECT_NE(c.odessp(&lda, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            0);
  EXPECT_EQ(lda.rc, 3001);
}

// ---- OCI7 ------------------------------------------------------------------

std::string message7(Client& c, Lda_Def* lda, int rc) {
  char buf[512] = {0};
  c.oerhms(lda, static_cast<sb2>(rc), reinterpret_cast<OraText*>(buf), sizeof buf);
  return buf;
}

struct Logon7Case {
  const char* name;
  const char* connect;
  const char* password;  // null: not passed separately
  bool useOrlon;
  int rc;
  const char* text;
};

const Logon7Case kLogon7Cases[] = {
    {"olog with everything in the connect string", "scott/tiger@TESTDB", nullptr, false, 0, ""},
    {"separate password", "scott@TESTDB", "tiger", false, 0, ""},
    {"orlon", "scott/tiger@TESTDB", nullptr, true, 0, ""},
    {"wrong password", "scott/lion@TESTDB", nullptr, false, 1017, "ORA-01017: invalid username/password; logon denied"},
    {"unknown database", "scott/tiger@ELSEWHERE", nullptr, true, 12154,
     "ORA-12154: TNS:could not resolve the connect identifier specified"},
};

TEST_F(OciLogon, Oci7LogonSetsTheReturnCode) {
  for (const auto& t : kLogon7Cases) {
    SCOPED_TRACE(t.name);
    Lda_Def lda{};
    ub1 hda[256] = {0};
    auto* uid = reinterpret_cast<OraText*>(const_cast<char*>(t.connect));
    auto* pwd = reinterpret_cast<OraText*>(const_cast<char*>(t.password));
    sword rc = t.useOrlon ? c.orlon(&lda, hda, uid, -1, pwd, -1, 0)
                          : c.olog(&lda, hda, uid, -1, pwd, -1, nullptr, -1, 0);
    EXPECT_EQ(rc, t.rc);
    EXPECT_EQ(lda.rc, t.rc);
    EXPECT_EQ(lda.v2_rc, t.rc);
    if (t.rc != 0) {
      EXPECT_EQ(message7(c, &lda, t.rc), t.text);
      // A failed area can be logged on again.
      EXPECT_EQ(c.olog(&lda, hda, reinterpret_cast<OraText*>(const_cast<char*>("scott/tiger@TESTDB")), -1, nullptr,
                       -1, nullptr, -1, 0),
                0);
    }
    EXPECT_EQ(c.ocom(&lda), 0);
    EXPECT_EQ(c.ologof(&lda), 0);
    // Logged off: calls on the area answer "not logged on".
    EXPECT_EQ(c.ocom(&lda), 1012);
    EXPECT_EQ(message7(c, &lda, 1012), "ORA-01012: not logged on");
  }
}

TEST_F(OciLogon, Oci7MessagesForCodesWithoutARecord) {
  Lda_Def lda{};
  EXPECT_EQ(message7(c, &lda, 1403), "ORA-01403: no data found");
  EXPECT_EQ(message7(c, &lda, 0), "ORA-00000: normal, successful completion");
  EXPECT_EQ(message7(c, &lda, 4711), "ORA-04711: Message 4711 not found; product=RDBMS; facility=ORA");
}

TEST_F(OciLogon, LdaMadeFromAServiceContextRunsOci7CallsAndConvertsBack) {
  Session s(c);
  ASSERT_EQ(s.logonStatus, OCI_SUCCESS);
  Lda_Def lda;
  std::memset(&lda, 0x5A, sizeof lda);  // whatever the caller's memory held
  ASSERT_EQ(c.OCISvcCtxToLda(s.svc, s.err, &lda), OCI_SUCCESS);
  EXPECT_EQ(lda.rc, 0);
  Cda_Def cda{};
  ASSERT_EQ(c.oopen(&cda, &lda, nullptr, -1, -1, nullptr, -1), 0);
  ASSERT_EQ(c.oparse(&cda, reinterpret_cast<OraText*>(const_cast<char*>("create table lda_t (a number)")), -1, 1, 2),
            0);
  EXPECT_EQ(c.oexec(&cda), 0);
  EXPECT_EQ(c.oclose(&cda), 0);
  EXPECT_EQ(c.ocom(&lda), 0);
  OCISvcCtx* back = nullptr;
  ASSERT_EQ(c.OCILdaToSvcCtx(&back, s.err, &lda), OCI_SUCCESS);
  EXPECT_EQ(back, s.svc);
  // The OCI8 handles still work, and see the table made through the LDA.
  EXPECT_EQ(s.run("insert into lda_t values (1)"), OCI_SUCCESS) << s.error();
  EXPECT_EQ(c.OCISessionEnd(s.svc, s.err, s.usr, OCI_DEFAULT), OCI_SUCCESS);
  // A data area that was never made by the library is refused, not used.
  Lda_Def junk;
  std::memset(&junk, 0x77, sizeof junk);
  EXPECT_EQ(c.OCILdaToSvcCtx(&back, s.err, &junk), OCI_ERROR);
  EXPECT_EQ(c.ocom(&junk), 1012);
  // An area whose service context was freed with its environment is dead too.
  Lda_Def orphan{};
  ASSERT_EQ(c.OCISvcCtxToLda(s.svc, s.err, &orphan), OCI_ERROR);  // the session has ended
  {
    Session other(c);
    ASSERT_EQ(c.OCISvcCtxToLda(other.svc, other.err, &orphan), OCI_SUCCESS);
    ASSERT_EQ(c.oopen(&cda, &orphan, nullptr, -1, -1, nullptr, -1), 0);
  }
  EXPECT_EQ(c.ocom(&orphan), 1012);
  EXPECT_EQ(c.oexec(&cda), 1012);
  EXPECT_EQ(c.oclose(&cda), 0);
}

}  // namespace
