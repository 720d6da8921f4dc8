// The browser's DevTools messages as they come over its pipe: JSON texts,
// each ended by a NUL byte. MessageSplitter cuts the byte stream into
// messages whatever the reads' boundaries, and never holds more than the
// bound: a longer message is skipped to its NUL and reported by the command
// id it begins with, so the command waiting for it fails clearly instead of
// waiting for ever. parse_devtools_message() tells replies from events.
//
// Pure functions and a plain object: no threads, no I/O.
#pragma once

#include <cstddef>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace ks::net {

// The longest message kept by default (a page's body comes in one reply).
inline constexpr std::size_t kDevToolsMessageMax = 64u << 20;
// Bytes of a skipped message kept to find its command id.
inline constexpr std::size_t kDevToolsPrefixKept = 64;

class MessageSplitter {
 public:
  explicit MessageSplitter(std::size_t max_message = kDevToolsMessageMax) : max_(max_message) {}

  // Called with each whole message (without its NUL).
  using OnMessage = std::function<void(std::string_view message)>;
  // Called when a message longer than the bound has ended, with its first
  // kDevToolsPrefixKept bytes (at most the bound).
  using OnOversized = std::function<void(std::string_view prefix)>;

  void feed(std::string_view bytes, const OnMessage& on_message, const OnOversized& on_oversized);
  // Bytes held for the message in progress: never more than the bound.
  std::size_t held() const { return buffer_.size(); }

 private:
  std::size_t max_;
  std::string buffer_;
  bool skipping_ = false;
};

// The command id a message begins with ({"id":N,...}, as the browser writes
// replies); nullopt when it begins otherwise.
std::optional<int> leading_command_id(std::string_view message);

// The JSON text with every \u escape of a lone surrogate (which a page's
// text can hold, but a JSON reader refuses) turned into \ufffd.
std::string replace_lone_surrogates(std::string_view json_text);

struct DevToolsMessage {
  enum class Kind { kReply, kEvent, kInvalid };
  Kind kind = Kind::kInvalid;
  int id = 0;              // a reply's command id
  std::string session;     // the session it belongs to; empty: the browser's own
  std::string method;      // an event's name
  nlohmann::json payload;  // a reply's result, an event's params
  bool failed = false;     // a reply with an error
  std::string error;       // its message
};

// Parses one message. kInvalid for text that is not a JSON object with
// either an integer "id" or a string "method"; a text that cannot be read
// but begins with a command id is a failed reply to that command.
DevToolsMessage parse_devtools_message(std::string_view text);

}  // namespace ks::net
