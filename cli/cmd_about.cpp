// about: what this build can use on this machine, as the desktop about box
// lists it: the program's version, zlib and OpenSSL, the regular-expression
// library, and the browser component (its browser's version, or that items
// with USE_SCRIPT 1 cannot be fetched because no browser was found).
#include <cstdio>
#include <string>
#include <vector>

#include "app_context.h"
#include "check/browser_component_fetch.h"
#include "command.h"
#include "compare/regex.h"
#include "net/about.h"
#include "net/tls.h"
#include "platform/sjis.h"

namespace ks::cli {
namespace {

int run_about(Context& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return usage_of("about");
  int code = 0;
  const auto app = open_core(ctx, code);
  if (!app) return code;
  std::printf("kestrelscan-cli %s\n", KS_VERSION);
  std::string lines = net::library_version_lines(net::process_tls());
  lines += compare::RegexLibrary::shared().version_line();
  lines += check::browser_component_line(check::browser_component_info(app->folders, true));
  std::string out;
  for (const char c : lines) {
    if (c != '\r') out += c;
  }
  print_text(out);
  return kExitOk;
}

const Registrar reg{{"about", "about",
                     N_("show the version and what this machine offers (TLS, regular "
                        "expressions, browser component)"),
                     &run_about, nullptr}};

}  // namespace
}  // namespace ks::cli
