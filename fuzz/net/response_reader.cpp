// Arbitrary stored responses through the response reader into a counting
// sink. The first byte picks the reading mode and how the sink behaves; the
// rest is the response file. The parser is also fed the same bytes split at
// a position taken from the input, and must deliver the same body.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/response_reader.h"

namespace {

class CountingSink : public ks::net::BodySink {
 public:
  explicit CountingSink(std::size_t restart_at) : restart_at_(restart_at) {}
  bool begin_pass(int pass) override {
    if (pass < 1 || pass > 2 || in_pass_) std::abort();
    in_pass_ = true;
    pass_ = pass;
    body_bytes = 0;
    hash = 0;
    return true;
  }
  void text_line(std::string_view line) override {
    for (char c : line) {
      if (c == '\r' || c == '\n') std::abort();
    }
    ++lines;
  }
  void header_charset(std::string_view) override {}
  void begin_body() override {}
  bool write(std::string_view bytes) override {
    if (!in_pass_ || bytes.empty()) std::abort();
    for (char c : bytes) hash = hash * 131 + static_cast<unsigned char>(c);
    body_bytes += bytes.size();
    if (pass_ == 1 && restart_at_ > 0 && body_bytes >= restart_at_) {
      want_restart_ = true;
      return false;
    }
    return true;
  }
  void raw_bytes(std::string_view bytes) override { body_bytes += bytes.size(); }
  bool end_pass() override {
    if (!in_pass_) std::abort();
    in_pass_ = false;
    bool again = want_restart_;
    want_restart_ = false;
    return again;
  }

  std::size_t body_bytes = 0;
  std::size_t lines = 0;
  uint64_t hash = 0;

 private:
  std::size_t restart_at_;
  int pass_ = 0;
  bool in_pass_ = false;
  bool want_restart_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  std::string_view response(reinterpret_cast<const char*>(data + 1), size - 1);

  ks::net::ResponseReadOptions options;
  options.raw_header_copy = (mode & 1) != 0;
  options.current_url = "http://example.org/dir/page?q";
  CountingSink sink((mode & 2) ? (mode >> 2) + 1u : 0u);
  ks::net::ResponseReadResult r = ks::net::read_response_bytes(response, sink, options);
  if (r.passes > 2) std::abort();
  if (r.redirect_target.size() > ks::net::kLocationMax) std::abort();

  // Whole versus split feeding of the parser must agree.
  CountingSink whole(0), split(0);
  ks::net::ResponseParser::Options po;
  po.error_response = (mode & 4) != 0;
  whole.begin_pass(1);
  split.begin_pass(1);
  {
    ks::net::ResponseParser a(whole, po);
    a.feed(response);
    a.finish();
    ks::net::ResponseParser b(split, po);
    std::size_t cut =
        response.empty() ? 0 : (static_cast<std::size_t>(mode) * 7919u) % response.size();
    b.feed(response.substr(0, cut));
    b.feed(response.substr(cut));
    b.finish();
    if (a.inflate_failed() != b.inflate_failed()) std::abort();
    if (!a.inflate_failed() && (whole.hash != split.hash || whole.body_bytes != split.body_bytes))
      std::abort();
  }
  whole.end_pass();
  split.end_pass();
  return 0;
}
