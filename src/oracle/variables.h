// The named variables of a query: bind variables whose values travel with
// each execution (single values, arrays for array DML, PL/SQL tables, LOB
// locators and cursors) and substitution variables pasted into the text.
//
// A statement refers to a variable as a colon and its name.  Values live in
// element buffers laid out as the client library reads them, so binding is
// handing over addresses; OUT values land in the same buffers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "oracle/fields.h"
#include "oracle/oci.h"

class TOracleQuery;
class TOracleSession;
class TLOBLocator;

// Variable type codes.
enum : int16_t {
  otSubst = 1,
  otInteger = 3,
  otFloat = 4,
  otString = 5,
  otLong = 8,
  otPLSQLString = 10,
  otDate = 12,
  otLongRaw = 24,
  otChar = 97,
  otObject = 108,
  otReference = 110,
  otCLOB = 112,
  otBLOB = 113,
  otBFile = 114,
  otCursor = 116,
};

struct TVariableData {
  std::string Name;                    // ":" and the upper-case name
  int16_t Type = 0;
  int32_t BufferSize = 0;              // bytes per element
  std::vector<unsigned char> Buffer;   // element buffers
  std::vector<sb2> Indicators;         // -1: null
  int32_t ActualLength = 0;            // bytes in use of a LONG, LONG RAW or substitution value
  ub2 BoundLength = 0;                 // ActualLength as the client library reads it
  int32_t LowerBound = 0;
  int32_t ElementCount = 1;
  bool PLSQLTable = false;
  int32_t TableSize = 0;
  ub4 TableLength = 0;                 // elements in use in a PL/SQL table
  bool OwnsBuffer = true;
  bool Complex = false;
  TLOBLocator* LOB = nullptr;          // attached instance of a LOB variable
  TOracleQuery* Cursor = nullptr;      // attached instance of a cursor variable
  OCIBind* BindHandle = nullptr;
  const void* BoundAddress = nullptr;  // buffer address at the last bind; null: not bound
  sb4 BoundSize = 0;                   // and the size bound with it

  bool IsNull(int element = 0) const {
    return size_t(element) >= Indicators.size() || Indicators[size_t(element)] == -1;
  }
};

class TVariables {
 public:
  explicit TVariables(TOracleQuery* owner) : owner_(owner) {}
  TVariables(const TVariables&) = delete;
  TVariables& operator=(const TVariables&) = delete;
  // Copies every declaration and value of another query's list.
  void Assign(const TVariables& other);

  void DeclareVariable(const std::string& name, int16_t type);
  void DeclarePLSQLTable(const std::string& name, int32_t tableSize, int32_t stringSize);
  void DeleteVariable(const std::string& name);
  void DeleteVariables();
  void SetVariable(const std::string& name, const TOracleVariant& value);
  void SetVariable(int position, const TOracleVariant& value);
  TOracleVariant GetVariable(const std::string& name) const;
  TOracleVariant GetVariable(int position) const;
  void SetComplexVariable(const std::string& name, TLOBLocator* locator);
  void SetComplexVariable(const std::string& name, TOracleQuery* cursor);
  void ClearComplexVariable(const std::string& name);

  int32_t Count() const { return int32_t(list_.size()); }
  std::string VariableName(int position) const { return At(position).Name; }
  int16_t VariableType(int position) const { return At(position).Type; }
  // -1 when absent.
  int32_t VariableIndex(const std::string& name) const;
  TVariableData& Data(int position) { return *list_[size_t(position)]; }
  const TVariableData& Data(int position) const { return *list_[size_t(position)]; }

  // Whether a variable makes the statement parse on every execution in OCI8
  // mode: a LONG or LONG RAW, a PL/SQL table, or an array.
  bool ForcesReparse() const;
  // The statement text with the substitution variables' values pasted in.
  std::string Substitute(const std::string& text) const;
  // After a new statement handle every variable is bound again.
  void MarkUnbound();
  // After an execution: a LONG or LONG RAW value a block handed back came
  // with its length.
  void TakeReturnedLengths();
  // The debug text of the variables: a line per variable.
  std::string DebugText() const;

  static std::string NormalName(const std::string& name);

 private:
  const TVariableData& At(int position) const;
  TVariableData* Find(const std::string& name) const;
  TOracleSession* Session() const;
  void Reallocate(TVariableData& v, int32_t n, int32_t stringSize = 0);
  void StoreElement(TVariableData& v, int element, const TOracleVariant& value);
  TOracleVariant ReadElement(const TVariableData& v, int element) const;
  TOracleVariant Unassigned() const;
  void Forget();

  TOracleQuery* owner_;
  std::vector<std::unique_ptr<TVariableData>> list_;
};
