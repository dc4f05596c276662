#include "oracle/session.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>

#include "oracle/loader.h"
#include "platform/ini_file.h"
#include "platform/ascii.h"

namespace {

std::mutex& sessionListMutex() {
  static std::mutex m;
  return m;
}
std::vector<TOracleSession*>& sessionList() {
  static std::vector<TOracleSession*> list;
  return list;
}

TInternalQueryFactory& queryFactory() {
  static TInternalQueryFactory factory;
  return factory;
}

// Shows the session's busy cursor for a scope.
struct BusyCursor {
  explicit BusyCursor(TOracleSession& s) : session(s) { session.ShowBusyCursor(); }
  ~BusyCursor() { session.RestoreBusyCursor(); }
  TOracleSession& session;
};

const char* settingText(TSQLTraceOption v) {
  switch (v) {
    case stTrue: return "true";
    case stFalse: return "false";
    default: return "";
  }
}
const char* settingText(TOptimizerGoalOption v) {
  switch (v) {
    case ogChoose: return "choose";
    case ogFirstRows: return "first_rows";
    case ogAllRows: return "all_rows";
    case ogRule: return "rule";
    default: return "";
  }
}
const char* settingText(TIsolationLevelOption v) {
  switch (v) {
    case ilReadCommitted: return "read committed";
    case ilSerializable: return "serializable";
    default: return "";
  }
}

// Whether a version banner names a server older than release 8, the only
// servers that need the OCI7 calls.  The release number follows the word
// "Release" ("Oracle7 Server Release 7.3.4.0.0 - Production"); banners
// without one are read from "OracleN" and otherwise count as current.
bool serverOlderThan8(const std::string& banner) {
  std::string upper = platform::toUpperAscii(banner);
  for (size_t p = upper.find("RELEASE"); p != std::string::npos; p = upper.find("RELEASE", p + 1)) {
    size_t i = p + 7;
    while (i < upper.size() && upper[i] == ' ') ++i;
    if (i < upper.size() && platform::isAsciiDigit(upper[i])) {
      int major = 0;
      while (i < upper.size() && platform::isAsciiDigit(upper[i]) && major < 1000)
        major = major * 10 + (upper[i++] - '0');
      return major < 8;
    }
  }
  for (size_t p = upper.find("ORACLE"); p != std::string::npos; p = upper.find("ORACLE", p + 1)) {
    size_t i = p + 6;
    if (i < upper.size() && platform::isAsciiDigit(upper[i])) return upper[i] < '8' && upper[i] > '0';
  }
  return false;
}

// Logs every session off at process exit and unloads the client library.
// Constructing it touches the session list and the loader state first, so
// both outlive it.
struct ProgramEndGuard {
  ProgramEndGuard() {
    sessionList();
    (void)oci::OCILoaded();
  }
  ~ProgramEndGuard() { TOracleSession::ProgramEnd(); }
};
ProgramEndGuard programEndGuard;

}  // namespace

// ---- preferences ------------------------------------------------------------

void TSessionPreferences::Assign(const TSessionPreferences& o) {
  SetFloatPrecision(o.floatPrecision_);
  SetIntegerPrecision(o.integerPrecision_);
  SetSmallIntPrecision(o.smallIntPrecision_);
  SetUseOCI7(o.useOCI7_);
  SetConvertCRLF(o.convertCRLF_);
  SetTrimStringFields(o.trimStringFields_);
  SetMaxStringFieldSize(o.maxStringFieldSize_);
  SetZeroDateIsNull(o.zeroDateIsNull_);
  SetNullLOBIsEmpty(o.nullLOBIsEmpty_);
}

void TSessionPreferences::SetUseOCI7(bool v) {
  if (v == useOCI7_) return;
  if (session_ && session_->Connected())
    throw EOracleException("Cannot change UseOCI7 property when session is connected");
  useOCI7_ = v;
}

void TSessionPreferences::SetConvertCRLF(bool v) {
  if (v == convertCRLF_) return;
  if (session_ && session_->Connected())
    throw EOracleException("Cannot change ConvertCRLF property when session is connected");
  convertCRLF_ = v;
}

// ---- creation and destruction -------------------------------------------------

TOracleSession::TOracleSession() {
  std::lock_guard<std::mutex> guard(sessionListMutex());
  sessionList().push_back(this);
}

