// The statement writers that read the logged-on user's data dictionary and
// write the script that recreates the schema: table definitions with their
// storage clauses, comments and defaults, constraints and orphan deletes,
// indexes and triggers, views and sequences, stored code, and the tables'
// rows as INSERT statements.
//
// They work on the window's four dictionary objects: the queries Q and Q2
// and the data sets odsOracle and DS2, all on one session (ReadBuffer 25).
// A writer's query is sent with the table's name spliced between single
// quotes (its own quotes doubled); every name the script itself carries is
// written in double quotes unless it is a plain Oracle identifier.  Each
// query that could return rows in any order has an ORDER BY, so the same
// schema always gives the same script, byte for byte.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "oracle/dataset.h"
#include "oracle/query.h"
#include "oracle/session.h"
#include "script/dependency_order.h"
#include "script/statement_writers.h"
#include "script/view_statement.h"

namespace tarlow {

class RowSink;  // where the data writer's statements go

class SchemaWriters : public StatementWriters {
 public:
  explicit SchemaWriters(TOracleSession& session);
  ~SchemaWriters() override;

  // How "Unable to open metadata view." is shown (a message box in the
  // window); by default the data set's message handler is not involved and
  // the text goes nowhere but this callback.
  std::function<void(const std::string&)> OnErrorMessage;

  TOracleQuery Q, Q2;
  TOracleDataSet odsOracle, DS2;

  // ---- per table ----
  std::string TableScript(ScriptContext& ctx, const std::string& table) override;
  std::string TableCommentScript(ScriptContext& ctx, const std::string& table) override;
  std::string ColumnCommentScript(ScriptContext& ctx, const std::string& table) override;
  std::string CheckConstraintScript(ScriptContext& ctx, const std::string& table) override;
  std::string NotNullScript(ScriptContext& ctx, const std::string& table) override;
  void WriteIndexes(ScriptContext& ctx, const std::string& table) override;
  std::string PrimaryKeyScript(ScriptContext& ctx, const std::string& table) override;
  void WriteTableData(ScriptContext& ctx, const std::string& table) override;
  std::string AfterDataConstraintScript(ScriptContext& ctx, const std::string& table) override;
  void WriteTriggers(ScriptContext& ctx, const std::string& table) override;
  void WriteColumnDefaults(ScriptContext& ctx, const std::string& table) override;
  std::string IdentityAfterDataScript(ScriptContext& ctx, const std::string& table) override;
  std::string SequenceDefaultScript(ScriptContext& ctx, const std::string& table) override;
  std::string ForeignKeyScript(ScriptContext& ctx, const std::string& table) override;
  // ---- schema-wide ----
  void WriteViews(ScriptContext& ctx) override;
  void WriteSequences(ScriptContext& ctx) override;
  void WriteProcedures(ScriptContext& ctx) override;
  void WriteFunctions(ScriptContext& ctx) override;
  void WritePackages(ScriptContext& ctx) override;
  // ---- table kinds and the closing note ----
  void BeginRun(ScriptContext& ctx) override;
  std::string NotScriptedReason(ScriptContext& ctx, const std::string& table) override;
  std::string ClosingNoteScript(ScriptContext& ctx, const std::vector<std::string>& notScripted) override;
  void WriteViewsOnStoredCode(ScriptContext& ctx) override;
  void WriteSchemaTriggers(ScriptContext& ctx) override;

  // ---- the pieces, public for tests ----
  // kind "TABLE" or "INDEX"; ";" when "TableSpaces" is clear, the lookup
  // fails or the object is not found.
  std::string StorageClause(ScriptContext& ctx, const std::string& name, const std::string& kind);
  std::string ColumnComment(ScriptContext& ctx, const std::string& table, const std::string& column);
  std::string TableComment(ScriptContext& ctx, const std::string& table);
  // Rebuilds ObjectList for "VIEW", "PROCEDURE" or "FUNCTION" in dependency
  // order (OrderByDependencies), letting messages through the context's host
  // while it orders.  False (after the message) when the object names cannot
  // be read; the list is then empty.
  bool BuildObjectList(const std::string& kind, ScriptContext* ctx = nullptr);
  const std::vector<TOracleObject>& ObjectList() const { return objectList_; }

  // What USER_TABLES says of a table beyond its columns; read for every
  // table at once on first use in a run.
  struct TableKind {
    bool Temporary = false;
    std::string Duration;     // SYS$TRANSACTION or SYS$SESSION
    bool Partitioned = false;
    std::string Overflow;     // the overflow segment of an index-organized table
    std::string NotScripted;  // why the table is not scripted as a table
    // Columns of object types (XMLTYPE, SDO_GEOMETRY, a user's type,
    // references, collections), as "NAME\tTYPE": no script holds their values.
    std::vector<std::string> ObjectColumns;
  };
  const TableKind& TableKindOf(ScriptContext& ctx, const std::string& table);
  // The partitioning of a partitioned table, from the line break before
  // PARTITION BY to its closing parenthesis ("" for any other table), and
  // the table-level attributes its partitions take by default.
  std::string PartitionClause(ScriptContext& ctx, const std::string& table);
  // " LOCAL (...)" or " GLOBAL PARTITION BY ..." of a partitioned index;
  // "" for any other index.
  std::string IndexPartitionClause(ScriptContext& ctx, const std::string& index);

