#include "settings/profile_file.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include <unistd.h>

#include "platform/ini_file.h"

namespace tarlow {
namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxValueLength = 2047;

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  const size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// The file's lines without their line breaks; a missing file has none.
bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return !fs::exists(path);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return !in.bad();
}

bool IsSectionLine(const std::string& trimmed, std::string* name) {
  if (trimmed.empty() || trimmed.front() != '[') return false;
  const size_t close = trimmed.find(']');
  if (name) *name = Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

// The key of a "key=value" line, or nothing for comments and other lines.
bool KeyOf(const std::string& trimmed, std::string& key, std::string* value) {
  if (trimmed.empty() || trimmed.front() == ';') return false;
  const size_t eq = trimmed.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(trimmed.substr(0, eq));
  if (value) *value = Trim(trimmed.substr(eq + 1));
  return true;
}

struct Location {
  long section = -1;  // line of the section's header
  long key = -1;      // line of the key
  long end = -1;      // one past the section's last key or value line
};

Location Find(const std::vector<std::string>& lines, const std::string& section,
              const std::string& key, std::string* value) {
  Location at;
  bool inside = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string trimmed = Trim(lines[i]);
    std::string name;
    if (IsSectionLine(trimmed, &name)) {
      if (inside) break;  // the first section of that name is the one used
      inside = platform::equalsIgnoreCase(name, section);
      if (inside) {
        at.section = static_cast<long>(i);
        at.end = static_cast<long>(i) + 1;
      }
      continue;
    }
    if (!inside) continue;
    std::string k, v;
    if (!KeyOf(trimmed, k, &v)) continue;
    // A repeated key keeps its first value.
    if (at.key < 0 && platform::equalsIgnoreCase(k, key)) {
      at.key = static_cast<long>(i);
      if (value) *value = v;
    }
    at.end = static_cast<long>(i) + 1;
  }
  return at;
}

// Writes the whole text beside the target and renames it into place, so a
// failure part-way never leaves a cut file behind.
bool ReplaceFile(const std::string& path, const std::string& text) {
  std::error_code ec;
  const fs::path target(path);
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  std::string temp = path + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ::close(fd) == 0 && ok;
  if (ok && fs::exists(target, ec)) {
    // Keep the file's permissions as they were.
    fs::permissions(temp, fs::status(target, ec).permissions(), ec);
  }
  ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

}  // namespace

ProfileFile::ProfileFile(std::string path, std::string displayName)
    : path_(std::move(path)), displayName_(std::move(displayName)) {}

std::string ProfileFile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& fallback) const {
  std::vector<std::string> lines;
  if (!ReadLines(path_, lines)) return fallback;
  std::string value;
  if (Find(lines, section, key, &value).key < 0) return fallback;
  if (value.size() > kMaxValueLength) value.resize(kMaxValueLength);
  return value;
}

bool ProfileFile::ParseInteger(const std::string& text, int& value) {
  if (text.empty()) return false;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    first += 2;
    base = 16;
  } else if (*first == '+') {
    ++first;
  }
  if (base == 16 && (*first == '-' || *first == '+')) return false;
  int parsed = 0;
  const auto [end, error] = std::from_chars(first, last, parsed, base);
  if (error != std::errc() || end != last) return false;
  value = parsed;
  return true;
}

int ProfileFile::ReadInteger(const std::string& section, const std::string& key, int fallback) const {
  int value = fallback;
  return ParseInteger(ReadString(section, key, std::string()), value) ? value : fallback;
}

void ProfileFile::WriteString(const std::string& section, const std::string& key,
                              const std::string& value) {
  std::vector<std::string> lines;
  if (!ReadLines(path_, lines)) throw ESettingsError("Unable to write to " + displayName_);
  const Location at = Find(lines, section, key, nullptr);
  const std::string entry = key + "=" + value;
  if (at.key >= 0) {
    lines[static_cast<size_t>(at.key)] = entry;
  } else if (at.section >= 0) {
    lines.insert(lines.begin() + at.end, entry);
  } else {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    lines.push_back("[" + section + "]");
    lines.push_back(entry);
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  if (!ReplaceFile(path_, text)) throw ESettingsError("Unable to write to " + displayName_);
}

void ProfileFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void ProfileFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

std::string SettingsFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return std::string(config) + "/tarlow";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.config/tarlow";
}

ProfileFile SettingsFile(const std::string& bareName) {
  const std::string path = SettingsFolder() + "/" + bareName;
  return ProfileFile(path, path);
}

}  // namespace tarlow
