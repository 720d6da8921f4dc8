#include "present/history.h"

#include <algorithm>
#include <cstdio>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "present/html_text.h"

namespace ks::present {
namespace {

uint32_t byte_sum(std::string_view s) {
  uint32_t sum = 0;
  for (char c : s) sum += static_cast<unsigned char>(c);
  return sum;
}

std::string cut(std::string_view s, std::size_t max) {
  return std::string(s.substr(0, sjis_fit(s, max)));
}

std::string escape_url(std::string_view s) {
  std::string out;
  for (char c : s) out += c == '"' ? std::string("%22") : std::string(1, c);
  return out;
}

std::string link_html(const HistoryLink& l) {
  // A URL a page could script stays text (see is_linkable_url).
  if (!is_linkable_url(l.url)) return escape_html_text(l.text);
  return "<a href=\"" + escape_url(l.url) + "\">" + escape_html_text(l.text) + "</a>";
}

std::string page_head(const std::tm& t) {
  char date[64];
  std::snprintf(date, sizeof date, " (%04d/%02d/%02d)", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
  return "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
         "<!-- saved from url=(0014)about:internet -->\n"
         "<html lang=\"ja\">\n<head>\n<title>" +
         KS_SJ("Kestrelscan履歴") + date +
         "</title>\n"
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n"
         "<style type=\"text/css\">\n<!--\n"
         "body { font-size: 10pt; line-height: 170%; }\n"
         "a { text-decoration: none; }\n"
         "a:link { color : black }\n"
         "a:visited { color: blue }\n"
         "//-->\n</style>\n</head>\n<body>\n";
}

}  // namespace

HistoryList HistoryList::parse(std::string_view bytes) {
  HistoryList list;
  std::vector<std::string> lines;
  while (!bytes.empty()) {
    std::size_t end = bytes.find('\n');
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(0, end);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
  }
  for (std::size_t i = 0; i + 1 < lines.size() && list.entries_.size() < kHistoryMax; i += 2) {
    if (lines[i].empty() || lines[i + 1].empty()) continue;
    HistoryEntry e;
    e.title = cut(lines[i], kHistoryTitleMax);
    e.url = cut(lines[i + 1], kHistoryUrlMax);
    e.length = e.url.size();
    e.sum = byte_sum(e.url);
    list.entries_.push_back(std::move(e));
  }
  return list;
}

HistoryList HistoryList::load(std::string_view data_folder) {
  const auto bytes = read_file(path_join(data_folder, kHistoryFile));
  return bytes ? parse(*bytes) : HistoryList{};
}

void HistoryList::add(std::string_view url_in, std::string_view title) {
  std::string url = cut(url_in, kHistoryUrlMax);
  for (char& c : url) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  while (!url.empty() && url.back() == ' ') url.pop_back();
  if (url.empty()) return;
  const uint32_t sum = byte_sum(url);
  HistoryEntry e;
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->length == url.size() && it->sum == sum && it->url == url) {
      e = std::move(*it);
      entries_.erase(it);
      break;
    }
  }
  if (e.url.empty()) {
    e.url = url;
    e.length = url.size();
    e.sum = sum;
  }
  // Line ends would split the stored pair.
  std::string t = cut(title, kHistoryTitleMax);
  for (char& c : t) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  e.title = t.empty() ? e.title : t;
  if (e.title.empty()) e.title = e.url;
  entries_.insert(entries_.begin(), std::move(e));
  if (entries_.size() > kHistoryMax) entries_.resize(kHistoryMax);
  changed_ = true;
}

bool HistoryList::is_opened(std::string_view url) const {
  const uint32_t sum = byte_sum(url);
  for (const auto& e : entries_) {
    if (e.length == url.size() && e.sum == sum && e.url == url) return true;
  }
  return false;
}

std::string HistoryList::serialize() const {
  std::string out;
  for (const auto& e : entries_) out += e.title + "\n" + e.url + "\n";
  return out;
}

bool HistoryList::save(std::string_view data_folder, bool force) {
  if (!changed_ && !force) return true;
  if (!write_file_atomic(path_join(data_folder, kHistoryFile), serialize())) return false;
  changed_ = false;
  return true;
}

void show_history(Pane& pane, const HistoryList& list) {
  pane.begin();
  pane.write_text(KS_SJ("<<< 開いたリンクの履歴 >>>") + "\r\n");
  for (const auto& e : list.entries()) {
    pane.write_link(e.title, e.url);
    pane.write_text("\r\n");
  }
  pane.end();
}

bool write_history_entry(std::string_view base_folder, const HistoryLink& link,
                         const HistoryLink& heading, std::time_t when) {
  std::tm t{};
  localtime_r(&when, &t);
  const std::string folder = path_join(base_folder, "history");
  if (!make_dirs(folder)) return false;
  char name[64];
  std::snprintf(name, sizeof name, "history-%04d-%02d-%02d.html", t.tm_year + 1900, t.tm_mon + 1,
                t.tm_mday);
  const std::string path = path_join(folder, name);
  std::string page;
  if (auto old = read_file(path)) {
    // The new entry goes over the closing line; a page without one (cut short
    // by a crash) keeps all it has.
    const std::size_t close = old->rfind("</body></html>");
    page = close == std::string::npos ? *old : old->substr(0, close);
  } else {
    page = page_head(t);
  }
  page += link_html(link);
  if (link.url != heading.url || link.text != heading.text) {
    page += "&nbsp;&nbsp;" + KS_SJ("【") + link_html(heading) + KS_SJ("】") + "<br>\n";
  } else {
    page += "<br>\n";
  }
  page += kHistoryClose;
  return write_file_atomic(path, page);
}

}  // namespace ks::present
