// A client of a browser's DevTools protocol over a pair of pipes (the
// browser reads commands on its descriptor 3 and writes replies and events
// on its descriptor 4; every message is JSON ended by a NUL byte).
//
// Commands carry increasing ids and may name a session (a page attached in
// flat mode); call() sends one and waits for its reply. A reader thread owned
// by the client reads the browser's messages, hands each reply to the
// command waiting for it and each event to the handler of its session. The
// reader wakes at least every kPollSliceMs, and every wait for a reply looks
// at the stop flags as often, so no stop waits longer than that on the pipe.
//
// When the browser's end closes (the browser exited or died), every waiting
// and later call fails at once with kClosed. A message longer than the bound
// fails the command it answers with kTooLarge and is otherwise skipped.
//
// Thread-safe: call() and the handler functions may be used from any number
// of threads. Event handlers run on the reader thread, one at a time, and
// must not call call(); a handler may still run briefly after it was
// removed, so what it touches must be owned by the handler itself.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <thread>

#include "net/devtools_message.h"
#include "net/wait.h"

namespace ks::net {

struct CommandResult {
  enum class Status { kOk, kError, kTimeout, kStopped, kClosed, kTooLarge };
  Status status = Status::kClosed;
  nlohmann::json result;  // the reply's result (kOk)
  std::string error;      // the browser's error message (kError)
  bool ok() const { return status == Status::kOk; }
};

class DevToolsClient {
 public:
  using EventHandler = std::function<void(const std::string& method, const nlohmann::json& params)>;

  // Takes both descriptors (closed by the destructor) and starts reading.
  DevToolsClient(int to_browser, int from_browser, std::size_t max_message = kDevToolsMessageMax);
  ~DevToolsClient();
  DevToolsClient(const DevToolsClient&) = delete;
  DevToolsClient& operator=(const DevToolsClient&) = delete;

  // Sends `method` with `params` (to `session`, empty for the browser) and
  // waits for the reply, at most `timeout_ms`; the stop flags end the wait
  // with kStopped (pass no flags for clean-up that must be done anyway).
  CommandResult call(std::string_view method, const nlohmann::json& params,
                     std::string_view session, const StopFlags& stop, int timeout_ms);

  // The events of `session` go to `handler` until it is removed.
  void set_event_handler(const std::string& session, std::shared_ptr<EventHandler> handler);
  void remove_event_handler(const std::string& session);

  // True once the browser's end of the pipes has gone away.
  bool closed() const { return closed_.load(); }

 private:
  struct Pending {
    bool done = false;
    CommandResult result;
  };
  void read_loop();
  void dispatch(std::string_view text);
  void fail_oversized(std::string_view prefix);
  void finish(int id, CommandResult result);
  void close_all();
  bool send_all(const std::string& bytes, const StopFlags& stop, int timeout_ms);

  int to_browser_;
  int from_browser_;
  std::size_t max_message_;
  std::atomic<bool> closed_{false};
  std::atomic<bool> ending_{false};

  std::mutex write_mutex_;  // one message at a time on the pipe
  std::mutex mutex_;        // guards what follows
  std::condition_variable replied_;
  int next_id_ = 1;
  std::map<int, Pending> pending_;
  std::map<std::string, std::shared_ptr<EventHandler>> handlers_;

  std::thread reader_;
};

}  // namespace ks::net
