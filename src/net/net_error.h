// The network error codes of a fetch and the messages an item's result shows
// for them (result code 4). Codes are stable: they are stored with results.
#pragma once

#include <string>

namespace ks::net {

inline constexpr int kNetOk = 0;
inline constexpr int kNetTimeout = 2;        // a wait reached TIMEOUT
inline constexpr int kNetNoUrl = 3;          // the URL to fetch is empty
inline constexpr int kNetLookupFailed = 4;   // the name lookup failed or timed out
inline constexpr int kNetSocketFailed = 6;   // no socket, or not non-blocking
inline constexpr int kNetConnectFailed = 8;  // refused, send failed, TLS set-up failed, ...
inline constexpr int kNetReceiveFailed = 9;  // receive failed, CONNECT refused, nothing received
inline constexpr int kNetResponseTooLarge = 11;  // the response passed kResponseMax (transfer.h)
inline constexpr int kNetBrowserComponent = 1000;
inline constexpr int kNetWebDriver = 2000;
inline constexpr int kNetUnsafeLegacyRenegotiation = 10000;

// The message for a nonzero code (Shift_JIS); "通信エラー" for codes not in
// the table, empty for 0.
const std::string& net_error_message(int code);

}  // namespace ks::net
