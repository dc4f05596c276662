// tarlow-script's command line: parsing, the option box changes in the order
// given, and the help text.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "script/option_boxes.h"

namespace tarlow::cli {

// Bad usage: exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One box-changing flag, applied in command-line order.
struct BoxAction {
  enum Kind { All, Only, With, Without };
  Kind kind;
  std::vector<OptionBox> boxes;  // in the window's order, without repeats
};

struct CliOptions {
  bool help = false;
  std::string database;
  std::string user;
  std::string password;
  std::optional<std::string> output;       // standard output when absent
  std::optional<std::vector<std::string>> tables;  // all tables when absent
  std::vector<BoxAction> actions;
  // The OCIDLL= and ORACLEHOME= parameters, for the client library loader.
  std::vector<std::string> loaderParameters;
};

// Parses the parameters (without the program name).  OCIDLL= and
// ORACLEHOME= parameters standing on their own are accepted and collected
// for the client library loader; as the value of a flag they are that value.
// Throws UsageError.
CliOptions ParseCommandLine(const std::vector<std::string>& args);

// Applies the actions to the boxes as a user would in the window: --all
// ticks "All", --only clears every box and then ticks the named ones,
// --with ticks and --without clears; every change runs the box's interlock.
// A box that the window shows disabled at that moment cannot be ticked
// (UsageError naming the box that enables it).
void ApplyBoxActions(OptionBoxes& boxes, const std::vector<BoxAction>& actions);

const char* HelpText();

}  // namespace tarlow::cli
