// Helpers for the loader and session tests: temporary folders, environment
// variables set for one test, a registry file, and a clean loader.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace access_test {

// A folder made with mkdtemp, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets (or with nullopt unsets) an environment variable and puts the old
// value back at the end.
class ScopedEnv {
 public:
  ScopedEnv(const std::string& name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

void writeFile(const std::string& path, const std::string& text);
void makeDirs(const std::string& path);
void copyFile(const std::string& from, const std::string& to);

// Forgets everything the loader knows, the command line included.
void resetLoader();

// The stand-in client library of a variant ("" for the full one, "_oci7",
// "_oci80", "_broken"), or "" when it has not been built.
std::string standInLibrary(const std::string& variant = "");

// The lines of a CRLF-joined text.
std::vector<std::string> lines(const std::string& text);

}  // namespace access_test
