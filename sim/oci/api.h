// Which entry points a build of the client library exports.
//
// Every variant compiles the same code.  A variant that must lack a group of
// entry points still defines them (the OCI7 calls are built on the OCI8 ones)
// but gives them hidden visibility, so dlsym does not find them:
//   OCISIM_NO_OCI8   an OCI7-only client: no OCI8 or OCI 8.1 names at all
//   OCISIM_NO_OCI81  an 8.0 client: OCI7 and OCI8, no OCIEnvCreate, no direct path
//   OCISIM_BROKEN    neither group complete: no oexn and no OCIStmtPrepare
#pragma once

#define OCISIM_EXPORTED extern "C" __attribute__((visibility("default")))
#define OCISIM_HIDDEN extern "C" __attribute__((visibility("hidden")))

#define OCISIM_API_OCI7 OCISIM_EXPORTED

#if defined(OCISIM_NO_OCI8)
#define OCISIM_API_OCI8 OCISIM_HIDDEN
#define OCISIM_API_OCI81 OCISIM_HIDDEN
#elif defined(OCISIM_NO_OCI81)
#define OCISIM_API_OCI8 OCISIM_EXPORTED
#define OCISIM_API_OCI81 OCISIM_HIDDEN
#else
#define OCISIM_API_OCI8 OCISIM_EXPORTED
#define OCISIM_API_OCI81 OCISIM_EXPORTED
#endif

#if defined(OCISIM_BROKEN)
#define OCISIM_API_OCI7_BROKEN OCISIM_HIDDEN
#define OCISIM_API_OCI8_BROKEN OCISIM_HIDDEN
#else
#define OCISIM_API_OCI7_BROKEN OCISIM_API_OCI7
#define OCISIM_API_OCI8_BROKEN OCISIM_API_OCI8
#endif
