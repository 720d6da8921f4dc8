// kestrelscan-cli: the headless front end. Global options come before the
// command name; each command parses its own arguments.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command.h"

namespace {

// How PATH arguments are written (parsed by split_path() in app_context).
constexpr const char* kPathHelp =
    "PATH names a group, item or template by its labels from the top, joined with '/'\n"
    "(\"\" is the top level). Within a label, write '/' as \\/ and '\\' as \\\\; paths\n"
    "are printed the same way, so a printed path can be typed back.";

void print_help() {
  std::puts("usage: kestrelscan-cli [--home DIR] COMMAND [ARGS...]\n");
  std::puts("The application folder is DIR, else $KESTRELSCAN_HOME, else the executable's");
  std::puts("folder when it holds kestrelscan.ini, else ~/.local/share/kestrelscan.\n");
  std::puts("commands:");
  auto cmds = ks::cli::commands();
  std::sort(cmds.begin(), cmds.end(),
            [](const auto& a, const auto& b) { return std::strcmp(a.name, b.name) < 0; });
  for (const auto& c : cmds) std::printf("  %-44s %s\n", c.usage, c.summary);
  std::printf("\n%s\n", kPathHelp);
  std::puts("\n'kestrelscan-cli COMMAND --help' shows a command's usage.");
}

}  // namespace

int main(int argc, char** argv) {
  ks::cli::Context ctx;
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--home") {
      if (i + 1 >= argc) return ks::cli::usage_error("--home needs a folder");
      ctx.home = argv[++i];
    } else if (a.rfind("--home=", 0) == 0) {
      ctx.home = a.substr(7);
    } else if (a == "--help" || a == "-h" || a == "help") {
      print_help();
      return ks::cli::kExitOk;
    } else if (!a.empty() && a[0] == '-') {
      return ks::cli::usage_error("unknown option: " + a);
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
        std::printf("usage: kestrelscan-cli %s\n%s\n", c.usage, c.summary);
        if (std::strstr(c.usage, "PATH")) std::printf("\n%s\n", kPathHelp);
        return ks::cli::kExitOk;
      }
      return c.run(ctx, args);
    }
  }
  return ks::cli::usage_error("unknown command: " + name + " (try --help)");
}
