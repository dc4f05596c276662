#include "support_access.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "oracle/loader.h"
#include "platform/environment.h"

namespace access_test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarlow-access-XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back(0);
  if (!::mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(const std::string& name, std::optional<std::string> value)
    : name_(name), old_(platform::getEnv(name)) {
  if (value)
    ::setenv(name.c_str(), value->c_str(), 1);
  else
    ::unsetenv(name.c_str());
}

ScopedEnv::~ScopedEnv() {
  if (old_)
    ::setenv(name_.c_str(), old_->c_str(), 1);
  else
    ::unsetenv(name_.c_str());
}

void writeFile(const std::string& path, const std::string& text) {
  makeDirs(std::filesystem::path(path).parent_path().string());
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path);
}

void makeDirs(const std::string& path) { std::filesystem::create_directories(path); }

void copyFile(const std::string& from, const std::string& to) {
  makeDirs(std::filesystem::path(to).parent_path().string());
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

void resetLoader() {
  oci::ResetLoader();
  platform::setCommandLine(std::vector<std::string>{});
}

std::string standInLibrary(const std::string& variant) {
  std::string path = std::string(TARLOW_LIB_DIR) + "/libocisim" + variant + ".so";
  return platform::fileExists(path) ? path : std::string();
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (true) {
    size_t end = text.find("\r\n", start);
    out.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return out;
}

}  // namespace access_test
