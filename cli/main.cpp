// kestrelscan-cli: the headless front end. Global options come before the
// command name; each command parses its own arguments.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command.h"

namespace {

using ks::cli::format;

// How PATH arguments are written (parsed by split_path() in app_context).
constexpr const char* kPathHelp =
    N_("PATH names a group, item or template by its labels from the top, joined with '/'\n"
       "(\"\" is the top level). Within a label, write '/' as \\/ and '\\' as \\\\. Output\n"
       "names items by their paths written the same way, so a printed path can be typed\n"
       "back.");

// The exit statuses of every command (command.h); README.md and the manual
// give the same table.
constexpr const char* kExitHelp =
    N_("exit status:\n"
       "  0    done; for check: every item was checked without an error\n"
       "  1    failed: the command could not do its work (no such item, a file that\n"
       "       cannot be read or written, the data folder in use...); for find and\n"
       "       search-logs: nothing matched\n"
       "  2    usage error: unknown command or option, bad argument\n"
       "  3    check ran to its end, but some items ended in an error (network, HTTP,\n"
       "       check area not found, system error)\n"
       "  75   check --due found the data folder in use (the desktop app runs the\n"
       "       schedule itself) and checked nothing; try again later\n"
       "  130  check was stopped (Ctrl+C or SIGTERM); unfinished items are unchanged");

void print_help() {
  std::puts(_("usage: kestrelscan-cli [--home DIR] COMMAND [ARGS...]\n"));
  std::puts(
      _("The application folder is DIR, else $KESTRELSCAN_HOME, else the executable's\n"
        "folder when it holds kestrelscan.ini, else ~/.local/share/kestrelscan.\n"));
  std::puts(_("commands:"));
  auto cmds = ks::cli::commands();
  std::sort(cmds.begin(), cmds.end(),
            [](const auto& a, const auto& b) { return std::strcmp(a.name, b.name) < 0; });
  // A long usage line gets its summary on the next line, under the others.
  constexpr int kUsageColumn = 44;
  for (const auto& c : cmds) {
    if (std::strlen(c.usage) <= kUsageColumn) {
      std::printf("  %-*s %s\n", kUsageColumn, c.usage, _(c.summary));
    } else {
      std::printf("  %s\n  %-*s %s\n", c.usage, kUsageColumn, "", _(c.summary));
    }
  }
  std::printf("\n%s\n", _(kPathHelp));
  std::printf("\n%s\n",
              _("Checks show the lines added to a page; deleted lines only for items set to\n"
                "keep them (DETECT_DELETED_LINES=1, see 'kestrelscan-cli set --help')."));
  std::printf("\n%s\n", _(kExitHelp));
  std::printf("\n%s\n", _("'kestrelscan-cli COMMAND --help' shows a command's usage and details;\n"
                          "'man kestrelscan-cli' shows the manual."));
}

void print_command_help(const ks::cli::Command& c) {
  std::printf("%s\n%s\n", format(_("usage: kestrelscan-cli {1}"), {c.usage}).c_str(), _(c.summary));
  if (c.details) std::printf("\n%s\n", _(c.details));
  if (std::strstr(c.usage, "PATH")) std::printf("\n%s\n", _(kPathHelp));
  std::printf("\n%s\n", _(kExitHelp));
}

}  // namespace

int main(int argc, char** argv) {
  ks::cli::init_messages();
  ks::cli::Context ctx;
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--home") {
      if (i + 1 >= argc) return ks::cli::usage_error(_("--home needs a folder"));
      ctx.home = argv[++i];
    } else if (a.rfind("--home=", 0) == 0) {
      ctx.home = a.substr(7);
    } else if (a == "--help" || a == "-h" || a == "help") {
      print_help();
      return ks::cli::kExitOk;
    } else if (!a.empty() && a[0] == '-') {
      return ks::cli::usage_error(format(_("unknown option: {1}"), {a}));
    } else {
      break;
    }
  }
  if (i >= argc) {
    print_help();
    return ks::cli::kExitUsage;
  }
  std::string name = argv[i];
  std::vector<std::string> args(argv + i + 1, argv + argc);
  for (const auto& c : ks::cli::commands()) {
    if (name == c.name) {
      if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        print_command_help(c);
        return ks::cli::kExitOk;
      }
      return c.run(ctx, args);
    }
  }
  return ks::cli::usage_error(
      format(_("unknown command: {1} (try kestrelscan-cli --help)"), {name}));
}
