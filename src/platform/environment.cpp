#include "platform/environment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace platform {

namespace {
std::mutex& commandLineMutex() {
  static std::mutex m;
  return m;
}
std::vector<std::string>& commandLineStore() {
  static std::vector<std::string> parameters;
  return parameters;
}
}  // namespace

std::optional<std::string> getEnv(const std::string& name) {
  const char* v = std::getenv(name.c_str());
  if (!v) return std::nullopt;
  return std::string(v);
}

void setCommandLine(std::vector<std::string> parameters) {
  std::lock_guard<std::mutex> guard(commandLineMutex());
  commandLineStore() = std::move(parameters);
}

void setCommandLine(int argc, const char* const* argv) {
  std::vector<std::string> parameters;
  for (int i = 1; i < argc; ++i) parameters.emplace_back(argv[i] ? argv[i] : "");
  setCommandLine(std::move(parameters));
}

std::vector<std::string> commandLine() {
  std::lock_guard<std::mutex> guard(commandLineMutex());
  return commandLineStore();
}

std::string currentDirectory() {
  std::error_code ec;
  auto p = std::filesystem::current_path(ec);
  return ec ? std::string() : p.string();
}

bool setCurrentDirectory(const std::string& dir) { return !dir.empty() && ::chdir(dir.c_str()) == 0; }

bool fileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool directoryExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> listDirectory(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string directoryPart(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string fileNamePart(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace platform
