// The Oracle Call Interface as this program calls it: scalar types, handle
// types, constants and the signature of every entry point that the loader
// binds.  Written from the published call interface reference; the loader
// resolves the functions by name at run time, so nothing here links against
// a client library.  The stand-in client in sim/ implements the same
// declarations, which keeps both sides of the boundary in step.
#pragma once

#include <cstddef>

extern "C" {

// ---- scalar types -------------------------------------------------------
typedef unsigned char ub1;
typedef signed char sb1;
typedef unsigned short ub2;
typedef signed short sb2;
typedef unsigned int ub4;
typedef signed int sb4;
typedef int sword;
typedef unsigned int uword;
typedef unsigned char OraText;
typedef int boolean;

// ---- opaque handles and descriptors -------------------------------------
typedef struct OCIEnv OCIEnv;
typedef struct OCIError OCIError;
typedef struct OCISvcCtx OCISvcCtx;
typedef struct OCIStmt OCIStmt;
typedef struct OCIBind OCIBind;
typedef struct OCIDefine OCIDefine;
typedef struct OCIDescribe OCIDescribe;
typedef struct OCIServer OCIServer;
typedef struct OCISession OCISession;
typedef struct OCISnapshot OCISnapshot;
typedef struct OCIParam OCIParam;
typedef struct OCILobLocator OCILobLocator;
typedef struct OCIDateTime OCIDateTime;
typedef struct OCIInterval OCIInterval;
typedef struct OCIType OCIType;
typedef struct OCIResult OCIResult;
typedef struct OCIRef OCIRef;
typedef struct OCIString OCIString;
typedef struct OCIRaw OCIRaw;
typedef struct OCIColl OCIColl;
typedef OCIColl OCITable;
typedef struct OCIIter OCIIter;
typedef struct OCINumber { ub1 OCINumberPart[22]; } OCINumber;
typedef struct OCIDirPathCtx OCIDirPathCtx;
typedef struct OCIDirPathColArray OCIDirPathColArray;
typedef struct OCIDirPathStream OCIDirPathStream;
typedef struct OCIComplexObject OCIComplexObject;
typedef struct OCIDuration_s OCIDuration_s;
typedef ub2 OCIDuration;
typedef ub1 OCITypeCode;
typedef ub4 OCILockOpt;
typedef ub4 OCIMarkOpt;
typedef ub4 OCIRefreshOpt;
typedef ub4 OCIPinOpt;
typedef ub4 OCIObjectLifetime;
typedef ub4 OCIObjectMarkStatus;
typedef ub4 OCIObjectPropId;
typedef ub4 OCIObjectProperty;
typedef ub4 OCITypeGetOpt;
typedef ub2 OCIInd;
typedef ub1 OCIObjectEvent;
typedef struct OCITypeElem OCITypeElem;
typedef ub1 OCIPinOpt1;
typedef ub4 OCICoherency;

// The OCI7 logon and cursor data area: 64 bytes.  The library writes the
// return code, function code and rows-processed count into it; callers only
// read those fields and treat the rest as the library's own.
struct Cda_Def {
  sb2 v2_rc;       // version 2 return code
  ub2 ft;          // SQL function type
  ub4 rpc;         // rows processed count
  ub2 peo;         // parse error offset
  ub1 fc;          // OCI function code
  ub1 rcs1;
  ub2 rc;          // return code
  ub1 wrn;         // warning flags
  ub1 rcs2;
  sword rcs3;
  ub1 rid[14];     // row id of the last row processed
  ub1 rcs4[2];
  sword ose;       // operating-system dependent error
  ub1 chk;
  ub1 rcs5[7];
  void* rcsp;      // the library's private area
  ub1 rcs9[8];
};
typedef Cda_Def Lda_Def;
static_assert(sizeof(Cda_Def) == 64, "the cursor data area is 64 bytes");

// ---- status codes --------------------------------------------------------
enum : sword {
  OCI_SUCCESS = 0,
  OCI_SUCCESS_WITH_INFO = 1,
  OCI_NEED_DATA = 99,
  OCI_NO_DATA = 100,
  OCI_ERROR = -1,
  OCI_INVALID_HANDLE = -2,
  OCI_STILL_EXECUTING = -3123,
  OCI_CONTINUE = -24200,
};

// ---- handle and descriptor types ----------------------------------------
enum : ub4 {
  OCI_HTYPE_ENV = 1,
  OCI_HTYPE_ERROR = 2,
  OCI_HTYPE_SVCCTX = 3,
  OCI_HTYPE_STMT = 4,
  OCI_HTYPE_BIND = 5,
  OCI_HTYPE_DEFINE = 6,
  OCI_HTYPE_DESCRIBE = 7,
  OCI_HTYPE_SERVER = 8,
  OCI_HTYPE_SESSION = 9,
  OCI_HTYPE_TRANS = 10,

  OCI_DTYPE_LOB = 50,
  OCI_DTYPE_SNAP = 51,
  OCI_DTYPE_RSET = 52,
  OCI_DTYPE_PARAM = 53,
  OCI_DTYPE_ROWID = 54,
  OCI_DTYPE_COMPLEXOBJECTCOMP = 55,
  OCI_DTYPE_FILE = 56,
  OCI_DTYPE_INTERVAL_YM = 62,
  OCI_DTYPE_INTERVAL_DS = 63,
  OCI_DTYPE_TIMESTAMP = 68,
  OCI_DTYPE_TIMESTAMP_TZ = 69,
  OCI_DTYPE_TIMESTAMP_LTZ = 70,
};

// ---- modes ---------------------------------------------------------------
enum : ub4 {
  OCI_DEFAULT = 0x00,
  OCI_THREADED = 0x01,
  OCI_OBJECT = 0x02,
  OCI_ENV_NO_MUTEX = 0x08,

  OCI_CRED_RDBMS = 1,
  OCI_CRED_EXT = 2,
  OCI_SYSDBA = 0x02,
  OCI_SYSOPER = 0x04,

  // statement syntax for OCIStmtPrepare
  OCI_NTV_SYNTAX = 1,
  OCI_V7_SYNTAX = 2,
  OCI_V8_SYNTAX = 3,

  // OCIStmtExecute modes
  OCI_BATCH_MODE = 0x01,
  OCI_EXACT_FETCH = 0x02,
  OCI_SCROLLABLE_CURSOR = 0x08,
  OCI_DESCRIBE_ONLY = 0x10,
  OCI_COMMIT_ON_SUCCESS = 0x20,

  // define and bind modes
  OCI_DYNAMIC_FETCH = 0x02,
  OCI_DATA_AT_EXEC = 0x02,

  // fetch orientation
  OCI_FETCH_NEXT = 0x02,

  // file and LOB open modes
  OCI_FILE_READONLY = 1,
  OCI_LOB_READONLY = 1,
};

// pieces of a piecewise fetch or bind
enum : ub1 {
  OCI_ONE_PIECE = 0,
  OCI_FIRST_PIECE = 1,
  OCI_NEXT_PIECE = 2,
  OCI_LAST_PIECE = 3,
};

// ---- attributes ----------------------------------------------------------
// Handle attributes and parameter (describe) attributes share small numbers;
// which one is meant depends on the handle or descriptor type.
enum : ub4 {
  // handles
  OCI_ATTR_FNCODE = 1,
  OCI_ATTR_OBJECT = 2,
  OCI_ATTR_NONBLOCKING_MODE = 3,
  OCI_ATTR_SQLCODE = 4,
  OCI_ATTR_ENV = 5,
  OCI_ATTR_SERVER = 6,
  OCI_ATTR_SESSION = 7,
  OCI_ATTR_TRANS = 8,
  OCI_ATTR_ROW_COUNT = 9,
  OCI_ATTR_SQLFNCODE = 10,
  OCI_ATTR_PREFETCH_ROWS = 11,
  OCI_ATTR_NESTED_PREFETCH_ROWS = 12,
  OCI_ATTR_PREFETCH_MEMORY = 13,
  OCI_ATTR_NESTED_PREFETCH_MEMORY = 14,
  OCI_ATTR_CHAR_COUNT = 15,
  OCI_ATTR_PARAM_COUNT = 18,
  OCI_ATTR_ROWID = 19,
  OCI_ATTR_USERNAME = 22,
  OCI_ATTR_PASSWORD = 23,
  OCI_ATTR_STMT_TYPE = 24,
  OCI_ATTR_CHARSET_ID = 31,
  OCI_ATTR_CHARSET_FORM = 32,
  OCI_ATTR_MAXDATA_SIZE = 33,
  OCI_ATTR_ROWS_FETCHED = 197,

  // parameters of a select-list describe
  OCI_ATTR_DATA_SIZE = 1,
  OCI_ATTR_DATA_TYPE = 2,
  OCI_ATTR_DISP_SIZE = 3,
  OCI_ATTR_NAME = 4,
  OCI_ATTR_PRECISION = 5,
  OCI_ATTR_SCALE = 6,
  OCI_ATTR_IS_NULL = 7,
  OCI_ATTR_TYPE_NAME = 8,
  OCI_ATTR_SCHEMA_NAME = 9,
  OCI_ATTR_CHAR_USED = 285,
  OCI_ATTR_CHAR_SIZE = 286,
};

// ---- statement types (OCI_ATTR_STMT_TYPE) ---------------------------------
enum : ub2 {
  OCI_STMT_UNKNOWN = 0,
  OCI_STMT_SELECT = 1,
  OCI_STMT_UPDATE = 2,
  OCI_STMT_DELETE = 3,
  OCI_STMT_INSERT = 4,
  OCI_STMT_CREATE = 5,
  OCI_STMT_DROP = 6,
  OCI_STMT_ALTER = 7,
  OCI_STMT_BEGIN = 8,
  OCI_STMT_DECLARE = 9,
};

// ---- data types ------------------------------------------------------------
// Internal codes as a describe reports them and external codes as defines and
// binds ask for them.
enum : ub2 {
  SQLT_CHR = 1,      // VARCHAR2 (internal), character string (external)
  SQLT_NUM = 2,      // NUMBER
  SQLT_INT = 3,      // signed integer
  SQLT_FLT = 4,      // floating point
  SQLT_STR = 5,      // zero-terminated string
  SQLT_VNU = 6,
  SQLT_LNG = 8,      // LONG
  SQLT_VCS = 9,
  SQLT_RID = 11,     // ROWID
  SQLT_DAT = 12,     // 7-byte DATE
  SQLT_VBI = 15,
  SQLT_BFLOAT = 21,
  SQLT_BDOUBLE = 22,
  SQLT_BIN = 23,     // RAW
  SQLT_LBI = 24,     // LONG RAW
  SQLT_UIN = 68,
  SQLT_RDD = 104,    // ROWID descriptor
  SQLT_AFC = 96,     // CHAR
  SQLT_AVC = 97,
  SQLT_IBFLOAT = 100,
  SQLT_IBDOUBLE = 101,
  SQLT_CUR = 102,
  SQLT_NTY = 108,    // named (object) type
  SQLT_REF = 110,
  SQLT_CLOB = 112,
  SQLT_BLOB = 113,
  SQLT_BFILEE = 114,
  SQLT_CFILEE = 115,
  SQLT_RSET = 116,   // result set (cursor)
  SQLT_TIMESTAMP = 187,
  SQLT_TIMESTAMP_TZ = 188,
  SQLT_INTERVAL_YM = 189,
  SQLT_INTERVAL_DS = 190,
  SQLT_TIMESTAMP_LTZ = 232,
};

// ---- callbacks ---------------------------------------------------------------
typedef sb4 (*OCICallbackInBind)(void* ictxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp,
                                 ub4* alenp, ub1* piecep, void** indp);
typedef sb4 (*OCICallbackOutBind)(void* octxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp,
                                  ub4** alenp, ub1* piecep, void** indp, ub2** rcodep);
typedef sb4 (*OCICallbackDefine)(void* octxp, OCIDefine* defnp, ub4 iter, void** bufpp, ub4** alenp,
                                 ub1* piecep, void** indp, ub2** rcodep);
typedef sb4 (*OCICallbackLobRead)(void* ctxp, const void* bufp, ub4 len, ub1 piece);
typedef sb4 (*OCICallbackLobWrite)(void* ctxp, void* bufp, ub4* lenp, ub1* piece);
typedef void* (*OCIMallocFunc)(void* ctxp, size_t size);
typedef void* (*OCIReallocFunc)(void* ctxp, void* memptr, size_t newsize);
typedef void (*OCIFreeFunc)(void* ctxp, void* memptr);

}  // extern "C"

