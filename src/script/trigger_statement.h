// The CREATE TRIGGER statement of one trigger, built from its dictionary
// row rather than copied from its DESCRIPTION: the description names the
// trigger and its table as they were typed, owner included, and a script
// must create them in the schema it runs in.
#pragma once

#include <string>
#include <vector>

namespace tarlow {

struct TriggerDefinition {
  std::string Name;
  std::string Type;            // TRIGGER_TYPE: BEFORE EACH ROW, AFTER STATEMENT, INSTEAD OF, COMPOUND, ...
  std::string Event;           // TRIGGERING_EVENT: INSERT OR UPDATE, LOGON, DDL, ...
  std::vector<std::string> UpdateColumns;  // the UPDATE OF list
  std::string BaseObjectType;  // TABLE, VIEW, SCHEMA or DATABASE
  std::string Table;           // the table or view; empty for SCHEMA and DATABASE
  std::string Referencing;     // REFERENCING_NAMES
  std::string When;            // WHEN_CLAUSE without its parentheses
  std::vector<std::string> Follows;
  std::vector<std::string> Precedes;
  std::string Body;            // TRIGGER_BODY as stored
};

// The statement without its closing "/", lines broken with LF.  Empty when
// the type or the object it fires on is not one this program can write
// (then `why` says which).
std::string TriggerStatement(const TriggerDefinition& trigger, std::string* why = nullptr);

}  // namespace tarlow
