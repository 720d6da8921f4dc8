#include "platform/punycode.h"

#include <cstdint>
#include <limits>

#include "platform/sjis.h"

namespace ks {

namespace {

constexpr uint32_t kBase = 36;
constexpr uint32_t kTMin = 1;
constexpr uint32_t kTMax = 26;
constexpr uint32_t kSkew = 38;
constexpr uint32_t kDamp = 700;
constexpr uint32_t kInitialBias = 72;
constexpr uint32_t kInitialN = 0x80;
constexpr uint32_t kMaxInt = std::numeric_limits<uint32_t>::max();

char encode_digit(uint32_t d) {
  // 0..25 -> 'a'..'z', 26..35 -> '0'..'9'
  return static_cast<char>(d < 26 ? 'a' + d : '0' + (d - 26));
}

uint32_t adapt(uint32_t delta, uint32_t num_points, bool first_time) {
  delta = first_time ? delta / kDamp : delta / 2;
  delta += delta / num_points;
  uint32_t k = 0;
  while (delta > ((kBase - kTMin) * kTMax) / 2) {
    delta /= kBase - kTMin;
    k += kBase;
  }
  return k + (kBase - kTMin + 1) * delta / (delta + kSkew);
}

// UTF-8 (well formed, from sjis_to_utf8) -> code points.
std::u32string decode_utf8(std::string_view s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    auto b = static_cast<unsigned char>(s[i]);
    int len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k < len && i + static_cast<std::size_t>(k) < s.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0x3F);
    out.push_back(cp);
    i += static_cast<std::size_t>(len);
  }
  return out;
}

}  // namespace

std::optional<std::string> punycode_encode(std::u32string_view input) {
  std::string out;
  for (char32_t c : input) {
    if (c > 0x10FFFF) return std::nullopt;
    if (c < 0x80) out.push_back(static_cast<char>(c));
  }
  const auto basic = static_cast<uint32_t>(out.size());
  uint32_t handled = basic;
  if (basic > 0) out.push_back('-');

  uint32_t n = kInitialN;
  uint32_t delta = 0;
  uint32_t bias = kInitialBias;
  const auto total = static_cast<uint32_t>(input.size());
  while (handled < total) {
    // The smallest code point not yet handled.
    uint32_t m = kMaxInt;
    for (char32_t c : input) {
      if (c >= n && c < m) m = c;
    }
    if (m - n > (kMaxInt - delta) / (handled + 1)) return std::nullopt;
    delta += (m - n) * (handled + 1);
    n = m;
    for (char32_t c : input) {
      if (c < n && ++delta == 0) return std::nullopt;
      if (c != n) continue;
      uint32_t q = delta;
      for (uint32_t k = kBase;; k += kBase) {
        uint32_t t = k <= bias ? kTMin : k >= bias + kTMax ? kTMax : k - bias;
        if (q < t) break;
        out.push_back(encode_digit(t + (q - t) % (kBase - t)));
        q = (q - t) / (kBase - t);
      }
      out.push_back(encode_digit(q));
      bias = adapt(delta, handled + 1, handled == basic);
      delta = 0;
      ++handled;
    }
    ++delta;
    ++n;
  }
  return out;
}

std::string host_to_ascii(std::string_view host) {
  std::string out;
  out.reserve(host.size());
  std::size_t start = 0;
  while (true) {
    // '.' is below 0x40, so it never is a Shift_JIS trail byte.
    std::size_t dot = host.find('.', start);
    std::string_view label = host.substr(start, dot == std::string_view::npos ? dot : dot - start);
    bool ascii = true;
    for (char c : label) {
      if (static_cast<unsigned char>(c) > 126) ascii = false;
    }
    std::optional<std::string> encoded;
    if (!ascii) encoded = punycode_encode(decode_utf8(sjis_to_utf8(label)));
    if (encoded) {
      out.append("xn--");
      out.append(*encoded);
    } else {
      out.append(label);
    }
    if (dot == std::string_view::npos) break;
    out.push_back('.');
    start = dot + 1;
  }
  return out;
}

}  // namespace ks
