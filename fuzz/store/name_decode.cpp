// Fuzzes folder-name decoding and its round trip: the label of a cleanly
// decoded name must survive encode then decode, and so must any display name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "store/names.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ks::store::DecodedName d = ks::store::decode_name(bytes);
  if (d.escaped) {
    auto again = ks::store::encode_name(d.label, static_cast<std::size_t>(-1));
    if (!again || ks::store::decode_name(*again).label != d.label) std::abort();
  }
  auto enc = ks::store::encode_name(bytes, static_cast<std::size_t>(-1));
  if (!enc || ks::store::decode_name(*enc).label != bytes) std::abort();
  (void)ks::store::encode_name(bytes, ks::store::kMaxPathBytes);
  (void)ks::store::has_extension(bytes, ".dat");
  return 0;
}
