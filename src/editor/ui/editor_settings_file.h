// The editor's per-user settings (search options and the histories of the
// dialogs' fields) in an ini file of the per-user settings folder: the key
// "SearchOptions\" is the section [SearchOptions], and so on.  A file that
// cannot be read reads as empty and one that cannot be written keeps its old
// values: the settings never stop the program.
#pragma once

#include <string>

#include "editor/search_options.h"
#include "settings/profile_file.h"

namespace tarlow {

inline constexpr const char* kEditorSettingsFileName = "Editor.ini";

class TProfileEditorSettings : public TEditorSettings {
 public:
  explicit TProfileEditorSettings(ProfileFile file) : file_(std::move(file)) {}
  std::optional<std::u16string> ReadString(const std::string& key, const std::string& name) const override;
  void WriteString(const std::string& key, const std::string& name, std::u16string_view value) override;
  std::optional<int> ReadInteger(const std::string& key, const std::string& name) const override;
  void WriteInteger(const std::string& key, const std::string& name, int value) override;

  const ProfileFile& File() const { return file_; }

  // An ini value holds one line: line breaks and backslashes are escaped.
  static std::string Escape(std::u16string_view value);
  static std::u16string Unescape(const std::string& stored);

 private:
  ProfileFile file_;
};

}  // namespace tarlow