// ---- entry points -----------------------------------------------------------
// X-macro lists: OCI_ENTRY(name, return type, parameter list).  The loader
// binds them in list order; the stand-in client defines them.
#define OCI7_ENTRY_POINTS(X)                                                                      \
  X(orlon, sword, (Lda_Def * lda, ub1 * hda, OraText * uid, sword uidl, OraText * pswd, sword pswdl, \
                   sword audit))                                                                  \
  X(ologof, sword, (Lda_Def * lda))                                                               \
  X(oerhms, sword, (Lda_Def * lda, sb2 rcode, OraText * buf, sword bufsiz))                       \
  X(oopen, sword, (Cda_Def * cursor, Lda_Def * lda, OraText * dbn, sword dbnl, sword arsize,      \
                   OraText * uid, sword uidl))                                                    \
  X(oparse, sword, (Cda_Def * cursor, OraText * sqlstm, sb4 sqllen, sword defflg, ub4 lngflg))    \
  X(odefin, sword, (Cda_Def * cursor, sword pos, ub1 * buf, sword bufl, sword ftype, sword scale, \
                    sb2 * indp, OraText * fmt, sword fmtl, sword fmtt, ub2 * rlen, ub2 * rcode))  \
  X(oexfet, sword, (Cda_Def * cursor, ub4 nrows, sword cancel, sword exact))                      \
  X(ofen, sword, (Cda_Def * cursor, sword nrows))                                                 \
  X(oflng, sword, (Cda_Def * cursor, sword pos, ub1 * buf, sb4 bufl, sword dtype, ub4 * retl,     \
                   sb4 offset))                                                                   \
  X(oclose, sword, (Cda_Def * cursor))                                                            \
  X(odescr, sword, (Cda_Def * cursor, sword pos, sb4 * dbsize, sb2 * dbtype, sb1 * cbuf,          \
                    sb4 * cbufl, sb4 * dsize, sb2 * prec, sb2 * scale, sb2 * nullok))             \
  X(oexec, sword, (Cda_Def * cursor))                                                             \
  X(oexn, sword, (Cda_Def * cursor, sword iters, sword rowoff))                                   \
  X(ocom, sword, (Lda_Def * lda))                                                                 \
  X(orol, sword, (Lda_Def * lda))                                                                 \
  X(ocon, sword, (Lda_Def * lda))                                                                 \
  X(ocof, sword, (Lda_Def * lda))                                                                 \
  X(obreak, sword, (Lda_Def * lda))                                                               \
  X(obndrv, sword, (Cda_Def * cursor, OraText * sqlvar, sword sqlvl, ub1 * progv, sword progvl,   \
                    sword ftype, sword scale, sb2 * indp, OraText * fmt, sword fmtl, sword fmtt))    \
  X(obndrn, sword, (Cda_Def * cursor, sword sqlvn, ub1 * progv, sword progvl, sword ftype,         \
                    sword scale, sb2 * indp, OraText * fmt, sword fmtl, sword fmtt))                 \
  X(obndra, sword, (Cda_Def * cursor, OraText * sqlvar, sword sqlvl, ub1 * progv, sword progvl,   \
                    sword ftype, sword scale, sb2 * indp, ub2 * alen, ub2 * arcode, ub4 maxsiz,   \
                    ub4 * cursiz, OraText * fmt, sword fmtl, sword fmtt))                         \
  X(odessp, sword, (Lda_Def * lda, OraText * objnam, size_t onlen, ub1 * rsv1, size_t rsv1ln,     \
                    ub1 * rsv2, size_t rsv2ln, ub2 * ovrld, ub2 * pos, ub2 * level,               \
                    OraText * *argnam, ub2 * arnlen, ub2 * dtype, ub1 * defsup, ub1 * mode,       \
                    ub4 * dtsiz, sb2 * prec, sb2 * scale, ub1 * radix, ub4 * spare, ub4 * arrsiz))

