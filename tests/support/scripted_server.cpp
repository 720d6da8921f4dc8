#include "support/scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>

#include "support/tls_server.h"

namespace ks::test {

namespace {

constexpr std::size_t kMaxRequest = 1 << 20;

bool header_complete(const std::string& s) {
  return s.find("\r\n\r\n") != std::string::npos || s.find("\n\n") != std::string::npos;
}

// "GET http://h:1/a?b HTTP/1.1" -> "/a?b"; "GET /a HTTP/1.1" -> "/a".
std::string request_path(const std::string& request) {
  std::size_t sp = request.find(' ');
  if (sp == std::string::npos) return {};
  std::size_t end = request.find_first_of(" \r\n", sp + 1);
  std::string target = request.substr(sp + 1, end == std::string::npos ? end : end - sp - 1);
  if (std::size_t scheme = target.find("://"); scheme != std::string::npos) {
    std::size_t slash = target.find('/', scheme + 3);
    target = slash == std::string::npos ? "/" : target.substr(slash);
  }
  return target;
}

int connect_loopback(uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

ScriptedResponse ScriptedResponse::whole(std::string bytes) {
  ScriptedResponse r;
  r.pieces.push_back({std::move(bytes), 0});
  return r;
}

ScriptedResponse ScriptedResponse::split(const std::string& bytes,
                                         const std::vector<std::size_t>& cuts, int delay_ms) {
  ScriptedResponse r;
  std::size_t start = 0;
  for (std::size_t cut : cuts) {
    cut = std::min(cut, bytes.size());
    if (cut < start) continue;
    r.pieces.push_back({bytes.substr(start, cut - start), r.pieces.empty() ? 0 : delay_ms});
    start = cut;
  }
  r.pieces.push_back({bytes.substr(start), r.pieces.empty() ? 0 : delay_ms});
  return r;
}

ScriptedResponse ScriptedResponse::trickle(std::string bytes, const std::string& piece, int count,
                                           int delay_ms) {
  ScriptedResponse r = whole(std::move(bytes));
  for (int i = 0; i < count; ++i) r.pieces.push_back({piece, delay_ms});
  return r;
}

struct ScriptedServer::TlsContextHolder {
  TlsServerContext context;
};

// One accepted connection, plain or TLS, over a blocking socket. A stopping
// server shuts the socket down, which ends any blocking call.
struct ScriptedServer::Connection {
  int fd = -1;
  SSL* ssl = nullptr;

  ~Connection() {
    if (ssl) SSL_free(ssl);
    if (fd >= 0) ::close(fd);
  }
  long read_some(char* buf, std::size_t n) {
    if (ssl) return SSL_read(ssl, buf, static_cast<int>(n));
    return ::recv(fd, buf, n, 0);
  }
  bool write_all(const std::string& data) {
    std::size_t off = 0;
    while (off < data.size()) {
      long n = ssl ? SSL_write(ssl, data.data() + off, static_cast<int>(data.size() - off))
                   : ::send(fd, data.data() + off, data.size() - off, MSG_NOSIGNAL);
      if (n <= 0) return false;
      off += static_cast<std::size_t>(n);
    }
    return true;
  }
  void drain_until_closed() {
    char buf[4096];
    while (::recv(fd, buf, sizeof buf, 0) > 0) {
    }
  }
};

ScriptedServer::ScriptedServer(ServerOptions options) : options_(std::move(options)) {
  // TLS writes to a peer that went away must not kill the test process.
  std::signal(SIGPIPE, SIG_IGN);
  default_ = ScriptedResponse::whole(
      "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot found");
  if (options_.tls) {
    tls_ = std::make_unique<TlsContextHolder>();
    if (!tls_->context.ok()) return;
  }
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof sa;
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 64) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
    ::close(fd);
    return;
  }
  listen_fd_ = fd;
  port_ = ntohs(sa.sin_port);
  acceptor_ = std::thread([this] { accept_loop(); });
}

ScriptedServer::~ScriptedServer() {
  stop();
}

void ScriptedServer::stop() {
  if (stopping_.exchange(true)) return;
  if (acceptor_.joinable()) acceptor_.join();
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int fd : open_fds_) ::shutdown(fd, SHUT_RDWR);
    threads.swap(threads_);
  }
  for (std::thread& t : threads) t.join();
  if (listen_fd_ >= 0) ::close(listen_fd_);
}

void ScriptedServer::on(const std::string& path, ScriptedResponse response) {
  std::lock_guard<std::mutex> lock(mutex_);
  scripts_[path] = std::move(response);
}

void ScriptedServer::on_default(ScriptedResponse response) {
  std::lock_guard<std::mutex> lock(mutex_);
  default_ = std::move(response);
}

std::vector<std::string> ScriptedServer::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

bool ScriptedServer::wait_for_requests(std::size_t count, int timeout_ms) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return request_arrived_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                   [&] { return requests_.size() >= count; });
}

