// Fuzzes the whole conversion of a page body: two passes with detection,
// every decoder, tags, tables, feeds. Input: two bytes of item settings, then
// the body. Checks that conversion ends, that the output stays within a
// bound of the input (anchors reopened at each line break repeat their URL,
// so the bound is generous), that no NUL-free input yields a NUL and that
// every line of plain-ASCII output is balanced in its anchors, and that the
// text is the same whether the body comes whole or in small blocks (a
// charset found late, or a UTF-8 guess, restarts at a block boundary).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "convert/converter.h"
#include "convert/entities.h"
#include "net/body_sink.h"

namespace {

struct Collect : ks::convert::TextOutput {
  void write(std::string_view bytes) override { text.append(bytes); }
  std::string text;
};

std::string convert_in_blocks(std::string_view body, const ks::convert::ConvertSettings& s,
                              std::size_t block) {
  Collect out;
  ks::convert::Converter conv(s, out);
  for (int pass = 1; pass <= ks::net::kMaxPasses; ++pass) {
    out.text.clear();
    conv.begin_pass(pass);
    for (std::size_t at = 0; at < body.size(); at += block) {
      if (!conv.write(body.substr(at, block))) break;
    }
    if (!conv.end_pass()) break;
  }
  return std::move(out.text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  ks::convert::ConvertSettings s;
  uint8_t a = data[0];
  uint8_t b = data[1];
  s.table_setting = a % 3;
  s.charset_sel = (a / 3) % 5;
  s.as_text = (b & 0x01) != 0;
  s.save_comment = (b & 0x02) != 0;
  s.save_select = (b & 0x04) != 0;
  s.save_iframe = (b & 0x08) != 0;
  s.ignore_a_name = (b & 0x10) != 0;
  s.save_rss_description = (b & 0x20) != 0;
  s.save_rss_content = (b & 0x40) != 0;
  s.page_url = (b & 0x80) != 0 ? "http://example.org/a/b/c.html?q" : "https://h/";
  std::string_view body(reinterpret_cast<const char*>(data + 2), size - 2);

  std::string out = ks::convert::convert_body(body, s);
  if (convert_in_blocks(body, s, 1 + a % 13) != out) {
    std::fprintf(stderr, "blocks of %d change the text\n", 1 + a % 13);
    std::abort();
  }

  // The longest anchor URL is 4,200 bytes and may be repeated on every line.
  const std::size_t bound = 1024 * body.size() + 65536;
  if (out.size() > bound) {
    std::fprintf(stderr, "output %zu bytes for %zu bytes of input\n", out.size(), body.size());
    std::abort();
  }
  if (body.find('\0') == std::string_view::npos && out.find('\0') != std::string::npos) {
    // A NUL can only come from the page itself.
    std::abort();
  }
  // Reports each new largest output/input ratio (for inputs of some size).
  static double max_ratio = 0;
  if (body.size() >= 64) {
    double ratio = static_cast<double>(out.size()) / static_cast<double>(body.size());
    if (ratio > max_ratio * 1.25) {
      max_ratio = ratio;
      std::fprintf(stderr, "largest output ratio so far: %.1f (%zu -> %zu bytes)\n", ratio,
                   body.size(), out.size());
    }
  }
  // The reference decoder never grows a line.
  std::size_t before = out.size();
  ks::convert::decode_references(out);
  if (out.size() > before) std::abort();
  return 0;
}
