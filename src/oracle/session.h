// TOracleSession: one connection of one Oracle user to one database.
//
// The window sets LogonDatabase, LogonUsername and LogonPassword and turns
// Connected on and off.  Queries and data sets run on a session: they use its
// handles, its mode (OCI8 handles, or the OCI7 logon data area), its lock,
// its error raising, its preferences and the few measurements it keeps.
//
// The mode is fixed at logon: OCI8 normally; OCI7 when the preferences ask
// for it, when the client library has no complete OCI8 set, for an ODBC data
// source, and over an OCI8 connection when the server is older than release 8.
//
// The session's own statements (session settings, the bytes-per-character and
// date-format probes, ExecuteInternal) run through a query object that the
// query layer provides by registering a factory (SetInternalQueryFactory);
// the session itself needs only the loader.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "oracle/errors.h"
#include "oracle/oci.h"
#include "platform/critical_section.h"
#include "platform/ui_hooks.h"

class TOracleSession;

enum TConnectAsOption { caNormal, caSYSDBA, caSYSOPER };
enum TSessionPoolingOption { spNone, spInternal, spMTS };
enum TMTSOption { moImplicit = 1, moUniqueServer = 2 };
using TMTSOptions = int;  // a set of TMTSOption bits
enum TNullValueOption { nvUnAssigned, nvNull };
enum TSQLTraceOption { stUnchanged, stTrue, stFalse };
enum TOptimizerGoalOption { ogUnchanged, ogChoose, ogFirstRows, ogAllRows, ogRule };
enum TIsolationLevelOption { ilUnchanged, ilReadCommitted, ilSerializable };
enum TBytesPerCharacterOption { bcAutoDetect, bc1Byte, bc2Bytes, bc3Bytes, bc4Bytes };

using TScreenCursor = platform::ScreenCursor;
inline constexpr TScreenCursor crDefault = platform::ScreenCursor::Default;
inline constexpr TScreenCursor crHourGlass = platform::ScreenCursor::HourGlass;
inline constexpr TScreenCursor crSQLWait = platform::ScreenCursor::SQLWait;

using TOracleSessionEvent = std::function<void(TOracleSession& sender)>;

// The session's value-conversion preferences.  UseOCI7 and ConvertCRLF cannot
// change while the owning session is connected.
class TSessionPreferences {
 public:
  explicit TSessionPreferences(TOracleSession* session = nullptr) : session_(session) {}
  // Copies the nine values (through the checking setters).
  void Assign(const TSessionPreferences& other);

  int FloatPrecision() const { return floatPrecision_; }
  void SetFloatPrecision(int v) { floatPrecision_ = v; }
  int IntegerPrecision() const { return integerPrecision_; }
  void SetIntegerPrecision(int v) { integerPrecision_ = v; }
  int SmallIntPrecision() const { return smallIntPrecision_; }
  void SetSmallIntPrecision(int v) { smallIntPrecision_ = v; }
  bool UseOCI7() const { return useOCI7_; }
  void SetUseOCI7(bool v);  // "Cannot change UseOCI7 property when session is connected"
  bool ConvertCRLF() const { return convertCRLF_; }
  void SetConvertCRLF(bool v);  // "Cannot change ConvertCRLF property when session is connected"
  bool TrimStringFields() const { return trimStringFields_; }
  void SetTrimStringFields(bool v) { trimStringFields_ = v; }
  int MaxStringFieldSize() const { return maxStringFieldSize_; }
  void SetMaxStringFieldSize(int v) { maxStringFieldSize_ = v; }
  bool ZeroDateIsNull() const { return zeroDateIsNull_; }
  void SetZeroDateIsNull(bool v) { zeroDateIsNull_ = v; }
  bool NullLOBIsEmpty() const { return nullLOBIsEmpty_; }
  void SetNullLOBIsEmpty(bool v) { nullLOBIsEmpty_ = v; }

