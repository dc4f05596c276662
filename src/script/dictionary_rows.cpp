#include "script/dictionary_rows.h"

namespace tarlow {

std::vector<DictionaryRow> ReadDictionaryRows(TOracleSession* session, const std::string& sql) {
  TOracleQuery q(session);
  q.SetExactValues(true);
  q.SetSQLText(sql);
  q.Execute();
  std::vector<DictionaryRow> rows;
  for (; !q.Eof(); q.Next()) {
    DictionaryRow row;
    row.reserve(static_cast<size_t>(q.FieldCount()));
    for (int i = 0; i < q.FieldCount(); ++i) row.push_back(q.FieldIsNull(i) ? std::string() : q.FieldAsText(i));
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace tarlow
