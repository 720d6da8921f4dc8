// convert [--url URL] [--set KEY=VALUE...] [--internal] [--raw] FILE: shows
// what a page turns into before it is added. FILE is a stored raw response
// (it starts with "HTTP/") or a body alone. By default the text is shown as
// a check would show its lines (links as their text, character references
// decoded, images as "[画像]"); --internal shows the line form that new.txt
// keeps instead, the header line of a response included. Output is UTF-8 for
// people, or the Shift_JIS bytes with --raw (--internal --raw: exactly the
// bytes of new.txt). Links are made absolute against --url, or against
// http://localhost/, which a note on stderr names.
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
#include "present/display.h"
#include "store/page_settings.h"
#include "store/page_settings_io.h"
#include "store/setting_keys.h"
#include "term_pane.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage = "convert [--url URL] [--set KEY=VALUE...] [--internal] [--raw] FILE";
constexpr const char* kDefaultBase = "http://localhost/";
constexpr int kLinesPerBatch = 256;

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
  if (eq == std::string_view::npos || eq == 0) return format(_("expected KEY=VALUE: {1}"), {pair});
  std::string_view name = pair.substr(0, eq);
  bool known = false;
  for (std::string_view k : kConvertKeys) known = known || k == name;
  const store::SettingKey* key = known ? store::find_page_setting_key(name) : nullptr;
  if (key == nullptr) {
    return format(_("conversion does not read {1}; it reads {2}"), {name, key_list()});
  }
  switch (store::set_setting_text(*key, rec, pair.substr(eq + 1))) {
    case store::SetStatus::kOk:
      return {};
    case store::SetStatus::kNotANumber:
      return format(_("{1} takes a whole number"), {name});
    case store::SetStatus::kLineBreak:
      return format(_("{1} cannot hold a line break or NUL"), {name});
    case store::SetStatus::kOutOfRange:
    case store::SetStatus::kTooLong:
      break;
  }
  return format(_("{1} must be between {2} and {3}"),
                {name, std::to_string(key->min), std::to_string(key->max)});
}

// The converted text (LF line ends) as a check shows its lines. A stored
// response's text begins with its header line, which is never shown.
void show_lines(std::string_view text, bool skip_header, const store::PageSettings& rec,
                const app_options::Options& options, bool raw) {
  TermPane pane(stdout, detect_term_style(stdout, raw), options);
  present::DisplayEnv env;
  env.options = &options;
  pane.begin();
  bool first = true;
  int shown = 0;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (first && skip_header) {
      first = false;
      continue;
    }
    first = false;
    present::write_result_line(pane, line, rec, false, env);
    if (++shown % kLinesPerBatch == 0) {  // a pane batch holds at most 10,000 lines
      pane.end();
      pane.begin();
    }
  }
  pane.end();
}

// The bytes of new.txt: Shift_JIS, line feeds stored as CR LF.
std::string with_crlf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

int run_convert(Context& ctx, const std::vector<std::string>& args) {
  store::PageSettings rec = store::default_page_settings();
  std::optional<std::string> url;
  bool raw = false;
  bool internal = false;
  std::string file;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--raw" || a == "--internal") {
      (a == "--raw" ? raw : internal) = true;
    } else if (a == "--url" || a == "--set") {
      if (i + 1 >= args.size()) return usage_error(format(_("{1} needs a value"), {a}));
      const std::string& v = args[++i];
      if (a == "--url") {
        url = to_core(v);
        if (url->size() >= store::kUrlCapacity) return usage_error(_("the URL is too long"));
      } else if (std::string err = apply_setting(v, rec); !err.empty()) {
        return usage_error(err);
      }
    } else if (a.size() > 1 && a[0] == '-') {
      return usage_error(format(_("unknown option: {1}"), {a}));
    } else if (file.empty()) {
      file = a;
    } else {
      return usage_error(_("only one FILE can be converted at a time"));
    }
  }
  if (file.empty()) return usage_of(kUsage);
  auto bytes = read_file(to_core(file));
  if (!bytes) return failure(format(_("cannot read {1}"), {file}));
  int code = 0;
  auto app = open_core(ctx, code);
  if (!app) return code;

  rec.url = url.value_or(kDefaultBase);
  convert::ConvertSettings settings = convert::ConvertSettings::from(rec, rec.url);
  convert::StringSink sink(settings);
  const bool response = bytes->compare(0, 5, "HTTP/") == 0;
  if (response) {
    net::ResponseReadOptions options;
    options.current_url = rec.url;
    net::ResponseReadResult r = net::read_response_bytes(*bytes, sink, options);
    if (r.inflate_failed) note(_("the body could not be inflated; the text stops there"));
    if (r.outcome == store::CheckStatus::kNotModified) {
      return failure(_("the response is 304 Not Modified: a check keeps the old text"));
    }
  } else {
    for (int pass = 1; pass <= net::kMaxPasses; ++pass) {
      sink.begin_pass(pass);
      sink.begin_body();
      sink.write(*bytes);
      if (!sink.end_pass()) break;
    }
  }
  const std::string& text = sink.text();
  if (!url &&
      (text.find("<a href=") != std::string::npos || text.find("<img") != std::string::npos)) {
    note(format(_("links were made absolute against {1}; --url names the page's own address"),
                {kDefaultBase}));
  }
  if (!internal) {
    show_lines(text, response, rec, app->options, raw);
  } else if (raw) {
    // The bytes of new.txt, exactly (for files and pipes, so not passed
    // through terminal_safe).
    const std::string bytes_out = with_crlf(text);
    std::fwrite(bytes_out.data(), 1, bytes_out.size(), stdout);
  } else {
    print_text(text);
    if (!text.empty() && text.back() != '\n') std::fputc('\n', stdout);
  }
  return kExitOk;
}

const Registrar reg{
    {"convert", kUsage, N_("show the text a stored response or page body turns into"), &run_convert,
     N_("FILE is a page's body, or a whole response as a check stores it (it starts\n"
        "with \"HTTP/\"). The text is shown as a check shows the lines it finds: links\n"
        "as their text, character references decoded, images as [画像].\n"
        "\n"
        "  --url URL          the page's address: links are made absolute against it\n"
        "                     (without it, against http://localhost/)\n"
        "  --set KEY=VALUE    a conversion setting of the item (TABLE_SETTING,\n"
        "                     CHARSET_SEL, AS_TEXT, SAVE_COMMENT, ...)\n"
        "  --internal         the lines as new.txt keeps them, with their link markup\n"
        "                     and the response's header line\n"
        "  --raw              Shift_JIS bytes; with --internal exactly new.txt")}};

}  // namespace
}  // namespace ks::cli
