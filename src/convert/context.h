// The converter's context and its byte-level machinery, shared by the files
// of the converter (decoding, scanning and writing in context.cpp; tag
// dispatch in tags.cpp; links, images and frames in links.cpp; feeds in
// feed.cpp). Internal to src/convert.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "convert/charset.h"
#include "convert/converter.h"
#include "convert/limits.h"
#include "convert/utf8_guess.h"
#include "platform/ascii.h"
#include "platform/sjis.h"
#include "platform/url.h"

namespace ks::convert {

// What the line ends with and which white space is pending.
enum class Spacing : uint8_t {
  kEmpty,         // nothing written since the start or since the buffer was cleared
  kLineStart,     // a line feed was just written
  kAfterChar,     // a one-byte character other than half-width katakana
  kAfterKana,     // half-width katakana (0xA1 to 0xDF)
  kAfterLead,     // a Shift_JIS lead byte
  kAfterDouble,   // the trail byte of a double-byte character
  kNewlineSpace,  // a source line break after kana or double-byte text
  kPendingSpace,  // white space after text
  kSpaceWritten,  // a space was just written
};

enum class Scan : uint8_t {
  kText,       // page text; '<' may start a tag
  kTagStart,   // after '<': a letter or ! / - ? starts a tag
  kInTag,      // bytes go to the tag tokenizer
  kPlainText,  // AS_TEXT: every byte is preformatted text
};

enum class Tok : uint8_t {
  kName,             // names and unquoted tokens
  kValueStart,       // after '='
  kUnquoted,         // an unquoted value
  kDoubleQuoted,     // inside "..."
  kSingleQuoted,     // inside '...'
  kBang,             // after "<!"
  kBangDash,         // after "<!-"
  kComment,          // inside <!-- -->
  kCommentDash,      // one '-' seen in a comment
  kCommentDashDash,  // "--" seen: '>' ends the comment
  kCdataOpen,        // matching "CDATA[" after "<!["
  kCdata,            // inside <![CDATA[ ]]>
};

enum class Link : uint8_t { kNone, kWaiting, kOpen };

enum class Skip : uint8_t { kNone, kScript, kOptgroup, kSelect, kStyle, kTextarea };

enum class FeedMode : uint8_t { kOff, kRss, kAtom };

enum class Field : uint8_t { kOutside, kInItem, kTitle, kLink, kSummary, kContent };

enum class FeedCdata : uint8_t {
  kNormal,  // entities are resolved; '<' may begin "<![CDATA["
  kOpen,    // matching "<![CDATA["
  kIn,      // inside a CDATA section: bytes pass unresolved
  kClose,   // matching "]]>"
};

struct Token {
  uint32_t offset;
  uint32_t length;
  bool quoted;
};

class Context {
 public:
  Context(const ConvertSettings& settings, TextOutput& out);

  void begin_pass(int pass);
  void header_charset(std::string_view name);
  void text_line(std::string_view line);
  bool write(std::string_view bytes);
  bool end_pass();

  const std::atomic<bool>* stop_flag = nullptr;
  bool stopped = false;
  int charset() const { return cs_.code; }

 private:
  // Decoding (context.cpp).
  void decode(unsigned char c);
  void decode_jis(unsigned char c);
  void decode_utf8(unsigned char c);
  void deliver(unsigned char c) {
    if (feed_ != FeedMode::kOff) {
      feed_byte(c);
    } else {
      put(c);
    }
  }
  void deliver_text(std::string_view s) {
    for (char c : s) deliver(static_cast<unsigned char>(c));
  }
  void deliver_reference(char32_t cp);
  void deliver_hex_reference(char32_t cp);
  void set_decoder(int code);
  void declare(int code);
  bool start_utf8_guess(std::size_t at);
  // A whole UTF-8 character was met; a byte that breaks UTF-8 ends the hope.
  bool guess_due() {
    if (cs_.utf8.state == Validity::kValid) return true;
    if (cs_.utf8.state == Validity::kInvalid) may_guess_ = false;
    return false;
  }
  bool process(const unsigned char* p, std::size_t n);
  std::size_t fast_run(const unsigned char* p, std::size_t i, std::size_t n);
  // Runs of plain ASCII that need no decision byte by byte (fast_run).
  std::size_t tag_run(const unsigned char* p, std::size_t i, std::size_t n);
  std::size_t bulk_tag(const unsigned char* p, std::size_t i, std::size_t n, int decoder,
                       bool detecting, bool& leave);
  bool bulk_unchanged(int decoder, bool detecting) const;
  std::size_t text_run(const unsigned char* p, std::size_t i, std::size_t n);
  bool validator_in_sequence() const {
    return cs_.utf8.state == Validity::kInSequence || cs_.sjis.state == Validity::kInSequence ||
           cs_.euc.state == Validity::kInSequence;
  }
  std::size_t decoded_pair(const unsigned char* p, std::size_t i, std::size_t n);
  static int32_t utf8_pair_code(const unsigned char* p);
  std::size_t whole_character(const unsigned char* p, std::size_t i, std::size_t n);
  void deliver_code_point(char32_t cp);
  std::size_t sjis_pair_run(const unsigned char* p, std::size_t i, std::size_t n);
  bool only_sjis_counts() const;
  std::size_t tag_ascii(const unsigned char* p, std::size_t i, std::size_t n, bool& done);
  std::size_t attributes(const unsigned char* p, std::size_t i, std::size_t n, bool& done);
  void write_pair(unsigned char lead, unsigned char trail);

