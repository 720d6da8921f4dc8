// find [--name TEXT] [--url TEXT] [--within N UNIT | --older-than N UNIT]
//      [--include-no-info] [--include-disabled] [PATH]
// Lists the nodes from PATH on (the root by default) whose name holds TEXT,
// whose URL holds TEXT and that changed within (or not for more than) N
// minutes, hours, days, months (30 days) or years (365 days), N from 1 to
// 99. One line per match: its age (with a time criterion) and its path, a
// group's with a trailing '/'. No match: a note on stderr and status 1.
#include <string>
#include <vector>

#include "app/item_search.h"
#include "app_context.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "store/node_path.h"
#include "store/page_settings.h"
#include "store/page_settings_io.h"
#include "term_pane.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage =
    "find [--name TEXT] [--url TEXT] [--within N UNIT | --older-than N UNIT] "
    "[--include-no-info] [--include-disabled] [PATH] [--raw]";

std::optional<app::AgeUnit> parse_unit(std::string_view u) {
  if (u == "minute" || u == "minutes" || u == "min" || u == "m" || u == "分") {
    return app::AgeUnit::kMinutes;
  }
  if (u == "hour" || u == "hours" || u == "h" || u == "時間") return app::AgeUnit::kHours;
  if (u == "day" || u == "days" || u == "d" || u == "日") return app::AgeUnit::kDays;
  if (u == "month" || u == "months" || u == "ヶ月") return app::AgeUnit::kMonths;
  if (u == "year" || u == "years" || u == "y" || u == "年") return app::AgeUnit::kYears;
  return std::nullopt;
}

std::string parse(std::vector<std::string>& args, bool raw, app::ItemSearchSettings& s,
                  std::vector<std::string>& plain) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--name" || a == "--url") {
      if (i + 1 >= args.size()) return format(_("{1} needs a value"), {a});
      const auto text = core_text(args[++i], raw);
      if (!text) return format(_("{1}: the text has no Shift_JIS form"), {a});
      if (text->size() > app::kSearchTextMax) return format(_("{1}: at most 128 bytes"), {a});
      (a == "--name" ? s.use_name : s.use_url) = true;
      (a == "--name" ? s.name : s.url) = *text;
    } else if (a == "--within" || a == "--older-than") {
      if (s.use_time) return _("give only one of --within and --older-than");
      if (i + 2 >= args.size()) return format(_("{1} needs a count and a unit"), {a});
      const std::string& n = args[i + 1];
      if (n.empty() || n.size() > 2 || n.find_first_not_of("0123456789") != std::string::npos ||
          std::stoi(n) < 1) {
        return format(_("{1}: the count must be a whole number from 1 to 99"), {a});
      }
      const auto unit = parse_unit(args[i + 2]);
      if (!unit) {
        return format(_("{1}: the unit must be minutes, hours, days, months or years"), {a});
      }
      s.use_time = true;
      s.count = std::stoi(n);
      s.unit = *unit;
      s.older = a == "--older-than";
      i += 2;
    } else if (a == "--include-no-info") {
      s.include_no_info = true;
    } else if (a == "--include-disabled") {
      s.include_disabled = true;
    } else if (a.rfind("--", 0) == 0) {
      return format(_("unknown option: {1}"), {a});
    } else {
      plain.push_back(a);
    }
  }
  if (plain.size() > 1) return _("give at most one PATH");
  if (s.active() == 0) return _("give --name, --url, --within or --older-than");
  return {};
}

int run_find(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  const bool raw = take_flag(args, "--raw");
  app::ItemSearchSettings s;
  std::vector<std::string> plain;
  if (std::string err = parse(args, raw, s, plain); !err.empty()) return usage_error(err);
  int code = 0;
  auto a = open_app(ctx, code);
  if (!a) return code;
  const store::NodeId from = find_node_or_root(*a, plain, 0, raw);
  if (from == store::kNoNode) return kExitFailure;
  app::ItemSearchEnv env;
  env.base_folder = a->folders.base;
  const std::vector<app::ItemMatch> found = app::find_all_items(a->tree, from, s, env);
  if (found.empty()) return failure(_("no item matches"));
  TermPane pane(stdout, detect_term_style(stdout, raw), a->options);
  pane.begin();
  for (const app::ItemMatch& m : found) {
    const store::Node* n = a->tree.find(m.node);
    if (s.use_time) pane.write_text(app::elapsed_text(m) + ":");
    std::string path = cli_path(a->tree, m.node);
    if (n->kind() == store::NodeKind::kGroup) {
      pane.write_text(path + "/");
    } else {
      const auto folder = store::node_path(a->tree, m.node, a->folders.base);
      const std::string url =
          folder ? profile_read_string(path_join(*folder, store::kSiteDb), store::kConfigSection,
                                       "URL", "", store::kUrlCapacity)
                 : std::string();
      pane.write_link(path, url);  // no URL: plain text
    }
    pane.write_text("\n");
  }
  pane.end();
  return kExitOk;
}

const Registrar reg{
    {"find", kUsage, N_("find items by name, URL and time since their last change"), &run_find,
     N_("Lists the groups and items from PATH on (the whole tree by default) that meet\n"
        "every criterion given, one a line: with a time criterion its age first, then\n"
        "its path (a group's ends in '/').\n"
        "\n"
        "  --name TEXT         the name holds TEXT (exact case)\n"
        "  --url TEXT          the URL holds TEXT (exact case)\n"
        "  --within N UNIT     changed within the last N UNITs\n"
        "  --older-than N UNIT not changed for more than N UNITs\n"
        "                      N is 1 to 99; UNIT is minutes (min, m), hours (h),\n"
        "                      days (d), months (30 days) or years (365 days, y)\n"
        "  --include-no-info   items never changed count as changed long ago\n"
        "  --include-disabled  also items and groups with DISABLE_AUTO_CHECK=1\n"
        "\n"
        "Like grep, find exits with 1 when nothing matches (and says so on stderr).")}};

}  // namespace
}  // namespace ks::cli
