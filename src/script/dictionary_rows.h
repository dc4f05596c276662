// Small dictionary reads that want all their rows at once: each row's
// fields as texts (empty for null), read on a query of their own so that
// they never disturb the writers' shared queries.
#pragma once

#include <string>
#include <vector>

#include "oracle/query.h"

namespace tarlow {

using DictionaryRow = std::vector<std::string>;

// Throws what the query throws.
std::vector<DictionaryRow> ReadDictionaryRows(TOracleSession* session, const std::string& sql);

}  // namespace tarlow
