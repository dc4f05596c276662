// ocisim: the stand-in database's admin tool.
//
//   ocisim --data DIR --database NAME create
//   ocisim --data DIR --database NAME adduser USER PASSWORD
//   ocisim --data DIR --database NAME setstatus USER OPEN|LOCKED|EXPIRING
//   ocisim --data DIR --database NAME banner TEXT
//   ocisim --data DIR --database NAME --user USER --password PW run [--lenient] FILE...
//   ocisim --data DIR --database NAME --user USER --password PW query SQL
//
// --data defaults to $OCISIM_DATA.  `run` reads the scripts as SQL*Plus does
// (tool/sqlplus_reader.h); --lenient reads them the forgiving way of
// tool/script.h instead.  It reports each failing statement as
// FILE:LINE: ORA-nnnnn: text, and each line SQL*Plus would refuse as
// FILE:LINE: SP2-nnnn: text, on standard error, goes on with the next one and
// exits with status 1 when anything failed.  `query` prints the column names and
// then one line per row, tab-separated; NULL is empty, dates are written
// YYYY-MM-DD HH24:MI:SS, binary values in hexadecimal.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "tool/script.h"
#include "tool/sqlplus_reader.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: ocisim [--data DIR] --database NAME create\n"
               "       ocisim [--data DIR] --database NAME adduser USER PASSWORD\n"
               "       ocisim [--data DIR] --database NAME setstatus USER OPEN|LOCKED|EXPIRING\n"
               "       ocisim [--data DIR] --database NAME banner TEXT\n"
               "       ocisim [--data DIR] --database NAME --user USER --password PW run [--lenient] FILE...\n"
               "       ocisim [--data DIR] --database NAME --user USER --password PW query SQL\n");
  return 2;
}

std::string showValue(const ocisim::Value& v) {
  char buf[40];
  switch (v.kind) {
    case ocisim::Value::Kind::Null: return "";
    case ocisim::Value::Kind::Date:
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", v.date.year, v.date.month, v.date.day,
                    v.date.hour, v.date.minute, v.date.second);
      return buf;
    case ocisim::Value::Kind::Binary: {
      std::string out;
      for (unsigned char c : v.data) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
      }
      return out;
    }
    default: return v.data;
  }
}

bool readFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  out = ss.str();
  return true;
}

std::string dirOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

struct Runner {
  ocisim::Connection& conn;
  bool lenient = false;
  int failed = 0;
  int run = 0;
  int depth = 0;
  ocisim::tool::SqlPlusReader reader;  // one SQL*Plus session for every file

  void runFile(const std::string& path, const std::string& shownAs) {
    std::string text;
    if (!readFile(path, text)) {
      std::fprintf(stderr, "%s: cannot open the file\n", shownAs.c_str());
      ++failed;
      return;
    }
    auto onStatement = [&](const ocisim::tool::ScriptStatement& st) {
      ++run;
      try {
        auto s = conn.prepare(st.text);
        s->execute();
        if (s->kind() == ocisim::StatementKind::Select) {
          std::vector<ocisim::Value> row;
          while (s->fetch(row)) {
          }
        }
      } catch (const std::exception& e) {
        ++failed;
        std::fprintf(stderr, "%s:%d: %s\n", shownAs.c_str(), st.line, e.what());
        reader.statementFailed();
      }
    };
    auto onInclude = [&](const ocisim::tool::ScriptInclude& inc) {
      if (depth >= 20) {
        std::fprintf(stderr, "%s:%d: scripts nested too deeply\n", shownAs.c_str(), inc.line);
        ++failed;
        return;
      }
      std::string p = inc.path;
      if (p.find('.') == std::string::npos) p += ".sql";
      if (p[0] != '/') p = dirOf(path) + "/" + p;
      ++depth;
      runFile(p, p);
      --depth;
    };
    if (lenient) {
      ocisim::tool::splitScript(text, onStatement, onInclude);
      return;
    }
    ocisim::tool::ScriptReaderEvents events;
    events.onStatement = onStatement;
    events.onInclude = onInclude;
    events.onProblem = [&](const ocisim::tool::ScriptProblem& p) {
      ++failed;
      std::fprintf(stderr, "%s:%d: %s\n", shownAs.c_str(), p.line, p.message.c_str());
    };
    reader.read(text, events);
  }
};

}  // namespace

int main(int argc, char** argv) {
  std::string data, database, user, password;
  bool lenient = false;  // run: the forgiving reading instead of SQL*Plus's
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    if (a == "--data") {
      if (!value(data)) return usage();
    } else if (a == "--database") {
      if (!value(database)) return usage();
    } else if (a == "--user") {
      if (!value(user)) return usage();
    } else if (a == "--password") {
      if (!value(password)) return usage();
    } else if (a == "--lenient") {
      lenient = true;
    } else if (a == "--help" || a == "-h") {
      usage();
      return 0;
    } else {
      args.push_back(a);
    }
  }
  if (data.empty()) {
    const char* env = std::getenv("OCISIM_DATA");
    if (env) data = env;
  }
  if (args.empty() || database.empty() || data.empty()) return usage();
  const std::string& cmd = args[0];
  try {
    if (cmd == "create" && args.size() == 1) {
      ocisim::createDatabase(data, database);
      return 0;
    }
    if (cmd == "adduser" && args.size() == 3) {
      ocisim::addUser(data, database, args[1], args[2]);
      return 0;
    }
    if (cmd == "setstatus" && args.size() == 3) {
      ocisim::setUserStatus(data, database, args[1], args[2]);
      return 0;
    }
    if (cmd == "banner" && args.size() == 2) {
      ocisim::setVersionBanner(data, database, args[1]);
      return 0;
    }
    if ((cmd == "run" && args.size() >= 2) || (cmd == "query" && args.size() == 2)) {
      if (user.empty()) return usage();
      auto conn = ocisim::attachIn(data, database);
      std::string warning;
      conn->logon(user, password, &warning);
      if (!warning.empty()) std::fprintf(stderr, "%s\n", warning.c_str());
      if (cmd == "query") {
        auto st = conn->prepare(args[1]);
        st->execute();
        const auto& cols = st->describe();
        std::string line;
        for (size_t i = 0; i < cols.size(); ++i) line += (i ? "\t" : "") + cols[i].name;
        std::cout << line << "\n";
        std::vector<ocisim::Value> row;
        while (st->fetch(row)) {
          line.clear();
          for (size_t i = 0; i < row.size(); ++i) line += (i ? "\t" : "") + showValue(row[i]);
          std::cout << line << "\n";
        }
        conn->commit();
        return 0;
      }
      Runner r{*conn, lenient, 0, 0, 0, {}};
      for (size_t i = 1; i < args.size() && !r.reader.exited(); ++i) r.runFile(args[i], args[i]);
      conn->commit();
      if (r.failed) {
        std::fprintf(stderr, "ocisim: %d of %d statements failed\n", r.failed, r.run);
        return 1;
      }
      return 0;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ocisim: %s\n", e.what());
    return 1;
  }
  return usage();
}
