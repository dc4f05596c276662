#include "cli/cli_options.h"

#include <algorithm>

#include "platform/ini_file.h"

namespace tarlow::cli {

namespace {

// Parameter names are ASCII and compared as ASCII, whatever the locale.
bool StartsWithIgnoringCase(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && platform::equalsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

std::vector<std::string> SplitList(const std::string& flag, const std::string& value) {
  std::vector<std::string> items;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = value.find(',', start);
    std::string item = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (item.empty()) throw UsageError(flag + ": empty name in \"" + value + "\"");
    items.push_back(std::move(item));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

std::string OptionNames() {
  std::string names;
  for (const auto& info : OptionBoxTable()) {
    if (info.Box == OptionBox::All) continue;
    if (!names.empty()) names += ", ";
    names += info.Option;
  }
  return names;
}

std::vector<OptionBox> ParseBoxes(const std::string& flag, const std::string& value) {
  std::vector<OptionBox> named;
  for (const std::string& name : SplitList(flag, value)) {
    auto box = OptionBoxByName(name);
    if (!box) throw UsageError(flag + ": unknown option \"" + name + "\" (known: " + OptionNames() + ")");
    named.push_back(*box);
  }
  // The window's order, so that a box is ticked after the box that enables
  // it (drop-tables before casc-constraints, sequences before drop-sequences).
  std::vector<OptionBox> ordered;
  for (const auto& info : OptionBoxTable())
    if (std::find(named.begin(), named.end(), info.Box) != named.end()) ordered.push_back(info.Box);
  return ordered;
}

// The box whose ticking enables a box that starts disabled.
std::optional<OptionBox> Enabler(OptionBox box) {
  if (box == OptionBox::CascConstraints) return OptionBox::DropTables;
  if (box == OptionBox::DropSeq) return OptionBox::Sequences;
  return std::nullopt;
}

void Tick(OptionBoxes& boxes, OptionBox box) {
  if (!boxes.Enabled(box)) {
    std::string why;
    if (auto e = Enabler(box)) why = " while " + std::string(OptionBoxInfoOf(*e).Option) + " is clear";
    throw UsageError("cannot tick " + std::string(OptionBoxInfoOf(box).Option) + why);
  }
  boxes.SetChecked(box, true);
}

}  // namespace

CliOptions ParseCommandLine(const std::vector<std::string>& args) {
  CliOptions o;
  bool haveDatabase = false;
  bool haveUser = false;
  bool havePassword = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg == "--help" || arg == "-h") {
      o.help = true;
      return o;
    }
    // Only a parameter of its own steers the loader: the value of a flag
    // (a password, say) that happens to start the same way is that flag's.
    if (StartsWithIgnoringCase(arg, "OCIDLL=") || StartsWithIgnoringCase(arg, "ORACLEHOME=")) {
      o.loaderParameters.push_back(arg);
      continue;
    }
    if (arg == "--all") {
      o.actions.push_back({BoxAction::All, {}});
      continue;
    }
    std::optional<std::string> inlineValue;
    if (arg.rfind("--", 0) == 0) {
      if (const auto eq = arg.find('='); eq != std::string::npos) {
        inlineValue = arg.substr(eq + 1);
        arg.erase(eq);
      }
    }
    static const char* const kValued[] = {"--database", "--user",  "--password", "--output",
                                          "--tables",   "--only",  "--with",     "--without"};
    if (std::find(std::begin(kValued), std::end(kValued), arg) == std::end(kValued)) {
      if (arg == "--all") throw UsageError("--all takes no value");
      throw UsageError("unknown argument \"" + args[i] + "\"");
    }
    std::string value;
    if (inlineValue) {
      value = *inlineValue;
    } else {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      value = args[++i];
    }
    if (arg == "--database") {
      o.database = value, haveDatabase = true;
    } else if (arg == "--user") {
      o.user = value, haveUser = true;
    } else if (arg == "--password") {
      o.password = value, havePassword = true;
    } else if (arg == "--output") {
      if (value.empty()) throw UsageError("--output needs a file name");
      o.output = value;
    } else if (arg == "--tables") {
      if (!o.tables) o.tables.emplace();
      for (auto& t : SplitList(arg, value)) o.tables->push_back(std::move(t));
    } else if (arg == "--only") {
      o.actions.push_back({BoxAction::Only, ParseBoxes(arg, value)});
    } else if (arg == "--with") {
      o.actions.push_back({BoxAction::With, ParseBoxes(arg, value)});
    } else {
      o.actions.push_back({BoxAction::Without, ParseBoxes(arg, value)});
    }
  }
  if (!haveDatabase) throw UsageError("--database is required");
  if (!haveUser || o.user.empty()) throw UsageError("--user is required");
  if (!havePassword || o.password.empty()) throw UsageError("--password is required");
  return o;
}

void ApplyBoxActions(OptionBoxes& boxes, const std::vector<BoxAction>& actions) {
  for (const BoxAction& a : actions) {
    switch (a.kind) {
      case BoxAction::All:
        boxes.SetChecked(OptionBox::All, true);
        break;
      case BoxAction::Only:
        for (const auto& info : OptionBoxTable()) boxes.SetChecked(info.Box, false);
        for (OptionBox b : a.boxes) Tick(boxes, b);
        break;
      case BoxAction::With:
        for (OptionBox b : a.boxes) Tick(boxes, b);
        break;
      case BoxAction::Without:
        for (OptionBox b : a.boxes) boxes.SetChecked(b, false);
        break;
    }
  }
}

const char* HelpText() {
  return R"(Usage: tarlow-script --database NAME --user USER --password TEXT
                     [--output FILE] [--tables NAME,...]
                     [--all] [--only OPTION,...] [--with OPTION,...]
                     [--without OPTION,...] [OCIDLL=path] [ORACLEHOME=name]

Logs on to an Oracle database as USER and writes an SQL script that
recreates the user's schema: the same script that Tarlow's window writes
with "To Text File" ticked, byte for byte, with CR LF line breaks.

  --database NAME     net service name (database alias) to log on to
  --user USER         the schema owner to log on as
  --password TEXT     the user's password
  --output FILE       write the script to FILE (created or truncated);
                      without it the script goes to standard output
  --tables NAME,...   script only these tables (exact names, in the order
                      of the table list); without it every table of the user
  --all               tick "All": every option below except data, and
                      tablespaces
  --only OPTION,...   clear every option, then tick the ones named
  --with OPTION,...   tick the options named
  --without OPTION,...
                      clear the options named
  OCIDLL=path         load this Oracle client library
  ORACLEHOME=name     use the Oracle home of this name
  --help              show this text

The options start as in the window: tables, comments, indexes,
col-constraints, triggers, defaults, procedures, functions, sequences,
drop-sequences, views, tablespaces and packages ticked.  The flags act in
the order given, and each change runs the same interlocks as the window:
  tables, indexes    ticking either also ticks tablespaces
  comments           ticking it also ticks tables (and so tablespaces)
  sequences          clearing it clears drop-sequences, which cannot be
                     ticked while sequences is clear
  drop-tables        casc-constraints can be ticked only while drop-tables
                     is ticked; clearing drop-tables clears it
Within one flag the named options are changed in the window's order.

OPTION names: tables, drop-tables, casc-constraints, comments, indexes,
col-constraints, triggers, defaults, procedures, functions, sequences,
drop-sequences, views, tablespaces, data, packages, create-table-comments,
create-column-comments, primary-keys, foreign-keys, drop-orphans,
check-constraints.

Progress lines go to standard error.

Exit status:
  0  the script was written in full
  1  the run failed (a named table that does not exist, a database or
     output error); a script file named by --output is left as it was
  2  bad usage
  3  the logon failed (the server's message is shown)
  4  the script was written but parts were left out (a section whose
     dictionary view could not be read, a value cut or not scripted, an
     object that could not be scripted); each cause is named on standard
     error and in a comment at the end of the script
)";
}

}  // namespace tarlow::cli
