// Feed mode: RSS 0.9x/2.0, RSS 1.0 (RDF) and Atom. Only items produce text:
// their fields are captured while the item is read and written as lines when
// it ends; everything at channel level is dropped.

#include <algorithm>

#include "convert/context.h"
#include "platform/url.h"

namespace ks::convert {
namespace {

constexpr std::string_view kCdataOpen = "<![CDATA[";

bool starts_with(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

void append_capped(std::string& field, std::size_t cap, const char* p, std::size_t n) {
  if (field.size() >= cap) return;
  field.append(p, std::min(n, cap - field.size()));
}

// Fields are kept as C strings by their readers: a NUL ends them.
std::string_view up_to_nul(const std::string& s) {
  std::size_t z = s.find('\0');
  return z == std::string::npos ? std::string_view(s) : std::string_view(s).substr(0, z);
}

}  // namespace

void Context::clear_fields() {
  title_.clear();
  flink_.clear();
  summary_.clear();
  content_.clear();
}

void Context::enter_feed(FeedMode mode) {
  write_out();  // text before the root tag stays
  clear_line();
  feed_ = mode;
  field_ = Field::kOutside;
  clear_fields();
  fcd_ = FeedCdata::kNormal;
  collecting_ = false;
}

void Context::field_append(const char* p, std::size_t n) {
  switch (field_) {
    case Field::kTitle:
      append_capped(title_, kFeedTitleMax, p, n);
      return;
    case Field::kLink:
      append_capped(flink_, kFeedLinkMax, p, n);
      return;
    case Field::kSummary:
      append_capped(summary_, kFeedTextMax, p, n);
      return;
    case Field::kContent:
      append_capped(content_, kFeedTextMax, p, n);
      return;
    case Field::kOutside:
    case Field::kInItem:
      return;  // channel text and text between fields are dropped
  }
}

// The tags of a feed; true when the tag is taken (no ordinary action follows).
bool Context::feed_tag(std::string_view lname, bool closing) {
  bool item = (feed_ == FeedMode::kRss && lname == "item") ||
              (feed_ == FeedMode::kAtom && lname == "entry");
  if (item) {
    if (!closing) {
      close_anchor();
      write_out();
      clear_line();
      field_ = Field::kInItem;
    } else {
      write_item();
      field_ = Field::kOutside;
    }
    clear_fields();
    return true;
  }
  if (lname == "title" || (lname == "link" && feed_ == FeedMode::kRss)) {
    Field f = lname == "title" ? Field::kTitle : Field::kLink;
    const std::string& value = f == Field::kTitle ? title_ : flink_;
    if (!closing) {
      if (field_ == Field::kInItem && value.empty()) {
        close_anchor();
        write_out();
        clear_line();
        field_ = f;
      }
    } else if (field_ == f) {
      close_anchor();
      write_out();
      field_ = Field::kInItem;
      clear_line();
    }
    return true;
  }
  if (lname == "link") {  // Atom: <link rel="alternate" href="..."/>
    if (!flink_.empty()) return true;
    std::string_view href;
    bool have_href = false;
    for (std::size_t i = 1; i + 1 < ntok_; ++i) {
      std::string_view t = token(i);
      if (equals_nocase(t, "href")) {
        href = token(i + 1);
        have_href = true;
      } else if (equals_nocase(t, "rel") && !equals_nocase(token(i + 1), "alternate")) {
        return true;
      }
    }
    if (have_href) flink_ = std::string(href.substr(0, kFeedLinkMax));
    return true;
  }
  bool summary = starts_with(lname, "description") || starts_with(lname, "summary");
  bool content = starts_with(lname, "content");
  if (summary || content) {
    bool wanted = summary ? settings_.save_rss_description : settings_.save_rss_content;
    const std::string& value = summary ? summary_ : content_;
    if (!closing && wanted && field_ == Field::kInItem && value.empty()) {
      // Text between the fields (dates, identifiers) must not lead the field.
      close_anchor();
      write_out();
      clear_line();
      field_ = summary ? Field::kSummary : Field::kContent;
    }
    return true;
  }
  return false;
}

// </description>, </summary>, </content>, </content:encoded> while their
// field is captured (feed tags are not consulted then).
void Context::field_end(Field which) {
  if (field_ != which) return;
  close_anchor();
  write_out();
  field_ = Field::kInItem;
  clear_line();
}

void Context::write_item() {
  std::string_view title = up_to_nul(title_);
  std::string_view link = up_to_nul(flink_);
  std::string out;
  if (!link.empty()) {
    std::string resolved = combine_url(settings_.page_url, link);
    if (resolved.size() > kPageUrlMax) resolved.clear();
    out += "<a href=\"";
    for (char c : resolved) {
      if (c == '"') {
        out += "&quot;";
      } else {
        out += c;
      }
    }
    out += "\">";
    out += title.empty() ? link : title;
    out += "</a>\n";
  } else if (!title.empty()) {
    out += title;
    out += '\n';
  }
  for (const std::string* f : {&summary_, &content_}) {
    std::string_view v = up_to_nul(*f);
    if (!v.empty()) {
      out += v;
      out += '\n';
    }
  }
  if (!out.empty()) output(out);
}

// ---- The feed byte layer: CDATA sections and entities ----------------------------

void Context::feed_byte(unsigned char c) {
  switch (fcd_) {
    case FeedCdata::kNormal:
      feed_normal(c);
      return;
    case FeedCdata::kOpen:
      if (c == static_cast<unsigned char>(kCdataOpen[fmatch_])) {
        if (++fmatch_ == kCdataOpen.size()) fcd_ = FeedCdata::kIn;
        return;
      }
      // Not a CDATA section: a plain '<' goes on to open a tag.
      fcd_ = FeedCdata::kNormal;
      put('<');
      for (std::size_t k = 1; k < fmatch_; ++k) {
        feed_normal(static_cast<unsigned char>(kCdataOpen[k]));
      }
      feed_normal(c);
      return;
    case FeedCdata::kIn:
      if (c == ']') {
        fcd_ = FeedCdata::kClose;
        fmatch_ = 1;
      } else {
        put(c);
      }
      return;
    case FeedCdata::kClose:
      if (c == '>' && fmatch_ == 2) {
        fcd_ = FeedCdata::kNormal;
      } else if (c == ']') {
        if (fmatch_ == 2) {
          put(']');  // "]]]": the first one is content
        } else {
          fmatch_ = 2;
        }
      } else {
        for (; fmatch_ > 0; --fmatch_) put(']');
        fcd_ = FeedCdata::kIn;
        put(c);
      }
      return;
  }
}

void Context::feed_normal(unsigned char c) {
  if (collecting_) {
    if (c == ';') {
      collecting_ = false;
      resolve_feed_entity();
      return;
    }
    if (c != '<') {
      if (entity_.size() < kFeedEntityMax) entity_ += static_cast<char>(c);
      return;
    }
    // A '<' ends the collection: the text was no entity after all.
    collecting_ = false;
    put('&');
    for (char k : entity_) put(static_cast<unsigned char>(k));
  }
  if (c == '<') {
    fcd_ = FeedCdata::kOpen;
    fmatch_ = 1;
  } else if (c == '&') {
    collecting_ = true;
    entity_.clear();
  } else {
    put(c);
  }
}

void Context::resolve_feed_entity() {
  std::string_view e = entity_;
  if (e == "amp") {
    put('&');
  } else if (e == "gt") {
    put('>');
  } else if (e == "lt") {
    put('<');
  } else if (e == "quot") {
    put('"');
  } else if (e.size() >= 2 && e[0] == '#') {
    bool hex = e[1] == 'x' || e[1] == 'X';
    std::string_view digits = e.substr(hex ? 2 : 1);
    if (digits.empty()) return;
    uint32_t v = 0;
    for (char ch : digits) {
      uint32_t d = 0;
      if (ch >= '0' && ch <= '9') {
        d = static_cast<uint32_t>(ch - '0');
      } else if (hex && ch >= 'a' && ch <= 'f') {
        d = static_cast<uint32_t>(ch - 'a' + 10);
      } else if (hex && ch >= 'A' && ch <= 'F') {
        d = static_cast<uint32_t>(ch - 'A' + 10);
      } else {
        return;  // not a number: dropped like an unknown name
      }
      v = hex ? v * 16 + d : v * 10 + d;
      if (v > 0x10FFFF) v = 0x110000;  // out of range; stays out of range
    }
    deliver_reference(static_cast<char32_t>(v));
  }
  // Any other name (nbsp, copy, ...) is dropped.
}

}  // namespace ks::convert
