#include "store/auth_pass.h"

#include <nettle/base64.h>
#include <nettle/blowfish.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace ks::store {
namespace {

// The key schedule, prepared once.
const blowfish_ctx& cipher() {
  static const blowfish_ctx ctx = [] {
    blowfish_ctx c;
    blowfish_set_key(&c, kAuthPassKey.size(),
                     reinterpret_cast<const uint8_t*>(kAuthPassKey.data()));
    return c;
  }();
  return ctx;
}

constexpr std::size_t kBlock = BLOWFISH_BLOCK_SIZE;
constexpr std::size_t kHalf = kBlock / 2;

}  // namespace

std::optional<std::string> encipher_password(std::string_view clear) {
  if (clear.empty()) return std::string();
  const std::size_t blocks = (clear.size() + kHalf - 1) / kHalf;
  if (BASE64_ENCODE_RAW_LENGTH(blocks * kBlock) > kMaxAuthPassStored) return std::nullopt;

  std::vector<uint8_t> out(blocks * kBlock);
  std::array<uint8_t, kHalf> chain{};
  std::random_device rd;
  uint32_t r = rd();
  std::memcpy(chain.data(), &r, kHalf);
  for (std::size_t b = 0; b < blocks; ++b) {
    std::array<uint8_t, kBlock> block{};
    std::size_t n = std::min(kHalf, clear.size() - b * kHalf);
    std::memcpy(block.data(), clear.data() + b * kHalf, n);
    std::memcpy(block.data() + kHalf, chain.data(), kHalf);
    uint8_t* dst = out.data() + b * kBlock;
    blowfish_encrypt(&cipher(), kBlock, dst, block.data());
    std::memcpy(chain.data(), dst + kHalf, kHalf);
  }
  std::string text(BASE64_ENCODE_RAW_LENGTH(out.size()), '\0');
  base64_encode_raw(text.data(), out.size(), out.data());
  return text;
}

std::string decipher_password(std::string_view stored) {
  if (stored.empty() || stored.size() > kMaxAuthPassStored) return {};
  base64_decode_ctx ctx;
  base64_decode_init(&ctx);
  std::vector<uint8_t> raw(BASE64_DECODE_LENGTH(stored.size()));
  std::size_t len = raw.size();
  if (!base64_decode_update(&ctx, &len, raw.data(), stored.size(), stored.data()) ||
      !base64_decode_final(&ctx) || len == 0 || len % kBlock != 0) {
    return {};
  }
  std::string clear;
  for (std::size_t b = 0; b < len; b += kBlock) {
    std::array<uint8_t, kBlock> block{};
    blowfish_decrypt(&cipher(), kBlock, block.data(), raw.data() + b);
    for (std::size_t i = 0; i < kHalf && block[i] != 0; ++i) {
      clear += static_cast<char>(block[i]);
    }
  }
  return clear;
}

}  // namespace ks::store
