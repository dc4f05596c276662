#include "oracle/query.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>

#include "oracle/errors.h"
#include "platform/locale_formats.h"
#include "platform/ascii.h"

namespace {

const oci::Api* g_testApi = nullptr;


constexpr int kMaxNameLength = 30;
constexpr int kLongPieceFirst = 2000;
constexpr int kLongPieceMax = 32000;
constexpr int kOCI7LongBuffer = 2000;

// Statement types whose parse may be kept while the text is unchanged.
bool Reusable(int type) {
  switch (type) {
    case 3: case 4: case 5: case 9: case 33: case 34: case 35: case 54: case 55: case 56:
      return true;
    default:
      return false;
  }
}

int MapStatementType(ub2 oci8Type) {
  switch (oci8Type) {
    case OCI_STMT_SELECT: return 4;
    case OCI_STMT_UPDATE: return 5;
    case OCI_STMT_DELETE: return 9;
    case OCI_STMT_INSERT: return 3;
    case OCI_STMT_BEGIN:
    case OCI_STMT_DECLARE: return 34;
    default: return -1;
  }
}

bool IsLOBType(int t) { return t == SQLT_CLOB || t == SQLT_BLOB || t == SQLT_BFILEE; }
bool IsLongType(int t) { return t == SQLT_LNG || t == SQLT_LBI; }
bool IsDateTimeType(int t) {
  return t == SQLT_TIMESTAMP || t == SQLT_TIMESTAMP_TZ || t == SQLT_TIMESTAMP_LTZ || t == SQLT_INTERVAL_YM ||
         t == SQLT_INTERVAL_DS;
}
ub4 DescriptorTypeOf(int t) {
  switch (t) {
    case SQLT_TIMESTAMP: return OCI_DTYPE_TIMESTAMP;
    case SQLT_TIMESTAMP_TZ: return OCI_DTYPE_TIMESTAMP_TZ;
    case SQLT_TIMESTAMP_LTZ: return OCI_DTYPE_TIMESTAMP_LTZ;
    case SQLT_INTERVAL_YM: return OCI_DTYPE_INTERVAL_YM;
    default: return OCI_DTYPE_INTERVAL_DS;
  }
}

// OCI8 piece callback of LONG and LONG RAW defines: every call adds a piece
// twice the size of the previous one, up to 32000 bytes.
sb4 LongPieceCallback(void* ctx, OCIDefine*, ub4, void** bufpp, ub4** alenp, ub1*, void** indp,
                      ub2** rcodep) {
  auto* field = static_cast<TFieldData*>(ctx);
  int32_t size = kLongPieceFirst;
  if (!field->Pieces.empty()) {
    int32_t last = field->Pieces.back()->Size;
    size = last < kLongPieceMax ? std::min(last * 2, kLongPieceMax) : kLongPieceMax;
  }
  field->Pieces.push_back(std::make_unique<TLongPiece>(size));
  TLongPiece& piece = *field->Pieces.back();
  *bufpp = piece.Data.get();
  *alenp = &piece.Length;
  *indp = field->Indicators.data();
  *rcodep = nullptr;
  return OCI_CONTINUE;
}

std::string Cut(const char* text, size_t max) {
  size_t n = strnlen(text, max);
  return std::string(text, n);
}

}  // namespace

// ---------------------------------------------------------------------------
// TFieldData

int64_t TFieldData::LongLength() const {
  int64_t total = 0;
  for (const auto& p : Pieces) total += p->Length;
  return total;
}

// ---------------------------------------------------------------------------
// TLOBLocator

TLOBLocator::TLOBLocator(TOracleSession* session, int lobType) : session_(session), lobType_(lobType) {
  const std::string subject = "A TLOBLocator instance";
  if (!session) throw EOracleException(subject + " requires a session");
  if (!session->Connected()) throw EOracleException("Not logged on");
  if (!session->OCI8Mode()) {
    if (oci::OCI8Available())
      throw EOracleException(subject + " requires OCI8 mode, but OCI7 mode is used.");
    throw EOracleException(subject + " requires Net8, which is not detected on this PC");
  }
  if (!IsLOBType(lobType)) throw EOracleException("Type must be otCLOB, otBLOB or otBFile");
  const oci::Api& a = oci::api();
  if (a.OCIHandleAlloc)
    a.OCIHandleAlloc(session->EnvHandle(), reinterpret_cast<void**>(&errorHandle_), OCI_HTYPE_ERROR,
                     0, nullptr);
  session->AttachObject(this);
}

TLOBLocator::~TLOBLocator() {
  if (session_) {
    session_->DetachObject(this);
    if (own_ && session_->EnvHandle() && oci::api().OCIDescriptorFree)
      oci::api().OCIDescriptorFree(own_, lobType_ == SQLT_BFILEE ? OCI_DTYPE_FILE : OCI_DTYPE_LOB);
    if (errorHandle_ && session_->EnvHandle() && oci::api().OCIHandleFree)
      oci::api().OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
  }
}

void TLOBLocator::Check(sword status) {
  if (status == OCI_INVALID_HANDLE) throw EOracleException("TLOBLocator: Invalid handle");
  if (status == OCI_ERROR) {
    if (!session_) throw EOracleException("Session undefined");
    session_->RaiseOracleError(errorHandle_);
  }
}

OCILobLocator** TLOBLocator::BindSlot() {
  if (slot_) return slot_;
  if (!own_ && session_) {
    void* d = nullptr;
    if (oci::api().OCIDescriptorAlloc(session_->EnvHandle(), &d,
                                      lobType_ == SQLT_BFILEE ? OCI_DTYPE_FILE : OCI_DTYPE_LOB, 0, nullptr) !=
        OCI_SUCCESS)
      throw EOracleException("Could not allocate a LOB descriptor");
    own_ = static_cast<OCILobLocator*>(d);
  }
  slot_ = &own_;
  return slot_;
}

bool TLOBLocator::IsNull() {
  OCILobLocator* d = Descriptor();
  if (!d || !session_) return true;
  boolean init = 0;
  Check(oci::api().OCILobLocatorIsInit(session_->EnvHandle(), errorHandle_, d, &init));
  return !init;
}

int32_t TLOBLocator::Size() {
  if (IsNull()) return 0;
  ub4 len = 0;
  Check(oci::api().OCILobGetLength(session_->SvcHandle(), errorHandle_, Descriptor(), &len));
  return int32_t(len);
}

