// ProfileFile: one ini file read and written the way the Windows profile
// functions do it.  Every call opens the file, reads or changes one value
// and, for a write, puts the whole file back at once, so two programs (or two
// windows) sharing a file see each other's latest values.  Section and key
// names are matched without regard to ASCII letter case; lines the file
// holds besides the one being changed are kept as they are.
#pragma once

#include <stdexcept>
#include <string>

namespace tarlow {

// A value could not be written; the message is "Unable to write to NAME".
class ESettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ProfileFile {
 public:
  // path is the file's full path; displayName is what a failure names (the
  // bare file name the program asked for).
  ProfileFile(std::string path, std::string displayName);

  const std::string& path() const { return path_; }

  // Up to 2047 characters of the value, or fallback when the key is absent.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const;
  // "0x"/"0X" followed by hexadecimal digits (in a text longer than two
  // characters) or a decimal integer; anything else gives fallback.
  int ReadInteger(const std::string& section, const std::string& key, int fallback) const;

  // Creates the folder, the file, the section and the key as needed; throws
  // ESettingsError when the file cannot be written.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);

  // The integer a stored text stands for, as ReadInteger reads it.
  static bool ParseInteger(const std::string& text, int& value);

 private:
  std::string path_;
  std::string displayName_;
};

// The per-user folder that ini files on bare names live in:
// $XDG_CONFIG_HOME/tarlow, or ~/.config/tarlow when that is not set.
std::string SettingsFolder();

// The ini file of that bare name in the per-user folder.
ProfileFile SettingsFile(const std::string& bareName);

}  // namespace tarlow
