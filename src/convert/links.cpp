// Anchors, images, <base>, meta refresh and frames: the markup that keeps a
// page's links in its text lines, with URLs made absolute.

#include "convert/context.h"
#include "platform/sjis.h"
#include "platform/url.h"

namespace ks::convert {
namespace {

bool has_absolute_scheme(std::string_view v) {
  for (std::string_view s : {"http://", "https://", "ftp://"}) {
    if (v.size() >= s.size() && equals_nocase(v.substr(0, s.size()), s)) return true;
  }
  return false;
}

}  // namespace

// The URL that `value` names: taken as it stands when it has a scheme of its
// own, else resolved against <base href> or the page URL (link_base_). Empty when an
// anchor's URL would be too long to keep.
void Context::make_absolute(std::string_view value, bool anchor, std::string& url) const {
  url.clear();
  if (has_absolute_scheme(value)) {
    if (!(anchor && value.size() > kAbsoluteHrefMax)) url.assign(value);
    return;
  }
  link_base_.append_resolved(url, value);
  if (url.size() > kCombinedUrlMax || (anchor && url.size() > kLinkUrlMax)) url.clear();
}

void Context::link_start() {
  write_pending_space();
  close_anchor();
  link_ = Link::kWaiting;
  link_url_.clear();

  bool have_href = false;
  for (std::size_t i = 1; i + 1 < ntok_; ++i) {
    if (equals_nocase(token(i), "href") && !token(i + 1).empty()) {
      make_absolute(token(i + 1), true, link_url_);
      have_href = true;
    }
  }
  if (settings_.ignore_a_name) return;
  if (!have_href) {
    for (std::size_t i = 1; i + 1 < ntok_; ++i) {
      std::string_view t = token(i);
      if ((equals_nocase(t, "name") || equals_nocase(t, "id")) && !token(i + 1).empty()) {
        link_url_ = settings_.page_url;
        link_url_ += '#';
        link_url_ += token(i + 1);
        if (link_url_.size() > kLinkUrlMax) link_url_.resize(kLinkUrlMax);
        write_anchor_start(link_url_);
        link_ = Link::kOpen;
        break;
      }
    }
  }
  // <a name="x"/>: the anchor ends with its own tag.
  const Token& last = tokens_[ntok_ - 1];
  if (ntok_ > 1 && !last.quoted && token(ntok_ - 1) == "/") {
    if (link_ == Link::kOpen) {
      write_pending_space();
      write_raw("</a>");
    }
    link_ = Link::kNone;
    link_url_.clear();
  }
}

void Context::image() {
  write_text("<img");
  for (std::size_t i = 1; i + 1 < ntok_; ++i) {
    if (equals_nocase(token(i), "src") && !token(i + 1).empty()) {
      write_raw(" src=\"");
      make_absolute(token(i + 1), false, image_url_);
      write_attr_value(image_url_);
      emit('"');
    }
  }
  for (std::size_t i = 1; i + 1 < ntok_; ++i) {
    if (equals_nocase(token(i), "alt") && !token(i + 1).empty()) {
      write_raw(" alt=\"");
      write_attr_value(token(i + 1));
      emit('"');
    }
  }
  emit('>');
}

void Context::base() {
  for (std::size_t i = 1; i + 1 < ntok_; ++i) {
    if (!equals_nocase(token(i), "href")) continue;
    std::string_view v = token(i + 1);
    if (v.size() < kBaseUrlMax + 1) {
      base_url_ = std::string(v);
      link_base_.assign(base_url_.empty() ? settings_.page_url : base_url_);
      return;
    }
  }
}

void Context::refresh(std::string_view content) {
  std::size_t at = find_nocase(content, "url=");
  if (at == std::string_view::npos) return;
  std::string url = combine_url(settings_.page_url, content.substr(at + 4));
  if (url.size() > kPageUrlMax) return;
  write_text("[jump to:");
  write_anchor_start(url);
  write_text(url);
  write_text("</a>]");
  soft_break();
}

void Context::frame(bool inline_frame) {
  std::size_t src = 0;
  std::size_t name = 0;
  for (std::size_t i = 1; i + 1 < ntok_; ++i) {
    if (equals_nocase(token(i), "src")) src = i + 1;
    if (equals_nocase(token(i), "name")) name = i + 1;
  }
  if (src == 0 || token(src).empty()) return;
  write_anchor_start(token(src));
  write_text(inline_frame ? KS_SJ("[インラインフレーム") : KS_SJ("[フレーム"));
  if (name != 0 && !token(name).empty()) {
    text_byte(':');
    write_text(token(name));
  }
  write_text("]</a>");
}

}  // namespace ks::convert
