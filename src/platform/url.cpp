#include "platform/url.h"

#include "platform/ascii.h"
#include "platform/sjis.h"

namespace ks {

namespace {

// Length of the scheme at the start of `s` (ALPHA *( ALPHA / DIGIT / "+" /
// "-" / "." ) followed by ':'), or 0 when there is none.
std::size_t scheme_length(std::string_view s) {
  if (s.empty() || !is_ascii_alpha(s[0])) return 0;
  for (std::size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == ':') return i;
    if (!is_ascii_alnum(c) && c != '+' && c != '-' && c != '.') return 0;
  }
  return 0;
}

using Ref = UrlComponents;

Ref split_reference(std::string_view s) {
  Ref r;
  if (std::size_t n = scheme_length(s); n > 0) {
    r.scheme = s.substr(0, n);
    r.has_scheme = true;
    s.remove_prefix(n + 1);
  }
  // '#', '?' and '/' are below 0x40, so no Shift_JIS trail byte equals them.
  // One pass finds the first '#' and the first '?' before it (references are
  // short: a loop beats two library searches).
  std::size_t hash = std::string_view::npos;
  std::size_t q = std::string_view::npos;
  for (std::size_t k = 0; k < s.size(); ++k) {
    if (s[k] == '#') {
      hash = k;
      break;
    }
    if (s[k] == '?' && q == std::string_view::npos) q = k;
  }
  if (hash != std::string_view::npos) {
    r.fragment = s.substr(hash + 1);
    r.has_fragment = true;
    s = s.substr(0, hash);
  }
  if (q != std::string_view::npos) {
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

// Whether a path has a "." or ".." segment; without one, removing dot
// segments leaves it as it is (most paths: "/dir/page.html").
bool has_dot_segment(std::string_view path) {
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] != '.' || (i > 0 && path[i - 1] != '/')) continue;
    std::size_t end = i + 1;
    if (end < path.size() && path[end] == '.') ++end;
    if (end == path.size() || path[end] == '/') return true;
  }
  return false;
}

// RFC 3986 section 5.2.4, appending the result to `out`.
void append_without_dot_segments(std::string& out, std::string_view in) {
  if (!has_dot_segment(in)) {
    out.append(in);
    return;
  }
  // "/.." removes output up to its last '/', never what `out` held before.
  const std::size_t floor = out.size();
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
      out.erase(cut == std::string::npos || cut < floor ? floor : cut);
    } else if (in == "." || in == "..") {
      in = {};
    } else {
      std::size_t next = in.find('/', in[0] == '/' ? 1 : 0);
      std::string_view seg = in.substr(0, next);
      out.append(seg);
      in.remove_prefix(seg.size());
    }
  }
}

// RFC 3986 sections 5.2.3 and 5.2.4: the merged path, without its dot
// segments, appended to `out`.
void append_merged_path(std::string& out, const Ref& base, std::string_view ref_path) {
  std::string_view dir;
  if (base.has_authority && base.path.empty()) {
    dir = "/";
  } else if (std::size_t slash = base.path.rfind('/'); slash != std::string_view::npos) {
    dir = base.path.substr(0, slash + 1);
  }
  if (!has_dot_segment(dir) && !has_dot_segment(ref_path) &&
      !(dir.empty() && ref_path.starts_with("/"))) {
    // A directory ending in '/' and a path without dot segments join into a
    // path without dot segments.
    out.append(dir);
    out.append(ref_path);
    return;
  }
  std::string merged;
  merged.reserve(dir.size() + ref_path.size());
  merged.append(dir);
  merged.append(ref_path);
  append_without_dot_segments(out, merged);
}

std::string_view trim_blanks(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// RFC 3986 section 5.2.2: `reference` resolved against the split `base`,
// appended to `out`.
void resolve_into(std::string& out, const Ref& base, std::string_view reference) {
  Ref ref = split_reference(trim_blanks(reference));
  // "http:g" against an http base: the old, lenient reading as a relative
  // reference (RFC 3986 section 5.2.2 allows it).
  if (ref.has_scheme && !ref.has_authority && base.has_scheme && iequals(ref.scheme, base.scheme))
    ref.has_scheme = false;

  // The target's components (the path is written as it is resolved).
  const Ref& from = ref.has_scheme || ref.has_authority ? ref : base;
  const Ref& query_from =
      ref.has_scheme || ref.has_authority || !ref.path.empty() || ref.has_query ? ref : base;
  const Ref& scheme_from = ref.has_scheme ? ref : base;

  if (scheme_from.has_scheme) {
    out.append(scheme_from.scheme);
    out.push_back(':');
  }
  if (from.has_authority) {
    out.append("//");
    out.append(from.authority);
  }
  if (ref.has_scheme || ref.has_authority || (!ref.path.empty() && ref.path[0] == '/')) {
    append_without_dot_segments(out, ref.path);
  } else if (ref.path.empty()) {
    out.append(base.path);
  } else {
    append_merged_path(out, base, ref.path);
  }
  if (query_from.has_query) {
    out.push_back('?');
    out.append(query_from.query);
  }
  if (ref.has_fragment) {
    out.push_back('#');
    out.append(ref.fragment);
  }
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
  std::string out;
  append_combined_url(out, base_url, reference);
  return out;
}

void append_combined_url(std::string& out, std::string_view base_url, std::string_view reference) {
  out.reserve(out.size() + base_url.size() + reference.size());
  resolve_into(out, split_reference(trim_blanks(base_url)), reference);
}

void UrlBase::assign(std::string_view base) {
  text_.assign(base);
  parts_ = split_reference(trim_blanks(text_));
}

void UrlBase::append_resolved(std::string& out, std::string_view reference) const {
  resolve_into(out, parts_, reference);
}

}  // namespace ks
