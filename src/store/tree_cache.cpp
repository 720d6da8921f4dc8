#include "store/tree_cache.h"

#include <array>
#include <cstdio>

namespace ks::store {
namespace {

constexpr uint32_t kPoly = 0x04C11DB7u;

constexpr std::array<uint32_t, 256> make_table() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t r = i << 24;
    for (int b = 0; b < 8; ++b) r = (r & 0x80000000u) ? (r << 1) ^ kPoly : r << 1;
    t[i] = r;
  }
  return t;
}

constexpr std::array<uint32_t, 256> kTable = make_table();

// One line of the file as a text-mode reader sees it: the bytes up to LF with
// one CR before the LF dropped, and whether an LF ended it.
struct TextLine {
  std::string_view text;
  bool has_lf = false;
};

class LineReader {
 public:
  explicit LineReader(std::string_view bytes) : rest_(bytes) {}
  std::optional<TextLine> next() {
    if (rest_.empty()) return std::nullopt;
    TextLine line;
    std::size_t lf = rest_.find('\n');
    if (lf == std::string_view::npos) {
      line.text = rest_;
      rest_ = {};
    } else {
      line.text = rest_.substr(0, lf);
      line.has_lf = true;
      rest_.remove_prefix(lf + 1);
      if (!line.text.empty() && line.text.back() == '\r') line.text.remove_suffix(1);
    }
    return line;
  }

 private:
  std::string_view rest_;
};

std::string_view cut_line_end(std::string_view s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
  return s;
}

uint32_t feed_line(uint32_t reg, const TextLine& line) {
  reg = crc32_bzip2_update(reg, line.text);
  if (line.has_lf) reg = crc32_bzip2_update(reg, "\n");
  return reg;
}

// Leading hexadecimal digits after blanks, as strtoul(s, 0, 16) reads them.
uint32_t parse_hex(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  uint32_t v = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    int d = (c >= '0' && c <= '9')   ? c - '0'
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                     : -1;
    if (d < 0) break;
    v = (v << 4) | static_cast<uint32_t>(d);
  }
  return v;
}

// Signed decimal as atol reads it, kept to its low 32 bits like the stored tag.
uint32_t parse_tag(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  uint64_t v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    v = (v * 10 + static_cast<uint64_t>(s[i] - '0')) & 0xFFFFFFFFFFull;
  }
  auto low = static_cast<uint32_t>(v);
  return neg ? 0u - low : low;
}

}  // namespace

uint32_t crc32_bzip2_update(uint32_t reg, std::string_view bytes) {
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    reg = (reg << 8) ^ kTable[((reg >> 24) ^ b) & 0xFFu];
  }
  return reg;
}

uint32_t crc32_bzip2_final(uint32_t reg) {
  // A register that never moved from its start (nothing fed) is stored as it
  // is; a reader of the same rule accepts the empty tree's cache.
  return reg == kCrcInit ? kCrcInit : ~reg;
}

std::string format_cache(const std::vector<OrderLine>& lines) {
  std::string body;
  uint32_t reg = kCrcInit;
  for (const OrderLine& l : lines) {
    std::string name(static_cast<std::size_t>(l.depth), '\t');
    name += l.name;
    std::string tag = std::to_string(l.tag);
    reg = crc32_bzip2_update(reg, name);
    reg = crc32_bzip2_update(reg, "\n");
    reg = crc32_bzip2_update(reg, tag);
    reg = crc32_bzip2_update(reg, "\n");
    body += name;
    body += "\r\n";
    body += tag;
    body += "\r\n";
  }
  char sum[16];
  std::snprintf(sum, sizeof sum, "%08X", static_cast<unsigned>(crc32_bzip2_final(reg)));
  std::string out(kCacheBanner);
  out += "\r\n";
  out += sum;
  out += "\r\n";
  out += body;
  return out;
}

CacheParse parse_cache(std::string_view bytes) {
  CacheParse result;
  LineReader reader(bytes);
  auto banner = reader.next();
  if (!banner || cut_line_end(banner->text) != kCacheBanner) {
    result.status = CacheStatus::kBadBanner;
    return result;
  }
  auto sum_line = reader.next();
  const uint32_t stored = sum_line ? parse_hex(sum_line->text) : 0;
  uint32_t reg = kCrcInit;
  std::vector<OrderLine> lines;
  while (auto name_line = reader.next()) {
    auto tag_line = reader.next();
    if (!tag_line) {
      result.status = CacheStatus::kBadKind;
      return result;
    }
    reg = feed_line(reg, *name_line);
    reg = feed_line(reg, *tag_line);
    std::string_view name = cut_line_end(name_line->text);
    OrderLine line;
    while (!name.empty() && name.front() == '\t') {
      name.remove_prefix(1);
      ++line.depth;
    }
    line.name = std::string(name);
    line.tag = parse_tag(cut_line_end(tag_line->text));
    const uint32_t kind = line.tag & kTagKindMask;
    if (kind < 1 || kind > 4) {
      result.status = CacheStatus::kBadKind;
      return result;
    }
    line.kind = static_cast<NodeKind>(kind);
    lines.push_back(std::move(line));
  }
  if (crc32_bzip2_final(reg) != stored) {
    result.status = CacheStatus::kBadChecksum;
    return result;
  }
  result.lines = std::move(lines);
  return result;
}

}  // namespace ks::store
