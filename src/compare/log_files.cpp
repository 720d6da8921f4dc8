#include "compare/log_files.h"

#include <ctime>

#include "compare/limits.h"
#include "compare/line_reader.h"
#include "compare/result_record.h"
#include "platform/fs.h"

namespace ks::compare {
namespace {

bool ends_with(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

void remove_if_fits(const std::string& path, SpareFiles* spares = nullptr) {
  if (path.size() <= kMaxPath) discard_file(spares, path);
}

int month_index(std::string_view m) {
  static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int i = 0; i < 12; ++i) {
    if (m == kMonths[i]) return i;
  }
  return -1;
}

}  // namespace

std::string numbered_log_path(std::string_view folder, std::string_view kind, int n) {
  return path_join(folder, std::string(kind) + std::to_string(n) + ".txt");
}

std::string text_path(std::string_view folder, std::string_view name) {
  return path_join(folder, std::string(name) + ".txt");
}

int log_number_add(int n, int delta) {
  return ((n + delta) % kLogNumbers + kLogNumbers) % kLogNumbers;
}

bool write_reported_lines(std::string_view path, const TextLineList& list, SpareFiles* spares) {
  std::string out;
  if (!list.header().empty()) out += list.header() + "\r\n";
  for (int i = 0; i < list.line_count(); ++i) {
    if (!list.reported(i)) continue;
    out += list.line(i);
    out += "\r\n";
  }
  return replace_file(spares, path, out);
}

int next_log_number(int current) {
  const int n = current + 1;
  return n > kLogNumbers - 1 || n < 0 ? 0 : n;
}

bool move_logs_to(std::string_view folder, int n, FreshLines fresh, SpareFiles* spares) {
  const std::string log = numbered_log_path(folder, "log", n);
  if (log.size() > kMaxPath) return false;
  if (!fresh.add) remove_if_fits(numbered_log_path(folder, "add", n), spares);
  if (!fresh.del) remove_if_fits(numbered_log_path(folder, "del", n), spares);
  return move_file_over(spares, text_path(folder, "new"), log);
}

void prune_logs(std::string_view folder, int n, int use_old_log, int n_reload, SpareFiles* spares) {
  const int k = use_old_log >= 0 && use_old_log <= kLogNumbers - 1 ? use_old_log : 1;
  if (k < kLogNumbers - 1)
    remove_if_fits(numbered_log_path(folder, "log", log_number_add(n, -k - 1)), spares);
  const int r = n_reload >= 1 && n_reload <= kLogNumbers - 1 ? n_reload : 3;
  remove_if_fits(numbered_log_path(folder, "add", log_number_add(n, -r)), spares);
  remove_if_fits(numbered_log_path(folder, "del", log_number_add(n, -r)), spares);
}

void keep_response_file(std::string_view folder, SpareFiles* spares) {
  const std::string response = text_path(folder, "htmltmp");
  const std::string kept = text_path(folder, "html");
  if (response.size() > kMaxPath) return;
  // Renamed over the old one, so html.txt is never missing on the way.
  if (!move_file_over(spares, response, kept) && !path_exists(response)) {
    discard_file(spares, kept);
  }
}

int rotate_logs(std::string_view folder, int current, int use_old_log, int n_reload,
                FreshLines fresh) {
  const int n = next_log_number(current);
  if (!move_logs_to(folder, n, fresh)) return current;
  if (!write_current_log_number(folder, n)) return current;
  prune_logs(folder, n, use_old_log, n_reload);
  keep_response_file(folder);
  return n;
}

std::optional<int64_t> parse_http_date(std::string_view s) {
  // Tokens of letters and digits; the forms differ only in their order:
  //   Sun, 06 Nov 1994 08:49:37 GMT / Sunday, 06-Nov-94 08:49:37 GMT /
  //   Sun Nov  6 08:49:37 1994
  std::string_view tok[8];
  int count = 0;
  std::size_t i = 0;
  while (i < s.size() && count < 8) {
    while (i < s.size() && (s[i] == ' ' || s[i] == ',' || s[i] == '-' || s[i] == '\t')) ++i;
    const std::size_t b = i;
    while (i < s.size() && s[i] != ' ' && s[i] != ',' && s[i] != '-' && s[i] != '\t') ++i;
    if (i > b) tok[count++] = s.substr(b, i - b);
  }
  auto num = [](std::string_view t, int& out) {
    if (t.empty() || t.size() > 4) return false;
    out = 0;
    for (char c : t) {
      if (c < '0' || c > '9') return false;
      out = out * 10 + (c - '0');
    }
    return true;
  };
  int day = 0, year = 0, mon = -1;
  std::string_view clock;
  if (count >= 5 && month_index(tok[1]) >= 0) {  // asctime
    mon = month_index(tok[1]);
    if (!num(tok[2], day) || !num(tok[4], year)) return std::nullopt;
    clock = tok[3];
  } else if (count >= 5) {
    mon = month_index(tok[2]);
    if (mon < 0 || !num(tok[1], day) || !num(tok[3], year)) return std::nullopt;
    clock = tok[4];
  } else {
    return std::nullopt;
  }
  if (year < 100) year += year < 70 ? 2000 : 1900;
  int hh = 0, mm = 0, ss = 0;
  if (clock.size() != 8 || clock[2] != ':' || clock[5] != ':' || !num(clock.substr(0, 2), hh) ||
      !num(clock.substr(3, 2), mm) || !num(clock.substr(6, 2), ss)) {
    return std::nullopt;
  }
  if (day < 1 || day > 31 || hh > 23 || mm > 59 || ss > 60) return std::nullopt;
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = mon;
  tm.tm_mday = day;
  tm.tm_hour = hh;
  tm.tm_min = mm;
  tm.tm_sec = ss;
  return static_cast<int64_t>(timegm(&tm));
}

std::vector<std::string> result_files(std::string_view folder, int n, bool whole_text,
                                      bool detect_deleted) {
  std::vector<std::string> out;
  auto add_if = [&out](std::string path) {
    if (path.size() <= kMaxPath && is_regular_file(path)) out.push_back(std::move(path));
  };
  if (whole_text) {
    const std::string fresh = text_path(folder, "new");
    if (is_regular_file(fresh)) {
      out.push_back(fresh);
    } else if (n >= 0) {
      add_if(numbered_log_path(folder, "log", n));
    }
    return out;
  }
  add_if(n < 0 ? text_path(folder, "add") : numbered_log_path(folder, "add", n));
  if (detect_deleted)
    add_if(n < 0 ? text_path(folder, "del") : numbered_log_path(folder, "del", n));
  return out;
}

std::optional<int64_t> seconds_since_change(std::string_view folder, int n, int64_t now) {
  const std::string path = numbered_log_path(folder, "log", n);
  LineReader r(path);
  std::string_view first;
  if (!r.is_open()) return std::nullopt;
  std::optional<int64_t> t;
  if (r.next(first) && is_last_modified_line(first)) t = parse_http_date(first.substr(14));
  if (!t) t = file_mtime(path);
  if (!t) return std::nullopt;
  return now - *t;
}

std::optional<int64_t> update_time(std::string_view folder, int current) {
  std::optional<int64_t> modified;
  LineReader html(text_path(folder, "html"));
  std::string_view line;
  for (int i = 0; i < 100 && html.next(line) && !line.empty(); ++i) {
    line = line.substr(0, std::min<std::size_t>(line.size(), 98));
    if (is_last_modified_line(line)) {
      modified = parse_http_date(line.substr(14));
      break;
    }
  }
  const std::string add =
      current < 0 ? text_path(folder, "add") : numbered_log_path(folder, "add", current);
  std::optional<int64_t> file_time = file_mtime(add);
  if (!file_time) {
    const std::string gz = current < 0 ? path_join(folder, "add.gz")
                                       : path_join(folder, "add" + std::to_string(current) + ".gz");
    file_time = file_mtime(gz);
  }
  if (modified && file_time) return std::min(*modified, *file_time);
  return modified ? modified : file_time;
}

void delete_past_logs(std::string_view folder) {
  const int current = read_current_log_number(folder);
  for (int n = 0; n < kLogNumbers; ++n) {
    if (n == current) continue;
    remove_if_fits(numbered_log_path(folder, "log", n));
    remove_if_fits(numbered_log_path(folder, "add", n));
  }
  remove_if_fits(path_join(folder, "head.txt"));
}

void delete_past_logs_in_subtree(std::string_view folder,
                                 const std::function<void(std::string_view name)>& progress) {
  for (const DirEntry& e : scan_dir(folder)) {
    if (!e.is_dir) continue;
    const std::string sub = path_join(folder, e.name);
    if (ends_with(e.name, ".grp")) {
      delete_past_logs_in_subtree(sub, progress);
    } else if (ends_with(e.name, ".dat") || ends_with(e.name, ".tpl")) {
      if (progress) progress(e.name);
      delete_past_logs(sub);
    }
  }
}

}  // namespace ks::compare
