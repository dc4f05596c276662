// Binds of every external type in both client generations: a value goes in
// through one placeholder of a block and comes back through another, bound
// by name or by position (OCI8), with obndrv or obndra (OCI7); obndrn binds
// a query's numbered placeholders.  Plus DBMS_OUTPUT read back through OUT
// binds.
#include <cstring>
#include <memory>

#include "oci_client.h"

using namespace ocitest;

namespace {

struct TypeCase {
  const char* label;
  ub2 dty;
  sb4 size;         // bytes of the bound buffer
  std::string in;   // the bound bytes (and the value length for length-taking types)
  std::string out;  // the bytes that come back
};

std::string bytesOf(const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); }

template <class T>
std::string raw(T v) {
  return bytesOf(&v, sizeof v);
}

const unsigned char kDate[7] = {120, 124, 2, 29, 14, 6, 10};  // 2024-02-29 13:05:09

std::vector<TypeCase> typeCases() {
  return {
      {"INT", SQLT_INT, 4, raw<int32_t>(-1234567), raw<int32_t>(-1234567)},
      {"INT8", SQLT_INT, 8, raw<int64_t>(9000000000LL), raw<int64_t>(9000000000LL)},
      {"UIN", SQLT_UIN, 2, raw<uint16_t>(65000), raw<uint16_t>(65000)},
      {"FLT", SQLT_FLT, 8, raw<double>(-2.5), raw<double>(-2.5)},
      {"STR", SQLT_STR, 8, std::string("abc\0\0\0\0\0", 8), std::string("abc\0", 4)},
      {"AVC", SQLT_AVC, 8, std::string("xyz\0\0\0\0\0", 8), std::string("xyz\0", 4)},
      {"CHR", SQLT_CHR, 5, "hello", "hello"},
      {"AFC", SQLT_AFC, 6, "ab    ", "ab    "},
      {"LNG", SQLT_LNG, 6, "long t", "long t"},
      {"BIN", SQLT_BIN, 3, std::string("\x00\xff\x10", 3), std::string("\x00\xff\x10", 3)},
      {"LBI", SQLT_LBI, 2, std::string("\x01\x02", 2), std::string("\x01\x02", 2)},
      {"DAT", SQLT_DAT, 7, bytesOf(kDate, 7), bytesOf(kDate, 7)},
  };
}

enum class Mode { ByName, ByPos, Obndrv, Obndra };

// An OCI8 session and an OCI7 cursor on one database.
class BindFixture : public ::testing::Test {
 protected:
  TempDatabase db;
  Client c;
  std::unique_ptr<Session> s;
  Lda_Def lda{};
  ub1 hda[256] = {0};
  Cda_Def cda{};

  void SetUp() override {
    ASSERT_NE(c.lib, nullptr) << dlerror();
    s = std::make_unique<Session>(c);
    ASSERT_EQ(s->logonStatus, OCI_SUCCESS) << s->error();
    ASSERT_EQ(logon7(c, lda, hda, cda), 0);
  }
  void TearDown() override {
    logoff7(c, lda, cda);
    s.reset();
  }
  OraText* name(const char* n) { return reinterpret_cast<OraText*>(const_cast<char*>(n)); }
  sword parse(const std::string& sql) {
    return c.oparse(&cda, reinterpret_cast<OraText*>(const_cast<char*>(sql.c_str())), -1, 1, 2);
  }
};

class OciBinds : public BindFixture, public ::testing::WithParamInterface<Mode> {
 protected:
  bool oci7() const { return GetParam() == Mode::Obndrv || GetParam() == Mode::Obndra; }

