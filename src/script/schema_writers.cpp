#include "script/schema_writers.h"

namespace tarlow {

SchemaWriters::SchemaWriters(TOracleSession& session)
    : Q(&session, "Q"), Q2(&session, "Q2"), odsOracle(&session, "odsOracle"), DS2(&session, "DS2") {
  Q.SetReadBuffer(25);
  Q2.SetReadBuffer(25);
  odsOracle.SetReadBuffer(25);
  DS2.SetReadBuffer(25);
  // Dictionary numbers (sequence limits of 28 digits, extent sizes beyond
  // 2 GB) are read as Oracle writes them, never through a double.
  Q.SetExactValues(true);
  Q2.SetExactValues(true);
  odsOracle.MainQuery().SetExactValues(true);
  DS2.MainQuery().SetExactValues(true);
  // Filters name one object exactly: a name with * or ? is no pattern.
  odsOracle.SetFilterOptions(foNoPartialCompare);
}

SchemaWriters::~SchemaWriters() = default;

}  // namespace tarlow
