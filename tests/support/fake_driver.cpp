#include "support/fake_driver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace ks::test {
namespace {

int listen_on(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 16) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool send_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool ends_with(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::size_t content_length(const std::string& head) {
  std::string lower(head);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::size_t at = lower.find("\r\ncontent-length:");
  if (at == std::string::npos) return 0;
  return static_cast<std::size_t>(std::strtoul(head.c_str() + at + 17, nullptr, 10));
}

}  // namespace

uint16_t free_port_run(int count) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    // Ephemeral ports are handed out from 32768 up; stay below them.
    const auto base = static_cast<uint16_t>(20000 + ((::getpid() * 131 + attempt * 977) % 10000));
    std::vector<int> fds;
    for (int i = 0; i < count; ++i) {
      const int fd = listen_on(static_cast<uint16_t>(base + i));
      if (fd < 0) break;
      fds.push_back(fd);
    }
    const bool all = static_cast<int>(fds.size()) == count;
    for (int fd : fds) ::close(fd);
    if (all) return base;
  }
  return 0;
}

FakeDriver::FakeDriver() {
  source_ = [](int) { return std::string("<html><body>page</body></html>"); };
  for (int attempt = 0; attempt < 5 && !ok_; ++attempt) {
    base_ = free_port_run(4);
    if (base_ == 0) continue;
    listen_fds_.clear();
    for (int i = 0; i < 4; ++i) {
      const int fd = listen_on(static_cast<uint16_t>(base_ + i));
      if (fd < 0) break;
      listen_fds_.push_back(fd);
    }
    ok_ = listen_fds_.size() == 4;
    if (!ok_) {
      for (int fd : listen_fds_) ::close(fd);
      listen_fds_.clear();
    }
  }
  if (ok_) acceptor_ = std::thread([this] { accept_loop(); });
}

FakeDriver::~FakeDriver() {
  stopping_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  std::vector<std::thread> threads;
  {
    std::lock_guard lock(mutex_);
    for (int fd : open_fds_) ::shutdown(fd, SHUT_RDWR);
    threads.swap(threads_);
  }
  for (std::thread& t : threads) t.join();
  for (int fd : listen_fds_) ::close(fd);
}

void FakeDriver::set_source(std::function<std::string(int)> source) {
  std::lock_guard lock(mutex_);
  source_ = std::move(source);
}

void FakeDriver::set_handler(
    std::function<std::optional<DriverAnswer>(const DriverRequest&)> handler) {
  std::lock_guard lock(mutex_);
  handler_ = std::move(handler);
}

std::vector<DriverRequest> FakeDriver::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::size_t FakeDriver::count(const std::string& method, const std::string& suffix) const {
  std::lock_guard lock(mutex_);
  return static_cast<std::size_t>(std::count_if(
      requests_.begin(), requests_.end(),
      [&](const auto& r) { return r.method == method && ends_with(r.path, suffix); }));
}

void FakeDriver::accept_loop() {
  std::vector<pollfd> pfds;
  for (int fd : listen_fds_) pfds.push_back({fd, POLLIN, 0});
  while (!stopping_) {
    if (::poll(pfds.data(), pfds.size(), 50) <= 0) continue;
    for (std::size_t i = 0; i < pfds.size(); ++i) {
      if (!(pfds[i].revents & POLLIN)) continue;
      const int fd = ::accept4(pfds[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      std::lock_guard lock(mutex_);
      open_fds_.push_back(fd);
      threads_.emplace_back([this, fd, i] { serve(fd, static_cast<int>(i)); });
    }
  }
}

DriverAnswer FakeDriver::answer(const DriverRequest& r) {
  std::function<std::optional<DriverAnswer>(const DriverRequest&)> handler;
  std::function<std::string(int)> source;
  int n = 0;
  {
    std::lock_guard lock(mutex_);
    handler = handler_;
    source = source_;
    if (r.method == "POST" && ends_with(r.path, "/url")) sources_since_url_[r.slot] = 0;
    if (r.method == "GET" && ends_with(r.path, "/source")) n = ++sources_since_url_[r.slot];
  }
  if (handler) {
    if (auto a = handler(r)) return *a;
  }
  DriverAnswer a;
  if (r.method == "POST" && r.path == "/session") {
    a.body = "{\"value\":{\"capabilities\":{\"browserName\":\"fake\"},\"sessionId\":\"fake-" +
             std::to_string(r.slot) + "\"}}";
  } else if (ends_with(r.path, "/window/minimize")) {
    a.body = "{\"value\":{\"height\":600,\"width\":800,\"x\":0,\"y\":0}}";
  } else if (ends_with(r.path, "/execute/sync")) {
    a.body = "{\"value\":\"complete\"}";
  } else if (ends_with(r.path, "/source")) {
    a.body = "{\"value\":\"" + source(n) + "\"}";
  } else {
    a.body = "{\"value\":null}";
  }
  return a;
}

void FakeDriver::serve(int fd, int slot) {
  std::string buffer;
  char block[8192];
  while (!stopping_) {
    const std::size_t head_end = buffer.find("\r\n\r\n");
    if (head_end != std::string::npos) {
      const std::size_t length = content_length(buffer.substr(0, head_end + 2));
      if (buffer.size() >= head_end + 4 + length) {
        DriverRequest r;
        r.slot = slot;
        r.raw = buffer.substr(0, head_end + 4 + length);
        r.body = r.raw.substr(head_end + 4);
        buffer.erase(0, r.raw.size());
        const std::size_t sp1 = r.raw.find(' ');
        const std::size_t sp2 = r.raw.find(' ', sp1 + 1);
        r.method = r.raw.substr(0, sp1);
        r.path = r.raw.substr(sp1 + 1, sp2 - sp1 - 1);
        {
          std::lock_guard lock(mutex_);
          requests_.push_back(r);
        }
        const DriverAnswer a = answer(r);
        if (a.delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(a.delay_ms));
        const std::string head = "HTTP/1.1 " + std::to_string(a.status) +
                                 (a.status == 200 ? " OK" : " Error") +
                                 "\r\nContent-Length: " + std::to_string(a.body.size()) +
                                 "\r\nContent-Type: application/json; charset=utf-8"
                                 "\r\ncache-control: no-cache\r\n\r\n";
        bool sent = true;
        if (a.split_pause_ms > 0) {
          const std::size_t half = a.body.size() / 2;
          sent = send_all(fd, head + a.body.substr(0, half));
          std::this_thread::sleep_for(std::chrono::milliseconds(a.split_pause_ms));
          sent = sent && send_all(fd, a.body.substr(half));
        } else {
          sent = send_all(fd, head + a.body);
        }
        if (!sent) break;
        continue;
      }
    }
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    const ssize_t n = ::recv(fd, block, sizeof block, 0);
    if (n <= 0) break;
    buffer.append(block, static_cast<std::size_t>(n));
  }
  std::lock_guard lock(mutex_);
  open_fds_.erase(std::remove(open_fds_.begin(), open_fds_.end(), fd), open_fds_.end());
  ::close(fd);
}

}  // namespace ks::test