  // Runs `block` with :i bound to `in` and :o to `out` (both size bytes of
  // type dty); returns "" or the error.
  std::string roundTrip(const std::string& block, ub2 dty, sb4 size, void* in, void* out, sb2* outInd,
                        ub2* outLen) {
    Mode m = GetParam();
    if (!oci7()) {
      OCIStmt* st = s->prepare(block);
      OCIBind* b1 = nullptr;
      OCIBind* b2 = nullptr;
      ub2 inLen = static_cast<ub2>(size);
      if (m == Mode::ByName) {
        c.OCIBindByName(st, &b1, s->err, reinterpret_cast<const OraText*>(":i"), -1, in, size, dty, nullptr, &inLen,
                        nullptr, 0, nullptr, OCI_DEFAULT);
        c.OCIBindByName(st, &b2, s->err, reinterpret_cast<const OraText*>(":O"), -1, out, size, dty, outInd, outLen,
                        nullptr, 0, nullptr, OCI_DEFAULT);
      } else {
        // Positions count the placeholders in order of first appearance: :o, :i.
        c.OCIBindByPos(st, &b2, s->err, 1, out, size, dty, outInd, outLen, nullptr, 0, nullptr, OCI_DEFAULT);
        c.OCIBindByPos(st, &b1, s->err, 2, in, size, dty, nullptr, &inLen, nullptr, 0, nullptr, OCI_DEFAULT);
      }
      sword rc = c.OCIStmtExecute(s->svc, st, s->err, 1, 0, nullptr, nullptr, OCI_DEFAULT);
      std::string e = rc == OCI_SUCCESS ? "" : s->error();
      c.OCIHandleFree(st, OCI_HTYPE_STMT);
      return e;
    }
    if (parse(block) != 0) return "parse";
    // The client reads the length through its pointer when the statement
    // runs, so it must live until oexec.
    ub2 inLen = static_cast<ub2>(size);
    if (m == Mode::Obndrv) {
      c.obndrv(&cda, name(":i"), -1, static_cast<ub1*>(in), size, dty, -1, nullptr, nullptr, -1, -1);
      c.obndrv(&cda, name(":o"), -1, static_cast<ub1*>(out), size, dty, -1, outInd, nullptr, -1, -1);
    } else {
      c.obndra(&cda, name(":i"), -1, static_cast<ub1*>(in), size, dty, -1, nullptr, &inLen, nullptr, 0, nullptr,
               nullptr, -1, -1);
      c.obndra(&cda, name(":o"), -1, static_cast<ub1*>(out), size, dty, -1, outInd, outLen, nullptr, 0, nullptr,
               nullptr, -1, -1);
    }
    if (c.oexec(&cda) != 0) return "ORA-" + std::to_string(cda.rc);
    return "";
  }
};

std::string modeName(const ::testing::TestParamInfo<Mode>& info) {
  static const char* const names[] = {"ByName", "ByPos", "Obndrv", "Obndra"};
  return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Modes, OciBinds, ::testing::Values(Mode::ByName, Mode::ByPos, Mode::Obndrv, Mode::Obndra),
                         modeName);

TEST_P(OciBinds, EveryTypeGoesInAndComesBack) {
  for (const TypeCase& t : typeCases()) {
    SCOPED_TRACE(t.label);
    std::vector<char> in(t.in.begin(), t.in.end());
    std::vector<char> out(static_cast<size_t>(t.size), '\x7f');
    sb2 ind = -1;  // nothing goes in through :o
    ub2 len = 0;
    ASSERT_EQ(roundTrip("BEGIN :o := :i; END;", t.dty, t.size, in.data(), out.data(), &ind, &len), "");
    EXPECT_EQ(ind, 0);
    EXPECT_EQ(std::string(out.data(), t.out.size()), t.out);
  }
}

TEST_P(OciBinds, NullsAndCutValuesComeBackWithTheirIndicators) {
  char in[8] = "abcdefg";
  char out[4] = {0};
  sb2 ind = 0;
  ub2 len = 0;
  ASSERT_EQ(roundTrip("BEGIN :o := :i; :o := NULL; END;", SQLT_STR, 4, in, out, &ind, &len), "");
  EXPECT_EQ(ind, -1);
  // Longer than the buffer: cut, and the indicator holds the whole length.
  ASSERT_EQ(roundTrip("BEGIN :o := :i || 'xyz'; END;", SQLT_STR, 4, in, out, &ind, &len), "");
  EXPECT_EQ(std::string(out), "abc");
  EXPECT_EQ(ind, 7);
}