#define OCI7_LOGON_ENTRY_POINTS(X)                                                                \
  X(olog, sword, (Lda_Def * lda, ub1 * hda, OraText * uid, sword uidl, OraText * pswd,            \
                  sword pswdl, OraText * conn, sword connl, ub4 mode))

#define OCI7_PINIT_ENTRY_POINTS(X) X(opinit, sword, (ub4 mode))

#define OCI8_ENTRY_POINTS(X)                                                                      \
  X(OCIInitialize, sword, (ub4 mode, void* ctxp, OCIMallocFunc malocfp, OCIReallocFunc ralocfp,   \
                           OCIFreeFunc mfreefp))                                                 \
  X(OCIHandleAlloc, sword, (const void* parenth, void** hndlpp, ub4 type, size_t xtramem_sz,      \
                            void** usrmempp))                                                    \
  X(OCIHandleFree, sword, (void* hndlp, ub4 type))                                                \
  X(OCIDescriptorAlloc, sword, (const void* parenth, void** descpp, ub4 type, size_t xtramem_sz,  \
                                void** usrmempp))                                                \
  X(OCIDescriptorFree, sword, (void* descp, ub4 type))                                            \
  X(OCIEnvInit, sword, (OCIEnv * *envp, ub4 mode, size_t xtramem_sz, void** usrmempp))            \
  X(OCIServerAttach, sword, (OCIServer * srvhp, OCIError * errhp, const OraText* dblink,          \
                             sb4 dblink_len, ub4 mode))                                          \
  X(OCIServerDetach, sword, (OCIServer * srvhp, OCIError * errhp, ub4 mode))                      \
  X(OCISessionBegin, sword, (OCISvcCtx * svchp, OCIError * errhp, OCISession * usrhp, ub4 credt,  \
                             ub4 mode))                                                          \
  X(OCISessionEnd, sword, (OCISvcCtx * svchp, OCIError * errhp, OCISession * usrhp, ub4 mode))    \
  X(OCILogon, sword, (OCIEnv * envhp, OCIError * errhp, OCISvcCtx * *svchp,                       \
                      const OraText* username, ub4 uname_len, const OraText* password,           \
                      ub4 passwd_len, const OraText* dbname, ub4 dbname_len))                    \
  X(OCILogoff, sword, (OCISvcCtx * svchp, OCIError * errhp))                                      \
  X(OCIPasswordChange, sword, (OCISvcCtx * svchp, OCIError * errhp, const OraText* user_name,     \
                               ub4 usernm_len, const OraText* opasswd, ub4 opasswd_len,          \
                               const OraText* npasswd, ub4 npasswd_len, ub4 mode))               \
  X(OCIStmtPrepare, sword, (OCIStmt * stmtp, OCIError * errhp, const OraText* stmt, ub4 stmt_len, \
                            ub4 language, ub4 mode))                                             \
  X(OCIBindByPos, sword, (OCIStmt * stmtp, OCIBind * *bindp, OCIError * errhp, ub4 position,      \
                          void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,           \
                          ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode))                  \
  X(OCIBindByName, sword, (OCIStmt * stmtp, OCIBind * *bindp, OCIError * errhp,                   \
                           const OraText* placeholder, sb4 placeh_len, void* valuep,             \
                           sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep,           \
                           ub4 maxarr_len, ub4* curelep, ub4 mode))                              \
  X(OCIBindObject, sword, (OCIBind * bindp, OCIError * errhp, const OCIType* type, void** pgvpp,  \
                           ub4* pvszsp, void** indpp, ub4* indszp))                              \
  X(OCIBindDynamic, sword, (OCIBind * bindp, OCIError * errhp, void* ictxp,                       \
                            OCICallbackInBind icbfp, void* octxp, OCICallbackOutBind ocbfp))     \
  X(OCIBindArrayOfStruct, sword, (OCIBind * bindp, OCIError * errhp, ub4 pvskip, ub4 indskip,     \
                                  ub4 alskip, ub4 rcskip))                                       \
  X(OCIStmtGetPieceInfo, sword, (OCIStmt * stmtp, OCIError * errhp, void** hndlpp, ub4* typep,    \
                                 ub1* in_outp, ub4* iterp, ub4* idxp, ub1* piecep))              \
  X(OCIStmtSetPieceInfo, sword, (void* hndlp, ub4 type, OCIError* errhp, const void* bufp,        \
                                 ub4* alenp, ub1 piece, const void* indp, ub2* rcodep))          \
  X(OCIStmtExecute, sword, (OCISvcCtx * svchp, OCIStmt * stmtp, OCIError * errhp, ub4 iters,      \
                            ub4 rowoff, const OCISnapshot* snap_in, OCISnapshot* snap_out,       \
                            ub4 mode))                                                           \
  X(OCIDefineByPos, sword, (OCIStmt * stmtp, OCIDefine * *defnp, OCIError * errhp, ub4 position,  \
                            void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* rlenp,         \
                            ub2* rcodep, ub4 mode))                                              \
  X(OCIDefineObject, sword, (OCIDefine * defnp, OCIError * errhp, const OCIType* type,            \
                             void** pgvpp, ub4* pvszsp, void** indpp, ub4* indszp))              \
  X(OCIDefineDynamic, sword, (OCIDefine * defnp, OCIError * errhp, void* octxp,                   \
                              OCICallbackDefine ocbfp))                                          \
  X(OCIDefineArrayOfStruct, sword, (OCIDefine * defnp, OCIError * errhp, ub4 pvskip,              \
                                    ub4 indskip, ub4 rlskip, ub4 rcskip))                        \
  X(OCIStmtFetch, sword, (OCIStmt * stmtp, OCIError * errhp, ub4 nrows, ub2 orientation,          \
                          ub4 mode))                                                             \
  X(OCIStmtGetBindInfo, sword, (OCIStmt * stmtp, OCIError * errhp, ub4 size, ub4 startloc,        \
                                sb4 * found, OraText * bvnp[], ub1 bvnl[], OraText * invp[],     \
                                ub1 inpl[], ub1 dupl[], OCIBind * *hndl[]))                      \
  X(OCIDescribeAny, sword, (OCISvcCtx * svchp, OCIError * errhp, void* objptr, ub4 objnm_len,     \
                            ub1 objptr_typ, ub1 info_level, ub1 objtyp, OCIDescribe* dschp))     \
  X(OCIParamGet, sword, (const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp, ub4 pos)) \
  X(OCIParamSet, sword, (void* hdlp, ub4 htyp, OCIError* errhp, const void* dscp, ub4 dtyp,       \
                         ub4 pos))                                                               \
  X(OCITransStart, sword, (OCISvcCtx * svchp, OCIError * errhp, uword timeout, ub4 flags))        \
  X(OCITransDetach, sword, (OCISvcCtx * svchp, OCIError * errhp, ub4 flags))                      \
  X(OCITransCommit, sword, (OCISvcCtx * svchp, OCIError * errhp, ub4 flags))                      \
  X(OCITransRollback, sword, (OCISvcCtx * svchp, OCIError * errhp, ub4 flags))                    \
  X(OCITransPrepare, sword, (OCISvcCtx * svchp, OCIError * errhp, ub4 flags))                     \
  X(OCITransForget, sword, (OCISvcCtx * svchp, OCIError * errhp, ub4 flags))                      \
  X(OCIErrorGet, sword, (void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep,             \
                         OraText* bufp, ub4 bufsiz, ub4 type))                                   \
  X(OCILobAppend, sword, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * dst_locp,          \
                          OCILobLocator * src_locp))                                             \
  X(OCILobAssign, sword, (OCIEnv * envhp, OCIError * errhp, const OCILobLocator* src_locp,        \
                          OCILobLocator** dst_locpp))                                            \
  X(OCILobCharSetForm, sword, (OCIEnv * envhp, OCIError * errhp, const OCILobLocator* locp,       \
                               ub1* csfrm))                                                      \
  X(OCILobCharSetId, sword, (OCIEnv * envhp, OCIError * errhp, const OCILobLocator* locp,         \
                             ub2* csid))                                                         \
  X(OCILobCopy, sword, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * dst_locp,            \
                        OCILobLocator * src_locp, ub4 amount, ub4 dst_offset, ub4 src_offset))   \
  X(OCILobDisableBuffering, sword, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp))   \
  X(OCILobEnableBuffering, sword, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp))    \
  X(OCILobErase, sword, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp, ub4 * amount, \
                         ub4 offset))                                                            \
  X(OCILobFileClose, sword, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * filep))         \
  X(OCILobFileCloseAll, sword, (OCISvcCtx * svchp, OCIError * errhp))                             \
  X(OCILobFileExists, sword, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * filep,         \
                              boolean * flag))                                                   \
  X(OCILobFileGetName, sword, (OCIEnv * envhp, OCIError * errhp, const OCILobLocator* filep,      \
                               OraText* dir_alias, ub2* d_length, OraText* filename,             \
                               ub2* f_length))                                                   \
  X(OCILobFileIsOpen, sword, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * filep,         \
                              boolean * flag))                                                   \
  X(OCILobFileOpen, sword, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * filep, ub1 mode))\
  X(OCILobFileSetName, sword, (OCIEnv * envhp, OCIError * errhp, OCILobLocator * *filepp,         \
                               const OraText* dir_alias, ub2 d_length, const OraText* filename,  \
                               ub2 f_length))                                                    \
  X(OCILobFlushBuffer, sword, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp,         \
                               ub4 flag))                                                        \
  X(OCILobGetLength, sword, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp,           \
                             ub4 * lenp))                                                        \
  X(OCILobIsEqual, sword, (OCIEnv * envhp, const OCILobLocator* x, const OCILobLocator* y,        \
                           boolean* is_equal))                                                   \
  X(OCILobLoadFromFile, sword, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * dst_locp,    \
                                OCILobLocator * src_filep, ub4 amount, ub4 dst_offset,           \
                                ub4 src_offset))                                                 \
  X(OCILobLocatorIsInit, sword, (OCIEnv * envhp, OCIError * errhp, const OCILobLocator* locp,     \
                                 boolean* is_initialized))                                       \
  X(OCILobRead, sword, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp, ub4 * amtp,    \
                        ub4 offset, void* bufp, ub4 bufl, void* ctxp, OCICallbackLobRead cbfp,   \
                        ub2 csid, ub1 csfrm))                                                    \
  X(OCILobTrim, sword, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp, ub4 newlen))   \
  X(OCILobWrite, sword, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp, ub4 * amtp,   \
                         ub4 offset, void* bufp, ub4 buflen, ub1 piece, void* ctxp,              \
                         OCICallbackLobWrite cbfp, ub2 csid, ub1 csfrm))                         \
  X(OCIBreak, sword, (void* hndlp, OCIError* errhp))                                              \
  X(OCIServerVersion, sword, (void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz,             \
                              ub1 hndltype))                                                     \
  X(OCIAttrGet, sword, (const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep,      \
                        ub4 attrtype, OCIError* errhp))                                          \
  X(OCIAttrSet, sword, (void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size,              \
                        ub4 attrtype, OCIError* errhp))                                          \
  X(OCISvcCtxToLda, sword, (OCISvcCtx * svchp, OCIError * errhp, Lda_Def * ldap))                 \
  X(OCILdaToSvcCtx, sword, (OCISvcCtx * *svchpp, OCIError * errhp, Lda_Def * ldap))               \
  X(OCIResultSetToStmt, sword, (OCIResult * rsetdp, OCIError * errhp))                            \
  X(OCIObjectUnpin, sword, (OCIEnv * env, OCIError * err, void* object))                          \
  X(OCIObjectLock, sword, (OCIEnv * env, OCIError * err, void* object))                           \
  X(OCIObjectMarkUpdate, sword, (OCIEnv * env, OCIError * err, void* object))                     \
  X(OCIObjectUnmark, sword, (OCIEnv * env, OCIError * err, void* object))                         \
  X(OCIObjectMarkDelete, sword, (OCIEnv * env, OCIError * err, void* instance))                   \
  X(OCIObjectFlush, sword, (OCIEnv * env, OCIError * err, void* object))                          \
  X(OCIObjectCopy, sword, (OCIEnv * env, OCIError * err, const OCISvcCtx* svc, void* source,      \
                           void* null_source, void* target, void* null_target, OCIType* tdo,     \
                           OCIDuration duration, ub1 option))                                    \
  X(OCIObjectGetTypeRef, sword, (OCIEnv * env, OCIError * err, void* instance, OCIRef* type_ref)) \
  X(OCIObjectGetObjectRef, sword, (OCIEnv * env, OCIError * err, void* object,                    \
                                   OCIRef* object_ref))                                          \
  X(OCIObjectGetInd, sword, (OCIEnv * env, OCIError * err, void* instance, void** null_struct))   \
  X(OCIObjectExists, sword, (OCIEnv * env, OCIError * err, void* ins, boolean* exist))            \
  X(OCIObjectIsLocked, sword, (OCIEnv * env, OCIError * err, void* ins, boolean* lock))           \
  X(OCIObjectIsDirty, sword, (OCIEnv * env, OCIError * err, void* ins, boolean* dirty))           \
  X(OCIObjectRefresh, sword, (OCIEnv * env, OCIError * err, void* object))                        \
  X(OCIObjectPinTable, sword, (OCIEnv * env, OCIError * err, const OCISvcCtx* svc,                \
                               const OraText* schema_name, ub4 s_n_length,                       \
                               const OraText* object_name, ub4 o_n_length,                       \
                               const OCIRef* scope_obj_ref, OCIDuration pin_duration,            \
                               void** object))                                                   \
  X(OCIObjectNew, sword, (OCIEnv * env, OCIError * err, const OCISvcCtx* svc,                     \
                          OCITypeCode typecode, OCIType* tdo, void* table, OCIDuration duration, \
                          boolean value, void** instance))                                       \
  X(OCIObjectPin, sword, (OCIEnv * env, OCIError * err, OCIRef * object_ref,                      \
                          OCIComplexObject * corhdl, OCIPinOpt pin_option,                       \
                          OCIDuration pin_duration, OCILockOpt lock_option, void** object))      \
  X(OCIObjectFree, sword, (OCIEnv * env, OCIError * err, void* instance, ub2 flags))              \
  X(OCITypeByName, sword, (OCIEnv * env, OCIError * err, const OCISvcCtx* svc,                    \
                           const OraText* schema_name, ub4 s_length, const OraText* type_name,   \
                           ub4 t_length, const OraText* version_name, ub4 v_length,              \
                           OCIDuration pin_duration, OCITypeGetOpt get_option, OCIType** tdo))   \
  X(OCIObjectGetAttr, sword, (OCIEnv * env, OCIError * err, void* instance, void* null_struct,    \
                              OCIType* tdo, const OraText** names, const ub4* lengths,           \
                              const ub4 name_count, const ub4* indexes, const ub4 index_count,   \
                              OCIInd* attr_null_status, void** attr_null_struct,                 \
                              void** attr_value, OCIType** attr_tdo))                            \
  X(OCIObjectSetAttr, sword, (OCIEnv * env, OCIError * err, void* instance, void* null_struct,    \
                              OCIType* tdo, const OraText** names, const ub4* lengths,           \
                              const ub4 name_count, const ub4* indexes, const ub4 index_count,   \
                              const OCIInd null_status, const void* attr_null_struct,            \
                              const void* attr_value))                                           \
  X(OCIStringPtr, OraText*, (OCIEnv * env, const OCIString* vs))                                  \
  X(OCIStringAssignText, sword, (OCIEnv * env, OCIError * err, const OraText* rhs, ub4 rhs_len,   \
                                 OCIString** lhs))                                               \
  X(OCINumberFromInt, sword, (OCIError * err, const void* inum, uword inum_length,                \
                              uword inum_s_flag, OCINumber* number))                             \
  X(OCINumberToInt, sword, (OCIError * err, const OCINumber* number, uword rsl_length,            \
                            uword rsl_flag, void* rsl))                                          \
  X(OCINumberFromReal, sword, (OCIError * err, const void* rnum, uword rnum_length,               \
                               OCINumber* number))                                               \
  X(OCINumberToReal, sword, (OCIError * err, const OCINumber* number, uword rsl_length,           \
                             void* rsl))                                                         \
  X(OCINumberToText, sword, (OCIError * err, const OCINumber* number, const OraText* fmt,         \
                             ub4 fmt_length, const OraText* nls_params, ub4 nls_p_length,        \
                             ub4* buf_size, OraText* buf))                                       \
  X(OCINumberFromText, sword, (OCIError * err, const OraText* str, ub4 str_length,                \
                               const OraText* fmt, ub4 fmt_length, const OraText* nls_params,    \
                               ub4 nls_p_length, OCINumber* number))                             \
  X(OCIRawPtr, ub1*, (OCIEnv * env, const OCIRaw* raw))                                           \
  X(OCIRawSize, ub4, (OCIEnv * env, const OCIRaw* raw))                                           \
  X(OCIRawAssignBytes, sword, (OCIEnv * env, OCIError * err, const ub1* rhs, ub4 rhs_len,         \
                               OCIRaw** lhs))                                                    \
  X(OCIRefAssign, sword, (OCIEnv * env, OCIError * err, const OCIRef* source, OCIRef** target))   \
  X(OCIRefClear, void, (OCIEnv * env, OCIRef * ref))                                              \
  X(OCIRefIsNull, boolean, (OCIEnv * env, const OCIRef* ref))                                     \
  X(OCIRefFromHex, sword, (OCIEnv * env, OCIError * err, const OCISvcCtx* svc, const OraText* hex,\
                           ub4 length, OCIRef** ref))                                            \
  X(OCIRefHexSize, ub4, (OCIEnv * env, const OCIRef* ref))                                        \
  X(OCIRefToHex, sword, (OCIEnv * env, OCIError * err, const OCIRef* ref, OraText* hex,           \
                         ub4* hex_length))                                                       \
  X(OCICollSize, sword, (OCIEnv * env, OCIError * err, const OCIColl* coll, sb4* size))           \
  X(OCICollTrim, sword, (OCIEnv * env, OCIError * err, sb4 trim_num, OCIColl * coll))             \
  X(OCICollMax, sb4, (OCIEnv * env, const OCIColl* coll))                                         \
  X(OCICollGetElem, sword, (OCIEnv * env, OCIError * err, const OCIColl* coll, sb4 index,         \
                            boolean* exists, void** elem, void** elemind))                       \
  X(OCICollAssignElem, sword, (OCIEnv * env, OCIError * err, sb4 index, const void* elem,         \
                               const void* elemind, OCIColl* coll))                              \
  X(OCICollAppend, sword, (OCIEnv * env, OCIError * err, const void* elem, const void* elemind,   \
                           OCIColl* coll))                                                       \
  X(OCITableDelete, sword, (OCIEnv * env, OCIError * err, sb4 index, OCITable * tbl))             \
  X(OCICacheFlush, sword, (OCIEnv * env, OCIError * err, const OCISvcCtx* svc, void* context,     \
                           OCIRef* (*get)(void* context, ub1* last), OCIRef** ref))