 private:
  TOracleSession* session_;
  int floatPrecision_ = 0;
  int integerPrecision_ = 0;
  int smallIntPrecision_ = -1;
  bool useOCI7_ = false;
  bool convertCRLF_ = true;
  bool trimStringFields_ = true;
  int maxStringFieldSize_ = 0;
  bool zeroDateIsNull_ = true;
  bool nullLOBIsEmpty_ = false;
};

// Something that runs on a session and must be closed when the session logs
// off: queries and data sets attach themselves (AttachQuery/AttachDataSet)
// and detach themselves when they go.
class TOracleSessionClient {
 public:
  virtual ~TOracleSessionClient() = default;
  // Closes the object's open statement or records; called at logoff.
  virtual void Close() = 0;
  // The session is being destroyed: forget it (the object's session becomes
  // none).  The object must not call back into the session here.
  virtual void SessionDestroyed() = 0;
};

// The query the session runs its own statements on.  The query layer
// implements it over TOracleQuery and registers a factory.
class TOracleInternalQuery {
 public:
  virtual ~TOracleInternalQuery() = default;
  virtual void SetSQL(const std::string& sql) = 0;
  virtual void Execute() = 0;
  virtual bool Eof() = 0;
  virtual void Next() = 0;
  // Value of a select-list column (0-based) of the current row.
  virtual long long FieldAsInteger(int index) = 0;
  virtual std::string FieldAsString(int index) = 0;
};
using TInternalQueryFactory =
    std::function<std::unique_ptr<TOracleInternalQuery>(TOracleSession& session, const std::string& name)>;

// Where an error is read from: an OCI8 error handle, or an OCI7 return code.
struct TErrorSource {
  TErrorSource(OCIError* handle) : Handle(handle) {}  // NOLINT: implicit on purpose
  TErrorSource(int rc) : Code(rc) {}                  // NOLINT
  OCIError* Handle = nullptr;
  int Code = 0;
};

class TOracleSession {
 public:
  TOracleSession();
  ~TOracleSession();
  TOracleSession(const TOracleSession&) = delete;
  TOracleSession& operator=(const TOracleSession&) = delete;

  // ---- events ----
  TOracleSessionEvent OnChange;     // after a logon attempt and after a logoff
  TOracleSessionEvent BeforeLogOn;  // at the start of LogOn
  TOracleSessionEvent AfterLogOn;   // at the end of a logon attempt, also a failed one

