#include "compare/filters.h"

#include <array>
#include <memory>
#include <thread>
#include <unordered_map>
#include <vector>

#include "compare/diff_engine.h"
#include "compare/limits.h"
#include "compare/line_equal.h"
#include "compare/line_reader.h"
#include "compare/log_files.h"
#include "compare/url_marks.h"
#include "platform/sjis.h"

namespace ks::compare {
namespace {

bool is_space_byte(unsigned char c) {
  return c == 0x20 || (c >= 0x09 && c <= 0x0D);
}

std::string_view cut(const std::string& s) {
  return std::string_view(s).substr(0, s.find('\0'));
}

// GET_LINK_ONLY: keeps only the links of a line, from each "<a href=" through
// its "</a>". Returns false when the line holds no link at all.
bool keep_links_only(std::string& line) {
  static constexpr std::string_view kOpen = "<a href=";
  static constexpr std::string_view kClose = "</a>";
  std::size_t pos = line.find(kOpen);
  if (pos == std::string::npos) return false;
  std::string out;
  while (pos != std::string::npos) {
    const std::size_t close = line.find(kClose, pos);
    if (close == std::string::npos) break;  // an unclosed link goes with the rest
    out.append(line, pos, close + kClose.size() - pos);
    pos = line.find(kOpen, close + kClose.size());
  }
  line.swap(out);
  return true;
}

bool number_only(std::string_view s) {
  bool digit = false;
  for (char ch : s) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (!is_space_byte(c) && c != ',' && c != '.') {
      return false;
    }
  }
  return digit;
}

bool has_japanese(std::string_view s) {
  for (std::size_t i = 0; i + 1 < s.size(); ++i) {
    const unsigned char a = static_cast<unsigned char>(s[i]);
    const unsigned char b = static_cast<unsigned char>(s[i + 1]);
    if (((a >= 0x81 && a <= 0x9F) || (a >= 0xE0 && a <= 0xEF)) &&
        ((b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC))) {
      return true;
    }
  }
  return false;
}

bool is_quote_open(char c) {
  return c == '"' || c == kLinkOpen || c == kImageOpen;
}
bool is_quote_close(char c) {
  return c == '"' || c == kSpanClose;
}

// IGNORE_NO_TEXT: some byte outside tags that is not white space.
bool has_text_outside_tags(std::string_view s) {
  enum class At { kText, kTag, kQuoted } at = At::kText;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    switch (at) {
      case At::kText:
        if (c == '<') {
          at = At::kTag;
        } else if (!is_space_byte(static_cast<unsigned char>(c))) {
          return true;
        }
        break;
      case At::kTag:
        if (c == '>') {
          at = At::kText;
        } else if (is_quote_open(c)) {
          at = At::kQuoted;
        }
        break;
      case At::kQuoted:
        if (is_quote_close(c)) at = At::kTag;
        break;
    }
  }
  return false;
}

// IGNORE_ONLY_OUTER_SERVER: a line is kept when it has text outside every
// element, or a URL on the item's own server.
bool keeps_for_own_server(std::string_view s, std::string_view host, HostOfUrl host_of) {
  enum class At { kText, kTagStart, kTag, kQuoted } at = At::kText;
  int depth = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    switch (at) {
      case At::kText:
        if (c == '<') {
          at = At::kTagStart;
        } else if (depth == 0 && !is_space_byte(static_cast<unsigned char>(c))) {
          return true;
        }
        break;
      case At::kTagStart:
        if (c == '/') {
          if (depth > 0) --depth;
        } else {
          ++depth;
        }
        at = At::kTag;
        [[fallthrough]];
      case At::kTag:
        if (c == '>') {
          at = At::kText;
        } else if (is_quote_open(c)) {
          std::size_t end = i + 1;
          while (end < s.size() && !is_quote_close(s[end])) ++end;
          if (host_of(s.substr(i + 1, end - i - 1)) == host) return true;
          at = At::kQuoted;
        }
        break;
      case At::kQuoted:
        if (is_quote_close(c)) at = At::kTag;
        break;
    }
  }
  return false;
}

int header_start(const TextLineList& list) {
  return list.line_count() > 0 && is_last_modified_line(list.line(0)) ? 1 : 0;
}

bool any_reported(const TextLineList& list, int start) {
  for (int i = start; i < list.line_count(); ++i) {
    if (list.reported(i)) return true;
  }
  return false;
}

