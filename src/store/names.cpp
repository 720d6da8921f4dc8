#include "store/names.h"

#include "platform/sjis.h"
#include "store/node.h"

namespace ks::store {

std::string_view kind_extension(NodeKind kind) {
  switch (kind) {
    case NodeKind::kGroup:
      return ".grp";
    case NodeKind::kItem:
      return ".dat";
    case NodeKind::kTemplate:
      return ".tpl";
    case NodeKind::kRoot:
    case NodeKind::kTemplateRoot:
      return {};
  }
  return {};
}

bool name_has_control_bytes(std::string_view name) {
  for (char c : name) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) return true;
  }
  return false;
}

bool is_forbidden_name_char(unsigned char c) {
  switch (c) {
    case '\\':
    case '/':
    case ':':
    case ',':
    case ';':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
      return true;
    default:
      return false;
  }
}

std::optional<std::string> encode_name(std::string_view display, std::size_t max_bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(display.size());
  for (std::size_t i = 0; i < display.size(); ++i) {
    auto c = static_cast<unsigned char>(display[i]);
    if (is_sjis_pair(display, i)) {
      out += display[i];
      out += display[++i];
    } else if (c == '%') {
      out += "%%";
    } else if (is_forbidden_name_char(c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
    if (out.size() > max_bytes) return std::nullopt;
  }
  return out;
}

namespace {
int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

DecodedName decode_name(std::string_view folder_name) {
  DecodedName d;
  std::string out;
  out.reserve(folder_name.size());
  bool escaped = false;
  for (std::size_t i = 0; i < folder_name.size(); ++i) {
    if (is_sjis_pair(folder_name, i)) {
      out += folder_name[i];
      out += folder_name[++i];
      continue;
    }
    if (folder_name[i] != '%') {
      out += folder_name[i];
      continue;
    }
    escaped = true;
    if (i + 1 < folder_name.size() && folder_name[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    int hi = i + 1 < folder_name.size() ? hex_value(folder_name[i + 1]) : -1;
    int lo = i + 2 < folder_name.size() ? hex_value(folder_name[i + 2]) : -1;
    if (hi < 0 || lo < 0 || !is_forbidden_name_char(static_cast<unsigned char>(hi * 16 + lo))) {
      // Not a name this system wrote: show it exactly as it is on disk.
      d.label.assign(folder_name);
      d.escaped = false;
      return d;
    }
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  // A name counts as escaped only when encoding its label gives this very
  // folder name back. Folder names written elsewhere may hold upper-case
  // escapes (%3A) or raw characters that encoding escapes; decoding them
  // would rebuild a path to a different folder on a case-sensitive file
  // system, so such names are shown as the folder has them.
  if (escaped && encode_name(out, static_cast<std::size_t>(-1)) != folder_name) {
    d.label.assign(folder_name);
    d.escaped = false;
    return d;
  }
  d.label = std::move(out);
  d.escaped = escaped;
  return d;
}

bool has_extension(std::string_view name, std::string_view ext) {
  if (name.size() < ext.size()) return false;
  std::string_view tail = name.substr(name.size() - ext.size());
  for (std::size_t i = 0; i < ext.size(); ++i) {
    char a = tail[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != ext[i]) return false;
  }
  return true;
}

}  // namespace ks::store
