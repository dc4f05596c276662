// tarlow-script: the scripting run without a window.
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_host.h"
#include "oracle/session.h"

int main(int argc, char** argv) {
  // The table list sorts in the process locale, as the window's does.
  std::setlocale(LC_ALL, "");
  // ORACLEHOME= and OCIDLL= steer the client library choice; the command's
  // own parsing hands the loader only those that stand as parameters of
  // their own, never a flag's value.
  const std::vector<std::string> args(argv + 1, argv + argc);
  const int rc = tarlow::cli::RunTarlowScript(args, stdout, stderr);
  // Every session is logged off before the client library goes.
  TOracleSession::ProgramEnd();
  if (std::fflush(stdout) != 0 && rc == 0) {
    std::fputs("tarlow-script: cannot write the script to standard output\n", stderr);
    return 1;
  }
  return rc;
}
