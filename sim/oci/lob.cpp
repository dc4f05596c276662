// LOB and BFILE locators.  A locator holds its whole value (the fetch
// copied it in), so reads never go back to the engine.  CLOB lengths,
// offsets and the amount asked for count characters (UTF-8 sequences), BLOB
// and BFILE ones bytes.  The client's character set is UTF-8, a
// varying-width one, so the amount a CLOB read answers is the number of
// bytes it put into the buffer, as the call interface defines it for such
// character sets.
#include <algorithm>
#include <cstring>

#include "oci/common.h"

namespace ocisim::oci {
namespace {

LobLocator* locatorOf(const void* p) {
  LobLocator* loc = handleAs<LobLocator>(p, OCI_DTYPE_LOB);
  return loc ? loc : handleAs<LobLocator>(p, OCI_DTYPE_FILE);
}

bool isLead(unsigned char c) { return (c & 0xC0) != 0x80; }

// Character count of UTF-8 text.
size_t charCount(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s) n += isLead(c);
  return n;
}

// Byte offset of character `index` (0-based); s.size() when beyond.
size_t byteOfChar(const std::string& s, size_t index) {
  size_t chars = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (isLead(static_cast<unsigned char>(s[i]))) {
      if (chars == index) return i;
      ++chars;
    }
  }
  return s.size();
}

// Length in bytes of the character starting at byte i.
size_t charLen(const std::string& s, size_t i) {
  size_t j = i + 1;
  while (j < s.size() && !isLead(static_cast<unsigned char>(s[j]))) ++j;
  return j - i;
}

}  // namespace
}  // namespace ocisim::oci

using namespace ocisim::oci;

#define OCISIM_ERR(errhp)                               \
  Error* e = handleAs<Error>(errhp, OCI_HTYPE_ERROR);   \
  if (e == nullptr) return OCI_INVALID_HANDLE

OCISIM_API_OCI8 sword OCILobLocatorIsInit(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                          boolean* is_initialized) {
  (void)envhp;
  OCISIM_ERR(errhp);
  LobLocator* loc = locatorOf(locp);
  if (loc == nullptr || is_initialized == nullptr) return OCI_INVALID_HANDLE;
  *is_initialized = loc->initialized ? 1 : 0;
  return succeed(e);
}

OCISIM_API_OCI8 sword OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* lenp) {
  OCISIM_ERR(errhp);
  if (handleAs<SvcCtx>(svchp, OCI_HTYPE_SVCCTX) == nullptr) return OCI_INVALID_HANDLE;
  LobLocator* loc = locatorOf(locp);
  if (loc == nullptr || lenp == nullptr) return OCI_INVALID_HANDLE;
  if (!loc->initialized) return fail(e, 22275, "invalid LOB locator specified");
  if (loc->named) return fail(e, 22285, "non-existent directory or file for GETLENGTH operation");
  *lenp = static_cast<ub4>(loc->lobType == SQLT_CLOB ? charCount(loc->data) : loc->data.size());
  return succeed(e);
}

OCISIM_API_OCI8 sword OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                                 void* bufp, ub4 bufl, void* ctxp, OCICallbackLobRead cbfp, ub2 csid, ub1 csfrm) {
  (void)csid, (void)csfrm;
  OCISIM_ERR(errhp);
  if (handleAs<SvcCtx>(svchp, OCI_HTYPE_SVCCTX) == nullptr) return OCI_INVALID_HANDLE;
  LobLocator* loc = locatorOf(locp);
  if (loc == nullptr || amtp == nullptr) return OCI_INVALID_HANDLE;
  if (!loc->initialized) return fail(e, 22275, "invalid LOB locator specified");
  if (offset == 0) return fail(e, 24801, "illegal parameter value in OCI lob function");
  if (loc->lobType == SQLT_BFILEE && !loc->fileOpen)
    return fail(e, 22289, "cannot perform FILEREAD operation on an unopened file or LOB");
  if (bufp == nullptr || bufl == 0) return fail(e, 24801, "illegal parameter value in OCI lob function");
  const std::string& data = loc->data;
  bool chars = loc->lobType == SQLT_CLOB;
  // An amount of 0 reads to the end.
  size_t want = *amtp == 0 ? SIZE_MAX : *amtp;
  size_t start = chars ? byteOfChar(data, offset - 1) : std::min<size_t>(offset - 1, data.size());
  auto* out = static_cast<unsigned char*>(bufp);

  // One buffer's worth from byte `pos`: whole characters only for a CLOB.
  auto chunk = [&](size_t pos, size_t limit, size_t* units) {
    size_t end = pos, n = 0;
    while (end < data.size() && n < limit) {
      size_t len = chars ? charLen(data, end) : 1;
      if (end + len - pos > bufl) break;
      end += len;
      ++n;
    }
    *units = n;
    return end - pos;
  };

  if (cbfp == nullptr) {
    size_t units = 0;
    size_t bytes = chunk(start, want, &units);
    if (bytes) std::memcpy(out, data.data() + start, bytes);
    *amtp = static_cast<ub4>(bytes);
    return succeed(e);
  }
  // Streaming read: the callback takes one buffer after another.
  size_t pos = start, total = 0, totalBytes = 0;
  bool first = true;
  for (;;) {
    size_t units = 0;
    size_t bytes = chunk(pos, want - total, &units);
    pos += bytes;
    total += units;
    totalBytes += bytes;
    bool last = units == 0 || pos >= data.size() || total >= want;
    ub1 piece = first ? (last ? OCI_ONE_PIECE : OCI_FIRST_PIECE) : (last ? OCI_LAST_PIECE : OCI_NEXT_PIECE);
    if (bytes) std::memcpy(out, data.data() + pos - bytes, bytes);
    sb4 r = cbfp(ctxp, out, static_cast<ub4>(bytes), piece);
    first = false;
    if (last || r != OCI_CONTINUE) break;
  }
  *amtp = static_cast<ub4>(totalBytes);
  return succeed(e);
}

