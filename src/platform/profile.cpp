#include "platform/profile.h"

#include <algorithm>

#include "platform/fs.h"
#include "platform/sjis.h"

namespace ks {
namespace {

constexpr std::size_t npos = std::string::npos;

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (is_blank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

unsigned char fold(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

// "[name]" -> name; nullopt for other lines.
std::optional<std::string_view> header_name(std::string_view line) {
  line = trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  auto close = line.find(']');
  if (close == npos) return std::nullopt;
  return trim(line.substr(1, close - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyLine> key_line(std::string_view line) {
  std::string_view t = trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
  auto eq = t.find('=');
  if (eq == npos) return std::nullopt;
  return KeyLine{trim(t.substr(0, eq)), trim(t.substr(eq + 1))};
}

bool is_line_break(char c) {
  return c == '\r' || c == '\n' || c == '\0';
}

// What a writer may put on a line: a CR or LF would end the line and let
// the rest of a value (a page's link, a bookmark's name) read as keys and
// sections of their own, and a NUL ends the text for some readers. Callers
// that keep multi-line text encode its line ends first (0x01, 0x02); this is
// the last line of defence, so whatever reaches it loses those bytes.
std::string one_line(std::string_view s) {
  std::string out(s);
  std::erase_if(out, is_line_break);
  return out;
}

std::string unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  return std::string(v);
}

}  // namespace

bool has_line_break(std::string_view text) {
  return std::any_of(text.begin(), text.end(), is_line_break);
}

std::string profile_one_line(std::string_view text) {
  return one_line(text);
}

bool profile_name_equal(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (is_sjis_pair(a, i)) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

Profile Profile::parse(std::string_view bytes) {
  Profile p;
  while (!bytes.empty()) {
    auto nl = bytes.find('\n');
    std::string_view line = bytes.substr(0, nl);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    p.lines_.emplace_back(line);
    if (nl == npos) break;
    bytes.remove_prefix(nl + 1);
  }
  return p;
}

Profile Profile::load(std::string_view path) {
  auto bytes = read_file(path);
  return bytes ? parse(*bytes) : Profile{};
}

std::size_t Profile::find_section(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    auto name = header_name(lines_[i]);
    if (name && profile_name_equal(*name, trim(section))) return i;
  }
  return npos;
}

std::size_t Profile::section_end(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && !header_name(lines_[i])) ++i;
  return i;
}

std::size_t Profile::find_key(std::size_t header, std::string_view key) const {
  std::size_t end = section_end(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    auto kl = key_line(lines_[i]);
    if (kl && profile_name_equal(kl->key, trim(key))) return i;
  }
  return npos;
}

std::optional<std::string> Profile::get(std::string_view section, std::string_view key) const {
  std::size_t h = find_section(section);
  if (h == npos) return std::nullopt;
  std::size_t k = find_key(h, key);
  if (k == npos) return std::nullopt;
  return unquote(key_line(lines_[k])->value);
}

std::string Profile::get_string(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  auto v = get(section, key);
  return v ? std::move(*v) : std::string(trim(fallback));
}

int Profile::get_int(std::string_view section, std::string_view key, int fallback) const {
  auto v = get(section, key);
  if (!v) return fallback;
  std::string_view s = trim(*v);
  bool neg = false;
  if (!s.empty() && s.front() == '-') {
    neg = true;
    s.remove_prefix(1);
  }
  unsigned long long n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    n = n * 10 + static_cast<unsigned>(c - '0');
    if (n > 0xFFFFFFFFull) n = 0xFFFFFFFFull;
  }
  // The classic call returns a UINT: large values wrap like a 32-bit integer.
  auto u = static_cast<uint32_t>(n);
  if (neg) u = 0u - u;
  return static_cast<int>(u);
}

bool Profile::has_section(std::string_view section) const {
  return find_section(section) != npos;
}

std::vector<std::string> Profile::keys(std::string_view section) const {
  std::vector<std::string> out;
  std::size_t h = find_section(section);
  if (h == npos) return out;
  std::size_t end = section_end(h);
  for (std::size_t i = h + 1; i < end; ++i) {
    if (auto kl = key_line(lines_[i])) out.emplace_back(kl->key);
  }
  return out;
}

void Profile::set(std::string_view section_in, std::string_view key_in, std::string_view value_in) {
  const std::string section = one_line(section_in);
  const std::string key = one_line(key_in);
  const std::string value = one_line(value_in);
  std::string line = std::string(trim(key)) + "=" + value;
  std::size_t h = find_section(section);
  if (h == npos) {
    lines_.push_back("[" + std::string(trim(section)) + "]");
    lines_.push_back(std::move(line));
    return;
  }
  std::size_t k = find_key(h, key);
  if (k != npos) {
    // Keep the spelling of the existing key name. Readers take the first
    // copy of a key, so later copies (a damaged or tampered file) go.
    lines_[k] = std::string(key_line(lines_[k])->key) + "=" + value;
    for (std::size_t end = section_end(h), i = k + 1; i < end;) {
      auto kl = key_line(lines_[i]);
      if (kl && profile_name_equal(kl->key, trim(key))) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
        --end;
      } else {
        ++i;
      }
    }
    return;
  }
  // After the last non-blank line of the section.
  std::size_t at = section_end(h);
  while (at > h + 1 && trim(lines_[at - 1]).empty()) --at;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

void Profile::add_section(std::string_view section,
                          const std::vector<std::pair<std::string, std::string>>& keys) {
  lines_.reserve(lines_.size() + keys.size() + 1);
  lines_.push_back("[" + std::string(trim(one_line(section))) + "]");
  for (const auto& [key, value] : keys) {
    lines_.push_back(std::string(trim(one_line(key))) + "=" + one_line(value));
  }
}

void Profile::remove_key(std::string_view section, std::string_view key) {
  std::size_t h = find_section(section);
  if (h == npos) return;
  // Every copy: a later one would otherwise take the removed key's place.
  for (std::size_t k; (k = find_key(h, key)) != npos;) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(k));
  }
}

void Profile::remove_section(std::string_view section) {
  std::size_t h = find_section(section);
  if (h == npos) return;
  std::size_t end = section_end(h);
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(h),
               lines_.begin() + static_cast<std::ptrdiff_t>(end));
}

std::string Profile::serialize() const {
  std::string out;
  for (const auto& l : lines_) {
    out += l;
    out += "\r\n";
  }
  return out;
}

bool Profile::save(std::string_view path) const {
  return write_file_atomic(path, serialize());
}

std::string profile_read_string(std::string_view path, std::string_view section,
                                std::string_view key, std::string_view fallback,
                                std::size_t capacity) {
  std::string v = Profile::load(path).get_string(section, key, fallback);
  if (capacity > 0 && v.size() > capacity - 1) v.resize(capacity - 1);
  return v;
}

int profile_read_int(std::string_view path, std::string_view section, std::string_view key,
                     int fallback) {
  return Profile::load(path).get_int(section, key, fallback);
}

bool profile_write_string(std::string_view path, std::string_view section, std::string_view key,
                          std::string_view value) {
  Profile p = Profile::load(path);
  p.set(section, key, value);
  return p.save(path);
}

bool profile_delete_key(std::string_view path, std::string_view section, std::string_view key) {
  if (!path_exists(path)) return true;
  Profile p = Profile::load(path);
  p.remove_key(section, key);
  return p.save(path);
}

bool profile_delete_section(std::string_view path, std::string_view section) {
  if (!path_exists(path)) return true;
  Profile p = Profile::load(path);
  p.remove_section(section);
  return p.save(path);
}

}  // namespace ks
