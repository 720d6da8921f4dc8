// show PATH [--whole] [--count N] [--raw]: the stored result of an item, or
// of every item below a group: the text of its last result (errors, the
// no-change notice) and the lines added (and deleted, where the item keeps
// them) in its last N checks, newest first; N 0 (the default) shows the
// last check's lines for a changed item. --whole shows the item's current
// page text instead, with the parts outside its check areas dimmed.
#include <charconv>
#include <string>
#include <vector>

#include "app_context.h"
#include "compare/result_record.h"
#include "platform/sjis.h"
#include "present/display.h"
#include "store/node_path.h"
#include "store/page_settings_io.h"
#include "store/templates.h"
#include "term_pane.h"

namespace ks::cli {
namespace {

// The deepest log count worth asking for: the add logs the rotation keeps.
constexpr int kMaxCount = 25;

std::optional<std::string> take_value(std::vector<std::string>& args, std::string_view flag,
                                      bool& missing) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != flag) continue;
    if (i + 1 >= args.size()) {
      missing = true;
      return std::nullopt;
    }
    std::string v = args[i + 1];
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
               args.begin() + static_cast<std::ptrdiff_t>(i + 2));
    return v;
  }
  return std::nullopt;
}

// The item's settings as the viewer uses them (template applied).
std::optional<store::PageSettings> item_settings(const App& app, store::NodeId id,
                                                 const store::TemplateTable& templates) {
  auto folder = store::node_path(app.tree, id, app.folders.base);
  if (!folder) return std::nullopt;
  store::PageSettings rec;
  rec.node_id = id;
  rec.name = app.tree.find(id)->label;
  rec.folder_path = *folder;
  if (!store::load_item_settings(*folder, rec, store::template_applier(templates))) {
    return std::nullopt;
  }
  return rec;
}

int run_show(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  const bool raw = take_flag(args, "--raw");
  const bool whole = take_flag(args, "--whole");
  bool missing = false;
  const auto count_text = take_value(args, "--count", missing);
  const char* usage = "usage: show PATH [--whole] [--count N] [--raw]";
  if (missing || args.size() != 1) return usage_error(usage);
  int count = 0;
  if (count_text) {
    const char* b = count_text->data();
    const char* e = b + count_text->size();
    auto [p, ec] = std::from_chars(b, e, count);
    if (ec != std::errc() || p != e || count < 0 || count > kMaxCount) {
      return usage_error("--count takes a number from 0 to " + std::to_string(kMaxCount));
    }
  }
  int code = 0;
  auto app = open_app(ctx, code);
  if (!app) return code;
  const store::NodeId id = find_node(*app, args[0], raw);
  if (id == store::kNoNode) return kExitFailure;
  const store::NodeKind kind = app->tree.find(id)->kind();
  if (whole && kind != store::NodeKind::kItem) {
    return usage_error("--whole shows one item's page: " + args[0]);
  }

  TermPane pane(stdout, detect_term_style(stdout, raw), app->options);
  present::DisplayEnv env;
  env.options = &app->options;
  int unreadable = 0;
  app->tree.walk(id, [&](const store::Node& n, int) {
    if (n.kind() != store::NodeKind::kItem) return;
    auto item = item_settings(*app, n.id, app->templates);
    if (!item) {
      ++unreadable;
      return;
    }
    if (whole) {
      present::show_item_result(pane, item->folder_path,
                                compare::read_current_log_number(item->folder_path), true, *item,
                                env);
    } else {
      present::show_stored_result(pane, item->folder_path, *item, count, env);
    }
  });
  pane.show_held();
  if (!pane.received_text() && kind == store::NodeKind::kItem) {
    std::fprintf(stderr, "kestrelscan-cli: nothing to show for %s\n", args[0].c_str());
  }
  if (unreadable > 0) return failure(std::to_string(unreadable) + " item(s) could not be read");
  return kExitOk;
}

const Registrar reg{{"show", "show PATH [--whole] [--count N] [--raw]",
                     "show the stored results of an item, or of every item below a group",
                     &run_show}};

}  // namespace
}  // namespace ks::cli
