// Fetching a page through a browser driver (W3C WebDriver over HTTP/1.1 on
// the local host), for pages whose content is built by scripts.
//
// A DriverPool holds kDriverSlots slots. Each is used by one worker at a time
// and keeps, for the rest of the run, its driver process (port = port base +
// slot), one kept-alive connection to it and one browser session. Fetches
// take slots in rotating order: the first free slot after the one handed out
// last, so a single worker starts every slot over its first fetches and
// reuses them afterwards. A fetch opens the URL, waits for the document to be
// complete, polls the source until three answers in a row are identical (at
// most kSourcePolls requests) and writes the last source as an HTTP response
// into the item's response file.
//
// close_slots() ends the run: every slot is closed on its own thread
// (session deleted, connection closed, process group ended and reaped) and
// the pool is ready for the next run. fetch() may run on several threads at
// once; close_slots() must not overlap fetches.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "net/driver_process.h"
#include "net/transfer.h"
#include "net/wait.h"

namespace ks::net {

inline constexpr int kDriverSlots = 4;
inline constexpr uint16_t kDriverPortBase = 50000;
// Receive block of one exchange (each block goes to the exchange's file).
inline constexpr std::size_t kDriverReceiveBlock = 50000;
// Longest new-session body after its place-holders are filled in.
inline constexpr std::size_t kSessionBodyMax = 999;
// How long a fetch sleeps when every slot is busy.
inline constexpr int kSlotWaitMs = 500;
// Load-state questions before the source is read anyway.
inline constexpr int kLoadStateTries = 5;
// Source requests at most; the source counts as settled after this many
// identical answers in a row.
inline constexpr int kSourcePolls = 10;
inline constexpr int kSettledSources = 3;
// Load-state questions and source requests start at most this far apart
// (the source requests are also at most 500 ms of pause apart).
inline constexpr int kDriverSpacingMs = 1000;

// The body of a fabricated response starts after these lines. The driver
// gives the document as UTF-8 whatever the page declared, so the charset is
// named here and wins over a <meta> declaration.
inline constexpr std::string_view kDriverResponseHead =
    "HTTP/1.1 200 OK\nContent-Type: text/html; charset=utf-8\n\n\n";

struct WebDriverConfig {
  // The driver program and any arguments that go before "--port=N". Empty:
  // no driver was found, and every fetch fails at once.
  std::vector<std::string> command;
  // The new-session body: "%s" becomes the profile base (JSON-escaped), "%u"
  // the slot's port, "%%" a percent sign.
  std::string session_body;
  std::string profile_base;  // the work folder as the OS names it (UTF-8)
  std::string work_folder;   // the work folder (core path): the driver's TEMP, clean-up files
  uint16_t port_base = kDriverPortBase;
  int timeout_seconds = 30;  // TIMEOUT: every connection wait and exchange
  // How long a freshly started driver may take to listen (bounded by TIMEOUT too).
  int startup_seconds = 20;
  // How long an ended driver may take to exit before it is killed.
  int end_grace_ms = 3000;
};

// The new-session body with its place-holders filled in; empty when the
// result exceeds kSessionBodyMax.
std::string format_session_body(std::string_view format, std::string_view profile_base,
                                uint16_t port);

// The request texts sent to the driver.
std::string new_session_request(uint16_t port, std::string_view body);
std::string minimize_request(std::string_view session, uint16_t port);
std::string open_url_request(std::string_view session, uint16_t port, std::string_view url_utf8);
std::string load_state_request(std::string_view session, uint16_t port);
std::string source_request(std::string_view session, uint16_t port);
std::string delete_session_request(std::string_view session, uint16_t port);

struct ExchangeResult {
  bool ok = false;
  int status = 0;  // the answer's status code; 0 when none was read
};

// One request and its answer on a connected socket: the whole request is
// sent, then the answer is received (every block written to `out_path`)
// until it is complete, the driver closes, or an answer without a length
// pauses. `force` ignores the stop flags (clean-up at the end of a run).
// Every wait is bounded by `timeout_seconds`.
ExchangeResult driver_exchange(int fd, std::string_view request, const std::string& out_path,
                               bool force, int timeout_seconds, const StopFlags& stop);

// Turns a page-source answer into a response file: kDriverResponseHead,
// then the unescaped string that follows "value". False when the answer
// cannot be read or the response file cannot be written.
bool write_source_response(const std::string& answer_path, const std::string& response_path);

struct DriverFetch {
  std::string url;          // UTF-8
  std::string item_folder;  // core path: the exchange files go here
  std::string response_path;
  StopFlags stop;
  TransferProgress* progress = nullptr;  // elapsed seconds while fetching; may be null
};

enum class DriverFetchResult { kOk, kFailed, kStopped };

class DriverPool {
 public:
  explicit DriverPool(WebDriverConfig config);
  ~DriverPool();  // closes the slots
  DriverPool(const DriverPool&) = delete;
  DriverPool& operator=(const DriverPool&) = delete;

  DriverFetchResult fetch(const DriverFetch& request);
  // The end of a run (see the top of this file).
  void close_slots();

  const WebDriverConfig& config() const { return config_; }
  // The slots handed out so far, in order (for tests and the task monitor).
  std::vector<int> hand_outs() const;

 private:
  struct Slot {
    bool started = false;
    std::string session;
    bool busy = false;  // guarded by mutex_
    int fd = -1;
    uint16_t port = 0;
    DriverProcess process;
  };
  int take_slot(const DriverFetch& request);
  void release_slot(int index);
  bool start_driver(Slot& slot);
  bool connect_slot(Slot& slot, const DriverFetch& request);
  bool create_session(Slot& slot, const DriverFetch& request);
  DriverFetchResult load_page(Slot& slot, const DriverFetch& request);
  void drop_connection(Slot& slot);
  void close_slot(Slot& slot);

  WebDriverConfig config_;
  std::array<Slot, kDriverSlots> slots_;
  mutable std::mutex mutex_;
  int last_handed_out_ = kDriverSlots - 1;  // guarded by mutex_
  std::vector<int> hand_outs_;              // guarded by mutex_
};

}  // namespace ks::net
