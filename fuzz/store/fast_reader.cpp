// Fuzzes the fast INI reader and the page settings parser on arbitrary
// bytes: indexing, look-ups by the names the data names, integer parsing and
// cutting to capacity must stay inside the buffer.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "store/fast_reader.h"
#include "store/page_settings_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ks::store::FastReader r(bytes);
  // Look up a section and key named by the input itself, then the usual ones.
  std::string_view sec = bytes.substr(0, std::min<std::size_t>(8, bytes.size()));
  std::string_view key = bytes.substr(std::min<std::size_t>(8, bytes.size()), 8);
  (void)r.get_int(sec, key, 1);
  (void)r.get_string(sec, key, 5);
  ks::store::PageSettings rec;
  ks::store::parse_page_settings(bytes, rec);
  return 0;
}
