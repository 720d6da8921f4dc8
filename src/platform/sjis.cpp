#include "platform/sjis.h"

#include <iconv.h>

#include <array>
#include <memory>
#include <mutex>

namespace ks {
namespace {

struct Cp932Tables {
  std::array<int32_t, 65536> to_unicode;
  std::array<int32_t, 65536> from_unicode;
};

// One code through iconv: the bytes of `code` as CP932 -> one UTF-32 value.
int32_t iconv_decode(iconv_t cd, uint16_t code) {
  char in[2];
  std::size_t in_len = 0;
  if (code < 0x100) {
    in[in_len++] = static_cast<char>(code);
  } else {
    in[in_len++] = static_cast<char>(code >> 8);
    in[in_len++] = static_cast<char>(code & 0xFF);
  }
  uint32_t out[4] = {};
  char* in_p = in;
  char* out_p = reinterpret_cast<char*>(out);
  std::size_t out_len = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::size_t r = iconv(cd, &in_p, &in_len, &out_p, &out_len);
  if (r == static_cast<std::size_t>(-1) || in_len != 0 || out_len != sizeof out - 4) return -1;
  return static_cast<int32_t>(out[0]);
}

// Lower rank wins when two codes decode to the same character.
int rank(uint16_t code) {
  unsigned lead = code >> 8;
  return (lead == 0xED || lead == 0xEE) ? 1 : 0;
}

std::unique_ptr<Cp932Tables> build_tables() {
  auto t = std::make_unique<Cp932Tables>();
  t->to_unicode.fill(-1);
  t->from_unicode.fill(-1);
  iconv_t cd = iconv_open("UTF-32LE", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // Without iconv's table at least ASCII works.
    for (int c = 0; c < 0x80; ++c) t->to_unicode[c] = c;
  } else {
    for (int c = 0; c < 0x100; ++c) {
      if (!is_sjis_lead(static_cast<unsigned char>(c))) {
        t->to_unicode[c] = iconv_decode(cd, static_cast<uint16_t>(c));
      }
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!is_sjis_lead(static_cast<unsigned char>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        if (!is_sjis_trail(static_cast<unsigned char>(trail))) continue;
        uint16_t code = static_cast<uint16_t>(lead << 8 | trail);
        t->to_unicode[code] = iconv_decode(cd, code);
      }
    }
    iconv_close(cd);
  }
  // Codes ascend, so the first code seen for a character is the lowest.
  for (uint32_t code = 0; code < 65536; ++code) {
    int32_t u = t->to_unicode[code];
    if (u < 0 || u > 0xFFFF) continue;
    int32_t& slot = t->from_unicode[static_cast<std::size_t>(u)];
    if (slot < 0 || rank(static_cast<uint16_t>(code)) < rank(static_cast<uint16_t>(slot))) {
      slot = static_cast<int32_t>(code);
    }
  }
  return t;
}

const Cp932Tables& tables() {
  static const std::unique_ptr<Cp932Tables> t = build_tables();
  return *t;
}

void put_utf8(std::string& out, char32_t u) {
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else if (u < 0x10000) {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (u >> 18));
    out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

// Decodes one UTF-8 sequence at s[i]; returns its length, 0 when invalid.
std::size_t get_utf8(std::string_view s, std::size_t i, char32_t& u) {
  auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  unsigned char c = b(0);
  std::size_t n;
  char32_t min;
  if (c < 0x80) {
    u = c;
    return 1;
  } else if ((c & 0xE0) == 0xC0) {
    n = 2, u = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3, u = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4, u = c & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(k) & 0xC0) != 0x80) return 0;
    u = (u << 6) | (b(k) & 0x3F);
  }
  if (u < min || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return 0;
  return n;
}

// Shared loop of the two Shift_JIS -> UTF-8 conversions; false at the first
// byte without a character when `strict`.
bool decode_sjis(std::string_view s, std::string& out, bool strict) {
  const auto& t = tables();
  out.reserve(out.size() + s.size() * 3 / 2);
  for (std::size_t i = 0; i < s.size();) {
    uint16_t code;
    if (is_sjis_pair(s, i)) {
      code = static_cast<uint16_t>(static_cast<unsigned char>(s[i]) << 8 |
                                   static_cast<unsigned char>(s[i + 1]));
      i += 2;
    } else {
      code = static_cast<unsigned char>(s[i]);
      i += 1;
    }
    int32_t u = t.to_unicode[code];
    if (u < 0) {
      if (strict) return false;
      u = 0xFFFD;
    }
    put_utf8(out, static_cast<char32_t>(u));
  }
  return true;
}

bool encode_sjis(std::string_view s, std::string& out, bool strict) {
  const auto& t = tables();
  out.reserve(out.size() + s.size());
  for (std::size_t i = 0; i < s.size();) {
    char32_t u = 0;
    std::size_t n = get_utf8(s, i, u);
    int32_t code = -1;
    if (n == 0) {
      n = 1;
    } else if (u < 0x10000) {
      code = t.from_unicode[u];
    }
    i += n;
    if (code < 0) {
      if (strict) return false;
      out += '?';
    } else if (code < 0x100) {
      out += static_cast<char>(code);
    } else {
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    }
  }
  return true;
}

}  // namespace

int32_t cp932_to_unicode(uint16_t code) {
  return tables().to_unicode[code];
}

int32_t unicode_to_cp932(char32_t cp) {
  return cp < 0x10000 ? tables().from_unicode[cp] : -1;
}

std::string sjis_to_utf8(std::string_view sjis) {
  std::string out;
  decode_sjis(sjis, out, false);
  return out;
}

std::string utf8_to_sjis(std::string_view utf8) {
  std::string out;
  encode_sjis(utf8, out, false);
  return out;
}

bool sjis_to_utf8_strict(std::string_view sjis, std::string& out) {
  std::string tmp;
  if (!decode_sjis(sjis, tmp, true)) return false;
  out = std::move(tmp);
  return true;
}

bool utf8_to_sjis_strict(std::string_view utf8, std::string& out) {
  std::string tmp;
  if (!encode_sjis(utf8, tmp, true)) return false;
  out = std::move(tmp);
  return true;
}

bool is_valid_utf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    char32_t u;
    std::size_t n = get_utf8(s, i, u);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

}  // namespace ks
