// Arbitrary driver answers. The first byte picks where the answer is split
// when fed to the completion tracker: fed whole or in two parts, the tracker
// must take the same bytes and reach the same state. The rest is also read
// for its session id and its page source, which is unescaped; escaping any
// text and unescaping it again must give the text back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/webdriver_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view answer(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t cut = answer.empty() ? 0 : data[0] % (answer.size() + 1);

  ks::net::AnswerTracker whole;
  const std::size_t taken = whole.feed(answer);
  ks::net::AnswerTracker parts;
  std::size_t taken_parts = parts.feed(answer.substr(0, cut));
  if (taken_parts == cut) taken_parts += parts.feed(answer.substr(cut));
  if (taken != taken_parts || whole.complete() != parts.complete() ||
      whole.status() != parts.status() || whole.ends_on_idle() != parts.ends_on_idle() ||
      whole.received() != parts.received() || taken > answer.size()) {
    std::abort();
  }
  if (!whole.complete() && taken != answer.size()) std::abort();

  if (auto id = ks::net::string_after(answer, "sessionId")) {
    if (id->size() > ks::net::kDriverStringMax) std::abort();
  }
  const std::size_t begin = ks::net::string_content_after(answer, "value");
  if (begin != std::string_view::npos) {
    if (begin > answer.size()) std::abort();
    // An escape never grows: \uXXXX gives at most 3 bytes, a pair at most 4.
    if (ks::net::json_unescape(answer.substr(begin)).size() > answer.size() - begin) std::abort();
  }
  if (ks::net::json_unescape(ks::net::json_escape(answer)) != answer) std::abort();
  return 0;
}
