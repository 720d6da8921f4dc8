#include "term_pane.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/sjis.h"

namespace ks::cli {
namespace {

bool env_is(const char* name, std::string_view value) {
  const char* v = std::getenv(name);
  return v && value == v;
}

// "r;g;b" of a 0x00BBGGRR colour.
std::string rgb(int32_t c) {
  return std::to_string(c & 0xFF) + ";" + std::to_string((c >> 8) & 0xFF) + ";" +
         std::to_string((c >> 16) & 0xFF);
}

int headline_style(uint8_t attr) {
  if (attr & present::kAttrHeadline2) return 2;
  if (attr & present::kAttrHeadline1) return 1;
  if (attr & present::kAttrHeadline0) return 0;
  return -1;
}

// UTF-8 for the terminal. Control bytes from a page (ESC above all) would
// drive the terminal instead of showing text: they become '?'; tabs stay.
std::string printable_utf8(std::string_view sjis) {
  std::string u = sjis_to_utf8(sjis);
  for (char& c : u) {
    const auto b = static_cast<unsigned char>(c);
    if ((b < 0x20 && c != '\t' && c != '\n') || b == 0x7F) c = '?';
  }
  return u;
}

}  // namespace

TermStyle detect_term_style(std::FILE* out, bool raw) {
  TermStyle s;
  s.raw = raw;
  if (raw) return s;
  const bool tty = isatty(fileno(out)) == 1;
  s.colour = tty && !std::getenv("NO_COLOR") && !env_is("TERM", "dumb");
  s.hyperlinks = s.colour && !env_is("TERM", "linux");
  s.truecolour = s.colour && (env_is("COLORTERM", "truecolor") || env_is("COLORTERM", "24bit"));
  return s;
}

TermPane::TermPane(std::FILE* out, TermStyle style, const app_options::Options& options)
    : out_(out), style_(style), options_(options) {}

TermPane::~TermPane() {
  show_held();
}

void TermPane::end() {
  BufferedPane::end();
  show_held();
}

void TermPane::show_held() {
  flush();
  const std::string& t = text();
  const std::vector<uint8_t>& a = attributes();
  const std::vector<present::PaneLink>& held = links();
  const std::size_t base = base_offset();
  // Left out: item-settings links and the blanks before them.
  std::vector<bool> cut(t.size(), false);
  for (const present::PaneLink& l : held) {
    if (l.target.empty() || l.target[0] != present::kItemSettingsMark || l.start < base) continue;
    std::size_t from = l.start - base;
    const std::size_t to = std::min(t.size(), from + l.length);
    while (from > 0 && t[from - 1] == ' ' && !cut[from - 1]) --from;
    std::fill(cut.begin() + static_cast<std::ptrdiff_t>(from),
              cut.begin() + static_cast<std::ptrdiff_t>(to), true);
  }
  std::size_t next_link = 0;
  std::size_t i = 0;
  while (i < t.size()) {
    if (cut[i]) {
      ++i;
      continue;
    }
    const std::size_t offset = base + i;
    while (next_link < held.size() && held[next_link].start + held[next_link].length <= offset) {
      ++next_link;
    }
    const present::PaneLink* link =
        next_link < held.size() && held[next_link].start <= offset ? &held[next_link] : nullptr;
    const std::size_t link_end = link ? link->start + link->length - base : std::string::npos;
    // A run: same attribute, same link, no line break inside.
    std::size_t j = i + 1;
    if (t[i] != '\n') {
      const std::size_t link_start =
          !link && next_link < held.size() ? held[next_link].start - base : std::string::npos;
      while (j < t.size() && t[j] != '\n' && a[j] == a[i] && j != link_end && j != link_start &&
             !cut[j]) {
        ++j;
      }
    }
    if (link && path_of_ && link->origin.starts_item && link->origin.item != 0 &&
        link->start == offset) {
      const std::string path = path_of_(link->origin.item);
      if (!path.empty()) {
        emit_run(path, a[i], link);
        i = link_end;
        continue;
      }
    }
    emit_run(std::string_view(t).substr(i, j - i), a[i], link);
    i = j;
  }
  std::fflush(out_);
  discard_shown();
}

std::string TermPane::sgr(uint8_t attr) const {
  std::string codes;
  auto add = [&](const std::string& c) {
    if (!codes.empty()) codes += ';';
    codes += c;
  };
  const int style = headline_style(attr);
  if (style >= 0) {
    const auto s = static_cast<std::size_t>(style);
    if (style_.truecolour) {
      const int32_t fg =
          (attr & present::kAttrLink) ? options_.midashi_link_color[s] : options_.midashi_color[s];
      add("1;38;2;" + rgb(fg) + ";48;2;" + rgb(options_.midashi_back_color[s]));
    } else {
      static const char* const kBasic[3] = {"1;37;44", "1;37;45", "1;30;43"};
      add(kBasic[s]);
    }
  } else if (attr & (present::kAttrHighlight0 | present::kAttrHighlight1)) {
    const bool first = attr & present::kAttrHighlight0;
    if (style_.truecolour) {
      add("30;48;2;" + rgb(first ? options_.highlight_color : options_.highlight_color1));
    } else {
      add(first ? "30;43" : "30;42");
    }
  }
  if (attr & present::kAttrDimmed) add("2");
  if (attr & present::kAttrLink) {
    if (options_.use_link_underline) add("4");
    if (style < 0) add(style_.truecolour ? "38;2;" + rgb(options_.link_color) : "34");
  }
  return codes.empty() ? std::string() : "\x1b[" + codes + "m";
}

void TermPane::emit_run(std::string_view text, uint8_t attr, const present::PaneLink* link) {
  if (style_.raw) {
    std::fwrite(text.data(), 1, text.size(), out_);
    return;
  }
  if (text == "\n" || !style_.colour) {
    const std::string u = printable_utf8(text);
    std::fwrite(u.data(), 1, u.size(), out_);
    return;
  }
  const std::string on = sgr(attr);
  std::string s = on;
  const bool hyper = link && style_.hyperlinks && !link->target.empty() &&
                     link->target[0] != present::kItemSettingsMark;
  if (hyper) s += "\x1b]8;;" + printable_utf8(link->target) + "\x1b\\";
  s += printable_utf8(text);
  if (hyper) s += "\x1b]8;;\x1b\\";
  if (!on.empty()) s += "\x1b[0m";
  std::fwrite(s.data(), 1, s.size(), out_);
}

}  // namespace ks::cli
