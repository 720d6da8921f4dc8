#include "present/html_text.h"

#include "convert/entities.h"

namespace ks::present {

namespace {

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool is_linkable_url(std::string_view url) {
  std::string seen(url);
  convert::decode_references(seen);
  // What a browser ignores: C0 controls and blanks around the URL, TABs and
  // line ends within it ("java\tscript:" is javascript:).
  std::string u;
  for (char c : seen) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '\t' || c == '\n' || c == '\r') continue;
    if (u.empty() && b <= 0x20) continue;
    u += c;
  }
  const std::size_t end = u.find_first_of(":/?#");
  if (end == std::string::npos || u[end] != ':') return true;  // relative
  std::string scheme;
  for (char c : u.substr(0, end)) scheme += lower(c);
  return scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "file";
}

std::string escape_html_text(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace ks::present
