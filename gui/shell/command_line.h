// The desktop app's command line: the three start-up words, compared with
// exact case ("/minimize" is an unknown word and unknown words are ignored),
// their GNU-style spellings, --home DIR (or --home=DIR), --help and
// --version. Pure; no Qt.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ks::gui {

struct CommandLine {
  bool disable_startup_options = false;  // /DISABLE_STARTUP_OPTIONS
  bool minimize = false;                 // /MINIMIZE
  bool check_all_items = false;          // /CHECK_ALL_ITEMS
  std::optional<std::string> home;       // --home DIR (UTF-8)
  bool help = false;
  bool version = false;
  std::string error;  // a usage error ("--home needs a folder"); empty when fine
};

// `args` without the program name.
CommandLine parse_command_line(const std::vector<std::string>& args);

// The --help text (UTF-8, ends in a line break).
std::string usage_text();

// Whether the start-up options START_MINIMIZED and STARTUP_CHECK apply.
struct StartupChoice {
  bool minimized = false;
  bool check = false;
};
StartupChoice startup_choice(const CommandLine& cl, bool start_minimized, bool startup_check);

}  // namespace ks::gui
