#include "app/options/options.h"

#include <mutex>

#include "app/options/option_keys.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/sjis.h"

namespace ks::app_options {
namespace {

// Cuts to at most max bytes without splitting a double-byte character.
void cut(std::string& s, std::size_t max_bytes) {
  s.resize(sjis_fit(s, max_bytes));
}

}  // namespace

Options parse_options(std::string_view ini_bytes) {
  Profile p = Profile::parse(ini_bytes);
  Options o;
  for (const OptionKey& k : option_keys()) {
    if (k.write_only) continue;
    if (k.type == OptionType::kInt) {
      int32_t v = p.get_int(k.section, k.name, k.int_of(o));
      if (k.read_as_rule && (v < k.min || v > k.max)) v = k.read_as;
      k.int_of(o) = v;
      continue;
    }
    std::string v = p.get_string(k.section, k.name, k.str_of(o));
    if (k.type == OptionType::kMultiLine) v = multiline_from_file(v);
    cut(v, k.capacity - 1);
    k.str_of(o) = std::move(v);
  }
  return o;
}

Options load_options(std::string_view app_folder) {
  auto bytes = read_file(path_join(app_folder, kOptionsFile));
  return parse_options(bytes ? std::string_view(*bytes) : std::string_view());
}

std::string serialize_options(std::string_view old_ini_bytes, const Options& o) {
  Profile p = Profile::parse(old_ini_bytes);
  for (const OptionKey& k : option_keys()) {
    if (k.type == OptionType::kInt) {
      p.set(k.section, k.name, std::to_string(k.int_of(o)));
      continue;
    }
    std::string v = k.str_of(o);
    cut(v, k.capacity - 1);
    p.set(k.section, k.name, k.type == OptionType::kMultiLine ? multiline_to_file(v) : v);
  }
  return p.serialize();
}

bool save_options(std::string_view app_folder, const Options& options) {
  std::string path = path_join(app_folder, kOptionsFile);
  auto old = read_file(path);
  return write_file_atomic(path, serialize_options(old ? std::string_view(*old) : "", options));
}

}  // namespace ks::app_options
