// Helpers shared by the fetching tests: a sink that records what the
// response reader hands over, and gzip/chunked encoders for test bodies.
#pragma once

#include <zlib.h>

#include <string>
#include <string_view>
#include <vector>

#include "net/body_sink.h"

namespace ks::net::test {

class RecordingSink : public BodySink {
 public:
  bool begin_pass(int pass) override {
    passes.push_back(pass);
    lines.clear();
    body.clear();
    raw.clear();
    body_begun = false;
    return !fail_begin;
  }
  void text_line(std::string_view line) override { lines.emplace_back(line); }
  void header_charset(std::string_view name) override { charsets.emplace_back(name); }
  void begin_body() override { body_begun = true; }
  bool write(std::string_view bytes) override {
    body.append(bytes);
    if (stop_after_bytes > 0 && body.size() >= stop_after_bytes && passes.size() == 1) {
      stop_after_bytes = 0;
      want_second_pass = true;
      return false;
    }
    return true;
  }
  void raw_bytes(std::string_view bytes) override { raw.append(bytes); }
  bool end_pass() override {
    ++ends;
    bool again = want_second_pass;
    want_second_pass = false;
    return again;
  }

  std::vector<int> passes;
  std::vector<std::string> lines;
  std::vector<std::string> charsets;
  std::string body;
  std::string raw;
  bool body_begun = false;
  int ends = 0;
  bool fail_begin = false;
  bool want_second_pass = false;
  std::size_t stop_after_bytes = 0;  // ask for a restart once this much body arrived
};

inline std::string gzip_bytes(std::string_view data) {
  z_stream zs{};
  deflateInit2(&zs, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, static_cast<uLong>(data.size())) + 32, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

// Chunked coding with chunks of `chunk` bytes and the final zero chunk.
inline std::string chunked(std::string_view data, std::size_t chunk) {
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < data.size(); i += chunk) {
    std::string_view piece = data.substr(i, chunk);
    std::string size;
    for (std::size_t n = piece.size(); n > 0; n >>= 4) size.insert(size.begin(), hex[n & 15]);
    out += size + "\r\n";
    out += piece;
    out += "\r\n";
  }
  out += "0\r\n\r\n";
  return out;
}

// A text of `size` bytes that compresses but not trivially.
inline std::string sample_body(std::size_t size) {
  std::string s;
  s.reserve(size);
  unsigned x = 12345;
  while (s.size() < size) {
    x = x * 1103515245u + 12345u;
    s += "<p>line ";
    s += std::to_string(x % 100000);
    s += " \x93\xfa\x96\x7b</p>\r\n";  // Shift_JIS bytes in the body
  }
  s.resize(size);
  return s;
}

}  // namespace ks::net::test
