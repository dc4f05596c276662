#include "support_query_db.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

#ifdef TARLOW_HAVE_ENGINE
#include "engine/engine.h"
#endif
#include <cstring>
#include "oracle/query.h"
#include "platform/locale_formats.h"

namespace query_test {

namespace {

std::string MakeTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarlow-query-XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back(0);
  if (!::mkdtemp(buf.data())) return "";
  return buf.data();
}

}  // namespace

StandInDb::StandInDb(bool oci7) : oci7_(oci7) {
  std::string lib = std::string(TARLOW_LIB_DIR) + "/libocisim.so";
  if (!std::filesystem::exists(lib)) {
    skipReason_ = "the stand-in client library " + lib + " has not been built";
    return;
  }
  dir_ = MakeTempDir();
  if (dir_.empty()) {
    skipReason_ = "mkdtemp failed";
    return;
  }
  ::setenv("OCISIM_DATA", dir_.c_str(), 1);
#ifdef TARLOW_HAVE_ENGINE
  try {
    ocisim::createDatabase(dir_, "TESTDB");
    ocisim::addUser(dir_, "TESTDB", "SCOTT", "TIGER");
  } catch (const std::exception& e) {
    skipReason_ = std::string("the stand-in engine cannot create a database: ") + e.what();
    return;
  }
#else
  skipReason_ = "the stand-in engine is not part of this build";
  return;
#endif
  oci::ResetLoader();
  oci::SetOCIDLL(lib);
  session_ = std::make_unique<TOracleSession>();
  session_->Preferences().SetUseOCI7(oci7);
  session_->SetLogonDatabase("TESTDB");
  session_->SetLogonUsername("SCOTT");
  session_->SetLogonPassword("TIGER");
  try {
    session_->SetConnected(true);
  } catch (const std::exception& e) {
    skipReason_ = std::string("cannot log on to the stand-in: ") + e.what();
    return;
  }
  if (session_->OCI8Mode() == oci7) skipReason_ = "the session did not take the asked mode";
}

StandInDb::~StandInDb() {
  if (session_) {
    try {
      session_->SetConnected(false);
    } catch (...) {
    }
    session_.reset();
  }
  if (!dir_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
}

void StandInDb::Exec(const std::string& sql) {
  TOracleQuery q(session_.get());
  q.SetSQLText(sql);
  q.Execute();
}

void StandInDb::Table(const std::string& createSql, const std::string& table,
                      const std::vector<std::string>& rows) {
  Exec(createSql);
  TOracleQuery q(session_.get());
  for (const auto& r : rows) {
    q.SetSQLText("insert into " + table + " values (" + r + ")");
    q.Execute();
  }
}

// ---------------------------------------------------------------------------
// Counting entry points

namespace {

oci::Api g_counting;
oci::Api g_real;
CallCounts g_counts;

sword CountPrepare(OCIStmt* s, OCIError* e, const OraText* t, ub4 l, ub4 lang, ub4 mode) {
  ++g_counts.prepares;
  g_counts.texts.emplace_back(reinterpret_cast<const char*>(t), l);
  return g_real.OCIStmtPrepare(s, e, t, l, lang, mode);
}

sword CountExecute(OCISvcCtx* svc, OCIStmt* s, OCIError* e, ub4 iters, ub4 off, const OCISnapshot* a,
                   OCISnapshot* b, ub4 mode) {
  ++g_counts.executes;
  if (iters > 0 && !(mode & OCI_DESCRIBE_ONLY)) {
    // An execute of a select with rows asked brings the first buffer.
    ub2 type = 0;
    g_real.OCIAttrGet(s, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, nullptr);
    if (type == OCI_STMT_SELECT) ++g_counts.roundTrips;
  }
  return g_real.OCIStmtExecute(svc, s, e, iters, off, a, b, mode);
}

sword CountFetch(OCIStmt* s, OCIError* e, ub4 n, ub2 o, ub4 m) {
  ++g_counts.roundTrips;
  return g_real.OCIStmtFetch(s, e, n, o, m);
}

sword CountOparse(Cda_Def* c, OraText* t, sb4 l, sword d, ub4 f) {
  ++g_counts.prepares;
  g_counts.texts.emplace_back(reinterpret_cast<const char*>(t), l < 0 ? std::strlen((const char*)t) : size_t(l));
  return g_real.oparse(c, t, l, d, f);
}

sword CountOexn(Cda_Def* c, sword i, sword r) {
  ++g_counts.executes;
  return g_real.oexn(c, i, r);
}

sword CountOexfet(Cda_Def* c, ub4 n, sword a, sword b) {
  ++g_counts.executes;
  ++g_counts.roundTrips;
  return g_real.oexfet(c, n, a, b);
}

sword CountOfen(Cda_Def* c, sword n) {
  ++g_counts.roundTrips;
  return g_real.ofen(c, n);
}

}  // namespace

CountingApi::CountingApi() {
  g_real = oci::api();
  g_counting = g_real;
  g_counting.OCIStmtPrepare = CountPrepare;
  g_counting.OCIStmtExecute = CountExecute;
  g_counting.OCIStmtFetch = CountFetch;
  g_counting.oparse = CountOparse;
  g_counting.oexn = CountOexn;
  g_counting.oexfet = CountOexfet;
  g_counting.ofen = CountOfen;
  g_counts = CallCounts();
  TOracleQuery::SetApiForTests(&g_counting);
}

CountingApi::~CountingApi() { TOracleQuery::SetApiForTests(nullptr); }

CallCounts& CountingApi::Counts() { return g_counts; }

void CountingApi::Reset() { g_counts = CallCounts(); }

void StandInTest::SetUp() {
  platform::LocaleFormats f;
  f.shortDateFormat = "dd/mm/yyyy";
  f.longTimeFormat = "hh:nn:ss";
  f.decimalSeparator = '.';
  platform::setLocaleFormats(f);
  db_ = std::make_unique<StandInDb>(GetParam());
}

void StandInTest::TearDown() {
  db_.reset();
  platform::clearLocaleFormats();
}

}  // namespace query_test
