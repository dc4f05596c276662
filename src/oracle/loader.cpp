#include "oracle/loader.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <vector>

#include "oracle/errors.h"
#include "platform/critical_section.h"
#include "platform/dynamic_library.h"
#include "platform/environment.h"
#include "platform/ini_file.h"
#include "platform/registry.h"
#include "platform/ascii.h"

namespace oci {

namespace {

const char* const kCRLF = "\r\n";
// The client library's name under the home's lib/, and the name handed to
// the system loader when there is no home at all.
const char* const kClientLibrary = "libclntsh.so";
const char* const kMTSLibrary = "libclntsh_mts.so";

struct Home {
  std::string name;
  int number;
};

struct LoaderState {
  std::string ociDll;
  bool chosenAutomatically = true;
  platform::LibraryHandle library = nullptr;
  platform::LibraryHandle mtsLibrary = nullptr;
  bool mtsLoaded = false;
  std::string mtsPath;
  std::string oracleHomeKey;
  bool homeKeyComputed = false;
  std::string oracleHomeDir;
  std::string oracleHomeName;
  std::vector<std::string> log;
  std::string initLog;
  std::string savedDirectory;
  std::string retryDirectory;  // where the retry went, to tell whether it is still current
  bool oci7 = false, olog = false, opinit = false, oci8 = false, oci81 = false;
  Api api;
  std::vector<Home> homes;
  // Set while the current OCIDLL is the bare library name handed to the
  // system loader because there is no Oracle home.
  bool bareSearch = false;
};

LoaderState& state() {
  static LoaderState s;
  return s;
}

TOracleCriticalSection& ociLock() {
  static TOracleCriticalSection lock;
  return lock;
}

// Holds OCILock for a scope; Leave runs however the scope ends.
struct LockGuard {
  LockGuard() { ociLock().Enter(); }
  ~LockGuard() { ociLock().Leave(); }
};

void addLog(const std::string& line) { state().log.push_back(line); }

std::string joinLog() {
  std::string text;
  for (size_t i = 0; i < state().log.size(); ++i) {
    if (i) text += kCRLF;
    text += state().log[i];
  }
  return text;
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

// ---- Oracle homes ---------------------------------------------------------

// A decimal integer, as the home counter is written; nothing when the text
// is not one.
std::optional<long> parseInteger(const std::string& text) {
  if (text.empty()) return std::nullopt;
  size_t i = 0;
  if (text[0] == '+' || text[0] == '-') i = 1;
  if (i >= text.size()) return std::nullopt;
  long v = 0;
  for (; i < text.size(); ++i) {
    if (!platform::isAsciiDigit(text[i])) return std::nullopt;
    v = v * 10 + (text[i] - '0');
    if (v > 1000000) return std::nullopt;  // no machine has that many homes
  }
  return text[0] == '-' ? -v : v;
}

void readOracleHomes() {
  auto& homes = state().homes;
  homes.clear();
  auto counter = parseInteger(ReadRegString("SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER"));
  if (!counter) return;
  long n = std::max<long>(*counter, 1);
  for (long i = 0; i < n; ++i) {
    std::string name = ReadRegString("SOFTWARE\\ORACLE\\HOME" + std::to_string(i), "ORACLE_HOME_NAME");
    if (name.empty()) continue;
    std::string upper = platform::toUpperAscii(name);
    bool duplicate = std::any_of(homes.begin(), homes.end(),
                                 [&](const Home& h) { return platform::toUpperAscii(h.name) == upper; });
    if (duplicate) continue;
    homes.push_back({name, static_cast<int>(i)});
  }
  std::stable_sort(homes.begin(), homes.end(), [](const Home& a, const Home& b) {
    return platform::toUpperAscii(a.name) < platform::toUpperAscii(b.name);
  });
}

std::string computeOracleHomeKey() {
  readOracleHomes();
  std::string key;
  const auto& homes = state().homes;
  if (homes.empty()) {
    key = "SOFTWARE\\ORACLE";
  } else {
    std::string wanted = platform::toUpperAscii(CommandLineValue("ORACLEHOME"));
    state().oracleHomeName = wanted;
    std::string path = platform::toUpperAscii(platform::getEnv("PATH").value_or("").substr(0, 1000));
    size_t best = path.size();
    std::string candidate;
    for (const Home& home : homes) {
      candidate = "SOFTWARE\\ORACLE\\HOME" + std::to_string(home.number);
      if (!wanted.empty() && platform::toUpperAscii(home.name) == wanted) {
        key = candidate;
        break;
      }
      std::string dir = ReadRegString(candidate, "ORACLE_HOME");
      if (dir.empty()) continue;
      std::string bin = platform::toUpperAscii(AppendPath(dir, "bin"));
      size_t pos = path.find(bin);
      // The position counts from 1 as the search routine reports it, so a
      // bin directory at the very start of PATH (position 1) counts too.
      if (pos != std::string::npos && pos + 1 < best) {
        key = candidate;
        best = pos + 1;
      }
    }
    if (key.empty()) key = candidate;
  }
  if (ReadRegString(key, "ORACLE_HOME").empty()) key = "SOFTWARE\\ORACLE";
  return key;
}

// ---- candidate files --------------------------------------------------------

// The version of a libclntsh.so.N.M name as its numeric parts; nothing when
// it does not parse or is all zeros.
std::optional<std::vector<long>> libraryVersion(const std::string& fileName) {
  std::string prefix = std::string(kClientLibrary) + ".";
  if (fileName.size() <= prefix.size() || fileName.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  std::vector<long> parts;
  std::string rest = fileName.substr(prefix.size());
  size_t start = 0;
  while (true) {
    size_t dot = rest.find('.', start);
    std::string part = rest.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (part.empty() || part.size() > 9) return std::nullopt;
    for (char c : part)
      if (!platform::isAsciiDigit(c)) return std::nullopt;
    parts.push_back(std::stol(part));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  if (std::all_of(parts.begin(), parts.end(), [](long p) { return p == 0; })) return std::nullopt;
  return parts;
}

struct Candidate {
  std::string path;
  std::string fileName;
};

std::vector<Candidate> findOCIDLLs(bool log) {
  std::vector<Candidate> list;
  const std::string& home = state().oracleHomeDir;
  if (home.empty()) return list;
  std::string dir = AppendPath(home, "lib");
  std::string plain = AppendPath(dir, kClientLibrary);
  if (platform::fileExists(plain)) {
    list.push_back({plain, kClientLibrary});
    if (log) addLog(std::string("Found: ") + kClientLibrary);
  }
  for (const std::string& name : platform::listDirectory(dir)) {
    if (!libraryVersion(name)) continue;
    std::string path = AppendPath(dir, name);
    if (!platform::fileExists(path)) continue;
    list.push_back({path, name});
    if (log) addLog("Found: " + name);
  }
  return list;
}

// 0 chosen, 1 nothing to load, 3 no Oracle client installed.
int chooseOCIDLL() {
  LoaderState& s = state();
  s.chosenAutomatically = false;
  s.bareSearch = false;
  std::string forced = CommandLineValue("OCIDLL");
  if (!forced.empty()) s.ociDll = forced;
  if (!s.ociDll.empty()) {
    addLog("OCIDLL forced to " + s.ociDll);
    return 0;
  }
  std::string key = FindOracleHome();
  s.oracleHomeDir = ReadRegString(key, "ORACLE_HOME");
  addLog("OracleHomeKey: " + key);
  addLog("OracleHomeDir: " + s.oracleHomeDir);
  std::vector<Candidate> candidates = findOCIDLLs(true);
  if (s.oracleHomeDir.empty()) {
    // No home: an Instant Client on the system loader's search path.  If it
    // does not load either, the client counts as not installed.
    s.ociDll = kClientLibrary;
    s.chosenAutomatically = true;
    s.bareSearch = true;
    addLog("Using: " + s.ociDll);
    return 0;
  }
  std::vector<long> best;
  for (const Candidate& c : candidates) {
    if (c.fileName == kClientLibrary) {
      s.ociDll = c.path;
      s.chosenAutomatically = true;
      break;
    }
    auto version = libraryVersion(c.fileName);
    if (version && *version > best) {
      s.ociDll = c.path;
      s.chosenAutomatically = true;
      best = *version;
    }
  }
  if (s.ociDll.empty()) return 1;
  addLog("Using: " + s.ociDll);
  return 0;
}

// Binds one group: while the flag holds, each name is looked up and a
// missing one clears it; after that the rest stay null.
template <typename Fn>
void bindOne(platform::LibraryHandle library, bool& flag, Fn& pointer, const char* name) {
  pointer = nullptr;
  if (!flag) return;
  void* symbol = platform::findSymbol(library, name);
  if (!symbol) {
    flag = false;
    return;
  }
  pointer = reinterpret_cast<Fn>(symbol);
}

void bindGroups() {
  LoaderState& s = state();
  Availability a = BindEntryPoints(s.library, s.api);
  s.oci7 = a.OCI7;
  s.olog = a.OLog;
  s.opinit = a.OPInit;
  s.oci8 = a.OCI8;
  s.oci81 = a.OCI81;
}

// 0 loaded, 1 could not load (or locate), 2 not a usable client, 3 no client.
int loadOCI() {
  LoaderState& s = state();
  if (s.library) return 0;
  s.log.clear();
  int status = chooseOCIDLL();
  if (status != 0) return status;
  s.library = platform::loadLibrary(s.ociDll);
  if (!s.library) {
    std::string dir = platform::directoryPart(s.ociDll);
    if (!dir.empty()) {
      // Some clients load only from their own directory: try once more from there.
      std::string current = platform::currentDirectory();
      if (platform::setCurrentDirectory(dir)) {
        if (s.savedDirectory.empty()) s.savedDirectory = current;
        s.retryDirectory = platform::currentDirectory();
        s.library = platform::loadLibrary(s.ociDll);
      }
    }
  }
  if (!s.library) {
    addLog("LoadLibrary(" + s.ociDll + ") returned 0: " + platform::lastLoadError());
    return s.bareSearch ? 3 : 1;
  }
  bindGroups();
  if (!s.oci7 && !s.oci8) return 2;
  return 0;
}

void unloadLocked() {
  LoaderState& s = state();
  platform::freeLibrary(s.mtsLibrary);
  s.mtsLibrary = nullptr;
  platform::freeLibrary(s.library);
  s.library = nullptr;
  if (s.chosenAutomatically) s.ociDll.clear();
  s.bareSearch = false;
  s.oci7 = s.olog = s.opinit = s.oci8 = s.oci81 = false;
  s.mtsLoaded = false;
  s.api = Api{};
  s.oracleHomeKey.clear();
  s.homeKeyComputed = false;
  s.oracleHomeDir.clear();
  s.mtsPath.clear();
}

}  // namespace

const Api& api() { return state().api; }

Availability BindEntryPoints(void* library, Api& a) {
  Availability f;
  f.OCI7 = true;
#define OCI_BIND(name, ret, params) bindOne(library, f.OCI7, a.name, #name);
  OCI7_ENTRY_POINTS(OCI_BIND)
#undef OCI_BIND
  f.OLog = f.OCI7;
#define OCI_BIND(name, ret, params) bindOne(library, f.OLog, a.name, #name);
  OCI7_LOGON_ENTRY_POINTS(OCI_BIND)
#undef OCI_BIND
  f.OPInit = f.OLog;
#define OCI_BIND(name, ret, params) bindOne(library, f.OPInit, a.name, #name);
  OCI7_PINIT_ENTRY_POINTS(OCI_BIND)
#undef OCI_BIND
  f.OCI8 = true;
#define OCI_BIND(name, ret, params) bindOne(library, f.OCI8, a.name, #name);
  OCI8_ENTRY_POINTS(OCI_BIND)
#undef OCI_BIND
  f.OCI81 = f.OCI8;
#define OCI_BIND(name, ret, params) bindOne(library, f.OCI81, a.name, #name);
  OCI81_ENTRY_POINTS(OCI_BIND)
#undef OCI_BIND
  f.OCI9 = f.OCI81;
#define OCI_BIND(name, ret, params) bindOne(library, f.OCI9, a.name, #name);
  OCI9_ENTRY_POINTS(OCI_BIND)
#undef OCI_BIND
  return f;
}

void InitOCI() {
  LockGuard guard;
  LoaderState& s = state();
  if (s.library) return;
  int status = loadOCI();
  s.initLog = joinLog();
  if (status != 0) {
    std::string reason;
    switch (status) {
      case 1: reason = s.ociDll.empty() ? "Could not locate OCI dll" : "Could not load " + quoted(s.ociDll); break;
      case 2: reason = "Could not initialize " + quoted(s.ociDll); break;
      default: reason = "SQL*Net not properly installed"; break;
    }
    std::string message = std::string("Initialization error") + kCRLF + reason + kCRLF + kCRLF + s.initLog;
    unloadLocked();
    throw EOracleException(message);
  }
  if (s.opinit && !s.oci8) s.api.opinit(0);
  if (s.oci8 && !s.oci81) s.api.OCIInitialize(OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr);
}

bool OCILoaded() {
  LockGuard guard;
  return state().library != nullptr;
}

void UnloadOCI() {
  LockGuard guard;
  unloadLocked();
}

std::string FindOracleHome() {
  LockGuard guard;
  LoaderState& s = state();
  if (!s.homeKeyComputed) {
    s.oracleHomeKey = computeOracleHomeKey();
    s.homeKeyComputed = true;
  }
  return s.oracleHomeKey;
}

std::string ReadRegString(const std::string& key, const std::string& valueName) {
  std::string value = platform::readRegistryValue(key, valueName).value_or("");
  // The registry hands values through a 1024-byte buffer with its
  // terminating zero.
  if (value.size() > 1023) value.resize(1023);
  return value;
}

std::string CommandLineValue(const std::string& name) {
  std::string prefix = platform::toUpperAscii(name) + "=";
  for (const std::string& parameter : platform::commandLine()) {
    if (parameter.size() < prefix.size()) continue;
    if (platform::toUpperAscii(parameter.substr(0, prefix.size())) != prefix) continue;
    return parameter.substr(prefix.size(), 255);
  }
  return {};
}

std::string AppendPath(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

void RestoreCurrentDir() {
  LockGuard guard;
  LoaderState& s = state();
  if (s.savedDirectory.empty()) return;
  // Compared with the directory the retry went to rather than with OCIDLL's,
  // which a failed automatic choice has already forgotten.
  if (platform::currentDirectory() == s.retryDirectory) platform::setCurrentDirectory(s.savedDirectory);
  s.savedDirectory.clear();
  s.retryDirectory.clear();
}

void InitMTS() {
  LockGuard guard;
  LoaderState& s = state();
  if (s.mtsLoaded) return;
  InitOCI();
  std::string dir = platform::directoryPart(s.ociDll);
  s.mtsPath = AppendPath(dir, kMTSLibrary);
  std::string prefix = std::string("Initialization error") + kCRLF;
  if (!platform::fileExists(s.mtsPath)) throw EOracleException(prefix + "Could not locate " + quoted(s.mtsPath));
  s.mtsLibrary = platform::loadLibrary(s.mtsPath);
  if (!s.mtsLibrary)
    throw EOracleException(prefix + "Could not load " + quoted(s.mtsPath) + ": " + platform::lastLoadError());
  for (const char* name : {"OraMTSSvcGet", "OraMTSSvcRel", "OraMTSSvcEnlist", "OraMTSSvcEnlistEx", "OraMTSTransTest"}) {
    if (!platform::findSymbol(s.mtsLibrary, name)) {
      platform::freeLibrary(s.mtsLibrary);
      s.mtsLibrary = nullptr;
      throw EOracleException(prefix + "Could not initialize " + quoted(s.mtsPath));
    }
  }
  s.mtsLoaded = true;
}

bool MTSLoaded() {
  LockGuard guard;
  return state().mtsLoaded;
}

std::string OCIDLL() {
  LockGuard guard;
  return state().ociDll;
}

void SetOCIDLL(const std::string& path) {
  LockGuard guard;
  state().ociDll = path;
  state().chosenAutomatically = false;
}

bool OCIDLLChosenAutomatically() {
  LockGuard guard;
  return state().chosenAutomatically;
}

std::string OracleHomeKey() {
  LockGuard guard;
  return state().oracleHomeKey;
}

std::string OracleHomeDir() {
  LockGuard guard;
  return state().oracleHomeDir;
}

std::string OracleHomeName() {
  LockGuard guard;
  return state().oracleHomeName;
}

std::string InitLog() {
  LockGuard guard;
  return state().initLog;
}

bool OCI7Available() { return state().oci7; }
bool OLogAvailable() { return state().olog; }
bool OPInitAvailable() { return state().opinit; }
bool OCI8Available() { return state().oci8; }
bool OCI81Available() { return state().oci81; }

void ResetLoader() {
  LockGuard guard;
  unloadLocked();
  LoaderState& s = state();
  s.ociDll.clear();
  s.chosenAutomatically = true;
  s.initLog.clear();
  s.log.clear();
  s.oracleHomeName.clear();
  s.homes.clear();
  if (!s.savedDirectory.empty()) platform::setCurrentDirectory(s.savedDirectory);
  s.savedDirectory.clear();
  s.retryDirectory.clear();
}

}  // namespace oci
