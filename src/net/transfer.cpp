#include "net/transfer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "net/net_error.h"
#include "net/request.h"
#include "net/response_reader.h"
#include "net/response_store.h"
#include "net/tls.h"
#include "platform/fs.h"

namespace ks::net {

ReceivedCounters& received_counters() {
  static ReceivedCounters counters;
  return counters;
}

namespace {

// A TLS write to a connection the server already closed would otherwise
// kill the process with SIGPIPE (plain sends use MSG_NOSIGNAL instead).
void ignore_sigpipe_once() {
  static std::once_flag once;
  std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

bool would_block(int err) {
  return err == EAGAIN || err == EWOULDBLOCK || err == EINTR;
}

// The socket, closed on every path.
class Socket {
 public:
  Socket() = default;
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  bool open() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return false;
    int flags = ::fcntl(fd_, F_GETFL, 0);
    return flags >= 0 && ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) == 0;
  }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

// Finds the end of a response's header block as the response reader does:
// an empty line, i.e. two equal line-end bytes in a row (LF LF, CR CR) or
// four line-end bytes in a row (CR LF CR LF).
class HeaderEnd {
 public:
  // The bytes of `data` up to and including the end of the block, or npos
  // when it does not end in them.
  std::size_t find(std::string_view data) {
    for (std::size_t i = 0; i < data.size(); ++i) {
      const char c = data[i];
      if (c != '\r' && c != '\n') {
        count_ = 0;
        continue;
      }
      ++count_;
      const bool ended = (count_ >= 2 && c == last_) || count_ >= 4;
      last_ = c;
      if (ended) return i + 1;
    }
    return std::string_view::npos;
  }

 private:
  int count_ = 0;
  char last_ = 0;
};

class Transfer {
 public:
  explicit Transfer(const TransferParams& p)
      : p_(p),
        timeout_(p.config->timeout_seconds),
        tls_available_(p.config->tls && p.config->tls->available()),
        response_(p.response_path, p.response_memory, p.memory_limit),
        buffer_(kReceiveBlock) {}

  TransferResult run();

 private:
  // Each step returns false when the transfer ends (error or stop).
  bool connect();
  bool tunnel();
  bool send_all(std::string_view data);
  bool read_connect_answer();
  bool receive();
  void close_connection();
  // Appends received bytes to the response file; false when the transfer
  // ends (an error, or the end of a HEAD answer's header block).
  bool store(const char* data, std::size_t n);

  bool fail(int code) {
    if (result_.net_error == 0) result_.net_error = code;
    return false;
  }
  bool stop() {
    result_.stopped = true;
    return false;
  }
  // Maps a wait that did not end ready; returns false.
  bool wait_failed(WaitResult w, int error_code) {
    if (w == WaitResult::kStopped) return stop();
    return fail(w == WaitResult::kTimeout ? kNetTimeout : error_code);
  }
  // A wait's time limit; its waits keep the monitor's elapsed seconds current.
  Deadline deadline() const {
    return Deadline(timeout_, p_.progress ? &p_.progress->elapsed_seconds : nullptr);
  }
  void tick(const Deadline& d) {
    result_.elapsed_seconds = d.elapsed_seconds();
    if (p_.progress) p_.progress->elapsed_seconds.store(result_.elapsed_seconds);
  }