// NG area around NG word 0: up to `count` non-empty lines in direction `dir`.
void drop_around(TextLineList& list, int from, int dir, int count) {
  for (int i = from + dir, done = 0; i >= 0 && i < list.line_count() && done < count; i += dir) {
    if (list.line(i).empty()) continue;
    list.set_state(i, kNotReported);
    ++done;
  }
}

int clamp_0_10(int v) {
  return v >= 0 && v <= 10 ? v : 1;
}

bool ignored_lines_pass(const CompareTask& task, TextLineList& list, const std::string& host) {
  const HostOfUrl host_of = task.env.host_of ? task.env.host_of : &url_host;
  const store::PageSettings& s = task.settings;
  int remaining = 0;
  std::string work;
  for (int i = 0; i < list.line_count(); ++i) {
    if (task.env.stop_requested()) return false;
    if (i == 0 && is_last_modified_line(list.line(0))) continue;
    if (!list.reported(i)) continue;
    work.assign(list.line(i));
    while (!work.empty() && (work.back() == '\r' || work.back() == '\n')) work.pop_back();
    if (ignored_line(s, work, host, host_of)) {
      list.set_state(i, kNotReported);
      continue;
    }
    // The line may only have become shorter (links kept, line ends removed).
    std::copy(work.begin(), work.end(), list.line_data(i));
    list.shorten(i, work.size());
    if (++remaining % kYieldEvery == 0) std::this_thread::yield();
  }
  return true;
}

void word_pass(const CompareTask& task, TextLineList& list, int start) {
  const store::PageSettings& s = task.settings;
  const RegexLibrary& lib = task.env.regex_library();
  std::array<TextMatcher, store::kWordCount> ng, ok;
  bool any_ng = false, any_ok = false;
  for (std::size_t w = 0; w < ng.size(); ++w) {
    ng[w] = TextMatcher(cut(s.ng_words[w]), s.use_regexp_ngword != 0, lib);
    ok[w] = TextMatcher(cut(s.ok_words[w]), s.use_regexp_okword != 0, lib);
    any_ng = any_ng || !ng[w].empty();
    any_ok = any_ok || !ok[w].empty();
  }
  if (!any_ng && !any_ok) return;
  int seen = 0;
  for (int i = start; i < list.line_count(); ++i) {
    if (!list.reported(i)) continue;
    const std::string copy = decoded_copy(list.line(i), task.env.decode);
    for (std::size_t w = 0; w < ng.size(); ++w) {
      if (ng[w].empty() || !ng[w].matches(copy)) continue;
      list.set_state(i, kNotReported);
      if (w == 0 && s.ngarea_use) {
        drop_around(list, i, -1, clamp_0_10(s.ngarea_before));
        drop_around(list, i, +1, clamp_0_10(s.ngarea_after));
      }
      break;
    }
    if (list.reported(i) && any_ok) {
      bool keep = false;
      for (const TextMatcher& m : ok) keep = keep || (!m.empty() && m.matches(copy));
      if (!keep) list.set_state(i, kNotReported);
    }
    if (++seen % kYieldEvery == 0) std::this_thread::yield();
  }
}

void same_text_pass(const CompareTask& task, TextLineList& list, int start) {
  // Line equality is an equivalence, so keeping the first reported line of
  // each kind and dropping the later ones is the pairwise rule, in one pass.
  const LineEquality eq = equality_of(task.settings);
  std::unordered_map<uint64_t, std::vector<int>> kept;  // hash -> kept lines
  for (int i = start; i < list.line_count(); ++i) {
    if ((i - start + 1) % kYieldEvery == 0) std::this_thread::yield();
    if (!list.reported(i)) continue;
    std::vector<int>& same_hash = kept[line_hash(list.line(i), eq)];
    bool repeated = false;
    for (int j : same_hash) repeated = repeated || lines_equal(list.line(j), list.line(i), eq);
    if (repeated) {
      list.set_state(i, kNotReported);
    } else {
      same_hash.push_back(i);
    }
  }
}

