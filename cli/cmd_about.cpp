// about: what this build can use on this machine, as the desktop about box
// lists it: the program's version, zlib and OpenSSL, the regular-expression
// library, and the browser component (its browser's version, or that items
// with USE_SCRIPT 1 cannot be fetched because no browser was found).
#include <cstdio>
#include <string>
#include <vector>

#include "check/browser_component_fetch.h"
#include "command.h"
#include "compare/regex.h"
#include "net/about.h"
#include "net/tls.h"
#include "platform/appdir.h"
#include "platform/sjis.h"
#include "store/folders.h"

namespace ks::cli {
namespace {

int run_about(Context& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return usage_error("usage: about");
  std::optional<std::string_view> home;
  if (ctx.home) home = *ctx.home;
  const auto folder = resolve_app_folder(home);
  if (!folder)
    return failure("cannot name the application folder (set --home or KESTRELSCAN_HOME)");
  store::Folders folders;
  if (!store::prepare_app_folders(*folder, folders)) {
    return failure("cannot create the work folder " + sjis_to_utf8(folders.work));
  }
  std::printf("kestrelscan-cli %s\n", KS_VERSION);
  net::TlsLibrary tls;
  tls.load_for_application();
  compare::RegexLibrary regex;
  regex.load();
  std::string lines = net::library_version_lines(tls);
  lines += regex.version_line();
  lines += check::browser_component_line(check::browser_component_info(folders, true));
  std::string out;
  for (const char c : lines) {
    if (c != '\r') out += c;
  }
  print_text(out);
  return kExitOk;
}

const Registrar reg{{"about", "about",
                     "show the version and what this machine offers (TLS, regular expressions, "
                     "browser component)",
                     &run_about}};

}  // namespace
}  // namespace ks::cli
