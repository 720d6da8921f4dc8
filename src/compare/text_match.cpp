#include "compare/text_match.h"

#include <cstdint>

#include "platform/sjis.h"

namespace ks::compare {
namespace {

bool is_ref_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#';
}

// Replacement for a reference name (without '&' and ';'); false for an
// unknown name.
bool resolve(std::string_view name, std::string& out) {
  if (!name.empty() && name[0] == '#') {
    const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
    uint32_t v = 0;
    std::size_t digits = 0;
    for (std::size_t i = hex ? 2 : 1; i < name.size(); ++i, ++digits) {
      const char c = name[i];
      int d;
      if (c >= '0' && c <= '9') {
        d = c - '0';
      } else if (hex && c >= 'a' && c <= 'f') {
        d = c - 'a' + 10;
      } else if (hex && c >= 'A' && c <= 'F') {
        d = c - 'A' + 10;
      } else {
        break;
      }
      v = (v * (hex ? 16u : 10u) + static_cast<uint32_t>(d)) & 0xFFFFu;
    }
    // No digits (or the value 0) would put a NUL into the line.
    if (digits == 0 || v == 0) return false;
    if (v == 0xA0) {
      out = " ";
      return true;
    }
    const int32_t code = unicode_to_cp932(static_cast<char32_t>(v));
    if (code < 0) {
      out = "??";
    } else if (code < 0x100) {
      out.assign(1, static_cast<char>(code));
    } else {
      out.assign({static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)});
    }
    return true;
  }
  struct Named {
    std::string_view name, text;
  };
  static constexpr Named kNames[] = {{"nbsp", " "}, {"quot", "\""}, {"amp", "&"},
                                     {"lt", "<"},   {"gt", ">"},    {"apos", "'"}};
  for (const Named& n : kNames) {
    if (n.name == name) {
      out.assign(n.text);
      return true;
    }
  }
  return false;
}

}  // namespace

void decode_basic_references(std::string& line) {
  std::string out;
  out.reserve(line.size());
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] != '&') {
      out.push_back(line[i++]);
      continue;
    }
    if (i + 1 < line.size() && line[i + 1] == '&') {
      out.push_back('&');
      i += 2;
      continue;
    }
    std::size_t j = i + 1;
    while (j < line.size() && is_ref_char(line[j])) ++j;
    const std::string_view name(line.data() + i + 1, j - i - 1);
    std::string rep;
    if (name.empty() || name.size() >= 10 || !resolve(name, rep)) {
      out.push_back(line[i++]);
      continue;
    }
    out += rep;
    i = (j < line.size() && line[j] == ';') ? j + 1 : j;
  }
  line.swap(out);
}

TextMatcher::TextMatcher(std::string_view text, bool regex, const RegexLibrary& library)
    : text_(text.substr(0, text.find('\0'))), use_regex_(regex) {
  if (use_regex_ && !text_.empty()) regex_ = std::make_unique<Regex>(library, text_);
}

bool TextMatcher::matches(std::string_view decoded) const {
  if (text_.empty()) return false;
  if (use_regex_) return regex_ && regex_->search(decoded);
  return decoded.find(text_) != std::string_view::npos;
}

std::string decoded_copy(std::string_view line, ReferenceDecoder decode) {
  std::string copy(line);
  if (decode) decode(copy);
  return copy;
}

}  // namespace ks::compare
