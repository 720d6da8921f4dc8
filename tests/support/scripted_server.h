// A scripted HTTP server on 127.0.0.1 for tests: it listens on an ephemeral
// port, answers each request with the raw bytes scripted for its path
// (written in pieces with chosen delays), then closes, half-closes, resets or
// holds the connection; it records every request verbatim. Optionally it
// speaks TLS (self-signed certificate made at test time) and acts as a proxy
// that opens CONNECT tunnels (always to 127.0.0.1, whatever host is named).
//
// Every blocking call is bounded: the destructor shuts every connection down
// and joins every thread. Thread-safe: scripts may be added while it runs.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ks::test {

struct ScriptedResponse {
  struct Piece {
    std::string bytes;
    int delay_ms = 0;  // sleep before writing this piece
  };
  enum class End {
    kClose,      // close the connection (TLS: after a close_notify, unless disabled)
    kHalfClose,  // shut down for sending, then wait for the client to close
    kReset,      // abortive close (RST)
    kHold,       // keep the connection open, silent, until the client closes or the server stops
  };
  std::vector<Piece> pieces;
  End end = End::kClose;
  int end_delay_ms = 0;          // sleep before the end action
  bool tls_close_notify = true;  // TLS: send close_notify before closing

  // The whole response in one write.
  static ScriptedResponse whole(std::string bytes);
  // The response cut at the given offsets, `delay_ms` before each later piece.
  static ScriptedResponse split(const std::string& bytes, const std::vector<std::size_t>& cuts,
                                int delay_ms);
  // `bytes`, then `count` more pieces of `trickle` every `delay_ms`.
  static ScriptedResponse trickle(std::string bytes, const std::string& trickle, int count,
                                  int delay_ms);
};

struct ServerOptions {
  bool tls = false;
  bool proxy = false;  // answer CONNECT with `connect_answer` and tunnel when it says 200
  std::string connect_answer = "HTTP/1.0 200 Connection established\r\n\r\n";
  // Do not read or answer anything during the TLS handshake (tests of a
  // handshake that never completes).
  bool tls_stall_handshake = false;
};

class ScriptedServer {
 public:
  explicit ScriptedServer(ServerOptions options = {});
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  bool ok() const { return listen_fd_ >= 0; }
  uint16_t port() const { return port_; }

  // The script for a request target's path (an absolute target's scheme and
  // authority are ignored). Unscripted paths get the default: a 404.
  void on(const std::string& path, ScriptedResponse response);
  void on_default(ScriptedResponse response);

  // Every request received so far, verbatim (CONNECT requests included).
  std::vector<std::string> requests() const;
  // Waits (at most `timeout_ms`) until `count` requests arrived.
  bool wait_for_requests(std::size_t count, int timeout_ms) const;
  std::size_t connections() const { return connections_.load(); }
  // The most client connections that were open at the same time.
  std::size_t peak_open_connections() const;

  void stop();

 private:
  struct Connection;
  void accept_loop();
  void serve(int fd);
  void tunnel(Connection& client, const std::string& request);
  ScriptedResponse script_for(const std::string& request) const;
  bool sleep_ms(int ms) const;  // false when stopping
  void track(int fd, bool add);

  ServerOptions options_;
  int listen_fd_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<std::size_t> connections_{0};
  struct TlsContextHolder;
  std::unique_ptr<TlsContextHolder> tls_;

  mutable std::mutex mutex_;
  mutable std::condition_variable request_arrived_;  // signalled when requests_ grows
  std::map<std::string, ScriptedResponse> scripts_;  // guarded by mutex_
  ScriptedResponse default_;                         // guarded by mutex_
  std::vector<std::string> requests_;                // guarded by mutex_
  std::vector<int> open_fds_;                        // guarded by mutex_
  std::size_t peak_open_ = 0;                        // guarded by mutex_
  std::vector<std::thread> threads_;                 // guarded by mutex_
  std::thread acceptor_;
};

}  // namespace ks::test
