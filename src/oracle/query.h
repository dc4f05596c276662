// TOracleQuery: one SQL statement run on a TOracleSession.
//
// For a select the result comes one row at a time out of client-side define
// buffers that are filled ReadBuffer rows per round trip; a buffer that comes
// back short ends the result without another round trip.  LONG and LONG RAW
// columns are fetched one row per round trip and collected in growing pieces
// (2000 bytes doubling to 32000), so a value of any length arrives whole.
//
// The query follows its session's mode: OCI8 handles and calls, or an OCI7
// cursor data area.  With Optimize, an unchanged statement text of a reusable
// kind is not parsed, described or defined again, and in OCI8 mode the execute
// itself brings the first buffer.
//
// Typical use:
//   q.SetSQLText("select ...");  q.Execute();
//   while (!q.Eof()) { q.FieldAsText("NAME"); q.Next(); }
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "oracle/datetime_values.h"
#include "oracle/fields.h"
#include "oracle/loader.h"
#include "oracle/oci.h"
#include "oracle/session.h"
#include "oracle/variables.h"

class TOracleQuery;

// One piece of a LONG or LONG RAW value as the client library filled it.
struct TLongPiece {
  explicit TLongPiece(int32_t size) : Size(size), Length(ub4(size)), Data(new char[size]) {}
  int32_t Size;               // bytes allocated
  ub4 Length;                 // bytes the client library filled in
  std::unique_ptr<char[]> Data;
};

// A readable stream over one LOB of the current row.
class TLOBLocator : public TOracleSessionClient {
 public:
  // lobType is 112 (CLOB), 113 (BLOB) or 114 (BFILE).  Needs a connected
  // session in OCI8 mode.
  TLOBLocator(TOracleSession* session, int lobType);
  ~TLOBLocator() override;
  TLOBLocator(const TLOBLocator&) = delete;
  TLOBLocator& operator=(const TLOBLocator&) = delete;

  int LOBType() const { return lobType_; }
  bool IsNull();
  int32_t Size();
  // Reads up to count bytes from the current position and advances it.
  int32_t Read(void* buffer, int32_t count);
  // The whole value from the start, whatever the position.
  std::string ReadAll();
  int32_t Position() const { return position_; }
  void SetPosition(int32_t p) { position_ = p; }

  // Points the stream at a descriptor slot (the current row's) at position 0.
  void Reposition(OCILobLocator** slot) {
    slot_ = slot;
    position_ = 0;
  }
  OCILobLocator* Descriptor() const { return slot_ ? *slot_ : nullptr; }
  // The descriptor slot a LOB variable binds: the current row's, or the
  // locator's own descriptor when it points at no row.
  OCILobLocator** BindSlot();

  void Close() override {}
  void SessionDestroyed() override { session_ = nullptr; }

 private:
  void Check(sword status);

  TOracleSession* session_;
  int lobType_;
  OCIError* errorHandle_ = nullptr;
  OCILobLocator** slot_ = nullptr;
  OCILobLocator* own_ = nullptr;
  int32_t position_ = 0;
};

// One select-list column: what the describe step reported, how it is fetched
// and its define buffers.
struct TFieldData {
  int32_t DataSize = 0;
  int16_t InternalType = 0;
  std::string Name;
  int16_t Precision = 0;
  int16_t Scale = 0;
  int16_t Nullable = 0;
  int16_t FieldType = 0;   // external type the column is fetched as
  int16_t CharsetForm = 0; // 2 for NCHAR, NVARCHAR2 and NCLOB (the national character set)
  int32_t BufferSize = 0;  // bytes per row
  int32_t RowCount = 0;
  std::vector<unsigned char> Buffer;
  std::vector<sb2> Indicators;
  std::vector<ub2> Lengths;
  std::vector<std::unique_ptr<TLongPiece>> Pieces;  // OCI8 LONG / LONG RAW value of the current row
  std::unique_ptr<TLOBLocator> LOB;
  OCIDefine* Define = nullptr;

  // Bytes of row r's value.
  unsigned char* Value(int row) { return Buffer.data() + size_t(row) * size_t(BufferSize); }
  int64_t LongLength() const;
};

using TOracleQueryEvent = std::function<void(TOracleQuery& sender)>;
using TThreadErrorEvent =
    std::function<void(TOracleQuery& sender, int errorCode, const std::string& errorMessage)>;
// A failing element of an array execution; clearing `continueArray` stops it.
using TArrayErrorEvent = std::function<void(TOracleQuery& sender, int32_t index, int errorCode,
                                            const std::string& errorMessage, bool& continueArray)>;

class TOracleQuery : public TOracleSessionClient {
 public:
  explicit TOracleQuery(TOracleSession* session = nullptr, const std::string& name = "");
  ~TOracleQuery() override;
  TOracleQuery(const TOracleQuery&) = delete;
  TOracleQuery& operator=(const TOracleQuery&) = delete;

