#include <string>
#include <string_view>

#include "compare/compare_task.h"
#include "compare/limits.h"

namespace ks::compare {

// Kept to this one function so that the shared URL module can replace it.
std::string url_host(std::string_view url) {
  const std::size_t scheme = url.find("://");
  if (scheme == std::string_view::npos || scheme == 0) return {};
  for (std::size_t i = 0; i < scheme; ++i) {
    const char c = url[i];
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                    (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
    if (!ok) return {};
  }
  std::string_view rest = url.substr(scheme + 3);
  rest = rest.substr(0, rest.find_first_of("/?#\\\"\x03"));
  const std::size_t at = rest.rfind('@');
  if (at != std::string_view::npos) rest = rest.substr(at + 1);
  if (!rest.empty() && rest[0] == '[') {
    const std::size_t close = rest.find(']');
    rest = close == std::string_view::npos ? rest.substr(1) : rest.substr(1, close - 1);
  } else {
    rest = rest.substr(0, rest.find(':'));
  }
  if (rest.size() > kMaxHost) rest = rest.substr(0, kMaxHost);
  return std::string(rest);
}

}  // namespace ks::compare
