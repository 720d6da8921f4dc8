// Preparing one hop of a fetch: from the URL to fetch to what the name
// lookup, the transfer and the request need.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "net/net_config.h"
#include "store/page_settings.h"

namespace ks::net {

// Capacities of the prepared fields (bytes, without a terminating zero).
inline constexpr std::size_t kTargetFieldMax = 2100;
// The previous response's header is read line by line, at most
// kPrevHeaderLines lines, until the first empty line; the first
// kPrevHeaderLineMax bytes of each line are examined.
inline constexpr std::size_t kPrevHeaderLineMax = 1100;
inline constexpr int kPrevHeaderLines = 100;
inline constexpr std::size_t kLastModifiedMax = 999;

struct RequestTarget {
  std::string current_url;    // the URL of this hop (Shift_JIS)
  std::string host;           // ASCII form (xn-- labels)
  uint16_t port = 80;         // the URL's port or the scheme's default
  std::string request_path;   // percent-encoded UTF-8 path and the query as written
  bool secure = false;        // scheme https
  bool conditional = false;   // send If-Modified-Since
  std::string last_modified;  // its value
  bool via_proxy = false;     // the proxy rule holds for the item
  std::string lookup_name;    // the proxy's name through the proxy, else the host
  // The hop goes to the origin (scheme, host, port) of the item's own URL:
  // the only place its Basic credentials may be sent.
  bool credentials_allowed = false;
};

// The URL the first hop fetches: a template's BROWSE_URL, an item's URL.
std::string_view url_to_fetch(const store::PageSettings& settings);

// Fills `target` for fetching `url` (the URL to fetch on the first hop, the
// redirect target on later ones). `previous_response_path` is the item's
// html.txt, read for its Last-Modified value. Returns 0, or kNetNoUrl when
// `url` is empty. A URL that does not crack, or whose host holds a control
// byte or a blank, leaves the host empty, so the name lookup fails for it.
int prepare_request_target(const store::PageSettings& settings, const NetConfig& config,
                           std::string_view url, std::string_view previous_response_path,
                           RequestTarget& target);

// The Last-Modified value of a stored response's header; empty when none,
// and when the value holds a control byte (it would be sent back as is).
std::string read_last_modified(std::string_view response_path);

// The request path: the Shift_JIS path as UTF-8, every byte other than ASCII
// letters, digits and ;/?:@&=+$,-_.!~*'()<>#%" written as %XX (upper-case);
// "/" when the path is empty; then the query, as written except that
// control bytes and blanks are written as %XX, when the whole fits in
// kTargetFieldMax bytes. A fragment ("#...") names a place in the page and
// is never sent.
std::string encode_request_path(std::string_view sjis_path, std::string_view extra);

}  // namespace ks::net
