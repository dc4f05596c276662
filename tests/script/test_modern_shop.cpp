// A shop schema written the way 19c schemas are written today (identity
// keys, TIMESTAMP order times, JSON in BLOBs behind IS JSON checks, views
// with LISTAGG, GROUPING SETS and JSON_TABLE, comments on views) is loaded
// from its own install scripts, scripted with every box and the data,
// loaded strictly into an empty schema, and compared dictionary against
// dictionary and row against row.
#include <gtest/gtest.h>

#include "roundtrip_support.h"

namespace {

namespace fs = std::filesystem;

const fs::path kScripts = fs::path(TARLOW_SOURCE_DIR) / "tests" / "script" / "modern";

const writers_test::ExtraParts kParts = {
    {"constraint states",
     "SELECT CASE WHEN GENERATED = 'GENERATED NAME' THEN 'system-named' ELSE CONSTRAINT_NAME END, CONSTRAINT_TYPE, "
     "TABLE_NAME, SEARCH_CONDITION, DELETE_RULE, STATUS, VALIDATED, \"DEFERRABLE\", DEFERRED, RELY "
     "FROM USER_CONSTRAINTS ORDER BY 3, 2, 1, 4"},
    {"index kinds",
     "SELECT CASE WHEN GENERATED = 'Y' THEN 'system-named' ELSE INDEX_NAME END, TABLE_NAME, INDEX_TYPE, "
     "UNIQUENESS FROM USER_INDEXES ORDER BY 2, 1, 3"},
    {"index expressions",
     "SELECT INDEX_NAME, COLUMN_POSITION, COLUMN_EXPRESSION FROM USER_IND_EXPRESSIONS ORDER BY 1, 2"},
    {"identity columns",
     "SELECT TABLE_NAME, COLUMN_NAME, GENERATION_TYPE FROM USER_TAB_IDENTITY_COLS ORDER BY 1, 2"},
    {"column kinds",
     "SELECT TABLE_NAME, COLUMN_NAME, HIDDEN_COLUMN, VIRTUAL_COLUMN, IDENTITY_COLUMN, DEFAULT_ON_NULL "
     "FROM USER_TAB_COLS ORDER BY 1, 2"},
    {"view status", "SELECT OBJECT_NAME, STATUS FROM USER_OBJECTS WHERE OBJECT_TYPE = 'VIEW' ORDER BY 1"},
    {"view comments",
     "SELECT TABLE_NAME, TABLE_TYPE, COMMENTS FROM USER_TAB_COMMENTS WHERE TABLE_TYPE = 'VIEW' ORDER BY 1"},
};

TEST(ModernShop, LoadsFromItsInstallScriptsAndComesBackTheSame) {
  if (!fs::exists(kScripts / "shop_create.sql")) GTEST_SKIP() << "no shop scripts in " << kScripts;
  writers_test::WritersDb db("SHOP", "SHOP");
  REQUIRE_WRITERS_DB(db);
  ASSERT_EQ(db.Run({(kScripts / "shop_create.sql").string(), (kScripts / "shop_populate.sql").string()}), "");
  // The identities handed out the keys the rows refer to.
  EXPECT_EQ(writers_test::Dump(db.Session(), "SELECT COUNT(*) FROM ORDERS WHERE ORDER_ID BETWEEN 1 AND 40"),
            "40\x1f\x1e");
  writers_test::ExpectRoundTrip(db, "shop", writers_test::TickAllButDrops, kParts);
  // The reloaded identity goes on past every key it loaded: it starts where
  // the source's cache ends, so it may skip the values that cache held, as
  // the source itself does when it restarts.
  const std::string next = "INSERT INTO STORES (STORE_NAME, WEB_ADDRESS) VALUES ('Pop-up', 'https://pop.example.com')";
  const std::string newKey = "SELECT STORE_ID FROM STORES WHERE STORE_NAME = 'Pop-up'";
  writers_test::Exec(db.Session("TESTDB"), next);
  const int original = std::stoi(writers_test::Dump(db.Session("TESTDB"), newKey));
  writers_test::Exec(db.Session("AGAIN"), next);
  const int reloaded = std::stoi(writers_test::Dump(db.Session("AGAIN"), newKey));
  EXPECT_EQ(original, 5);
  EXPECT_GE(reloaded, original);
}

}  // namespace
