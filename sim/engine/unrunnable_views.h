// Views whose queries Oracle compiles but this engine cannot run: which
// failures mark such a query, and the column names its text gives, so the
// view keeps its columns in the dictionary while it is held with errors.
#pragma once

#include <string>
#include <vector>

#include "engine/internal.h"

namespace ocisim::dict {

// Whether `upperName` is one of Oracle's own SQL functions (analytic,
// aggregate, JSON, XML, regular expression, statistics), which a server
// compiles wherever they stand.
bool isOracleBuiltinFunction(const std::string& upperName);

// The name an "invalid identifier" message quotes, up to any dot ("F" of
// "F" or "F.G"), or "".
std::string quotedIdentifier(const std::string& message);

// The column names of a view: the list written after its name when there
// is one, else the names of its query's select list (an alias, or the
// column a plain column reference names).  Empty when some column has no
// name the text gives (an unaliased expression, a "*").
std::vector<std::string> viewColumnNames(const std::vector<std::string>& columnList, const std::string& query);

}  // namespace ocisim::dict