// Returns false when the run was stopped.
bool old_log_pass(const CompareTask& task, TextLineList& list, int start, int log_number,
                  bool deleted_side, std::string_view previous_text) {
  const store::PageSettings& s = task.settings;
  const int k = s.use_old_log >= 0 && s.use_old_log <= kLogNumbers - 1 ? s.use_old_log : 1;
  const LineEquality eq = equality_of(s);
  // Reported lines by hash, so each line of an earlier log costs one lookup.
  std::unordered_map<uint64_t, std::vector<int>> open;
  for (int i = start; i < list.line_count(); ++i) {
    if (list.reported(i)) open[line_hash(list.line(i), eq)].push_back(i);
  }
  std::string work;
  for (int i = 0; i < k && !open.empty(); ++i) {
    if (task.env.stop_requested()) return false;
    // i = 0 is the text the list was just compared with.
    const std::string path = (i == 0 && !deleted_side)
                                 ? std::string(previous_text)
                                 : numbered_log_path(task.folder, deleted_side ? "del" : "log",
                                                     log_number_add(log_number, -i));
    if (path.size() > kMaxPath) continue;
    LineReader reader(path);
    if (!reader.is_open()) continue;
    std::string_view line;
    bool first = true;
    while (!open.empty() && reader.next(line)) {
      const bool skip = first && is_last_modified_line(line);
      first = false;
      if (skip || line.empty()) continue;
      work.assign(line);
      mark_urls(work, s.ignore_image_name != 0, s.ignore_url != 0);
      auto it = open.find(line_hash(work, eq));
      if (it == open.end()) continue;
      std::vector<int>& lines = it->second;
      for (std::size_t j = 0; j < lines.size();) {
        if (lines_equal(list.line(lines[j]), work, eq)) {
          list.set_state(lines[j], kNotReported);
          lines[j] = lines.back();
          lines.pop_back();
        } else {
          ++j;
        }
      }
      if (lines.empty()) open.erase(it);
    }
    std::this_thread::yield();
  }
  return true;
}

void final_adjustments(const CompareTask& task, TextLineList& list, int start) {
  const store::PageSettings& s = task.settings;
  const int count = list.line_count();
  if (s.save_context_use) {
    const int b = clamp_0_10(s.save_context_before);
    const int a = clamp_0_10(s.save_context_after);
    for (int i = start; i < count; ++i) {
      if (!list.reported(i)) continue;
      for (int j = i - 1; j >= i - b && j >= start && !list.reported(j); --j) {
        list.set_state(j, kReported);
      }
    }
    for (int i = count - 2; i >= start; --i) {
      if (!list.reported(i)) continue;
      for (int j = i + 1; j <= i + a && j < count && !list.reported(j); ++j) {
        list.set_state(j, kReported);
      }
    }
  }
  if (s.save_empty_line) {
    for (int i = start; i <= count - 2; ++i) {
      if (list.reported(i) && !list.reported(i + 1) && list.line(i + 1).empty()) {
        list.set_state(i + 1, kReported);
        ++i;
      }
    }
  }
  if (s.ignore_url || s.ignore_image_name) {
    for (int i = 0; i < count; ++i) {
      if (list.reported(i)) restore_quotes(list.line_data(i), list.line(i).size());
    }
  }
}

}  // namespace

bool ignored_line(const store::PageSettings& s, std::string& line, std::string_view host,
                  HostOfUrl host_of) {
  if (line.find_first_not_of(' ') == std::string::npos) return true;
  if (s.get_link_only) {
    if (!keep_links_only(line)) return true;
    // A line cut down to nothing carries no change worth reporting.
    if (line.empty()) return true;
  }
  if (s.ignore_number_only_line && number_only(line)) return true;
  if (s.ignore_no_japanese_line && !has_japanese(line)) return true;
  if (s.ignore_no_text && !has_text_outside_tags(line)) return true;
  if (s.ignore_only_outer_server && !keeps_for_own_server(line, host, host_of)) return true;
  return false;
}

bool run_post_diff_filters(const CompareTask& task, TextLineList& list, int log_number,
                           bool deleted_side, std::string_view previous_text) {
  const store::PageSettings& s = task.settings;
  const int start = header_start(list);
  std::string host;
  if (s.ignore_only_outer_server) {
    const HostOfUrl host_of = task.env.host_of ? task.env.host_of : &url_host;
    host = host_of(cut(s.url));
  }
  if (!ignored_lines_pass(task, list, host)) return false;
  if (task.env.stop_requested()) return false;
  word_pass(task, list, start);
  if (task.env.stop_requested()) return false;
  if (s.ignore_same_text && any_reported(list, start)) same_text_pass(task, list, start);
  if (task.env.stop_requested()) return false;
  if (!old_log_pass(task, list, start, log_number, deleted_side, previous_text)) return false;
  if (task.env.stop_requested()) return false;
  if (!any_reported(list, start)) return false;
  final_adjustments(task, list, start);
  return true;
}

}  // namespace ks::compare
