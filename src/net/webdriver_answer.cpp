#include "net/webdriver_answer.h"

#include <algorithm>

#include "net/text_util.h"

namespace ks::net {
namespace {

// Digits after optional blanks; -1 when there are none or the value is absurd.
int64_t parse_decimal(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  int64_t v = 0;
  bool any = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (v > (int64_t{1} << 40)) return -1;
    v = v * 10 + (s[i] - '0');
    any = true;
  }
  return any ? v : -1;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Four hex digits at text[i..i+3]; -1 when they are not.
int hex4(std::string_view text, std::size_t i) {
  if (i + 4 > text.size()) return -1;
  int v = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    const int h = hex_value(text[i + k]);
    if (h < 0) return -1;
    v = v * 16 + h;
  }
  return v;
}

void append_utf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The end of the string whose content starts at `begin`: the index of its
// closing quote, or text.size() when it is not closed.
std::size_t string_end(std::string_view text, std::size_t begin) {
  std::size_t i = begin;
  while (i < text.size()) {
    if (text[i] == '\\') {
      i += 2;
      continue;
    }
    if (text[i] == '"') return i;
    ++i;
  }
  return text.size();
}

}  // namespace

void AnswerTracker::end_line() {
  std::string_view line(line_);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (state_ == State::kStatusLine) {
    // "HTTP/1.1 200 OK"
    const std::size_t sp = line.find(' ');
    if (sp != std::string_view::npos) {
      const int64_t code = parse_decimal(line.substr(sp + 1));
      status_ = code >= 100 && code <= 999 ? static_cast<int>(code) : 0;
    }
    state_ = State::kHeaderLine;
  } else if (line.empty() && line_bytes_ <= 1) {
    if (length_ == 0) {
      state_ = State::kDone;
    } else {
      state_ = length_ > 0 ? State::kBody : State::kBodyUnbounded;
    }
  } else if (istarts_with(line, "content-length:")) {
    length_ = parse_decimal(line.substr(15));
  }
  line_.clear();
  line_bytes_ = 0;
}

std::size_t AnswerTracker::feed(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    switch (state_) {
      case State::kDone:
        return i;
      case State::kStatusLine:
      case State::kHeaderLine: {
        const char c = bytes[i++];
        ++received_;
        if (c == '\n') {
          end_line();
        } else {
          ++line_bytes_;
          if (line_.size() < kDriverHeaderLineMax) line_ += c;
        }
        break;
      }
      case State::kBody: {
        const int64_t want = length_ - body_;
        const int64_t take = std::min<int64_t>(want, static_cast<int64_t>(bytes.size() - i));
        body_ += take;
        received_ += take;
        i += static_cast<std::size_t>(take);
        if (body_ >= length_) state_ = State::kDone;
        break;
      }
      case State::kBodyUnbounded:
        received_ += static_cast<int64_t>(bytes.size() - i);
        body_ += static_cast<int64_t>(bytes.size() - i);
        i = bytes.size();
        break;
    }
  }
  return i;
}

std::size_t string_content_after(std::string_view text, std::string_view key) {
  bool key_seen = false;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '"') {
      ++i;
      continue;
    }
    const std::size_t begin = i + 1;
    if (key_seen) return begin;
    const std::size_t end = string_end(text, begin);
    if (end >= text.size()) return std::string_view::npos;
    key_seen = text.substr(begin, end - begin) == key;
    i = end + 1;
  }
  return std::string_view::npos;
}

std::optional<std::string> string_after(std::string_view text, std::string_view key,
                                        std::size_t max) {
  const std::size_t begin = string_content_after(text, key);
  if (begin == std::string_view::npos) return std::nullopt;
  const std::size_t end = string_end(text, begin);
  std::string out(text.substr(begin, end - begin));
  if (out.size() > max) out.resize(max);
  return out;
}

std::string json_unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"') break;
    if (c != '\\') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) break;  // a backslash at the very end: cut answer
    const char e = text[i + 1];
    i += 2;
    switch (e) {
      case '"':
      case '\\':
      case '/':
        out += e;
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'u': {
        const int unit = hex4(text, i);
        if (unit < 0) {
          out += '?';
          break;
        }
        i += 4;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
          // A high surrogate is a character only together with the low one
          // that follows it as another \u escape.
          const int low =
              i + 1 < text.size() && text[i] == '\\' && text[i + 1] == 'u' ? hex4(text, i + 2) : -1;
          if (low >= 0xDC00 && low <= 0xDFFF) {
            i += 6;
            append_utf8(out, 0x10000 + ((static_cast<uint32_t>(unit) - 0xD800) << 10) +
                                 (static_cast<uint32_t>(low) - 0xDC00));
          } else {
            out += '?';
          }
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
          out += '?';
        } else {
          append_utf8(out, static_cast<uint32_t>(unit));
        }
        break;
      }
      default:
        out += '?';
        break;
    }
  }
  return out;
}

std::string json_escape(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() + 8);
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u == 0x7F) {
      out += "\\u00";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

bool is_safe_session_id(std::string_view id) {
  if (id.empty()) return false;
  for (const char c : id) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_' || c == '.';
    if (!ok) return false;
  }
  return true;
}

}  // namespace ks::net
