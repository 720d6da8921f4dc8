#include "net/request.h"

#include <algorithm>

#include "net/text_util.h"

namespace ks::net {

namespace {

// The request line and the Host line as sent: never with a blank or control
// byte from outside text, which would end the field or the line (the
// prepared target holds none; this is the last line of defence).
std::string request_field(std::string_view s) {
  std::string out(s);
  std::erase_if(out, is_request_unsafe);
  return out;
}

bool has_control_byte(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) { return c != ' ' && is_request_unsafe(c); });
}

}  // namespace

std::string absolute_target(const RequestSpec& spec) {
  std::string target = spec.secure ? "https://" : "http://";
  target += spec.host;
  if (spec.port != (spec.secure ? 443 : 80)) target += ":" + std::to_string(spec.port);
  target += spec.request_path;
  if (target.size() > kAbsoluteTargetMax) target.resize(kAbsoluteTargetMax);
  return target;
}

std::string build_request(const RequestSpec& spec) {
  std::string out;
  out.reserve(1024);
  out += spec.head ? "HEAD " : "GET ";
  out += request_field(spec.via_proxy ? absolute_target(spec) : spec.request_path);
  out += " HTTP/1.1\r\nAccept: */*\r\nAccept-Language: ja\r\nUser-Agent: ";
  out += kUserAgent;
  out += "\r\nHost: ";
  out += request_field(spec.host);
  out += "\r\nAccept-Encoding: gzip\r\nConnection: close\r\n";
  if (spec.via_proxy) out += "Pragma: no-cache\r\n";
  if (out.size() >= kRequestBufferSize) out.resize(kRequestBufferSize - 1);

  // Optional lines, each only when it fits with the terminating zero.
  auto add = [&out](const std::string& line) {
    if (out.size() + line.size() < kRequestBufferSize) out += line;
  };
  if (!spec.if_modified_since.empty() && !has_control_byte(spec.if_modified_since)) {
    add("If-Modified-Since: " + spec.if_modified_since + "\r\n");
  }
  if (spec.basic_credentials) {
    std::string credentials = spec.basic_credentials->substr(0, kCredentialsMax);
    add("Authorization: Basic " + base64_encode(credentials) + "\r\n");
  }
  add("\r\n");
  return out;
}

std::string build_connect_request(std::string_view host, uint16_t port) {
  std::string out = "CONNECT ";
  out += request_field(host);
  out += ":" + std::to_string(port) + " HTTP/1.1\r\n\r\n";
  return out;
}

std::string base64_encode(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  auto byte = [&bytes](std::size_t k) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[k]));
  };
  for (; i + 3 <= bytes.size(); i += 3) {
    uint32_t v = (byte(i) << 16) | (byte(i + 1) << 8) | byte(i + 2);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (std::size_t rest = bytes.size() - i; rest > 0) {
    uint32_t v = byte(i) << 16;
    if (rest == 2) v |= byte(i + 1) << 8;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

}  // namespace ks::net