#define OCI81_ENTRY_POINTS(X)                                                                     \
  X(OCIEnvCreate, sword, (OCIEnv * *envhpp, ub4 mode, const void* ctxp, OCIMallocFunc malocfp,    \
                          OCIReallocFunc ralocfp, OCIFreeFunc mfreefp, size_t xtramemsz,         \
                          void** usrmempp))                                                      \
  X(OCIDirPathAbort, sword, (OCIDirPathCtx * dpctx, OCIError * errhp))                            \
  X(OCIDirPathFinish, sword, (OCIDirPathCtx * dpctx, OCIError * errhp))                           \
  X(OCIDirPathPrepare, sword, (OCIDirPathCtx * dpctx, OCISvcCtx * svchp, OCIError * errhp))       \
  X(OCIDirPathColArrayEntrySet, sword, (OCIDirPathColArray * dpca, OCIError * errhp, ub4 rownum,  \
                                        ub2 colIdx, ub1 * cvalp, ub4 clen, ub1 cflg))            \
  X(OCIDirPathColArrayToStream, sword, (OCIDirPathColArray * dpca, const OCIDirPathCtx* dpctx,    \
                                        OCIDirPathStream* dpstr, OCIError* errhp, ub4 rowcnt,    \
                                        ub4 rowoff))                                             \
  X(OCIDirPathLoadStream, sword, (OCIDirPathCtx * dpctx, OCIDirPathStream * dpstr,                \
                                  OCIError * errhp))                                             \
  X(OCIDirPathStreamReset, sword, (OCIDirPathStream * dpstr, OCIError * errhp))