int32_t TLOBLocator::Read(void* buffer, int32_t count) {
  if (count <= 0 || IsNull()) return 0;
  const oci::Api& a = oci::api();
  if (lobType_ == SQLT_BFILEE) {
    boolean open = 0;
    Check(a.OCILobFileIsOpen(session_->SvcHandle(), errorHandle_, Descriptor(), &open));
    if (!open) Check(a.OCILobFileOpen(session_->SvcHandle(), errorHandle_, Descriptor(), OCI_FILE_READONLY));
  }
  ub4 amount = ub4(count);
  sword status = a.OCILobRead(session_->SvcHandle(), errorHandle_, Descriptor(), &amount,
                              ub4(position_ + 1), buffer, ub4(count), nullptr, nullptr, 0, 1);
  // OCI_NEED_DATA would mean a piecewise read, which a one-call read of the
  // asked amount never starts; anything below 0 is a failure.
  if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO && status != OCI_NEED_DATA &&
      status != OCI_NO_DATA)
    Check(status == OCI_INVALID_HANDLE ? OCI_INVALID_HANDLE : OCI_ERROR);
  if (amount > ub4(count)) amount = ub4(count);
  position_ += int32_t(amount);
  return int32_t(amount);
}

std::string TLOBLocator::ReadAll() {
  int32_t size = Size();
  std::string out;
  if (size <= 0) return out;
  // A CLOB's length counts characters while a read returns bytes: with a
  // multi-byte client character set the value is longer in bytes than its
  // length, so the buffer leaves room for the widest UTF-8 character and the
  // amount asked for is the whole length in characters.  A whole read starts
  // at the beginning and leaves the stream's position alone.
  const size_t bytesPerUnit = lobType_ == SQLT_CLOB ? 4 : 1;
  out.resize(size_t(size) * bytesPerUnit);
  const oci::Api& a = oci::api();
  if (lobType_ == SQLT_BFILEE) {
    boolean open = 0;
    Check(a.OCILobFileIsOpen(session_->SvcHandle(), errorHandle_, Descriptor(), &open));
    if (!open) Check(a.OCILobFileOpen(session_->SvcHandle(), errorHandle_, Descriptor(), OCI_FILE_READONLY));
  }
  ub4 amount = ub4(size);
  sword status = a.OCILobRead(session_->SvcHandle(), errorHandle_, Descriptor(), &amount, 1,
                              out.data(), ub4(out.size()), nullptr, nullptr, 0, 1);
  if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO && status != OCI_NEED_DATA &&
      status != OCI_NO_DATA)
    Check(status == OCI_INVALID_HANDLE ? OCI_INVALID_HANDLE : OCI_ERROR);
  if (amount > out.size()) amount = ub4(out.size());
  out.resize(amount);
  return out;
}

// ---------------------------------------------------------------------------
// Query layer registration with the session

namespace {

class InternalQuery : public TOracleInternalQuery {
 public:
  InternalQuery(TOracleSession& session, const std::string& name) : query_(&session, name) {}
  void SetSQL(const std::string& sql) override {
    query_.Clear();
    query_.SetSQLText(sql);
  }
  void Execute() override { query_.Execute(); }
  bool Eof() override { return query_.Eof(); }
  void Next() override { query_.Next(); }
  long long FieldAsInteger(int index) override { return query_.FieldAsInteger(index); }
  std::string FieldAsString(int index) override { return query_.FieldAsText(index); }

 private:
  TOracleQuery query_;
};

}  // namespace

void RegisterOracleQueryFactory() {
  static std::once_flag once;
  std::call_once(once, [] {
    TOracleSession::SetInternalQueryFactory([](TOracleSession& session, const std::string& name) {
      return std::unique_ptr<TOracleInternalQuery>(new InternalQuery(session, name));
    });
  });
}

namespace {
const bool g_registered = (RegisterOracleQueryFactory(), true);
}

// ---------------------------------------------------------------------------
// TOracleQuery: set-up

TOracleQuery::TOracleQuery(TOracleSession* session, const std::string& name) : name_(name) {
  (void)g_registered;
  RegisterOracleQueryFactory();
  if (session) {
    session_ = session;
    Attach();
  }
}

TOracleQuery::~TOracleQuery() {
  if (thread_.joinable()) thread_.join();
  try {
    Close();
  } catch (...) {
  }
  Detach();
}

void TOracleQuery::Attach() {
  if (session_) session_->AttachQuery(this);
}

void TOracleQuery::Detach() {
  if (session_) session_->DetachQuery(this);
}

void TOracleQuery::SessionDestroyed() {
  // The session's handles go with it; what the buffers point at is gone.
  session_ = nullptr;
  cursorOpen_ = false;
  stmt_ = nullptr;
  err_ = attrErr_ = nullptr;
  for (auto& f : fields_) f->LOB.reset();
  fields_.clear();
  described_ = false;
  ForgetParse();
}

void TOracleQuery::SetSession(TOracleSession* session) {
  if (session == session_) return;
  Close();
  Detach();
  session_ = session;
  Attach();
}

void TOracleQuery::SetSQLText(const std::string& text) {
  sql_.clear();
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      sql_.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty() || sql_.empty()) sql_.push_back(line);
  if (text.empty()) sql_.clear();
}

void TOracleQuery::SetStringFieldsOnly(bool v) {
  if (v == stringFieldsOnly_) return;
  stringFieldsOnly_ = v;
  ForgetParse();
}

void TOracleQuery::SetExactValues(bool v) {
  if (v == exactValues_) return;
  exactValues_ = v;
  ForgetParse();
}

TOracleFormats TOracleQuery::Formats() {
  platform::LocaleFormats lf = platform::localeFormats();
  TOracleFormats f;
  f.ShortDateFormat = lf.shortDateFormat;
  f.LongTimeFormat = lf.longTimeFormat;
  f.DecimalSeparator = lf.decimalSeparator;
  // The platform's patterns copy separators as they stand.
  f.DateSeparator = '/';
  f.TimeSeparator = ':';
  for (char c : lf.shortDateFormat)
    if (!platform::isAsciiAlpha(c) && c != '\'' && c != '"' && c != ' ') {
      f.DateSeparator = c;
      break;
    }
  return f;
}

void TOracleQuery::SetApiForTests(const oci::Api* api) { g_testApi = api; }

const oci::Api& TOracleQuery::Api() const { return g_testApi ? *g_testApi : oci::api(); }

// ---------------------------------------------------------------------------
// Cursor display and errors

void TOracleQuery::ShowCursor() {
  if (cursor_ == crDefault || cursorShown_) return;
  savedCursor_ = platform::uiHooks().screenCursor();
  platform::uiHooks().setScreenCursor(cursor_);
  cursorShown_ = true;
}

void TOracleQuery::RestoreCursor() {
  if (!cursorShown_) return;
  platform::uiHooks().setScreenCursor(savedCursor_);
  cursorShown_ = false;
}

