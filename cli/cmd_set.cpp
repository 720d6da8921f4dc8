// set PATH KEY=VALUE...: changes page settings by key name. Every pair is
// checked before anything is written; OPTION_CHANGED is set as the settings
// sheet sets it when a page of extraction or comparison settings is applied,
// and AUTH_PASS takes the password in clear and stores its enciphered form.
#include <string>
#include <vector>

#include "app_context.h"
#include "platform/sjis.h"
#include "store/auth_pass.h"
#include "store/page_settings_io.h"
#include "store/setting_keys.h"

namespace ks::cli {
namespace {

// Keys on pages whose applying does not mark the record as changed: the
// authentication page and the page of TLS options.
bool marks_option_changed(std::string_view key) {
  return key != "AUTH_TYPE" && key != "AUTH_ID" && key != "AUTH_PASS" &&
         key != "ENABLE_LEGACY_SERVER_CONNECT" && key != "OPTION_CHANGED";
}

std::string status_text(store::SetStatus s, const store::SettingKey& k) {
  switch (s) {
    case store::SetStatus::kOk:
      return {};
    case store::SetStatus::kNotANumber:
      return std::string(k.name) + " takes a whole number";
    case store::SetStatus::kOutOfRange:
      return std::string(k.name) + " must be between " + std::to_string(k.min) + " and " +
             std::to_string(k.max);
    case store::SetStatus::kTooLong:
      return std::string(k.name) + " takes at most " + std::to_string(k.capacity - 1) + " bytes";
    case store::SetStatus::kLineBreak:
      return std::string(k.name) + " cannot hold a line break or NUL";
  }
  return {};
}

// Applies one KEY=VALUE to the record; an error message, or "" when done.
std::string apply(const std::string& pair, bool raw, store::PageSettings& rec, bool& mark) {
  auto eq = pair.find('=');
  if (eq == std::string::npos || eq == 0) return "expected KEY=VALUE: " + pair;
  std::string name = pair.substr(0, eq);
  const store::SettingKey* key = store::find_page_setting_key(name);
  if (!key) return "unknown setting: " + name;
  auto value = core_text(std::string_view(pair).substr(eq + 1), raw);
  if (!value) return name + ": the value has characters without a Shift_JIS form";
  if (name == "COMMENT") *value = to_crlf(*value);
  if (name == "AUTH_PASS") {
    if (value->size() > store::kAuthPassCapacity - 1) return "AUTH_PASS is too long";
    auto stored = store::encipher_password(*value);
    if (!stored) return "AUTH_PASS is too long for its stored form (192 bytes)";
    rec.auth_pass = *stored;
  } else if (auto s = store::set_setting_text(*key, rec, *value); s != store::SetStatus::kOk) {
    return status_text(s, *key);
  }
  if (marks_option_changed(name)) mark = true;
  return {};
}

int run_set(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  bool raw = take_flag(args, "--raw");
  if (args.size() < 2) return usage_error("usage: set PATH KEY=VALUE...");
  int code = 0;
  auto app = open_app(ctx, code, app::Access::kChange, "set");
  if (!app) return code;
  auto page = read_page(*app, args[0], raw);
  if (!page) return kExitFailure;
  store::PageSettings& rec = page->settings;
  bool mark = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (std::string err = apply(args[i], raw, rec, mark); !err.empty()) return usage_error(err);
  }
  if (mark) rec.option_changed = 1;
  if (!store::write_page_settings(page->node.folder, rec)) {
    return failure("cannot write " + sjis_to_utf8(page->node.folder) + "/site.db");
  }
  return kExitOk;
}

const Registrar reg{{"set", "set PATH KEY=VALUE... [--raw]",
                     "change page settings by key name (nothing is written on an error)",
                     &run_set}};

}  // namespace
}  // namespace ks::cli
