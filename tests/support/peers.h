// Real protocol peers for integration tests: nginx as an origin server and
// tinyproxy as a forward proxy, each started by the test on loopback ports
// with its own temporary configuration, run in the foreground as a child
// process, and stopped (by its own pid) when the object goes away.
// A missing program is reported through installed(), so tests can skip; a
// peer that is installed but does not come up is a failure (ok() false,
// error() says why). A port taken between choosing it and the peer binding
// it is retried with fresh ports.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ks::test {

// The full path of the first of `names` found on PATH or in the usual
// system folders; empty when none is installed.
std::string find_program(const std::vector<std::string>& names);

// A port that was free on 127.0.0.1 a moment ago.
uint16_t free_loopback_port();

// Waits (bounded) until something accepts connections on 127.0.0.1:port.
bool wait_for_port(uint16_t port, int timeout_ms);

// A child process started with arguments, its output sent to a file.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() { stop(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool start(const std::vector<std::string>& argv, const std::string& output_path);
  // The child has not exited (it was started and not yet reaped).
  bool alive();
  // SIGTERM, then SIGKILL after `grace_ms`; reaps the child.
  void stop(int grace_ms = 3000);
  bool running() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

// nginx serving `root`/www (the caller fills it) on an HTTP and an HTTPS port,
// with the locations the fetch tests use: /static/ (Last-Modified, 304),
// /gz/ (gzip + chunked), /chunked/ (chunked, not gzip), /secret/ (Basic
// authorization for user "user", password "pa:ss"), /redir/rel and
// /redir/relpath (relative Location values).
class NginxPeer {
 public:
  explicit NginxPeer(const std::string& root);
  ~NginxPeer() = default;
  bool installed() const { return installed_; }
  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }
  uint16_t http_port() const { return http_port_; }
  uint16_t https_port() const { return https_port_; }
  std::string www() const { return root_ + "/www"; }

 private:
  bool start_once(const std::string& nginx);

  std::string root_;
  uint16_t http_port_ = 0;
  uint16_t https_port_ = 0;
  bool installed_ = false;
  bool ok_ = false;
  std::string error_;
  ChildProcess process_;
};

// tinyproxy on 127.0.0.1, allowing CONNECT to any port.
class TinyproxyPeer {
 public:
  explicit TinyproxyPeer(const std::string& root);
  bool installed() const { return installed_; }
  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }
  uint16_t port() const { return port_; }

 private:
  uint16_t port_ = 0;
  bool installed_ = false;
  bool ok_ = false;
  std::string error_;
  ChildProcess process_;
};

}  // namespace ks::test
