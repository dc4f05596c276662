// TOracleQuery's side of its variables: declaring them (which forgets the
// parsed statement), binding them before each execution, and the cursor
// variable's receiving query.
#include <cstring>

#include "oracle/errors.h"
#include "oracle/query.h"

void TOracleQuery::DeclareVariable(const std::string& name, int16_t type) {
  if (session_ && session_->ODBCMode()) Close();
  variables_.DeclareVariable(name, type);
}

void TOracleQuery::DeclarePLSQLTable(const std::string& name, int32_t tableSize, int32_t stringSize) {
  variables_.DeclarePLSQLTable(name, tableSize, stringSize);
}

void TOracleQuery::DeleteVariable(const std::string& name) {
  if (session_ && session_->ODBCMode()) Close();
  variables_.DeleteVariable(name);
}

void TOracleQuery::DeleteVariables() {
  if (session_ && session_->ODBCMode()) Close();
  variables_.DeleteVariables();
}

void* TOracleQuery::PrepareCursorResult() {
  Close();
  Clear();
  cursorResult_ = true;
  const oci::Api& a = Api();
  oci8_ = session_->OCI8Mode();
  session_->LockSession();
  if (oci8_) {
    sword status = a.OCIHandleAlloc(session_->EnvHandle(), reinterpret_cast<void**>(&err_), OCI_HTYPE_ERROR, 0,
                                    nullptr);
    if (status == OCI_SUCCESS)
      status = a.OCIHandleAlloc(session_->EnvHandle(), reinterpret_cast<void**>(&attrErr_), OCI_HTYPE_ERROR, 0,
                                nullptr);
    if (status == OCI_SUCCESS)
      status = a.OCIHandleAlloc(session_->EnvHandle(), reinterpret_cast<void**>(&stmt_), OCI_HTYPE_STMT, 0, nullptr);
    session_->UnlockSession();
    if (status != OCI_SUCCESS) throw EOracleException("Could not allocate a statement handle");
    cursorOpen_ = true;
    return &stmt_;
  }
  // An OCI7 cursor variable binds an open cursor data area.
  std::memset(&cda_, 0, sizeof cda_);
  a.oopen(&cda_, session_->Lda(), nullptr, -1, -1, nullptr, -1);
  if (cda_.rc != 0) Fail();
  session_->UnlockSession();
  cursorOpen_ = true;
  return &cda_;
}

void TOracleQuery::BindVariables() {
  arraySize_ = 0;
  if (cursorResult_) return;
  for (int i = 0; i < variables_.Count(); ++i) {
    TVariableData& v = variables_.Data(i);
    if (v.Type == otSubst) continue;
    BindVariable(v);
  }
}

void TOracleQuery::BindVariable(TVariableData& v) {
  const oci::Api& a = Api();
  void* address = v.Buffer.data();
  sb4 size = v.BufferSize;
  ub2 type = ub2(v.Type == otPLSQLString ? int16_t(otString) : v.Type);
  ub2* length = nullptr;
  if (v.Type >= otCLOB && v.Type <= otBFile) {
    RequireOCI8("A LOB Locator variable");
    if (!v.LOB) throw EOracleException("LOB variable " + v.Name + " cannot be nil");
    address = v.LOB->BindSlot();
    size = sb4(sizeof(OCILobLocator*));
    v.Indicators.assign(1, v.LOB->IsNull() ? -1 : 0);
  } else if (v.Type == otCursor) {
    if (!v.Cursor) throw EOracleException("Cursor variable " + v.Name + " cannot be nil");
    address = v.Cursor->PrepareCursorResult();
    if (oci8_) {
      size = 0;
    } else {
      type = SQLT_CUR;
      size = sb4(sizeof(Cda_Def));
    }
    v.Indicators.assign(1, 0);
  } else if (v.Type == otString || v.Type == otChar) {
    size = std::min(size, sb4(session_->MaxStringSize() + 1));
  }
  if (v.Type == otLong || v.Type == otLongRaw) {
    if (v.BufferSize <= 0xFFFF) {
      length = &v.BoundLength;
    } else {
      // Beyond what the length argument holds, the size tells the length:
      // the value itself, without the text's terminating zero.
      size = v.ActualLength;
    }
  }
  // Array size: every array bound in one execution has the same length.
  if (v.PLSQLTable) {
    arraySize_ = 1;
  } else if (arraySize_ == 0) {
    arraySize_ = v.ElementCount;
  } else if (v.ElementCount != arraySize_) {
    throw EOracleException("All arrays must be of equal size for Array DML");
  }
  ub4 tableSize = v.PLSQLTable ? ub4(v.TableSize) : 0;
  ub4* tableLength = v.PLSQLTable ? &v.TableLength : nullptr;
  session_->LockSession();
  if (oci8_) {
    bool cursor = v.Type == otCursor;
    if (!cursor && v.BindHandle && v.BoundAddress == address && v.BoundSize == size) {
      session_->UnlockSession();
      return;
    }
    v.BoundAddress = address;
    v.BoundSize = size;
    lastStatus_ = a.OCIBindByName(stmt_, &v.BindHandle, err_, reinterpret_cast<const OraText*>(v.Name.c_str()), -1,
                                  address, size, type, v.Indicators.data(), length, nullptr, tableSize, tableLength,
                                  OCI_DEFAULT);
    if (ErrorCode() != 0) {
      v.BoundAddress = nullptr;
      Fail();
    }
  } else {
    a.obndra(&cda_, reinterpret_cast<OraText*>(v.Name.data()), -1, static_cast<ub1*>(address), sword(size),
             sword(type), -1, v.Indicators.data(), length, nullptr, tableSize, tableLength, nullptr, -1, -1);
    if (cda_.rc != 0) Fail();
  }
  session_->UnlockSession();
}
