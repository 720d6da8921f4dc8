#include "platform/url.h"

#include <cctype>

#include "platform/sjis.h"

namespace ks {

namespace {

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// Length of the scheme at the start of `s` (ALPHA *( ALPHA / DIGIT / "+" /
// "-" / "." ) followed by ':'), or 0 when there is none.
std::size_t scheme_length(std::string_view s) {
  if (s.empty() || !std::isalpha(static_cast<unsigned char>(s[0]))) return 0;
  for (std::size_t i = 1; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == ':') return i;
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return 0;
  }
  return 0;
}

// The five components of a reference (RFC 3986 section 3), each with a flag
// for "defined", since an empty query differs from no query.
struct Ref {
  std::string_view scheme;
  bool has_scheme = false;
  std::string_view authority;
  bool has_authority = false;
  std::string_view path;
  std::string_view query;
  bool has_query = false;
  std::string_view fragment;
  bool has_fragment = false;
};

Ref split_reference(std::string_view s) {
  Ref r;
  if (std::size_t n = scheme_length(s); n > 0) {
    r.scheme = s.substr(0, n);
    r.has_scheme = true;
    s.remove_prefix(n + 1);
  }
  // '#', '?' and '/' are below 0x40, so no Shift_JIS trail byte equals them.
  if (std::size_t hash = s.find('#'); hash != std::string_view::npos) {
    r.fragment = s.substr(hash + 1);
    r.has_fragment = true;
    s = s.substr(0, hash);
  }
  if (std::size_t q = s.find('?'); q != std::string_view::npos) {
    r.query = s.substr(q + 1);
    r.has_query = true;
    s = s.substr(0, q);
  }
  if (s.size() >= 2 && s[0] == '/' && s[1] == '/') {
    s.remove_prefix(2);
    std::size_t slash = s.find('/');
    r.authority = s.substr(0, slash);
    r.has_authority = true;
    s = slash == std::string_view::npos ? std::string_view() : s.substr(slash);
  }
  r.path = s;
  return r;
}

// RFC 3986 section 5.2.4.
std::string remove_dot_segments(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  while (!in.empty()) {
    if (in.starts_with("../")) {
      in.remove_prefix(3);
    } else if (in.starts_with("./")) {
      in.remove_prefix(2);
    } else if (in.starts_with("/./")) {
      in.remove_prefix(2);
    } else if (in == "/.") {
      in = "/";
    } else if (in.starts_with("/../") || in == "/..") {
      in = in.size() == 3 ? std::string_view("/") : in.substr(3);
      std::size_t cut = out.rfind('/');
      out.erase(cut == std::string::npos ? 0 : cut);
    } else if (in == "." || in == "..") {
      in = {};
    } else {
      std::size_t next = in.find('/', in[0] == '/' ? 1 : 0);
      std::string_view seg = in.substr(0, next);
      out.append(seg);
      in.remove_prefix(seg.size());
    }
  }
  return out;
}

// RFC 3986 section 5.2.3.
std::string merge_paths(const Ref& base, std::string_view ref_path) {
  if (base.has_authority && base.path.empty()) return "/" + std::string(ref_path);
  std::size_t slash = base.path.rfind('/');
  if (slash == std::string_view::npos) return std::string(ref_path);
  return std::string(base.path.substr(0, slash + 1)) + std::string(ref_path);
}

std::string_view trim_blanks(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

uint16_t default_port(std::string_view scheme) {
  if (iequals(scheme, "http")) return 80;
  if (iequals(scheme, "https")) return 443;
  if (iequals(scheme, "ftp")) return 21;
  return 0;
}

std::optional<UrlParts> crack_url(std::string_view url) {
  std::size_t n = scheme_length(url);
  if (n == 0 || url.substr(n, 3) != "://") return std::nullopt;
  UrlParts parts;
  parts.scheme = std::string(url.substr(0, n));
  std::string_view rest = url.substr(n + 3);

  // The authority ends at the first '/', '?' or '#'.
  std::size_t end = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, end);
  std::string_view tail = end == std::string_view::npos ? std::string_view() : rest.substr(end);

  // User information: up to the last '@', stepping over Shift_JIS pairs.
  std::size_t at = std::string_view::npos;
  for (std::size_t i = 0; i < authority.size(); ++i) {
    if (is_sjis_pair(authority, i)) {
      ++i;
    } else if (authority[i] == '@') {
      at = i;
    }
  }
  if (at != std::string_view::npos) {
    std::string_view userinfo = authority.substr(0, at);
    std::size_t colon = userinfo.find(':');
    parts.user = std::string(userinfo.substr(0, colon));
    if (colon != std::string_view::npos) parts.password = std::string(userinfo.substr(colon + 1));
    authority.remove_prefix(at + 1);
  }

  // Port: after the last ':' that is not inside an IPv6 literal's brackets.
  std::size_t colon = authority.rfind(':');
  std::size_t bracket = authority.rfind(']');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    std::string_view digits = authority.substr(colon + 1);
    authority = authority.substr(0, colon);
    if (!digits.empty()) {
      uint32_t port = 0;
      for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        port = port * 10 + static_cast<uint32_t>(c - '0');
        if (port > 65535) return std::nullopt;
      }
      if (port == 0) return std::nullopt;
      parts.port = static_cast<uint16_t>(port);
      parts.port_given = true;
    }
  }
  parts.host = std::string(authority);
  if (!parts.port_given) parts.port = default_port(parts.scheme);

  std::size_t extra = tail.find_first_of("?#");
  parts.path = std::string(tail.substr(0, extra));
  if (extra != std::string_view::npos) parts.extra = std::string(tail.substr(extra));

  for (const std::string* p :
       {&parts.scheme, &parts.user, &parts.password, &parts.host, &parts.path, &parts.extra}) {
    if (p->size() > kUrlPartMax) return std::nullopt;
  }
  return parts;
}

