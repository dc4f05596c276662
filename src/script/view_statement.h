// The CREATE VIEW statement of one view from its dictionary rows.
#pragma once

#include <string>
#include <vector>

namespace tarlow {

struct ViewDefinition {
  std::string Name;
  std::string Text;                  // USER_VIEWS.TEXT: the query alone
  std::vector<std::string> Columns;  // its columns in order (none known: no list)
  bool Force = false;                // created even where it cannot compile
  std::string Restriction;           // "READ ONLY", "CHECK OPTION" or empty
  std::string RestrictionName;       // the constraint's name when the user chose it
};

// The statement without its closing ";", lines broken with LF.  The column
// list names every column, so an expression without an alias in the query
// still gets the name it has.
std::string ViewStatement(const ViewDefinition& view);

}  // namespace tarlow