  // ---- properties ----
  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }
  TScreenCursor Cursor() const { return cursor_; }
  void SetCursor(TScreenCursor v) { cursor_ = v; }
  bool DesignConnection() const { return designConnection_; }
  void SetDesignConnection(bool v) { designConnection_ = v; }
  const std::string& LogonUsername() const { return logonUsername_; }
  void SetLogonUsername(const std::string& v);
  const std::string& LogonPassword() const { return logonPassword_; }
  void SetLogonPassword(const std::string& v);
  const std::string& LogonDatabase() const { return logonDatabase_; }
  void SetLogonDatabase(const std::string& v);
  TConnectAsOption ConnectAs() const { return connectAs_; }
  void SetConnectAs(TConnectAsOption v) { connectAs_ = v; }
  bool ThreadSafe() const { return threadSafe_; }
  void SetThreadSafe(bool v);  // "Cannot change ThreadSafe property when connected"
  TSessionPreferences& Preferences() { return preferences_; }
  const TSessionPreferences& Preferences() const { return preferences_; }
  void SetPreferences(const TSessionPreferences& v) { preferences_.Assign(v); }
  TSessionPoolingOption Pooling() const { return pooling_; }
  void SetPooling(TSessionPoolingOption v);  // "Cannot change Pooling property when connected"
  TMTSOptions MTSOptions() const { return mtsOptions_; }
  void SetMTSOptions(TMTSOptions v);  // "Cannot change MTSOptions property when connected"
  bool Connected() const { return connected_; }
  void SetConnected(bool v);  // true runs LogOn, false LogOff; unchanged does nothing
  bool RollbackOnDisconnect() const { return rollbackOnDisconnect_; }
  void SetRollbackOnDisconnect(bool v) { rollbackOnDisconnect_ = v; }
  bool AutoCommit() const { return autoCommit_; }
  void SetAutoCommit(bool v);
  TNullValueOption NullValue() const { return nullValue_; }
  void SetNullValue(TNullValueOption v) { nullValue_ = v; }
  TSQLTraceOption SQLTrace() const { return sqlTrace_; }
  void SetSQLTrace(TSQLTraceOption v);
  TOptimizerGoalOption OptimizerGoal() const { return optimizerGoal_; }
  void SetOptimizerGoal(TOptimizerGoalOption v);
  TIsolationLevelOption IsolationLevel() const { return isolationLevel_; }
  void SetIsolationLevel(TIsolationLevelOption v);
  TBytesPerCharacterOption BytesPerCharacter() const { return bytesPerCharacter_; }
  void SetBytesPerCharacter(TBytesPerCharacterOption v);
  const std::string& MessageTable() const { return messageTable_; }
  void SetMessageTable(const std::string& v) { messageTable_ = v; }
  bool Shared() const { return externalLDA_ != nullptr || externalSVC_ != nullptr; }
  // Message of the logon warning kept instead of raising (ORA-28002).
  const std::string& LogonWarning() const { return logonWarning_; }

  // Sharing another session's connection (not used by the program).
  Lda_Def* ExternalLDA() const;  // "ExternalLDA only valid when connected through OCI7"
  void SetExternalLDA(Lda_Def* lda);
  OCISvcCtx* ExternalSVC() const;  // "ExternalSVC only valid when connected through OCI8"
  void SetExternalSVC(OCISvcCtx* svc);

  // ---- operations ----
  void LogOn();
  void LogOff();
  void Commit();    // nothing when not connected
  void Rollback();  // nothing when not connected

  // ---- for queries and data sets ----
  bool OCI8Mode() const { return oci8Mode_; }
  bool ODBCMode() const { return odbcMode_; }
  bool OCA60Present() const { return oca60Present_; }
  bool LdaFromSvc() const { return ldaFromSvc_; }
  OCIEnv* EnvHandle() const { return envHandle_; }
  OCIError* ErrorHandle() const { return errorHandle_; }
  OCIError* AttrErrorHandle() const { return attrErrorHandle_; }
  OCISvcCtx* SvcHandle() const { return svcHandle_; }
  OCISession* SessionHandle() const { return sessionHandle_; }
  OCIServer* ServerHandle() const { return serverHandle_; }
  bool ServerAttached() const { return serverAttached_; }
  Lda_Def* Lda() { return externalLDA_ ? externalLDA_ : &ownLda_; }
  ub1* Hda() { return hda_; }
  int LastStatus() const { return lastStatus_; }

  // Stores an OCI status and returns whether it is 0 (success).
  bool SetStatus(sword status);
  // The Oracle error number of the session's last call, or 0.
  int CurrentErrorCode();
  // OCI8 mode: ErrorHandle; OCI7 mode: the LDA's return code.
  TErrorSource ErrorSource();
  // Builds the error for a source (an error handle or an OCI7 return code)
  // and releases the session lock once.
  EOracleError BuildOracleError(TErrorSource source);
  [[noreturn]] void RaiseOracleError(TErrorSource source);
  // Raises the current error if the last call failed.
  void CheckError();

  // Serialise client calls in OCI7 mode when ThreadSafe; otherwise nothing.
  void LockSession();
  void UnlockSession();

  // The number rule: the external type (3 integer, 4 float, 5 text) and the
  // buffer size in bytes for a NUMBER column of this precision and scale.
  struct NumberFetch {
    int Type;
    int Size;
  };
  NumberFetch NumberFetchType(int precision, int scale, bool forceText) const;
  int BytesPerChar();
  int MaxStringSize();
  int DateFormatLength();
  void ExecuteInternal(const std::string& sql, bool busy);

  void ShowBusyCursor();
  void RestoreBusyCursor();

  // Attached objects, closed at logoff: queries last-attached first, then data sets.
  void AttachQuery(TOracleSessionClient* query);
  void DetachQuery(TOracleSessionClient* query);
  void AttachDataSet(TOracleSessionClient* dataSet);
  void DetachDataSet(TOracleSessionClient* dataSet);
  void AttachObject(TOracleSessionClient* object);  // LOB locators and kin
  void DetachObject(TOracleSessionClient* object);

  // ---- the session's own steps, public for tests ----
  void DetectODBC();
  // Joins user/password@database and splits it again into the three
  // properties; returns the joined text (the OCI7 connect string).
  std::string BuildConnectString();
  void AttachServer();

  // The query layer registers how the session makes its internal queries.
  static void SetInternalQueryFactory(TInternalQueryFactory factory);

  // Every session alive in the process.
  static std::vector<TOracleSession*> Sessions();
  // Program end: logs off every session (errors ignored), then unloads the
  // client library.  Runs by itself when the process exits; main() may call
  // it earlier.
  static void ProgramEnd();

 private:
  void FireBeforeLogOn();
  void FireAfterLogOn();
  void FireOnChange();
  void LogOffImpl(bool destroying);
  void FreeHandles();
  void ApplySessionSetting(const std::string& statementStart, const std::string& text);
  std::unique_ptr<TOracleInternalQuery> MakeQuery(const std::string& name);
  void CloseAttached();

  std::string name_ = "OracleSession";
  TScreenCursor cursor_ = crHourGlass;
  bool designConnection_ = false;
  std::string logonUsername_, logonPassword_, logonDatabase_;
  TConnectAsOption connectAs_ = caNormal;
  bool threadSafe_ = false;
  TSessionPreferences preferences_{this};
  TSessionPoolingOption pooling_ = spNone;
  TMTSOptions mtsOptions_ = moImplicit | moUniqueServer;
  bool connected_ = false;
  bool rollbackOnDisconnect_ = false;
  bool autoCommit_ = false;
  TNullValueOption nullValue_ = nvUnAssigned;
  TSQLTraceOption sqlTrace_ = stUnchanged;
  TOptimizerGoalOption optimizerGoal_ = ogUnchanged;
  TIsolationLevelOption isolationLevel_ = ilUnchanged;
  TBytesPerCharacterOption bytesPerCharacter_ = bc1Byte;
  std::string messageTable_;
  std::string logonWarning_;

  bool oci8Mode_ = true;
  OCIEnv* envHandle_ = nullptr;
  OCIError* errorHandle_ = nullptr;
  OCIError* attrErrorHandle_ = nullptr;
  OCISvcCtx* svcHandle_ = nullptr;
  OCISession* sessionHandle_ = nullptr;
  OCIServer* serverHandle_ = nullptr;
  bool serverAttached_ = false;
  Lda_Def ownLda_{};
  ub1 hda_[256]{};
  bool ldaFromSvc_ = false;
  Lda_Def* externalLDA_ = nullptr;
  OCISvcCtx* externalSVC_ = nullptr;
  int lastStatus_ = 0;
  bool odbcMode_ = false;
  bool oca60Present_ = false;
  bool mtsControlled_ = false;
  int bytesPerCharCache_ = 0;
  int dateFormatLengthCache_ = -1;
  TScreenCursor savedCursor_ = crDefault;
  int busyDepth_ = 0;
  std::unique_ptr<TOracleInternalQuery> internalQuery_;
  TOracleCriticalSection lock_;
  std::mutex attachedMutex_;
  std::vector<TOracleSessionClient*> queries_, dataSets_, objects_;
};
