#include "convert/context.h"

#include <algorithm>
#include <cstring>

#include <thread>

#include "convert/codepoint.h"
#include "platform/sjis.h"

namespace ks::convert {
namespace {

bool is_space(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool is_alpha(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// "&#x%X;" into buf (at least 16 bytes); returns its length.
std::size_t hex_reference(char32_t cp, char* buf) {
  std::size_t len = 0;
  buf[len++] = '&';
  buf[len++] = '#';
  buf[len++] = 'x';
  int shift = 28;
  while (shift > 0 && ((cp >> shift) & 0xF) == 0) shift -= 4;
  for (; shift >= 0; shift -= 4) buf[len++] = "0123456789ABCDEF"[(cp >> shift) & 0xF];
  buf[len++] = ';';
  return len;
}

}  // namespace

bool equals_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

std::size_t find_nocase(std::string_view text, std::string_view what) {
  if (what.size() > text.size()) return std::string_view::npos;
  for (std::size_t i = 0; i + what.size() <= text.size(); ++i) {
    if (equals_nocase(text.substr(i, what.size()), what)) return i;
  }
  return std::string_view::npos;
}

Context::Context(const ConvertSettings& settings, TextOutput& out)
    : settings_(settings), out_(out) {}

// ---- Passes ------------------------------------------------------------

void Context::begin_pass(int pass) {
  pass_ = pass <= 1 ? Pass::kFirst : next_pass_;
  next_pass_ = Pass::kSecond;
  int code = settings_.charset_sel;
  if (code < kCharsetAuto || code > kCharsetUtf8) code = kCharsetAuto;
  if (pass_ == Pass::kGuess || pass_ == Pass::kSecond) code = next_charset_;
  may_guess_ = pass_ == Pass::kFirst && code == kCharsetAuto;
  fed_ = 0;
  cs_ = CharsetState{};
  cs_.code = code;
  set_decoder(code);
  restart_ = false;
  bom_matched_ = 0;
  body_started_ = false;
  blocks_ = 0;
  stopped = false;
  output_bytes_ = 0;

  line_len_ = 0;
  sp_ = Spacing::kEmpty;
  scan_ = settings_.as_text ? Scan::kPlainText : Scan::kText;
  tok_ = Tok::kName;
  tag_len_ = 0;
  ntok_ = 0;
  token_start_ = 0;
  link_ = Link::kNone;
  link_url_.clear();
  base_url_.clear();
  link_base_.assign(settings_.page_url);
  skip_ = Skip::kNone;
  skip_match_ = 0;
  pre_depth_ = 0;
  table_depth_ = 0;
  suppress_ = false;
  last_eol_ = 0;
  feed_ = FeedMode::kOff;
  field_ = Field::kOutside;
  clear_fields();
  fcd_ = FeedCdata::kNormal;
  fmatch_ = 0;
  collecting_ = false;
  entity_.clear();
}

void Context::header_charset(std::string_view name) {
  // Quoted forms (charset="utf-8") and blanks are allowed by HTTP.
  while (!name.empty() && (name[0] == '"' || name[0] == '\'' || name[0] == ' ')) {
    name.remove_prefix(1);
  }
  declare(charset_by_prefix(name));
}

void Context::text_line(std::string_view line) {
  write_out();
  std::string l(line);
  std::replace(l.begin(), l.end(), '\0', '?');  // see write()
  l += '\n';
  output(l);
}

bool Context::write(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t n = bytes.size();
  while (n > 0) {
    if (stop_flag != nullptr && stop_flag->load(std::memory_order_relaxed)) {
      stopped = true;
      return false;
    }
    std::size_t chunk = n < kReadBlockSize ? n : kReadBlockSize;
    const unsigned char* block = p;
    if (std::memchr(p, 0, chunk) != nullptr) {
      // A NUL byte would end the line for every later reader and hide the
      // rest of it: it reads as '?', as an overlong UTF-8 NUL or "&#0;" does.
      nul_free_.assign(reinterpret_cast<const char*>(p), chunk);
      std::replace(nul_free_.begin(), nul_free_.end(), '\0', '?');
      block = reinterpret_cast<const unsigned char*>(nul_free_.data());
    }
    if (pass_ == Pass::kGuess && fed_ + chunk > guess_from_) {
      const std::size_t skip = guess_from_ > fed_ ? guess_from_ - fed_ : 0;
      if (!guess_.watch(block + skip, chunk - skip)) {
        // The first reading would not have ended in UTF-8: read it again.
        restart_ = true;
        next_pass_ = Pass::kFirstAgain;
        return false;
      }
    }
    if (!process(block, chunk)) return false;
    fed_ += chunk;
    p += chunk;
    n -= chunk;
    if (++blocks_ % kYieldEveryBlocks == 0) std::this_thread::yield();
  }
  return true;
}

bool Context::process(const unsigned char* p, std::size_t n) {
  std::size_t i = 0;
  // The UTF-8 byte order mark is dropped at the start of the body; a partial
  // match is delivered as ordinary bytes.
  while (!body_started_ && i < n) {
    unsigned char c = p[i++];
    if (c == static_cast<unsigned char>(kBom[bom_matched_])) {
      if (++bom_matched_ == 3) body_started_ = true;
      continue;
    }
    body_started_ = true;
    for (int k = 0; k < bom_matched_; ++k) decode(static_cast<unsigned char>(kBom[k]));
    decode(c);
    if (restart_) return false;
  }
  while (i < n) {
    if (may_guess_ && guess_due() && start_utf8_guess(i)) return false;
    if (feed_ == FeedMode::kOff && (scan_ == Scan::kText || scan_ == Scan::kInTag)) {
      const std::size_t next = fast_run(p, i, n);
      if (restart_) return false;
      if (next != i) {
        // Back to the top: the next byte may well be for the bulk path too
        // (a tag right after a tag).
        i = next;
        continue;
      }
    }
    decode(p[i++]);
    if (restart_) return false;
  }
  return true;
}

// The first reading, between two bytes, with a whole UTF-8 character met and
// nothing declared: it stops here and the page is read as UTF-8 under a
// guess (utf8_guess.h). Only between tags, so that every tag still to come
// lies in the watched bytes. True when the reading stops.
bool Context::start_utf8_guess(std::size_t at) {
  if (!cs_.detecting) {  // a declaration or ESC settled the charset
    may_guess_ = false;
    return false;
  }
  if (scan_ != Scan::kText && scan_ != Scan::kPlainText) return false;
  if (feed_ != FeedMode::kOff && fcd_ == FeedCdata::kOpen) return false;  // a '<' held back
  guess_ = Utf8Guess(cs_.utf8);
  guess_from_ = fed_ + at;
  restart_ = true;
  next_pass_ = Pass::kGuess;
  next_charset_ = kCharsetUtf8;
  return true;
}

namespace {

// Which bytes continue a run of plain ASCII in one state: printable ASCII
// (and TAB), never a byte that a decoder, a validator or the state itself
// has to look at.
struct RunTable {
  bool in[256] = {};
  constexpr RunTable(std::string_view stops, bool line_ends) {
    for (int c = 0x20; c < 0x7F; ++c) in[c] = true;
    in[static_cast<unsigned char>('\t')] = true;
    in[static_cast<unsigned char>('\r')] = in[static_cast<unsigned char>('\n')] = line_ends;
    for (char s : stops) in[static_cast<unsigned char>(s)] = false;
  }
};
constexpr RunTable kDoubleQuotedRun{"\"", false};
constexpr RunTable kSingleQuotedRun{"'", false};
constexpr RunTable kNameRun{" \t;=\"'>", false};
constexpr RunTable kCommentRun{"-", true};  // dropped: line ends too
constexpr RunTable kSkipRun{"<", true};
constexpr RunTable kTextRun{" \t<", false};

[[gnu::always_inline]] inline std::size_t run_end(const RunTable& t, const unsigned char* p,
                                                  std::size_t i, std::size_t n) {
  while (i < n && t.in[p[i]]) ++i;
  return i;
}

// A run into the tag buffer `buf` holding `len` bytes. Runs are short (names
// and values): copying while scanning beats a scan and a library copy. What
// does not fit in the buffer is scanned only.
[[gnu::always_inline]] inline std::size_t copy_run(const RunTable& t, const unsigned char* p,
                                                   std::size_t i, std::size_t n, char* buf,
                                                   std::size_t& len) {
  const std::size_t fits = std::min(n, i + (kTagBufferSize - len));
  char* out = buf + len;
  const std::size_t from = i;
  while (i < fits && t.in[p[i]]) {
    *out++ = static_cast<char>(p[i]);
    ++i;
  }
  len += i - from;
  return i < fits ? i : run_end(t, p, i, n);
}

bool is_plain_ascii(unsigned char c) {
  return c < 0x7F && c != 0x1B;
}

}  // namespace

// After one byte of a tag: the rest of a quoted value, a name or a dropped
// comment as far as it is plain ASCII, at once. Returns the index of the
// first byte not taken.
std::size_t Context::tag_run(const unsigned char* p, std::size_t i, std::size_t n) {
  const RunTable* t = nullptr;
  switch (tok_) {
    case Tok::kDoubleQuoted:
      if (!quoted_raw_) t = &kDoubleQuotedRun;
      break;
    case Tok::kSingleQuoted:
      if (!quoted_raw_) t = &kSingleQuotedRun;
      break;
    case Tok::kName:
      if (!tag_first_) t = &kNameRun;
      break;
    case Tok::kComment:
      if (!settings_.save_comment) t = &kCommentRun;
      break;
    default:
      break;
  }
  if (t == nullptr) return i;
  if (tok_ == Tok::kComment) return run_end(*t, p, i, n);
  return copy_run(*t, p, i, n, tag_.data(), tag_len_);
}

// The plain ASCII of a tag from p[i] on (tag_ascii()), and the tag itself
// when that ends it. Returns the index of the first byte not taken; `leave`
// when the tag changed what fast_run relies on.
std::size_t Context::bulk_tag(const unsigned char* p, std::size_t i, std::size_t n, int decoder,
                              bool detecting, bool& leave) {
  bool done = false;
  const std::size_t next = tag_ascii(p, i, n, done);
  if (done) {
    scan_ = Scan::kText;
    handle_tag();  // may change the decoder, the modes, or ask for a restart
    leave = !bulk_unchanged(decoder, detecting);
  }
  return next;
}

// Whether fast_run, set up for this decoder and detection, may go on after
// a tag: the tag changed neither, started no feed and asked for no restart.
bool Context::bulk_unchanged(int decoder, bool detecting) const {
  return !restart_ && feed_ == FeedMode::kOff && cs_.decoder == decoder &&
         cs_.detecting == detecting;
}

// After one byte of text written as an ordinary character: the printable
// ASCII that follows, at once (no space is pending and no anchor waits).
std::size_t Context::text_run(const unsigned char* p, std::size_t i, std::size_t n) {
  const std::size_t end = run_end(kTextRun, p, i, n);
  while (i < end) {
    if (line_len_ == kLineBufferSize) write_out();
    const std::size_t take = std::min(end - i, kLineBufferSize - line_len_);
    std::memcpy(line_.data() + line_len_, p + i, take);
    line_len_ += take;
    i += take;
  }
  return end;
}

// The common cases in bulk, with the decoder's work inlined: every byte
// under the Shift_JIS decoder (and under detection), and ASCII under the
// other decoders when they hold no partial character. Ordinary text, tags
// and skipped content are handled here; '<' in text, ESC under detection and
// bytes that need decoding go back to the byte-wise path. Returns the index
// of the first byte not handled.
std::size_t Context::fast_run(const unsigned char* p, std::size_t i, std::size_t n) {
  const int decoder = cs_.decoder;
  const bool sjis = decoder == kCharsetSjis;
  if (!sjis) {
    bool idle = cs_.first == 0 && !cs_.kana_next && cs_.need == 0 &&
                (cs_.decoder != kCharsetJis || cs_.jis == JisState::kAscii);
    if (!idle) return i;
  }
  const bool detecting = cs_.detecting;
  for (; i < n; ++i) {
    if (may_guess_ && guess_due()) return i;  // the first reading may stop here
    unsigned char c = p[i];
    if (sjis ? (detecting && c == 0x1B) : (c >= 0x7F || c == 0x1B)) {
      std::size_t used = decoded_pair(p, i, n);
      if (used == 0) {
        // Any other whole character goes the way its bytes would go one by
        // one; what it delivers may end a tag, so the bulk path starts anew.
        used = whole_character(p, i, n);
        return i + used;
      }
      i += used - 1;
      continue;
    }
    if (detecting) {
      // ASCII outside a multi-byte sequence changes no validator.
      if (c >= 0x80 || cs_.utf8.state == Validity::kInSequence ||
          cs_.sjis.state == Validity::kInSequence || cs_.euc.state == Validity::kInSequence) {
        validate_utf8(cs_.utf8, c);
        validate_sjis(cs_.sjis, c);
        validate_euc(cs_.euc, c);
      }
    }
    // Plain ASCII changes no validator unless one is inside a character.
    const bool plain_runs = !detecting || !validator_in_sequence();
    if (scan_ == Scan::kInTag) {
      if (plain_runs) {
        bool leave = false;
        const std::size_t next = bulk_tag(p, i, n, decoder, detecting, leave);
        if (leave) return next;
        if (next > i) {
          i = next - 1;
          continue;
        }
      }
      if (tag_byte(c)) {
        scan_ = Scan::kText;
        handle_tag();  // may change the decoder, the modes, or ask for a restart
        return i + 1;
      }
      if (plain_runs) i = tag_run(p, i + 1, n) - 1;
      continue;
    }
    if (skip_ != Skip::kNone) {
      // Skipped content matches nothing before a '<': it is dropped.
      if (skip_match_ != 0 || skip_ == Skip::kTextarea || c == '<') skip_byte(c);
      if (plain_runs && skip_ != Skip::kNone && skip_match_ == 0 && skip_ != Skip::kTextarea) {
        i = run_end(kSkipRun, p, i + 1, n) - 1;
      }
      continue;
    }
    if (c == '<') {
      scan_ = Scan::kTagStart;
      // The byte after it decides whether a tag starts; plain ASCII needs no
      // decoder, so it is read here rather than on the byte-wise path.
      if (i + 1 >= n || !plain_runs || p[i + 1] >= 0x7F || p[i + 1] == 0x1B) return i + 1;
      put(p[++i]);
      if (scan_ != Scan::kInTag) return i + 1;
      bool leave = false;
      const std::size_t next = bulk_tag(p, i + 1, n, decoder, detecting, leave);
      if (leave) return next;
      i = next - 1;
      continue;
    }
    if (pre_depth_ > 0) {
      pre_byte(c);  // preformatted text keeps every byte
      continue;
    }
    // A whole double-byte character at once (most of a Japanese page).
    if (sjis && i + 1 < n && is_sjis_lead(c) && is_sjis_trail(p[i + 1]) &&
        sp_ != Spacing::kAfterLead) {
      unsigned char t = p[i + 1];
      if (detecting) {
        validate_utf8(cs_.utf8, t);
        validate_sjis(cs_.sjis, t);
        validate_euc(cs_.euc, t);
      }
      write_pair(c, t);
      i = sjis_pair_run(p, i + 2, n) - 1;
      continue;
    }
    text_byte(c);
    if (plain_runs && sp_ == Spacing::kAfterChar && link_ != Link::kWaiting) {
      i = text_run(p, i + 1, n) - 1;
    }
  }
  return i;
}

bool Context::end_pass() {
  // Only a reading that may be followed asks for a restart (a declaration
  // changes nothing once the charset is set).
  if (restart_) return pass_ != Pass::kSecond;
  if (stopped) return false;
  if (!body_started_) {
    body_started_ = true;
    for (int k = 0; k < bom_matched_; ++k) decode(static_cast<unsigned char>(kBom[k]));
  }
  if (link_ == Link::kOpen) {
    write_pending_space();
    write_raw("</a>");
  }
  link_ = Link::kNone;
  write_out();
  if (pass_ == Pass::kGuess && !guess_.held()) {
    next_pass_ = Pass::kFirstAgain;
    return true;
  }
  if (restart_ || pass_ == Pass::kGuess || pass_ == Pass::kSecond) return false;
  if (cs_.code != kCharsetAuto || cs_.jis_switched) return false;
  if (cs_.utf8.state == Validity::kValid) {
    next_charset_ = kCharsetUtf8;
    return true;
  }
  if (cs_.sjis.state == Validity::kValid && !euc_reads_better(cs_.sjis, cs_.euc)) return false;
  if (cs_.euc.state == Validity::kValid) {
    next_charset_ = kCharsetEuc;
    return true;
  }
  return false;
}

// Text of one whole double-byte character.
void Context::write_pair(unsigned char lead, unsigned char trail) {
  if (link_ == Link::kWaiting) open_waiting_anchor();
  if (line_len_ + 3 > kLineBufferSize) write_out();
  if (sp_ == Spacing::kPendingSpace) line_[line_len_++] = ' ';
  line_[line_len_++] = static_cast<char>(lead);
  line_[line_len_++] = static_cast<char>(trail);
  sp_ = Spacing::kAfterDouble;
}

// For the bulk path under the EUC-JP, UTF-8 and Latin-1 decoders: a
// well-formed character at p[i] that becomes ordinary text is written at
// once, and under EUC-JP and UTF-8 so are the like characters that follow.
// Returns the bytes used, 0 when the byte-wise path must decide.
std::size_t Context::decoded_pair(const unsigned char* p, std::size_t i, std::size_t n) {
  if (scan_ != Scan::kText || skip_ != Skip::kNone || pre_depth_ > 0 ||
      sp_ == Spacing::kAfterLead) {
    return 0;
  }
  if (cs_.decoder == kCharsetLatin1) {
    // The reference holds no '<', so it is ordinary text through and through.
    char buf[16];
    std::size_t len = hex_reference(windows1252(p[i]), buf);
    for (std::size_t k = 0; k < len; ++k) text_byte(static_cast<unsigned char>(buf[k]));
    return 1;
  }
  // A written pair leaves the state as it found it (text, nothing skipped,
  // no lead byte pending), so a run of them needs no trip round fast_run.
  const std::size_t start = i;
  if (cs_.decoder == kCharsetEuc) {
    while (i + 1 < n && p[i] >= 0xA1 && p[i] <= 0xFE && p[i + 1] >= 0xA1 && p[i + 1] <= 0xFE) {
      unsigned char s1 = 0, s2 = 0;
      euc_to_sjis(p[i], p[i + 1], s1, s2);
      write_pair(s1, s2);
      i += 2;
    }
  } else if (cs_.decoder == kCharsetUtf8) {
    while (i + 2 < n) {
      const int32_t code = utf8_pair_code(p + i);
      if (code < 0x100) break;
      write_pair(static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code & 0xFF));
      i += 3;
    }
  }
  return i - start;
}

// Under the EUC-JP and UTF-8 decoders with no partial character held: the
// well-formed character at p[i], decoded at once and delivered exactly as
// the byte-wise decoder delivers it. Returns the bytes used, 0 when the
// byte-wise decoder must read p[i].
std::size_t Context::whole_character(const unsigned char* p, std::size_t i, std::size_t n) {
  const unsigned char c = p[i];
  if (cs_.decoder == kCharsetEuc) {
    if (c < 0xA1 || c > 0xFE || i + 1 >= n || p[i + 1] < 0xA1 || p[i + 1] > 0xFE) return 0;
    unsigned char s1 = 0, s2 = 0;
    euc_to_sjis(c, p[i + 1], s1, s2);
    deliver(s1);
    deliver(s2);
    return 2;
  }
  if (cs_.decoder != kCharsetUtf8) return 0;
  std::size_t len = 0;
  char32_t cp = 0;
  if (c >= 0xC0 && c <= 0xDF) {
    len = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF7) {
    len = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + len > n) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    if ((p[i + k] & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (p[i + k] & 0x3F);
  }
  deliver_code_point(cp);
  return len;
}

// The Shift_JIS code of the three-byte UTF-8 character at p (three bytes
// readable); below 0x100 when it is not a character that becomes a pair.
int32_t Context::utf8_pair_code(const unsigned char* p) {
  const unsigned char c = p[0];
  if (c < 0xE0 || c > 0xEF || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80) return 0;
  char32_t cp = static_cast<char32_t>((c & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
  if (cp >= 0xFFFF) return 0;
  return code_point_to_sjis(cp);
}

// After a double-byte character of text under the Shift_JIS decoder: the
// double-byte characters that follow, each as the byte-wise path would
// write it (the validators see both bytes, the pending space is gone).
std::size_t Context::sjis_pair_run(const unsigned char* p, std::size_t i, std::size_t n) {
  const bool detecting = cs_.detecting;
  while (i + 1 < n && is_sjis_lead(p[i]) && is_sjis_trail(p[i + 1])) {
    if (detecting && only_sjis_counts()) {
      // A whole pair leaves the Shift_JIS candidate valid (unless it is out
      // already); its counts only matter while EUC-JP is possible.
      if (cs_.sjis.state != Validity::kInvalid) cs_.sjis.state = Validity::kValid;
    } else if (detecting) {
      for (int k = 0; k < 2; ++k) {
        validate_utf8(cs_.utf8, p[i + k]);
        validate_sjis(cs_.sjis, p[i + k]);
        validate_euc(cs_.euc, p[i + k]);
      }
    }
    if (line_len_ + 3 > kLineBufferSize) write_out();
    line_[line_len_++] = static_cast<char>(p[i]);
    line_[line_len_++] = static_cast<char>(p[i + 1]);
    i += 2;
  }
  return i;
}

// The attributes of a tag in plain ASCII, from the Name state: names and
// quoted values, in the order the tokenizer expects them, with no trip
// through its state switch. Returns at the tag's end (`done`), at a byte
// that is not plain ASCII, or in another state with the byte it must read.
std::size_t Context::attributes(const unsigned char* p, std::size_t i, std::size_t n, bool& done) {
  for (;;) {
    i = copy_run(kNameRun, p, i, n, tag_.data(), tag_len_);
    if (i >= n || !is_plain_ascii(p[i])) return i;
    unsigned char c = p[i++];
    if (c == '>') {
      end_token(false);
      done = true;
      return i;
    }
    if (c != '=') {
      name_byte(c);  // white space, ';', a stray quote or a control byte
      continue;
    }
    end_token(false);
    tok_ = Tok::kValueStart;
    while (i < n && is_space(p[i])) ++i;
    if (i >= n || (p[i] != '"' && p[i] != '\'')) return i;  // '>' or an unquoted value
    const unsigned char quote = p[i++];
    tok_ = quote == '"' ? Tok::kDoubleQuoted : Tok::kSingleQuoted;
    quoted_raw_ = false;
    i = copy_run(quote == '"' ? kDoubleQuotedRun : kSingleQuotedRun, p, i, n, tag_.data(),
                 tag_len_);
    if (i >= n || p[i] != quote) return i;  // a line end or a byte that is not plain
    ++i;
    end_token(true);
    tok_ = Tok::kName;
  }
}

// While detecting: the UTF-8 and EUC-JP candidates are out and the
// Shift_JIS one is between characters, so a pair of Shift_JIS text changes
// nothing but that candidate's state (see euc_reads_better()).
bool Context::only_sjis_counts() const {
  return cs_.utf8.state == Validity::kInvalid && cs_.euc.state == Validity::kInvalid &&
         cs_.sjis.state != Validity::kInSequence;
}

// Plain ASCII of a tag from p[i] on, byte by byte and in runs, up to the
// first byte that a decoder or a validator must see. Returns the index of
// the first byte not taken; `done` when the tag's end was taken.
std::size_t Context::tag_ascii(const unsigned char* p, std::size_t i, std::size_t n, bool& done) {
  while (i < n && is_plain_ascii(p[i])) {
    if (tok_ == Tok::kName && !tag_first_) {
      i = attributes(p, i, n, done);
      if (done) return i;
      continue;  // in another state, or at a byte that is not plain
    }
    if (tag_byte(p[i++])) {
      done = true;
      return i;
    }
    i = tag_run(p, i, n);
  }
  return i;
}

// ---- Decoders -----------------------------------------------------------

void Context::set_decoder(int code) {
  cs_.detecting = code == kCharsetAuto;
  cs_.decoder = code == kCharsetAuto ? kCharsetSjis : code;
  cs_.first = 0;
  cs_.kana_next = false;
  cs_.jis = JisState::kAscii;
  cs_.cp = 0;
  cs_.need = 0;
}

void Context::declare(int code) {
  if (code == kCharsetAuto || cs_.code != kCharsetAuto || settings_.charset_sel != kCharsetAuto) {
    return;
  }
  bool euc_seen = cs_.detecting && cs_.euc.state == Validity::kValid;
  bool utf8_seen = cs_.detecting && cs_.utf8.state == Validity::kValid;
  cs_.code = code;
  set_decoder(code);
  // Bytes already delivered as Shift_JIS were really EUC-JP or UTF-8: the
  // pass is worthless, run it again with the declared charset.
  if ((code == kCharsetEuc && euc_seen) || (code == kCharsetUtf8 && utf8_seen)) {
    restart_ = true;
    next_charset_ = code;
  }
}

void Context::decode(unsigned char c) {
  switch (cs_.decoder) {
    case kCharsetSjis:
      if (cs_.detecting) {
        if (c == 0x1B) {
          cs_.detecting = false;
          cs_.jis_switched = true;
          cs_.decoder = kCharsetJis;
          cs_.jis = JisState::kAscii;
          decode_jis(c);
          return;
        }
        validate_utf8(cs_.utf8, c);
        validate_sjis(cs_.sjis, c);
        validate_euc(cs_.euc, c);
      }
      deliver(c);
      return;
    case kCharsetEuc:
      if (cs_.kana_next) {
        cs_.kana_next = false;
        deliver(c);
      } else if (cs_.first != 0) {
        unsigned char h = cs_.first;
        cs_.first = 0;
        if (c >= 0xA1 && c <= 0xFE) {
          unsigned char s1 = 0, s2 = 0;
          euc_to_sjis(h, c, s1, s2);
          deliver(s1);
          deliver(s2);
        } else {
          // A broken pair: the arithmetic would turn the second byte into
          // garbage (even NUL) and swallow markup such as '<'; the first
          // byte becomes '?' and the second is read again on its own.
          deliver('?');
          decode(c);
        }
      } else if (c == 0x8E) {
        cs_.kana_next = true;
      } else if (c >= 0xA1 && c <= 0xFE) {
        cs_.first = c;
      } else {
        deliver(c);
      }
      return;
    case kCharsetJis:
      decode_jis(c);
      return;
    case kCharsetUtf8:
      decode_utf8(c);
      return;
    case kCharsetLatin1:
      if (c <= 0x7E) {
        deliver(c);
      } else {
        deliver_hex_reference(windows1252(c));
      }
      return;
    default:
      deliver(c);
      return;
  }
}

void Context::decode_jis(unsigned char c) {
  switch (cs_.jis) {
    case JisState::kAscii:
      if (c == 0x1B) {
        cs_.jis = JisState::kEsc;
      } else {
        deliver(c);
      }
      return;
    case JisState::kEsc:
      if (c == '$') {
        cs_.jis = JisState::kEscDollar;
      } else if (c == '(') {
        cs_.jis = JisState::kEscParen;
      } else {
        cs_.jis = JisState::kAscii;
        deliver(c);
      }
      return;
    case JisState::kEscDollar:
      if (c == 'B' || c == '@') {
        cs_.jis = JisState::kKanji;
      } else {
        cs_.jis = JisState::kAscii;
        deliver('$');
        deliver(c);
      }
      return;
    case JisState::kEscParen:
      // ESC ( B and ESC ( J designate ASCII, which is already in use.
      cs_.jis = JisState::kAscii;
      if (c != 'B' && c != 'J') {
        deliver('(');
        deliver(c);
      }
      return;
    case JisState::kKanji:
      if (c == 0x1B) {
        cs_.jis = JisState::kKanjiEsc;
      } else {
        cs_.first = c;
        cs_.jis = JisState::kKanjiSecond;
      }
      return;
    case JisState::kKanjiSecond: {
      unsigned char j1 = cs_.first;
      cs_.first = 0;
      cs_.jis = JisState::kKanji;
      if (j1 >= 0x21 && j1 <= 0x7E && c >= 0x21 && c <= 0x7E) {
        unsigned char s1 = 0, s2 = 0;
        jis_to_sjis(j1, c, s1, s2);
        deliver(s1);
        deliver(s2);
      } else {
        // Not a JIS X 0208 pair: nothing to map it to.
        deliver('?');
        deliver('?');
      }
      return;
    }
    case JisState::kKanjiEsc:
      if (c == '(') {
        cs_.jis = JisState::kKanjiEscParen;
      } else {
        cs_.jis = JisState::kKanji;
        deliver(c);
      }
      return;
    case JisState::kKanjiEscParen:
      if (c == 'B' || c == 'J') {
        cs_.jis = JisState::kAscii;
      } else {
        cs_.jis = JisState::kKanji;
        deliver('(');
        deliver(c);
      }
      return;
  }
}

void Context::decode_utf8(unsigned char c) {
  if (cs_.need > 0) {
    cs_.cp = cs_.cp << 6 | (c & 0x3F);
    if (--cs_.need > 0) return;
    deliver_code_point(cs_.cp);
    return;
  }
  if (c <= 0x7F) {
    deliver(c);
  } else if (c >= 0xC0 && c <= 0xDF) {
    cs_.cp = c & 0x1F;
    cs_.need = 1;
  } else if (c >= 0xE0 && c <= 0xEF) {
    cs_.cp = c & 0x0F;
    cs_.need = 2;
  } else if (c >= 0xF0 && c <= 0xF7) {
    cs_.cp = c & 0x07;
    cs_.need = 3;
  } else {
    deliver('?');
  }
}

// A decoded UTF-8 character: its Shift_JIS bytes, else a reference.
void Context::deliver_code_point(char32_t cp) {
  if (cp == 0) {
    // Only an overlong form gives NUL here; it would cut the line for every
    // later reader, so it is treated as a stray byte.
    deliver('?');
    return;
  }
  int32_t code = cp < 0xFFFF ? code_point_to_sjis(cp) : -1;
  if (code < 0) {
    deliver_hex_reference(cp);
  } else if (code < 0x100) {
    deliver(static_cast<unsigned char>(code));
  } else {
    deliver(static_cast<unsigned char>(code >> 8));
    deliver(static_cast<unsigned char>(code & 0xFF));
  }
}

// "&#x%X;": the form in which characters without a Shift_JIS form stay in
// the text, to be resolved when the line is shown.
void Context::deliver_hex_reference(char32_t cp) {
  char buf[16];
  deliver_text(std::string_view(buf, hex_reference(cp, buf)));
}

void Context::deliver_reference(char32_t cp) {
  std::string s;
  if (cp == 0) {
    s = "??";  // a NUL would end the line for every later reader
  } else {
    append_code_point(s, cp);
  }
  for (char c : s) put(static_cast<unsigned char>(c));
}

// ---- Scanner and tag tokenizer ----------------------------------------------

void Context::put(unsigned char c) {
  switch (scan_) {
    case Scan::kText:
      if (skip_ != Skip::kNone) {
        skip_byte(c);
      } else if (c == '<') {
        scan_ = Scan::kTagStart;
      } else if (pre_depth_ > 0) {
        pre_byte(c);
      } else {
        text_byte(c);
      }
      return;
    case Scan::kTagStart:
      if (is_alpha(c) || c == '!' || c == '/' || c == '-' || c == '?') {
        scan_ = Scan::kInTag;
        tok_ = Tok::kName;
        tag_first_ = true;
        quoted_raw_ = false;
        tag_len_ = 0;
        token_start_ = 0;
        ntok_ = 0;
        if (tag_byte(c)) {
          scan_ = Scan::kText;
          handle_tag();
        }
        return;
      }
      // The '<' was text.
      scan_ = Scan::kText;
      if (pre_depth_ > 0) {
        pre_byte('<');
      } else {
        text_byte('<');
      }
      put(c);
      return;
    case Scan::kInTag:
      if (tag_byte(c)) {
        scan_ = Scan::kText;
        handle_tag();
      }
      return;
    case Scan::kPlainText:
      pre_byte(c);
      return;
  }
}

void Context::end_token(bool quoted) {
  std::size_t len = tag_len_ - token_start_;
  if (len == 0 && !quoted) return;
  if (ntok_ < kMaxTokens) {
    tokens_[ntok_++] = {static_cast<uint32_t>(token_start_), static_cast<uint32_t>(len), quoted};
    // Every token keeps a terminator's byte in the tag buffer.
    if (tag_len_ < kTagBufferSize) tag_[tag_len_++] = '\0';
  } else {
    tag_len_ = token_start_;
  }
  token_start_ = tag_len_;
}

// The Name state: names, attribute names and the ends of tokens.
bool Context::name_byte(unsigned char c) {
  switch (c) {
    case ' ':
    case '\t':
    case '\n':
    case '\r':
    case ';':
      end_token(false);
      return false;
    case '=':
      end_token(false);
      tok_ = Tok::kValueStart;
      return false;
    case '"':
    case '\'':
      return false;
    case '>':
      end_token(false);
      return true;
    default:
      tag_append(c);
      return false;
  }
}

// One byte of a tag; true when the tag is complete.
bool Context::tag_byte(unsigned char c) {
  switch (tok_) {
    case Tok::kName:
      if (tag_first_) {
        tag_first_ = false;
        if (c == '!') {
          tok_ = Tok::kBang;
          return false;
        }
      }
      return name_byte(c);
    case Tok::kValueStart:
      if (is_space(c)) return false;
      if (c == '"' || c == '\'') {
        tok_ = c == '"' ? Tok::kDoubleQuoted : Tok::kSingleQuoted;
        quoted_raw_ = false;
        return false;
      }
      if (c == '>') {
        tag_append(' ');
        end_token(false);
        return true;
      }
      tag_append(c);
      tok_ = Tok::kUnquoted;
      return false;
    case Tok::kUnquoted:
      if (is_space(c) || c == '"' || c == '\'') {
        end_token(false);
        tok_ = Tok::kName;
        return false;
      }
      if (c == '>') {
        end_token(false);
        return true;
      }
      tag_append(c);
      return false;
    case Tok::kDoubleQuoted:
    case Tok::kSingleQuoted:
      if (quoted_raw_) {
        quoted_raw_ = false;
        tag_append(c);
      } else if (is_sjis_lead(c)) {
        quoted_raw_ = true;
        tag_append(c);
      } else if (c == '\r' || c == '\n') {
        // dropped
      } else if (c == (tok_ == Tok::kDoubleQuoted ? '"' : '\'')) {
        end_token(true);
        tok_ = Tok::kName;
      } else {
        tag_append(c);
      }
      return false;
    case Tok::kBang:
      if (c == '-') {
        tok_ = Tok::kBangDash;
        return false;
      }
      if (c == '[') {
        tok_ = Tok::kCdataOpen;
        match_ = 0;
        return false;
      }
      // A declaration such as <!DOCTYPE ...>. The byte is read in the Name
      // state, so that "<!>" ends at its '>'.
      tag_append('!');
      tok_ = Tok::kName;
      return name_byte(c);
    case Tok::kBangDash:
      if (c == '-') {
        tok_ = Tok::kComment;
        if (settings_.save_comment) {
          soft_break();
          write_text("&lt;!--");
        }
        return false;
      }
      tag_append('!');
      tag_append('-');
      tok_ = Tok::kName;
      return name_byte(c);
    case Tok::kComment:
      if (c == '-') {
        tok_ = Tok::kCommentDash;
      } else if (settings_.save_comment) {
        comment_byte(c);
      }
      return false;
    case Tok::kCommentDash:
      if (c == '-') {
        tok_ = Tok::kCommentDashDash;
        return false;
      }
      if (settings_.save_comment) {
        comment_byte('-');
        comment_byte(c);
      }
      tok_ = Tok::kComment;
      return false;
    case Tok::kCommentDashDash:
      if (c == '>') {
        if (settings_.save_comment) {
          write_text("--&gt;");
          soft_break();
        }
        return true;
      }
      if (settings_.save_comment) comment_byte('-');
      if (c != '-') {
        if (settings_.save_comment) comment_byte(c);
        tok_ = Tok::kComment;
      }
      return false;
    case Tok::kCdataOpen: {
      static constexpr std::string_view kCdata = "CDATA[";
      if (ascii_lower(static_cast<char>(c)) == ascii_lower(kCdata[match_])) {
        if (++match_ == kCdata.size()) {
          tok_ = Tok::kCdata;
          match_ = 0;
        }
        return false;
      }
      tag_append('!');
      tag_append('[');
      for (std::size_t k = 0; k < match_; ++k) tag_append(static_cast<unsigned char>(kCdata[k]));
      tok_ = Tok::kName;
      return name_byte(c);
    }
    case Tok::kCdata:
      // match_ counts the ']' of a possible "]]>".
      if (c == '>' && match_ == 2) return true;
      if (c == ']') {
        if (match_ < 2) {
          ++match_;
        } else {
          cdata_content(']');
        }
        return false;
      }
      for (; match_ > 0; --match_) cdata_content(']');
      cdata_content(c);
      return false;
  }
  return false;
}

// Comment text is page text, but its line ends are white space and its
// angle brackets are escaped so that a kept comment never becomes markup.
void Context::comment_byte(unsigned char c) {
  if (c == '\r' || c == '\n') {
    if (after_text()) sp_ = Spacing::kPendingSpace;
  } else if (c == '<') {
    write_text("&lt;");
  } else if (c == '>') {
    write_text("&gt;");
  } else {
    text_byte(c);
  }
}

void Context::cdata_content(unsigned char c) {
  if (feed_ == FeedMode::kOff) {
    pre_byte(c);
    return;
  }
  char b = (c == '\r' || c == '\n') ? ' ' : static_cast<char>(c);
  field_append(&b, 1);
}

// ---- Skipped content ----------------------------------------------------------

namespace {
std::string_view end_tag_of(Skip s) {
  switch (s) {
    case Skip::kScript:
      return "</script>";
    case Skip::kOptgroup:
      return "</optgroup>";
    case Skip::kSelect:
      return "</select>";
    case Skip::kStyle:
      return "</style>";
    case Skip::kTextarea:
      return "</textarea>";
    case Skip::kNone:
      break;
  }
  return {};
}
}  // namespace

void Context::skip_byte(unsigned char c) {
  std::string_view end = end_tag_of(skip_);
  if (ascii_lower(static_cast<char>(c)) == end[skip_match_]) {
    skip_held_[skip_match_++] = static_cast<char>(c);
    if (skip_match_ == end.size()) {
      bool textarea = skip_ == Skip::kTextarea;
      skip_ = Skip::kNone;
      skip_match_ = 0;
      if (textarea) soft_break();
    }
    return;
  }
  if (skip_ == Skip::kTextarea) {
    for (std::size_t k = 0; k < skip_match_; ++k) {
      pre_byte(static_cast<unsigned char>(skip_held_[k]));
    }
    pre_byte(c);
  }
  skip_match_ = 0;
}

// ---- Writer -------------------------------------------------------------

void Context::write_out() {
  if (line_len_ == 0) return;
  if (feed_ == FeedMode::kOff) {
    output(std::string_view(line_.data(), line_len_));
  } else {
    field_append(line_.data(), line_len_);
  }
  line_len_ = 0;
}

void Context::output(std::string_view bytes) {
  std::size_t room = settings_.output_limit - std::min(output_bytes_, settings_.output_limit);
  if (bytes.size() > room) bytes = bytes.substr(0, room);
  if (bytes.empty()) return;
  output_bytes_ += bytes.size();
  out_.write(bytes);
}

void Context::write_pending_space() {
  if (sp_ == Spacing::kPendingSpace || sp_ == Spacing::kNewlineSpace) {
    emit(' ');
    sp_ = Spacing::kSpaceWritten;
  }
}

void Context::write_attr_value(std::string_view v) {
  for (std::size_t q = v.find('"'); q != std::string_view::npos; q = v.find('"')) {
    write_raw(v.substr(0, q));
    write_raw("&quot;");
    v.remove_prefix(q + 1);
  }
  write_raw(v);
}

void Context::write_anchor_start(std::string_view url) {
  write_raw("<a href=\"");
  write_attr_value(url);
  write_raw("\">");
}

void Context::open_waiting_anchor() {
  if (link_ == Link::kWaiting) {
    write_anchor_start(link_url_);
    link_ = Link::kOpen;
  }
}

void Context::to_pending_space() {
  if (after_text()) sp_ = Spacing::kPendingSpace;
}

void Context::soft_break() {
  if (suppress_) {
    to_pending_space();
    return;
  }
  if (sp_ == Spacing::kLineStart) return;
  forced_break();
}

void Context::forced_break() {
  if (suppress_) {
    to_pending_space();
    return;
  }
  if (link_ == Link::kOpen) {
    write_raw("</a>");
    link_ = Link::kWaiting;
  }
  emit('\n');
  sp_ = Spacing::kLineStart;
}

void Context::close_anchor() {
  if (link_ == Link::kOpen) {
    write_pending_space();
    write_raw("</a>");
  }
  link_ = Link::kNone;
  link_url_.clear();
}

// ---- Preformatted content ------------------------------------------------------

void Context::hard_break() {
  if (in_table()) {
    soft_break();
    return;
  }
  write_pending_space();
  open_waiting_anchor();
  emit('\n');
  sp_ = Spacing::kLineStart;
}

void Context::pre_byte(unsigned char c) {
  if (c == '\r' || c == '\n') {
    char other = c == '\r' ? '\n' : '\r';
    if (last_eol_ == other) {
      last_eol_ = 0;  // the second byte of a CR LF or LF CR pair
      return;
    }
    hard_break();
    last_eol_ = static_cast<char>(c);
    return;
  }
  last_eol_ = 0;
  if (in_table()) {
    text_byte(c);
    return;
  }
  if (scan_ == Scan::kPlainText) {
    // Plain text has no markup of its own; its angle brackets are escaped so
    // that the line markup stays unambiguous.
    if (c == '<') {
      write_raw("&lt;");
    } else if (c == '>') {
      write_raw("&gt;");
    } else {
      emit(static_cast<char>(c));
    }
    sp_ = Spacing::kAfterChar;
    return;
  }
  open_waiting_anchor();
  write_pending_space();
  if (c == ' ' || c == '\t') {
    if (sp_ == Spacing::kLineStart || sp_ == Spacing::kSpaceWritten || sp_ == Spacing::kEmpty) {
      write_raw("&nbsp;");
      sp_ = Spacing::kAfterChar;
    } else {
      emit(' ');
      sp_ = Spacing::kSpaceWritten;
    }
    return;
  }
  if (c == '<') {
    write_raw("&lt;");
  } else if (c == '>') {
    write_raw("&gt;");
  } else {
    emit(static_cast<char>(c));
  }
  sp_ = Spacing::kAfterChar;
}

}  // namespace ks::convert
