// The stored form of AUTH_PASS. The password is never kept in clear: it is
// cut into groups of four bytes (the last one zero-padded); each group is the
// first half of an 8-byte block whose second half is four random bytes for
// the first block and, for each later block, the second half of the previous
// enciphered block; each block is enciphered with Blowfish (ECB, big-endian
// halves as nettle does it) under a fixed 16-byte key; the blocks together
// are written as standard Base64 with '=' padding.
//
// The key is the 16 ASCII bytes "Kestrelscan#Pw16". It hides passwords from a
// casual look at site.db; it is not a secret from anyone with this source.
// Changing it makes every stored password unreadable. Any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ks::store {

inline constexpr std::string_view kAuthPassKey = "Kestrelscan#Pw16";
// The longest stored form (AUTH_PASS capacity 193 less the zero).
inline constexpr std::size_t kMaxAuthPassStored = 192;

// The stored form of a password: "" for an empty password; nullopt when the
// stored form would be longer than 192 bytes (the caller then keeps the old
// value).
std::optional<std::string> encipher_password(std::string_view clear);

// The password from its stored form; "" when the stored form is empty or
// damaged (not Base64, not whole blocks).
std::string decipher_password(std::string_view stored);

}  // namespace ks::store
