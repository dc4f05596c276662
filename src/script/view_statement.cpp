#include "script/view_statement.h"

#include "script/sql_names.h"
#include "script/writer_text.h"

namespace tarlow {

namespace {

// A line of the column list is broken before it grows past this.
constexpr size_t kColumnLineBytes = 200;

}  // namespace

std::string ViewStatement(const ViewDefinition& view) {
  std::string s = std::string("CREATE OR REPLACE ") + (view.Force ? "FORCE " : "") + "VIEW " + SqlName(view.Name);
  if (!view.Columns.empty()) {
    s += " (";
    size_t lineStart = s.rfind('\n') == std::string::npos ? 0 : s.rfind('\n') + 1;
    for (size_t i = 0; i < view.Columns.size(); ++i) {
      const std::string column = SqlName(view.Columns[i]);
      if (i > 0) {
        s += ",";
        if (s.size() - lineStart + column.size() + 1 > kColumnLineBytes) {
          s += "\n ";
          lineStart = s.size() - 1;
        } else {
          s += " ";
        }
      }
      s += column;
    }
    s += ")";
  }
  s += "\nAS\n" + writer_text::RightTrim(view.Text);
  if (!view.Restriction.empty()) {
    s += "\nWITH " + view.Restriction;
    if (!view.RestrictionName.empty()) s += " CONSTRAINT " + SqlName(view.RestrictionName);
  }
  return s;
}

}  // namespace tarlow
