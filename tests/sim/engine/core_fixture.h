// A fresh database in its own temporary folder, with one logged-on user,
// for the SQL core's tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace ocisim::testing {

// A value as the tests compare it: numbers and texts as their text, dates
// as YYYY-MM-DD HH:MM:SS, binary as hexadecimal, NULL as "<null>".
inline std::string show(const Value& v) {
  char buf[32];
  switch (v.kind) {
    case Value::Kind::Null: return "<null>";
    case Value::Kind::Date:
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", v.date.year, v.date.month, v.date.day,
                    v.date.hour, v.date.minute, v.date.second);
      return buf;
    case Value::Kind::Binary: {
      std::string h;
      for (unsigned char c : v.data) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        h += buf;
      }
      return "0x" + h;
    }
    default: return v.data;
  }
}

class CoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ocisim_core_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    createDatabase(dir_, "TESTDB");
    addUser(dir_, "TESTDB", "scott", "Tiger");
    conn_ = attachIn(dir_, "testdb");
    std::string warning;
    conn_->logon("SCOTT", "Tiger", &warning);
  }
  void TearDown() override {
    conn_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  void exec(const std::string& sql) {
    auto st = conn_->prepare(sql);
    st->execute();
  }
  uint64_t run(const std::string& sql, const std::vector<Value>& binds = {}) {
    auto st = conn_->prepare(sql);
    for (size_t i = 0; i < binds.size(); ++i) st->bind(i, binds[i]);
    st->execute();
    return st->rowCount();
  }
  // All rows of a query, each row's values joined by "|".
  std::vector<std::string> rows(const std::string& sql, const std::vector<Value>& binds = {}) {
    auto st = conn_->prepare(sql);
    for (size_t i = 0; i < binds.size(); ++i) st->bind(i, binds[i]);
    st->execute();
    std::vector<std::string> out;
    std::vector<Value> row;
    while (st->fetch(row)) {
      std::string line;
      for (size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + show(row[i]);
      out.push_back(line);
    }
    return out;
  }
  std::string one(const std::string& sql, const std::vector<Value>& binds = {}) {
    auto r = rows(sql, binds);
    return r.size() == 1 ? r[0] : "<" + std::to_string(r.size()) + " rows>";
  }
  // The ORA number a statement fails with (prepare or execute), 0 if none.
  int errorOf(const std::string& sql, std::string* message = nullptr) {
    try {
      rows(sql);
    } catch (const OraError& e) {
      if (message) *message = e.what();
      return e.code();
    }
    return 0;
  }

  std::string dir_;
  std::unique_ptr<Connection> conn_;
};

}  // namespace ocisim::testing
