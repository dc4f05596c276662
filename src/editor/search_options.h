// What the search engine reads: the search options shared by the find and
// replace dialogs, the per-user settings they persist in, the history lists
// of the dialogs' text fields, and the messages a search shows.  The window
// supplies the real settings store and message boxes; tests use the
// in-memory ones.
#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarlow {

enum class TSearchDirection { sdForward, sdBackward };
enum class TSearchScope { ssGlobal, ssSelectedText };
enum class TSearchOrigin { soFromCursor, soEntireScope };

// The per-user settings store of the editor: values under keys such as
// "SearchOptions\" and "EditHistory\"; strings as text, the rest as integers.
class TEditorSettings {
 public:
  virtual ~TEditorSettings() = default;
  virtual std::optional<std::u16string> ReadString(const std::string& key, const std::string& name) const = 0;
  virtual void WriteString(const std::string& key, const std::string& name, std::u16string_view value) = 0;
  virtual std::optional<int> ReadInteger(const std::string& key, const std::string& name) const = 0;
  virtual void WriteInteger(const std::string& key, const std::string& name, int value) = 0;
};

class TMemorySettings : public TEditorSettings {
 public:
  std::optional<std::u16string> ReadString(const std::string& key, const std::string& name) const override;
  void WriteString(const std::string& key, const std::string& name, std::u16string_view value) override;
  std::optional<int> ReadInteger(const std::string& key, const std::string& name) const override;
  void WriteInteger(const std::string& key, const std::string& name, int value) override;

 private:
  std::map<std::string, std::u16string> strings_;
  std::map<std::string, int> integers_;
};

inline constexpr const char* kSearchOptionsKey = "SearchOptions\\";
inline constexpr const char* kEditHistoryKey = "EditHistory\\";

struct TSearchOptions {
  std::u16string TextToFind;
  std::u16string ReplaceWith;
  bool CaseSensitive = false;
  bool WholeWordsOnly = false;
  bool RegularExpr = false;
  bool PromptOnReplace = false;
  TSearchDirection Direction = TSearchDirection::sdForward;
  TSearchScope Scope = TSearchScope::ssGlobal;
  TSearchOrigin Origin = TSearchOrigin::soEntireScope;
  bool FirstSearch = false;
  bool InReplace = false;
  bool ReplaceAll = false;
  bool ShowNotFound = false;

  // One value per property under "SearchOptions\", named after it.
  void Load(const TEditorSettings& settings);
  void Save(TEditorSettings& settings) const;

  // The process-wide options, made on first use: defaults, then the stored
  // values (when a settings store was given), then Origin "entire scope".
  static TSearchOptions& Shared();
  static void UseSettings(TEditorSettings* settings);
  static void SaveShared();  // at program end
};

// The history list of one text field of the dialogs.
class TEditHistory {
 public:
  // The value name: the dialog's name and the field's ("SrchDialogSearText"),
  // or the field's own registry name, or "Default" when both are empty.
  static std::string ValueName(const std::string& dialog, const std::string& field,
                               const std::string& regName = {});
  // The text goes to the top; an entry equal to it ignoring case goes away.
  void Add(std::u16string_view text);
  const std::vector<std::u16string>& Items() const { return items_; }
  // Replaced by the stored list, or emptied when none is stored.
  void Load(const TEditorSettings& settings, const std::string& valueName);
  void Save(TEditorSettings& settings, const std::string& valueName) const;

 private:
  std::vector<std::u16string> items_;
};

// The answers to "Replace this occurence of '%s'?".
enum class TReplaceAnswer { Yes, No, Cancel, All };

// How a search talks to the user.  The default answers suit a program with
// nobody to ask: replace without asking, show nothing.
class TSearchMessages {
 public:
  virtual ~TSearchMessages() = default;
  // The store's OnSearchException: true when the handler dealt with it.
  virtual bool SearchException(const std::u16string& /*message*/) { return false; }
  // An information box with an OK button.
  virtual void Information(const std::u16string& /*message*/) {}
  // A confirmation box with Yes, No, Cancel and All.
  virtual TReplaceAnswer ConfirmReplace(const std::u16string& /*message*/) { return TReplaceAnswer::Yes; }
  // The hourglass while a long scan runs.
  virtual void Busy(bool /*on*/) {}
};

// The errors of a search in a selected block, raised to the caller when the
// store's OnSearchException does not handle them.
class ESearchError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The search text for a message: every ampersand doubled, so that a message
// box shows it as typed.
std::u16string QuoteForMessage(std::u16string_view text);

}  // namespace tarlow
