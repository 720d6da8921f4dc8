// Tag dispatch: the names the converter knows and what they do to the text.

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

#include "convert/context.h"

namespace ks::convert {
namespace {

enum class Action : uint8_t {
  kBreak,  // a line break on opening and closing
  kNone,   // known, no effect
  kA,
  kCell,
  kRow,
  kSoftBreak,  // <div>, <li>, <p>: a break that suppression turns into a space
  kForcedBreak,
  kImg,
  kTable,
  kSpan,
  kOption,
  kBase,
  kMeta,
  kXml,
  kScript,
  kStyle,
  kOptgroup,
  kSelect,
  kTextarea,
  kPre,
  kFrame,
  kIframe,
  kRss,
  kAtom,
  kSummaryEnd,
  kContentEnd,
};

struct TagEntry {
  std::string_view name;  // lower case
  Action action;
};

// Sorted by name, so that names with the same first byte are neighbours.
constexpr TagEntry kTags[] = {
    {"?xml", Action::kXml},
    {"a", Action::kA},
    {"abbr", Action::kNone},
    {"acronym", Action::kNone},
    {"address", Action::kBreak},
    {"applet", Action::kNone},
    {"area", Action::kNone},
    {"b", Action::kNone},
    {"base", Action::kBase},
    {"basefont", Action::kNone},
    {"bdo", Action::kNone},
    {"bgsound", Action::kNone},
    {"big", Action::kNone},
    {"blink", Action::kNone},
    {"blockquote", Action::kBreak},
    {"body", Action::kNone},
    {"br", Action::kForcedBreak},
    {"br/", Action::kBreak},
    {"button", Action::kNone},
    {"caption", Action::kNone},
    {"center", Action::kBreak},
    {"cite", Action::kNone},
    {"code", Action::kNone},
    {"col", Action::kNone},
    {"colgroup", Action::kNone},
    {"comment", Action::kNone},
    {"content", Action::kContentEnd},
    {"content:encoded", Action::kContentEnd},
    {"dd", Action::kBreak},
    {"del", Action::kNone},
    {"description", Action::kSummaryEnd},
    {"dfn", Action::kNone},
    {"dir", Action::kBreak},
    {"div", Action::kSoftBreak},
    {"dl", Action::kBreak},
    {"dt", Action::kBreak},
    {"em", Action::kNone},
    {"embed", Action::kNone},
    {"feed", Action::kAtom},
    {"fieldset", Action::kBreak},
    {"font", Action::kNone},
    {"form", Action::kBreak},
    {"frame", Action::kFrame},
    {"frameset", Action::kNone},
    {"h1", Action::kBreak},
    {"h2", Action::kBreak},
    {"h3", Action::kBreak},
    {"h4", Action::kBreak},
    {"h5", Action::kBreak},
    {"h6", Action::kBreak},
    {"head", Action::kNone},
    {"hr", Action::kBreak},
    {"hr/", Action::kBreak},
    {"html", Action::kNone},
    {"i", Action::kNone},
    {"iframe", Action::kIframe},
    {"ilayer", Action::kNone},
    {"img", Action::kImg},
    {"input", Action::kNone},
    {"ins", Action::kNone},
    {"isindex", Action::kBreak},
    {"kbd", Action::kNone},
    {"label", Action::kNone},
    {"layer", Action::kNone},
    {"legend", Action::kNone},
    {"li", Action::kSoftBreak},
    {"link", Action::kNone},
    {"listing", Action::kBreak},
    {"map", Action::kNone},
    {"marquee", Action::kBreak},
    {"menu", Action::kBreak},
    {"meta", Action::kMeta},
    {"multicol", Action::kBreak},
    {"nobr", Action::kNone},
    {"noembed", Action::kNone},
    {"noframes", Action::kNone},
    {"nolayer", Action::kNone},
    {"noscript", Action::kNone},
    {"object", Action::kNone},
    {"ol", Action::kBreak},
    {"optgroup", Action::kOptgroup},
    {"option", Action::kOption},
    {"p", Action::kSoftBreak},
    {"param", Action::kBreak},
    {"pre", Action::kPre},
    {"q", Action::kNone},
    {"rb", Action::kNone},
    {"rdf:rdf", Action::kRss},
    {"rp", Action::kNone},
    {"rss", Action::kRss},
    {"rt", Action::kNone},
    {"ruby", Action::kNone},
    {"s", Action::kNone},
    {"samp", Action::kNone},
    {"script", Action::kScript},
    {"select", Action::kSelect},
    {"small", Action::kNone},
    {"spacer", Action::kNone},
    {"span", Action::kSpan},
    {"strike", Action::kNone},
    {"strong", Action::kNone},
    {"style", Action::kStyle},
    {"sub", Action::kNone},
    {"summary", Action::kSummaryEnd},
    {"sup", Action::kNone},
    {"table", Action::kTable},
    {"tbody", Action::kBreak},
    {"td", Action::kCell},
    {"textarea", Action::kTextarea},
    {"tfoot", Action::kBreak},
    {"th", Action::kBreak},
    {"thead", Action::kBreak},
    {"title", Action::kBreak},
    {"tr", Action::kRow},
    {"tt", Action::kNone},
    {"u", Action::kNone},
    {"ul", Action::kBreak},
    {"var", Action::kNone},
    {"wbr", Action::kNone},
    {"xmp", Action::kBreak},
};

constexpr std::size_t kTagCount = std::size(kTags);

// The entries whose names begin with each byte: a tag name is compared with
// a handful of entries at most, and those mostly differ in length.
struct FirstByteIndex {
  std::array<uint8_t, 129> begin{};  // begin[c] to begin[c + 1], c < 128
  constexpr FirstByteIndex() {
    std::size_t e = 0;
    for (std::size_t c = 0; c < 128; ++c) {
      begin[c] = static_cast<uint8_t>(e);
      while (e < kTagCount && static_cast<unsigned char>(kTags[e].name[0]) == c) ++e;
    }
    begin[128] = static_cast<uint8_t>(e);
  }
};
constexpr FirstByteIndex kIndex;
static_assert(kTagCount < 256 && kIndex.begin[128] == kTagCount,
              "every name starts with an ASCII byte and the table is sorted");

const TagEntry* find_tag(std::string_view lname) {
  if (lname.empty()) return nullptr;
  const auto first = static_cast<unsigned char>(lname[0]);
  if (first >= 128) return nullptr;
  for (std::size_t e = kIndex.begin[first]; e < kIndex.begin[first + 1]; ++e) {
    if (kTags[e].name.size() != lname.size()) continue;
    // Short names: a loop beats a library call here.
    std::size_t k = 1;
    while (k < lname.size() && kTags[e].name[k] == lname[k]) ++k;
    if (k == lname.size()) return &kTags[e];
  }
  return nullptr;
}

}  // namespace

std::size_t Context::find_attr(std::string_view name, std::size_t from) const {
  for (std::size_t i = from; i + 1 < ntok_; ++i) {
    if (equals_nocase(token(i), name)) return i + 1;
  }
  return 0;
}

void Context::handle_tag() {
  if (ntok_ == 0) return;
  std::string_view name = token(0);
  bool closing = false;
  if (!name.empty() && name[0] == '/') {
    closing = true;
    name.remove_prefix(1);
  }
  // Longer names are none of ours, but feed field names match by prefix.
  char buf[64];
  std::size_t n = std::min(name.size(), sizeof buf);
  for (std::size_t i = 0; i < n; ++i) buf[i] = ascii_lower(name[i]);
  std::string_view lname(buf, n);
  bool exact = n == name.size();

  if (feed_ != FeedMode::kOff && field_ != Field::kSummary && field_ != Field::kContent) {
    if (feed_tag(lname, closing)) return;
  }
  if (!exact) return;

  const TagEntry* e = find_tag(lname);
  if (e == nullptr) return;
  switch (e->action) {
    case Action::kBreak:
      soft_break();
      return;
    case Action::kNone:
      return;
    case Action::kA:
      if (closing) {
        close_anchor();
      } else {
        link_start();
      }
      return;
    case Action::kCell:
      table_cell(false, closing);
      return;
    case Action::kRow:
      table_cell(true, closing);
      return;
    case Action::kSoftBreak:
      soft_break();  // under suppression this leaves a pending space
      return;
    case Action::kForcedBreak:
      forced_break();
      return;
    case Action::kImg:
      if (!closing) image();
      return;
    case Action::kTable:
      if (!closing) {
        ++table_depth_;
        soft_break();
      } else {
        close_anchor();
        suppress_ = false;
        soft_break();
        if (table_depth_ > 0) --table_depth_;
      }
      return;
    case Action::kSpan:
      to_pending_space();
      return;
    case Action::kOption:
      if (settings_.save_select) soft_break();
      return;
    case Action::kPre:
      if (!closing) {
        soft_break();
        write_out();
        clear_line();
        ++pre_depth_;
      } else {
        soft_break();
        if (pre_depth_ > 0) --pre_depth_;
      }
      return;
    case Action::kSummaryEnd:
      if (closing) field_end(Field::kSummary);
      return;
    case Action::kContentEnd:
      if (closing) field_end(Field::kContent);
      return;
    default:
      break;
  }
  if (closing) return;
  switch (e->action) {
    case Action::kBase:
      base();
      return;
    case Action::kMeta:
      meta();
      return;
    case Action::kXml:
      xml_declaration();
      return;
    case Action::kScript:
      start_skip(Skip::kScript);
      return;
    case Action::kStyle:
      start_skip(Skip::kStyle);
      return;
    case Action::kOptgroup:
      start_skip(Skip::kOptgroup);
      return;
    case Action::kSelect:
      if (settings_.save_select) {
        soft_break();
      } else {
        start_skip(Skip::kSelect);
      }
      return;
    case Action::kTextarea:
      soft_break();
      write_out();
      sp_ = Spacing::kEmpty;
      start_skip(Skip::kTextarea);
      return;
    case Action::kFrame:
      frame(false);
      return;
    case Action::kIframe:
      if (settings_.save_iframe) frame(true);
      return;
    case Action::kRss:
      if (feed_ == FeedMode::kOff) enter_feed(FeedMode::kRss);
      return;
    case Action::kAtom:
      if (feed_ == FeedMode::kOff) enter_feed(FeedMode::kAtom);
      return;
    default:
      return;
  }
}

void Context::start_skip(Skip mode) {
  skip_ = mode;
  skip_match_ = 0;
}

// Cells and rows under the three table layouts: 0 breaks at every cell,
// 1 keeps each cell on one line, 2 keeps each row on one line.
void Context::table_cell(bool row, bool closing) {
  close_anchor();
  int layout = settings_.table_setting;
  if (layout == 1) {
    if (row) {
      soft_break();
    } else if (!closing) {
      suppress_ = false;
      soft_break();
      suppress_ = true;
    } else {
      suppress_ = false;
      soft_break();
    }
  } else if (layout == 2) {
    if (row) {
      suppress_ = false;
      soft_break();
      if (!closing) suppress_ = true;
    } else if (!closing) {
      to_pending_space();
    } else {
      if (sp_ == Spacing::kNewlineSpace) sp_ = Spacing::kPendingSpace;
      soft_break();
    }
  } else {
    soft_break();
  }
}

void Context::meta() {
  // Only <meta http-equiv=... content=...> in this order counts.
  if (ntok_ < 5 || !equals_nocase(token(1), "http-equiv") || !equals_nocase(token(3), "content")) {
    return;
  }
  std::string_view kind = token(2);
  std::string_view value = token(4);
  if (equals_nocase(kind, "content-type")) {
    std::size_t at = find_nocase(value, "charset=");
    if (at != std::string_view::npos) {
      declare(charset_by_prefix(value.substr(at + 8)));
      return;
    }
    at = find_nocase(value, "encoding=");
    if (at != std::string_view::npos && at + 10 <= value.size()) {
      declare(charset_by_prefix(value.substr(at + 10)));
    }
  } else if (equals_nocase(kind, "refresh")) {
    refresh(value);
  }
}

void Context::xml_declaration() {
  std::size_t v = find_attr("encoding", 1);
  if (v != 0) declare(charset_by_name(token(v)));
}

}  // namespace ks::convert