int TOracleQuery::ErrorCode() {
  if (!oci8_) return cda_.rc;
  switch (lastStatus_) {
    case OCI_SUCCESS:
    case OCI_SUCCESS_WITH_INFO:
    case OCI_NEED_DATA:
      return 0;
    case OCI_NO_DATA:
      return 1403;
    case OCI_ERROR:
    case OCI_INVALID_HANDLE: {
      sb4 code = 0;
      if (err_ && Api().OCIErrorGet)
        Api().OCIErrorGet(err_, 1, nullptr, &code, nullptr, 0, OCI_HTYPE_ERROR);
      // A failed call without an error record is still a failure.
      return code != 0 ? code : lastStatus_;
    }
    default:
      return lastStatus_;
  }
}

void TOracleQuery::Fail() {
  RestoreCursor();
  if (afterQueryPending_) {
    afterQueryPending_ = false;
    if (AfterQuery) AfterQuery(*this);
  }
  if (oci8_ && (lastStatus_ == OCI_ERROR || lastStatus_ == OCI_INVALID_HANDLE)) {
    sb4 code = 0;
    if (err_) Api().OCIErrorGet(err_, 1, nullptr, &code, nullptr, 0, OCI_HTYPE_ERROR);
    if (code == 0) {
      session_->UnlockSession();
      throw EOracleError(lastStatus_ == OCI_INVALID_HANDLE ? "OCI_INVALID_HANDLE" : "OCI_ERROR",
                         lastStatus_);
    }
  }
  if (oci8_) session_->RaiseOracleError(err_);
  session_->RaiseOracleError(int(cda_.rc));
}

void TOracleQuery::Check(sword status, bool noDataIsError) {
  lastStatus_ = status;
  int code = ErrorCode();
  if (code != 0 && !(code == 1403 && !noDataIsError)) Fail();
  session_->UnlockSession();
}

void TOracleQuery::RequireOCI8(const std::string& subject) {
  if (!session_) throw EOracleException(subject + " requires a session");
  if (!session_->Connected()) throw EOracleException(subject + " requires a connected session");
  if (!session_->OCI8Mode()) {
    if (oci::OCI8Available())
      throw EOracleException(subject + " requires OCI8 mode, but OCI7 mode is used.");
    throw EOracleException(subject + " requires Net8, which is not detected on this PC");
  }
}

// ---------------------------------------------------------------------------
// Execute

void TOracleQuery::Execute() {
  if (threaded_) {
    if (threadBusy_.load()) throw EOracleException("Query thread is still in progress");
    if (thread_.joinable()) thread_.join();
    threadBusy_ = true;
    thread_ = std::thread([this] { RunThread(); });
    return;
  }
  ExecuteArray(-1, -1);
}

int32_t TOracleQuery::ExecuteArray(int32_t index, int32_t count) {
  if (count == 0) return 0;
  // Execute is ExecuteArray(-1, -1): every element once.
  bool plain = index == -1 && count == -1;
  int32_t iterations = plain ? 0 : index + count;
  int32_t offset = plain ? 0 : index;
  if (BeforeQuery) BeforeQuery(*this);
  afterQueryPending_ = true;
  int32_t rows = 0;
  while (true) {
    try {
      ExecuteInternal(false, iterations, offset);
      rows += RowsProcessed();
      break;
    } catch (const EOracleError& e) {
      // The elements before the failing one are done; the loop can go on
      // past it.
      if (iterations == 0) iterations = arraySize_;
      int32_t done = RowsProcessed();
      int32_t failing = offset + done;
      offset = failing + 1;
      rows += done;
      if (OnArrayError) {
        bool go = true;
        OnArrayError(*this, failing, e.ErrorCode(), e.what(), go);
        if (go && offset < iterations) continue;
        break;
      }
      if (plain) throw;
      break;
    }
  }
  if (eof_ && afterQueryPending_) {
    afterQueryPending_ = false;
    if (AfterQuery) AfterQuery(*this);
  }
  return rows;
}

void TOracleQuery::Describe() {
  if (threadBusy_.load()) throw EOracleException("Query thread is still in progress");
  ExecuteInternal(true);
}

void TOracleQuery::RunThread() {
  auto deliver = [this](const std::function<void()>& work) {
    if (threadSynchronized_) platform::uiHooks().runOnMainThread(work);
    else work();
  };
  try {
    ExecuteArray(-1, -1);
    deliver([this] {
      if (OnThreadExecuted) OnThreadExecuted(*this);
    });
    while (!Eof()) {
      deliver([this] {
        if (OnThreadRecord) OnThreadRecord(*this);
      });
      Next();
    }
  } catch (const EOracleError& e) {
    int code = e.ErrorCode();
    std::string message = e.what();
    deliver([&] {
      if (OnThreadError) OnThreadError(*this, code, message);
    });
  } catch (const std::exception& e) {
    std::string message = e.what();
    deliver([&] {
      if (OnThreadError) OnThreadError(*this, 0, message);
    });
  }
  // Busy ends before the last event, so that its handler may run the query again.
  threadBusy_ = false;
  deliver([this] {
    if (OnThreadFinished) OnThreadFinished(*this);
  });
}

void TOracleQuery::ExecuteInternal(bool describeOnly, int32_t iterations, int32_t offset) {
  if (!session_) throw EOracleException("Session undefined");
  ub4 mode = describeOnly ? OCI_DESCRIBE_ONLY : (session_->AutoCommit() ? OCI_COMMIT_ON_SUCCESS : OCI_DEFAULT);
  eof_ = true;
  formats_ = Formats();
  if (!oci::OCILoaded()) {
    if (session_->ODBCMode() && !session_->OCA60Present() && oci::OCIDLL().empty())
      oci::SetOCIDLL("libclntsh.so");
    ShowCursor();
    try {
      oci::InitOCI();
    } catch (...) {
      RestoreCursor();
      throw;
    }
    RestoreCursor();
  }
  if (!session_->Connected()) throw EOracleException("Not logged on");
  if (debug_ && !describeOnly && !cursorResult_) platform::uiHooks().debugMessage(DebugText());

  ShowCursor();
  try {
    ParseStatement();
    const oci::Api& a = Api();
    if (statementType_ == 4) {
      BindVariables();
      bool fetchedByExecute = false;
      if (oci8_ && !cursorResult_ && !(described_ && describeOnly)) {
        ub4 iters = 0;
        if (described_ && !describeOnly) {
          iters = ub4(bufferRows_);
          ResetLongPieces();
          for (auto& f : fields_)
            if (f->LOB) f->LOB->SetPosition(0);
        }
        ub4 execMode = mode == OCI_COMMIT_ON_SUCCESS ? OCI_DEFAULT : mode;
        session_->LockSession();
        lastStatus_ = a.OCIStmtExecute(session_->SvcHandle(), stmt_, err_, iters, 0, nullptr,
                                       nullptr, execMode);
        int code = ErrorCode();
        if (code != 0 && code != 1403) {
          ForgetParse();
          Fail();
        }
        session_->UnlockSession();
        fetchedByExecute = iters > 0;
      }
      if (!described_) {
        DescribeSelect();
        DefineColumns();
      }
      if (describeOnly) {
        RestoreCursor();
        currentRow_ = 0;
        rowsInBuffer_ = 0;
        eof_ = true;
      } else {
        FirstFetch(fetchedByExecute);
      }
    } else {
      BindVariables();
      ub4 iters = 1, rowoff = 0;
      if (arraySize_ > 1) {
        iters = ub4(iterations <= 0 ? arraySize_ : iterations);
        rowoff = iterations <= 0 ? 0 : ub4(offset);
      }
      if (!describeOnly) {
        session_->LockSession();
        if (oci8_) {
          lastStatus_ = a.OCIStmtExecute(session_->SvcHandle(), stmt_, err_, iters, rowoff, nullptr, nullptr, mode);
          if (ErrorCode() != 0) {
            ForgetParse();
            Fail();
          }
          ub2 fn = 0;
          a.OCIAttrGet(stmt_, OCI_HTYPE_STMT, &fn, nullptr, OCI_ATTR_SQLFNCODE, attrErr_);
          statementType_ = fn;
        } else {
          a.oexn(&cda_, sword(iters), sword(rowoff));
          if (cda_.rc != 0) {
            ForgetParse();
            Fail();
          }
          statementType_ = cda_.ft;
        }
        session_->UnlockSession();
      }
      RestoreCursor();
    }
  } catch (...) {
    RestoreCursor();
    throw;
  }
}

