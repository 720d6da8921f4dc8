// The command table of kestrelscan-cli. Each command lives in its own file
// cli/cmd_<name>.cpp and registers itself with a static Registrar:
//
//   static const ks::cli::Registrar reg{{"add", "add URL [--name NAME] [--group PATH]",
//                                        N_("add a page"), &run_add, nullptr}};
//
// Arguments arrive as UTF-8 (as the terminal gives them); convert with
// to_core() before they reach the core, and print core text with print_text().
// The CLI's own messages are English marked for translation (i18n.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "i18n.h"

namespace ks::cli {

// Exit statuses, the same in every command (main.cpp prints the table in
// --help; README.md and the man page repeat it).
inline constexpr int kExitOk = 0;
// The command could not do its work (no such item, a file that cannot be
// read or written, the data folder in use...); find and search-logs: no match.
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;       // unknown command or option, bad argument
inline constexpr int kExitItemErrors = 3;  // check ran to its end; some items ended in an error
inline constexpr int kExitStopped = 130;   // check was stopped (Ctrl+C, SIGTERM)

// What the global options before the command name set up.
struct Context {
  std::optional<std::string> home;  // --home DIR, as given (UTF-8)
};

using CommandFn = int (*)(Context& ctx, const std::vector<std::string>& args);

struct Command {
  const char* name;
  const char* usage;    // e.g. "get PATH [KEY...]"; never translated
  const char* summary;  // one line for `help`, marked N_()
  CommandFn run;
  const char* details;  // more for `COMMAND --help` (N_(), lines of at most 78), or nullptr
};

void register_command(const Command& c);
const std::vector<Command>& commands();

struct Registrar {
  explicit Registrar(const Command& c) { register_command(c); }
};

// One-line messages on stderr, "kestrelscan-cli: ..." (terminal_safe); they return the exit
// status to hand back, so `return usage_error("...")` reads naturally.
int usage_error(std::string_view message);
int failure(std::string_view message);
// "usage: kestrelscan-cli USAGE" as a usage error.
int usage_of(std::string_view usage);
// A one-line note on stderr that is no failure ("kestrelscan-cli: ...").
void note(std::string_view message);

// UTF-8 argument -> Shift_JIS core text; '?' for characters without a form.
std::string to_core(std::string_view utf8);
// Text as it may reach a terminal: every control byte but TAB and LF
// becomes '?'. Names and lines come from pages and imported files; an ESC
// would drive the terminal, a CR or BS would overwrite what was printed and
// forge an output line. UTF-8 or Shift_JIS (neither has such a byte inside
// a character).
std::string terminal_safe(std::string_view text);
// Whether text holds a control byte (below 0x20, or 0x7F): names and URLs
// given on the command line are refused with one, as the tree refuses them.
bool has_control_bytes(std::string_view text);
// Core (Shift_JIS) text -> stdout as UTF-8, or as raw bytes when `raw`;
// terminal_safe in both cases.
void print_text(std::string_view sjis, bool raw = false);
void print_line(std::string_view sjis, bool raw = false);

}  // namespace ks::cli
