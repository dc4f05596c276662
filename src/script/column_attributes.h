// What today's servers record about a table's columns beyond the classic
// dictionary: invisible, virtual and identity columns, DEFAULT ON NULL, and
// the identity's sequence; and the pieces of text the writers build from
// them.  A server without these dictionary columns has none of these
// features: the readers then return nothing.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "oracle/query.h"

namespace tarlow {

struct ColumnAttributes {
  bool hidden = false;         // INVISIBLE
  bool virtualColumn = false;  // GENERATED ALWAYS AS (expr) VIRTUAL; DATA_DEFAULT holds expr
  bool identity = false;
  bool defaultOnNull = false;
  bool userGenerated = true;   // false for the server's own hidden columns
};

// Column name -> attributes, for each column of the table that has any
// (and for every column when one of them is hidden or virtual).
std::map<std::string, ColumnAttributes> ReadColumnAttributes(TOracleQuery& q, const std::string& table);
// Whether any column is hidden or virtual: SELECT * then is not the row.
bool HasHiddenOrVirtual(const std::map<std::string, ColumnAttributes>& columns);

// A sequence's attributes as USER_SEQUENCES shows them.
struct SequenceAttributes {
  std::string minValue, maxValue, incrementBy, cycleFlag, orderFlag, cacheSize, lastNumber;
};

// One identity column: its generation and its sequence.
struct IdentityColumn {
  std::string generation;  // ALWAYS or BY DEFAULT
  SequenceAttributes sequence;
};
std::map<std::string, IdentityColumn> ReadIdentityColumns(TOracleQuery& q, const std::string& table);

// The options that recreate a sequence, START WITH first, each as one
// clause ("START WITH 21", "INCREMENT BY 1", "NOMAXVALUE", "CACHE 20", ...).
std::vector<std::string> SequenceOptions(const SequenceAttributes& s, const std::string& startWith);

// Whether a sequence has handed out its last number (LAST_NUMBER beyond
// MAXVALUE ascending, below MINVALUE descending); `lastTaken` is then the
// number it handed out last, within its bounds.
bool SequenceAtLimit(const SequenceAttributes& s, std::string* lastTaken);

// A default or expression with the schema owner's prefix taken out of every
// "OWNER". or OWNER. qualifier outside literals, so that it names the
// objects of the schema the script runs in.
std::string WithoutOwner(const std::string& text, const std::string& owner);
// Whether a default draws on a sequence (NEXTVAL or CURRVAL outside literals).
bool UsesSequence(const std::string& text);

}  // namespace tarlow
