#include "platform/ini_file.h"

#include <fstream>
#include <sstream>

namespace platform {

std::string toUpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && toUpperAscii(a) == toUpperAscii(b);
}

namespace {
std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}
}  // namespace

IniFile IniFile::load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return parse(text.str());
}

IniFile IniFile::parse(const std::string& text) {
  IniFile ini;
  Section* current = nullptr;
  std::istringstream in(text);
  std::string raw;
  while (std::getline(in, raw)) {
    std::string line = trim(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      size_t close = line.find(']');
      std::string name = trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      current = nullptr;
      for (Section& s : ini.sections_)
        if (equalsIgnoreCase(s.name, name)) current = &s;
      if (!current) {
        ini.sections_.push_back({name, {}});
        current = &ini.sections_.back();
      }
      continue;
    }
    size_t eq = line.find('=');
    if (!current || eq == std::string::npos) continue;
    std::string key = trim(line.substr(0, eq));
    std::string value = trim(line.substr(eq + 1));
    bool seen = false;
    for (const Entry& e : current->entries)
      if (equalsIgnoreCase(e.key, key)) seen = true;
    if (!seen) current->entries.push_back({key, value});
  }
  return ini;
}

const IniFile::Section* IniFile::find(const std::string& section) const {
  for (const Section& s : sections_)
    if (equalsIgnoreCase(s.name, section)) return &s;
  return nullptr;
}

std::optional<std::string> IniFile::value(const std::string& section, const std::string& key) const {
  if (const Section* s = find(section))
    for (const Entry& e : s->entries)
      if (equalsIgnoreCase(e.key, key)) return e.value;
  return std::nullopt;
}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& fallback) const {
  return value(section, key).value_or(fallback);
}

std::vector<std::string> IniFile::sections() const {
  std::vector<std::string> names;
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

std::vector<std::string> IniFile::keys(const std::string& section) const {
  std::vector<std::string> names;
  if (const Section* s = find(section))
    for (const Entry& e : s->entries) names.push_back(e.key);
  return names;
}

}  // namespace platform