OCISIM_API_OCI8 sword OCILobFileOpen(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep, ub1 mode) {
  OCISIM_ERR(errhp);
  if (handleAs<SvcCtx>(svchp, OCI_HTYPE_SVCCTX) == nullptr) return OCI_INVALID_HANDLE;
  LobLocator* loc = locatorOf(filep);
  if (loc == nullptr) return OCI_INVALID_HANDLE;
  if (loc->lobType != SQLT_BFILEE) return fail(e, 22275, "invalid LOB locator specified");
  if (mode != OCI_FILE_READONLY) return fail(e, 24801, "illegal parameter value in OCI lob function");
  if (!loc->initialized) return fail(e, 22275, "invalid LOB locator specified");
  if (loc->named) return fail(e, 22285, "non-existent directory or file for FILEOPEN operation");
  loc->fileOpen = true;
  return succeed(e);
}

OCISIM_API_OCI8 sword OCILobFileIsOpen(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep, boolean* flag) {
  OCISIM_ERR(errhp);
  if (handleAs<SvcCtx>(svchp, OCI_HTYPE_SVCCTX) == nullptr) return OCI_INVALID_HANDLE;
  LobLocator* loc = locatorOf(filep);
  if (loc == nullptr || flag == nullptr) return OCI_INVALID_HANDLE;
  if (loc->lobType != SQLT_BFILEE) return fail(e, 22275, "invalid LOB locator specified");
  *flag = loc->fileOpen ? 1 : 0;
  return succeed(e);
}

OCISIM_API_OCI8 sword OCILobFileClose(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep) {
  OCISIM_ERR(errhp);
  if (handleAs<SvcCtx>(svchp, OCI_HTYPE_SVCCTX) == nullptr) return OCI_INVALID_HANDLE;
  LobLocator* loc = locatorOf(filep);
  if (loc == nullptr) return OCI_INVALID_HANDLE;
  loc->fileOpen = false;
  return succeed(e);
}

OCISIM_API_OCI8 sword OCILobFileExists(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep, boolean* flag) {
  OCISIM_ERR(errhp);
  if (handleAs<SvcCtx>(svchp, OCI_HTYPE_SVCCTX) == nullptr) return OCI_INVALID_HANDLE;
  LobLocator* loc = locatorOf(filep);
  if (loc == nullptr || flag == nullptr) return OCI_INVALID_HANDLE;
  if (loc->named) return fail(e, 22285, "non-existent directory or file for FILEEXISTS operation");
  *flag = loc->initialized ? 1 : 0;
  return succeed(e);
}

OCISIM_API_OCI8 sword OCILobAssign(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* src_locp,
                                   OCILobLocator** dst_locpp) {
  OCISIM_ERR(errhp);
  Env* env = handleAs<Env>(envhp, OCI_HTYPE_ENV);
  LobLocator* src = locatorOf(src_locp);
  if (env == nullptr || src == nullptr || dst_locpp == nullptr) return OCI_INVALID_HANDLE;
  LobLocator* dst = locatorOf(*dst_locpp);
  if (dst == nullptr) {
    if (*dst_locpp != nullptr) return OCI_INVALID_HANDLE;
    dst = env->adopt(std::make_unique<LobLocator>(src->type, env));
    *dst_locpp = reinterpret_cast<OCILobLocator*>(dst);
  }
  dst->lobType = src->lobType;
  dst->initialized = src->initialized;
  dst->fileOpen = false;
  dst->data = src->data;
  dst->named = src->named;
  dst->directory = src->directory;
  dst->fileName = src->fileName;
  return succeed(e);
}

OCISIM_API_OCI8 sword OCILobIsEqual(OCIEnv* envhp, const OCILobLocator* x, const OCILobLocator* y,
                                    boolean* is_equal) {
  (void)envhp;
  LobLocator* a = locatorOf(x);
  LobLocator* b = locatorOf(y);
  if (a == nullptr || b == nullptr || is_equal == nullptr) return OCI_INVALID_HANDLE;
  *is_equal = a == b ? 1 : 0;
  return OCI_SUCCESS;
}

OCISIM_API_OCI8 sword OCILobCharSetForm(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp, ub1* csfrm) {
  (void)envhp;
  OCISIM_ERR(errhp);
  LobLocator* loc = locatorOf(locp);
  if (loc == nullptr || csfrm == nullptr) return OCI_INVALID_HANDLE;
  *csfrm = loc->lobType == SQLT_CLOB ? 1 : 0;  // SQLCS_IMPLICIT for character LOBs
  return succeed(e);
}

OCISIM_API_OCI8 sword OCILobCharSetId(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp, ub2* csid) {
  (void)envhp;
  OCISIM_ERR(errhp);
  LobLocator* loc = locatorOf(locp);
  if (loc == nullptr || csid == nullptr) return OCI_INVALID_HANDLE;
  *csid = loc->lobType == SQLT_CLOB ? 873 : 0;  // AL32UTF8
  return succeed(e);
}
