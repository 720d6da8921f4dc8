#include "net/webdriver.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <thread>

#include "net/transfer.h"
#include "net/webdriver_answer.h"
#include "platform/fs.h"

namespace ks::net {
namespace {

constexpr int kStepMs = 100;
constexpr int kLoadStateSteps = 10;
constexpr int kSourceSteps = 5;
// A closing connection is drained for at most this long.
constexpr int kDrainMs = 1000;

std::string header_lines(uint16_t port) {
  return "Content-Type: application/json\r\nHost: localhost:" + std::to_string(port) + "\r\n";
}

std::string post(std::string_view target, uint16_t port, std::string_view body) {
  std::string r = "POST ";
  r += target;
  r += " HTTP/1.1\r\n" + header_lines(port) + "Content-Length: " + std::to_string(body.size()) +
       "\r\n\r\n";
  r += body;
  return r;
}

std::string session_path(std::string_view session, std::string_view rest) {
  std::string p = "/session/";
  p += session;
  p += rest;
  return p;
}

struct FileCloser {
  std::FILE* f;
  ~FileCloser() {
    if (f) std::fclose(f);
  }
};

bool answer_ok(const ExchangeResult& r) {
  return r.ok && r.status >= 200 && r.status <= 299;
}

bool files_equal(const std::string& a, const std::string& b) {
  const auto x = read_file(a);
  const auto y = read_file(b);
  return x && y && *x == *y;
}

// A non-blocking connection to 127.0.0.1:port. -1 when it failed;
// `refused` tells a port nobody listens on from other failures.
int connect_local(uint16_t port, const Deadline& limit, const StopFlags& stop, bool& refused) {
  refused = false;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int err = 0;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    err = errno;
    if (err == EINPROGRESS) {
      if (wait_socket(fd, POLLOUT, limit, stop) != WaitResult::kReady) {
        ::close(fd);
        return -1;
      }
      socklen_t len = sizeof err;
      if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
    }
  }
  if (err != 0) {
    refused = err == ECONNREFUSED;
    ::close(fd);
    return -1;
  }
  return fd;
}

// Shut down for sending, read what is still coming (briefly), close.
void close_gracefully(int fd) {
  ::shutdown(fd, SHUT_WR);
  const Deadline drain(kDrainMs / 1000);
  char buf[4096];
  for (;;) {
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n > 0) continue;
    if (n == 0) break;
    if (errno == EINTR) continue;
    if ((errno != EAGAIN && errno != EWOULDBLOCK) ||
        wait_socket(fd, POLLIN, drain, {}) != WaitResult::kReady) {
      break;
    }
  }
  ::shutdown(fd, SHUT_RDWR);
  ::close(fd);
}

}  // namespace