// ---------------------------------------------------------------------------
// Parse

std::string TOracleQuery::StatementText() const {
  std::string text;
  for (const auto& line : sql_) {
    text += line;
    text += "\r\n";
  }
  text = oraconv::RemoveCR(variables_.Substitute(text));
  if (text.empty()) text = " ";
  return text;
}

void TOracleQuery::ParseStatement() {
  const oci::Api& a = Api();
  if (!cursorOpen_) {
    oci8_ = session_->OCI8Mode();
    session_->LockSession();
    if (oci8_) {
      lastStatus_ = a.OCIHandleAlloc(session_->EnvHandle(), reinterpret_cast<void**>(&err_),
                                     OCI_HTYPE_ERROR, 0, nullptr);
      if (lastStatus_ == OCI_SUCCESS)
        lastStatus_ = a.OCIHandleAlloc(session_->EnvHandle(), reinterpret_cast<void**>(&attrErr_),
                                       OCI_HTYPE_ERROR, 0, nullptr);
      if (lastStatus_ != OCI_SUCCESS) {
        session_->UnlockSession();
        throw EOracleException("Could not allocate the statement's error handles");
      }
      session_->UnlockSession();
    } else if (!cursorResult_) {
      std::memset(&cda_, 0, sizeof cda_);
      a.oopen(&cda_, session_->Lda(), nullptr, -1, -1, nullptr, -1);
      if (cda_.rc != 0) Fail();
      session_->UnlockSession();
    } else {
      session_->UnlockSession();
    }
    cursorOpen_ = true;
  }
  if (cursorResult_) {
    statementType_ = 4;
    described_ = false;
    return;
  }
  std::string text = StatementText();
  // Such statements are parsed on every execution.
  if (oci8_ && variables_.ForcesReparse()) ForgetParse();
  if (optimize_ && !parsedText_.empty() && parsedText_ == text && Reusable(statementType_)) return;

  FreeFields();
  parsedText_ = text;
  statementType_ = 0;
  session_->LockSession();
  if (oci8_) {
    if (stmt_) a.OCIHandleFree(stmt_, OCI_HTYPE_STMT);
    stmt_ = nullptr;
    lastStatus_ = a.OCIHandleAlloc(session_->EnvHandle(), reinterpret_cast<void**>(&stmt_),
                                   OCI_HTYPE_STMT, 0, nullptr);
    if (lastStatus_ != OCI_SUCCESS) {
      ForgetParse();
      session_->UnlockSession();
      throw EOracleException("Could not allocate a statement handle");
    }
    variables_.MarkUnbound();
    ub4 zero = 0;
    a.OCIAttrSet(stmt_, OCI_HTYPE_STMT, &zero, 4, OCI_ATTR_PREFETCH_ROWS, attrErr_);
    a.OCIAttrSet(stmt_, OCI_HTYPE_STMT, &zero, 4, OCI_ATTR_PREFETCH_MEMORY, attrErr_);
    lastStatus_ = a.OCIStmtPrepare(stmt_, err_, reinterpret_cast<const OraText*>(text.data()),
                                   ub4(text.size()), OCI_NTV_SYNTAX, OCI_DEFAULT);
    if (ErrorCode() != 0) {
      ForgetParse();
      Fail();
    }
    ub2 type = 0;
    a.OCIAttrGet(stmt_, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, attrErr_);
    statementType_ = MapStatementType(type);
  } else {
    a.oparse(&cda_, reinterpret_cast<OraText*>(text.data()), -1, 1, 2);
    if (cda_.rc != 0) {
      ForgetParse();
      Fail();
    }
    statementType_ = cda_.ft;
  }
  session_->UnlockSession();
  described_ = false;
}

// ---------------------------------------------------------------------------
// Describe and define

