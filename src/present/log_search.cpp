#include "present/log_search.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <thread>

#include "compare/log_files.h"
#include "compare/result_record.h"
#include "convert/entities.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "present/display.h"
#include "store/node_path.h"

namespace ks::present {
namespace {

constexpr int kLogCount = 25;
constexpr std::size_t kMaxLineBytes = 65536;

// Half-width katakana 0xA1..0xDF as their full-width Shift_JIS characters.
const std::string& full_width_kana() {
  return KS_SJ(
      "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホ"
      "マ"
      "ミムメモヤユヨラリルレロワン゛゜");
}

void put_pair(std::string& out, unsigned code) {
  out += static_cast<char>((code >> 8) & 0xFF);
  out += static_cast<char>(code & 0xFF);
}

unsigned full_width_kana_code(unsigned char c) {
  const std::string& t = full_width_kana();
  const std::size_t i = static_cast<std::size_t>(c - 0xA1) * 2;
  return (static_cast<unsigned char>(t[i]) << 8) | static_cast<unsigned char>(t[i + 1]);
}

// A single byte's full-width form; bytes without one keep their value behind
// a zero byte, so every character still takes two bytes.
unsigned full_width_single(unsigned char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  if (c >= 0xA1 && c <= 0xDF) return full_width_kana_code(c);
  int32_t code = -1;
  if (c == ' ') code = unicode_to_cp932(U'\u3000');
  if (c > ' ' && c < 0x7F) code = unicode_to_cp932(static_cast<char32_t>(0xFF01 + (c - 0x21)));
  if (code >= 0x100) return static_cast<unsigned>(code);
  return c;
}

// The item as the display needs it for its headline and hit lines.
store::PageSettings search_item(std::string_view folder, std::string_view name, uint64_t node,
                                const LogSearchEnv& env) {
  store::PageSettings rec = store::default_page_settings();
  store::load_item_settings(folder, rec, env.apply_template);
  rec.node_id = node;
  rec.folder_path = std::string(folder);
  rec.name = std::string(name);
  return rec;
}

bool stopped(const LogSearchEnv& env) {
  return env.stop && env.stop->load();
}

}  // namespace

std::string normalize_for_search(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (is_sjis_pair(s, i)) {
      unsigned code = (c << 8) | static_cast<unsigned char>(s[i + 1]);
      if (code == 0x815B) code = 0x817C;                   // ー as the minus
      if (code >= 0x8281 && code <= 0x829A) code -= 0x21;  // full-width small letters
      put_pair(out, code);
      ++i;
      continue;
    }
    if (c == '-' || c == 0xB0) {
      put_pair(out, 0x817C);
      continue;
    }
    const unsigned char next = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
    if (next == 0xDE && c == 0xB3) {
      put_pair(out, 0x8394);  // ヴ
      ++i;
      continue;
    }
    if ((next == 0xDE && ((c >= 0xB6 && c <= 0xC4) || (c >= 0xCA && c <= 0xCE))) ||
        (next == 0xDF && c >= 0xCA && c <= 0xCE)) {
      put_pair(out, full_width_kana_code(c) + (next == 0xDE ? 1 : 2));
      ++i;
      continue;
    }
    put_pair(out, full_width_single(c));
  }
  return out;
}

bool normalized_contains(std::string_view line, std::string_view needle) {
  if (needle.empty()) return false;
  for (std::size_t i = 0; i + needle.size() <= line.size(); i += 2) {
    if (line.compare(i, needle.size(), needle) == 0) return true;
  }
  return false;
}

int search_item_logs(Pane& pane, std::string_view folder, std::string_view item_name,
                     uint64_t node_id, std::string_view needle, const LogSearchEnv& env) {
  const app_options::Options defaults;
  DisplayEnv display;
  display.options = env.options ? env.options : &defaults;
  std::optional<store::PageSettings> item;  // loaded at the first hit
  int hits = 0;
  const int current = compare::read_current_log_number(folder);
  for (int k = 0; k < kLogCount && !stopped(env); ++k) {
    const int n = compare::log_number_add(current, -k);
    const std::optional<std::string> bytes =
        read_file(compare::numbered_log_path(folder, "add", n));
    if (!bytes) continue;
    std::string_view rest = *bytes;
    while (!rest.empty() && !stopped(env)) {
      std::size_t end = rest.find_first_of("\r\n");
      if (end == std::string_view::npos) end = rest.size();
      std::string line(rest.substr(0, std::min(end, kMaxLineBytes)));
      std::size_t next = end;
      if (next < rest.size() && rest[next] == '\r') ++next;
      if (next < rest.size() && rest[next] == '\n') ++next;
      rest.remove_prefix(next);
      std::string decoded = line;
      convert::decode_references(decoded);
      if (!normalized_contains(normalize_for_search(decoded), needle)) continue;
      if (!item) {
        item = search_item(folder, item_name, node_id, env);
        pane.headlines().add(HeadlineKind::kItem, pane.current_line());
        write_headline(pane, *item, std::nullopt, display);
      }
      write_result_line(pane, line, *item, false, display);
      ++hits;
    }
    std::this_thread::yield();
  }
  return hits;
}

int search_logs(Pane& pane, const store::Tree& tree, store::NodeId selected, std::string_view text,
                const LogSearchEnv& env) {
  pane.clear();
  pane.begin();
  const std::string needle = normalize_for_search(text);
  int hits = 0;
  tree.walk(selected, [&](const store::Node& n, int) {
    if (stopped(env) || needle.empty()) return;
    if (n.kind() != store::NodeKind::kItem && n.kind() != store::NodeKind::kTemplate) return;
    const auto folder = store::node_path(tree, n.id, env.base_folder);
    if (!folder) return;
    if (env.status) {
      char name[128];
      std::snprintf(name, sizeof name, "%.100s", n.label.c_str());
      env.status(KS_SJ("検索中 \"") + name + "\"...");
    }
    hits += search_item_logs(pane, *folder, n.label, n.id, needle, env);
  });
  if (hits == 0)
    pane.write_text(KS_SJ("「") + std::string(text) + KS_SJ("」は見つかりませんでした。"));
  pane.end();
  if (env.status) env.status(KS_SJ("検索完了"));
  return hits;
}

}  // namespace ks::present
