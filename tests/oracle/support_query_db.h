// Helpers for the query and data set tests: a fresh stand-in database with a
// logged-on session in either mode, and an entry-point table that counts the
// statement calls a query makes (parses, executes, round trips).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "oracle/loader.h"
#include "oracle/session.h"

namespace query_test {

// A database made in its own mkdtemp folder with the user SCOTT/TIGER, and a
// session logged on to it through the stand-in client library.
class StandInDb {
 public:
  explicit StandInDb(bool oci7 = false);
  ~StandInDb();
  StandInDb(const StandInDb&) = delete;
  StandInDb& operator=(const StandInDb&) = delete;

  // Empty when ready; otherwise why the database could not be had.
  const std::string& SkipReason() const { return skipReason_; }
  TOracleSession& Session() { return *session_; }
  bool OCI7() const { return oci7_; }

  // Runs one statement on a query of its own.
  void Exec(const std::string& sql);
  // Creates a table and fills it with rows given as value lists ("1, 'a'").
  void Table(const std::string& createSql, const std::string& table,
             const std::vector<std::string>& rows);

 private:
  std::string dir_;
  std::string skipReason_;
  bool oci7_;
  std::unique_ptr<TOracleSession> session_;
};

// A test on a fresh stand-in database, in OCI8 mode (parameter false) or OCI7
// mode (true), with the locale's date, time and decimal formats pinned so
// that the expected texts hold in any locale.
class StandInTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override;
  void TearDown() override;
  bool OCI7() const { return GetParam(); }
  StandInDb& db() { return *db_; }
  TOracleSession& session() { return db_->Session(); }

  std::unique_ptr<StandInDb> db_;
};

// What the counting table saw since it was installed or reset.
struct CallCounts {
  int prepares = 0;       // OCIStmtPrepare and oparse
  int executes = 0;       // OCIStmtExecute and oexn
  int roundTrips = 0;     // fetch calls: OCIStmtFetch, oexfet, ofen, and an execute that fetches rows
  std::vector<std::string> texts;  // statement texts as they reached the client library
};

// Routes every query's client calls through counting wrappers while alive.
// Make it after logon, once the library is loaded.
class CountingApi {
 public:
  CountingApi();
  ~CountingApi();
  CountingApi(const CountingApi&) = delete;
  CountingApi& operator=(const CountingApi&) = delete;
  CallCounts& Counts();
  void Reset();
};

// The message of the exception that f throws, or "(no exception)".
template <typename F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no exception)";
}

}  // namespace query_test

// Skips the current test when the stand-in is not usable.
#define REQUIRE_STAND_IN(db)                                  \
  do {                                                        \
    if (!(db).SkipReason().empty()) GTEST_SKIP() << (db).SkipReason(); \
  } while (0)