std::string combine_url(std::string_view base_url, std::string_view reference) {
  Ref base = split_reference(trim_blanks(base_url));
  Ref ref = split_reference(trim_blanks(reference));
  // "http:g" against an http base: the old, lenient reading as a relative
  // reference (RFC 3986 section 5.2.2 allows it).
  if (ref.has_scheme && !ref.has_authority && base.has_scheme && iequals(ref.scheme, base.scheme))
    ref.has_scheme = false;

  Ref target;
  std::string path;
  if (ref.has_scheme) {
    target = ref;
    path = remove_dot_segments(ref.path);
  } else {
    target.scheme = base.scheme;
    target.has_scheme = base.has_scheme;
    if (ref.has_authority) {
      target.authority = ref.authority;
      target.has_authority = true;
      path = remove_dot_segments(ref.path);
      target.query = ref.query;
      target.has_query = ref.has_query;
    } else {
      target.authority = base.authority;
      target.has_authority = base.has_authority;
      if (ref.path.empty()) {
        path = std::string(base.path);
        target.query = ref.has_query ? ref.query : base.query;
        target.has_query = ref.has_query || base.has_query;
      } else {
        path = remove_dot_segments(ref.path[0] == '/' ? std::string(ref.path)
                                                      : merge_paths(base, ref.path));
        target.query = ref.query;
        target.has_query = ref.has_query;
      }
    }
    target.fragment = ref.fragment;
    target.has_fragment = ref.has_fragment;
  }

  std::string out;
  out.reserve(base_url.size() + reference.size());
  if (target.has_scheme) {
    out.append(target.scheme);
    out.push_back(':');
  }
  if (target.has_authority) {
    out.append("//");
    out.append(target.authority);
  }
  out.append(path);
  if (target.has_query) {
    out.push_back('?');
    out.append(target.query);
  }
  if (target.has_fragment) {
    out.push_back('#');
    out.append(target.fragment);
  }
  return out;
}

}  // namespace ks
