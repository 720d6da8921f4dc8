#include "net/devtools_message.h"

#include <climits>
#include <cstring>

namespace ks::net {
namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The code unit of a "\uXXXX" escape at `at`; -1 when there is none.
int escape_at(std::string_view s, std::size_t at) {
  if (at + 6 > s.size() || s[at] != '\\' || s[at + 1] != 'u') return -1;
  int v = 0;
  for (std::size_t i = at + 2; i < at + 6; ++i) {
    const int h = hex_value(s[i]);
    if (h < 0) return -1;
    v = v * 16 + h;
  }
  return v;
}

bool is_high(int unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low(int unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

void MessageSplitter::feed(std::string_view bytes, const OnMessage& on_message,
                           const OnOversized& on_oversized) {
  while (!bytes.empty()) {
    const std::size_t nul = bytes.find('\0');
    const std::string_view part = bytes.substr(0, nul);
    if (!skipping_ && buffer_.size() + part.size() > max_) {
      // Too long to keep: remember its beginning and drop the rest.
      const std::size_t keep = std::min(kDevToolsPrefixKept, max_);
      buffer_.append(part.substr(0, keep - std::min(buffer_.size(), keep)));
      buffer_.resize(std::min(buffer_.size(), keep));
      buffer_.shrink_to_fit();
      skipping_ = true;
    }
    if (!skipping_) buffer_.append(part);
    if (nul == std::string_view::npos) return;
    if (skipping_) {
      const std::string prefix = std::move(buffer_);
      buffer_.clear();
      skipping_ = false;
      on_oversized(prefix);
    } else {
      const std::string message = std::move(buffer_);
      buffer_.clear();
      on_message(message);
    }
    bytes.remove_prefix(nul + 1);
  }
}

std::optional<int> leading_command_id(std::string_view m) {
  std::size_t i = 0;
  auto skip = [&] {
    while (i < m.size() && is_space(m[i])) ++i;
  };
  skip();
  if (i >= m.size() || m[i] != '{') return std::nullopt;
  ++i;
  skip();
  constexpr std::string_view kKey = "\"id\"";
  if (m.substr(i, kKey.size()) != kKey) return std::nullopt;
  i += kKey.size();
  skip();
  if (i >= m.size() || m[i] != ':') return std::nullopt;
  ++i;
  skip();
  long long v = 0;
  const std::size_t first = i;
  while (i < m.size() && m[i] >= '0' && m[i] <= '9') {
    v = v * 10 + (m[i] - '0');
    if (v > INT_MAX) return std::nullopt;
    ++i;
  }
  if (i == first) return std::nullopt;
  // The number must have ended (a cut prefix may end inside it).
  if (i >= m.size()) return std::nullopt;
  if (m[i] != ',' && m[i] != '}' && !is_space(m[i])) return std::nullopt;
  return static_cast<int>(v);
}

std::string replace_lone_surrogates(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i++];
      continue;
    }
    const int unit = escape_at(s, i);
    if (unit < 0) {
      // Some other escape: copy it whole, so "\\u" is never taken for one.
      out.append(s.substr(i, 2));
      i += 2;
      continue;
    }
    if (is_high(unit) && is_low(escape_at(s, i + 6))) {
      out.append(s.substr(i, 12));
      i += 12;
      continue;
    }
    if (is_high(unit) || is_low(unit)) {
      out += "\\ufffd";
    } else {
      out.append(s.substr(i, 6));
    }
    i += 6;
  }
  return out;
}

DevToolsMessage parse_devtools_message(std::string_view text) {
  DevToolsMessage m;
  nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
  if (j.is_discarded() && text.find("\\u") != std::string_view::npos) {
    j = nlohmann::json::parse(replace_lone_surrogates(text), nullptr, false);
  }
  if (j.is_discarded() || !j.is_object()) {
    if (const auto id = leading_command_id(text)) {
      m.kind = DevToolsMessage::Kind::kReply;
      m.id = *id;
      m.failed = true;
      m.error = "unreadable reply";
    }
    return m;
  }
  if (const auto s = j.find("sessionId"); s != j.end() && s->is_string()) {
    m.session = s->get<std::string>();
  }
  const auto id = j.find("id");
  if (id != j.end()) {
    if (!id->is_number_integer() || *id < 0 || *id > INT_MAX) return m;
    m.kind = DevToolsMessage::Kind::kReply;
    m.id = id->get<int>();
    if (const auto e = j.find("error"); e != j.end()) {
      m.failed = true;
      const auto msg = e->is_object() ? e->find("message") : e->end();
      m.error = msg != e->end() && msg->is_string() ? msg->get<std::string>() : "error";
      return m;
    }
    if (const auto r = j.find("result"); r != j.end()) m.payload = std::move(*r);
    return m;
  }
  const auto method = j.find("method");
  if (method == j.end() || !method->is_string()) return m;
  m.kind = DevToolsMessage::Kind::kEvent;
  m.method = method->get<std::string>();
  if (const auto p = j.find("params"); p != j.end()) m.payload = std::move(*p);
  return m;
}

}  // namespace ks::net
