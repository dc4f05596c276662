// TOracleDataSet: the result of a select as records with named fields.
//
// The data set owns one query, MainQuery, that runs the statement; every row
// it fetches is copied into an in-memory record list, with string values
// trimmed (TrimStringFields) and LONG and LOB values held whole as memo and
// blob fields.  Records are allocated in blocks that never move a record
// once it is held.  Fields are found by name ignoring case; a second column
// of the same name becomes NAME_1, a third NAME_2.
//
// A filter of the form COLUMN='literal' (with * and ? as wildcards unless
// partial comparison is off) hides the records that do not match.
//
// Typical use:
//   ds.SetActive(false); ds.DeleteVariables(); ds.SetSQLText("select ..."); ds.SetActive(true);
//   for (ds.First(); !ds.Eof(); ds.Next()) ds.FieldByName("NAME").AsString();
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "oracle/errors.h"
#include "oracle/fields.h"
#include "oracle/query.h"
#include "oracle/session.h"

class TOracleDataSet;

// A data set's own complaints: "<data set name>: <message>".
class EDatabaseError : public EOracleException {
 public:
  using EOracleException::EOracleException;
};

enum class TFieldKind { String, SmallInt, Integer, Float, DateTime, Memo, Blob };

enum TFilterOption { foCaseInsensitive = 1, foNoPartialCompare = 2 };
using TFilterOptions = int;  // a set of TFilterOption bits

// One field of the current record.
class TField {
 public:
  const std::string& FieldName() const { return name_; }
  TFieldKind Kind() const { return kind_; }
  int Size() const { return size_; }  // string fields: characters kept
  int FieldNo() const { return fieldNo_; }
  // The select-list position of the column behind the field.
  int QueryColumn() const { return column_; }

  bool IsNull() const;
  std::string AsString() const;
  int32_t AsInteger() const;
  double AsFloat() const;
  double AsDateTime() const;

 private:
  friend class TOracleDataSet;
  TField(TOracleDataSet* owner, std::string name, TFieldKind kind, int size, int fieldNo, int column, int slot)
      : owner_(owner), name_(std::move(name)), kind_(kind), size_(size), fieldNo_(fieldNo), column_(column),
        slot_(slot) {}

  TOracleDataSet* owner_;
  std::string name_;
  TFieldKind kind_;
  int size_;
  int fieldNo_;
  int column_;
  int slot_;  // index of the value in a record
};

class TOracleDataSet : public TOracleSessionClient {
 public:
  explicit TOracleDataSet(TOracleSession* session = nullptr, const std::string& name = "");
  ~TOracleDataSet() override;
  TOracleDataSet(const TOracleDataSet&) = delete;
  TOracleDataSet& operator=(const TOracleDataSet&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }

  // ---- passed through to MainQuery ----
  TOracleQuery& MainQuery() { return query_; }
  // MainQuery's own lines: edits take effect at the next open.
  std::vector<std::string>& SQL() { return query_.SQL(); }
  // Replacing the statement as a whole closes the data set and, if it was
  // open, opens it again.
  void SetSQL(const std::vector<std::string>& lines);
  void SetSQLText(const std::string& text);
  TOracleSession* Session() const { return query_.Session(); }
  void SetSession(TOracleSession* session);
  int32_t ReadBuffer() const { return query_.ReadBuffer(); }
  void SetReadBuffer(int32_t rows) { query_.SetReadBuffer(rows); }
  bool Optimize() const { return query_.Optimize(); }
  void SetOptimize(bool v) { query_.SetOptimize(v); }
  bool Debug() const { return query_.Debug(); }
  void SetDebug(bool v) { query_.SetDebug(v); }
  bool StringFieldsOnly() const { return query_.StringFieldsOnly(); }
  void SetStringFieldsOnly(bool v) { query_.SetStringFieldsOnly(v); }
  TScreenCursor Cursor() const { return query_.Cursor(); }
  void SetCursor(TScreenCursor v) { query_.SetCursor(v); }
  void DeleteVariables() { query_.DeleteVariables(); }

