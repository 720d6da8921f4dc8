// Fuzzes the private-profile emulation on arbitrary bytes: parse, look up,
// change and serialise, then parse the result again and check the change.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ks::Profile p = ks::Profile::parse(bytes);
  (void)p.get("CONFIG", "URL");
  (void)p.get_int("config", "use_old_log", 1);
  for (const std::string& k : p.keys("CONFIG")) (void)p.get_string("CONFIG", k, "");
  p.set("CONFIG", "FUZZ_KEY", "v a l");
  p.remove_key("CONFIG", "URL");
  ks::Profile back = ks::Profile::parse(p.serialize());
  if (back.get("CONFIG", "FUZZ_KEY") != std::optional<std::string>("v a l")) std::abort();
  p.remove_section("CONFIG");
  (void)p.serialize();
  return 0;
}
