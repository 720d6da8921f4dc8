// open PATH: opens the item's page (BROWSE_URL, else URL) in the browser:
// the item's own program when it names one, else BROWSER with USE_BROWSER,
// else the desktop's default handler.
#include <string>
#include <vector>

#include "app_context.h"
#include "platform/sjis.h"
#include "present/open_page.h"
#include "store/page_settings_io.h"
#include "store/templates.h"

namespace ks::cli {
namespace {

void tell_user(std::string_view text, std::string_view /*title*/) {
  failure(sjis_to_utf8(text));
}

int run_open(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  const bool raw = take_flag(args, "--raw");
  if (args.size() != 1) return usage_of("open PATH [--raw]");
  int code = 0;
  auto app = open_app(ctx, code);
  if (!app) return code;
  const auto page = find_page(*app, args[0], raw);
  if (!page) return kExitFailure;
  store::PageSettings rec = store::default_page_settings();
  if (!store::load_item_settings(page->folder, rec, store::template_applier(app->templates))) {
    return failure(_("cannot read the item's settings"));
  }
  const std::string& url = rec.browse_url.empty() ? rec.url : rec.browse_url;
  if (url.empty()) return failure(_("the item has no URL"));
  present::OpenEnv env;
  env.options = &app->options;
  env.message = &tell_user;
  if (!present::open_address(present::AddressKind::kUrl, url, rec.browser_number, env)) {
    return kExitFailure;
  }
  return kExitOk;
}

const Registrar reg{
    {"open", "open PATH [--raw]", N_("open the item's page in the browser"), &run_open, nullptr}};

}  // namespace
}  // namespace ks::cli
