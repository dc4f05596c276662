#include "editor/search_options.h"

#include <algorithm>
#include <memory>

namespace tarlow {

namespace {

std::string Key(const std::string& key, const std::string& name) { return key + '\n' + name; }

char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

bool SameText(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
           return Upper(x) == Upper(y);
         });
}

struct SharedState {
  std::unique_ptr<TSearchOptions> options;
  TEditorSettings* settings = nullptr;
};
SharedState& Shared() {
  static SharedState state;
  return state;
}

}  // namespace

std::optional<std::u16string> TMemorySettings::ReadString(const std::string& key, const std::string& name) const {
  auto it = strings_.find(Key(key, name));
  if (it == strings_.end()) return std::nullopt;
  return it->second;
}

void TMemorySettings::WriteString(const std::string& key, const std::string& name, std::u16string_view value) {
  strings_[Key(key, name)] = std::u16string(value);
}

std::optional<int> TMemorySettings::ReadInteger(const std::string& key, const std::string& name) const {
  auto it = integers_.find(Key(key, name));
  if (it == integers_.end()) return std::nullopt;
  return it->second;
}

void TMemorySettings::WriteInteger(const std::string& key, const std::string& name, int value) {
  integers_[Key(key, name)] = value;
}

// ---- options ---------------------------------------------------------------------

void TSearchOptions::Load(const TEditorSettings& s) {
  const std::string k = kSearchOptionsKey;
  auto str = [&](const char* name, std::u16string& v) {
    if (auto r = s.ReadString(k, name)) v = *r;
  };
  auto flag = [&](const char* name, bool& v) {
    if (auto r = s.ReadInteger(k, name)) v = *r != 0;
  };
  str("TextToFind", TextToFind);
  str("ReplaceWith", ReplaceWith);
  flag("CaseSensitive", CaseSensitive);
  flag("WholeWordsOnly", WholeWordsOnly);
  flag("RegularExpr", RegularExpr);
  flag("PromptOnReplace", PromptOnReplace);
  flag("FirstSearch", FirstSearch);
  flag("InReplace", InReplace);
  flag("ReplaceAll", ReplaceAll);
  flag("ShowNotFound", ShowNotFound);
  // Enumerations outside their range keep the default.
  if (auto r = s.ReadInteger(k, "Direction"); r && (*r == 0 || *r == 1)) Direction = static_cast<TSearchDirection>(*r);
  if (auto r = s.ReadInteger(k, "Scope"); r && (*r == 0 || *r == 1)) Scope = static_cast<TSearchScope>(*r);
  if (auto r = s.ReadInteger(k, "Origin"); r && (*r == 0 || *r == 1)) Origin = static_cast<TSearchOrigin>(*r);
}

void TSearchOptions::Save(TEditorSettings& s) const {
  const std::string k = kSearchOptionsKey;
  s.WriteString(k, "TextToFind", TextToFind);
  s.WriteString(k, "ReplaceWith", ReplaceWith);
  s.WriteInteger(k, "CaseSensitive", CaseSensitive);
  s.WriteInteger(k, "WholeWordsOnly", WholeWordsOnly);
  s.WriteInteger(k, "RegularExpr", RegularExpr);
  s.WriteInteger(k, "PromptOnReplace", PromptOnReplace);
  s.WriteInteger(k, "Direction", static_cast<int>(Direction));
  s.WriteInteger(k, "Scope", static_cast<int>(Scope));
  s.WriteInteger(k, "Origin", static_cast<int>(Origin));
  s.WriteInteger(k, "FirstSearch", FirstSearch);
  s.WriteInteger(k, "InReplace", InReplace);
  s.WriteInteger(k, "ReplaceAll", ReplaceAll);
  s.WriteInteger(k, "ShowNotFound", ShowNotFound);
}

TSearchOptions& TSearchOptions::Shared() {
  SharedState& state = tarlow::Shared();
  if (!state.options) {
    state.options = std::make_unique<TSearchOptions>();
    if (state.settings) state.options->Load(*state.settings);
    state.options->Origin = TSearchOrigin::soEntireScope;  // every run starts from the whole scope
  }
  return *state.options;
}

void TSearchOptions::UseSettings(TEditorSettings* settings) { tarlow::Shared().settings = settings; }

void TSearchOptions::SaveShared() {
  SharedState& state = tarlow::Shared();
  if (state.options && state.settings) state.options->Save(*state.settings);
}

// ---- history -------------------------------------------------------------------------

std::string TEditHistory::ValueName(const std::string& dialog, const std::string& field,
                                    const std::string& regName) {
  if (!regName.empty()) return regName;
  if (dialog.empty() && field.empty()) return "Default";
  return dialog + field;
}

void TEditHistory::Add(std::u16string_view text) {
  items_.erase(std::remove_if(items_.begin(), items_.end(),
                              [text](const std::u16string& item) { return SameText(item, text); }),
               items_.end());
  if (!text.empty()) items_.insert(items_.begin(), std::u16string(text));
}

void TEditHistory::Load(const TEditorSettings& settings, const std::string& valueName) {
  items_.clear();
  const auto value = settings.ReadString(kEditHistoryKey, valueName);
  if (!value) return;
  std::u16string cur;
  for (std::size_t i = 0; i < value->size(); ++i) {
    const char16_t c = (*value)[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < value->size() && (*value)[i + 1] == u'\n') ++i;
      items_.push_back(std::move(cur));
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) items_.push_back(std::move(cur));
}

void TEditHistory::Save(TEditorSettings& settings, const std::string& valueName) const {
  std::u16string value;
  for (const auto& item : items_) value += item + u"\r\n";
  settings.WriteString(kEditHistoryKey, valueName, value);
}

std::u16string QuoteForMessage(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) {
    out.push_back(c);
    if (c == u'&') out.push_back(u'&');
  }
  return out;
}

}  // namespace tarlow