  // Scanner, tokenizer, writer (context.cpp).
  void put(unsigned char c);
  bool tag_byte(unsigned char c);
  bool name_byte(unsigned char c);
  void tag_append(unsigned char c) {
    if (tag_len_ < kTagBufferSize) tag_[tag_len_++] = static_cast<char>(c);
  }
  void end_token(bool quoted);
  void comment_byte(unsigned char c);
  void cdata_content(unsigned char c);
  void skip_byte(unsigned char c);
  void pre_byte(unsigned char c);
  void hard_break();

 public:
  // Output primitives, also used by links and feeds.
  void emit(char c) {
    if (line_len_ == kLineBufferSize) write_out();
    line_[line_len_++] = c;
  }
  void write_raw(std::string_view s) {
    while (!s.empty()) {
      if (line_len_ == kLineBufferSize) write_out();
      const std::size_t take = std::min(s.size(), kLineBufferSize - line_len_);
      std::memcpy(line_.data() + line_len_, s.data(), take);
      line_len_ += take;
      s.remove_prefix(take);
    }
  }
  // An attribute value of the line markup: '"' becomes "&quot;", which keeps
  // the attribute (and the line) well-formed.
  void write_attr_value(std::string_view v);
  void text_byte(unsigned char c);
  void write_text(std::string_view s) {
    for (char c : s) text_byte(static_cast<unsigned char>(c));
  }
  void write_pending_space();
  void open_waiting_anchor();
  void write_anchor_start(std::string_view url);
  void close_anchor();
  void soft_break();
  void forced_break();
  void to_pending_space();  // text states become PendingSpace
  void write_out();
  // Everything that reaches the output passes here (capped per pass).
  void output(std::string_view bytes);
  void clear_line() {
    line_len_ = 0;
    sp_ = Spacing::kEmpty;
  }

 private:
  bool after_text() const { return sp_ >= Spacing::kAfterChar && sp_ <= Spacing::kAfterDouble; }
  bool in_table() const {
    return table_depth_ > 0 && skip_ != Skip::kTextarea && scan_ != Scan::kPlainText;
  }

  // Tags (tags.cpp).
  std::string_view token(std::size_t i) const {
    return {tag_.data() + tokens_[i].offset, tokens_[i].length};
  }
  // The token after the first (or last) token equal to `name`, without
  // regard to case; empty when there is none.
  std::size_t find_attr(std::string_view name, std::size_t from) const;
  void handle_tag();
  void table_cell(bool row, bool closing);
  void start_skip(Skip mode);
  void meta();
  void xml_declaration();

  // Links, images, frames (links.cpp).
  // Into `url` (cleared first), whose room is reused from link to link.
  void make_absolute(std::string_view value, bool anchor, std::string& url) const;
  void link_start();
  void image();
  void base();
  void refresh(std::string_view content);
  void frame(bool inline_frame);

  // Feeds (feed.cpp).
  void enter_feed(FeedMode mode);
  bool feed_tag(std::string_view lname, bool closing);
  void field_end(Field which);
  void feed_byte(unsigned char c);
  void feed_normal(unsigned char c);
  void resolve_feed_entity();
  void field_append(const char* p, std::size_t n);
  void write_item();
  void clear_fields();

  const ConvertSettings settings_;
  TextOutput& out_;

