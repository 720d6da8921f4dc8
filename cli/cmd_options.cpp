// options [KEY[=VALUE]...]: shows or changes global options. CONFIG keys
// are named as they are (TIMEOUT); font keys with their section
// (FONT.POINT, TREEFONT.FACENAME). Every change is checked before the file
// is written; on any error nothing is written.
#include <algorithm>
#include <string>
#include <vector>

#include "app/options/option_keys.h"
#include "app/options/schedule_options.h"
#include "app_context.h"
#include "platform/fs.h"

namespace ks::cli {
namespace {

using app_options::OptionKey;

constexpr std::string_view kSchedulePrefix = "SCHEDULE.";

std::string display_name(const OptionKey& k) {
  std::string_view sec = k.section;
  return sec == "CONFIG" ? std::string(k.name) : std::string(sec) + "." + k.name;
}

const OptionKey* lookup(std::string_view name) {
  auto dot = name.find('.');
  if (dot == std::string_view::npos) return app_options::find_option_key("CONFIG", name);
  return app_options::find_option_key(name.substr(0, dot), name.substr(dot + 1));
}

std::string one_line(std::string_view v) {
  std::string out;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '\r' && i + 1 < v.size() && v[i + 1] == '\n') continue;
    out += (v[i] == '\n' || v[i] == '\r') ? std::string("\\n") : std::string(1, v[i]);
  }
  return out;
}

std::string status_text(app_options::SetStatus s, const OptionKey& k) {
  switch (s) {
    case app_options::SetStatus::kOk:
      return {};
    case app_options::SetStatus::kNotANumber:
      return format(_("{1} takes a whole number"), {display_name(k)});
    case app_options::SetStatus::kOutOfRange:
      return format(_("{1} must be between {2} and {3}"),
                    {display_name(k), std::to_string(k.min), std::to_string(k.max)});
    case app_options::SetStatus::kTooLong:
      return format(_("{1} takes at most {2} bytes"),
                    {display_name(k), std::to_string(k.capacity - 1)});
    case app_options::SetStatus::kLineBreak:
      return format(_("{1} cannot hold a line break or NUL"), {display_name(k)});
  }
  return {};
}

int run_options(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  bool raw = take_flag(args, "--raw");
  // Changing options waits for no one but must not race the desktop app,
  // which writes kestrelscan.ini when its options sheet closes.
  const bool changes = std::any_of(args.begin(), args.end(), [](const std::string& a) {
    return a.find('=') != std::string::npos;
  });
  int code = 0;
  auto app = changes ? open_app(ctx, code, app::Access::kChange, "options") : open_app(ctx, code);
  if (!app) return code;
  app_options::Options& o = app->options;
  app_options::ScheduleOptions schedule = app_options::load_schedule(app->app_folder);
  bool changed = false;
  bool schedule_changed = false;
  std::vector<const OptionKey*> show;
  std::vector<const app_options::ScheduleKey*> show_schedule;
  for (const std::string& a : args) {
    auto eq = a.find('=');
    const std::string name = a.substr(0, eq);
    // The schedule's keys live in a section of their own (SCHEDULE.KEY).
    if (name.rfind(kSchedulePrefix, 0) == 0) {
      const auto* sk = app_options::find_schedule_key(name.substr(kSchedulePrefix.size()));
      if (!sk) return usage_error(format(_("unknown option: {1}"), {name}));
      if (eq == std::string::npos) {
        show_schedule.push_back(sk);
      } else if (!app_options::set_schedule_key(*sk, schedule, a.substr(eq + 1))) {
        return usage_error(format(_("{1} takes {2}"), {name, _(sk->usage)}));
      } else {
        schedule_changed = true;
      }
      continue;
    }
    const OptionKey* k = lookup(std::string_view(a).substr(0, eq));
    if (!k) return usage_error(format(_("unknown option: {1}"), {a.substr(0, eq)}));
    if (eq == std::string::npos) {
      show.push_back(k);
      continue;
    }
    auto value = core_text(std::string_view(a).substr(eq + 1), raw);
    if (!value) {
      return usage_error(
          format(_("{1}: the value has characters without a Shift_JIS form"), {display_name(*k)}));
    }
    if (k->type == app_options::OptionType::kMultiLine) *value = to_crlf(*value);
    if (auto s = app_options::set_option_text(*k, o, *value); s != app_options::SetStatus::kOk) {
      return usage_error(status_text(s, *k));
    }
    changed = true;
  }
  if (changed && !app_options::save_options(app->app_folder, o)) {
    return failure(
        format(_("cannot write {1}"), {to_os_path(app->app_folder) + "kestrelscan.ini"}));
  }
  if (schedule_changed && !app_options::save_schedule(app->app_folder, schedule)) {
    return failure(
        format(_("cannot write {1}"), {to_os_path(app->app_folder) + "kestrelscan.ini"}));
  }
  if (args.empty()) {
    for (const OptionKey& k : app_options::option_keys()) {
      if (!k.write_only) show.push_back(&k);
    }
    for (const auto& k : app_options::schedule_keys()) show_schedule.push_back(&k);
  }
  for (const OptionKey* k : show) {
    print_line(display_name(*k) + "=" + one_line(app_options::option_text(*k, o)), raw);
  }
  for (const auto* k : show_schedule) {
    print_line(
        std::string(kSchedulePrefix) + k->name + "=" + app_options::schedule_key_text(*k, schedule),
        raw);
  }
  return kExitOk;
}

const Registrar reg{
    {"options", "options [KEY[=VALUE]...] [--raw]",
     N_("show or change global options (FONT.KEY, TREEFONT.KEY for fonts)"), &run_options,
     N_("The schedule of checks that run by themselves ('kestrelscan-cli schedule'):\n"
        "  SCHEDULE.ENABLED=1        0 turns it off\n"
        "  SCHEDULE.INTERVAL=1h      the whole tree's interval (m, h, d, w; 0: none)\n"
        "  SCHEDULE.HOURS=08:00-22:00  when checks may start (22:00-06:00 runs across\n"
        "                            midnight; empty: any hour)\n"
        "  SCHEDULE.DAYS=mon-fri     on which days (empty: every day)\n"
        "  SCHEDULE.NOTIFY=1, SCHEDULE.NOTIFY_ERRORS=0  the desktop app's notices")}};

}  // namespace
}  // namespace ks::cli
