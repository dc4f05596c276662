// How each connection to a database file keeps its pages.
//
// SQLite reads its whole schema table on every CREATE and DROP (to learn the
// new object) and on a connection's first statement, and a schema of
// thousands of tables fills many pages.  With SQLite's default cache of about
// 2 MB those pages are read from the file again each time; a larger cache and
// a memory map keep them in memory, so a DDL statement costs a walk over
// pages already at hand.  Pages are cached only as they are read, so a small
// database stays small in memory.
#include "engine/core.h"

namespace ocisim {

void configureStorage(sqlite3* db) {
  // Failures leave SQLite's defaults, which are slower but correct.
  sqlite3_exec(db,
               "PRAGMA cache_size = -131072;"     // up to 128 MiB of pages
               "PRAGMA mmap_size = 268435456;"    // map up to 256 MiB of the file
               "PRAGMA synchronous = NORMAL",     // in WAL mode: consistent after a crash, no sync per commit
               nullptr, nullptr, nullptr);
}

}  // namespace ocisim