// Numbered placeholders of a query bound with obndrn; a block takes names only.
TEST_F(BindFixture, ObndrnBindsNumberedPlaceholders) {
  ASSERT_EQ(parse("select :2 || :1 from dual"), 0);
  char a[4] = "one", b[4] = "two";
  ASSERT_EQ(c.obndrn(&cda, 1, reinterpret_cast<ub1*>(a), 4, SQLT_STR, -1, nullptr, nullptr, -1, -1), 0);
  ASSERT_EQ(c.obndrn(&cda, 2, reinterpret_cast<ub1*>(b), 4, SQLT_STR, -1, nullptr, nullptr, -1, -1), 0);
  char got[16] = {0};
  ASSERT_EQ(c.odefin(&cda, 1, reinterpret_cast<ub1*>(got), sizeof got, SQLT_STR, -1, nullptr, nullptr, -1, -1, nullptr,
                     nullptr),
            0);
  ASSERT_EQ(c.oexfet(&cda, 1, 0, 0), 0) << cda.rc;
  EXPECT_STREQ(got, "twoone");
  EXPECT_EQ(c.obndrn(&cda, 0, reinterpret_cast<ub1*>(a), 4, SQLT_STR, -1, nullptr, nullptr, -1, -1), 1036);
  ASSERT_EQ(parse("BEGIN :1 := 'x'; END;"), 0);
  EXPECT_EQ(c.obndrn(&cda, 1, reinterpret_cast<ub1*>(a), 4, SQLT_STR, -1, nullptr, nullptr, -1, -1), 1036);
}

// DBMS_OUTPUT keeps the lines a session writes while it is enabled, and
// GET_LINE hands them out through OUT binds.
TEST_F(BindFixture, OutputLinesAreReadBackThroughOutBinds) {
  auto run = [&](const std::string& sql) {
    OCIStmt* st = s->prepare(sql);
    sword rc = c.OCIStmtExecute(s->svc, st, s->err, 1, 0, nullptr, nullptr, OCI_DEFAULT);
    c.OCIHandleFree(st, OCI_HTYPE_STMT);
    return rc;
  };
  ASSERT_EQ(run("BEGIN DBMS_OUTPUT.PUT_LINE('lost'); DBMS_OUTPUT.ENABLE(20000); DBMS_OUTPUT.PUT('a'); "
                "DBMS_OUTPUT.PUT_LINE('b' || 1); DBMS_OUTPUT.PUT_LINE('second'); END;"),
            OCI_SUCCESS)
      << s->error();
  OCIStmt* st = s->prepare("BEGIN DBMS_OUTPUT.GET_LINE(:line, :status); END;");
  char line[40];
  int status = -1;
  sb2 ind = 0;
  OCIBind* b1 = nullptr;
  OCIBind* b2 = nullptr;
  c.OCIBindByName(st, &b1, s->err, name(":line"), -1, line, sizeof line, SQLT_STR, &ind, nullptr, nullptr, 0,
                  nullptr, OCI_DEFAULT);
  c.OCIBindByName(st, &b2, s->err, name(":status"), -1, &status, sizeof status, SQLT_INT, nullptr, nullptr, nullptr,
                  0, nullptr, OCI_DEFAULT);
  std::vector<std::string> lines;
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(c.OCIStmtExecute(s->svc, st, s->err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s->error();
    if (status != 0) break;
    lines.push_back(line);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"ab1", "second"}));
  EXPECT_EQ(status, 1);
  EXPECT_EQ(ind, -1);
  c.OCIHandleFree(st, OCI_HTYPE_STMT);
}

}  // namespace
