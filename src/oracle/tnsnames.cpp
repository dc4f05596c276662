#include "oracle/tnsnames.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>
#include <unordered_set>

#include <sys/stat.h>

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

// Names, keywords and parameter names are ASCII: they are case-mapped as
// ASCII whatever the process locale (a Turkish locale maps 'I' elsewhere).
std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string TrimBlanks(const std::string& s) {
  std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  std::size_t e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

// A names file is a few kilobytes; anything near these sizes is not one, and
// reading it whole would only exhaust the memory.
constexpr off_t kMaxFileBytes = 4 << 20;
constexpr std::size_t kMaxTotalBytes = 64 << 20;

// Identity of a file for the include guard: the resolved path where the
// file system can resolve it, else the path as written.
std::string FileKey(const std::string& path) {
  std::error_code ec;
  auto canonical = std::filesystem::canonical(path, ec);
  return ec ? path : canonical.string();
}

[[noreturn]] void ThrowSystem(int err, const std::string& what) {
  throw std::system_error(err, std::generic_category(), what);
}

// Read errors must not pass for the end of the file, so this reads with the
// system calls rather than a stream.  The file is opened without waiting: a
// file that has nothing to give yet (a device or a kernel log dressed as a
// regular file) is an error, not a hang.
std::string ReadWholeFile(const std::string& path, std::size_t& totalBytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) ThrowSystem(errno, "Cannot open " + path);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) ThrowSystem(errno, "Cannot read " + path);
  if (!S_ISREG(st.st_mode)) throw std::runtime_error("Cannot read " + path + ": not a regular file");
  const auto tooLarge = [&] {
    return std::runtime_error("Cannot read " + path + ": a names file may hold at most " +
                              std::to_string(kMaxFileBytes >> 20) + " MB");
  };
  if (st.st_size > kMaxFileBytes) throw tooLarge();
  std::string content;
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowSystem(errno, "Cannot read " + path);
    }
    if (n == 0) break;
    content.append(chunk, static_cast<std::size_t>(n));
    // Files whose size the system does not know are held to the same limit.
    if (content.size() > static_cast<std::size_t>(kMaxFileBytes)) throw tooLarge();
  }
  totalBytes += content.size();
  if (totalBytes > kMaxTotalBytes)
    throw std::runtime_error("Cannot read " + path + ": the names file and its include files hold more than " +
                             std::to_string(kMaxTotalBytes >> 20) + " MB together");
  return content;
}

// A path written with three or more leading backslashes keeps two.
void TrimLeadingBackslashes(std::string& path) {
  const std::size_t n = path.find_first_not_of('\\');
  const std::size_t count = n == std::string::npos ? path.size() : n;
  if (count >= 3) path.erase(0, count - 2);
}

// One file being read: its text, where reading goes on, and the scanner's
// state at that point.
struct OpenFile {
  std::string content;
  std::size_t pos = 0;
  int depth = 0;
  bool includePending = false;
};

// Reads the file and the files it includes, each include at the point where
// it is named.  The include chain is kept on an explicit stack, so however
// long it is, the program's own stack does not grow with it.
void ParseFile(const std::string& rootPath, std::vector<std::string>& names, std::set<std::string>& seen) {
  std::vector<OpenFile> stack;
  std::size_t totalBytes = 0;
  const auto open = [&](std::string path) {
    TrimLeadingBackslashes(path);
    if (!platform::fileExists(path)) return;
    if (!seen.insert(FileKey(path)).second) return;  // already read in this pass
    OpenFile file;
    file.content = ReadWholeFile(path, totalBytes);
    stack.push_back(std::move(file));
  };
  open(rootPath);

  while (!stack.empty()) {
    OpenFile& file = stack.back();
    if (file.pos >= file.content.size()) {
      stack.pop_back();
      continue;
    }
    const std::string& content = file.content;
    // A line ends at LF, CR or CR LF.
    std::size_t end = content.find_first_of("\r\n", file.pos);
    if (end == std::string::npos) end = content.size();
    const std::string_view line(content.data() + file.pos, end - file.pos);
    file.pos = end;
    if (file.pos < content.size()) {
      const bool crlf = content[file.pos] == '\r' && file.pos + 1 < content.size() && content[file.pos + 1] == '\n';
      file.pos += crlf ? 2 : 1;
    }

    if (!line.empty() && line[0] == '#') continue;
    std::string top;
    for (char ch : line) {
      if (ch == '(') ++file.depth;
      if (file.depth == 0 && static_cast<unsigned char>(ch) >= 32) top.push_back(ch);
      if (ch == ')') --file.depth;
    }
    top = TrimBlanks(top);
    if (top.empty()) continue;

    // The include is opened after this file's state is settled: opening it
    // may move the stack's storage.
    std::optional<std::string> include;
    const std::size_t eq = top.find('=');
    if (eq != std::string::npos) {
      const std::string value = TrimBlanks(top.substr(eq + 1));
      std::string name = TrimBlanks(top.substr(0, eq));
      const std::size_t world = Lower(name).find(".world");
      if (world != std::string::npos) name.erase(world);
      if (Lower(name) == "ifile") {
        if (!value.empty()) {
          include = value;
          file.includePending = false;
        } else {
          file.includePending = true;
        }
      } else {
        names.push_back(std::move(name));
      }
    } else if (file.includePending) {
      include = top;
      file.includePending = false;
    }
    if (include) open(*include);
  }
}

// The list's order: the locale's collation of the names with letter case
// ignored, ties broken by their bytes.  Names equal but for letter case are
// one name, the first met.  Each name's collation key is made once, so the
// sort costs n log n comparisons of ready keys.
void SortAndMerge(std::vector<std::string>& list, std::vector<std::string>&& added) {
  std::unordered_set<std::string> present;
  present.reserve(list.size() + added.size());
  std::vector<std::string> all;
  all.reserve(list.size() + added.size());
  const auto take = [&](std::vector<std::string>& group) {
    for (std::string& name : group)
      if (present.insert(Lower(name)).second) all.push_back(std::move(name));
  };
  take(list);
  take(added);
  struct Keyed {
    std::string key, lower, name;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(all.size());
  for (std::string& name : all) {
    std::string lower = Lower(name);
    std::string key(std::strxfrm(nullptr, lower.c_str(), 0), '\0');
    std::strxfrm(key.data(), lower.c_str(), key.size() + 1);
    keyed.push_back({std::move(key), std::move(lower), std::move(name)});
  }
  std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    if (a.key != b.key) return a.key < b.key;
    return a.lower < b.lower;
  });
  list.clear();
  for (Keyed& k : keyed) list.push_back(std::move(k.name));
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
  std::vector<std::string> added;
  try {
    ParseFile(path, added, seen);
  } catch (...) {
    // Names added before the failure stay in the list.
    SortAndMerge(names, std::move(added));
    std::lock_guard<std::mutex> lock(s.lock);
    *s.names = std::move(names);
    throw;
  }
  SortAndMerge(names, std::move(added));
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
