// template add NAME --match TEXT [--browse-url URL]: a new template whose
// settings apply to items whose URL contains TEXT (exact case); at most 50.
// template list: the templates in matching order with their match texts.
#include <string>
#include <vector>

#include "platform/sjis.h"
#include "store/page_settings_io.h"
#include "tree_session.h"

namespace ks::cli {
namespace {

int run_add(App& app, TreeSession& s, std::vector<std::string> args, bool raw) {
  std::optional<std::string> match;
  std::optional<std::string> browse;
  std::vector<std::string> plain;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--match" || args[i] == "--browse-url") {
      if (i + 1 >= args.size()) return usage_error(format(_("{1} needs a value"), {args[i]}));
      (args[i] == "--match" ? match : browse) = args[i + 1];
      ++i;
    } else if (args[i].rfind("--", 0) == 0) {
      return usage_error(format(_("unknown option: {1}"), {args[i]}));
    } else {
      plain.push_back(args[i]);
    }
  }
  if (plain.size() != 1 || !match) {
    return usage_of("template add NAME --match TEXT [--browse-url URL]");
  }
  auto name = core_text(plain[0], raw);
  auto text = core_text(*match, raw);
  auto browse_url = core_text(browse.value_or(""), raw);
  if (!name || name->empty() || !text || !browse_url) {
    return usage_error(_("the name is empty or has characters without a Shift_JIS form"));
  }
  if (has_control_bytes(*name) || has_control_bytes(*text) || has_control_bytes(*browse_url)) {
    return usage_error(_("the name, match text and URL cannot hold control characters"));
  }
  if (text->size() >= store::kUrlCapacity || browse_url->size() >= store::kUrlCapacity) {
    return usage_error(_("the match text and the URL hold at most 2100 bytes"));
  }
  if (app.templates.full()) {
    return failure(
        format(_("there are already {1} templates"), {std::to_string(store::kMaxTemplates)}));
  }
  auto plan = store::plan_new_node(*s.ctx, app.tree.template_root(), *name);
  if (!plan) return failure(sjis_to_utf8(KS_SJ("サイト名が長すぎます。")));
  store::PageSettings rec = plan->record;
  rec.url = *text;
  rec.browse_url = *browse_url;
  store::CreateResult r = store::create_planned_node(*s.ctx, *plan, rec);
  if (r.status != store::CreateStatus::kOk) return kExitFailure;
  print_line(cli_path(app.tree, r.node), raw);
  return kExitOk;
}

int run_list(const App& app, bool raw) {
  std::size_t index = 0;
  for (store::NodeId id : app.tree.find(app.tree.template_root())->children) {
    const store::Node* n = app.tree.find(id);
    if (!n) continue;
    ++index;
    const store::PageSettings* rec = app.templates.find_by_node(id);
    std::string line = std::to_string(index) + "  " + n->label + "  ";
    line += rec ? KS_SJ("URLに含まれる文字列: ") + "\"" + rec->url + "\""
                : to_core(_("(not used: over 50)"));
    print_line(line, raw);
  }
  return kExitOk;
}

constexpr const char* kUsage = "template add NAME --match TEXT [--browse-url URL] | list";

int run_template(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  bool raw = take_flag(args, "--raw");
  if (args.empty() || (args[0] != "add" && args[0] != "list")) {
    return usage_of(kUsage);
  }
  const std::string sub = args[0];
  args.erase(args.begin());
  if (sub == "list" && !args.empty()) return usage_of("template list");
  int code = 0;
  auto app = sub == "add" ? open_app(ctx, code, app::Access::kChange, "template add")
                          : open_app(ctx, code);
  if (!app) return code;
  TreeSession s;
  open_tree_session(*app, s, AnswerMode::kNo);
  return sub == "add" ? run_add(*app, s, std::move(args), raw) : run_list(*app, raw);
}

const Registrar reg{{"template", kUsage,
                     N_("add a template or list the templates in matching order"), &run_template,
                     nullptr}};

}  // namespace
}  // namespace ks::cli