std::string format_session_body(std::string_view format, std::string_view profile_base,
                                uint16_t port) {
  std::string out;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      const char k = format[i + 1];
      if (k == 's' || k == 'u' || k == '%') {
        if (k == 's') out += json_escape(profile_base);
        if (k == 'u') out += std::to_string(port);
        if (k == '%') out += '%';
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  if (out.size() > kSessionBodyMax) return {};
  return out;
}

std::string new_session_request(uint16_t port, std::string_view body) {
  return post("/session", port, body);
}

std::string minimize_request(std::string_view session, uint16_t port) {
  return post(session_path(session, "/window/minimize"), port, "{}");
}

std::string open_url_request(std::string_view session, uint16_t port, std::string_view url_utf8) {
  return post(session_path(session, "/url"), port, "{\"url\": \"" + json_escape(url_utf8) + "\"}");
}

std::string load_state_request(std::string_view session, uint16_t port) {
  return post(session_path(session, "/execute/sync"), port,
              "{\"script\": \"return document.readyState;\", \"args\": []}");
}

std::string source_request(std::string_view session, uint16_t port) {
  return "GET " + session_path(session, "/source") + " HTTP/1.1\r\n" + header_lines(port) + "\r\n";
}

std::string delete_session_request(std::string_view session, uint16_t port) {
  return "DELETE " + session_path(session, "") +
         " HTTP/1.1\r\nHost: localhost:" + std::to_string(port) + "\r\n\r\n";
}

ExchangeResult driver_exchange(int fd, std::string_view request, const std::string& out_path,
                               bool force, int timeout_seconds, const StopFlags& stop) {
  ExchangeResult result;
  const StopFlags waits = force ? StopFlags{} : stop;
  FileCloser out{fopen_for_writing(out_path)};
  if (!out.f) return result;

  const Deadline send_limit(timeout_seconds);
  std::size_t sent = 0;
  while (sent < request.size()) {
    const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return result;
    if (wait_socket(fd, POLLOUT, send_limit, waits) != WaitResult::kReady) return result;
  }

  const Deadline receive_limit(timeout_seconds);
  AnswerTracker answer;
  std::vector<char> block(kDriverReceiveBlock);
  for (;;) {
    const ssize_t n = ::recv(fd, block.data(), block.size(), 0);
    if (n > 0) {
      const auto got = static_cast<std::size_t>(n);
      // A page source bounded like a response: a page that grows without
      // end must not fill the disk (nor, read back, the memory).
      if (answer.received() + static_cast<int64_t>(got) > kResponseMax) return result;
      if (std::fwrite(block.data(), 1, got, out.f) != got) return result;
      answer.feed(std::string_view(block.data(), got));
      if (answer.complete()) break;
      continue;
    }
    if (n == 0) {
      // The driver closed: the answer ends here, but nothing at all is no answer.
      if (answer.received() == 0) return result;
      break;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return result;
    // An answer without a length ends when the driver pauses. One with a
    // length is waited for to the end, so a pause in a long source never
    // passes off a cut document as the page.
    if (answer.ends_on_idle()) break;
    if (wait_socket(fd, POLLIN, receive_limit, waits) != WaitResult::kReady) return result;
  }
  result.ok = std::fflush(out.f) == 0;
  result.status = answer.status();
  return result;
}

bool write_source_response(const std::string& answer_path, const std::string& response_path) {
  const auto answer = read_file(answer_path);
  if (!answer) return false;
  std::string response(kDriverResponseHead);
  const std::size_t begin = string_content_after(*answer, "value");
  if (begin != std::string::npos) {
    response += json_unescape(std::string_view(*answer).substr(begin));
  }
  return write_file_atomic(response_path, response);
}

DriverPool::DriverPool(WebDriverConfig config) : config_(std::move(config)) {
  for (int i = 0; i < kDriverSlots; ++i) {
    slots_[static_cast<std::size_t>(i)].port = static_cast<uint16_t>(config_.port_base + i);
  }
}

DriverPool::~DriverPool() {
  close_slots();
}

std::vector<int> DriverPool::hand_outs() const {
  std::lock_guard lock(mutex_);
  return hand_outs_;
}

int DriverPool::take_slot(const DriverFetch& request) {
  const Deadline since_start(0);
  for (;;) {
    if (request.stop.stop_requested()) return -1;
    {
      std::lock_guard lock(mutex_);
      for (int step = 1; step <= kDriverSlots; ++step) {
        const int i = (last_handed_out_ + step) % kDriverSlots;
        Slot& s = slots_[static_cast<std::size_t>(i)];
        if (!s.busy) {
          s.busy = true;
          last_handed_out_ = i;
          hand_outs_.push_back(i);
          return i;
        }
      }
    }
    for (int slept = 0; slept < kSlotWaitMs && !request.stop.stop_requested(); slept += kStepMs) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
    }
    if (request.progress) request.progress->elapsed_seconds = since_start.elapsed_seconds();
  }
}

void DriverPool::release_slot(int index) {
  std::lock_guard lock(mutex_);
  slots_[static_cast<std::size_t>(index)].busy = false;
}

bool DriverPool::start_driver(Slot& slot) {
  if (config_.command.empty()) return false;
  std::vector<std::string> argv = config_.command;
  argv.push_back("--port=" + std::to_string(slot.port));
  return slot.process.start(argv, to_os_path(config_.work_folder));
}

bool DriverPool::connect_slot(Slot& slot, const DriverFetch& request) {
  const Deadline limit(config_.timeout_seconds);
  const Deadline startup(std::min(config_.startup_seconds, config_.timeout_seconds));
  for (;;) {
    bool refused = false;
    slot.fd = connect_local(slot.port, limit, request.stop, refused);
    if (slot.fd >= 0) return true;
    // A driver that was just started may not listen yet: wait for it while
    // it runs, bounded, so a broken driver is an error and never a hang.
    if (!refused || request.stop.stop_requested() || !slot.process.running() || startup.expired() ||
        limit.expired()) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
  }
}

void DriverPool::drop_connection(Slot& slot) {
  if (slot.fd >= 0) ::close(slot.fd);
  slot.fd = -1;
}

bool DriverPool::create_session(Slot& slot, const DriverFetch& request) {
  const std::string body =
      format_session_body(config_.session_body, config_.profile_base, slot.port);
  if (body.empty()) return false;
  const std::string answer_path = path_join(request.item_folder, "session.json");
  const ExchangeResult r =
      driver_exchange(slot.fd, new_session_request(slot.port, body), answer_path, false,
                      config_.timeout_seconds, request.stop);
  if (!r.ok) {
    drop_connection(slot);
    return false;
  }
  const auto answer = read_file(answer_path);
  remove_file(answer_path);
  const auto id = answer ? string_after(*answer, "sessionId") : std::nullopt;
  if (!id || !is_safe_session_id(*id)) return false;
  slot.session = *id;

  const std::string minimize_path = path_join(request.item_folder, "minimize.json");
  if (!driver_exchange(slot.fd, minimize_request(slot.session, slot.port), minimize_path, false,
                       config_.timeout_seconds, request.stop)
           .ok) {
    drop_connection(slot);
    return false;
  }
  remove_file(minimize_path);
  return true;
}

DriverFetchResult DriverPool::load_page(Slot& slot, const DriverFetch& r) {
  const Deadline since_start(0);
  auto progress = [&] {
    if (r.progress) r.progress->elapsed_seconds = since_start.elapsed_seconds();
  };
  // Sleeps in steps of kStepMs, at most `steps` of them and not beyond
  // `until`; false when the run is stopped.
  auto pause = [&](int steps, Clock::time_point until) {
    for (int i = 0; i < steps && Clock::now() < until; ++i) {
      if (r.stop.stop_requested()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
      progress();
    }
    return !r.stop.stop_requested();
  };
  auto exchange = [&](const std::string& request, const std::string& path) {
    const ExchangeResult x =
        driver_exchange(slot.fd, request, path, false, config_.timeout_seconds, r.stop);
    // After a failed exchange the connection may still carry the rest of
    // an answer; the next fetch on this slot starts a new one.
    if (!x.ok) drop_connection(slot);
    progress();
    return x;
  };
  const auto failed = [&] {
    return r.stop.stop_requested() ? DriverFetchResult::kStopped : DriverFetchResult::kFailed;
  };

  const std::string url_path = path_join(r.item_folder, "url.json");
  const ExchangeResult opened =
      exchange(open_url_request(slot.session, slot.port, r.url), url_path);
  if (!answer_ok(opened)) {
    // A session the driver no longer knows (its browser went away) is
    // created anew by the next fetch on this slot.
    const auto answer = read_file(url_path);
    if (answer && answer->find("invalid session id") != std::string::npos) slot.session.clear();
    return failed();
  }
  remove_file(url_path);

  const std::string sync_path = path_join(r.item_folder, "sync.json");
  for (int attempt = 0; attempt < kLoadStateTries; ++attempt) {
    const Clock::time_point asked = Clock::now();
    if (!exchange(load_state_request(slot.session, slot.port), sync_path).ok) break;
    const auto answer = read_file(sync_path);
    if (answer && answer->find("complete") != std::string::npos) break;
    if (attempt + 1 < kLoadStateTries &&
        !pause(kLoadStateSteps, asked + std::chrono::milliseconds(kDriverSpacingMs))) {
      remove_file(sync_path);
      return failed();
    }
  }
  remove_file(sync_path);
  if (slot.fd < 0) return failed();

  const std::string sources[2] = {path_join(r.item_folder, "source1.json"),
                                  path_join(r.item_folder, "source2.json")};
  const std::string* last = nullptr;
  int equal = 0;
  for (int poll = 0; poll < kSourcePolls; ++poll) {
    const Clock::time_point asked = Clock::now();
    const std::string& path = sources[poll % 2];
    if (!answer_ok(exchange(source_request(slot.session, slot.port), path))) break;
    last = &path;
    if (poll > 0) {
      equal = files_equal(sources[0], sources[1]) ? equal + 1 : 0;
      if (equal >= kSettledSources - 1) break;
    }
    if (poll + 1 < kSourcePolls &&
        !pause(kSourceSteps, asked + std::chrono::milliseconds(kDriverSpacingMs))) {
      last = nullptr;
      break;
    }
  }
  // A failed request leaves its file cut short: the source converted is the
  // last one that came whole.
  const bool converted = last && write_source_response(*last, r.response_path);
  remove_file(sources[0]);
  remove_file(sources[1]);
  return converted ? DriverFetchResult::kOk : failed();
}

DriverFetchResult DriverPool::fetch(const DriverFetch& request) {
  const int index = take_slot(request);
  if (index < 0) return DriverFetchResult::kStopped;
  Slot& slot = slots_[static_cast<std::size_t>(index)];
  auto give_back = [&](DriverFetchResult result) {
    release_slot(index);
    if (result == DriverFetchResult::kFailed && request.stop.stop_requested()) {
      return DriverFetchResult::kStopped;
    }
    return result;
  };
  if (slot.started && !slot.process.running()) {
    // The driver went away during the run: start it again.
    drop_connection(slot);
    slot.session.clear();
    slot.process.end(0);
    slot.started = false;
  }
  if (!slot.started) {
    if (request.stop.stop_requested()) return give_back(DriverFetchResult::kStopped);
    if (!start_driver(slot)) return give_back(DriverFetchResult::kFailed);
    slot.started = true;
  }
  if (slot.fd < 0 && !connect_slot(slot, request)) return give_back(DriverFetchResult::kFailed);
  if (slot.session.empty() && !create_session(slot, request)) {
    return give_back(DriverFetchResult::kFailed);
  }
  return give_back(load_page(slot, request));
}

void DriverPool::close_slot(Slot& slot) {
  if (!slot.session.empty() && slot.fd >= 0) {
    const std::string path =
        path_join(config_.work_folder, "temp_" + slot.session + ".delete.json");
    if (driver_exchange(slot.fd, delete_session_request(slot.session, slot.port), path, true,
                        config_.timeout_seconds, {})
            .ok) {
      remove_file(path);
    }
  }
  if (slot.fd >= 0) close_gracefully(slot.fd);
  slot.fd = -1;
  slot.session.clear();
  if (slot.started) {
    slot.process.end(config_.end_grace_ms);
    // The browser's profile is private to the run.
    remove_tree(path_join(config_.work_folder, "Session" + std::to_string(slot.port)));
  }
  slot.started = false;
}

void DriverPool::close_slots() {
  std::vector<std::thread> closing;
  for (Slot& slot : slots_) {
    if (slot.started || slot.fd >= 0) closing.emplace_back([this, &slot] { close_slot(slot); });
  }
  for (std::thread& t : closing) t.join();
  std::lock_guard lock(mutex_);
  for (Slot& slot : slots_) slot.busy = false;
  last_handed_out_ = kDriverSlots - 1;
}

}  // namespace ks::net