void TOracleQuery::DescribeSelect() {
  const oci::Api& a = Api();
  bufferRows_ = readBuffer_;
  FreeFields();
  ub4 columnCount = 0;
  if (oci8_) {
    session_->LockSession();
    lastStatus_ = a.OCIAttrGet(stmt_, OCI_HTYPE_STMT, &columnCount, nullptr, OCI_ATTR_PARAM_COUNT, attrErr_);
    session_->UnlockSession();
  }
  auto fail = [&]() {
    FreeFields();
    ForgetParse();
    Fail();
  };
  for (ub4 pos = 1;; ++pos) {
    auto field = std::make_unique<TFieldData>();
    session_->LockSession();
    if (oci8_) {
      if (pos > columnCount) {
        session_->UnlockSession();
        break;
      }
      void* param = nullptr;
      lastStatus_ = a.OCIParamGet(stmt_, OCI_HTYPE_STMT, err_, &param, pos);
      if (ErrorCode() != 0) fail();
      // Read every attribute into a zeroed word, so that a library writing
      // more bytes than the documented size cannot overrun it.
      auto get = [&](ub4 attr) {
        uint64_t v = 0;
        a.OCIAttrGet(param, OCI_DTYPE_PARAM, &v, nullptr, attr, attrErr_);
        return v;
      };
      field->DataSize = int32_t(ub2(get(OCI_ATTR_DATA_SIZE)));
      field->InternalType = int16_t(ub2(get(OCI_ATTR_DATA_TYPE)));
      OraText* name = nullptr;
      ub4 nameLength = 0;
      a.OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &nameLength, OCI_ATTR_NAME, attrErr_);
      if (name) field->Name.assign(reinterpret_cast<const char*>(name), std::min<ub4>(nameLength, kMaxNameLength));
      field->Precision = int16_t(ub1(get(OCI_ATTR_PRECISION)));
      field->Scale = int16_t(sb1(ub1(get(OCI_ATTR_SCALE))));
      field->Nullable = int16_t(ub1(get(OCI_ATTR_IS_NULL)));
      field->CharsetForm = int16_t(ub1(get(OCI_ATTR_CHARSET_FORM)));
      if (a.OCIDescriptorFree) a.OCIDescriptorFree(param, OCI_DTYPE_PARAM);
    } else {
      sb4 dbsize = 0, cbufl = kMaxNameLength, dsize = 0;
      sb2 dbtype = 0, prec = 0, scale = 0, nullok = 0;
      sb1 cbuf[kMaxNameLength + 1] = {};
      a.odescr(&cda_, sword(pos), &dbsize, &dbtype, cbuf, &cbufl, &dsize, &prec, &scale, &nullok);
      if (cda_.rc == 1007) {
        session_->UnlockSession();
        break;
      }
      if (cda_.rc != 0) fail();
      field->DataSize = dbsize;
      field->InternalType = dbtype;
      int n = std::clamp<int>(cbufl, 0, kMaxNameLength);
      field->Name.assign(reinterpret_cast<const char*>(cbuf), size_t(n));
      field->Precision = prec;
      field->Scale = scale;
      field->Nullable = nullok;
    }
    session_->UnlockSession();

    // The type table: how each internal type is fetched.
    switch (field->InternalType) {
      case SQLT_NUM: {
        TOracleSession::NumberFetch nf = session_->NumberFetchType(field->Precision, field->Scale, stringFieldsOnly_ || exactValues_);
        field->FieldType = int16_t(nf.Type);
        field->BufferSize = nf.Size;
        // A scale above the precision (NUMBER(2,5) holds .00012) writes more
        // characters than the precision rule allows for.
        if (exactValues_) field->BufferSize = std::max(field->BufferSize, 48);
        break;
      }
      case SQLT_LNG:
      case SQLT_LBI:
        field->FieldType = field->InternalType;
        field->BufferSize = oci8_ ? 0 : kOCI7LongBuffer;
        bufferRows_ = 1;
        break;
      case SQLT_RID:
      case SQLT_RDD:
        field->FieldType = SQLT_STR;
        field->BufferSize = 19;
        break;
      case SQLT_DAT:
        if (stringFieldsOnly_) {
          field->FieldType = SQLT_STR;
          field->BufferSize = session_->DateFormatLength() + 1;
        } else {
          field->FieldType = SQLT_DAT;
          field->BufferSize = 7;
        }
        break;
      case SQLT_BIN:
        field->FieldType = SQLT_STR;
        field->BufferSize = field->DataSize * 2 + 1;
        break;
      case 106:  // MLSLABEL
        field->FieldType = SQLT_STR;
        field->BufferSize = 255;
        break;
      case SQLT_TIMESTAMP:
      case SQLT_TIMESTAMP_TZ:
      case SQLT_TIMESTAMP_LTZ:
      case SQLT_INTERVAL_YM:
      case SQLT_INTERVAL_DS:
        // Read field by field from a descriptor: exact whatever the
        // session's NLS formats.  A client without the descriptor calls
        // gives the session's text.
        if (oci8_ && a.OCIDateTimeGetDate && a.OCIIntervalGetDaySecond) {
          field->FieldType = field->InternalType;
          field->BufferSize = int32_t(sizeof(void*));
        } else {
          field->FieldType = SQLT_STR;
          field->BufferSize = 96;
        }
        break;
      case SQLT_IBFLOAT:
      case SQLT_IBDOUBLE:
        // A native double holds every BINARY_FLOAT and BINARY_DOUBLE value.
        field->FieldType = oci8_ ? SQLT_BDOUBLE : SQLT_FLT;
        field->BufferSize = 8;
        break;
      case SQLT_NTY:
      case SQLT_REF:
        FreeFields();
        ForgetParse();
        RestoreCursor();
        throw EOracleException("Column " + field->Name + ": object and reference columns are not supported");
      case SQLT_CLOB:
      case SQLT_BLOB:
      case SQLT_BFILEE:
      case SQLT_RSET:
        try {
          RequireOCI8(field->InternalType == SQLT_RSET ? "A query with sub-queries" : "A query with LOB's");
        } catch (...) {
          FreeFields();
          ForgetParse();
          throw;
        }
        if (field->InternalType == SQLT_RSET) {
          FreeFields();
          ForgetParse();
          throw EOracleException("Column " + field->Name + ": cursor columns are not supported");
        }
        field->FieldType = field->InternalType;
        // One descriptor pointer per row.
        field->BufferSize = int32_t(sizeof(OCILobLocator*));
        break;
      default:
        field->FieldType = SQLT_STR;
        field->BufferSize = field->DataSize + 1;
        break;
    }
    fields_.push_back(std::move(field));
  }

  for (auto& f : fields_) {
    f->RowCount = bufferRows_;
    if (f->BufferSize > 0) f->Buffer.assign(size_t(f->BufferSize) * size_t(bufferRows_), 0);
    f->Indicators.assign(size_t(bufferRows_), -1);
    f->Lengths.assign(size_t(bufferRows_), 0);
    if (IsLOBType(f->FieldType)) {
      auto** slots = reinterpret_cast<OCILobLocator**>(f->Buffer.data());
      ub4 dtype = f->FieldType == SQLT_BFILEE ? OCI_DTYPE_FILE : OCI_DTYPE_LOB;
      for (int r = 0; r < bufferRows_; ++r) {
        void* d = nullptr;
        a.OCIDescriptorAlloc(session_->EnvHandle(), &d, dtype, 0, nullptr);
        slots[r] = static_cast<OCILobLocator*>(d);
      }
      f->LOB = std::make_unique<TLOBLocator>(session_, f->FieldType);
    }
    if (IsDateTimeType(f->FieldType)) {
      auto** slots = reinterpret_cast<void**>(f->Buffer.data());
      for (int r = 0; r < bufferRows_; ++r)
        a.OCIDescriptorAlloc(session_->EnvHandle(), &slots[r], DescriptorTypeOf(f->FieldType), 0, nullptr);
    }
  }
  described_ = true;
}