ScriptedResponse ScriptedServer::script_for(const std::string& request) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = scripts_.find(request_path(request));
  return it != scripts_.end() ? it->second : default_;
}

bool ScriptedServer::sleep_ms(int ms) const {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    if (stopping_) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 10)));
  }
  return !stopping_;
}

std::size_t ScriptedServer::peak_open_connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return peak_open_;
}

void ScriptedServer::track(int fd, bool add) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (add) {
    open_fds_.push_back(fd);
    if (stopping_) ::shutdown(fd, SHUT_RDWR);
  } else {
    open_fds_.erase(std::remove(open_fds_.begin(), open_fds_.end(), fd), open_fds_.end());
  }
}

void ScriptedServer::accept_loop() {
  while (!stopping_) {
    pollfd p{listen_fd_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++connections_;
    std::lock_guard<std::mutex> lock(mutex_);
    open_fds_.push_back(fd);
    peak_open_ = std::max(peak_open_, open_fds_.size());
    threads_.emplace_back([this, fd] { serve(fd); });
  }
}

void ScriptedServer::serve(int fd) {
  Connection conn;
  conn.fd = fd;
  struct Untrack {
    ScriptedServer* self;
    int fd;
    ~Untrack() { self->track(fd, false); }
  } untrack{this, fd};

  if (tls_) {
    if (options_.tls_stall_handshake) {
      conn.drain_until_closed();
      return;
    }
    conn.ssl = SSL_new(tls_->context.get());
    if (!conn.ssl || SSL_set_fd(conn.ssl, fd) != 1 || SSL_accept(conn.ssl) != 1) return;
  }

  std::string request;
  char buf[4096];
  while (!header_complete(request) && request.size() < kMaxRequest) {
    long n = conn.read_some(buf, sizeof buf);
    if (n <= 0) break;
    request.append(buf, static_cast<std::size_t>(n));
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
  }
  request_arrived_.notify_all();
  if (request.empty()) return;
  if (options_.proxy && request.rfind("CONNECT ", 0) == 0) {
    tunnel(conn, request);
    return;
  }
  ScriptedResponse response = script_for(request);

  for (const ScriptedResponse::Piece& piece : response.pieces) {
    if (piece.delay_ms > 0 && !sleep_ms(piece.delay_ms)) return;
    if (!piece.bytes.empty() && !conn.write_all(piece.bytes)) return;
  }
  if (response.end_delay_ms > 0 && !sleep_ms(response.end_delay_ms)) return;
  switch (response.end) {
    case ScriptedResponse::End::kClose:
      if (conn.ssl && response.tls_close_notify) SSL_shutdown(conn.ssl);
      ::shutdown(fd, SHUT_RDWR);
      break;
    case ScriptedResponse::End::kHalfClose:
      if (conn.ssl && response.tls_close_notify) SSL_shutdown(conn.ssl);
      ::shutdown(fd, SHUT_WR);
      conn.drain_until_closed();
      break;
    case ScriptedResponse::End::kReset: {
      linger l{1, 0};
      ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
      break;
    }
    case ScriptedResponse::End::kHold:
      conn.drain_until_closed();
      break;
  }
}

void ScriptedServer::tunnel(Connection& client, const std::string& request) {
  // "CONNECT host:port HTTP/1.1": the port is taken, the host is not.
  std::size_t sp = request.find(' ', 8);
  std::string authority = request.substr(8, sp == std::string::npos ? sp : sp - 8);
  std::size_t colon = authority.rfind(':');
  long port =
      colon == std::string::npos ? 0 : std::strtol(authority.c_str() + colon + 1, nullptr, 10);
  if (!client.write_all(options_.connect_answer)) return;
  if (options_.connect_answer.find(" 200") == std::string::npos || port <= 0 || port > 65535)
    return;
  int upstream = connect_loopback(static_cast<uint16_t>(port));
  if (upstream < 0) return;
  track(upstream, true);
  char buf[16384];
  bool client_open = true, upstream_open = true;
  while ((client_open || upstream_open) && !stopping_) {
    pollfd p[2] = {{client.fd, static_cast<short>(client_open ? POLLIN : 0), 0},
                   {upstream, static_cast<short>(upstream_open ? POLLIN : 0), 0}};
    if (::poll(p, 2, 50) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (!p[i].revents) continue;
      int from = i == 0 ? client.fd : upstream;
      int to = i == 0 ? upstream : client.fd;
      long n = ::recv(from, buf, sizeof buf, 0);
      if (n <= 0) {
        ::shutdown(to, SHUT_WR);
        (i == 0 ? client_open : upstream_open) = false;
      } else if (::send(to, buf, static_cast<std::size_t>(n), MSG_NOSIGNAL) != n) {
        client_open = upstream_open = false;
      }
    }
  }
  track(upstream, false);
  ::close(upstream);
}

}  // namespace ks::test
