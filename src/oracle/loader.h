// The client library loader: finds the Oracle home and the client library
// file, loads it, binds the entry points by name in groups, tells which
// generations of the call interface the library offers and makes the one
// process-wide initialisation call.  Everything here is process-wide state
// guarded by one lock.
//
// On Linux the registry is the file named by TARLOW_REGISTRY (sections named
// after keys) or values derived from the environment; the library files lie
// under the home's lib/: libclntsh.so first, then libclntsh.so.N.M (highest
// version wins); with no Oracle home the bare name libclntsh.so goes to the
// system loader's search path (Instant Client).
#pragma once

#include <string>

#include "oracle/oci.h"

namespace oci {

// The entry-point table: one typed pointer per name, null where not found or
// not looked up.  Read it through api().
struct Api {
#define OCI_DECLARE_POINTER(name, ret, params) name##_fn name = nullptr;
  OCI7_ENTRY_POINTS(OCI_DECLARE_POINTER)
  OCI7_LOGON_ENTRY_POINTS(OCI_DECLARE_POINTER)
  OCI7_PINIT_ENTRY_POINTS(OCI_DECLARE_POINTER)
  OCI8_ENTRY_POINTS(OCI_DECLARE_POINTER)
  OCI81_ENTRY_POINTS(OCI_DECLARE_POINTER)
  OCI9_ENTRY_POINTS(OCI_DECLARE_POINTER)
#undef OCI_DECLARE_POINTER
};
const Api& api();

// Which groups a library offers completely.
struct Availability {
  bool OCI7 = false, OLog = false, OPInit = false, OCI8 = false, OCI81 = false, OCI9 = false;
};
// Binds a loaded library's entry points group by group, in list order: a
// group's first missing name clears its flag, and the names after it are
// not looked up (left null) while those before it keep their pointers.  The
// OCI7 logon group is looked up only with a complete OCI7 group, process
// init only with the logon group, OCI 8.1 only with a complete OCI8 group.
Availability BindEntryPoints(void* library, Api& api);

// Makes sure the library is loaded, bound and initialised; does nothing if it
// is.  Throws EOracleException "Initialization error\r\n<reason>\r\n\r\n<log>".
void InitOCI();
bool OCILoaded();
// Frees the library, forgets an automatically chosen OCIDLL, clears the
// availability flags, the home key and directory.
void UnloadOCI();

// The registry key of the chosen Oracle home, computed on first use.
std::string FindOracleHome();
// A string value under HKEY_LOCAL_MACHINE; empty on any failure.
std::string ReadRegString(const std::string& key, const std::string& valueName);
// The value of a NAME=value command-line parameter (name matched at the
// start of the parameter, letter case ignored), at most 255 characters.
std::string CommandLineValue(const std::string& name);
// dir + "/" + name, without doubling the separator; name alone for an empty dir.
std::string AppendPath(const std::string& dir, const std::string& name);
// Undoes the working-directory change of a load retry, if nothing else
// changed the directory meanwhile.
void RestoreCurrentDir();
// Loads the transaction-server library beside the client library.  Linux
// clients have none, so this reports "Could not locate".
void InitMTS();
bool MTSLoaded();

// The library file to load.  Setting it before loading forces it.
std::string OCIDLL();
void SetOCIDLL(const std::string& path);
// Whether OCIDLL was chosen by the loader (an unload then forgets it).
bool OCIDLLChosenAutomatically();

std::string OracleHomeKey();
std::string OracleHomeDir();
std::string OracleHomeName();
// Diagnostic lines of the last load attempt, joined by CRLF.
std::string InitLog();

bool OCI7Available();
bool OLogAvailable();
bool OPInitAvailable();
bool OCI8Available();
bool OCI81Available();

// Tests: unload and forget everything, forced OCIDLL and the log included.
void ResetLoader();

}  // namespace oci
