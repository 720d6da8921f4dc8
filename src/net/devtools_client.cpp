#include "net/devtools_client.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <vector>

namespace ks::net {
namespace {

constexpr std::size_t kReadBlock = 65536;

void set_nonblocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

// A write to a pipe whose reader is gone must fail with EPIPE, not end the
// process (the same process-wide choice the transfers make for TLS).
void ignore_sigpipe() {
  static std::once_flag once;
  std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

CommandResult status_only(CommandResult::Status s) {
  CommandResult r;
  r.status = s;
  return r;
}

}  // namespace

DevToolsClient::DevToolsClient(int to_browser, int from_browser, std::size_t max_message)
    : to_browser_(to_browser), from_browser_(from_browser), max_message_(max_message) {
  ignore_sigpipe();
  set_nonblocking(to_browser_);
  set_nonblocking(from_browser_);
  reader_ = std::thread([this] { read_loop(); });
}

DevToolsClient::~DevToolsClient() {
  ending_ = true;
  if (reader_.joinable()) reader_.join();
  ::close(to_browser_);
  ::close(from_browser_);
}

void DevToolsClient::read_loop() {
  MessageSplitter splitter(max_message_);
  std::vector<char> block(kReadBlock);
  const auto on_message = [this](std::string_view m) { dispatch(m); };
  const auto on_oversized = [this](std::string_view prefix) { fail_oversized(prefix); };
  while (!ending_) {
    pollfd p{from_browser_, POLLIN, 0};
    const int ready = ::poll(&p, 1, kPollSliceMs);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    const ssize_t n = ::read(from_browser_, block.data(), block.size());
    if (n > 0) {
      splitter.feed(std::string_view(block.data(), static_cast<std::size_t>(n)), on_message,
                    on_oversized);
      continue;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    break;  // the browser's end closed
  }
  close_all();
}

void DevToolsClient::dispatch(std::string_view text) {
  DevToolsMessage m = parse_devtools_message(text);
  if (m.kind == DevToolsMessage::Kind::kReply) {
    CommandResult r;
    r.status = m.failed ? CommandResult::Status::kError : CommandResult::Status::kOk;
    r.result = std::move(m.payload);
    r.error = std::move(m.error);
    finish(m.id, std::move(r));
    return;
  }
  if (m.kind != DevToolsMessage::Kind::kEvent) return;
  std::shared_ptr<EventHandler> handler;
  {
    std::lock_guard lock(mutex_);
    const auto it = handlers_.find(m.session);
    if (it != handlers_.end()) handler = it->second;
  }
  if (handler) (*handler)(m.method, m.payload);
}

void DevToolsClient::fail_oversized(std::string_view prefix) {
  if (const auto id = leading_command_id(prefix)) {
    finish(*id, status_only(CommandResult::Status::kTooLarge));
  }
}

void DevToolsClient::finish(int id, CommandResult result) {
  {
    std::lock_guard lock(mutex_);
    const auto it = pending_.find(id);
    if (it == pending_.end() || it->second.done) return;
    it->second.done = true;
    it->second.result = std::move(result);
  }
  replied_.notify_all();
}

void DevToolsClient::close_all() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (auto& [id, p] : pending_) {
      if (!p.done) {
        p.done = true;
        p.result = status_only(CommandResult::Status::kClosed);
      }
    }
  }
  replied_.notify_all();
}

bool DevToolsClient::send_all(const std::string& bytes, const StopFlags& stop, int timeout_ms) {
  std::lock_guard lock(write_mutex_);
  const auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    if (closed_) return false;
    const ssize_t n = ::write(to_browser_, bytes.data() + sent, bytes.size() - sent);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      // The browser no longer reads: it has gone, whether or not its
      // replies' end has been seen closing yet.
      close_all();
      return false;
    }
    // A message that was begun is finished whatever the stop flags say: half
    // a command would garble every later one.
    if (sent == 0 && stop.stop_requested()) return false;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left <= 0) {
      if (sent > 0) close_all();
      return false;
    }
    pollfd p{to_browser_, POLLOUT, 0};
    ::poll(&p, 1, static_cast<int>(std::min<long long>(left, kPollSliceMs)));
  }
  return true;
}

CommandResult DevToolsClient::call(std::string_view method, const nlohmann::json& params,
                                   std::string_view session, const StopFlags& stop,
                                   int timeout_ms) {
  if (closed_) return status_only(CommandResult::Status::kClosed);
  int id = 0;
  {
    std::lock_guard lock(mutex_);
    id = next_id_++;
    pending_[id];
  }
  nlohmann::json message = {{"id", id}, {"method", method}, {"params", params}};
  if (!session.empty()) message["sessionId"] = session;
  std::string bytes = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + '\0';

  const auto forget = [&](CommandResult::Status s) {
    std::lock_guard lock(mutex_);
    pending_.erase(id);
    return status_only(s);
  };
  if (!send_all(bytes, stop, timeout_ms)) {
    if (closed_) return forget(CommandResult::Status::kClosed);
    return forget(stop.stop_requested() ? CommandResult::Status::kStopped
                                        : CommandResult::Status::kTimeout);
  }
  const auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::unique_lock lock(mutex_);
  for (;;) {
    auto& p = pending_[id];
    if (p.done) {
      CommandResult r = std::move(p.result);
      pending_.erase(id);
      return r;
    }
    if (closed_) {
      pending_.erase(id);
      return status_only(CommandResult::Status::kClosed);
    }
    if (stop.stop_requested()) {
      pending_.erase(id);
      return status_only(CommandResult::Status::kStopped);
    }
    if (Clock::now() >= until) {
      pending_.erase(id);
      return status_only(CommandResult::Status::kTimeout);
    }
    replied_.wait_for(lock, std::chrono::milliseconds(kPollSliceMs));
  }
}

void DevToolsClient::set_event_handler(const std::string& session,
                                       std::shared_ptr<EventHandler> handler) {
  std::lock_guard lock(mutex_);
  handlers_[session] = std::move(handler);
}

void DevToolsClient::remove_event_handler(const std::string& session) {
  std::lock_guard lock(mutex_);
  handlers_.erase(session);
}

}  // namespace ks::net
