// The getters of a query on every field type code, with their conversions,
// null results and messages, against the stand-in in both modes.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "oracle/errors.h"
#include "oracle/query.h"
#include "platform/locale_formats.h"
#include "support_query_db.h"

namespace {

using query_test::MessageOf;
using query_test::StandInDb;

class FieldsTest : public query_test::StandInTest {
 protected:

  // One table with a column of every kind the dictionary and table data
  // bring, a row of values and a row of nulls.
  void MakeValueTable() {
    db().Exec(
        "create table v (id number(9), n9 number(9), n10 number(10), n20 number(20), n52 number(5,2), "
        "nn number, f float, vc varchar2(10), ch char(5), num_txt varchar2(10), bad_txt varchar2(10), "
        "d date, r raw(4), lg long)");
    db().Exec(
        "insert into v values (1, 123456789, 1234567890, 12345678901234567890, 3.10, 1e27, -2.7, "
        "'a' || chr(10) || 'b', 'ab', '42', '12x', "
        "to_date('1900-01-02 12:00:00', 'yyyy-mm-dd hh24:mi:ss'), hextoraw('0A1B'), 'x' || chr(10) || 'y')");
    db().Exec("insert into v (id) values (2)");
  }
};

INSTANTIATE_TEST_SUITE_P(Modes, FieldsTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OCI7" : "OCI8"; });

struct GetterCase {
  const char* column;
  int code;
  const char* text;      // FieldAsText, or the message it raises
  const char* integer;   // FieldAsInteger as text, or the message
  const char* number;    // FieldAsFloat as text (%.10g), or the message
};

std::string Try(const std::function<std::string()>& f) {
  try {
    return f();
  } catch (const std::exception& e) {
    return e.what();
  }
}

std::string G(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.10g", d);
  return buf;
}

TEST_P(FieldsTest, EveryGetterOnEveryColumnKind) {
  REQUIRE_STAND_IN(db());
  MakeValueTable();
  const GetterCase cases[] = {
      {"N9", 3, "123456789", "123456789", "123456789"},
      {"N10", 4, "1234567890", "1234567890", "1234567890"},
      {"N20", 4, "1.23456789012346E19", "Cannot convert field N20 to an Integer", "1.23456789e+19"},
      {"N52", 4, "3.1", "3", "3.1"},
      {"NN", 4, "1E27", "Cannot convert field NN to an Integer", "1e+27"},
      {"F", 4, "-2.7", "-2", "-2.7"},
      {"VC", 5, "a\r\nb", "'a\nb' is not a valid integer value", "'a\nb' is not a valid floating point value"},
      {"CH", 5, "ab   ", "'ab   ' is not a valid integer value", "'ab   ' is not a valid floating point value"},
      {"NUM_TXT", 5, "42", "42", "42"},
      {"BAD_TXT", 5, "12x", "'12x' is not a valid integer value", "'12x' is not a valid floating point value"},
      {"D", 12, "02/01/1900 12:00:00", "3", "3.5"},
      {"R", 5, "0A1B", "'0A1B' is not a valid integer value", "'0A1B' is not a valid floating point value"},
      {"LG", 8, "x\ny", "Cannot convert field LG to an Integer", "Cannot convert field LG to a Float"},
  };
  TOracleQuery q(&session());
  q.SetSQLText("select * from v order by id");
  q.Execute();
  ASSERT_FALSE(q.Eof());
  for (const GetterCase& c : cases) {
    SCOPED_TRACE(c.column);
    int i = q.FieldIndex(c.column);
    ASSERT_GE(i, 0);
    EXPECT_EQ(q.FieldType(i), c.code);
    EXPECT_FALSE(q.FieldIsNull(i));
    EXPECT_EQ(Try([&] { return q.FieldAsText(c.column); }), c.text);
    EXPECT_EQ(Try([&] { return std::to_string(q.FieldAsInteger(c.column)); }), c.integer);
    EXPECT_EQ(Try([&] { return G(q.FieldAsFloat(i)); }), c.number);
  }
  EXPECT_DOUBLE_EQ(q.FieldAsDate(q.FieldIndex("D")), 3.5);
  EXPECT_DOUBLE_EQ(q.FieldAsDate(q.FieldIndex("N9")), 123456789.0);
  EXPECT_EQ(MessageOf([&] { q.FieldAsDate(q.FieldIndex("BAD_TXT")); }), "'12x' is not a valid date");
  EXPECT_EQ(MessageOf([&] { q.FieldAsDate(q.FieldIndex("LG")); }), "Cannot convert field LG to a Date");
  EXPECT_EQ(MessageOf([&] { q.FieldAsLOB(q.FieldIndex("VC")); }), "Field VC is not a LOB");

  // FieldValue: the tagged values, text with CR LF line breaks, a LONG too.
  EXPECT_EQ(q.FieldValue("N9"), TOracleVariant::FromInteger(123456789));
  EXPECT_EQ(q.FieldValue("F"), TOracleVariant::FromFloat(-2.7));
  EXPECT_EQ(q.FieldValue("VC"), TOracleVariant::FromString("a\r\nb"));
  EXPECT_EQ(q.FieldValue("D"), TOracleVariant::FromDateTime(3.5));
  EXPECT_EQ(q.FieldValue("LG"), TOracleVariant::FromString("x\r\ny"));

  // The row of nulls reads as the null results, whatever the code.
  q.Next();
  ASSERT_FALSE(q.Eof());
  for (const GetterCase& c : cases) {
    SCOPED_TRACE(c.column);
    int i = q.FieldIndex(c.column);
    EXPECT_TRUE(q.FieldIsNull(i));
    EXPECT_EQ(q.FieldAsText(i), "");
    EXPECT_EQ(q.FieldAsInteger(i), 0);
    EXPECT_EQ(q.FieldAsFloat(i), 0);
    EXPECT_EQ(q.FieldAsDate(i), 0);
    EXPECT_TRUE(q.FieldValue(i).IsUnassigned());
  }
  session().SetNullValue(nvNull);
  EXPECT_TRUE(q.FieldValue("LG").IsNull());
  EXPECT_TRUE(q.FieldValue("N9").IsNull());
}

TEST_P(FieldsTest, DatesReadAsShortDateAndLongTime) {
  REQUIRE_STAND_IN(db());
  db().Exec("create table d (id number(9), d date)");
  db().Exec("insert into d values (1, to_date('2000-01-01', 'yyyy-mm-dd'))");
  db().Exec("insert into d values (2, to_date('2000-01-01 13:05:09', 'yyyy-mm-dd hh24:mi:ss'))");
  db().Exec("insert into d values (3, to_date('1899-12-29 06:00:00', 'yyyy-mm-dd hh24:mi:ss'))");
  TOracleQuery q(&session());
  q.SetSQLText("select d from d order by id");
  q.Execute();
  EXPECT_EQ(q.FieldAsText(0), "01/01/2000");
  EXPECT_DOUBLE_EQ(q.FieldAsDate(0), 36526.0);
  q.Next();
  EXPECT_EQ(q.FieldAsText(0), "01/01/2000 13:05:09");
  q.Next();
  EXPECT_EQ(q.FieldAsText(0), "29/12/1899 06:00:00");
  EXPECT_DOUBLE_EQ(q.FieldAsDate(0), -1.25);
  EXPECT_EQ(q.FieldAsInteger(0), -1);

  // Another locale gives other text from the same values.
  platform::LocaleFormats us;
  us.shortDateFormat = "m/d/yyyy";
  us.longTimeFormat = "h:nn:ss am/pm";
  us.decimalSeparator = ',';
  platform::setLocaleFormats(us);
  q.SetSQLText("select d, 2.5 as half from d order by id");
  q.Execute();
  q.Next();
  EXPECT_EQ(q.FieldAsText(0), "1/1/2000 1:05:09 pm");
  EXPECT_EQ(q.FieldAsText(1), "2,5");
}

TEST_P(FieldsTest, NumberRuleFollowsThePreferences) {
  REQUIRE_STAND_IN(db());
  db().Exec("create table n (n12 number(12), n122 number(12,2), n9m number(9,-2), n10 number(10))");
  db().Exec("insert into n values (1234567, 1234.50, 12300, 1234567890)");
  TOracleQuery q(&session());
  q.SetSQLText("select n12, n122, n9m, n10 from n");
  q.Execute();
  EXPECT_EQ(q.FieldType(0), 4);
  EXPECT_EQ(q.FieldType(1), 4);
  EXPECT_EQ(q.FieldType(2), 3);  // a negative scale is still an integer
  EXPECT_EQ(q.FieldAsText(2), "12300");
  EXPECT_EQ(q.FieldType(3), 4);
  EXPECT_EQ(q.FieldAsText(3), "1234567890");

  session().Preferences().SetIntegerPrecision(12);
  session().Preferences().SetFloatPrecision(10);
  q.SetOptimize(false);
  q.Execute();
  EXPECT_EQ(q.FieldType(0), 3);
  EXPECT_EQ(q.FieldAsInteger(0), 1234567);
  EXPECT_EQ(q.FieldType(1), 5);
  EXPECT_EQ(q.FieldSize(1), 14);  // 12 + 3 bytes, less the terminating zero
  EXPECT_EQ(q.FieldAsText(1), "1234.5");
  EXPECT_DOUBLE_EQ(q.FieldAsFloat(1), 1234.5);
}

TEST_P(FieldsTest, ConvertCRLFOffLeavesTextAsTheServerSentIt) {
  REQUIRE_STAND_IN(db());
  db().Table("create table t (vc varchar2(10), lg long)", "t", {"'a' || chr(10) || 'b', 'c' || chr(10) || 'd'"});
  TOracleQuery q(&session());
  q.SetSQLText("select vc, lg from t");
  q.Execute();
  EXPECT_EQ(q.FieldAsText(0), "a\r\nb");
  EXPECT_EQ(q.FieldAsText(1), "c\nd");  // a LONG's text is never converted
  EXPECT_EQ(q.FieldValue(1).AsString(), "c\r\nd");

  session().SetConnected(false);
  session().Preferences().SetConvertCRLF(false);
  session().SetConnected(true);
  q.Execute();
  EXPECT_EQ(q.FieldAsText(0), "a\nb");
  EXPECT_EQ(q.FieldValue(0).AsString(), "a\nb");
  EXPECT_EQ(q.FieldValue(1).AsString(), "c\nd");
}

TEST_P(FieldsTest, LongRawAndRawColumns) {
  REQUIRE_STAND_IN(db());
  db().Table("create table b (id number(9), lr long raw)", "b", {"1, hextoraw('00FF10')"});
  TOracleQuery q(&session());
  q.SetSQLText("select id, lr from b");
  q.Execute();
  EXPECT_EQ(q.FieldType(1), 24);
  EXPECT_EQ(MessageOf([&] { q.FieldAsText(1); }), "Cannot convert field LR to a String");
  EXPECT_EQ(MessageOf([&] { q.FieldAsInteger(1); }), "Cannot convert field LR to an Integer");
  EXPECT_EQ(q.FieldValue(1), TOracleVariant::FromBytes(std::string("\x00\xff\x10", 3)));
  char buf[8];
  EXPECT_EQ(q.ReadLongField(1, buf, 8, 1), 2);
  EXPECT_EQ(MessageOf([&] { q.ReadLongField(0, buf, 8, 0); }), "Field 0 is not a Long");
}

TEST_P(FieldsTest, LOBColumnsReadAsWholeValues) {
  REQUIRE_STAND_IN(db());
  if (OCI7()) GTEST_SKIP() << "LOB columns need OCI8 mode (tested in test_query)";
  db().Exec("create table lobs (id number(9), c clob, b blob)");
  db().Exec("insert into lobs values (1, 'line' || chr(10) || 'two', hextoraw('CAFE'))");
  db().Exec("insert into lobs values (2, empty_clob(), empty_blob())");
  db().Exec("insert into lobs values (3, null, null)");
  TOracleQuery q(&session());
  q.SetSQLText("select c, b from lobs order by id");
  q.Execute();
  EXPECT_EQ(q.FieldType(0), 112);
  EXPECT_EQ(q.FieldType(1), 113);
  EXPECT_EQ(MessageOf([&] { q.FieldAsText(0); }), "Cannot convert field C to a String");
  EXPECT_EQ(MessageOf([&] { q.FieldAsFloat(1); }), "Cannot convert field B to a Float");
  EXPECT_EQ(q.FieldValue(0), TOracleVariant::FromString("line\r\ntwo"));
  EXPECT_EQ(q.FieldValue(1), TOracleVariant::FromBytes("\xca\xfe"));
  TLOBLocator& lob = q.FieldAsLOB(0);
  EXPECT_EQ(lob.Size(), 8);
  char buf[4];
  EXPECT_EQ(lob.Read(buf, 4), 4);
  EXPECT_EQ(std::string(buf, 4), "line");
  EXPECT_EQ(lob.Read(buf, 4), 4);
  EXPECT_EQ(std::string(buf, 4), "\ntwo");
  EXPECT_EQ(lob.Read(buf, 4), 0);

  q.Next();  // empty LOBs give the null result
  EXPECT_FALSE(q.FieldIsNull(0));
  EXPECT_TRUE(q.FieldValue(0).IsUnassigned());
  EXPECT_TRUE(q.FieldValue(1).IsUnassigned());
  EXPECT_EQ(q.FieldAsLOB(0).Size(), 0);

  q.Next();  // null LOBs: null, and FieldAsText gives "" without raising
  EXPECT_TRUE(q.FieldIsNull(0));
  EXPECT_EQ(q.FieldAsText(0), "");
  EXPECT_EQ(q.FieldAsText(1), "");
}

TEST_P(FieldsTest, MultiByteCLOBReadsWhole) {
  // The length of a CLOB counts characters, a read returns bytes: the whole
  // value must come back, not its first length-many bytes.
  REQUIRE_STAND_IN(db());
  if (OCI7()) GTEST_SKIP() << "LOB columns need OCI8 mode";
  db().Exec("create table mlobs (c clob)");
  db().Exec("insert into mlobs values ('Gr\u00fc\u00dfe \u20ac 5')");
  TOracleQuery q(&session());
  q.SetSQLText("select c from mlobs");
  q.Execute();
  EXPECT_EQ(q.FieldValue(0), TOracleVariant::FromString("Gr\u00fc\u00dfe \u20ac 5"));
}

}  // namespace