 private:
  struct PrimaryKey {
    std::string Name;
    std::vector<std::string> Columns;  // in key order
  };
  // The table's primary key; Name empty when it has none.  Throws what the
  // query throws.
  PrimaryKey ReadPrimaryKey(const std::string& table);
  // An index-organized table is created with its primary key inline (it
  // cannot exist without it); its key index and the key statement are then
  // not written again.  False when the dictionary cannot tell.
  bool IsIndexOrganized(ScriptContext& ctx, const std::string& table);

  // The constraints of a table written before its rows (enabled and
  // validated) or after them (disabled or not validated).
  enum class Phase { BeforeData, AfterData };
  std::string NotNullConstraints(ScriptContext& ctx, const std::string& table, Phase phase);
  std::string CheckConstraints(ScriptContext& ctx, const std::string& table, Phase phase);
  std::string KeyConstraints(ScriptContext& ctx, const std::string& table, Phase phase);
  // The expressions of a function-based index's keys by position.  Throws
  // what the query throws.
  std::map<int, std::string> IndexExpressions(const std::string& index);

  void WriteRows(ScriptContext& ctx, const std::string& table, RowSink& sink);
  // The select list of a table's stored columns (no virtual ones, invisible
  // ones included) but its object-type ones, each of those noted in the
  // script and the report; "" when no column is left.
  std::string StoredColumnsWithoutObjects(ScriptContext& ctx, const std::string& table, RowSink& sink);
  void WriteStoredCode(ScriptContext& ctx, const std::string& kind, const std::string& title);
  // One view with its comments and its triggers.
  void WriteView(ScriptContext& ctx, const ViewDefinition& view);
  // The triggers USER_TRIGGERS lists `where` ("where ..."); `joined` is the
  // same condition on the alias t of USER_TRIGGERS.
  void WriteTriggerRows(ScriptContext& ctx, const std::string& where, const std::string& joined);

  // The logged-on schema's name, read once: defaults that name it lose it.
  const std::string& SchemaOwner();
  std::string schemaOwner_;
  // Statements the table writer leaves for later, by table: the ALTERs that
  // make identities GENERATED ALWAYS once the rows are in, and the defaults
  // that need the schema's sequences.
  std::map<std::string, std::string> afterData_, afterSequences_;

  void LoadTableKinds(ScriptContext& ctx);
  std::map<std::string, TableKind> kinds_;
  bool kindsLoaded_ = false;

  std::vector<TOracleObject> objectList_;
  std::string objectListError_;  // why the last BuildObjectList failed
  // The views WriteViews left for WriteViewsOnStoredCode, in order.
  std::vector<ViewDefinition> viewsOnStoredCode_;
};

// Byte counts of the storage clause: "M" for whole multiples of 1048576,
// "K" for whole multiples of 1024, plain bytes otherwise.
std::string FormatSize(int64_t n);

// The data type of a column as CREATE TABLE writes it, from the dictionary's
// DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE (empty text when null),
// CHAR_LENGTH and CHAR_USED.
std::string ColumnTypeText(const std::string& dataType, const std::string& dataLength,
                           const std::string& precision, const std::string& scale,
                           const std::string& charLength, const std::string& charUsed);

// The literal of a text value as the data writer writes it: quoted, with
// quotes, ampersands and line breaks spelled out as CHR calls, every line
// break of the value also breaking the script's line outside the literal.
std::string TextLiteral(std::string_view value);
// The longest start of value that has at most maxBytes bytes and ends on a
// character boundary (UTF-8).
std::string_view CutAtCharacter(std::string_view value, size_t maxBytes);

// Oracle's limit on the bytes of one literal expression.
inline constexpr size_t kMaxLiteralBytes = 4000;
// BLOB and LONG RAW values up to this many bytes are written as HEXTORAW;
// larger BLOBs are appended in pieces of this size.
inline constexpr size_t kMaxRawLiteralBytes = 2000;
// The most a PL/SQL variable puts into a LONG or LONG RAW column.
inline constexpr size_t kMaxLongBytes = 32760;
// CLOBs up to this size are concatenated in the INSERT; larger ones are
// appended to the row's CLOB after it.
inline constexpr size_t kMaxInlineClobBytes = 32000;

}  // namespace tarlow