  const TransferParams& p_;
  const int timeout_;
  const bool tls_available_;
  TransferResult result_;
  ResponseStore response_;
  Socket socket_;
  std::unique_ptr<TlsConnection> tls_;
  std::vector<char> buffer_;
  bool closed_by_server_ = false;
  bool head_ = false;             // a HEAD request: the header block is the whole answer
  bool header_complete_ = false;  // a HEAD answer's header block has ended
  HeaderEnd header_end_;
};

TransferResult Transfer::run() {
  const RequestTarget& target = *p_.target;
  const store::PageSettings& settings = *p_.settings;
  auto steps = [&]() -> bool {
    if (!response_.ready()) return fail(kNetConnectFailed);
    if (!socket_.open()) return fail(kNetSocketFailed);
    if (!connect()) return false;
    if (target.secure && target.via_proxy && tls_available_ && !tunnel()) return false;
    if (target.secure) {
      if (tls_available_) {
        tls_ = std::make_unique<TlsConnection>(*p_.config->tls);
        Deadline d = deadline();
        int err = tls_->handshake(socket_.fd(), target.host,
                                  settings.enable_legacy_server_connect != 0, d, p_.stop);
        result_.tls_error = tls_->last_error();
        tick(d);
        if (tls_->stopped()) return stop();
        if (err != 0) return fail(err);
      } else if (!target.via_proxy) {
        // Never send an https request in clear text to the server itself.
        return fail(kNetConnectFailed);
      }
    }
    RequestSpec spec;
    spec.head = settings.check_by_http_header != 0;
    head_ = spec.head;
    spec.via_proxy = target.via_proxy;
    spec.secure = target.secure;
    spec.host = target.host;
    spec.port = target.port;
    spec.request_path = target.request_path;
    if (target.conditional && settings.option_changed == 0)
      spec.if_modified_since = target.last_modified;
    // The item's credentials go to its own origin only, never to the server
    // a redirect names.
    if (settings.auth_type != 0 && target.credentials_allowed) {
      spec.basic_credentials = settings.auth_id + ":" + p_.auth_password;
    }
    if (!send_all(build_request(spec))) return false;
    return receive();
  };
  steps();
  if (socket_.fd() >= 0 && !result_.stopped) close_connection();
  if (!response_.close() && result_.net_error == 0 && !result_.stopped) fail(kNetReceiveFailed);
  result_.in_memory = response_.in_memory();
  if (tls_) result_.tls_error = tls_->last_error();
  if (p_.progress) p_.progress->tls_error.store(result_.tls_error);

  if (!result_.stopped && result_.net_error == 0 && result_.received_bytes == 0)
    fail(kNetReceiveFailed);
  result_.ok = !result_.stopped && result_.net_error == 0 && closed_by_server_;
  // Whatever a failed or stopped transfer stored (up to kResponseMax bytes)
  // is no response: it goes, so no work file of any size stays behind.
  if (!result_.ok && !result_.in_memory) remove_file(p_.response_path);
  received_counters().day += result_.received_bytes;
  received_counters().total += result_.received_bytes;
  return result_;
}

bool Transfer::connect() {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(p_.target->via_proxy ? p_.config->proxy_port : p_.target->port);
  sa.sin_addr.s_addr = p_.address;
  if (::connect(socket_.fd(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0) return true;
  if (errno != EINPROGRESS && errno != EINTR) return fail(kNetConnectFailed);
  Deadline d = deadline();
  WaitResult w = wait_socket(socket_.fd(), POLLOUT, d, p_.stop);
  tick(d);
  if (w != WaitResult::kReady) return wait_failed(w, kNetConnectFailed);
  int err = 0;
  socklen_t len = sizeof err;
  if (::getsockopt(socket_.fd(), SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0)
    return fail(kNetConnectFailed);
  return true;
}

bool Transfer::tunnel() {
  // The tunnel goes to the port the URL names, not always 443.
  if (!send_all(build_connect_request(p_.target->host, p_.target->port))) return false;
  return read_connect_answer();
}

bool Transfer::read_connect_answer() {
  std::string answer;
  Deadline d = deadline();
  while (answer.find("\r\n\r\n") == std::string::npos && answer.find("\n\n") == std::string::npos) {
    if (p_.stop.stop_requested()) return stop();
    if (d.expired()) return fail(kNetTimeout);
    if (answer.size() >= kReceiveBlock) return fail(kNetReceiveFailed);
    ssize_t n = ::recv(socket_.fd(), buffer_.data(), kReceiveBlock - answer.size(), 0);
    if (n > 0) {
      answer.append(buffer_.data(), static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0 || !would_block(errno)) return fail(kNetReceiveFailed);
    WaitResult w = wait_socket(socket_.fd(), POLLIN, d, p_.stop);
    tick(d);
    if (w != WaitResult::kReady) return wait_failed(w, kNetReceiveFailed);
  }
  if (parse_status_line(answer.substr(0, answer.find('\n'))) != 200) return fail(kNetReceiveFailed);
  return true;
}

bool Transfer::send_all(std::string_view data) {
  Deadline d = deadline();
  while (!data.empty()) {
    if (p_.stop.stop_requested()) return stop();
    if (tls_) {
      TlsIo io = tls_->write(data, d, p_.stop);
      tick(d);
      if (io.stopped) return stop();
      if (io.net_error) return fail(io.net_error);
      data.remove_prefix(static_cast<std::size_t>(io.bytes));
      continue;
    }
    ssize_t n = ::send(socket_.fd(), data.data(), data.size(), MSG_NOSIGNAL);
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && !would_block(errno)) return fail(kNetConnectFailed);
    WaitResult w = wait_socket(socket_.fd(), POLLOUT, d, p_.stop);
    tick(d);
    if (w != WaitResult::kReady) return wait_failed(w, kNetConnectFailed);
  }
  return true;
}

bool Transfer::store(const char* data, std::size_t n) {
  if (header_complete_) return false;
  if (head_) {
    if (std::size_t end = header_end_.find(std::string_view(data, n));
        end != std::string_view::npos) {
      n = end;
      header_complete_ = true;
    }
  }
  if (result_.received_bytes + static_cast<int64_t>(n) > kResponseMax) {
    return fail(kNetResponseTooLarge);
  }
  const ResponseStore::Append a = response_.append(data, n);
  if (a == ResponseStore::Append::kCreateFailed) return fail(kNetConnectFailed);
  if (a != ResponseStore::Append::kOk) return fail(kNetReceiveFailed);
  result_.received_bytes += static_cast<int64_t>(n);
  if (p_.progress) p_.progress->received_bytes.store(result_.received_bytes);
  return !header_complete_;
}

bool Transfer::receive() {
  // One limit for the whole response: arriving data does not extend it.
  Deadline d = deadline();
  while (true) {
    if (p_.stop.stop_requested()) return stop();
    tick(d);
    if (d.expired()) return fail(kNetTimeout);
    if (tls_) {
      TlsIo io = tls_->read(buffer_.data(), static_cast<int>(buffer_.size()), d, p_.stop);
      if (io.stopped) return stop();
      if (io.net_error) return fail(io.net_error);
      if (io.closed) break;
      if (!store(buffer_.data(), static_cast<std::size_t>(io.bytes))) break;
      continue;
    }
    ssize_t n = ::recv(socket_.fd(), buffer_.data(), buffer_.size(), 0);
    if (n > 0) {
      if (!store(buffer_.data(), static_cast<std::size_t>(n))) break;
      continue;
    }
    if (n == 0) break;
    if (!would_block(errno)) return fail(kNetReceiveFailed);
    WaitResult w = wait_socket(socket_.fd(), POLLIN, d, p_.stop);
    if (w != WaitResult::kReady) return wait_failed(w, kNetReceiveFailed);
  }
  if (result_.net_error != 0) return false;
  // The server closed, or (HEAD) the header block, all there is, is complete.
  closed_by_server_ = true;
  return true;
}

void Transfer::close_connection() {
  int fd = socket_.fd();
  if (tls_) {
    tls_->close(fd);
  } else {
    ::shutdown(fd, SHUT_WR);
    // Whatever is still there at once joins the response (bounded), unless
    // the answer is already complete.
    for (int i = 0; i < 16 && !header_complete_; ++i) {
      ssize_t n = ::recv(fd, buffer_.data(), buffer_.size(), MSG_DONTWAIT);
      if (n <= 0 || !store(buffer_.data(), static_cast<std::size_t>(n))) break;
    }
  }
  ::shutdown(fd, SHUT_RDWR);
}

}  // namespace

TransferResult run_transfer(const TransferParams& params) {
  ignore_sigpipe_once();
  Transfer transfer(params);
  return transfer.run();
}

}  // namespace ks::net
