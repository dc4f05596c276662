// The option boxes of the main window as plain state: which statements the
// script holds.  The window and tarlow-script share this model so that both
// apply the same interlocks.
//
// Rule: every change of a box's ticked state runs that box's handler
// (cbxAllClick, cbxTablesClick, ...); setting a box to the state it already
// has runs nothing.  Handlers change other boxes through the same rule, so
// one change can cascade (ticking Comments ticks Tables, which ticks
// TableSpaces).  OnChange is called after every single change of a box's
// ticked or enabled state; a window mirrors the box into its control there
// (with the control's own signals blocked, so the change is not fed back).
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarlow {

enum class OptionBox {
  Tables,             // cbxTables "&Tables"
  DropTables,         // cbxDropTables "Drop Tables"
  CascConstraints,    // cbxCascConstraints "Casc Constraints"
  Comments,           // cbxComments "Comments"
  Indexes,            // cbxIndexes "&Indexes"
  ColConstraints,     // cbxColConstraints "Col Constraints"
  Triggers,           // cbxTriggers "Tri&ggers"
  Defaults,           // cbxDefaults "Column Defaults"
  Procedures,         // cbxProcedures "&Procedures"
  Functions,          // cbxFunctions "Fu&nctions"
  Sequences,          // cbxSequences "S&equences"
  DropSeq,            // cbxDropSeq "Drop Sequences"
  Views,              // cbxViews "&Views"
  TableSpace,         // cbxTableSpace "TableSpaces"
  Data,               // cbxData "&Data"
  Packages,           // cbxPackages "Packages"
  CreateTabComments,  // cbxCreateTabComments "Create Table Comments"
  CreateColComments,  // cbxCreateColComments "Create Column Comments"
  PriConstraints,     // cbxPriConstraints "Primary Key Constraints"
  ForConstraints,     // cbxForConstraints "Foreign Key Constraints"
  OrphanSQL,          // cbxOrphanSQL "Drop Orphan Recs"
  ChkConstraints,     // cbxChkConstraints "Check Constraints"
  All,                // cbxAll "All"
};
constexpr int kOptionBoxCount = 23;

struct OptionBoxInfo {
  OptionBox Box;
  const char* Control;  // the window's control name
  const char* Caption;  // as stored, "&" marks the accelerator
  const char* Option;   // the command-line name; "" for All
  bool Checked;         // initial state
  bool Enabled;
};

// Every box in the window's order, with its initial state.
const std::array<OptionBoxInfo, kOptionBoxCount>& OptionBoxTable();
const OptionBoxInfo& OptionBoxInfoOf(OptionBox box);
// The box of a command-line option name (exact, lower case); All has none.
std::optional<OptionBox> OptionBoxByName(std::string_view name);

class OptionBoxes {
 public:
  OptionBoxes();  // the window's initial states

  bool Checked(OptionBox box) const { return checked_[Index(box)]; }
  bool Enabled(OptionBox box) const { return enabled_[Index(box)]; }
  // A change runs the box's handler.  Programs may tick a disabled box, as
  // they can in the window; whether a user may is the caller's rule.
  void SetChecked(OptionBox box, bool checked);
  void SetEnabled(OptionBox box, bool enabled);

  std::function<void(OptionBox)> OnChange;

 private:
  static int Index(OptionBox b) { return static_cast<int>(b); }
  void RunHandler(OptionBox box);
  void cbxAllClick();

  std::array<bool, kOptionBoxCount> checked_{};
  std::array<bool, kOptionBoxCount> enabled_{};
};

}  // namespace tarlow
