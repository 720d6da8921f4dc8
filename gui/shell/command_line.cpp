#include "shell/command_line.h"

namespace ks::gui {

CommandLine parse_command_line(const std::vector<std::string>& args) {
  CommandLine cl;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "/DISABLE_STARTUP_OPTIONS" || a == "--disable-startup-options") {
      cl.disable_startup_options = true;
    } else if (a == "/MINIMIZE" || a == "--minimize") {
      cl.minimize = true;
    } else if (a == "/CHECK_ALL_ITEMS" || a == "--check-all-items") {
      cl.check_all_items = true;
    } else if (a == "--help" || a == "-h") {
      cl.help = true;
    } else if (a == "--version") {
      cl.version = true;
    } else if (a == "--home") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        cl.error = "--home needs a folder";
      } else {
        cl.home = args[++i];
      }
    } else if (a.rfind("--home=", 0) == 0) {
      if (a.size() == 7) {
        cl.error = "--home needs a folder";
      } else {
        cl.home = a.substr(7);
      }
    }
    // Anything else (desktop session arguments, words of other versions,
    // wrong case) is ignored, as the start-up words always were.
  }
  return cl;
}

std::string usage_text() {
  return "usage: kestrelscan [--home DIR] [/DISABLE_STARTUP_OPTIONS] [/MINIMIZE] "
         "[/CHECK_ALL_ITEMS]\n"
         "\n"
         "The Kestrelscan desktop app: keeps a tree of web pages and shows what changed.\n"
         "\n"
         "  --home DIR                 the application folder (kestrelscan.ini, data/)\n"
         "  /DISABLE_STARTUP_OPTIONS   ignore START_MINIMIZED and STARTUP_CHECK this time\n"
         "      (also --disable-startup-options)\n"
         "  /MINIMIZE                  start minimised (also --minimize)\n"
         "  /CHECK_ALL_ITEMS           check every item once the window is up\n"
         "      (also --check-all-items)\n"
         "  --help                     this text\n"
         "  --version                  the version\n"
         "\n"
         "The words starting with '/' are matched with exact case; unknown words are\n"
         "ignored. Without --home the folder is $KESTRELSCAN_HOME, the program's own\n"
         "folder when it holds kestrelscan.ini, or ~/.local/share/kestrelscan.\n"
         "A second start on the same data folder brings the running window forward.\n";
}

StartupChoice startup_choice(const CommandLine& cl, bool start_minimized, bool startup_check) {
  StartupChoice c;
  const bool options_apply = !cl.disable_startup_options;
  c.minimized = cl.minimize || (start_minimized && options_apply);
  c.check = cl.check_all_items || (startup_check && options_apply);
  return c;
}

}  // namespace ks::gui
