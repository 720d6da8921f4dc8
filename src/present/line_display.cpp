#include "present/line_display.h"

#include <string>

#include "convert/entities.h"
#include "platform/sjis.h"
#include "platform/url.h"

namespace ks::present {
namespace {

constexpr std::string_view kAnchorStart = "<a href=\"";
constexpr std::string_view kAnchorEnd = "</a>";
constexpr std::string_view kImageStart = "<img";

char lower_ascii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool starts_with_ci(std::string_view s, std::size_t i, std::string_view prefix) {
  if (s.size() - i < prefix.size()) return false;
  for (std::size_t k = 0; k < prefix.size(); ++k) {
    if (lower_ascii(s[i + k]) != lower_ascii(prefix[k])) return false;
  }
  return true;
}

std::string decoded(std::string_view text) {
  std::string s(text);
  convert::decode_references(s);
  return s;
}

// The '>' that ends the tag starting at `i`, skipping quoted values; '"' and
// '>' are never trail bytes, so a byte scan is safe.
std::size_t tag_end(std::string_view line, std::size_t i) {
  bool quoted = false;
  for (; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == '>' && !quoted) return i;
  }
  return std::string_view::npos;
}

// Empty, or nothing but blanks (half-width or full-width).
bool blank_text(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] == ' ' || s[i] == '\t') {
      ++i;
    } else if (s.substr(i, 2) == "\x81\x40") {
      i += 2;
    } else {
      return false;
    }
  }
  return true;
}

struct ImageTag {
  std::string_view src;
  std::string_view alt;
};

// The src and alt values of `<img ... >` (the tag without its '>').
ImageTag parse_image(std::string_view tag) {
  ImageTag img;
  std::size_t i = kImageStart.size();
  while (i < tag.size()) {
    while (i < tag.size() && tag[i] == ' ') ++i;
    const std::size_t eq = tag.find('=', i);
    if (eq == std::string_view::npos || eq + 1 >= tag.size() || tag[eq + 1] != '"') break;
    const std::size_t close = tag.find('"', eq + 2);
    if (close == std::string_view::npos) break;
    const std::string_view name = tag.substr(i, eq - i);
    const std::string_view value = tag.substr(eq + 2, close - eq - 2);
    if (starts_with_ci(name, 0, "src") && name.size() == 3) img.src = value;
    if (starts_with_ci(name, 0, "alt") && name.size() == 3) img.alt = value;
    i = close + 1;
  }
  return img;
}

std::string image_text(const ImageTag& img, const LineStyle& style) {
  std::string text = "[" + KS_SJ("画像");
  if (!img.alt.empty()) {
    text += ":" + decoded(img.alt);
  } else if (style.disp_image_name && !img.src.empty()) {
    const std::size_t slash = img.src.rfind('/');
    text += ":";
    text += slash == std::string_view::npos ? img.src : img.src.substr(slash + 1);
  }
  return text + "]";
}

// A line with the converter's markup.
class MarkupWriter {
 public:
  MarkupWriter(Pane& pane, const LineStyle& style) : pane_(pane), style_(style) {}

  void write(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size()) {
      if (is_sjis_pair(line, i)) {
        text_.append(line.substr(i, 2));
        i += 2;
        continue;
      }
      if (line[i] == '<') {
        const std::size_t next = markup(line, i);
        if (next != i) {
          i = next;
          continue;
        }
      }
      text_.push_back(line[i++]);
    }
    flush_text();
    // The converter closes every anchor on its line; a line cut short still
    // shows what its link had.
    if (in_link_) close_link();
  }

 private:
  // Handles markup at line[i]; returns the offset after it, or i when the
  // bytes there are not markup this writer knows (they are then text).
  std::size_t markup(std::string_view line, std::size_t i) {
    if (style_.show_html_tag) {
      const std::size_t gt = tag_end(line, i);
      if (gt == std::string_view::npos) return i;
      flush_text();
      pane_.write_text(line.substr(i, gt + 1 - i));
      return gt + 1;
    }
    if (starts_with_ci(line, i, kAnchorStart)) {
      const std::size_t url_start = i + kAnchorStart.size();
      const std::size_t quote = line.find('"', url_start);
      const std::size_t gt = quote == std::string_view::npos ? quote : line.find('>', quote);
      if (gt == std::string_view::npos) return i;
      flush_text();
      if (in_link_) close_link();
      url_.assign(line.substr(url_start, quote - url_start));
      link_text_.clear();
      in_link_ = true;
      return gt + 1;
    }
    if (in_link_ && starts_with_ci(line, i, kAnchorEnd)) {
      flush_text();
      close_link();
      return i + kAnchorEnd.size();
    }
    if (starts_with_ci(line, i, kImageStart)) {
      const std::size_t gt = tag_end(line, i);
      if (gt == std::string_view::npos) return i;
      flush_text();
      const ImageTag img = parse_image(line.substr(i, gt - i));
      const std::string shown = image_text(img, style_);
      if (in_link_) {
        link_text_ += shown;
      } else if (style_.image_link && !img.src.empty()) {
        pane_.write_link(shown, img.src, style_.origin);
      } else {
        pane_.write_text(shown);
      }
      return gt + 1;
    }
    return i;
  }

  void flush_text() {
    if (text_.empty()) return;
    std::string d = decoded(text_);
    text_.clear();
    if (in_link_) {
      link_text_ += d;
    } else {
      pane_.write_text(d);
    }
  }

  void close_link() {
    in_link_ = false;
    pane_.write_link(blank_text(link_text_) ? std::string_view("[link]") : link_text_, url_,
                     style_.origin);
  }

  Pane& pane_;
  const LineStyle& style_;
  std::string text_;  // text not yet written, references undecoded
  bool in_link_ = false;
  std::string url_;
  std::string link_text_;  // decoded
};

// A page kept as text: shown as it reads, the quoted value after `a href=`
// or `img src=` becoming a link.
void write_plain_line(Pane& pane, std::string_view raw, const LineStyle& style) {
  const std::string line = decoded(raw);
  const std::string_view s = line;
  std::size_t written = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    if (is_sjis_pair(s, i)) {
      i += 2;
      continue;
    }
    std::size_t value = std::string_view::npos;
    if (starts_with_ci(s, i, "a href=\"")) value = i + 8;
    if (starts_with_ci(s, i, "img src=\"")) value = i + 9;
    if (value == std::string_view::npos) {
      ++i;
      continue;
    }
    const std::size_t close = s.find('"', value);
    if (close == std::string_view::npos) break;
    pane.write_text(s.substr(written, value - written));
    const std::string_view target = s.substr(value, close - value);
    if (starts_with_ci(target, 0, "http://") || starts_with_ci(target, 0, "https://")) {
      pane.write_link(target, target, style.origin);
    } else {
      pane.write_link(target, combine_url(style.base_url, target), style.origin);
    }
    written = close;
    i = close + 1;
  }
  pane.write_text(s.substr(written));
}

}  // namespace

void write_display_line(Pane& pane, std::string_view line, const LineStyle& style) {
  if (style.as_text) {
    write_plain_line(pane, line, style);
  } else {
    MarkupWriter(pane, style).write(line);
  }
  pane.write_text("\n");
}

}  // namespace ks::present
