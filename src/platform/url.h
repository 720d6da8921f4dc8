// URL cracking and combining for the whole core: the fetcher splits the URL it
// requests and resolves redirect targets; the converter resolves links and
// images against the page's URL; the result display resolves stored links.
//
// Both functions are lenient on purpose: page URLs and links come from the
// web as written by people, so raw Shift_JIS bytes, spaces, backslashes and
// other characters outside RFC 3986 are carried through unchanged and never
// make a call fail. Delimiter scans step over Shift_JIS pairs, so a trail
// byte never counts as '@' or '\\'. Pure functions, safe from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ks {

// Longest part of a cracked URL (bytes); longer URLs do not crack.
inline constexpr std::size_t kUrlPartMax = 2100;

struct UrlParts {
  std::string scheme;    // as written, e.g. "http", "HTTPS"
  std::string user;      // user information before '@', split at the first ':'
  std::string password;  //
  std::string host;      // as written (no brackets removed), may be empty
  uint16_t port = 0;     // the URL's port, else the scheme's default (0 when unknown)
  bool port_given = false;
  std::string path;   // from the first '/' after the host, up to '?' or '#'; empty when none
  std::string extra;  // the query and fragment, from the first '?' or '#'; empty when none
};

// The default port of a scheme, compared without regard to case: http 80,
// https 443, ftp 21; 0 for any other scheme.
uint16_t default_port(std::string_view scheme);

// Splits an absolute URL of the form scheme "://" authority path extra.
// nullopt when there is no "scheme://" prefix, the port is not a number from
// 1 to 65535, or any part is longer than kUrlPartMax.
std::optional<UrlParts> crack_url(std::string_view url);

// Resolves `reference` against `base` by the reference resolution of RFC
// 3986 section 5.2, including the removal of dot segments:
//   combine_url("http://a/b/c/d;p?q", "../g")  -> "http://a/b/g"
//   combine_url("http://h:81/dir/page", "/next") -> "http://h:81/next"
// Leading and trailing blanks and line ends of the reference are ignored. A
// reference whose scheme equals the base's scheme and that has no authority
// ("http:g") is taken as relative, as browsers do. An absolute reference is
// returned with its dot segments removed. When the base itself has no scheme
// the resolution still runs on what it has. Never fails.
std::string combine_url(std::string_view base, std::string_view reference);
// The same, appended to `out` (whose capacity is reused: no allocation when
// it is large enough). `out` must not hold `base` or `reference`.
void append_combined_url(std::string& out, std::string_view base, std::string_view reference);

// The five components of a reference (RFC 3986 section 3), each with a flag
// for "defined", since an empty query differs from no query. The views point
// into the text that was split.
struct UrlComponents {
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

// A base URL split once, for resolving the many links of a page against it.
// Keeps its own copy of the base (and points into it: not copyable).
class UrlBase {
 public:
  UrlBase() = default;
  UrlBase(const UrlBase&) = delete;
  UrlBase& operator=(const UrlBase&) = delete;

  void assign(std::string_view base);
  // Appends combine_url(base, reference) to `out`, which must not hold
  // `reference`.
  void append_resolved(std::string& out, std::string_view reference) const;

 private:
  std::string text_;
  UrlComponents parts_;
};

}  // namespace ks
