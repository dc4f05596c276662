#include "editor/ui/editor_settings_file.h"

#include <QString>

namespace tarlow {

namespace {

std::string Section(const std::string& key) {
  std::string s = key;
  while (!s.empty() && s.back() == '\\') s.pop_back();
  return s;
}

// Tells an absent value from an empty one.
constexpr const char* kAbsent = "\x01";

}  // namespace

std::string TProfileEditorSettings::Escape(std::u16string_view value) {
  std::u16string out;
  for (char16_t c : value) {
    if (c == u'\\') out += u"\\\\";
    else if (c == u'\r') out += u"\\r";
    else if (c == u'\n') out += u"\\n";
    else out += c;
  }
  return QString::fromStdU16String(out).toStdString();
}

std::u16string TProfileEditorSettings::Unescape(const std::string& stored) {
  const std::u16string in = QString::fromStdString(stored).toStdU16String();
  std::u16string out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] == u'\\' && i + 1 < in.size()) {
      const char16_t n = in[++i];
      out += n == u'r' ? u'\r' : n == u'n' ? u'\n' : n;
    } else {
      out += in[i];
    }
  }
  return out;
}

std::optional<std::u16string> TProfileEditorSettings::ReadString(const std::string& key,
                                                                 const std::string& name) const {
  try {
    const std::string value = file_.ReadString(Section(key), name, kAbsent);
    if (value == kAbsent) return std::nullopt;
    return Unescape(value);
  } catch (...) {
    return std::nullopt;
  }
}

void TProfileEditorSettings::WriteString(const std::string& key, const std::string& name,
                                         std::u16string_view value) {
  try {
    file_.WriteString(Section(key), name, Escape(value));
  } catch (...) {
    // An unwritable file keeps its old values.
  }
}

std::optional<int> TProfileEditorSettings::ReadInteger(const std::string& key, const std::string& name) const {
  try {
    const std::string value = file_.ReadString(Section(key), name, kAbsent);
    int n = 0;
    if (value == kAbsent || !ProfileFile::ParseInteger(value, n)) return std::nullopt;
    return n;
  } catch (...) {
    return std::nullopt;
  }
}

void TProfileEditorSettings::WriteInteger(const std::string& key, const std::string& name, int value) {
  try {
    file_.WriteInteger(Section(key), name, value);
  } catch (...) {
  }
}

}  // namespace tarlow
