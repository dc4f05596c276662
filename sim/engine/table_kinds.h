// Kinds of tables beyond the plain heap table: global temporary tables,
// partitioned tables and their local and global indexes, index-organized
// overflow segments, materialized view containers, and columns of object
// types.  Their catalog rows live in the tables kKindsCatalog makes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/dict.h"

namespace ocisim::dict {

// The catalog tables and views of these kinds: made with a new database and
// added to one made before them.
extern const char* kKindsCatalog;
void ensureKindsCatalog(sqlite3* db);

// ---- partitioning --------------------------------------------------------

struct PartitionDef {
  std::string name;
  std::string highValue;  // VALUES LESS THAN (...) / VALUES (...) as written; "" for HASH
  Storage storage;
  std::vector<PartitionDef> subpartitions;
};

struct TablePartitioning {
  std::string type;                        // RANGE, LIST, HASH
  std::vector<std::string> columns;
  std::string interval;                    // INTERVAL (expr) as written, or ""
  std::string subType;                     // "" or RANGE, LIST, HASH
  std::vector<std::string> subColumns;
  long long subCount = 0;                  // SUBPARTITIONS n
  std::vector<PartitionDef> subTemplate;   // SUBPARTITION TEMPLATE (...)
  std::vector<PartitionDef> partitions;
};

// PARTITION BY ... at the cursor; nullopt when the cursor is not there.
std::optional<TablePartitioning> parsePartitioning(Cursor& c);
// Checks the partitioning against the table's columns and records it in
// the catalog; the table's rows are then routed to its partitions (ORA-14400
// for a row none takes).
void recordPartitioning(Session& s, const std::string& owner, const std::string& table, TablePartitioning scheme,
                        const Storage& tableStorage);
// The SQLite trigger that refuses rows no partition takes, from the catalog.
void installPartitionRouting(Session& s, const std::string& owner, const std::string& table);
// Forgets the partitioning of a dropped table and of its indexes.
void dropPartitioning(Session& s, const std::string& owner, const std::string& table);

// LOCAL [(PARTITION p ...)] or GLOBAL PARTITION BY ... after CREATE INDEX's
// column list; false when neither is there.
struct IndexPartitioning {
  bool local = false;
  std::optional<TablePartitioning> global;
  std::vector<PartitionDef> localPartitions;
};
std::optional<IndexPartitioning> parseIndexPartitioning(Cursor& c);
void recordIndexPartitioning(Session& s, const std::string& owner, const std::string& index,
                             const std::string& table, const IndexPartitioning& p);
void dropIndexPartitioning(Session& s, const std::string& owner, const std::string& index);

// ---- temporary tables ----------------------------------------------------

// Rows of ON COMMIT DELETE ROWS tables go at each commit; rows of ON COMMIT
// PRESERVE ROWS tables at the end of the session.
void emptyTransactionTables(Session& s);
void emptySessionTables(Session& s);

// ---- materialized views and grants -----------------------------------------

// CREATE MATERIALIZED VIEW name [options] AS query: its container table with
// the query's rows, and its USER_MVIEWS row.  CREATE MATERIALIZED VIEW LOG
// ON table: its log table MLOG$_table.
void createMaterializedView(Session& s, Cursor& c);
// GRANT / REVOKE of object privileges on the user's own objects, as
// USER_TAB_PRIVS_MADE shows them; other forms are accepted and forgotten.
void recordObjectGrant(Session& s, Cursor& c, bool grant);

// ---- object types --------------------------------------------------------

// XMLTYPE, SYS.XMLTYPE or a type the user made, at the cursor; nullopt (the
// cursor unmoved) for anything else.
std::optional<ColumnDef> parseObjectType(Session& s, Cursor& c);

}  // namespace ocisim::dict