  // ---- properties ----
  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }
  TOracleSession* Session() const { return session_; }
  // Closes the cursor and moves the registration to the new session.
  void SetSession(TOracleSession* session);
  // The statement's lines; edits take effect at the next Execute.
  std::vector<std::string>& SQL() { return sql_; }
  const std::vector<std::string>& SQL() const { return sql_; }
  void SetSQL(const std::vector<std::string>& lines) { sql_ = lines; }
  // Splits text into lines at CR LF, LF or CR.
  void SetSQLText(const std::string& text);
  int32_t ReadBuffer() const { return readBuffer_; }
  void SetReadBuffer(int32_t rows) { readBuffer_ = rows <= 0 ? 1 : rows; }
  bool Optimize() const { return optimize_; }
  void SetOptimize(bool v) { optimize_ = v; }
  bool Debug() const { return debug_; }
  void SetDebug(bool v) { debug_ = v; }
  // Mouse cursor while executing or fetching; crDefault leaves it alone.
  TScreenCursor Cursor() const { return cursor_; }
  void SetCursor(TScreenCursor v) { cursor_ = v; }
  bool StringFieldsOnly() const { return stringFieldsOnly_; }
  void SetStringFieldsOnly(bool v);
  // Values exactly as stored, for writing them back as literals: NUMBER
  // columns come as Oracle's own number text (every digit, "." as the
  // decimal point whatever the locale; FieldType 5) and text values keep
  // their line breaks as stored, whatever the session's ConvertCRLF.
  bool ExactValues() const { return exactValues_; }
  void SetExactValues(bool v);
  bool Threaded() const { return threaded_; }
  void SetThreaded(bool v) { threaded_ = v; }
  bool ThreadSynchronized() const { return threadSynchronized_; }
  void SetThreadSynchronized(bool v) { threadSynchronized_ = v; }

  // ---- events ----
  TOracleQueryEvent BeforeQuery;  // start of every Execute
  TOracleQueryEvent AfterQuery;   // once per execution: at Eof, or when it fails
  TOracleQueryEvent OnThreadExecuted, OnThreadRecord, OnThreadFinished;
  TThreadErrorEvent OnThreadError;
  TArrayErrorEvent OnArrayError;

  // ---- running ----
  void Execute();
  void Describe();
  // Execution over variable elements; with no variables declared this is one
  // execution.  Returns the rows processed.
  int32_t ExecuteArray(int32_t index, int32_t count);
  void Next();
  bool Eof() const { return eof_; }
  void Close() override;
  void Clear();
  int32_t RowsProcessed();
  int32_t StatementType() const { return statementType_; }
  // Whether the background thread is still working.
  bool ThreadIsRunning() const { return threadBusy_.load(); }

  // ---- variables ----
  TVariables& Variables() { return variables_; }
  const TVariables& Variables() const { return variables_; }
  void DeclareVariable(const std::string& name, int16_t type);
  void DeclarePLSQLTable(const std::string& name, int32_t tableSize, int32_t stringSize);
  void DeleteVariable(const std::string& name);
  void DeleteVariables();
  void SetVariable(const std::string& name, const TOracleVariant& value) { variables_.SetVariable(name, value); }
  void SetVariable(int position, const TOracleVariant& value) { variables_.SetVariable(position, value); }
  TOracleVariant GetVariable(const std::string& name) const { return variables_.GetVariable(name); }
  TOracleVariant GetVariable(int position) const { return variables_.GetVariable(position); }
  void SetComplexVariable(const std::string& name, TLOBLocator* locator) {
    variables_.SetComplexVariable(name, locator);
  }
  void SetComplexVariable(const std::string& name, TOracleQuery* cursor) {
    variables_.SetComplexVariable(name, cursor);
  }
  int32_t VariableCount() const { return variables_.Count(); }
  std::string VariableName(int position) const { return variables_.VariableName(position); }
  int16_t VariableType(int position) const { return variables_.VariableType(position); }
  int32_t VariableIndex(const std::string& name) const { return variables_.VariableIndex(name); }

  // ---- columns ----
  int32_t FieldCount() const { return int32_t(fields_.size()); }
  std::string FieldName(int i) const;
  int FieldIndex(const std::string& name) const;
  int16_t FieldType(int i) const;
  int16_t FieldInternalType(int i) const;
  int16_t FieldPrecision(int i) const;
  int16_t FieldScale(int i) const;
  bool FieldNullable(int i) const;
  int32_t FieldSize(int i) const;

  bool FieldIsNull(int i);
  bool FieldIsNull(const std::string& name) { return FieldIsNull(IndexOf(name)); }
  std::string FieldAsText(int i);
  std::string FieldAsText(const std::string& name) { return FieldAsText(IndexOf(name)); }
  int32_t FieldAsInteger(int i);
  int32_t FieldAsInteger(const std::string& name) { return FieldAsInteger(IndexOf(name)); }
  double FieldAsFloat(int i);
  double FieldAsFloat(const std::string& name) { return FieldAsFloat(IndexOf(name)); }
  double FieldAsDate(int i);
  double FieldAsDate(const std::string& name) { return FieldAsDate(IndexOf(name)); }
  TOracleVariant FieldValue(int i);
  TOracleVariant FieldValue(const std::string& name) { return FieldValue(IndexOf(name)); }
  // Copies up to length bytes of a LONG or LONG RAW value from offset.
  int32_t ReadLongField(int i, void* buffer, int32_t length, int32_t offset);
  // TIMESTAMP [WITH [LOCAL] TIME ZONE] and INTERVAL columns, every field
  // exact; a DATE column reads as a timestamp too.  Zeros for null.
  TOracleTimestamp FieldAsTimestamp(int i);
  TOracleInterval FieldAsInterval(int i);
  // A DATE column's parts, also for years before Christ (negative).
  oraconv::DateParts FieldAsDateParts(int i);
  // Whether a character column is of the national character set.
  bool FieldIsNational(int i) const { return Field(i).CharsetForm == 2; }
  TLOBLocator& FieldAsLOB(int i);
  TLOBLocator& FieldAsLOB(const std::string& name) { return FieldAsLOB(IndexOf(name)); }

  // The describe information and buffers of one column (the data set reads
  // them directly).
  const TFieldData& Field(int i) const { return *fields_[CheckedIndex(i)]; }

  // The platform's locale formats (pinned ones in tests), in the form the
  // conversions take.  A query reads them once per execution.
  static TOracleFormats Formats();

  // The text a Debug query shows before each execution.
  std::string DebugText() const;

  // Tests: route the query's client calls through another table (null: the
  // loader's), so that round trips and parses can be counted.
  static void SetApiForTests(const oci::Api* api);

  void SessionDestroyed() override;

 private:
  friend class TOracleDataSet;
  friend class TVariables;

  const oci::Api& Api() const;
  int IndexOf(const std::string& name) const;
  int CheckedIndex(int i) const;
  void CheckNotEof() const;
  TFieldData& CheckedField(int i);
  bool ConvertCRLFIn() const;

  // iterations and offset: the requested range of array elements (0, 0: all).
  void ExecuteInternal(bool describeOnly, int32_t iterations = 0, int32_t offset = 0);
  void BindVariables();
  void BindVariable(TVariableData& v);
  // Makes this query the receiver of a cursor another statement returns:
  // closed, cleared, marked as a cursor result, with a fresh statement handle
  // (OCI8) or an open cursor data area (OCI7).  Returns what the cursor
  // variable binds.
  void* PrepareCursorResult();
  void RunThread();
  void ParseStatement();
  std::string StatementText() const;
  void DescribeSelect();
  void DefineColumns();
  void FirstFetch(bool fetchedByExecute);
  void PrepareRow();
  void ResetLongPieces();
  void FreeFields();
  void ForgetParse() { parsedText_.clear(); }
  void RequireOCI8(const std::string& subject);

  // Error handling of a call made with the session lock held: raises (and
  // releases the lock) when it failed, else releases the lock.
  int ErrorCode();
  void Check(sword status, bool noDataIsError = true);
  [[noreturn]] void Fail();
  void ShowCursor();
  void RestoreCursor();
  void Attach();
  void Detach();

  std::string name_;
  TOracleSession* session_ = nullptr;
  std::vector<std::string> sql_;
  int32_t readBuffer_ = 25;
  bool optimize_ = true;
  bool debug_ = false;
  TScreenCursor cursor_ = crDefault;
  bool stringFieldsOnly_ = false;
  bool exactValues_ = false;
  bool threaded_ = false;
  bool threadSynchronized_ = true;

  // OCI8 statement handles; OCI7 cursor data area.
  OCIStmt* stmt_ = nullptr;
  OCIError* err_ = nullptr;
  OCIError* attrErr_ = nullptr;
  Cda_Def cda_{};
  bool oci8_ = true;  // mode of the open cursor
  sword lastStatus_ = 0;

  bool cursorOpen_ = false;
  std::string parsedText_;
  int32_t statementType_ = 0;
  bool described_ = false;
  int32_t bufferRows_ = 0;
  int32_t currentRow_ = 0;
  int32_t rowsInBuffer_ = 0;
  bool eof_ = false;
  bool afterQueryPending_ = false;
  bool cursorResult_ = false;
  bool cursorShown_ = false;
  TScreenCursor savedCursor_ = crDefault;
  std::vector<std::unique_ptr<TFieldData>> fields_;
  TOracleFormats formats_;
  TVariables variables_{this};
  int32_t arraySize_ = 0;  // common element count of the bound variables

  std::thread thread_;
  std::atomic<bool> threadBusy_{false};
};

// Registers the query layer with the session, which then runs its own
// statements (settings, probes, ExecuteInternal) on TOracleQuery objects.
// Creating any query does it too.
void RegisterOracleQueryFactory();
