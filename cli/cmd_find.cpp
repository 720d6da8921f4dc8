// find [--name TEXT] [--url TEXT] [--within N UNIT | --older-than N UNIT]
//      [--include-no-info] [--include-disabled] [PATH]
// Lists the nodes from PATH on (the root by default) whose name holds TEXT,
// whose URL holds TEXT and that changed within (or not for more than) N
// hours, days, months (30 days) or years (365 days), N from 1 to 99.
#include <string>
#include <vector>

#include "app/item_search.h"
#include "app_context.h"
#include "present/buffered_pane.h"

namespace ks::cli {
namespace {

std::optional<app::AgeUnit> parse_unit(std::string_view u) {
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
      if (i + 1 >= args.size()) return a + " needs a value";
      const auto text = core_text(args[++i], raw);
      if (!text) return a + ": the text has no Shift_JIS form";
      if (text->size() > app::kSearchTextMax) return a + ": at most 128 bytes";
      (a == "--name" ? s.use_name : s.use_url) = true;
      (a == "--name" ? s.name : s.url) = *text;
    } else if (a == "--within" || a == "--older-than") {
      if (s.use_time) return "give only one of --within and --older-than";
      if (i + 2 >= args.size()) return a + " needs a count and a unit";
      const std::string& n = args[i + 1];
      if (n.empty() || n.size() > 2 || n.find_first_not_of("0123456789") != std::string::npos ||
          std::stoi(n) < 1) {
        return a + ": the count must be a whole number from 1 to 99";
      }
      const auto unit = parse_unit(args[i + 2]);
      if (!unit) return a + ": the unit must be hours, days, months or years";
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
      return "unknown option: " + a;
    } else {
      plain.push_back(a);
    }
  }
  if (plain.size() > 1) return "at most one PATH";
  if (s.active() == 0) return "give --name, --url, --within or --older-than";
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
  present::BufferedPane pane;
  const int found = app::list_items(pane, a->tree, from, s, env);
  print_text(pane.text(), raw);
  return found > 0 ? kExitOk : kExitFailure;
}

const Registrar reg{{"find",
                     "find [--name TEXT] [--url TEXT] [--within N UNIT | --older-than N UNIT] "
                     "[--include-no-info] [--include-disabled] [PATH]",
                     "find items by name, URL and time since their last change", &run_find}};

}  // namespace
}  // namespace ks::cli
