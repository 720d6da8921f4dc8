// A fake browser end of a DevTools pipe for tests: two pipes, one for the
// client's commands and one for the peer's replies and events. A thread reads
// the NUL-ended commands and hands each (parsed) to the test's handler,
// which answers with reply()/event()/send_raw() in any order and any pieces,
// or ends the peer with die(). Every command is recorded.
//
// The client's two descriptors are taken with take_client_fds(); the
// destructor closes the peer's ends and joins its thread.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

namespace ks::test {

class FakeDevTools {
 public:
  using Handler = std::function<void(FakeDevTools& peer, const nlohmann::json& command)>;

  explicit FakeDevTools(Handler handler);
  ~FakeDevTools();
  FakeDevTools(const FakeDevTools&) = delete;
  FakeDevTools& operator=(const FakeDevTools&) = delete;

  // {to_browser, from_browser} for DevToolsClient, which then owns them.
  std::pair<int, int> take_client_fds();

  // Writes raw bytes (any framing the test wants).
  void send_raw(const std::string& bytes);
  void send(const nlohmann::json& message);  // dump + NUL
  void reply(const nlohmann::json& command, const nlohmann::json& result);
  void reply_error(const nlohmann::json& command, const std::string& message);
  void event(const std::string& session, const std::string& method, const nlohmann::json& params);
  // Closes the peer's ends: the client sees the browser go away.
  void die();

  std::vector<nlohmann::json> commands() const;
  std::vector<std::string> methods() const;
  // Waits (bounded) until a command with `method` arrived.
  bool wait_for(const std::string& method, int timeout_ms) const;

 private:
  void read_loop();

  Handler handler_;
  int commands_read_ = -1;   // peer reads the client's commands here
  int commands_write_ = -1;  // client's end
  int replies_read_ = -1;    // client's end
  int replies_write_ = -1;   // peer writes here
  std::mutex write_mutex_;
  mutable std::mutex mutex_;
  mutable std::condition_variable arrived_;
  std::vector<nlohmann::json> commands_;
  bool dead_ = false;
  std::thread reader_;
};

}  // namespace ks::test
