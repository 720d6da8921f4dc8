// Reading what a browser driver answers: the end of one HTTP answer on a
// kept-alive connection, the double-quoted strings of its JSON, and the page
// source turned back into the document's bytes. Pure functions over byte
// ranges; no I/O, no allocation beyond the returned strings. Any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ks::net {

// Header lines are examined up to this many bytes each (longer lines are
// cut; the driver's own header lines are short).
inline constexpr std::size_t kDriverHeaderLineMax = 100;
// A string read from an answer (session id) is cut to this many bytes.
inline constexpr std::size_t kDriverStringMax = 99;

// Follows one HTTP answer as its bytes arrive, to tell when it is complete:
// after the header block when it names no body (Content-Length: 0), after
// Content-Length body bytes otherwise. An answer without Content-Length has
// no end of its own; ends_on_idle() says the caller may take it as complete
// when the connection has nothing more to read at the moment.
class AnswerTracker {
 public:
  // Feeds the next bytes; returns how many belong to this answer (the rest,
  // if any, would be the start of a later answer).
  std::size_t feed(std::string_view bytes);
  bool complete() const { return state_ == State::kDone; }
  // Headers have ended, no length was given, and at least one byte came.
  bool ends_on_idle() const { return state_ == State::kBodyUnbounded; }
  // The status code of the status line; 0 until it was read or when it did
  // not parse.
  int status() const { return status_; }
  int64_t received() const { return received_; }

 private:
  enum class State {
    kStatusLine,     // the first line, up to LF
    kHeaderLine,     // a header line, up to LF; an empty one ends the block
    kBody,           // counting body bytes up to the length
    kBodyUnbounded,  // no length: every byte is body
    kDone,           // complete; further bytes are not this answer's
  };
  void end_line();

  State state_ = State::kStatusLine;
  std::string line_;  // the line being read, at most kDriverHeaderLineMax bytes
  std::size_t line_bytes_ = 0;
  int64_t length_ = -1;  // Content-Length, -1 when none
  int64_t body_ = 0;
  int64_t received_ = 0;
  int status_ = 0;
};

// The content (raw, not unescaped) of the double-quoted string that follows
// the string `key` in `text`, cut to `max` bytes; nullopt when `key` is not
// among the strings or nothing follows it. A backslash inside a string
// escapes the next byte, so an escaped quote never ends one.
std::optional<std::string> string_after(std::string_view text, std::string_view key,
                                        std::size_t max = kDriverStringMax);

// Where the content of the string after `key` begins (the byte after its
// opening quote); npos when there is none.
std::size_t string_content_after(std::string_view text, std::string_view key);

// Decodes JSON string content starting at `text`, up to the first unescaped
// double quote (or the end): \" \\ \/ give themselves; \b \f \n \r \t the
// control characters; \uXXXX the code point in UTF-8, a surrogate pair as
// one character; anything else (a lone surrogate, bad hex digits, another
// letter) gives '?'. Other bytes are copied unchanged.
std::string json_unescape(std::string_view text);

// The text as JSON string content: quote, backslash and control bytes
// escaped, everything else (UTF-8 included) unchanged.
std::string json_escape(std::string_view text);

// A session id goes into request lines as it stands, so only plain token
// bytes are accepted (letters, digits, '-', '_', '.').
bool is_safe_session_id(std::string_view id);

}  // namespace ks::net
