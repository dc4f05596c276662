// The pieces the writers build from today's column attributes: defaults
// without the old owner's name, defaults drawing on sequences, and the
// starting point of a sequence that has handed out its last number.
#include <gtest/gtest.h>

#include "script/column_attributes.h"

namespace {

using tarlow::SequenceAttributes;

TEST(ColumnAttributes, DefaultsLoseTheOwnersNameOnly) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"\"SCOTT\".\"ORDER_SEQ\".\"NEXTVAL\"", "\"ORDER_SEQ\".\"NEXTVAL\""},
      {"scott.order_seq.nextval", "order_seq.nextval"},
      {"Scott.Seq.NextVal + 1", "Seq.NextVal + 1"},
      {"\"OTHER\".\"SEQ\".\"NEXTVAL\"", "\"OTHER\".\"SEQ\".\"NEXTVAL\""},
      {"'SCOTT.X' || SCOTTY.F(1)", "'SCOTT.X' || SCOTTY.F(1)"},   // a literal and a longer name stay
      {"'it''s \"SCOTT\".' || x", "'it''s \"SCOTT\".' || x"},
      {"MYSCOTT.F(1)", "MYSCOTT.F(1)"},
      {"\"SCOTT \".x", "\"SCOTT \".x"},
  };
  for (const Case& c : cases) EXPECT_EQ(tarlow::WithoutOwner(c.text, "SCOTT"), c.expected) << c.text;
}

TEST(ColumnAttributes, SequenceDefaultsAreToldApart) {
  EXPECT_TRUE(tarlow::UsesSequence("\"SCOTT\".\"S\".\"NEXTVAL\""));
  EXPECT_TRUE(tarlow::UsesSequence("s.nextval"));
  EXPECT_TRUE(tarlow::UsesSequence("s.CurrVal * 2"));
  EXPECT_FALSE(tarlow::UsesSequence("'s.nextval'"));
  EXPECT_FALSE(tarlow::UsesSequence("NEXTVAL_COUNT + 1"));
  EXPECT_FALSE(tarlow::UsesSequence("s.nextvalue"));
  EXPECT_FALSE(tarlow::UsesSequence("SYSDATE"));
}

TEST(ColumnAttributes, ASequenceAtItsLimitStartsAtItsLastNumber) {
  struct Case {
    SequenceAttributes s;  // min, max, increment, cycle, order, cache, last number
    bool atLimit;
    const char* lastTaken;
  };
  const char* big = "9999999999999999999999999999";
  const Case cases[] = {
      {{"1", "3", "1", "N", "N", "0", "4"}, true, "3"},            // NOCACHE: one step beyond
      {{"1", "10", "3", "N", "N", "0", "13"}, true, "10"},         // a step that ends on the bound
      {{"1", "10", "4", "N", "N", "20", "11"}, true, "7"},         // cached: one step short of the bound's neighbour
      {{"1", "3", "-1", "N", "N", "2", "0"}, true, "1"},           // descending
      {{"1", "5", "-2", "Y", "N", "0", "-1"}, true, "1"},
      {{"1", "3", "1", "Y", "N", "2", "3"}, false, ""},            // not there yet
      {{"1", big, "1", "N", "N", "20", "21"}, false, ""},
      {{"1", big, "1", "N", "N", "0", "10000000000000000000000000000"}, true, big},
      {{"1", "x", "1", "N", "N", "0", "4"}, false, ""},            // not a number: left as it is
  };
  for (const Case& c : cases) {
    std::string taken;
    EXPECT_EQ(tarlow::SequenceAtLimit(c.s, &taken), c.atLimit) << c.s.lastNumber;
    EXPECT_EQ(taken, c.lastTaken) << c.s.lastNumber;
  }
}

TEST(ColumnAttributes, SequenceOptionsSpellEveryAttribute) {
  EXPECT_EQ(tarlow::SequenceOptions({"1", "9999999999999999999999999999", "1", "N", "N", "20", "21"}, "21"),
            (std::vector<std::string>{"START WITH 21", "INCREMENT BY 1", "MINVALUE 1", "NOMAXVALUE", "NOCYCLE",
                                      "CACHE 20", "NOORDER"}));
  EXPECT_EQ(tarlow::SequenceOptions({"-99", "-1", "-3", "Y", "Y", "0", "-7"}, "-7"),
            (std::vector<std::string>{"START WITH -7", "INCREMENT BY -3", "MINVALUE -99", "NOMAXVALUE", "CYCLE",
                                      "NOCACHE", "ORDER"}));
}

}  // namespace