// The datetime and interval descriptors' accessors (Oracle 9i and later): a
// TIMESTAMP [WITH [LOCAL] TIME ZONE] or INTERVAL value defined as
// SQLT_TIMESTAMP... into an OCIDateTime / OCIInterval descriptor is read
// field by field, exactly and whatever the session's NLS settings.
#define OCI9_ENTRY_POINTS(X)                                                                      \
  X(OCIDateTimeGetDate, sword, (void* hndl, OCIError* err, const OCIDateTime* datetime,          \
                                sb2* year, ub1* month, ub1* day))                                \
  X(OCIDateTimeGetTime, sword, (void* hndl, OCIError* err, OCIDateTime* datetime, ub1* hour,     \
                                ub1* min, ub1* sec, ub4* fsec))                                  \
  X(OCIDateTimeGetTimeZoneOffset, sword, (void* hndl, OCIError* err,                             \
                                          const OCIDateTime* datetime, sb1* hour, sb1* min))     \
  X(OCIDateTimeGetTimeZoneName, sword, (void* hndl, OCIError* err, const OCIDateTime* datetime,  \
                                        ub1* buf, ub4* buflen))                                  \
  X(OCIIntervalGetYearMonth, sword, (void* hndl, OCIError* err, sb4* yr, sb4* mnth,             \
                                     const OCIInterval* result))                                 \
  X(OCIIntervalGetDaySecond, sword, (void* hndl, OCIError* err, sb4* dy, sb4* hr, sb4* mm,      \
                                     sb4* ss, sb4* fsec, const OCIInterval* result))

// Function pointer types, one per entry point: OCIStmtPrepare_fn and so on.
#define OCI_DECLARE_FN_TYPE(name, ret, params) typedef ret(*name##_fn) params;
extern "C" {
OCI7_ENTRY_POINTS(OCI_DECLARE_FN_TYPE)
OCI7_LOGON_ENTRY_POINTS(OCI_DECLARE_FN_TYPE)
OCI7_PINIT_ENTRY_POINTS(OCI_DECLARE_FN_TYPE)
OCI8_ENTRY_POINTS(OCI_DECLARE_FN_TYPE)
OCI81_ENTRY_POINTS(OCI_DECLARE_FN_TYPE)
OCI9_ENTRY_POINTS(OCI_DECLARE_FN_TYPE)
}
#undef OCI_DECLARE_FN_TYPE
