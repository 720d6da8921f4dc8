// One HTTP transfer: connect (directly or to the proxy), the CONNECT tunnel
// for https through a proxy, the TLS handshake, one request, and the raw
// response stored exactly as received: in the caller's memory buffer while
// it fits in its limit, else in the item's response file (htmltmp.txt), in
// blocks of kReceiveBlock bytes, never held whole (net/response_store.h). At
// most kResponseMax bytes are stored; a HEAD request stores the header block
// only (a body after it is not the page's and is never read). A transfer
// that does not succeed removes the response file, so a failed or stopped
// one leaves nothing behind.
//
// All socket work is non-blocking; every wait wakes on readiness and looks
// at the stop flags at least every 100 ms. Each wait is limited by TIMEOUT;
// receiving is limited as a whole (from the end of sending), so a response
// that keeps trickling in still ends with a timeout.
//
// A transfer owns its socket, TLS objects, buffer and response file and
// releases them on every path. Transfers on different threads share only the
// TLS table (read only), the stop flags and the received-byte counters.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "net/net_config.h"
#include "net/request_target.h"
#include "net/wait.h"
#include "store/page_settings.h"

namespace ks::net {

inline constexpr std::size_t kReceiveBlock = 65536;
// The most a response may hold (64 MiB). Real pages stay far below it (even
// the text of a page is kept to 512,000 bytes for comparison); a server that
// sends more without end would otherwise fill the disk. A larger response
// ends the transfer with kNetResponseTooLarge.
inline constexpr int64_t kResponseMax = int64_t{64} << 20;

// Progress of the transfer in flight, for the task monitor (read from the UI
// thread while the transfer runs).
struct TransferProgress {
  std::atomic<int64_t> received_bytes{0};
  std::atomic<int> elapsed_seconds{0};
  std::atomic<int> tls_error{0};
};

struct TransferParams {
  const store::PageSettings* settings = nullptr;  // the item
  const RequestTarget* target = nullptr;          // this hop, prepared
  uint32_t address = 0;       // IPv4 to connect to (server or proxy), network byte order
  std::string response_path;  // the item's htmltmp.txt (Shift_JIS core path)
  // Null: the response goes to the file. Otherwise the response stays here
  // while it fits in `memory_limit` bytes (result.in_memory tells).
  std::string* response_memory = nullptr;
  std::size_t memory_limit = 0;
  std::string auth_password;  // the item's password, already deciphered
  const NetConfig* config = nullptr;
  StopFlags stop;
  TransferProgress* progress = nullptr;  // optional
};

struct TransferResult {
  bool ok = false;       // the response ended by the connection closing, no error
  int net_error = 0;     // codes of net_error.h; 0 when ok or stopped
  int tls_error = 0;     // last SSL_get_error value
  bool stopped = false;  // ended by the stop flags: no error, no result
  int64_t received_bytes = 0;
  int elapsed_seconds = 0;  // of the last wait
  bool in_memory = false;   // the response is in params.response_memory, no file was made
};

TransferResult run_transfer(const TransferParams& params);

// The program's received-byte counters, increased by every transfer: the
// day's count (saved as RX_DATA_BYTES) and the running total.
struct ReceivedCounters {
  std::atomic<int64_t> day{0};
  std::atomic<int64_t> total{0};
};
ReceivedCounters& received_counters();

}  // namespace ks::net