  // Pass and decoding. A page is read once, or twice when its charset is
  // found late; a guess that the page is UTF-8 (utf8_guess.h) may add a
  // short first reading before, and when it fails, the long way after.
  enum class Pass : uint8_t {
    kFirst,       // detection, or the item's own charset
    kGuess,       // read as UTF-8 while the guess is watched
    kFirstAgain,  // the guess failed: detection as in the first, no guess
    kSecond,      // the charset the first reading settled
  };
  Pass pass_ = Pass::kFirst;
  Pass next_pass_ = Pass::kSecond;
  int next_charset_ = 0;
  bool may_guess_ = false;  // the first reading may still stop for a guess
  std::size_t fed_ = 0;     // body bytes processed in this pass
  std::size_t guess_from_ = 0;
  Utf8Guess guess_;
  CharsetState cs_;
  bool restart_ = false;
  int bom_matched_ = 0;  // bytes of the UTF-8 byte order mark matched
  bool body_started_ = false;
  long blocks_ = 0;

  // Output.
  std::size_t output_bytes_ = 0;  // written in this pass
  // The three large buffers are left uninitialised: a context is made for
  // every page, and only their first line_len_, tag_len_ and ntok_ entries
  // are ever read, so zero-filling them would cost more than small pages.
  std::array<char, kLineBufferSize> line_;
  std::size_t line_len_ = 0;
  Spacing sp_ = Spacing::kEmpty;

  // Scanner and tokenizer.
  Scan scan_ = Scan::kText;
  Tok tok_ = Tok::kName;
  bool tag_first_ = true;    // the next byte is the tag's first
  bool quoted_raw_ = false;  // inside quotes: the byte after a lead byte is kept
  uint8_t match_ = 0;        // CDATA and "]]>" match counts in the tokenizer
  std::array<char, kTagBufferSize> tag_;
  std::size_t tag_len_ = 0;
  std::size_t token_start_ = 0;
  std::array<Token, kMaxTokens> tokens_;
  std::size_t ntok_ = 0;

  // Links.
  Link link_ = Link::kNone;
  std::string link_url_;
  std::string base_url_;
  UrlBase link_base_;  // <base href> if any, else the page URL, split once
  std::string image_url_;
  std::string nul_free_;  // a block of the body with its NUL bytes replaced

  // Skipped content, preformatted content, tables.
  Skip skip_ = Skip::kNone;
  std::size_t skip_match_ = 0;
  std::array<char, 16> skip_held_{};  // the bytes of a partial end-tag match
  int pre_depth_ = 0;
  int table_depth_ = 0;
  bool suppress_ = false;
  char last_eol_ = 0;

  // Feeds.
  FeedMode feed_ = FeedMode::kOff;
  Field field_ = Field::kOutside;
  std::string title_, flink_, summary_, content_;
  FeedCdata fcd_ = FeedCdata::kNormal;
  uint8_t fmatch_ = 0;
  bool collecting_ = false;
  std::string entity_;
};

// One byte of page text: white space becomes pending, a pending space is
// written before the next character, and a waiting anchor is opened first.
[[gnu::always_inline]] inline void Context::text_byte(unsigned char c) {
  switch (c) {
    case ' ':
    case '\t':
    case '\f':
      if (after_text()) sp_ = Spacing::kPendingSpace;
      return;
    case '\r':
    case '\n':
      if (sp_ == Spacing::kAfterChar) {
        sp_ = Spacing::kPendingSpace;
      } else if (sp_ >= Spacing::kAfterKana && sp_ <= Spacing::kAfterDouble) {
        sp_ = Spacing::kNewlineSpace;
      }
      return;
    default:
      break;
  }
  bool space = sp_ == Spacing::kPendingSpace ||
               (sp_ == Spacing::kNewlineSpace && !is_sjis_lead(c) && !(c >= 0xA1 && c <= 0xDF));
  if (link_ == Link::kWaiting) open_waiting_anchor();
  if (space) emit(' ');
  emit(static_cast<char>(c));
  if (sp_ == Spacing::kAfterLead && is_sjis_trail(c)) {
    sp_ = Spacing::kAfterDouble;
  } else if (is_sjis_lead(c)) {
    sp_ = Spacing::kAfterLead;
  } else if ((c >= 0xA1 && c <= 0xDF)) {
    sp_ = Spacing::kAfterKana;
  } else {
    sp_ = Spacing::kAfterChar;
  }
}

bool equals_nocase(std::string_view a, std::string_view b);
std::size_t find_nocase(std::string_view text, std::string_view what);

}  // namespace ks::convert
