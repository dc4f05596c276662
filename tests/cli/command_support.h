// Runs the built programs as a user does, through the shell, and catches
// their exit status and both output streams.
#pragma once

#include <stdlib.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "support/test_files.h"

namespace command_test {

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// PROGRAM is a file in the build's bin folder; ENV a prefix of NAME=value
// words for its environment.
inline Result RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& env = "") {
  test_files::TempDir dir;
  std::string cmd = env + " " + Quote(std::string(TARLOW_BIN_DIR) + "/" + program);
  for (const auto& a : args) cmd += " " + Quote(a);
  cmd += " >" + dir.File("out") + " 2>" + dir.File("err") + " </dev/null";
  Result r;
  const int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = test_files::ReadAll(dir.File("out"));
  r.err = test_files::ReadAll(dir.File("err"));
  return r;
}

inline Result RunCommand(const std::vector<std::string>& args, const std::string& env = "") {
  return RunProgram("tarlow-script", args, env);
}

}  // namespace command_test
