// The catalog's view of the columns DML treats apart: invisible columns
// left out of SELECT * and of INSERTs without a column list, virtual and
// GENERATED ALWAYS identity columns no statement writes, and defaults an
// INSERT computes itself (sequence values, DEFAULT ON NULL).
#include "engine/dict.h"

namespace ocisim {

std::vector<SpecialColumn> specialColumns(Session& s, const std::string& owner, const std::string& table) {
  std::vector<SpecialColumn> out;
  dict::Query q(s.db,
                "SELECT c.COLUMN_NAME, c.HIDDEN_COLUMN, c.VIRTUAL_COLUMN, c.DEFAULT_ON_NULL, i.GENERATION_TYPE,"
                " c.DATA_DEFAULT FROM cat_columns c LEFT JOIN cat_identity_cols i ON i.OWNER = c.OWNER"
                " AND i.TABLE_NAME = c.TABLE_NAME AND i.COLUMN_NAME = c.COLUMN_NAME"
                " WHERE c.OWNER = ? AND c.TABLE_NAME = ? AND (c.HIDDEN_COLUMN = 'YES' OR c.VIRTUAL_COLUMN = 'YES'"
                " OR c.DEFAULT_ON_NULL = 'YES' OR c.IDENTITY_COLUMN = 'YES' OR UPPER(c.DATA_DEFAULT) LIKE '%VAL%')"
                " ORDER BY c.COLUMN_ID");
  q.bind(owner).bind(table);
  while (q.step()) {
    SpecialColumn c;
    c.name = q.text(0);
    c.hidden = q.text(1) == "YES";
    c.virtualColumn = q.text(2) == "YES";
    c.defaultOnNull = q.text(3) == "YES";
    c.identity = q.text(4);
    c.defaultText = q.text(5);
    out.push_back(std::move(c));
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> visibleColumnsIfHidden(Session& s, const std::string& owner,
                                                                        const std::string& table) {
  std::vector<std::pair<std::string, std::string>> out;
  if (!dict::scalar(s.db,
                    "SELECT 1 FROM cat_columns WHERE OWNER = ? AND TABLE_NAME = ? AND HIDDEN_COLUMN = 'YES' LIMIT 1",
                    {owner, table}))
    return out;
  dict::Query q(s.db, "SELECT COLUMN_NAME, DECL FROM cat_columns WHERE OWNER = ? AND TABLE_NAME = ?"
                      " AND HIDDEN_COLUMN = 'NO' ORDER BY COLUMN_ID");
  q.bind(owner).bind(table);
  while (q.step()) out.emplace_back(q.text(0), q.text(1));
  return out;
}

}  // namespace ocisim
