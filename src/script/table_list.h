// Filling the object list from the logged-on user's tables.
#pragma once

class TOracleDataSet;

namespace tarlow {

class ObjectList;

// Closes the data set, sets its statement to the user's tables, opens it and
// replaces the list's items by one unticked item per table name.  Errors of
// the query reach the caller; the list is then left as it was.
void ListTables(TOracleDataSet& ds, ObjectList& list);

}  // namespace tarlow
