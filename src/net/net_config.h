// The global settings the fetcher needs, as plain values. The check run fills
// them from the global options once per run; tests fill them directly.
#pragma once

#include <cstdint>
#include <string>

#include "store/page_settings.h"

namespace ks::net {

class TlsLibrary;

struct NetConfig {
  bool use_proxy = false;              // USE_PROXY
  std::string proxy_host;              // PROXY_URL: host name or dotted address (Shift_JIS)
  uint16_t proxy_port = 8080;          // PROXY_PORT
  bool use_head = true;                // USE_HEAD: send conditional requests
  int timeout_seconds = 30;            // TIMEOUT: limit of every wait and of the whole response
  bool disable_http_redirect = false;  // DISABLE_HTTP_REDIRECT (global)
  // The loaded TLS library; null or not available: TLS is unavailable.
  const TlsLibrary* tls = nullptr;
};

// An item goes through the proxy when the proxy is on, named, and the item
// does not opt out.
inline bool uses_proxy(const NetConfig& config, const store::PageSettings& settings) {
  return config.use_proxy && !config.proxy_host.empty() && settings.noproxy == 0;
}

// How many hops one check may take: 1 when redirects are disabled globally or
// for the item, else 10.
inline int hop_limit(const NetConfig& config, const store::PageSettings& settings) {
  return config.disable_http_redirect || settings.disable_http_redirect != 0 ? 1 : 10;
}

}  // namespace ks::net