TOracleSession::~TOracleSession() {
  try {
    LogOffImpl(true);
  } catch (...) {
    // A failing logoff at destruction has nobody to tell.
  }
  internalQuery_.reset();
  std::vector<TOracleSessionClient*> clients;
  {
    std::lock_guard<std::mutex> guard(attachedMutex_);
    for (auto* list : {&queries_, &dataSets_, &objects_}) {
      clients.insert(clients.end(), list->begin(), list->end());
      list->clear();
    }
  }
  for (TOracleSessionClient* c : clients) c->SessionDestroyed();
  try {
    if (serverAttached_ && oci::OCILoaded()) oci::api().OCIServerDetach(serverHandle_, errorHandle_, 0);
    serverAttached_ = false;
    // Whatever the mode, handles left by a failed attempt go with the session.
    if (envHandle_ && !Shared() && oci::OCILoaded()) FreeHandles();
  } catch (...) {
  }
  std::lock_guard<std::mutex> guard(sessionListMutex());
  auto& list = sessionList();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

std::vector<TOracleSession*> TOracleSession::Sessions() {
  std::lock_guard<std::mutex> guard(sessionListMutex());
  return sessionList();
}

void TOracleSession::ProgramEnd() {
  // The window that installed the hooks may be gone by now.
  platform::installUiHooks(nullptr);
  for (TOracleSession* s : Sessions()) {
    try {
      s->LogOff();
    } catch (...) {
    }
  }
  oci::UnloadOCI();
}

void TOracleSession::SetInternalQueryFactory(TInternalQueryFactory factory) { queryFactory() = std::move(factory); }

// ---- properties -----------------------------------------------------------------

void TOracleSession::SetLogonUsername(const std::string& v) {
  if (v == logonUsername_) return;
  logonUsername_ = v;
  DetectODBC();
}

void TOracleSession::SetLogonPassword(const std::string& v) {
  if (v == logonPassword_) return;
  logonPassword_ = v;
  DetectODBC();
}

void TOracleSession::SetLogonDatabase(const std::string& v) {
  if (v == logonDatabase_) return;
  logonDatabase_ = v;
  DetectODBC();
}

void TOracleSession::SetThreadSafe(bool v) {
  if (v == threadSafe_) return;
  if (connected_) throw EOracleException("Cannot change ThreadSafe property when connected");
  threadSafe_ = v;
}

void TOracleSession::SetPooling(TSessionPoolingOption v) {
  if (v == pooling_) return;
  if (connected_) throw EOracleException("Cannot change Pooling property when connected");
  pooling_ = v;
}

void TOracleSession::SetMTSOptions(TMTSOptions v) {
  if (v == mtsOptions_) return;
  if (connected_) throw EOracleException("Cannot change MTSOptions property when connected");
  mtsOptions_ = v;
}

void TOracleSession::SetConnected(bool v) {
  if (v == connected_) return;
  if (v)
    LogOn();
  else
    LogOff();
}

void TOracleSession::SetAutoCommit(bool v) {
  autoCommit_ = v;
  if (connected_ && !oci8Mode_) {
    LockSession();
    if (v)
      oci::api().ocon(Lda());
    else
      oci::api().ocof(Lda());
    if (CurrentErrorCode() != 0) RaiseOracleError(ErrorSource());
    UnlockSession();
  }
}

void TOracleSession::ApplySessionSetting(const std::string& statementStart, const std::string& text) {
  if (connected_ && !text.empty()) ExecuteInternal(statementStart + text, true);
}

void TOracleSession::SetSQLTrace(TSQLTraceOption v) {
  if (v == sqlTrace_) return;
  ApplySessionSetting("alter session set sql_trace = ", settingText(v));
  sqlTrace_ = v;
}

void TOracleSession::SetOptimizerGoal(TOptimizerGoalOption v) {
  if (v == optimizerGoal_) return;
  ApplySessionSetting("alter session set optimizer_goal = ", settingText(v));
  optimizerGoal_ = v;
}

void TOracleSession::SetIsolationLevel(TIsolationLevelOption v) {
  if (v == isolationLevel_) return;
  ApplySessionSetting("alter session set isolation_level = ", settingText(v));
  isolationLevel_ = v;
}

void TOracleSession::SetBytesPerCharacter(TBytesPerCharacterOption v) {
  bytesPerCharacter_ = v;
  bytesPerCharCache_ = 0;
}

Lda_Def* TOracleSession::ExternalLDA() const {
  if (!connected_ || oci8Mode_) throw EOracleException("ExternalLDA only valid when connected through OCI7");
  return externalLDA_ ? externalLDA_ : const_cast<Lda_Def*>(&ownLda_);
}

void TOracleSession::SetExternalLDA(Lda_Def* lda) {
  LogOff();
  if (lda) {
    externalLDA_ = lda;
    LogOn();
  }
}

OCISvcCtx* TOracleSession::ExternalSVC() const {
  if (!connected_ || !oci8Mode_) throw EOracleException("ExternalSVC only valid when connected through OCI8");
  return svcHandle_;
}

void TOracleSession::SetExternalSVC(OCISvcCtx* svc) {
  oci::InitOCI();
  if (!oci::OCI8Available() || preferences_.UseOCI7()) throw EOracleException("ExternalSVC only valid with OCI8");
  LogOff();
  if (svc) {
    externalSVC_ = svc;
    LogOn();
  }
}

// ---- events -----------------------------------------------------------------

void TOracleSession::FireBeforeLogOn() {
  if (BeforeLogOn) BeforeLogOn(*this);
}
void TOracleSession::FireAfterLogOn() {
  if (AfterLogOn) AfterLogOn(*this);
}
void TOracleSession::FireOnChange() {
  if (OnChange) OnChange(*this);
}

// ---- logon and logoff -----------------------------------------------------------

void TOracleSession::DetectODBC() {
  odbcMode_ = platform::toUpperAscii(logonDatabase_).find("ODBC:") != std::string::npos ||
              platform::toUpperAscii(logonUsername_).find("ODBC:") != std::string::npos;
  oca60Present_ = odbcMode_ && !oci::ReadRegString("SOFTWARE\\ORACLE", "OCA60").empty();
}

std::string TOracleSession::BuildConnectString() {
  std::string s = logonUsername_;
  if (!logonPassword_.empty()) s += "/" + logonPassword_;
  if (!logonDatabase_.empty()) s += "@" + logonDatabase_;
  size_t slash = s.find('/');
  size_t at = s.find('@');
  if (slash != std::string::npos) {
    logonUsername_ = s.substr(0, slash);
    logonPassword_ = (at != std::string::npos && at > slash) ? s.substr(slash + 1, at - slash - 1)
                     : at == std::string::npos                ? s.substr(slash + 1)
                                                              : std::string();
  } else if (at != std::string::npos) {
    // "user@database" with no password: the user name is the part before
    // "@", not the whole text (no Oracle user name holds an "@").
    logonUsername_ = s.substr(0, at);
  }
  if (at != std::string::npos && at + 1 < s.size())
    logonDatabase_ = s.substr(at + 1);
  else
    logonDatabase_.clear();
  return s;
}

void TOracleSession::AttachServer() {
  const oci::Api& a = oci::api();
  if (!envHandle_) {
    if (oci::OCI81Available()) {
      ub4 mode = OCI_OBJECT | (threadSafe_ ? ub4{OCI_THREADED} : ub4{0});
      SetStatus(a.OCIEnvCreate(&envHandle_, mode, nullptr, nullptr, nullptr, nullptr, 0, nullptr));
    } else {
      ub4 mode = threadSafe_ ? ub4{OCI_DEFAULT} : ub4{OCI_ENV_NO_MUTEX};
      SetStatus(a.OCIEnvInit(&envHandle_, mode, 0, nullptr));
    }
    // Without an environment nothing below can work, and the error handle
    // that would explain an error does not exist yet: say so plainly.
    if (!envHandle_ || (lastStatus_ != OCI_SUCCESS && lastStatus_ != OCI_SUCCESS_WITH_INFO))
      throw EOracleException("Could not create the Oracle environment (status " + std::to_string(lastStatus_) + ")");
    struct {
      void** handle;
      ub4 type;
    } const handles[] = {{reinterpret_cast<void**>(&svcHandle_), OCI_HTYPE_SVCCTX},
                         {reinterpret_cast<void**>(&errorHandle_), OCI_HTYPE_ERROR},
                         {reinterpret_cast<void**>(&attrErrorHandle_), OCI_HTYPE_ERROR},
                         {reinterpret_cast<void**>(&serverHandle_), OCI_HTYPE_SERVER},
                         {reinterpret_cast<void**>(&sessionHandle_), OCI_HTYPE_SESSION}};
    for (const auto& h : handles) {
      SetStatus(a.OCIHandleAlloc(envHandle_, h.handle, h.type, 0, nullptr));
      if (!*h.handle || lastStatus_ != OCI_SUCCESS)
        throw EOracleException("Could not allocate an Oracle handle of type " + std::to_string(h.type) +
                               " (status " + std::to_string(lastStatus_) + ")");
    }
  }
  if (serverAttached_) a.OCIServerDetach(serverHandle_, attrErrorHandle_, OCI_DEFAULT);
  serverAttached_ = false;
  SetStatus(a.OCIServerAttach(serverHandle_, errorHandle_, reinterpret_cast<const OraText*>(logonDatabase_.data()),
                              static_cast<sb4>(logonDatabase_.size()), OCI_DEFAULT));
  if (CurrentErrorCode() != 0) RaiseOracleError(ErrorSource());
  serverAttached_ = true;
  a.OCIAttrSet(svcHandle_, OCI_HTYPE_SVCCTX, serverHandle_, 0, OCI_ATTR_SERVER, attrErrorHandle_);
  a.OCIAttrSet(svcHandle_, OCI_HTYPE_SVCCTX, sessionHandle_, 0, OCI_ATTR_SESSION, attrErrorHandle_);
}

void TOracleSession::LogOn() {
  if (pooling_ != spNone) throw EOracleException("Session pooling is not available");
  FireBeforeLogOn();
  std::exception_ptr failure;
  try {
    if (odbcMode_ && !oca60Present_ && oci::OCIDLL().empty()) oci::SetOCIDLL("libclntsh.so");
    {
      BusyCursor busy(*this);
      oci::InitOCI();
    }
    LogOff();
    oci8Mode_ = !preferences_.UseOCI7() && oci::OCI8Available() && !odbcMode_ && !externalLDA_;
    ldaFromSvc_ = false;
    const oci::Api& a = oci::api();
    if (!Shared()) {
      std::string connectString = BuildConnectString();
      std::memset(hda_, 0, sizeof hda_);
      std::memset(&ownLda_, 0, 4);
      BusyCursor busy(*this);
      bool warned = false;
      std::string warning;
      if (oci8Mode_) {
        ub4 mode = connectAs_ == caSYSDBA ? ub4{OCI_SYSDBA} : connectAs_ == caSYSOPER ? ub4{OCI_SYSOPER} : ub4{OCI_DEFAULT};
        AttachServer();
        if (logonUsername_.empty() && logonPassword_.empty()) {
          SetStatus(a.OCISessionBegin(svcHandle_, errorHandle_, sessionHandle_, OCI_CRED_EXT, mode));
        } else {
          SetStatus(a.OCIAttrSet(sessionHandle_, OCI_HTYPE_SESSION, logonUsername_.data(),
                                 static_cast<ub4>(logonUsername_.size()), OCI_ATTR_USERNAME, errorHandle_));
          SetStatus(a.OCIAttrSet(sessionHandle_, OCI_HTYPE_SESSION, logonPassword_.data(),
                                 static_cast<ub4>(logonPassword_.size()), OCI_ATTR_PASSWORD, errorHandle_));
          SetStatus(a.OCISessionBegin(svcHandle_, errorHandle_, sessionHandle_, OCI_CRED_RDBMS, mode));
        }
        int code = CurrentErrorCode();
        if (code == 28002) {
          // Keep the warning before the version call replaces the status, so
          // that an expiring password on an old server still switches modes.
          warning = BuildOracleError(ErrorSource()).what();
          warned = true;
        }
        if (code == 0 || code == 28002) {
          char banner[501] = {0};
          SetStatus(a.OCIServerVersion(serverHandle_, errorHandle_, reinterpret_cast<OraText*>(banner),
                                       sizeof banner, OCI_HTYPE_SERVER));
          banner[sizeof banner - 1] = 0;
          // Only a server older than release 8 needs the OCI7 calls, and only
          // a client that has them can drive it that way.
          if (lastStatus_ == OCI_SUCCESS && serverOlderThan8(banner) && oci::OCI7Available()) {
            // A failed conversion is reported through the error handle, in
            // OCI8 mode; only a converted connection goes on in OCI7 mode.
            if (SetStatus(a.OCISvcCtxToLda(svcHandle_, errorHandle_, Lda()))) {
              oci8Mode_ = false;
              ldaFromSvc_ = true;
              Lda()->rc = 0;
            }
          }
        }
      } else {
        if (!a.orlon && !a.olog)
          throw EOracleException("Cannot log on through OCI7: the client library " + oci::OCIDLL() +
                                 " has no OCI7 calls");
        std::vector<char> text(connectString.begin(), connectString.end());
        text.push_back(0);
        OraText* cs = reinterpret_cast<OraText*>(text.data());
        if (!a.olog)
          a.orlon(Lda(), hda_, cs, -1, nullptr, -1, 0);
        else
          a.olog(Lda(), hda_, cs, -1, nullptr, -1, nullptr, -1, 0);
        if (CurrentErrorCode() == 28002) {
          warning = BuildOracleError(ErrorSource()).what();
          warned = true;
        }
      }
      if (warned && (CurrentErrorCode() == 0 || CurrentErrorCode() == 28002)) {
        logonWarning_ = warning;
        lastStatus_ = 0;
        if (!oci8Mode_) Lda()->rc = 0;
      } else {
        logonWarning_.clear();
        if (CurrentErrorCode() != 0) RaiseOracleError(ErrorSource());
      }
    }
    if (externalSVC_) {
      oci8Mode_ = true;
      svcHandle_ = externalSVC_;
      OCIEnv* tempEnv = nullptr;
      OCIError* tempError = nullptr;
      a.OCIEnvInit(&tempEnv, OCI_DEFAULT, 0, nullptr);
      a.OCIHandleAlloc(tempEnv, reinterpret_cast<void**>(&tempError), OCI_HTYPE_ERROR, 0, nullptr);
      a.OCIAttrGet(svcHandle_, OCI_HTYPE_SVCCTX, &envHandle_, nullptr, OCI_ATTR_ENV, tempError);
      a.OCIHandleFree(tempError, OCI_HTYPE_ERROR);
      a.OCIHandleFree(tempEnv, OCI_HTYPE_ENV);
      a.OCIHandleAlloc(envHandle_, reinterpret_cast<void**>(&errorHandle_), OCI_HTYPE_ERROR, 0, nullptr);
      a.OCIHandleAlloc(envHandle_, reinterpret_cast<void**>(&attrErrorHandle_), OCI_HTYPE_ERROR, 0, nullptr);
      a.OCIAttrGet(svcHandle_, OCI_HTYPE_SVCCTX, &serverHandle_, nullptr, OCI_ATTR_SERVER, errorHandle_);
      a.OCIAttrGet(svcHandle_, OCI_HTYPE_SVCCTX, &sessionHandle_, nullptr, OCI_ATTR_SESSION, errorHandle_);
    }
    connected_ = true;
    if (!Shared()) {
      if (autoCommit_) {
        autoCommit_ = false;
        SetAutoCommit(true);
      }
      if (sqlTrace_ != stUnchanged) {
        TSQLTraceOption v = sqlTrace_;
        sqlTrace_ = stUnchanged;
        SetSQLTrace(v);
      }
      if (optimizerGoal_ != ogUnchanged) {
        TOptimizerGoalOption v = optimizerGoal_;
        optimizerGoal_ = ogUnchanged;
        SetOptimizerGoal(v);
      }
      if (isolationLevel_ != ilUnchanged) {
        TIsolationLevelOption v = isolationLevel_;
        isolationLevel_ = ilUnchanged;
        SetIsolationLevel(v);
      }
    }
  } catch (...) {
    failure = std::current_exception();
  }
  oci::RestoreCurrentDir();
  FireAfterLogOn();
  FireOnChange();
  if (failure) std::rethrow_exception(failure);
}

void TOracleSession::LogOff() { LogOffImpl(false); }

void TOracleSession::CloseAttached() {
  std::vector<TOracleSessionClient*> queries, dataSets;
  {
    std::lock_guard<std::mutex> guard(attachedMutex_);
    queries.assign(queries_.rbegin(), queries_.rend());
    dataSets.assign(dataSets_.rbegin(), dataSets_.rend());
  }
  for (auto* list : {&queries, &dataSets}) {
    for (TOracleSessionClient* c : *list) {
      // A client may have detached itself while an earlier one closed.
      {
        std::lock_guard<std::mutex> guard(attachedMutex_);
        bool still = std::find(queries_.begin(), queries_.end(), c) != queries_.end() ||
                     std::find(dataSets_.begin(), dataSets_.end(), c) != dataSets_.end();
        if (!still) continue;
      }
      try {
        c->Close();
      } catch (...) {
      }
    }
  }
}

void TOracleSession::LogOffImpl(bool destroying) {
  const oci::Api& a = oci::api();
  if (!oci::OCILoaded()) {
    // The library went away under the session (unloaded at program end):
    // its handles went with it, so there is nothing left to call.
    bool was = connected_;
    if (was) CloseAttached();
    connected_ = false;
    serverAttached_ = false;
    envHandle_ = nullptr;
    errorHandle_ = attrErrorHandle_ = nullptr;
    svcHandle_ = nullptr;
    serverHandle_ = nullptr;
    sessionHandle_ = nullptr;
    externalLDA_ = nullptr;
    externalSVC_ = nullptr;
    dateFormatLengthCache_ = -1;
    bytesPerCharCache_ = 0;
    if (was && !destroying) FireOnChange();
    return;
  }
  if (connected_) {
    if (rollbackOnDisconnect_ && !Shared()) {
      try {
        Rollback();
      } catch (...) {
      }
    }
    CloseAttached();
    connected_ = false;
    dateFormatLengthCache_ = -1;
    bytesPerCharCache_ = 0;
    {
      BusyCursor busy(*this);
      if (Shared()) {
        externalLDA_ = nullptr;
        externalSVC_ = nullptr;
        envHandle_ = nullptr;
        if (oci8Mode_) {
          if (errorHandle_) a.OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
          if (attrErrorHandle_) a.OCIHandleFree(attrErrorHandle_, OCI_HTYPE_ERROR);
        }
        // The other handles belong to the session that lent them.
        errorHandle_ = attrErrorHandle_ = nullptr;
        svcHandle_ = nullptr;
        serverHandle_ = nullptr;
        sessionHandle_ = nullptr;
      } else {
        if (!oci8Mode_ && ldaFromSvc_) {
          SetStatus(a.OCILdaToSvcCtx(&svcHandle_, errorHandle_, Lda()));
          oci8Mode_ = true;
          ldaFromSvc_ = false;
        }
        if (oci8Mode_)
          SetStatus(a.OCISessionEnd(svcHandle_, errorHandle_, sessionHandle_, OCI_DEFAULT));
        else
          a.ologof(Lda());
        if (CurrentErrorCode() != 0) RaiseOracleError(ErrorSource());
      }
    }
    if (!destroying) FireOnChange();
  }
  if (serverAttached_) {
    SetStatus(a.OCIServerDetach(serverHandle_, errorHandle_, OCI_DEFAULT));
    serverAttached_ = false;
    if (CurrentErrorCode() != 0) RaiseOracleError(ErrorSource());
  }
  if (oci8Mode_ && envHandle_) FreeHandles();
}

void TOracleSession::FreeHandles() {
  const oci::Api& a = oci::api();
  if (!a.OCIHandleFree) return;
  struct {
    void** handle;
    ub4 type;
  } const handles[] = {{reinterpret_cast<void**>(&serverHandle_), OCI_HTYPE_SERVER},
                       {reinterpret_cast<void**>(&svcHandle_), OCI_HTYPE_SVCCTX},
                       {reinterpret_cast<void**>(&errorHandle_), OCI_HTYPE_ERROR},
                       {reinterpret_cast<void**>(&attrErrorHandle_), OCI_HTYPE_ERROR},
                       {reinterpret_cast<void**>(&sessionHandle_), OCI_HTYPE_SESSION},
                       {reinterpret_cast<void**>(&envHandle_), OCI_HTYPE_ENV}};
  for (const auto& h : handles) {
    if (*h.handle) SetStatus(a.OCIHandleFree(*h.handle, h.type));
    *h.handle = nullptr;
  }
}

void TOracleSession::Commit() {
  if (!connected_) return;
  if (mtsControlled_) throw EOracleException("Cannot commit an MTS Controlled Transaction");
  LockSession();
  if (oci8Mode_)
    SetStatus(oci::api().OCITransCommit(svcHandle_, errorHandle_, OCI_DEFAULT));
  else
    oci::api().ocom(Lda());
  if (CurrentErrorCode() != 0) RaiseOracleError(ErrorSource());
  UnlockSession();
}

void TOracleSession::Rollback() {
  if (!connected_) return;
  if (mtsControlled_) throw EOracleException("Cannot rollback an MTS Controlled Transaction");
  LockSession();
  if (oci8Mode_)
    SetStatus(oci::api().OCITransRollback(svcHandle_, errorHandle_, OCI_DEFAULT));
  else
    oci::api().orol(Lda());
  if (CurrentErrorCode() != 0) RaiseOracleError(ErrorSource());
  UnlockSession();
}

// ---- errors -----------------------------------------------------------------------

bool TOracleSession::SetStatus(sword status) {
  lastStatus_ = status;
  return status == OCI_SUCCESS;
}

int TOracleSession::CurrentErrorCode() {
  if (!oci8Mode_) return Lda()->rc;
  if (lastStatus_ == OCI_ERROR || lastStatus_ == OCI_SUCCESS_WITH_INFO) {
    sb4 code = 0;
    if (errorHandle_ && oci::api().OCIErrorGet) {
      OraText text[512] = {0};
      oci::api().OCIErrorGet(errorHandle_, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR);
    }
    // An error without an error record is still an error.
    if (code == 0 && lastStatus_ == OCI_ERROR) return OCI_ERROR;
    return code;
  }
  return lastStatus_;
}

TErrorSource TOracleSession::ErrorSource() {
  if (oci8Mode_) return TErrorSource(errorHandle_);
  return TErrorSource(static_cast<int>(Lda()->rc));
}

EOracleError TOracleSession::BuildOracleError(TErrorSource source) {
  std::vector<char> buffer(4001, 0);
  int code = 0;
  const oci::Api& a = oci::api();
  if (oci8Mode_) {
    sb4 c = 0;
    if (source.Handle && a.OCIErrorGet)
      a.OCIErrorGet(source.Handle, 1, nullptr, &c, reinterpret_cast<OraText*>(buffer.data()), 4001, OCI_HTYPE_ERROR);
    code = c;
  } else {
    code = source.Code;
    if (a.oerhms) a.oerhms(Lda(), static_cast<sb2>(source.Code), reinterpret_cast<OraText*>(buffer.data()), 4001);
  }
  UnlockSession();
  buffer.back() = 0;
  std::string text(buffer.data());
  if (text.empty()) {
    // The library gave no text: still say what failed rather than nothing.
    text = code != 0 ? "Oracle error " + std::to_string(code)
                     : "Oracle call failed with status " + std::to_string(lastStatus_);
  }
  return EOracleError(text, code);
}

void TOracleSession::RaiseOracleError(TErrorSource source) { throw BuildOracleError(source); }

void TOracleSession::CheckError() {
  if (CurrentErrorCode() != 0) RaiseOracleError(ErrorSource());
}

void TOracleSession::LockSession() {
  if (threadSafe_ && !oci8Mode_) lock_.Enter();
}

void TOracleSession::UnlockSession() {
  if (threadSafe_ && !oci8Mode_) lock_.Leave();
}

// ---- measurements ---------------------------------------------------------------------

TOracleSession::NumberFetch TOracleSession::NumberFetchType(int precision, int scale, bool forceText) const {
  int f = preferences_.FloatPrecision();
  int i = preferences_.IntegerPrecision();
  if (i == 0) i = odbcMode_ ? 10 : 9;
  int p = precision, s = scale;
  bool unconstrained = s == -127;
  if (unconstrained) {
    s = 1;
    p = 38;
  } else if (s == 0 && p == 0) {
    p = 38;
  }
  if (s <= 0 && i >= p && !forceText) return {SQLT_INT, 4};
  if (forceText || (f != 0 && f < p)) return {SQLT_STR, (s <= 0 ? p + 2 : p + 3) + (unconstrained ? 132 : 0)};
  return {SQLT_FLT, 8};
}

std::unique_ptr<TOracleInternalQuery> TOracleSession::MakeQuery(const std::string& name) {
  if (!queryFactory()) throw EOracleException("No query layer is available to run statements on the session");
  auto q = queryFactory()(*this, name);
  if (!q) throw EOracleException("The query layer made no query");
  return q;
}

int TOracleSession::BytesPerChar() {
  if (bytesPerCharCache_ == 0) {
    if (bytesPerCharacter_ != bcAutoDetect || !connected_) {
      switch (bytesPerCharacter_) {
        case bc2Bytes: bytesPerCharCache_ = 2; break;
        case bc3Bytes: bytesPerCharCache_ = 3; break;
        case bc4Bytes: bytesPerCharCache_ = 4; break;
        default: bytesPerCharCache_ = 1; break;
      }
    } else {
      try {
        auto q = MakeQuery("BytesPerCharacterQuery");
        q->SetSQL("select length(chr(2000000000)) from dual");
        q->Execute();
        long long v = q->FieldAsInteger(0);
        bytesPerCharCache_ = v > 0 && v < 16 ? static_cast<int>(v) : 1;
      } catch (...) {
        bytesPerCharCache_ = 1;
      }
    }
  }
  return bytesPerCharCache_;
}

int TOracleSession::MaxStringSize() { return (oci8Mode_ ? 4000 : 2000) / BytesPerChar(); }

int TOracleSession::DateFormatLength() {
  int result = 0;
  if (dateFormatLengthCache_ < 0 && connected_) {
    try {
      auto q = MakeQuery("DateFormatLengthQuery");
      std::string sql;
      for (int i = 1; i <= 12; ++i) {
        if (i > 1) sql += "union all\n";
        sql += "select to_char(to_date('10-" + std::to_string(i) +
               "-1999 10:10:10', 'dd-mm-yyyy hh24:mi:ss')) from dual\n";
      }
      q->SetSQL(sql);
      q->Execute();
      while (!q->Eof()) {
        result = std::max(result, static_cast<int>(q->FieldAsString(0).size()));
        q->Next();
      }
    } catch (...) {
      result = 0;
    }
  } else {
    result = dateFormatLengthCache_;
  }
  if (result <= 0) result = 40;
  dateFormatLengthCache_ = result;
  return result;
}

void TOracleSession::ExecuteInternal(const std::string& sql, bool busy) {
  if (busy) ShowBusyCursor();
  try {
    if (!internalQuery_) internalQuery_ = MakeQuery("Query");
    internalQuery_->SetSQL(sql);
    internalQuery_->Execute();
  } catch (...) {
    if (busy) RestoreBusyCursor();
    throw;
  }
  if (busy) RestoreBusyCursor();
}

void TOracleSession::ShowBusyCursor() {
  if (cursor_ == crDefault) return;
  if (busyDepth_++ == 0) {
    savedCursor_ = platform::uiHooks().screenCursor();
    platform::uiHooks().setScreenCursor(cursor_);
  }
}

void TOracleSession::RestoreBusyCursor() {
  if (busyDepth_ == 0) return;
  if (--busyDepth_ == 0) platform::uiHooks().setScreenCursor(savedCursor_);
}

// ---- attached objects ------------------------------------------------------------------

namespace {
void addTo(std::mutex& m, std::vector<TOracleSessionClient*>& list, TOracleSessionClient* c) {
  std::lock_guard<std::mutex> guard(m);
  if (c && std::find(list.begin(), list.end(), c) == list.end()) list.push_back(c);
}
void removeFrom(std::mutex& m, std::vector<TOracleSessionClient*>& list, TOracleSessionClient* c) {
  std::lock_guard<std::mutex> guard(m);
  list.erase(std::remove(list.begin(), list.end(), c), list.end());
}
}  // namespace

void TOracleSession::AttachQuery(TOracleSessionClient* q) { addTo(attachedMutex_, queries_, q); }
void TOracleSession::DetachQuery(TOracleSessionClient* q) { removeFrom(attachedMutex_, queries_, q); }
void TOracleSession::AttachDataSet(TOracleSessionClient* d) { addTo(attachedMutex_, dataSets_, d); }
void TOracleSession::DetachDataSet(TOracleSessionClient* d) { removeFrom(attachedMutex_, dataSets_, d); }
void TOracleSession::AttachObject(TOracleSessionClient* o) { addTo(attachedMutex_, objects_, o); }
void TOracleSession::DetachObject(TOracleSessionClient* o) { removeFrom(attachedMutex_, objects_, o); }