void TOracleQuery::DefineColumns() {
  const oci::Api& a = Api();
  for (size_t i = 0; i < fields_.size(); ++i) {
    TFieldData& f = *fields_[i];
    ub2 type = ub2(f.InternalType == 106 ? 106 : f.FieldType);
    ub4 pos = ub4(i + 1);
    session_->LockSession();
    if (oci8_) {
      if (IsLongType(f.FieldType)) {
        lastStatus_ = a.OCIDefineByPos(stmt_, &f.Define, err_, pos, nullptr, 2147483647, type,
                                       f.Indicators.data(), f.Lengths.data(), nullptr, OCI_DYNAMIC_FETCH);
        if (ErrorCode() == 0)
          lastStatus_ = a.OCIDefineDynamic(f.Define, err_, &f, LongPieceCallback);
      } else {
        lastStatus_ = a.OCIDefineByPos(stmt_, &f.Define, err_, pos, f.Buffer.empty() ? nullptr : f.Buffer.data(),
                                       f.BufferSize, type, f.Indicators.data(), f.Lengths.data(), nullptr,
                                       OCI_DEFAULT);
      }
      if (ErrorCode() != 0) {
        ForgetParse();
        described_ = false;
        Fail();
      }
    } else {
      a.odefin(&cda_, sword(pos), f.Buffer.data(), f.BufferSize, type, -1, f.Indicators.data(), nullptr,
               -1, -1, f.Lengths.data(), nullptr);
      if (cda_.rc != 0) {
        ForgetParse();
        described_ = false;
        Fail();
      }
    }
    session_->UnlockSession();
  }
}

void TOracleQuery::FreeFields() {
  const oci::Api& a = Api();
  bool canFree = session_ && session_->EnvHandle() && a.OCIDescriptorFree;
  for (auto& f : fields_) {
    f->LOB.reset();
    if (IsLOBType(f->FieldType) && canFree && !f->Buffer.empty()) {
      auto** slots = reinterpret_cast<OCILobLocator**>(f->Buffer.data());
      ub4 dtype = f->FieldType == SQLT_BFILEE ? OCI_DTYPE_FILE : OCI_DTYPE_LOB;
      for (int r = 0; r < f->RowCount; ++r)
        if (slots[r]) a.OCIDescriptorFree(slots[r], dtype);
    }
    if (IsDateTimeType(f->FieldType) && canFree && !f->Buffer.empty()) {
      auto** slots = reinterpret_cast<void**>(f->Buffer.data());
      for (int r = 0; r < f->RowCount; ++r)
        if (slots[r]) a.OCIDescriptorFree(slots[r], DescriptorTypeOf(f->FieldType));
    }
  }
  fields_.clear();
}

void TOracleQuery::ResetLongPieces() {
  for (auto& f : fields_)
    if (IsLongType(f->FieldType)) f->Pieces.clear();
}

// ---------------------------------------------------------------------------
// Fetch

void TOracleQuery::FirstFetch(bool fetchedByExecute) {
  const oci::Api& a = Api();
  session_->LockSession();
  if (!oci8_) {
    if (cursorResult_) a.ofen(&cda_, bufferRows_);
    else a.oexfet(&cda_, ub4(bufferRows_), 0, 0);
    cursorResult_ = false;
    if (cda_.rc != 0 && cda_.rc != 1403) Fail();
  } else if (!fetchedByExecute) {
    ResetLongPieces();
    for (auto& f : fields_)
      if (f->LOB) f->LOB->SetPosition(0);
    lastStatus_ = a.OCIStmtFetch(stmt_, err_, ub4(bufferRows_), OCI_FETCH_NEXT, OCI_DEFAULT);
    cursorResult_ = false;
    int code = ErrorCode();
    if (code != 0 && code != 1403) Fail();
  } else {
    cursorResult_ = false;
  }
  session_->UnlockSession();
  RestoreCursor();
  currentRow_ = 0;
  rowsInBuffer_ = RowsProcessed();
  eof_ = rowsInBuffer_ == 0;
  if (!eof_) PrepareRow();
}

void TOracleQuery::PrepareRow() {
  for (auto& f : fields_) {
    if (f->LOB) f->LOB->Reposition(reinterpret_cast<OCILobLocator**>(f->Value(currentRow_)));
  }
}

void TOracleQuery::Next() {
  if (eof_) return;
  if (!session_) throw EOracleException("Session undefined");
  if (!session_->Connected()) throw EOracleException("Not logged on");
  ++currentRow_;
  for (auto& f : fields_)
    if (f->LOB) f->LOB->SetPosition(0);
  if (currentRow_ >= rowsInBuffer_) {
    if (rowsInBuffer_ < bufferRows_) {
      eof_ = true;  // the last buffer came back short: the result has ended
    } else {
      int32_t before = RowsProcessed();
      ShowCursor();
      const oci::Api& a = Api();
      session_->LockSession();
      if (oci8_) {
        ResetLongPieces();
        lastStatus_ = a.OCIStmtFetch(stmt_, err_, ub4(bufferRows_), OCI_FETCH_NEXT, OCI_DEFAULT);
        int code = ErrorCode();
        if (code != 0 && code != 1403) Fail();
      } else {
        a.ofen(&cda_, bufferRows_);
        if (cda_.rc != 0 && cda_.rc != 1403) Fail();
      }
      session_->UnlockSession();
      RestoreCursor();
      currentRow_ = 0;
      rowsInBuffer_ = RowsProcessed() - before;
      eof_ = rowsInBuffer_ <= 0;
    }
  }
  if (!eof_) PrepareRow();
  if (eof_ && afterQueryPending_) {
    afterQueryPending_ = false;
    if (AfterQuery) AfterQuery(*this);
  }
}

int32_t TOracleQuery::RowsProcessed() {
  if (!session_ || !session_->Connected() || !cursorOpen_) return 0;
  if (!oci8_) return int32_t(cda_.rpc);
  if (!stmt_) return 0;
  ub4 rows = 0;
  session_->LockSession();
  Api().OCIAttrGet(stmt_, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, attrErr_);
  session_->UnlockSession();
  return int32_t(rows);
}

// ---------------------------------------------------------------------------
// Close and Clear

void TOracleQuery::Close() {
  if (!session_ || !session_->Connected() || !cursorOpen_) return;
  cursorOpen_ = false;
  ForgetParse();
  described_ = false;
  FreeFields();
  eof_ = true;
  const oci::Api& a = Api();
  session_->LockSession();
  if (oci8_) {
    if (err_) a.OCIHandleFree(err_, OCI_HTYPE_ERROR);
    if (attrErr_) a.OCIHandleFree(attrErr_, OCI_HTYPE_ERROR);
    sword status = OCI_SUCCESS;
    if (stmt_) status = a.OCIHandleFree(stmt_, OCI_HTYPE_STMT);
    err_ = attrErr_ = nullptr;
    stmt_ = nullptr;
    session_->UnlockSession();
    if (status != OCI_SUCCESS) throw EOracleException("Could not free the statement handle");
  } else {
    a.oclose(&cda_);
    int rc = cda_.rc;
    std::memset(&cda_, 0, sizeof cda_);
    if (rc != 0) session_->RaiseOracleError(rc);
    session_->UnlockSession();
  }
}

void TOracleQuery::Clear() {
  DeleteVariables();
  sql_.clear();
  ForgetParse();
  described_ = false;
  cursorResult_ = false;
}

