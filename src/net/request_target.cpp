#include "net/request_target.h"

#include <algorithm>
#include <cstdio>

#include "net/net_error.h"
#include "net/text_util.h"
#include "platform/fs.h"
#include "platform/punycode.h"
#include "platform/sjis.h"
#include "platform/url.h"

namespace ks::net {

namespace {

bool is_path_safe(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  static constexpr std::string_view kSafe = ";/?:@&=+$,-_.!~*'()<>#%\"";
  return c < 0x80 && kSafe.find(static_cast<char>(c)) != std::string_view::npos;
}

// Scheme, host (ASCII form) and port of a URL compare equal.
bool same_origin(const UrlParts& a, std::string_view other_url) {
  const auto b = crack_url(other_url);
  return b && iequals(a.scheme, b->scheme) &&
         iequals(host_to_ascii(a.host), host_to_ascii(b->host)) && a.port == b->port;
}

}  // namespace

std::string_view url_to_fetch(const store::PageSettings& settings) {
  return settings.kind == 4 ? settings.browse_url : settings.url;
}

std::string encode_request_path(std::string_view sjis_path, std::string_view extra) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  auto escape = [](std::string& out, unsigned char c) {
    out.push_back('%');
    out.push_back(kHex[c >> 4]);
    out.push_back(kHex[c & 15]);
  };
  std::string out;
  if (sjis_path.empty()) out = "/";
  for (char ch : sjis_to_utf8(sjis_path)) {
    auto c = static_cast<unsigned char>(ch);
    if (is_path_safe(c)) {
      out.push_back(ch);
    } else {
      escape(out, c);
    }
  }
  std::string query;
  for (char ch : extra.substr(0, extra.find('#'))) {
    if (is_request_unsafe(ch)) {
      escape(query, static_cast<unsigned char>(ch));
    } else {
      query.push_back(ch);
    }
  }
  if (out.size() + query.size() <= kTargetFieldMax) out.append(query);
  return out;
}

std::string read_last_modified(std::string_view response_path) {
  std::FILE* f = fopen_regular_for_reading(response_path);
  if (!f) return {};
  // Whole lines are read (an overlong one is cut, not split), so a header
  // line of a particular length never reads as the empty line that ends the
  // header block.
  std::string value;
  std::string line;
  bool found = false;
  for (int n = 0; n < kPrevHeaderLines && !found; ++n) {
    line.clear();
    int c = 0;
    while ((c = std::fgetc(f)) != EOF && c != '\n') {
      if (line.size() < kPrevHeaderLineMax) line.push_back(static_cast<char>(c));
    }
    std::string_view text = line;
    while (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.empty()) break;
    if (istarts_with(text, "last-modified:")) {
      std::string_view rest = text.substr(14);
      while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
      value = std::string(rest.substr(0, kLastModifiedMax));
      // A CR inside the line (a server's doing) would end the header line we
      // send it back in; such a value is no date.
      const bool control = std::any_of(value.begin(), value.end(), [](char ch) {
        return static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F;
      });
      if (control) value.clear();
      found = true;
    }
    if (c == EOF) break;
  }
  std::fclose(f);
  return value;
}

int prepare_request_target(const store::PageSettings& settings, const NetConfig& config,
                           std::string_view url, std::string_view previous_response_path,
                           RequestTarget& target) {
  target = RequestTarget{};
  target.current_url = std::string(url.substr(0, kTargetFieldMax));
  if (target.current_url.empty()) return kNetNoUrl;

  if (config.use_head && settings.dont_use_head == 0) {
    target.last_modified = read_last_modified(previous_response_path);
    target.conditional = !target.last_modified.empty();
  }

  target.via_proxy = uses_proxy(config, settings);
  if (auto parts = crack_url(target.current_url)) {
    target.secure = iequals(parts->scheme, "https");
    target.port = parts->port != 0 ? parts->port : uint16_t{80};
    target.request_path = encode_request_path(parts->path, parts->extra);
    target.host = host_to_ascii(parts->host).substr(0, kTargetFieldMax);
    // A host with a blank or control byte is no host name; it would end the
    // Host line. The lookup fails for the empty host instead.
    if (has_request_unsafe(target.host)) target.host.clear();
    target.credentials_allowed = same_origin(*parts, url_to_fetch(settings));
  } else {
    target.request_path = "/";
  }
  target.lookup_name = target.via_proxy ? config.proxy_host : target.host;
  return 0;
}

}  // namespace ks::net
