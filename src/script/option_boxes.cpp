#include "script/option_boxes.h"

namespace tarlow {

namespace {

using B = OptionBox;

const std::array<OptionBoxInfo, kOptionBoxCount> kTable = {{
    {B::Tables, "cbxTables", "&Tables", "tables", true, true},
    {B::DropTables, "cbxDropTables", "Drop Tables", "drop-tables", false, true},
    {B::CascConstraints, "cbxCascConstraints", "Casc Constraints", "casc-constraints", false, false},
    {B::Comments, "cbxComments", "Comments", "comments", true, true},
    {B::Indexes, "cbxIndexes", "&Indexes", "indexes", true, true},
    {B::ColConstraints, "cbxColConstraints", "Col Constraints", "col-constraints", true, true},
    {B::Triggers, "cbxTriggers", "Tri&ggers", "triggers", true, true},
    {B::Defaults, "cbxDefaults", "Column Defaults", "defaults", true, true},
    {B::Procedures, "cbxProcedures", "&Procedures", "procedures", true, true},
    {B::Functions, "cbxFunctions", "Fu&nctions", "functions", true, true},
    {B::Sequences, "cbxSequences", "S&equences", "sequences", true, true},
    {B::DropSeq, "cbxDropSeq", "Drop Sequences", "drop-sequences", true, true},
    {B::Views, "cbxViews", "&Views", "views", true, true},
    {B::TableSpace, "cbxTableSpace", "TableSpaces", "tablespaces", true, true},
    {B::Data, "cbxData", "&Data", "data", false, true},
    {B::Packages, "cbxPackages", "Packages", "packages", true, true},
    {B::CreateTabComments, "cbxCreateTabComments", "Create Table Comments", "create-table-comments", false, true},
    {B::CreateColComments, "cbxCreateColComments", "Create Column Comments", "create-column-comments", false, true},
    {B::PriConstraints, "cbxPriConstraints", "Primary Key Constraints", "primary-keys", false, true},
    {B::ForConstraints, "cbxForConstraints", "Foreign Key Constraints", "foreign-keys", false, true},
    {B::OrphanSQL, "cbxOrphanSQL", "Drop Orphan Recs", "drop-orphans", false, true},
    {B::ChkConstraints, "cbxChkConstraints", "Check Constraints", "check-constraints", false, true},
    {B::All, "cbxAll", "All", "", false, true},
}};

// The boxes "All" sets, in the order it sets them.
constexpr B kAllOrder[] = {
    B::Tables,         B::Indexes,           B::Triggers,          B::Sequences,
    B::DropSeq,        B::Views,             B::Functions,         B::Procedures,
    B::Comments,       B::CreateTabComments, B::CreateColComments, B::ColConstraints,
    B::PriConstraints, B::ForConstraints,    B::DropTables,        B::OrphanSQL,
    B::ChkConstraints, B::CascConstraints,   B::Defaults,          B::Packages,
};

}  // namespace

const std::array<OptionBoxInfo, kOptionBoxCount>& OptionBoxTable() { return kTable; }

const OptionBoxInfo& OptionBoxInfoOf(OptionBox box) { return kTable[static_cast<std::size_t>(box)]; }

std::optional<OptionBox> OptionBoxByName(std::string_view name) {
  if (name.empty()) return std::nullopt;
  for (const auto& info : kTable)
    if (name == info.Option) return info.Box;
  return std::nullopt;
}

OptionBoxes::OptionBoxes() {
  for (const auto& info : kTable) {
    checked_[Index(info.Box)] = info.Checked;
    enabled_[Index(info.Box)] = info.Enabled;
  }
}

void OptionBoxes::SetChecked(OptionBox box, bool checked) {
  if (checked_[Index(box)] == checked) return;
  checked_[Index(box)] = checked;
  if (OnChange) OnChange(box);
  RunHandler(box);
}

void OptionBoxes::SetEnabled(OptionBox box, bool enabled) {
  if (enabled_[Index(box)] == enabled) return;
  enabled_[Index(box)] = enabled;
  if (OnChange) OnChange(box);
}

void OptionBoxes::RunHandler(OptionBox box) {
  switch (box) {
    case B::All:
      cbxAllClick();
      break;
    case B::Tables:  // cbxTablesClick
    case B::Indexes:  // cbxIndexesClick
      if (Checked(box)) SetChecked(B::TableSpace, true);
      break;
    case B::Comments:  // cbxCommentsClick
      if (Checked(box)) SetChecked(B::Tables, true);
      break;
    case B::Sequences:  // cbxSequencesClick
      if (Checked(box)) {
        SetEnabled(B::DropSeq, true);
      } else {
        SetChecked(B::DropSeq, false);
        SetEnabled(B::DropSeq, false);
      }
      break;
    case B::DropTables:  // cbxDropTablesClick
      SetEnabled(B::CascConstraints, Checked(box));
      if (!Checked(box)) SetChecked(B::CascConstraints, false);
      break;
    default:
      break;
  }
}

void OptionBoxes::cbxAllClick() {
  // "All" is read afresh before each assignment: a handler further down
  // could in principle change it.
  for (OptionBox b : kAllOrder) SetChecked(b, Checked(B::All));
  if (Checked(B::All)) {
    SetChecked(B::TableSpace, true);
  } else {
    SetChecked(B::Data, false);
  }
}

}  // namespace tarlow