  // ---- the data set's own ----
  TOracleQueryEvent BeforeQuery, AfterQuery;  // sender is MainQuery
  bool Active() const { return active_; }
  void SetActive(bool v);
  void Open() { SetActive(true); }
  void Close() override;
  bool QueryAllRecords() const { return queryAllRecords_; }
  void SetQueryAllRecords(bool v) { queryAllRecords_ = v; }
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& filter);
  bool Filtered() const { return filtered_; }
  void SetFiltered(bool v);
  TFilterOptions FilterOptions() const { return filterOptions_; }
  void SetFilterOptions(TFilterOptions v);

  void First();
  void Next();
  bool Eof() const { return eof_; }
  int32_t RecordCount() const;
  // The record number of the current record (1 for the first fetched), 0 when none.
  int32_t RecNo() const;

  int FieldCount() const { return int(fields_.size()); }
  TField& Fields(int i) { return *fields_.at(size_t(i)); }
  // "<name>: Field '<field>' not found" when absent.
  TField& FieldByName(const std::string& name);
  TField* FindField(const std::string& name);

  // How the data set reports columns it leaves out (object, reference and
  // cursor columns); by default the platform's message box.
  static void SetMessageHandler(std::function<void(const std::string&)> handler);

  void SessionDestroyed() override;

 private:
  friend class TField;
  // A record is one allocation: a null flag per field, an 8-byte slot per
  // field (the number, or the offset and length of the field's bytes), then
  // the bytes of the string, memo and blob values.
  struct Record {
    int32_t recordNo = 0;
    int32_t updateStatus = 0;
    std::unique_ptr<unsigned char[]> data;
  };
  struct Block {
    std::unique_ptr<Record[]> records;
    size_t capacity = 0;
    size_t used = 0;
  };

  void DoOpen();
  void BuildFields();
  Record& NewRecord();
  void ReadRow(Record& r);
  bool FetchOne();  // reads one more row (passing the filter); false at the end
  const Record* Current() const;
  void RebuildVisible();
  void UpdateFilterIndex();
  bool Passes(const Record& r) const;
  void ParseFilter();
  bool ValueIsNull(const Record& r, const TField& f) const { return r.data[size_t(f.slot_)] != 0; }
  const unsigned char* Slot(const Record& r, const TField& f) const {
    return r.data.get() + slotsOffset_ + size_t(f.slot_) * 8;
  }
  std::string Bytes(const Record& r, const TField& f) const;
  std::string ValueText(const Record& r, const TField& f) const;
  [[noreturn]] void Raise(const std::string& message) const;

  std::string name_;
  TOracleQuery query_;
  bool active_ = false;
  bool queryAllRecords_ = true;
  std::string filter_;
  bool filtered_ = false;
  TFilterOptions filterOptions_ = 0;

  std::vector<std::unique_ptr<TField>> fields_;
  std::vector<std::unique_ptr<Block>> blocks_;
  std::vector<Record*> records_;   // fetch order; records never move
  std::vector<int32_t> visible_;   // indices into records_ while filtered
  int32_t position_ = -1;          // into visible_ when filtered, else records_
  bool eof_ = true;
  bool queryRowPending_ = false;   // the query's current row is not in a record yet
  bool queryDone_ = true;
  TOracleFormats formats_;
  size_t slotsOffset_ = 0;
  std::string rowBytes_;  // scratch of ReadRow

  // The parsed filter: field and literal.
  bool filterReady_ = false;
  TField* filterField_ = nullptr;
  std::string filterLiteral_;

  // Exact one-column filters find their records here instead of testing
  // every record, so filtering a data set once per object it holds stays
  // linear.  The index covers the first indexedCount_ records and grows as
  // more are fetched.
  const TField* indexField_ = nullptr;
  bool indexUpper_ = false;
  size_t indexedCount_ = 0;
  std::unordered_map<std::string, std::vector<int32_t>> filterIndex_;
};
