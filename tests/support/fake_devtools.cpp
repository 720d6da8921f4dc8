#include "support/fake_devtools.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace ks::test {

FakeDevTools::FakeDevTools(Handler handler) : handler_(std::move(handler)) {
  std::signal(SIGPIPE, SIG_IGN);
  int commands[2];
  int replies[2];
  if (::pipe2(commands, O_CLOEXEC) == 0) {
    commands_read_ = commands[0];
    commands_write_ = commands[1];
  }
  if (::pipe2(replies, O_CLOEXEC) == 0) {
    replies_read_ = replies[0];
    replies_write_ = replies[1];
  }
  reader_ = std::thread([this] { read_loop(); });
}

FakeDevTools::~FakeDevTools() {
  die();
  if (reader_.joinable()) reader_.join();
  if (commands_read_ >= 0) ::close(commands_read_);
  if (commands_write_ >= 0) ::close(commands_write_);
  if (replies_read_ >= 0) ::close(replies_read_);
}

std::pair<int, int> FakeDevTools::take_client_fds() {
  const std::pair<int, int> fds{commands_write_, replies_read_};
  commands_write_ = -1;
  replies_read_ = -1;
  return fds;
}

void FakeDevTools::read_loop() {
  std::string buffer;
  char block[4096];
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (dead_) return;
    }
    pollfd p{commands_read_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const ssize_t n = ::read(commands_read_, block, sizeof block);
    if (n <= 0) return;
    buffer.append(block, static_cast<std::size_t>(n));
    std::size_t nul;
    while ((nul = buffer.find('\0')) != std::string::npos) {
      nlohmann::json command = nlohmann::json::parse(buffer.substr(0, nul), nullptr, false);
      buffer.erase(0, nul + 1);
      {
        std::lock_guard lock(mutex_);
        commands_.push_back(command);
      }
      arrived_.notify_all();
      if (handler_) handler_(*this, command);
    }
  }
}

void FakeDevTools::send_raw(const std::string& bytes) {
  std::lock_guard lock(write_mutex_);
  std::size_t sent = 0;
  while (sent < bytes.size() && replies_write_ >= 0) {
    const ssize_t n = ::write(replies_write_, bytes.data() + sent, bytes.size() - sent);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EINTR) {
      return;
    }
  }
}

void FakeDevTools::send(const nlohmann::json& message) {
  send_raw(message.dump() + std::string(1, '\0'));
}

void FakeDevTools::reply(const nlohmann::json& command, const nlohmann::json& result) {
  nlohmann::json m = {{"id", command["id"]}, {"result", result}};
  if (command.contains("sessionId")) m["sessionId"] = command["sessionId"];
  send(m);
}

void FakeDevTools::reply_error(const nlohmann::json& command, const std::string& message) {
  nlohmann::json m = {{"id", command["id"]}, {"error", {{"code", -32000}, {"message", message}}}};
  if (command.contains("sessionId")) m["sessionId"] = command["sessionId"];
  send(m);
}

void FakeDevTools::event(const std::string& session, const std::string& method,
                         const nlohmann::json& params) {
  nlohmann::json m = {{"method", method}, {"params", params}};
  if (!session.empty()) m["sessionId"] = session;
  send(m);
}

void FakeDevTools::die() {
  {
    std::lock_guard lock(mutex_);
    if (dead_) return;
    dead_ = true;
  }
  std::lock_guard lock(write_mutex_);
  if (replies_write_ >= 0) ::close(replies_write_);
  replies_write_ = -1;
  // The command end closes once the reader has stopped (it polls briefly).
}

std::vector<nlohmann::json> FakeDevTools::commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

std::vector<std::string> FakeDevTools::methods() const {
  std::vector<std::string> out;
  for (const auto& c : commands()) out.push_back(c.value("method", ""));
  return out;
}

bool FakeDevTools::wait_for(const std::string& method, int timeout_ms) const {
  std::unique_lock lock(mutex_);
  return arrived_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
    for (const auto& c : commands_) {
      if (c.value("method", "") == method) return true;
    }
    return false;
  });
}

}  // namespace ks::test
