// Conversions between the engine's values and the external data types that
// defines and binds name (SQLT_INT, SQLT_STR, SQLT_DAT, ...), as Oracle
// converts them.
#pragma once

#include <string>

#include "engine/engine.h"
#include "oracle/oci.h"

namespace ocisim::oci {

// Writes a non-null value into one define slot of `size` bytes as external
// type dty.  Returns the column return code: 0, or 1406 when the value was
// cut to fit.  *fullLen receives the value's whole length in the external
// type (without a string's terminating zero).  Throws OraError for a
// conversion Oracle refuses (ORA-00932, ORA-01722, ORA-01455, ORA-01460).
// `conn` formats dates as text; it may be null (DD-MON-RR is used).
ub2 writeExternal(const ocisim::Value& v, ub2 dty, void* buf, sb4 size, ub4* fullLen,
                  const ocisim::Connection* conn);

// Reads one bound value of external type dty and `len` bytes.  Throws
// OraError for data Oracle would refuse.  A zero-length character value is
// null, as Oracle treats it.
ocisim::Value readExternal(ub2 dty, const void* buf, ub4 len);

// Oracle's text of a number: ".5", "-.5", "100", "1.25"; every digit of
// the double's shortest round-trip form is kept.
std::string numberText(double d);
std::string numberText(long long v);

// Upper-case hexadecimal, as RAW columns read as text.
std::string hexText(const std::string& bytes);

// The 7-byte Oracle DATE and back.
void encodeDate(const ocisim::DateTime& d, unsigned char out[7]);
ocisim::DateTime decodeDate(const unsigned char in[7]);  // throws OraError when invalid

// The value a TIMESTAMP [WITH [LOCAL] TIME ZONE] or INTERVAL descriptor
// defined as dty receives: a timestamp gains or loses its zone as the type
// asks, a DATE becomes a timestamp; other values are ORA-00932.
ocisim::Value datetimeFor(const ocisim::Value& v, ub2 dty);

}  // namespace ocisim::oci
