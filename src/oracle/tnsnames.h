// The net service name list: the alias names of the client's tnsnames.ora
// and of every file it includes, in one process-wide list sorted without
// regard to letter case and holding each name once, as first met.
//
// The names file is TNS_ADMIN's directory, else the registry's TNS_ADMIN
// values, else the Oracle home's network/admin (net80/admin for an 8.0
// client).  The file is read with a small parenthesis-counting scanner: only
// text outside parentheses counts, so a description spread over many lines
// is skipped as a whole.
#pragma once

#include <string>
#include <vector>

namespace oci {

// Empties the list and reads the names file again.  Throws what InitOCI
// throws when no client library can be loaded; the list then stays empty.
void RebuildNetServiceNames();
// The list, built on first use.  It belongs to this module.
const std::vector<std::string>& NetServiceNames();
// Full path of the names file, computed once per run.
std::string TnsNamesPath();
// Adds the names of the file at path and of the files it includes.  A file
// is read at most once per call, so a file that includes itself, directly
// or through others, ends the loop.  A missing file adds nothing; a file
// that exists but cannot be read throws std::system_error.
void ParseTnsNames(const std::string& path);

// Tests: forget the list and the computed path.
void ResetNetServiceNames();

}  // namespace oci
