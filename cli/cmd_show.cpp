// show PATH [--whole] [--count N] [--raw]: the stored result of an item, or
// of every item below a group: the text of its last result (errors, the
// no-change notice) and the lines added (and deleted, where the item keeps
// them) in its last N checks, newest first; without --count, the last
// check's lines of a changed item. --whole shows the item's current page
// text instead, with the parts outside its check areas dimmed. Items are
// named by their paths. When an item has nothing to show, stderr says why
// and what would show something.
#include <charconv>
#include <string>
#include <vector>

#include "app_context.h"
#include "compare/result_record.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "present/display.h"
#include "store/node_path.h"
#include "store/page_settings_io.h"
#include "store/templates.h"
#include "term_pane.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage = "show PATH [--whole] [--count N] [--raw]";

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

// Why one item showed nothing, and what would show something.
std::string nothing_to_show(const store::PageSettings& item, const std::string& path, bool whole) {
  if (!is_regular_file(compare::result_path(item.folder_path))) {
    return format(_("{1} has not been checked yet; to check it now: kestrelscan-cli check {2}"),
                  {path, shell_word(path)});
  }
  if (whole) return format(_("{1} has no page text kept"), {path});
  switch (compare::read_result_code(item.folder_path)) {
    case compare::kResultFirstCheck:
      return format(_("{1} was checked once: its text was kept to compare the next check\n"
                      "with (初期化しました。). '--whole' shows that text."),
                    {path});
    case compare::kResultNoChange:
    case compare::kResultNotModified:
      return format(_("{1} did not change in its last check. '--count N' shows the lines\n"
                      "added in its last N checks; '--whole' shows its current text."),
                    {path});
    default:
      return format(_("nothing to show for {1}. '--count N' shows the lines added in its\n"
                      "last N checks; '--whole' shows its current text."),
                    {path});
  }
}

int run_show(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  const bool raw = take_flag(args, "--raw");
  const bool whole = take_flag(args, "--whole");
  bool missing = false;
  const auto count_text = take_value(args, "--count", missing);
  if (missing || args.size() != 1) return usage_of(kUsage);
  int count = 0;
  if (count_text) {
    const char* b = count_text->data();
    const char* e = b + count_text->size();
    auto [p, ec] = std::from_chars(b, e, count);
    if (ec != std::errc() || p != e || count < 0 || count > kMaxCount) {
      return usage_error(
          format(_("--count takes a number from 0 to {1}"), {std::to_string(kMaxCount)}));
    }
  }
  int code = 0;
  auto app = open_app(ctx, code);
  if (!app) return code;
  const store::NodeId id = find_node(*app, args[0], raw);
  if (id == store::kNoNode) return kExitFailure;
  const store::NodeKind kind = app->tree.find(id)->kind();
  if (whole && kind != store::NodeKind::kItem) {
    return usage_error(format(_("--whole shows one item's page: {1}"), {args[0]}));
  }

  TermPane pane(stdout, detect_term_style(stdout, raw), app->options);
  pane.set_item_paths([&](uint64_t node) { return cli_path(app->tree, node); });
  present::DisplayEnv env;
  env.options = &app->options;
  int unreadable = 0;
  std::optional<store::PageSettings> last;
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
    last = std::move(item);
  });
  pane.show_held();
  if (!pane.received_text() && kind == store::NodeKind::kItem && last) {
    note(nothing_to_show(*last, sjis_to_utf8(cli_path(app->tree, id)), whole));
  }
  if (unreadable > 0) {
    return failure(format(_("{1} item(s) could not be read"), {std::to_string(unreadable)}));
  }
  return kExitOk;
}

const Registrar reg{
    {"show", kUsage, N_("show the stored results of an item, or of every item below a group"),
     &run_show,
     N_("Shows the result of the item's last check: an error, the no-change notice (with\n"
        "NOCHANGE_MSG=1), and the lines the last check added when it found a change.\n"
        "Items are named by their paths.\n"
        "\n"
        "  --count N  the lines added in the item's last N checks, newest first\n"
        "             (0 to 25; 0, the default, shows the last check's lines of a\n"
        "             changed item)\n"
        "  --whole    the item's current page text instead, the parts outside its\n"
        "             check areas dimmed\n"
        "  --raw      names and output as Shift_JIS bytes\n"
        "\n"
        "Deleted lines are kept and shown only for items with DETECT_DELETED_LINES=1\n"
        "(it is 0 by default); see 'kestrelscan-cli set --help' to turn it on.")}};

}  // namespace
}  // namespace ks::cli
