// Databases and their users: creating a database file, adding users,
// account states, the version banner, and opening a database by its net
// service name.
#include <sys/stat.h>

#include <cstdlib>
#include <random>

#include "engine/core.h"
#include "platform/ascii.h"

namespace ocisim {

OraError::OraError(int code, const std::string& text)
    : std::runtime_error([&] {
        char buf[16];
        std::snprintf(buf, sizeof buf, "ORA-%05d: ", code);
        return buf + text;
      }()),
      code_(code) {}

void execSql(sqlite3* db, const char* sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
    std::string msg = err ? err : sqlite3_errmsg(db);
    sqlite3_free(err);
    throw OraError(600, "internal error code, arguments: [ocisim], [" + msg + "]");
  }
}

namespace {

std::string upperCase(std::string s) {
  for (char& c : s) c = platform::asciiUpper(c);
  return s;
}

std::string databasePath(const std::string& dataDir, const std::string& name) {
  return (dataDir.empty() ? std::string(".") : dataDir) + "/" + upperCase(name) + ".db";
}

bool fileExists(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// An administration handle on a database file, closed on every path.
struct AdminDb {
  sqlite3* db = nullptr;
  explicit AdminDb(const std::string& path, bool create) {
    int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
      std::string msg = db ? sqlite3_errmsg(db) : "out of memory";
      sqlite3_close(db);
      db = nullptr;
      throw OraError(12154, "TNS:could not resolve the connect identifier specified");
    }
    sqlite3_busy_timeout(db, 10000);
    configureStorage(db);
  }
  ~AdminDb() { sqlite3_close(db); }
  AdminDb(const AdminDb&) = delete;
  AdminDb& operator=(const AdminDb&) = delete;
};

AdminDb openExisting(const std::string& dataDir, const std::string& name);

void runWithText(sqlite3* db, const char* sql, const std::string& a, const std::string& b = {},
                 const std::string& c = {}, int* changes = nullptr) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
    throw OraError(600, std::string("internal error code, arguments: [ocisim], [") + sqlite3_errmsg(db) + "]");
  int n = sqlite3_bind_parameter_count(st);
  const std::string* args[] = {&a, &b, &c};
  for (int i = 0; i < n && i < 3; ++i) sqlite3_bind_text(st, i + 1, args[i]->c_str(), -1, SQLITE_TRANSIENT);
  int rc = sqlite3_step(st);
  std::string msg = sqlite3_errmsg(db);
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
    if ((rc & 0xff) == SQLITE_CONSTRAINT) throw OraError(1920, "user name '" + a + "' conflicts with another user or role name");
    throw OraError(600, "internal error code, arguments: [ocisim], [" + msg + "]");
  }
  if (changes) *changes = sqlite3_changes(db);
}

}  // namespace

void createDatabase(const std::string& dataDir, const std::string& name) {
  if (name.empty()) throw OraError(1501, "CREATE DATABASE failed");
  std::string path = databasePath(dataDir, name);
  if (fileExists(path)) throw OraError(1501, "CREATE DATABASE failed: database " + upperCase(name) + " already exists");
  try {
    AdminDb a(path, true);
    execSql(a.db, "PRAGMA journal_mode=WAL");
    execSql(a.db, "BEGIN");
    execSql(a.db,
            "CREATE TABLE ocisim_users(username TEXT PRIMARY KEY, password TEXT NOT NULL,"
            " account_status TEXT NOT NULL DEFAULT 'OPEN', user_id INTEGER NOT NULL,"
            " created TEXT NOT NULL);"
            "CREATE TABLE ocisim_meta(key TEXT PRIMARY KEY, value TEXT);"
            "INSERT INTO ocisim_meta VALUES('banner',"
            " 'Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production');");
    // Two databases number their unnamed constraints independently, so that a
    // SYS_C name copied from another database's script practically never
    // collides with one made here.
    std::random_device rd;
    std::uniform_int_distribution<int> dist(10000, 8999999);
    std::string base = std::to_string(dist(rd));
    runWithText(a.db, "INSERT INTO ocisim_meta VALUES('sys_c_next', ?)", base);
    // The catalog's views call the session functions; a bare connection
    // (this one) needs them registered to create them.
    Session bootstrap;
    bootstrap.db = a.db;
    registerFunctions(a.db, &bootstrap);
    initCatalog(a.db);
    execSql(a.db, "COMMIT");
  } catch (...) {
    std::remove(path.c_str());
    std::remove((path + "-wal").c_str());
    std::remove((path + "-shm").c_str());
    throw;
  }
}

namespace {
AdminDb openExisting(const std::string& dataDir, const std::string& name) {
  std::string path = databasePath(dataDir, name);
  if (name.empty() || !fileExists(path)) throw OraError(12154, "TNS:could not resolve the connect identifier specified");
  return AdminDb(path, false);
}
}  // namespace

void addUser(const std::string& dataDir, const std::string& database, const std::string& user,
             const std::string& password) {
  std::string u = upperCase(user);
  if (u.empty() || password.empty()) throw OraError(1935, "missing user or role name");
  AdminDb a = openExisting(dataDir, database);
  runWithText(a.db,
              "INSERT INTO ocisim_users(username, password, account_status, user_id, created)"
              " VALUES(?1, ?2, 'OPEN', (SELECT coalesce(max(user_id), 100) + 1 FROM ocisim_users),"
              " strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'))",
              u, password);
}

void setUserStatus(const std::string& dataDir, const std::string& database, const std::string& user,
                   const std::string& status) {
  std::string s = upperCase(status);
  if (s != "OPEN" && s != "LOCKED" && s != "EXPIRING") throw OraError(922, "missing or invalid option");
  AdminDb a = openExisting(dataDir, database);
  int changes = 0;
  runWithText(a.db, "UPDATE ocisim_users SET account_status = ?2 WHERE username = ?1", upperCase(user), s, {},
              &changes);
  if (changes == 0) throw OraError(1918, "user '" + upperCase(user) + "' does not exist");
}

void setVersionBanner(const std::string& dataDir, const std::string& database, const std::string& banner) {
  AdminDb a = openExisting(dataDir, database);
  runWithText(a.db, "INSERT OR REPLACE INTO ocisim_meta(key, value) VALUES('banner', ?)", banner);
}

std::unique_ptr<Connection> openConnection(const std::string& dataDir, const std::string& serviceName);

std::unique_ptr<Connection> attachIn(const std::string& dataDir, const std::string& serviceName) {
  std::string name = serviceName;
  // Blanks around the name, as a logon dialog may leave them, do not count.
  while (!name.empty() && platform::isAsciiSpace(name.back())) name.pop_back();
  size_t b = 0;
  while (b < name.size() && platform::isAsciiSpace(name[b])) ++b;
  name = name.substr(b);
  if (name.empty() || name.find('/') != std::string::npos || name.find("..") != std::string::npos ||
      !fileExists(databasePath(dataDir, name)))
    throw OraError(12154, "TNS:could not resolve the connect identifier specified");
  return openConnection(dataDir, upperCase(name));
}

std::unique_ptr<Connection> attach(const std::string& serviceName) {
  const char* dir = std::getenv("OCISIM_DATA");
  if (!dir || !*dir) throw OraError(12154, "TNS:could not resolve the connect identifier specified");
  return attachIn(dir, serviceName);
}

std::string databaseFile(const std::string& dataDir, const std::string& name) { return databasePath(dataDir, name); }

}  // namespace ocisim
