// options [KEY[=VALUE]...]: shows or changes global options. CONFIG keys
// are named as they are (TIMEOUT); font keys with their section
// (FONT.POINT, TREEFONT.FACENAME). Every change is checked before the file
// is written; on any error nothing is written.
#include <algorithm>
#include <string>
#include <vector>

#include "app/options/option_keys.h"
#include "app_context.h"
#include "platform/fs.h"

namespace ks::cli {
namespace {

using app_options::OptionKey;

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
  bool changed = false;
  std::vector<const OptionKey*> show;
  for (const std::string& a : args) {
    auto eq = a.find('=');
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
  if (args.empty()) {
    for (const OptionKey& k : app_options::option_keys()) {
      if (!k.write_only) show.push_back(&k);
    }
  }
  for (const OptionKey* k : show) {
    print_line(display_name(*k) + "=" + one_line(app_options::option_text(*k, o)), raw);
  }
  return kExitOk;
}

const Registrar reg{{"options", "options [KEY[=VALUE]...] [--raw]",
                     N_("show or change global options (FONT.KEY, TREEFONT.KEY for fonts)"),
                     &run_options, nullptr}};

}  // namespace
}  // namespace ks::cli
