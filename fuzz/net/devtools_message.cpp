// Arbitrary bytes from a browser's DevTools pipe. The first byte picks the
// read size and the second the message bound: split into messages in reads
// of that size, the stream must give the same messages (and the same
// oversized ones) as when fed whole, none longer than the bound. Each message
// is parsed; one that begins with a command id must parse as a reply to that
// id. Replacing lone surrogates never changes a text's length by more than
// the escapes it replaces, and is idempotent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "net/devtools_message.h"

namespace {

struct Split {
  std::vector<std::string> messages;
  std::vector<std::string> oversized;
};

Split split(std::string_view stream, std::size_t piece, std::size_t max) {
  ks::net::MessageSplitter s(max);
  Split out;
  for (std::size_t i = 0; i < stream.size(); i += piece) {
    s.feed(
        stream.substr(i, piece), [&](std::string_view m) { out.messages.emplace_back(m); },
        [&](std::string_view p) { out.oversized.emplace_back(p); });
    if (s.held() > max) std::abort();
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t piece = 1 + data[0] % 64;
  const std::size_t max = 16 + data[1] * 4;
  const std::string_view stream(reinterpret_cast<const char*>(data) + 2, size - 2);

  const Split whole = split(stream, stream.size() + 1, max);
  const Split parts = split(stream, piece, max);
  if (whole.messages != parts.messages || whole.oversized != parts.oversized) std::abort();
  for (const std::string& m : parts.messages) {
    if (m.size() > max) std::abort();
    const ks::net::DevToolsMessage parsed = ks::net::parse_devtools_message(m);
    const auto id = ks::net::leading_command_id(m);
    if (id && (parsed.kind != ks::net::DevToolsMessage::Kind::kReply || parsed.id != *id)) {
      std::abort();
    }
  }
  for (const std::string& p : parts.oversized) {
    if (p.size() > ks::net::kDevToolsPrefixKept) std::abort();
    (void)ks::net::leading_command_id(p);
  }
  const std::string repaired = ks::net::replace_lone_surrogates(stream);
  if (repaired.size() != stream.size()) {
    // Each replacement keeps the six bytes of the escape it replaces.
    std::abort();
  }
  if (ks::net::replace_lone_surrogates(repaired) != repaired) std::abort();
  return 0;
}
