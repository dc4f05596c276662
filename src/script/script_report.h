// What a scripting run left out of its script: sections whose dictionary
// query failed, values that were cut or not scripted, objects that could not
// be scripted.  The writers go on after such a loss (the rest of the script
// is still worth having), so the loss is collected here and told once when
// the run ends: tarlow-script exits with its own status and a line per
// cause, the window shows one message box.
//
// Causes are grouped by what was lost and why; each keeps the names of the
// objects it touched (the first few, and a count of the rest), so a schema
// of thousands of tables with an unreadable view gives one line, not
// thousands.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tarlow {

class ScriptReport {
 public:
  // what: the part lost, as a phrase ("check constraints", "text values cut
  // to their first 4000 bytes"); object: the table, column or object it
  // belongs to ("" for a schema-wide section); reason: the error's text, or
  // "" when the phrase says it all.
  void LeftOut(const std::string& what, const std::string& object, const std::string& reason = {});

  bool Empty() const { return causes_.empty(); }
  void Clear();
  // One line per cause, in the order the causes first came up:
  //   "check constraints of EMP, DEPT: ORA-00942: table or view does not exist"
  std::vector<std::string> Summary() const;

  // Object names listed per cause; the rest are counted.
  static constexpr size_t kNamesShown = 5;

 private:
  struct Cause {
    std::string what, reason;
    std::vector<std::string> shown;
    std::set<std::string> objects;
  };
  std::vector<Cause> causes_;
  std::map<std::pair<std::string, std::string>, size_t> index_;
};

// The first line of an error's message, trimmed: the part worth a summary.
std::string FirstLineOf(const std::string& message);

}  // namespace tarlow
