// schedule [PATH]: shows the schedule of checks that run by themselves: the
// global settings (on or off, the whole tree's interval, the window of hours
// and days), then one line per item on a schedule below PATH: when it is
// due next ("now" when it is due), its interval and where that comes from
// (its own, a group's, the whole tree's), and its path. Reads only.
#include <cstdio>
#include <string>
#include <vector>

#include "app_context.h"
#include "progress_line.h"
#include "schedule_view.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage = "schedule [PATH] [--raw]";

// Padded to `width` terminal columns: translated texts ("今") take fewer
// columns than bytes.
std::string pad(std::string s, int width) {
  const int used = text_columns(s);
  if (used < width) s.append(static_cast<std::size_t>(width - used), ' ');
  return s;
}

int run_schedule(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  const bool raw = take_flag(args, "--raw");
  if (args.size() > 1) return usage_of(kUsage);
  int code = 0;
  auto app = open_app(ctx, code);
  if (!app) return code;
  const store::NodeId from = find_node_or_root(*app, args, 0, raw);
  if (from == store::kNoNode) return kExitFailure;

  const LoadedSchedule s = load_data_folder_schedule(*app);
  const app_options::ScheduleOptions& o = s.options;
  std::printf("%s\n", o.enabled ? _("schedule: on") : _("schedule: off (SCHEDULE.ENABLED=0)"));
  std::printf(
      "%s\n",
      o.interval > 0
          ? format(_("whole tree: every {1}"), {app_options::interval_text(o.interval)}).c_str()
          : _("whole tree: no interval (only groups and items with their own)"));
  const std::string hours = app_options::hours_text(o.window_start, o.window_end);
  const std::string days = app_options::days_text(o.days);
  std::printf("%s\n", format(_("window: {1}, {2}"), {hours.empty() ? _("any hour") : hours,
                                                     days.empty() ? _("every day") : days})
                          .c_str());
  for (const check::ItemSchedule& item : s.result.items) {
    if (!is_below(app->tree, item.id, from)) continue;
    std::string when = _("never (the window never opens)");
    if (item.next_due) when = item.due ? _("now") : local_time_text(*item.next_due);
    std::printf("%s  %s  ", pad(when, 16).c_str(),
                pad(app_options::interval_text(item.interval), 4).c_str());
    switch (item.source) {
      case check::IntervalSource::kItem:
        std::fputs(_("own"), stdout);
        break;
      case check::IntervalSource::kGroup:
        print_text(cli_path(app->tree, item.source_group), raw);
        break;
      case check::IntervalSource::kWholeTree:
        std::fputs(_("whole tree"), stdout);
        break;
    }
    std::fputs("  ", stdout);
    print_line(cli_path(app->tree, item.id), raw);
  }
  return kExitOk;
}

const Registrar reg{
    {"schedule", kUsage, N_("show when the pages below PATH are checked by the schedule"),
     &run_schedule,
     N_("Prints whether the schedule is on, the whole tree's interval and the window\n"
        "of hours and days, then one line per item on a schedule: when it is due next\n"
        "(\"now\" when its time has come), its interval, where the interval is set (own,\n"
        "a group's path, or whole tree) and the item's path.\n"
        "\n"
        "An item is due when its interval has passed since its last check and the time\n"
        "lies in the window; 'kestrelscan-cli check --due' checks exactly those items.\n"
        "Set the schedule with:\n"
        "  kestrelscan-cli options SCHEDULE.INTERVAL=1h SCHEDULE.HOURS=08:00-22:00 \\\n"
        "                          SCHEDULE.DAYS=mon-fri     the whole tree\n"
        "  kestrelscan-cli set news SCHEDULE.INTERVAL=15m    a group and its items\n"
        "  kestrelscan-cli set news/prices SCHEDULE.INTERVAL=1d   one item\n"
        "  kestrelscan-cli set news/prices SCHEDULE.INTERVAL=     take the group's again\n"
        "An interval of 0 keeps a group or item out of the schedule; DISABLE_AUTO_CHECK\n"
        "keeps it out of every check of the whole tree, scheduled or not.")}};

}  // namespace
}  // namespace ks::cli
