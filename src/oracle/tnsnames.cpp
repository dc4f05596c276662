#include "oracle/tnsnames.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "oracle/loader.h"
#include "platform/environment.h"

namespace oci {

namespace {

struct NameState {
  std::mutex lock;
  std::unique_ptr<std::vector<std::string>> names;
  std::optional<std::string> path;
};

NameState& State() {
  static NameState s;
  return s;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string TrimBlanks(const std::string& s) {
  std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  std::size_t e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

// The locale's order with letter case ignored; names equal in that sense
// are the same name.
bool LessIgnoringCase(const std::string& a, const std::string& b) {
  const std::string la = Lower(a);
  const std::string lb = Lower(b);
  const int c = std::strcoll(la.c_str(), lb.c_str());
  if (c != 0) return c < 0;
  return la < lb;
}

void AddName(std::vector<std::string>& names, const std::string& name) {
  auto it = std::lower_bound(names.begin(), names.end(), name, LessIgnoringCase);
  if (it != names.end() && Lower(*it) == Lower(name)) return;
  names.insert(it, name);
}

// Identity of a file for the include guard: the resolved path where the
// file system can resolve it, else the path as written.
std::string FileKey(const std::string& path) {
  std::error_code ec;
  auto canonical = std::filesystem::canonical(path, ec);
  return ec ? path : canonical.string();
}

// Read errors must not pass for the end of the file, so this reads with the
// system calls rather than a stream.
std::string ReadWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "Cannot open " + path);
  std::string content;
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      throw std::system_error(err, std::generic_category(), "Cannot read " + path);
    }
    if (n == 0) break;
    content.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return content;
}

void ParseFile(std::string path, std::vector<std::string>& names, std::set<std::string>& seen) {
  while (path.rfind("\\\\\\", 0) == 0) path.erase(0, 1);
  if (!platform::fileExists(path)) return;
  if (!seen.insert(FileKey(path)).second) return;  // already read in this pass

  const std::string content = ReadWholeFile(path);

  int depth = 0;
  bool includePending = false;
  std::size_t pos = 0;
  while (pos < content.size()) {
    // A line ends at LF, CR or CR LF.
    std::size_t end = content.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = content.size();
    const std::string line = content.substr(pos, end - pos);
    pos = end;
    if (pos < content.size()) {
      const bool crlf = content[pos] == '\r' && pos + 1 < content.size() && content[pos + 1] == '\n';
      pos += crlf ? 2 : 1;
    }

    if (!line.empty() && line[0] == '#') continue;
    std::string top;
    for (char ch : line) {
      if (ch == '(') ++depth;
      if (depth == 0 && static_cast<unsigned char>(ch) >= 32) top.push_back(ch);
      if (ch == ')') --depth;
    }
    top = TrimBlanks(top);
    if (top.empty()) continue;

    const std::size_t eq = top.find('=');
    if (eq != std::string::npos) {
      const std::string value = TrimBlanks(top.substr(eq + 1));
      std::string name = TrimBlanks(top.substr(0, eq));
      const std::size_t world = Upper(name).find(".WORLD");
      if (world != std::string::npos) name.erase(world);
      if (Lower(name) == "ifile") {
        if (!value.empty()) {
          ParseFile(value, names, seen);
          includePending = false;
        } else {
          includePending = true;
        }
      } else {
        AddName(names, name);
      }
    } else if (includePending) {
      ParseFile(top, names, seen);
      includePending = false;
    }
  }
}

std::string ComputePath() {
  const std::string home = FindOracleHome();
  InitOCI();  // the availability flags decide the folder below
  std::string dir;
  try {
    dir = platform::getEnv("TNS_ADMIN").value_or("");
    if (dir.empty()) dir = ReadRegString(home, "TNS_ADMIN");
    if (dir.empty() && Lower(home) != Lower("SOFTWARE\\ORACLE"))
      dir = ReadRegString("SOFTWARE\\ORACLE", "TNS_ADMIN");
    if (dir.empty()) {
      const std::string net = ReadRegString(home, OCI8Available() ? "NET80" : "NET20");
      if (!net.empty()) {
        dir = AppendPath(net, "admin");
      } else {
        const std::string oracleHome = ReadRegString(home, "ORACLE_HOME");
        dir = AppendPath(oracleHome,
                         OCI8Available() && !OCI81Available() ? "net80/admin" : "network/admin");
      }
    }
    return AppendPath(dir, "tnsnames.ora");
  } catch (...) {
    return AppendPath(dir, "tnsnames.ora");
  }
}

}  // namespace

std::string TnsNamesPath() {
  NameState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.lock);
    if (s.path) return *s.path;
  }
  std::string path = ComputePath();
  std::lock_guard<std::mutex> lock(s.lock);
  if (!s.path) s.path = std::move(path);
  return *s.path;
}

void ParseTnsNames(const std::string& path) {
  NameState& s = State();
  std::vector<std::string> names;
  {
    std::lock_guard<std::mutex> lock(s.lock);
    if (!s.names) s.names = std::make_unique<std::vector<std::string>>();
    names = *s.names;
  }
  std::set<std::string> seen;
  try {
    ParseFile(path, names, seen);
  } catch (...) {
    // Names added before the failure stay in the list.
    std::lock_guard<std::mutex> lock(s.lock);
    *s.names = std::move(names);
    throw;
  }
  std::lock_guard<std::mutex> lock(s.lock);
  *s.names = std::move(names);
}

void RebuildNetServiceNames() {
  NameState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.lock);
    if (!s.names) s.names = std::make_unique<std::vector<std::string>>();
    s.names->clear();
  }
  ParseTnsNames(TnsNamesPath());
}

const std::vector<std::string>& NetServiceNames() {
  NameState& s = State();
  bool exists;
  {
    std::lock_guard<std::mutex> lock(s.lock);
    exists = s.names != nullptr;
  }
  if (!exists) RebuildNetServiceNames();
  return *s.names;
}

void ResetNetServiceNames() {
  NameState& s = State();
  std::lock_guard<std::mutex> lock(s.lock);
  s.names.reset();
  s.path.reset();
}

}  // namespace oci
