#include "script/trigger_statement.h"

#include "script/sql_names.h"
#include "script/sqlplus_layout.h"
#include "script/writer_text.h"

namespace tarlow {

namespace {

using writer_text::Trim;
using writer_text::WithoutTrailingBlankLines;

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

// The timing words of the header from TRIGGER_TYPE; empty when unknown.
std::string Timing(const std::string& type) {
  if (StartsWith(type, "BEFORE ")) return "BEFORE";
  if (StartsWith(type, "AFTER ")) return "AFTER";
  if (type == "INSTEAD OF") return "INSTEAD OF";
  if (type == "COMPOUND") return "FOR";  // the body begins COMPOUND TRIGGER
  return {};
}

std::string NameList(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + SqlName(name);
  return list;
}

// The events with the UPDATE OF list in place of UPDATE.
std::string Events(const TriggerDefinition& t) {
  const std::string event = Trim(t.Event);
  if (t.UpdateColumns.empty()) return event;
  std::string out;
  size_t from = 0;
  while (from <= event.size()) {
    size_t to = event.find(" OR ", from);
    if (to == std::string::npos) to = event.size();
    std::string word = event.substr(from, to - from);
    if (word == "UPDATE") word += " OF " + NameList(t.UpdateColumns);
    out += (out.empty() ? "" : " OR ") + word;
    from = to + 4;
  }
  return out;
}

}  // namespace

std::string TriggerStatement(const TriggerDefinition& t, std::string* why) {
  auto fail = [why](const std::string& reason) {
    if (why) *why = reason;
    return std::string();
  };
  const std::string timing = Timing(t.Type);
  if (timing.empty()) return fail("its type " + t.Type + " cannot be scripted");
  std::string on;
  const bool dml = t.BaseObjectType == "TABLE" || t.BaseObjectType == "VIEW";
  if (dml) on = SqlName(t.Table);
  else if (t.BaseObjectType == "SCHEMA" || t.BaseObjectType == "DATABASE") on = t.BaseObjectType;
  else return fail("triggers on a " + t.BaseObjectType + " cannot be scripted");

  std::string s = "CREATE OR REPLACE TRIGGER " + SqlName(t.Name) + "\n" + timing + " " + Events(t) + " ON " + on;
  const std::string referencing = Trim(t.Referencing);
  if (dml && !referencing.empty() && referencing != "REFERENCING NEW AS NEW OLD AS OLD") s += "\n" + referencing;
  if (t.Type.find("EACH ROW") != std::string::npos || t.Type == "INSTEAD OF") s += "\nFOR EACH ROW";
  if (!t.Follows.empty()) s += "\nFOLLOWS " + NameList(t.Follows);
  if (!t.Precedes.empty()) s += "\nPRECEDES " + NameList(t.Precedes);
  const std::string when = Trim(t.When);
  if (!when.empty()) s += "\nWHEN (" + when + BreakAfter(when) + ")";
  // The body as stored, on the line after the header: the reloaded
  // trigger's body is the original's, byte for byte.
  return s + "\n" + WithoutTrailingBlankLines(t.Body);
}

}  // namespace tarlow
