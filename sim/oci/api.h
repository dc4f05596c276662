// How the client library's entry points are declared.
//
// The code is compiled once; the library variants that lack a group of entry
// points (for the loader's tests) are linked from the same objects with a
// version script that makes those names local, so dlsym does not find them
// (see sim/variants/).  Within this code every entry point is exported.
#pragma once

#define OCISIM_EXPORTED extern "C" __attribute__((visibility("default")))

#define OCISIM_API_OCI7 OCISIM_EXPORTED
#define OCISIM_API_OCI8 OCISIM_EXPORTED
#define OCISIM_API_OCI81 OCISIM_EXPORTED
// The names the incomplete variant lacks (oexn, OCIStmtPrepare).
#define OCISIM_API_OCI7_BROKEN OCISIM_API_OCI7
#define OCISIM_API_OCI8_BROKEN OCISIM_API_OCI8
