// A reader for ini-style files: [section] lines, key=value lines, comments
// starting with ';' or '#'.  Section and key names are matched without regard
// to letter case; blanks around names and values are dropped.  A key that
// appears twice keeps its first value, as the Windows profile functions do.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

class IniFile {
 public:
  IniFile() = default;
  // Reads a file; a missing or unreadable file gives an empty IniFile.
  static IniFile load(const std::string& path);
  static IniFile parse(const std::string& text);

  std::optional<std::string> value(const std::string& section, const std::string& key) const;
  std::string readString(const std::string& section, const std::string& key,
                         const std::string& fallback = {}) const;
  std::vector<std::string> sections() const;
  std::vector<std::string> keys(const std::string& section) const;

 private:
  struct Entry {
    std::string key, value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  const Section* find(const std::string& section) const;
  std::vector<Section> sections_;
};

// Letter-case helpers for ASCII names (registry keys, parameter names).
std::string toUpperAscii(std::string s);
bool equalsIgnoreCase(const std::string& a, const std::string& b);

}  // namespace platform
