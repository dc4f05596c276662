#include "platform/registry.h"

#include "platform/environment.h"
#include "platform/ini_file.h"

namespace platform {

namespace {
std::string normaliseKey(std::string key) {
  for (char& c : key)
    if (c == '/') c = '\\';
  while (!key.empty() && key.back() == '\\') key.pop_back();
  while (!key.empty() && key.front() == '\\') key.erase(0, 1);
  return toUpperAscii(key);
}
}  // namespace

std::optional<std::string> readRegistryValue(const std::string& keyPath, const std::string& valueName) {
  std::string key = normaliseKey(keyPath);
  if (auto file = getEnv("TARLOW_REGISTRY"); file && !file->empty()) {
    // Read afresh each time: the registry is read a handful of times per
    // load, and tests change the file between loads.
    IniFile ini = IniFile::load(*file);
    for (const std::string& section : ini.sections())
      if (normaliseKey(section) == key) return ini.value(section, valueName);
    return std::nullopt;
  }
  if (key == "SOFTWARE\\ORACLE" && equalsIgnoreCase(valueName, "ORACLE_HOME")) return getEnv("ORACLE_HOME");
  return std::nullopt;
}

}  // namespace platform
