// The bytes of the HTTP/1.1 request and of the CONNECT request. Every
// request asks for a fresh connection ("Connection: close"): the end of the
// response is the server closing it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ks::net {

// The whole request must fit in the 65,536-byte transfer buffer with a
// terminating zero; header lines that would not fit are left out.
inline constexpr std::size_t kRequestBufferSize = 65536;
// Longest user:password text encoded for Basic authorization (bytes).
inline constexpr std::size_t kCredentialsMax = 999;
// Longest absolute request target sent to a proxy (bytes).
inline constexpr std::size_t kAbsoluteTargetMax = 2100;

inline constexpr const char* kUserAgent = "Mozilla/5.0 (compatible; Kestrelscan/0.134; Windows)";

struct RequestSpec {
  bool head = false;                             // "HEAD" (header checks) or "GET"
  bool via_proxy = false;                        // absolute target and "Pragma: no-cache"
  bool secure = false;                           // https: the absolute target's scheme
  std::string host;                              // ASCII form; the Host line never carries a port
  uint16_t port = 80;                            // used in the absolute target when not the default
  std::string request_path;                      // percent-encoded path with the query
  std::string if_modified_since;                 // empty: no conditional line
  std::optional<std::string> basic_credentials;  // "user:password" (Shift_JIS bytes)
};

// The absolute target for a proxy: scheme "://" host [":" port] path, where
// the port is written only when it is not the scheme's default (so that the
// proxy reaches the port the URL names).
std::string absolute_target(const RequestSpec& spec);

std::string build_request(const RequestSpec& spec);

// "CONNECT host:port HTTP/1.1" and one empty line, nothing else.
std::string build_connect_request(std::string_view host, uint16_t port);

// Standard Base64 with '=' padding.
std::string base64_encode(std::string_view bytes);

}  // namespace ks::net