// ---------------------------------------------------------------------------
// Columns

int TOracleQuery::CheckedIndex(int i) const {
  if (i < 0 || i >= int(fields_.size()))
    throw EOracleException("Field " + std::to_string(i) + " does not exist");
  return i;
}

TFieldData& TOracleQuery::CheckedField(int i) { return *fields_[CheckedIndex(i)]; }

int TOracleQuery::FieldIndex(const std::string& name) const {
  auto upper = [](std::string s) {
    for (auto& c : s) c = platform::asciiUpper(c);
    return s;
  };
  std::string u = upper(name);
  for (size_t i = 0; i < fields_.size(); ++i)
    if (upper(fields_[i]->Name) == u) return int(i);
  return -1;
}

int TOracleQuery::IndexOf(const std::string& name) const {
  int i = FieldIndex(name);
  if (i < 0) throw EOracleException("Field " + name + " does not exist");
  return i;
}

std::string TOracleQuery::FieldName(int i) const { return Field(i).Name; }
int16_t TOracleQuery::FieldType(int i) const { return Field(i).FieldType; }
int16_t TOracleQuery::FieldInternalType(int i) const { return Field(i).InternalType; }
int16_t TOracleQuery::FieldPrecision(int i) const { return Field(i).Precision; }
int16_t TOracleQuery::FieldScale(int i) const { return Field(i).Scale; }
bool TOracleQuery::FieldNullable(int i) const { return Field(i).Nullable != 0; }
int32_t TOracleQuery::FieldSize(int i) const {
  const TFieldData& f = Field(i);
  return f.FieldType == SQLT_STR ? f.BufferSize - 1 : 0;
}

void TOracleQuery::CheckNotEof() const {
  if (eof_) throw EOracleException("You cannot access field data beyond Eof");
}

bool TOracleQuery::ConvertCRLFIn() const {
  if (exactValues_) return false;
  return !session_ || session_->Preferences().ConvertCRLF();
}

bool TOracleQuery::FieldIsNull(int i) {
  CheckNotEof();
  TFieldData& f = CheckedField(i);
  int row = IsLongType(f.FieldType) ? 0 : currentRow_;
  return f.Indicators[size_t(row)] == -1;
}

