#include "script/table_list.h"

#include "oracle/dataset.h"
#include "script/object_list.h"

namespace tarlow {

void ListTables(TOracleDataSet& ds, ObjectList& list) {
  ds.SetActive(false);
  ds.SetSQL({"Select Table_Name from sys.user_tables"});
  ds.SetActive(true);
  ds.First();
  list.Clear();
  for (; !ds.Eof(); ds.Next()) list.Add(ds.FieldByName("Table_Name").AsString());
}

}  // namespace tarlow
