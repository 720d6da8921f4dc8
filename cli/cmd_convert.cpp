// convert [--url URL] [--set KEY=VALUE...] [--raw] FILE: shows what a page
// turns into before it is added. FILE is a stored raw response (it starts
// with "HTTP/"), printed exactly as new.txt would hold it, header line
// included; or a body alone, printed as its converted text. Output is UTF-8
// for people, or the Shift_JIS bytes with --raw.
#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app_context.h"
#include "command.h"
#include "convert/converter.h"
#include "convert/page_sink.h"
#include "net/response_reader.h"
#include "platform/fs.h"
#include "store/page_settings.h"
#include "store/setting_keys.h"

namespace ks::cli {
namespace {

// The item settings that conversion reads.
constexpr std::array<std::string_view, 9> kConvertKeys{
    "TABLE_SETTING", "CHARSET_SEL",          "AS_TEXT",          "SAVE_COMMENT", "SAVE_SELECT",
    "SAVE_IFRAME",   "SAVE_RSS_DESCRIPTION", "SAVE_RSS_CONTENT", "IGNORE_A_NAME"};

std::string key_list() {
  std::string s;
  for (std::string_view k : kConvertKeys) {
    if (!s.empty()) s += ", ";
    s += k;
  }
  return s;
}

// Applies KEY=VALUE; an error message, or "" when done.
std::string apply_setting(std::string_view pair, store::PageSettings& rec) {
  std::size_t eq = pair.find('=');
  if (eq == std::string_view::npos || eq == 0) return "expected KEY=VALUE: " + std::string(pair);
  std::string_view name = pair.substr(0, eq);
  bool known = false;
  for (std::string_view k : kConvertKeys) known = known || k == name;
  const store::SettingKey* key = known ? store::find_page_setting_key(name) : nullptr;
  if (key == nullptr) {
    return "conversion does not read " + std::string(name) + "; it reads " + key_list();
  }
  switch (store::set_setting_text(*key, rec, pair.substr(eq + 1))) {
    case store::SetStatus::kOk:
      return {};
    case store::SetStatus::kNotANumber:
      return std::string(name) + " takes a whole number";
    case store::SetStatus::kLineBreak:
      return std::string(name) + " cannot hold a line break or NUL";
    case store::SetStatus::kOutOfRange:
    case store::SetStatus::kTooLong:
      break;
  }
  return std::string(name) + " must be between " + std::to_string(key->min) + " and " +
         std::to_string(key->max);
}

int run_convert(Context& ctx, const std::vector<std::string>& args) {
  store::PageSettings rec;
  std::string url = "http://localhost/";
  bool raw = false;
  std::string file;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--raw") {
      raw = true;
    } else if (a == "--url" || a == "--set") {
      if (i + 1 >= args.size()) return usage_error(a + " needs a value");
      const std::string& v = args[++i];
      if (a == "--url") {
        url = to_core(v);
        if (url.size() >= store::kUrlCapacity) return usage_error("the URL is too long");
      } else if (std::string err = apply_setting(v, rec); !err.empty()) {
        return usage_error(err);
      }
    } else if (a.size() > 1 && a[0] == '-') {
      return usage_error("unknown option " + a);
    } else if (file.empty()) {
      file = a;
    } else {
      return usage_error("only one FILE can be converted at a time");
    }
  }
  if (file.empty()) return usage_error("convert needs a FILE");
  auto bytes = read_file(to_core(file));
  if (!bytes) return failure("cannot read " + file);
  int code = 0;
  auto app = open_core(ctx, code);
  if (!app) return code;

  convert::ConvertSettings settings = convert::ConvertSettings::from(rec, url);
  convert::StringSink sink(settings);
  if (bytes->compare(0, 5, "HTTP/") == 0) {
    net::ResponseReadOptions options;
    options.current_url = url;
    net::ResponseReadResult r = net::read_response_bytes(*bytes, sink, options);
    if (r.inflate_failed) failure("the body could not be inflated; the text stops there");
    if (r.outcome == store::CheckStatus::kNotModified) {
      return failure("the response is 304 Not Modified: a check keeps the old text");
    }
  } else {
    for (int pass = 1; pass <= 2; ++pass) {
      sink.begin_pass(pass);
      sink.begin_body();
      sink.write(*bytes);
      if (!sink.end_pass()) break;
    }
  }
  if (!raw) {
    // For people: UTF-8 with plain line feeds, ending with one.
    print_text(sink.text());
    if (!sink.text().empty() && sink.text().back() != '\n') std::fputc('\n', stdout);
    return kExitOk;
  }
  // The bytes of new.txt, exactly: Shift_JIS, line feeds stored as CR LF
  // (for files and pipes, so not passed through terminal_safe).
  std::string text;
  text.reserve(sink.text().size() + sink.text().size() / 16);
  for (char c : sink.text()) {
    if (c == '\n') text += '\r';
    text += c;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  return kExitOk;
}

const Registrar reg{{"convert", "convert [--url URL] [--set KEY=VALUE...] [--raw] FILE",
                     "show the text a stored response or page body turns into", &run_convert}};

}  // namespace
}  // namespace ks::cli