namespace {

int32_t ReadInt32(const unsigned char* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

double ReadDouble(const unsigned char* p) {
  double v;
  std::memcpy(&v, p, 8);
  return v;
}

std::string ReadString(const unsigned char* p, int32_t size) {
  return Cut(reinterpret_cast<const char*>(p), size_t(size));
}

std::string JoinPieces(const TFieldData& f) {
  std::string out;
  out.reserve(size_t(f.LongLength()));
  for (const auto& p : f.Pieces) out.append(p->Data.get(), std::min<size_t>(p->Length, size_t(p->Size)));
  return out;
}

[[noreturn]] void CannotConvert(const TFieldData& f, const char* to) {
  throw EOracleException("Cannot convert field " + f.Name + " to " + to);
}

}  // namespace

std::string TOracleQuery::FieldAsText(int i) {
  CheckNotEof();
  TFieldData& f = CheckedField(i);
  if (f.Indicators[size_t(IsLongType(f.FieldType) ? 0 : currentRow_)] == -1) return "";
  const unsigned char* v = f.Buffer.empty() ? nullptr : f.Value(currentRow_);
  switch (f.FieldType) {
    case SQLT_INT:
      return oraconv::IntegerToText(ReadInt32(v));
    case SQLT_FLT:
      return oraconv::FloatToText(ReadDouble(v), formats_.DecimalSeparator);
    case SQLT_STR: {
      std::string s = ReadString(v, f.BufferSize);
      // A value holding NUL characters: the fetched length says where it
      // ends (with or without the terminator counted), not the first NUL.
      const size_t fetched = f.Lengths.empty() ? 0 : size_t(f.Lengths[size_t(currentRow_)]);
      if (fetched > s.size() && fetched < size_t(f.BufferSize)) {
        // The terminator stands right after the value when the length leaves it out.
        const bool terminatorCounted = v[fetched] != '\0' && v[fetched - 1] == '\0';
        s.assign(reinterpret_cast<const char*>(v), terminatorCounted ? fetched - 1 : fetched);
      }
      if (ConvertCRLFIn() && oraconv::HasLineBreak(s)) return oraconv::ToCRLF(s);
      return s;
    }
    case SQLT_LNG:
      if (oci8_) return JoinPieces(f);
      {
        // OCI7 keeps no total length: read the whole value, unconverted.
        std::string raw;
        int32_t offset = 0;
        char chunk[16000];
        for (;;) {
          int32_t n = ReadLongField(i, chunk, int32_t(sizeof chunk), offset);
          raw.append(chunk, size_t(n));
          offset += n;
          if (n < int32_t(sizeof chunk)) break;
        }
        return raw;
      }
    case SQLT_DAT:
      if ((v[0] * 100 + v[1]) - 10100 < 1) {
        // Before Christ, where the locale's date formats have no year.
        const oraconv::DateParts p = FieldAsDateParts(i);
        char buf[40];
        std::snprintf(buf, sizeof buf, "-%04d-%02d-%02d %02d:%02d:%02d", -p.year, p.month, p.day, p.hour, p.minute,
                      p.second);
        return buf;
      }
      return oraconv::OracleDateToText(v, formats_);
    case SQLT_BDOUBLE: {
      std::string s = oraconv::BinaryFloatToText(ReadDouble(v), f.InternalType == SQLT_IBFLOAT);
      for (char& c : s)
        if (c == '.') c = formats_.DecimalSeparator;
      return s;
    }
    case SQLT_INTERVAL_YM:
    case SQLT_INTERVAL_DS:
      return oraconv::IntervalToText(FieldAsInterval(i));
    case SQLT_TIMESTAMP:
    case SQLT_TIMESTAMP_TZ:
    case SQLT_TIMESTAMP_LTZ:
      return oraconv::TimestampToText(FieldAsTimestamp(i));
    default:
      CannotConvert(f, "a String");
  }
}

int32_t TOracleQuery::FieldAsInteger(int i) {
  CheckNotEof();
  TFieldData& f = CheckedField(i);
  if (FieldIsNull(i)) return 0;
  const unsigned char* v = f.Buffer.empty() ? nullptr : f.Value(currentRow_);
  switch (f.FieldType) {
    case SQLT_INT:
      return ReadInt32(v);
    case SQLT_FLT: {
      double d = std::trunc(ReadDouble(v));
      // A value beyond the integer range has no integer reading.
      if (!(d >= double(std::numeric_limits<int32_t>::min()) && d <= double(std::numeric_limits<int32_t>::max())))
        CannotConvert(f, "an Integer");
      return int32_t(d);
    }
    case SQLT_STR:
      return oraconv::TextToInteger(ReadString(v, f.BufferSize));
    case SQLT_DAT: {
      double d = std::trunc(oraconv::OracleDateToDateTime(v));
      return int32_t(d);
    }
    default:
      CannotConvert(f, "an Integer");
  }
}

double TOracleQuery::FieldAsFloat(int i) {
  CheckNotEof();
  TFieldData& f = CheckedField(i);
  if (FieldIsNull(i)) return 0;
  const unsigned char* v = f.Buffer.empty() ? nullptr : f.Value(currentRow_);
  switch (f.FieldType) {
    case SQLT_INT:
      return ReadInt32(v);
    case SQLT_FLT:
    case SQLT_BDOUBLE:
      return ReadDouble(v);
    case SQLT_STR:
      return oraconv::TextToFloat(ReadString(v, f.BufferSize), formats_.DecimalSeparator);
    case SQLT_DAT:
      return oraconv::OracleDateToDateTime(v);
    default:
      CannotConvert(f, "a Float");
  }
}

double TOracleQuery::FieldAsDate(int i) {
  CheckNotEof();
  TFieldData& f = CheckedField(i);
  if (FieldIsNull(i)) return 0;
  const unsigned char* v = f.Buffer.empty() ? nullptr : f.Value(currentRow_);
  switch (f.FieldType) {
    case SQLT_INT:
      return ReadInt32(v);
    case SQLT_FLT:
      return ReadDouble(v);
    case SQLT_STR:
      return oraconv::TextToDate(ReadString(v, f.BufferSize), formats_);
    case SQLT_DAT:
      return oraconv::OracleDateToDateTime(v);
    default:
      CannotConvert(f, "a Date");
  }
}

TOracleVariant TOracleQuery::FieldValue(int i) {
  CheckNotEof();
  TFieldData& f = CheckedField(i);
  TOracleVariant none = session_ && session_->NullValue() == nvNull ? TOracleVariant::Null() : TOracleVariant();
  if (FieldIsNull(i)) return none;
  const unsigned char* v = f.Buffer.empty() ? nullptr : f.Value(currentRow_);
  switch (f.FieldType) {
    case SQLT_INT:
      return TOracleVariant::FromInteger(ReadInt32(v));
    case SQLT_FLT:
    case SQLT_BDOUBLE:
      return TOracleVariant::FromFloat(ReadDouble(v));
    case SQLT_TIMESTAMP:
    case SQLT_TIMESTAMP_TZ:
    case SQLT_TIMESTAMP_LTZ:
    case SQLT_INTERVAL_YM:
    case SQLT_INTERVAL_DS:
      return TOracleVariant::FromString(FieldAsText(i));
    case SQLT_STR: {
      std::string s = ReadString(v, f.BufferSize);
      return TOracleVariant::FromString(ConvertCRLFIn() ? oraconv::ToCRLF(s) : s);
    }
    case SQLT_DAT:
      return TOracleVariant::FromDateTime(oraconv::OracleDateToDateTime(v));
    case SQLT_LNG:
    case SQLT_LBI: {
      std::string whole;
      if (oci8_) {
        whole = JoinPieces(f);
      } else {
        // Chunks of 2000, 4000, ... doubling to 32000 bytes until one comes back short.
        int32_t chunk = kLongPieceFirst, offset = 0;
        std::string buf;
        for (;;) {
          buf.resize(size_t(chunk));
          int32_t n = ReadLongField(i, buf.data(), chunk, offset);
          whole.append(buf.data(), size_t(n));
          offset += n;
          if (n < chunk) break;
          if (chunk < kLongPieceMax) chunk = std::min(chunk * 2, kLongPieceMax);
        }
      }
      if (f.FieldType == SQLT_LBI) return TOracleVariant::FromBytes(std::move(whole));
      return TOracleVariant::FromString(ConvertCRLFIn() ? oraconv::ToCRLF(whole) : whole);
    }
    case SQLT_CLOB: {
      std::string s = f.LOB->ReadAll();
      if (s.empty()) return none;
      return TOracleVariant::FromString(ConvertCRLFIn() ? oraconv::ToCRLF(s) : s);
    }
    case SQLT_BLOB:
    case SQLT_BFILEE: {
      std::string s = f.LOB->ReadAll();
      if (s.empty()) return none;
      return TOracleVariant::FromBytes(std::move(s));
    }
    default:
      return none;
  }
}

int32_t TOracleQuery::ReadLongField(int i, void* buffer, int32_t length, int32_t offset) {
  CheckedIndex(i);
  TFieldData& f = *fields_[size_t(i)];
  if (!IsLongType(f.FieldType)) throw EOracleException("Field " + std::to_string(i) + " is not a Long");
  if (length <= 0 || offset < 0) return 0;
  auto* out = static_cast<char*>(buffer);
  if (oci8_) {
    int64_t pos = 0;
    int32_t copied = 0;
    for (const auto& p : f.Pieces) {
      int64_t len = std::min<int64_t>(p->Length, p->Size);
      if (pos + len > offset && copied < length) {
        int64_t start = std::max<int64_t>(0, offset - pos);
        int64_t n = std::min<int64_t>(len - start, length - copied);
        std::memcpy(out + copied, p->Data.get() + start, size_t(n));
        copied += int32_t(n);
      }
      pos += len;
      if (copied >= length) break;
    }
    return copied;
  }
  // OCI7: the define buffer holds the first 2000 bytes; the rest comes from oflng.
  int32_t total = 0;
  while (total < length) {
    int32_t ask = std::min<int32_t>(length - total, 64000);
    int32_t copied = 0;
    int32_t got = int32_t(f.Lengths[0]);
    int32_t at = offset + total;
    if (at < got) {
      copied = std::min(ask, got - at);
      std::memcpy(out + total, f.Buffer.data() + at, size_t(copied));
    }
    ub4 returned = 0;
    if (copied < ask && got == kOCI7LongBuffer) {
      ub4 rpc = cda_.rpc;
      session_->LockSession();
      Api().oflng(&cda_, sword(i + 1), reinterpret_cast<ub1*>(out + total + copied), ask - copied,
                  f.FieldType, &returned, at + copied);
      cda_.rpc = rpc;
      if (cda_.rc != 0 && cda_.rc != 1403) session_->RaiseOracleError(int(cda_.rc));
      session_->UnlockSession();
    }
    int32_t n = copied + int32_t(returned);
    total += n;
    if (n < ask) break;
  }
  return total;
}

TLOBLocator& TOracleQuery::FieldAsLOB(int i) {
  TFieldData& f = CheckedField(i);
  if (!IsLOBType(f.FieldType) || !f.LOB) throw EOracleException("Field " + f.Name + " is not a LOB");
  return *f.LOB;
}

std::string TOracleQuery::DebugText() const {
  std::string text;
  for (const auto& line : sql_) text += line + "\r\n";
  return text + variables_.DebugText();
}
