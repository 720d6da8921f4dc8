// A scripted browser driver for tests: it listens on 127.0.0.1 on four
// consecutive ports (one per driver slot), keeps connections alive, answers
// the W3C WebDriver requests the fetcher sends, and records every request
// byte for byte with the slot it came in on.
//
// Default answers: a new session "fake-<slot>", the load state "complete",
// and the page source from set_source() (by how many source requests the
// slot has had since its last open-URL request, from 1). A handler may
// replace any answer, delay it, or answer it in two parts.
//
// Every wait is bounded; the destructor closes every connection and joins
// every thread. Thread-safe.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace ks::test {

// The first of `count` consecutive ports that were free on 127.0.0.1 a
// moment ago; 0 when none was found.
uint16_t free_port_run(int count);

struct DriverRequest {
  int slot = 0;
  std::string raw;  // the whole request as received
  std::string method;
  std::string path;
  std::string body;
};

struct DriverAnswer {
  int status = 200;
  std::string body;        // JSON
  int delay_ms = 0;        // before answering
  int split_pause_ms = 0;  // > 0: send the headers and half the body, pause, then the rest
};

class FakeDriver {
 public:
  FakeDriver();
  ~FakeDriver();
  FakeDriver(const FakeDriver&) = delete;
  FakeDriver& operator=(const FakeDriver&) = delete;

  bool ok() const { return ok_; }
  uint16_t port_base() const { return base_; }

  // The page source (JSON string content, already escaped) for the n-th
  // source request after an open-URL request on the same slot.
  void set_source(std::function<std::string(int n)> source);
  // Replaces the default answer when it returns a value.
  void set_handler(std::function<std::optional<DriverAnswer>(const DriverRequest&)> handler);

  std::vector<DriverRequest> requests() const;
  // Requests whose path ends with `suffix` (and whose method is `method`).
  std::size_t count(const std::string& method, const std::string& suffix) const;

 private:
  void accept_loop();
  void serve(int fd, int slot);
  DriverAnswer answer(const DriverRequest& r);

  bool ok_ = false;
  uint16_t base_ = 0;
  std::vector<int> listen_fds_;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;

  mutable std::mutex mutex_;
  std::vector<DriverRequest> requests_;                                       // guarded
  std::function<std::string(int)> source_;                                    // guarded
  std::function<std::optional<DriverAnswer>(const DriverRequest&)> handler_;  // guarded
  int sources_since_url_[4] = {0, 0, 0, 0};                                   // guarded
  std::vector<std::thread> threads_;                                          // guarded
  std::vector<int> open_fds_;                                                 // guarded
};

}  // namespace ks::test
