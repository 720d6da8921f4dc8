// get PATH [KEY...]: prints page settings as KEY=VALUE lines (every key when
// none is named). AUTH_PASS shows its stored (enciphered) form; the comment's
// line breaks are shown as \n.
#include <string>
#include <vector>

#include "app_context.h"
#include "store/setting_keys.h"

namespace ks::cli {
namespace {

std::string one_line(std::string_view v) {
  std::string out;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '\r' && i + 1 < v.size() && v[i + 1] == '\n') continue;
    if (v[i] == '\n' || v[i] == '\r') {
      out += "\\n";
    } else {
      out += v[i];
    }
  }
  return out;
}

constexpr const char* kUsage = "get PATH [KEY...] [--raw]";

int run_get(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  bool raw = take_flag(args, "--raw");
  if (args.empty()) return usage_of(kUsage);
  std::vector<const store::SettingKey*> keys;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const store::SettingKey* k = store::find_page_setting_key(args[i]);
    if (!k) return usage_error(format(_("unknown setting: {1}"), {args[i]}));
    keys.push_back(k);
  }
  if (keys.empty()) {
    for (const auto& k : store::page_setting_keys()) keys.push_back(&k);
  }
  int code = 0;
  auto app = open_app(ctx, code);
  if (!app) return code;
  const auto page = read_page(*app, args[0], raw);
  if (!page) return kExitFailure;
  for (const store::SettingKey* k : keys) {
    print_line(std::string(k->name) + "=" + one_line(store::setting_text(*k, page->settings)), raw);
  }
  return kExitOk;
}

const Registrar reg{
    {"get", kUsage, N_("print page settings as KEY=VALUE lines"), &run_get, nullptr}};

}  // namespace
}  // namespace ks::cli
