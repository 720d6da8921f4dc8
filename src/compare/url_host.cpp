#include <string>
#include <string_view>

#include "compare/compare_task.h"
#include "platform/url.h"

namespace ks::compare {

std::string url_host(std::string_view url) {
  auto parts = crack_url(url);
  return parts ? parts->host : std::string();
}

}  // namespace ks::compare
