// open PATH: opens the item's page (BROWSE_URL, else URL) in the browser:
// the item's own program when it names one, else BROWSER with USE_BROWSER,
// else the desktop's default handler.
#include <string>
#include <vector>

#include "app_context.h"
#include "platform/sjis.h"
#include "present/open_page.h"
#include "store/node_path.h"
#include "store/page_settings_io.h"
#include "store/templates.h"
#include "tree_session.h"

namespace ks::cli {
namespace {

void tell_user(std::string_view text, std::string_view /*title*/) {
  failure(sjis_to_utf8(text));
}

int run_open(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  const bool raw = take_flag(args, "--raw");
  if (args.size() != 1) return usage_error("usage: open PATH");
  int code = 0;
  auto app = open_app(ctx, code);
  if (!app) return code;
  TreeSession session;
  open_tree_session(*app, session, AnswerMode::kNo);
  const store::NodeId id = find_node(*app, args[0], raw);
  if (id == store::kNoNode) return kExitFailure;
  const store::Node* n = app->tree.find(id);
  if (n->kind() != store::NodeKind::kItem && n->kind() != store::NodeKind::kTemplate) {
    return failure("not an item: " + args[0]);
  }
  const auto folder = store::node_path(app->tree, id, app->folders.base);
  store::PageSettings rec = store::default_page_settings();
  if (!folder ||
      !store::load_item_settings(*folder, rec, store::template_applier(session.templates))) {
    return failure("cannot read the item's settings");
  }
  const std::string& url = rec.browse_url.empty() ? rec.url : rec.browse_url;
  if (url.empty()) return failure("the item has no URL");
  present::OpenEnv env;
  env.options = &app->options;
  env.message = &tell_user;
  if (!present::open_address(present::AddressKind::kUrl, url, rec.browser_number, env)) {
    return kExitFailure;
  }
  return kExitOk;
}

const Registrar reg{{"open", "open PATH", "open the item's page in the browser", &run_open}};

}  // namespace
}  // namespace ks::cli
